#include "cgi/request.h"

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

namespace sd {
namespace {

class FixedClock : public ::testing::Test {
 protected:
  void SetUp() override { setenv(kTestClockVariable, "2026-12-08 10:30:15", 1); }
  void TearDown() override {
    unsetenv(kTestClockVariable);
    unsetenv("QUERY_STRING");
    CleanUp();
  }
};

// The whole run, with its data files, is exercised on the installed program by the
// integration tests; here the page is written from a chart made by hand.
TEST(WritePage, ByteForByte) {
  ChartData natal;
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
    ChartData natal;
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

TEST_F(FixedClock, ZoneOfTheRequest) {
  struct Case {
    const char* query;
    double zone;
  } cases[] = {
      {"TRS_TZ=EST", -5.0}, {"TRS_TZ=est", 0.0}, {"TRS_TZ=Moscow", 3.0}, {"TRS_TZ=ACST", 9.3},
      {"", 0.0}, {"TRS_TZ=HST&TRS_TZ=EST", -10.3},
  };
  StartUp(LocalNow());
  for (const auto& c : cases) {
    RequestState req;
    ReadRequest(c.query, req);
    EXPECT_EQ(req.zone, c.zone) << c.query;
  }
}

TEST_F(FixedClock, PictureNameIsAPlainFileNameOfToday) {
  StartUp(LocalNow());
  RequestState req;
  ReadRequest("D3_NATAL_DATA_TOWNS=../../x/y.gif&TRS_TZ=EST", req);
  EXPECT_EQ(req.security, "../../x/y.gif");
  // 12_8_sc_stock_dyn_N.gif, N from 0 to 9999 without leading zeros.
  const std::string head = "12_8_sc_stock_dyn_", tail = ".gif";
  const std::string& name = req.gif_name;
  ASSERT_GT(name.size(), head.size() + tail.size()) << name;
  ASSERT_LE(name.size(), head.size() + tail.size() + 4) << name;
  EXPECT_EQ(name.substr(0, head.size()), head);
  EXPECT_EQ(name.substr(name.size() - tail.size()), tail);
  const std::string number = name.substr(head.size(), name.size() - head.size() - tail.size());
  EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << name;
  EXPECT_TRUE(number == "0" || number[0] != '0') << name;
}

TEST(StartUp, DefaultEventDataInEverySlot) {
  LocalDateTime now;
  now.year = 2027; now.month = 2; now.day = 28; now.hour = 9; now.minute = 5; now.second = 7;
  StartUp(now);
  for (int i = 0; i < kChartSlotCount; ++i) {
    const ChartData& slot = ChartSlots()[static_cast<size_t>(i)];
    EXPECT_EQ(slot.ChartName.Str(), "No Name 1") << i;
    EXPECT_EQ(slot.Event.Year, 2027);
    EXPECT_EQ(slot.Event.Month, 2);
    EXPECT_EQ(slot.Event.Day, 28);
    EXPECT_DOUBLE_EQ(slot.Event.LocalTime, 9.0507);
    EXPECT_EQ(slot.Event.Zone, 3.0);
    EXPECT_EQ(slot.Event.PlaceText.View().size(), 34u);
    EXPECT_EQ(slot.Event.PlaceText.Str(), "\xCC\xEE\xF1\xEA\xE2\xE0 (7519)        55.45   37.35");
    EXPECT_EQ(slot.Event.PlaceLatitude, 55.45);
    EXPECT_EQ(slot.Event.PlaceLongitude, 37.35);
    EXPECT_EQ(slot.Event.PlaceExtra, 0.0);
  }
  CleanUp();
  EXPECT_THROW(ChartSlots(), std::logic_error);
}

TEST(StartUp, AspectListLivesFromStartUpToCleanUp) {
  StartUp(LocalNow());
  ASSERT_NE(Process().aspect_list, nullptr);
  EXPECT_EQ(Process().aspect_list->Count(), 0u);
  CleanUp();
  EXPECT_EQ(Process().aspect_list, nullptr);
  CleanUp();  // a second clean-up finds nothing to free
  EXPECT_EQ(Process().aspect_list, nullptr);
}

TEST(StartUp, ObjectSwitchesOfTheNatalSlot) {
  StartUp(LocalNow());
  ChartData& natal = ChartSlots()[0];
  natal.ObjectOn[12] = 5;  // 10..14 keep what they had when the natal set is switched on
  const std::set<int> on = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 18, 21, 24, 27, 30};
  const std::set<int> nine = {19, 20, 22, 23, 25, 26, 28, 29};
  for (int n = 0; n < kObjectCount; ++n) {
    const int want = n == 12 ? 5 : on.count(n) ? 1 : nine.count(n) ? 9 : 0;
    EXPECT_EQ(natal.ObjectOn[static_cast<size_t>(n)], want) << n;
  }
  for (int s = 1; s < kChartSlotCount; ++s) {
    for (int n = 0; n < kObjectCount; ++n) EXPECT_EQ(ChartSlots()[static_cast<size_t>(s)].ObjectOn[static_cast<size_t>(n)], 0);
  }
  forecast::SetNatalSwitches(natal);
  for (int n = 0; n < kObjectCount; ++n) {
    const int want = n == 12 ? 5 : (n >= 10 && n <= 14) ? 0 : 1;
    EXPECT_EQ(natal.ObjectOn[static_cast<size_t>(n)], want) << n;
  }
  CleanUp();
}

TEST(StartUp, PictureNumbersVaryBetweenRuns) {
  // Seeded from a high-resolution clock and the pid: ten start-ups in a row must not all
  // draw the same first number (a seed from the seconds clock alone would).
  std::set<int> first;
  for (int i = 0; i < 10; ++i) {
    StartUp(LocalNow());
    first.insert(DrawPictureNumber());
    CleanUp();
  }
  EXPECT_GT(first.size(), 1u);
}

TEST(PageTime, TwoDecimalsWithAPoint) {
  struct Case {
    double t;
    const char* text;
  } cases[] = {{10.3015, "10.30"}, {0.0, "0.00"}, {9.0507, "9.05"}, {23.5959, "23.60"}, {12.0, "12.00"}};
  for (const auto& c : cases) EXPECT_EQ(FormatPageTime(c.t), c.text) << c.t;
}

TEST(ProgramDir, JoinsWithSingleSlashes) {
  struct Case {
    const char* dir;
    const char* sub;
    const char* out;
  } cases[] = {
      {"/srv/www/Exe", "", "/srv/www/Exe/"},
      {"/srv/www/Exe/", "", "/srv/www/Exe/"},
      {"/srv/www/Exe", "Temp", "/srv/www/Exe/Temp/"},
      {"/srv/www/Exe/", "Temp/", "/srv/www/Exe/Temp/"},
      {"/", "Temp", "/Temp/"},
      {"", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinProgramDir(c.dir, c.sub), c.out) << c.dir << " + " << c.sub;
}

TEST(ProgramDir, IsTheDirectoryOfThisExecutable) {
  // The unit tests are built into the build directory.
  const std::string dir = ProgramDir("");
  EXPECT_EQ(dir, std::string(STOCKDYN_BINARY_DIR) + "/");
  EXPECT_EQ(ProgramDir("Temp"), dir + "Temp/");
}

}  // namespace
}  // namespace sd
