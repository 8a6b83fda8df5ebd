// The content lines of the calendar: escaping of TEXT, folding at 75 octets, UTC date-times.
#include "timeline/calendar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "astro/calendar.h"

namespace sd::timeline {
namespace {

TEST(IcsEscape, TextSpecialsGetABackslashAndLineEndsBecomeBackslashN) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"IBM Corp", "IBM Corp"},
      {"Smith, Jones; Sons", "Smith\\, Jones\\; Sons"},
      {"a\\b", "a\\\\b"},
      {"one\ntwo\r\nthree", "one\\ntwo\\nthree"},
      {"Soci\xc3\xa9t\xc3\xa9 G\xc3\xa9n\xc3\xa9rale", "Soci\xc3\xa9t\xc3\xa9 G\xc3\xa9n\xc3\xa9rale"},
      {"bell\x07tab\t", "belltab\t"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(IcsEscape(c.in), c.out) << c.in;
}

// Splits folded output into its physical lines, checking each ends in CRLF.
std::vector<std::string> PhysicalLines(const std::string& folded) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < folded.size()) {
    const size_t end = folded.find("\r\n", at);
    EXPECT_NE(end, std::string::npos);
    if (end == std::string::npos) break;
    lines.push_back(folded.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

TEST(IcsLine, FoldsAt75OctetsWithoutCuttingACharacter) {
  const std::string e_acute = "\xc3\xa9";
  const struct {
    std::string value;
    size_t physical_lines;
  } cases[] = {
      {"short", 1},
      {std::string(75 - 8, 'x'), 1},          // "SUMMARY:" and 67 octets: exactly 75
      {std::string(75 - 8 + 1, 'x'), 2},
      {std::string(300, 'y'), 5},             // 75 + 74 * 4 = 371 >= 308
      {std::string(66, 'x') + e_acute + "z", 2},  // the two octets of é would straddle octet 75
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.size());
    const std::string folded = IcsLine("SUMMARY", c.value);
    const std::vector<std::string> lines = PhysicalLines(folded);
    ASSERT_EQ(lines.size(), c.physical_lines);
    std::string unfolded;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_LE(lines[i].size(), 75u);
      if (i > 0) {
        ASSERT_EQ(lines[i][0], ' ');
        // A continuation never starts inside a UTF-8 sequence.
        ASSERT_GT(lines[i].size(), 1u);
        EXPECT_NE(static_cast<unsigned char>(lines[i][1]) & 0xC0, 0x80);
      }
      unfolded += i == 0 ? lines[i] : lines[i].substr(1);
    }
    EXPECT_EQ(unfolded, "SUMMARY:" + c.value);
  }
}

TEST(IcsUtc, RoundsToTheSecond) {
  EXPECT_EQ(IcsUtc(astro::MomentFromDate(2026, 4, 2, 2 + 11.0 / 60 + 59.6 / 3600)), "20260402T021200Z");
  EXPECT_EQ(IcsUtc(astro::MomentFromDate(2026, 12, 31, 23 + 59.0 / 60 + 59.7 / 3600)), "20270101T000000Z");
}

}  // namespace
}  // namespace sd::timeline
