#include "forecast/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "astro/calendar.h"
#include "astro/positions.h"
#include "data/cp1251.h"

namespace sd::forecast {
std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// The shortest text that reads back as the same double (9.3, not 9.3000000000000007); empty
// for NoValue and anything not finite.
std::string CsvNumber(double v) {
  if (!astro::IsValue(v) || !std::isfinite(v)) return "";
  char buf[32];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    if (std::strtod(buf, nullptr) == v) break;
  }
  return buf;
}


std::string LocalText(astro::ChartMoment t, double zone) {
  // Half a minute forward, then the minute is cut: a grid moment a hair before the minute
  // still shows that minute.
  const astro::CivilDate d = astro::DateFromMoment(
      t + astro::HmsToDecimal(zone) * astro::DayInCenturies / 24 + 30 * astro::SecondInCenturies);
  const int minutes = static_cast<int>(std::floor(d.hours * 60));
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", d.year, d.month, d.day, minutes / 60,
                minutes % 60);
  return buf;
}

std::vector<std::string> PositionWarnings(astro::ChartMoment natal,
                                          const std::vector<astro::ChartMoment>& window) {
  std::vector<std::string> out;
  auto add = [&](const std::string& w) {
    if (std::find(out.begin(), out.end(), w) == out.end()) out.push_back(w);
  };
  for (const std::string& w : astro::SeriesRangeWarnings(natal)) add("the natal chart: " + w);
  if (!window.empty()) {
    for (const astro::ChartMoment t : {window.front(), window.back()})
      for (const std::string& w : astro::SeriesRangeWarnings(t)) add("the window: " + w);
  }
  return out;
}

Report MakeReport(const std::string& security_utf8, double zone, astro::ChartMoment natal,
                  const ForecastValues& values, const model::TEvList& model,
                  const std::vector<std::vector<Contribution>>* contributions) {
  Report report;
  report.Security = security_utf8;
  report.Zone = zone;
  report.Warnings = PositionWarnings(natal, values.Moments);
  report.Explained = contributions != nullptr;
  for (size_t i = 0; i < values.Moments.size(); ++i) {
    ReportRow row;
    row.Moment = values.Moments[i];
    row.Local = LocalText(row.Moment, zone);
    row.Value = values.Values[i];
    if (contributions && i < contributions->size()) {
      for (const Contribution& c : (*contributions)[i]) {
        const model::EventRecord& e = model.Event(c.Event);
        row.Contributions.push_back({e.Section, data::Cp1251ToUtf8(e.Header), c.Weight, c.Value});
      }
    }
    report.Rows.push_back(std::move(row));
  }
  return report;
}

ReportJsonDoc JsonNumber(double v) {
  if (!astro::IsValue(v) || !std::isfinite(v)) return nullptr;
  return v;
}

ReportJsonDoc ReportJson(const Report& report) {
  ReportJsonDoc rows = ReportJsonDoc::array();
  for (size_t i = 0; i < report.Rows.size(); ++i) {
    const ReportRow& r = report.Rows[i];
    ReportJsonDoc row = {{"index", i},
                         {"moment", JsonNumber(r.Moment.Centuries)},
                         {"local", r.Local},
                         {"value", JsonNumber(r.Value)}};
    if (report.Explained) {
      ReportJsonDoc list = ReportJsonDoc::array();
      for (const auto& c : r.Contributions)
        list.push_back({{"section", c.Section}, {"title", c.Title}, {"weight", c.Weight},
                        {"value", c.Value}});
      row["contributions"] = std::move(list);
    }
    rows.push_back(std::move(row));
  }
  return {{"security", report.Security},
          {"zone", report.Zone},
          {"rows", std::move(rows)},
          {"warnings", report.Warnings}};
}

std::string ReportCsv(const Report& report) {
  std::string out = report.Explained ? "index,moment,local,section,title,contribution\n"
                                     : "index,moment,local,value\n";
  for (size_t i = 0; i < report.Rows.size(); ++i) {
    const ReportRow& r = report.Rows[i];
    const std::string head =
        std::to_string(i) + "," + CsvNumber(r.Moment.Centuries) + "," + CsvField(r.Local) + ",";
    if (!report.Explained) {
      out += head + CsvNumber(r.Value) + "\n";
      continue;
    }
    for (const auto& c : r.Contributions)
      out += head + CsvField(c.Section) + "," + CsvField(c.Title) + "," + CsvNumber(c.Value) + "\n";
  }
  return out;
}

std::string ReportText(const Report& report) {
  auto fixed = [](double v, const char* format) {
    if (!astro::IsValue(v) || !std::isfinite(v)) return std::string("-");
    char buf[48];
    std::snprintf(buf, sizeof buf, format, v);
    return std::string(buf);
  };
  std::string out = report.Security + ": " + std::to_string(report.Rows.size()) +
                    " values half a day apart (local time, zone " + CsvNumber(report.Zone) +
                    "); the model's value, not a price\n";
  for (const std::string& w : report.Warnings) out += "warning: " + w + "\n";
  for (const ReportRow& r : report.Rows) {
    out += r.Local + "  " + fixed(r.Value, "%7.3f") + "\n";
    std::vector<const ReportContribution*> largest;
    for (const auto& c : r.Contributions) largest.push_back(&c);
    std::stable_sort(largest.begin(), largest.end(), [](const ReportContribution* a, const ReportContribution* b) {
      return std::fabs(a->Value) > std::fabs(b->Value);
    });
    for (const ReportContribution* c : largest)
      out += "                  " + fixed(c->Value, "%+7.3f") + "  " + (c->Title.empty() ? c->Section : c->Title) + "\n";
  }
  return out;
}

std::string JsonText(const ReportJsonDoc& doc) {
  return doc.dump(2, ' ', false, ReportJsonDoc::error_handler_t::replace) + "\n";
}

}  // namespace sd::forecast
