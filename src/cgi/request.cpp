#include "cgi/request.h"

#include <unistd.h>

#include <ctime>
#include <sstream>
#include <stdexcept>
#include <string>

#include "astro/chart.h"
#include "host/clock.h"
#include "cgi/page.h"
#include "host/picture.h"
#include "host/process.h"
#include "host/program_dir.h"
#include "data/zone_table.h"
#include "host/query.h"
#include "cgi/temp_sweep.h"
#include "data/natal_db.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"

namespace sd::cgi {
namespace {

// Removes the published picture unless the page that links it went out: a run that fails
// after publishing leaves nothing behind in Temp.
class PictureGuard {
 public:
  PictureGuard() = default;
  ~PictureGuard() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  PictureGuard(const PictureGuard&) = delete;
  PictureGuard& operator=(const PictureGuard&) = delete;
  void Watch(std::string path) { path_ = std::move(path); }
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

}  // namespace

void ReadRequest(const std::string& decoded_query, RequestState& req) {
  req.query = decoded_query;
  req.zone = data::ZoneOffsetByName(host::QueryParam(kZoneParam, req.query));
  if (req.zone == data::kUnknownZone) req.zone = 0.0;
  req.security = host::QueryParam(kSecurityParam, req.query);
  req.gif_name = host::FileNamePart(host::MakeGifName("sc_stock_dyn_", ".gif"));
}

int RunRequest(std::ostream& out) {
  // 1. Start-up.
  host::ProcessScope process(host::LocalNow());
  host::RequestCharts& charts = host::ProcessCharts();

  // 2.-5. Query, zone value, security name, picture name.
  RequestState req;
  ReadRequest(host::ReadQueryString(), req);

  // The installation settings, read before anything is written: a settings file that cannot
  // be read stops the run with nothing left behind.
  const SiteSettings site = ReadSiteSettings(host::ProgramDir(""));
  const std::string& image_base_url = site.image_base_url;

  // 6.-8. Natal record: the first record named req.security (both trimmed) gives slot 0 its
  //    event block and name; none leaves the defaults. A missing or unreadable database
  //    stops the run here, before any output. Then the natal chart, with every computable
  //    object, its moment from the event block.
  forecast::LoadNatalChart(host::ProgramDir(""), req.security, charts.Natal);

  // 9. Today's date.
  const host::LocalDateTime today = host::LocalNow();
  req.year = static_cast<uint16_t>(today.year);
  req.month = static_cast<uint16_t>(today.month);
  req.day = static_cast<uint16_t>(today.day);

  // 10. Forecast run: today's twenty days in steps of half a day. The picture claims its
  //     name without replacing another request's picture; on a clash it draws a new one.
  const host::ForecastRun run = host::RunForecast(
      host::ProgramDir("") + forecast::kModelFileName, host::ProgramDir("Temp") + req.gif_name, req.year,
      req.month, req.day, forecast::kForecastSpan, req.zone, forecast::kForecastStep,
      [] { return host::MakeGifName("sc_stock_dyn_", ".gif"); });
  PictureGuard picture;
  picture.Watch(run.Picture);
  // The page links only a picture this request wrote, or none.
  req.gif_name = run.Picture.empty() ? std::string() : host::FileNamePart(run.Picture);

  // 11. The page, built whole before the first byte goes out.
  std::ostringstream page;
  WritePage(page, charts.Natal, image_base_url, req.gif_name);
  const std::string text = page.str();
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();
  // A page that did not go out (no memory for the stream's buffer, a closed output) is a
  // failure of the run, not a success without a page.
  if (!out) throw std::runtime_error("the page could not be written to standard output");
  picture.Keep();

  // Old pictures go once the page is out, so that a failed run leaves nothing in Temp (at most
  // once a minute over all requests; file times are the system's, whatever clock the request
  // reads).
  SweepOldPictures(host::ProgramDir("Temp"), site.picture_lifetime_minutes, std::time(nullptr));

  // 12. Clean-up (ProcessScope).
  return 0;
}

}  // namespace sd::cgi
