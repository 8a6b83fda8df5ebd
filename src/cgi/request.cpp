#include "cgi/request.h"

#include <sstream>

#include "astro/chart.h"
#include "cgi/clock.h"
#include "cgi/page.h"
#include "cgi/picture.h"
#include "cgi/process.h"
#include "cgi/program_dir.h"
#include "cgi/query.h"
#include "data/natal_db.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"

namespace sd {
namespace {

// Pairs StartUp with CleanUp, also on the way out of a failure.
struct ProcessScope {
  explicit ProcessScope(const LocalDateTime& now) { StartUp(now); }
  ~ProcessScope() { CleanUp(); }
  ProcessScope(const ProcessScope&) = delete;
  ProcessScope& operator=(const ProcessScope&) = delete;
};

}  // namespace

void ReadRequest(const std::string& decoded_query, RequestState& req) {
  req.query = decoded_query;
  req.zone = ZoneOffsetByName(QueryParam(kZoneParam, req.query));
  if (req.zone == kUnknownZone) req.zone = 0.0;
  req.security = QueryParam(kSecurityParam, req.query);
  req.gif_name = FileNamePart(MakeGifName("sc_stock_dyn_", ".gif"));
}

int RunRequest(std::ostream& out) {
  // 1. Start-up.
  ProcessScope process(LocalNow());
  ChartSlotArray& slots = ChartSlots();

  // 2.-5. Query, zone value, security name, picture name.
  RequestState req;
  ReadRequest(ReadQueryString(), req);

  // 6.-8. Natal record: the first record named req.security (both trimmed) gives slot 0 its
  //    event block and name; none leaves the defaults. A missing or unreadable database
  //    stops the run here, before any output. Then the natal chart, with every computable
  //    object, its moment from the event block.
  forecast::LoadNatalChart(ProgramDir(""), req.security, slots[0]);

  // 9. Today's date.
  const LocalDateTime today = LocalNow();
  req.year = static_cast<uint16_t>(today.year);
  req.month = static_cast<uint16_t>(today.month);
  req.day = static_cast<uint16_t>(today.day);

  // 10. Forecast run: today's twenty days in steps of half a day. The picture claims its
  //     name without replacing another request's picture; on a clash it draws a new one.
  const ForecastRun run = RunForecast(
      ProgramDir("") + forecast::kModelFileName, ProgramDir("Temp") + req.gif_name, req.year, req.month,
      req.day, forecast::kForecastSpan, req.zone, forecast::kForecastStep,
      [] { return MakeGifName("sc_stock_dyn_", ".gif"); });
  if (!run.Picture.empty()) req.gif_name = FileNamePart(run.Picture);

  // 11. The page, built whole before the first byte goes out.
  std::ostringstream page;
  WritePage(page, slots[0], ImageBaseUrl(ProgramDir("")), req.gif_name);
  const std::string text = page.str();
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();

  // 12. Clean-up (ProcessScope).
  return 0;
}

}  // namespace sd
