#include "cgi/page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/clock.h"
#include "cgi/page.h"
#include "host/process.h"
#include "forecast/natal.h"
#include "host/program_dir.h"

namespace sd::cgi {
namespace {

// The whole run, with its data files, is exercised on the installed program by the
// integration tests; here the page is written from a chart made by hand.
TEST(WritePage, ByteForByte) {
  astro::ChartData natal;
  natal.ChartName.Set(" \xC3\xE0\xE7\xEF\xF0\xEE\xEC Co. ");  // 8-bit, kept untrimmed
  natal.Event.Year = 1972;
  natal.Event.Month = 11;
  natal.Event.Day = 3;
  natal.Event.LocalTime = 9.3015;
  std::ostringstream out;
  WritePage(out, natal, "http://example.org", "11_3_sc_stock_dyn_0.gif");
  EXPECT_EQ(out.str(),
            "CONTENT-TYPE: TEXT/HTML\r\n"
            "\r\n"
            "<HTML><HEAD>\r\n"
            "<TITLE>Test</TITLE>\r\n"
            "</HEAD><BODY>\r\n"
            "<HR>\r\n"
            "<h2 align=\"center\"><font size=\"4\" color=\"#FF0000\">Online Vesk Software services:&nbsp;</font></h2>\r\n"
            "<h2 align=\"center\"><font size=\"4\">Dynamics for Security</font></h2>\r\n"
            "<p align=\"center\"><b>Instrument: \xC3\xE0\xE7\xEF\xF0\xEE\xEC Co. <br>First Trade:<br>\r\n"
            "11,3,1972   9.30<br>\r\n"
            "<br>\r\n"
            "<p align=\"center\"><img border=\"0\" src=\"http://example.org/Exe/Temp/11_3_sc_stock_dyn_0.gif\"></p>\r\n"
            "<br>\r\n"
            "<HR>\r\n"
            "</BODY></HTML>\r\n");
}

// Names and the base URL come from files an importer or operator wrote: the characters that
// mean something in HTML are escaped, everything else stays byte for byte.
TEST(WritePage, EchoedTextIsEscapedAndAMissingPictureHasNoLink) {
  struct Case {
    const char* name;
    const char* base_url;
    const char* gif;
    const char* instrument_line;
    const char* picture_line;  // nullptr: the page has no picture line
  };
  const Case cases[] = {
      {"X<script>alert(1)</script>", "", "1_2_sc_stock_dyn_5.gif",
       "<p align=\"center\"><b>Instrument:X&lt;script&gt;alert(1)&lt;/script&gt;<br>First Trade:<br>",
       "<p align=\"center\"><img border=\"0\" src=\"/Exe/Temp/1_2_sc_stock_dyn_5.gif\"></p>"},
      {"AT&T \"Ma Bell\" O'Neil", "http://h/a\"onerror=\"x", "g.gif",
       "<p align=\"center\"><b>Instrument:AT&amp;T &quot;Ma Bell&quot; O&#39;Neil<br>First Trade:<br>",
       "<p align=\"center\"><img border=\"0\" src=\"http://h/a&quot;onerror=&quot;x/Exe/Temp/g.gif\"></p>"},
      {"IBM Corp", "", "", "<p align=\"center\"><b>Instrument:IBM Corp<br>First Trade:<br>", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    astro::ChartData natal;
    natal.ChartName.Set(c.name);
    std::ostringstream out;
    WritePage(out, natal, c.base_url, c.gif);
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.size() - 1));
    ASSERT_EQ(lines.size(), c.picture_line ? 15u : 14u) << out.str();
    EXPECT_EQ(lines[8], c.instrument_line);
    if (c.picture_line) {
      EXPECT_EQ(lines[11], c.picture_line);
    } else {
      EXPECT_EQ(out.str().find("<img"), std::string::npos);
    }
    EXPECT_EQ(lines.back(), "</BODY></HTML>");
  }
}

TEST(WritePage, HeadWithoutTitleHasNoHeadingLine) {
  std::ostringstream out;
  WritePageHead(out, "");
  WritePageTail(out);
  EXPECT_EQ(out.str(),
            "CONTENT-TYPE: TEXT/HTML\r\n\r\n<HTML><HEAD>\r\n<TITLE>Test</TITLE>\r\n</HEAD><BODY>\r\n<HR>\r\n"
            "<h2 align=\"center\"><font size=\"4\" color=\"#FF0000\">Online Vesk Software services:&nbsp;</font></h2>\r\n"
            "</BODY></HTML>\r\n");
}

TEST(PageTime, TwoDecimalsWithAPoint) {
  struct Case {
    double t;
    const char* text;
  } cases[] = {{10.3015, "10.30"}, {0.0, "0.00"}, {9.0507, "9.05"}, {23.5959, "23.60"}, {12.0, "12.00"}};
  for (const auto& c : cases) EXPECT_EQ(FormatPageTime(c.t), c.text) << c.t;
}

}  // namespace
}  // namespace sd::cgi
