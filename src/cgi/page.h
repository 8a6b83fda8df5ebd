#pragma once
// The HTML page of a request. Every line ends with CR LF; names are written byte for byte
// as stored (8-bit), without escaping, and the page declares no character set.
#include <ostream>
#include <string>
#include <string_view>

#include "astro/chart_data.h"

namespace sd {

// Content type, empty line, head and the banner; the heading line only for a non-empty title.
void WritePageHead(std::ostream& out, std::string_view title);
void WritePageTail(std::ostream& out);

// The whole page for the chart in `natal`: its name, first-trade date and clock time, and the
// picture at image_base_url + "/Exe/Temp/" + gif_name.
void WritePage(std::ostream& out, const ChartData& natal, std::string_view image_base_url,
               std::string_view gif_name);

// The clock time as the page prints it: fixed point with two decimals, point as separator
// whatever the locale ("10.30" for 10.3015).
std::string FormatPageTime(double packed_time);

// The installation's image base URL: key ImageBaseUrl of section [Site] in
// srv_stock_dyn.ini of program_dir. Missing or empty gives "" (root-relative picture URLs);
// trailing '/' are dropped so that "/Exe/Temp/" follows without a doubled slash.
std::string ImageBaseUrl(const std::string& program_dir);
inline constexpr const char* kSiteSettingsFile = "srv_stock_dyn.ini";

}  // namespace sd
