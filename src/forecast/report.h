#pragma once
// The forecast of a day as people and programs read it: rows of moment, local time and value,
// each event's contribution when asked, as JSON or CSV. `stockdyn forecast` and the JSON API
// print the same rows from the same run.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "astro/moment.h"
#include "forecast/model_value.h"
#include "forecast/run.h"
#include "model/ev_list.h"

namespace sd::forecast {

using ReportJsonDoc = nlohmann::ordered_json;

struct ReportContribution {
  std::string Section;  // the model file's section name of the event
  std::string Title;    // its "_H" text in UTF-8: what a reader is shown, the id in small print
  double Weight = 0;
  double Value = 0;     // weight x graded value; a row's contributions sum to its value
};

struct ReportRow {
  astro::ChartMoment Moment = astro::kNoMoment;
  std::string Local;  // "YYYY-MM-DD HH:MM" in the zone
  double Value = astro::NoValue;
  std::vector<ReportContribution> Contributions;
};

struct Report {
  std::string Security;  // UTF-8
  double Zone = 0;       // packed hours east of Greenwich
  bool Explained = false;
  std::vector<ReportRow> Rows;
  // What the reader must know about the figures: series used outside their years (the natal
  // chart's or the window's), each once.
  std::vector<std::string> Warnings;
};

// The warnings about the positions of the natal moment and of the window's first and last
// moments, each sentence once, the natal chart's named as such.
std::vector<std::string> PositionWarnings(astro::ChartMoment natal,
                                          const std::vector<astro::ChartMoment>& window);

// Local date and clock time of t in the zone (packed hours east), to the minute.
std::string LocalText(astro::ChartMoment t, double zone);

// A CSV field, quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& s);
// The shortest text that reads back as the same double; empty for NoValue and anything not
// finite (a CSV cell left blank).
std::string CsvNumber(double v);

// The rows of a run; with `contributions` (one list per moment, as ComputeForecast gives
// them) each row names its events by the model's section names. The warnings are those of the
// natal moment `natal` and the values' moments.
Report MakeReport(const std::string& security_utf8, double zone, astro::ChartMoment natal,
                  const ForecastValues& values, const model::TEvList& model,
                  const std::vector<std::vector<Contribution>>* contributions);

// {"security", "zone", "rows": [{"index", "moment", "local", "value"[, "contributions":
// [{"section", "title", "weight", "value"}]]}], "warnings": [...]}; NoValue is null.
ReportJsonDoc ReportJson(const Report& report);

// Without contributions: index,moment,local,value, a row per moment. With them, the long form
// index,moment,local,section,title,contribution, a line per contribution.
std::string ReportCsv(const Report& report);

// For people: a line naming the security and zone, then one line per moment with its value to
// three decimals (what the curve can tell apart), and with contributions each under its moment,
// largest first, by title.
std::string ReportText(const Report& report);

// A number as JSON: null for NoValue and anything not finite.
ReportJsonDoc JsonNumber(double v);

// The document as printed: indented two blanks, a line end after it; bytes that are not
// UTF-8 become U+FFFD rather than stopping the output.
std::string JsonText(const ReportJsonDoc& doc);

}  // namespace sd::forecast
