#include "data/zone_table.h"

#include <gtest/gtest.h>

namespace sd::data {
namespace {

TEST(ZoneOffsetByName, ExactAbbreviationsOnly) {
  struct Case {
    const char* name;
    double value;
  } cases[] = {
      {"EST", -5.0}, {"Moscow", 3.0}, {"ACST", 9.3}, {"HST", -10.3}, {"GST", 10.0},
      {"AEST", 10.0}, {"GMT", 0.0}, {"NST", -3.3},
      {"est", kUnknownZone}, {"MOSCOW", kUnknownZone}, {"EST ", kUnknownZone},
      {"", kUnknownZone}, {"UTC", kUnknownZone},
  };
  for (const auto& c : cases) EXPECT_EQ(ZoneOffsetByName(c.name), c.value) << c.name;
}

TEST(ZoneOffsetByName, EveryRowIsReachable) {
  // A repeated abbreviation would hide a later row.
  for (const ZoneRow& row : ZoneTable) EXPECT_EQ(ZoneOffsetByName(row.abbreviation), row.value) << row.abbreviation;
}

}  // namespace
}  // namespace sd::data
