#include "api/forecast_route.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>

#include "api/day_ask.h"
#include "api/router.h"
#include "api/securities.h"
#include "api/zones.h"
#include "astro/chart.h"
#include "astro/moment.h"
#include "data/data_error.h"
#include "data/data_file.h"
#include "data/natal_db.h"
#include "forecast/natal.h"
#include "forecast/report.h"
#include "forecast/run.h"
#include "host/clock.h"
#include "host/process.h"

namespace sd::api {
namespace {

// The first-trade time of the band's two further curves, in hours before and after.
constexpr double kBandHours = 1.0;

// What the forecast of a request is made of; all of it goes into the entity tag.
struct ForecastAsk {
  std::string security;  // UTF-8, as asked and found
  ApiZone zone;
  int year = 0, month = 0, day = 0;
  bool explain = false;
  bool band = false;
  bool csv = false;
};

// "1" or "true" switch an option on; "0", "false" or nothing leave it off.
bool Flag(const QueryParams& params, const char* name, bool& out) {
  const auto v = Param(params, name);
  if (!v || *v == "0" || *v == "false") return out = false, true;
  if (*v == "" || *v == "1" || *v == "true") return out = true, true;
  return false;
}

// The natal chart with its first-trade moment moved by `hours`, recomputed as the natal chart is.
astro::ChartData ShiftedNatal(const astro::ChartData& natal, double hours) {
  astro::ChartData shifted = natal;
  shifted.Event.MoveClockTo(shifted.Event.UniversalMoment() + hours * astro::DayInCenturies / 24);
  ComputeChart(shifted, astro::MomentSource::LocalClock);
  return shifted;
}

// The rows of one natal chart's forecast of the day.
forecast::Report ForecastOf(const astro::ChartData& natal, const model::TEvList& model,
                            const eval::TPlanetary_T* metrics, const ForecastAsk& ask, bool explain) {
  astro::ChartData transit_event, transit;
  std::vector<std::vector<forecast::Contribution>> contributions;
  const forecast::ForecastValues values = forecast::ComputeForecast(
      {natal, transit_event, transit}, model, ask.year, ask.month, ask.day,
      forecast::kForecastSpan, ask.zone.packed, forecast::kForecastStep,
      metrics, explain ? &contributions : nullptr);
  return forecast::MakeReport(ask.security, ask.zone.packed, natal.Moment, values, model,
                              explain ? &contributions : nullptr);
}

// The forecast's own parameters beside the day's: format, explain and band. Each invalid one is
// added to `invalid`.
ForecastAsk ReadForecastAsk(const QueryParams& params, const DayAsk& day, Json& invalid) {
  ForecastAsk ask;
  auto refuse = [&](const char* name, const std::string& reason) {
    invalid.push_back({{"name", name}, {"reason", reason}});
  };
  const auto format = Param(params, "format").value_or("json");
  if (format != "json" && format != "csv") refuse("format", "must be json or csv");
  if (!Flag(params, "explain", ask.explain)) refuse("explain", "must be 1 or 0");
  if (!Flag(params, "band", ask.band)) refuse("band", "must be 1 or 0");
  ask.zone = day.zone;
  ask.year = day.year, ask.month = day.month, ask.day = day.day;
  ask.csv = format == "csv";
  return ask;
}

// The tag names every input of the document: the record itself (its data may change under
// the same name), the day, the zone, the model, the metric table and the program (a new
// build may compute otherwise), and the form asked for.
std::string ForecastTag(const DaySources& sources, const ForecastAsk& ask, const std::string& dir) {
  const data::NatalBytes natal_bytes = EncodeNatalRecord(sources.record);
  return EntityTag({std::string(natal_bytes.begin(), natal_bytes.end()), ZoneTag(ask.zone),
                    sources.date, sources.model_hash,
                    data::DataFileHash(dir + "Metrics.dat", data::kMetricFileMaxBytes),
                    data::FileStamp("/proc/self/exe"), ask.explain ? "explain" : "",
                    ask.band ? "band" : "", ask.csv ? "csv" : "json"});
}

// The same place, the first-trade moment an hour earlier and later: two more natal charts
// against the same skies.
Json BandJson(const astro::ChartData& natal, const model::TEvList& model, const eval::TPlanetary_T* metrics,
              const ForecastAsk& ask) {
  Json band = {{"hours", kBandHours}};
  for (const auto& [name, hours] : {std::pair{"earlier", -kBandHours}, std::pair{"later", kBandHours}}) {
    const forecast::Report shifted = ForecastOf(ShiftedNatal(natal, hours), model, metrics, ask, false);
    Json values = Json::array();
    for (const auto& row : shifted.Rows) values.push_back(forecast::JsonNumber(row.Value));
    band[name] = std::move(values);
  }
  return band;
}

// The forecast document, as CSV or JSON, without its caching headers.
Response ForecastResponse(const DaySources& sources, const ForecastAsk& ask, const std::string& dir) {
  const auto metrics = host::OpenMetricTable(dir);
  const auto charts = NewRequestCharts(host::LocalNow());
  astro::ChartData& natal = charts->Natal;
  forecast::LoadNatalChart(dir, sources.record.Name.Str(), natal);
  const auto model = forecast::LoadModel(sources.model_path);
  const forecast::Report report = ForecastOf(natal, *model, metrics.get(), ask, ask.explain);
  Response response;
  if (ask.csv) {
    response.body = forecast::ReportCsv(report);
    response.SetHeader("Content-Type", kCsvType);
    return response;
  }
  Json doc = forecast::ReportJson(report);
  doc["date"] = sources.date;
  doc["zone_abbreviation"] = ask.zone.abbreviation;
  doc["zone_name"] = ask.zone.tz_name.empty() ? Json(nullptr) : Json(ask.zone.tz_name);
  doc["natal"] = FirstTradeJson(sources.record);
  doc["model"] = {{"name", forecast::kModelFileName}, {"hash", sources.model_hash}};
  if (ask.band) doc["band"] = BandJson(natal, *model, metrics.get(), ask);
  response.body = forecast::JsonText(doc);
  response.SetHeader("Content-Type", kJsonType);
  return response;
}

}  // namespace

Response ForecastRoute(const Request& request, const QueryParams& params, const ApiContext& context) {
  Json invalid = Json::array();
  const DayAsk day = ReadDayAsk(params, context, invalid);
  ForecastAsk ask = ReadForecastAsk(params, day, invalid);
  if (!invalid.empty()) return InvalidParams(invalid);

  Response problem;
  const std::optional<DaySources> sources = FindDaySources(day, context, problem);
  if (!sources) return problem;
  ask.security = DisplayName(sources->record);
  const DayCaching caching =
      CachedUntilMidnight(ForecastTag(*sources, ask, context.program_dir), context, ask.zone.hours);
  if (auto not_modified = NotModifiedFor(request, caching)) return std::move(*not_modified);

  Response response = ForecastResponse(*sources, ask, context.program_dir);
  SetCaching(response, caching);
  return response;
}

}  // namespace sd::api
