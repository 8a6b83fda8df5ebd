#include "cgi/page.h"

#include <cstdio>

#include "host/query.h"
#include "cgi/temp_sweep.h"
#include "data/ini.h"
#include "data/trim.h"

namespace sd::cgi {
namespace {

void Line(std::ostream& out, std::string_view text) {
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.write("\r\n", 2);
}

}  // namespace

void WritePageHead(std::ostream& out, std::string_view title) {
  Line(out, "CONTENT-TYPE: TEXT/HTML");
  Line(out, "");
  Line(out, "<HTML><HEAD>");
  Line(out, "<TITLE>Test</TITLE>");
  Line(out, "</HEAD><BODY>");
  Line(out, "<HR>");
  Line(out,
       "<h2 align=\"center\"><font size=\"4\" color=\"#FF0000\">Online Vesk Software "
       "services:&nbsp;</font></h2>");
  if (!title.empty()) {
    std::string heading = "<h2 align=\"center\"><font size=\"4\">";
    heading += title;
    heading += "</font></h2>";
    Line(out, heading);
  }
}

void WritePageTail(std::ostream& out) { Line(out, "</BODY></HTML>"); }

std::string FormatPageTime(double packed_time) {
  char buf[64];
  // %.2f of a finite double this program produces (a clock time) always fits; anything
  // else is cut by snprintf rather than overflowing.
  std::snprintf(buf, sizeof buf, "%.2f", packed_time);
  return buf;
}

void WritePage(std::ostream& out, const astro::ChartData& natal, std::string_view image_base_url,
               std::string_view gif_name) {
  WritePageHead(out, "Dynamics for Security");
  std::string line = "<p align=\"center\"><b>Instrument:";
  line += data::EscapeHtml(natal.ChartName.View());
  line += "<br>First Trade:<br>";
  Line(out, line);

  const astro::EventBlock& ev = natal.Event;
  line = std::to_string(ev.Month) + "," + std::to_string(ev.Day) + "," + std::to_string(ev.Year) +
         "   " + FormatPageTime(ev.LocalTime) + "<br>";
  Line(out, line);
  Line(out, "<br>");

  // No picture could be published: the page links none rather than a name this request did
  // not write (another request's picture, or nothing at all).
  if (!gif_name.empty()) {
    line = "<p align=\"center\"><img border=\"0\" src=\"";
    line += data::EscapeHtml(image_base_url);
    line += "/Exe/Temp/";
    line += gif_name;
    line += "\"></p>";
    Line(out, line);
  }
  Line(out, "<br>");
  Line(out, "<HR>");
  WritePageTail(out);
}

std::string ImageBaseUrl(const std::string& program_dir) {
  return ReadSiteSettings(program_dir).image_base_url;
}

SiteSettings ReadSiteSettings(const std::string& program_dir) {
  data::TBigIniFile settings(program_dir + kSiteSettingsFile, data::kSettingsFileMaxBytes);
  SiteSettings site;
  site.image_base_url = data::TrimNameBlanks(settings.ReadString("Site", "ImageBaseUrl", ""));
  while (!site.image_base_url.empty() && site.image_base_url.back() == '/') site.image_base_url.pop_back();
  const int32_t minutes =
      settings.ReadInteger("Site", kPictureLifetimeKey, kDefaultPictureLifetimeMinutes);
  site.picture_lifetime_minutes = minutes < 0 ? kDefaultPictureLifetimeMinutes : minutes;
  return site;
}

}  // namespace sd::cgi
