#pragma once
// The HTML page of a request. Every line ends with CR LF; the page declares no character set.
// What the page echoes from files (the stored name, the image base URL) is written byte for
// byte as stored (8-bit), except the five characters that HTML gives a meaning to, which are
// escaped: a name without them comes out exactly as stored.
#include <ostream>
#include <string>
#include <string_view>

#include "astro/chart_data.h"
#include "data/text_escape.h"

namespace sd::cgi {

// Content type, empty line, head and the banner; the heading line only for a non-empty title.
void WritePageHead(std::ostream& out, std::string_view title);
void WritePageTail(std::ostream& out);

// The whole page for the chart in `natal`: its name, first-trade date and clock time, and the
// picture at image_base_url + "/Exe/Temp/" + gif_name; without a gif_name (no picture was
// published) the picture line is left out.
void WritePage(std::ostream& out, const astro::ChartData& natal, std::string_view image_base_url,
               std::string_view gif_name);

// The clock time as the page prints it: fixed point with two decimals, point as separator
// whatever the locale ("10.30" for 10.3015).
std::string FormatPageTime(double packed_time);

// The installation's image base URL: key ImageBaseUrl of section [Site] in
// srv_stock_dyn.ini of program_dir. Missing or empty gives "" (root-relative picture URLs);
// trailing '/' are dropped so that "/Exe/Temp/" follows without a doubled slash.
std::string ImageBaseUrl(const std::string& program_dir);
inline constexpr const char* kSiteSettingsFile = "srv_stock_dyn.ini";

// The installation's settings, section [Site] of srv_stock_dyn.ini, read once per request.
struct SiteSettings {
  std::string image_base_url;  // as ImageBaseUrl gives it
  // PictureLifetimeMinutes: how long a picture is kept in Temp; missing, malformed or
  // negative gives the default (see cgi/temp_sweep.h), 0 keeps every picture.
  int picture_lifetime_minutes = 0;
};
SiteSettings ReadSiteSettings(const std::string& program_dir);

}  // namespace sd::cgi
