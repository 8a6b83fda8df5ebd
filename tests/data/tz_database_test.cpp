// The offsets of the time-zone database: summer time at its exact changes, the footer's rule
// beyond the file's last transition (north and south), the forms of that rule, and names that
// could reach outside the database refused before any file is opened.
#include "data/tz_database.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "../support/scratch_dir.h"

namespace sd::data {
namespace {

using testing_support::ScratchDir;

struct Expect {
  const char* zone;
  int64_t utc;  // seconds since 1970
  int seconds_east;
  const char* abbreviation;
  bool summer;
};

// Figures of the 2025 database; each change is tried one second before and at the change.
TEST(TzDatabase, OffsetsOfTheSystemDatabase) {
  const Expect cases[] = {
      {"America/New_York", 1772953199, -18000, "EST", false},  // 2026-03-08 06:59:59 UT
      {"America/New_York", 1772953200, -14400, "EDT", true},   // 02:00 EST becomes 03:00 EDT
      {"America/New_York", 2372914799, -18000, "EST", false},  // 2045: beyond the transitions,
      {"America/New_York", 2372914800, -14400, "EDT", true},   // from the footer's rule
      {"America/New_York", 2393474399, -14400, "EDT", true},   // 2045-11-05, the end told in
      {"America/New_York", 2393474400, -18000, "EST", false},  // summer time
      {"America/New_York", -3786825600, -17762, "LMT", false}, // 1850, before the first change
      {"Europe/London", 1781524800, 3600, "BST", true},
      {"Australia/Sydney", 2525817600, 39600, "AEDT", true},  // 2050, southern summer
      {"Australia/Sydney", 2540246400, 36000, "AEST", false},
      {"Asia/Kolkata", 1781481600, 19800, "IST", false},
      {"Asia/Jerusalem", 2216073599, 7200, "IST", false},  // 2040: a change at "26:00" of a
      {"Asia/Jerusalem", 2216073600, 10800, "IDT", true},  // Thursday, the rule's extension
  };
  for (const Expect& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.utc));
    std::string why;
    const auto got = TzOffsetAt(TzDatabaseDir(), c.zone, c.utc, why);
    ASSERT_TRUE(got.has_value()) << why;
    EXPECT_EQ(got->seconds_east, c.seconds_east);
    EXPECT_EQ(got->abbreviation, c.abbreviation);
    EXPECT_EQ(got->summer, c.summer);
  }
}

TEST(TzDatabase, RulesOfTheFooter) {
  const Expect cases[] = {
      {"EST5EDT,M3.2.0,M11.1.0", 1781524800, -14400, "EDT", true},
      {"EST5EDT", 1781524800, -14400, "EDT", true},  // no dates: the United States' rule
      {"<+03>-3", 1781524800, 10800, "+03", false},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1792889999, 7200, "CEST", true},  // 2026-10-25 00:59:59 UT
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1792890000, 3600, "CET", false},
      {"NZST-12NZDT,M9.5.0,M4.1.0/3", 1767225600, 46800, "NZDT", true},  // 2026-01-01, southern
      {"NZST-12NZDT,M9.5.0,M4.1.0/3", 1781524800, 43200, "NZST", false},
      {"AAA3BBB,J60,J300", 1772341199, -10800, "AAA", false},  // 2026-03-01 04:59:59 UT
      {"AAA3BBB,J60,J300", 1772341200, -7200, "BBB", true},    // J60 is March 1, 02:00 local
      {"AAA3BBB,59,300", 1772341200, -7200, "BBB", true},      // day 59 from 0 is March 1 too
      {"AAA3BBB,59,300", 1772341199, -10800, "AAA", false},
  };
  for (const Expect& c : cases) {
    SCOPED_TRACE(c.zone);
    const auto got = PosixTzOffset(c.zone, c.utc);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->seconds_east, c.seconds_east);
    EXPECT_EQ(got->abbreviation, c.abbreviation);
    EXPECT_EQ(got->summer, c.summer);
  }
  for (const char* bad : {"", "EST", "E5", "EST5EDT,M13.1.0,M11.1.0", "EST5EDT,M3.2.0", "EST5EDT,M3.2.0,M11.1.0x",
                          "<+03-3", "EST200"}) {
    EXPECT_FALSE(PosixTzOffset(bad, 0).has_value()) << bad;
  }
}

TEST(TzDatabase, NamesThatCouldLeaveTheDatabaseAreNoNames) {
  for (const char* name : {"America/New_York", "UTC", "Etc/GMT+5", "America/Argentina/Buenos_Aires"})
    EXPECT_TRUE(IsTzName(name)) << name;
  for (const char* name : {"", "../../etc/passwd", "/etc/passwd", "America/../../etc/passwd", "America//New_York",
                           "America/./New_York", "America/New_York/", "America/New York", "5", "_x",
                           "America/New_York%00"})
    EXPECT_FALSE(IsTzName(name)) << name;
}

// A compiled zone of version 1: a transition at 1000 s from type 0 (+1 h, "AAA") to type 1
// (+2 h, "BBB", summer); with `version_2` the same again with 64-bit times and `footer`.
std::string CompiledZone(bool version_2, const std::string& footer) {
  auto be32 = [](int64_t v) {
    std::string s(4, '\0');
    for (int k = 0; k < 4; ++k) s[3 - k] = static_cast<char>((static_cast<uint64_t>(v) >> (8 * k)) & 0xff);
    return s;
  };
  auto block = [&](int time_bytes) {
    std::string h = "TZif";
    h += version_2 ? '2' : '\0';
    h += std::string(15, '\0');
    for (const int count : {0, 0, 0, 1, 2, 8}) h += be32(count);  // isut isstd leap times types chars
    h += time_bytes == 8 ? std::string(4, '\0') + be32(1000) : be32(1000);
    h += '\x01';
    h += be32(3600) + std::string("\x00\x00", 2) + be32(7200) + std::string("\x01\x04", 2);
    h += std::string("AAA\0BBB\0", 8);
    return h;
  };
  std::string out = block(4);
  if (version_2) out += block(8) + "\n" + footer + "\n";
  return out;
}

TEST(TzDatabase, CompiledFilesOfEveryVersion) {
  struct Case {
    const char* what;
    std::string bytes;
    int64_t utc;
    int seconds_east;  // 0: refused
  };
  const Case cases[] = {
      {"version 1, before the transition", CompiledZone(false, ""), 999, 3600},
      {"version 1, after it", CompiledZone(false, ""), 5000, 7200},
      {"version 2 without a footer keeps the last type", CompiledZone(true, ""), 5000, 7200},
      {"version 2 with a footer follows it after the last transition", CompiledZone(true, "<+05>-5"), 5000, 18000},
      {"the footer does not apply before the last transition", CompiledZone(true, "<+05>-5"), 999, 3600},
      {"truncated", CompiledZone(true, "<+05>-5").substr(0, 60), 5000, 0},
      {"not a zone", "# tzdb timezone descriptions\n", 5000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string why;
    const auto got = TzOffsetInFile(c.bytes, c.utc, why);
    EXPECT_EQ(got.has_value(), c.seconds_east != 0) << why;
    if (got) { EXPECT_EQ(got->seconds_east, c.seconds_east); }
    if (!got) { EXPECT_EQ(why, "is not a compiled time zone"); }
  }
}

TEST(TzDatabase, MissingOrForeignFilesAreRefusedWithTheReason) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.File("Region"));
  dir.Write("Region/Town", CompiledZone(true, "<+05>-5"));
  dir.Write("zone.tab", "# not a zone\n");
  struct Case {
    const char* name;
    const char* why;  // empty: found
  };
  const Case cases[] = {
      {"Region/Town", ""},
      {"Region/Nowhere", "is not in the time-zone database"},
      {"Region", "is not in the time-zone database"},  // a directory
      {"zone.tab", "is not a compiled time zone"},
      {"../x", "is no time-zone name (Region/City, as America/New_York)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string why;
    const auto got = TzOffsetAt(dir.path(), c.name, 5000, why);
    EXPECT_EQ(got.has_value(), std::string(c.why).empty());
    EXPECT_EQ(why, c.why);
  }
}

}  // namespace
}  // namespace sd::data
