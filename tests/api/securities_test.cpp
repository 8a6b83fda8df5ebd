#include "api/securities.h"

#include <gtest/gtest.h>

#include "api/zones.h"

namespace sd::api {
namespace {

std::vector<NatalRecord> Records(std::initializer_list<const char*> names) {
  std::vector<NatalRecord> out;
  for (const char* n : names) {
    NatalRecord r;
    r.Name.Set(n);
    out.push_back(r);
  }
  return out;
}

const auto kBook = Records({"International Business Machines", "IBM Corp", "Intel Corp",
                            "AT&T Inc", "Apple Inc", " Coca-Cola Co ", "\xCC\xEE\xF1\xEA\xE2\xE0"});

TEST(FindSecurity, ComparesTrimmedNamesExactlyInTheCodePage) {
  ASSERT_NE(FindSecurity(kBook, "IBM Corp"), nullptr);
  EXPECT_EQ(FindSecurity(kBook, " IBM Corp\t")->Name.Str(), "IBM Corp");
  EXPECT_EQ(FindSecurity(kBook, "Coca-Cola Co")->Name.Str(), " Coca-Cola Co ");
  EXPECT_EQ(FindSecurity(kBook, "ibm corp"), nullptr);  // letter case counts
  EXPECT_EQ(FindSecurity(kBook, "IBM"), nullptr);
  // UTF-8 is stored in code page 1251; a character the code page lacks finds nothing.
  EXPECT_NE(FindSecurity(kBook, "Москва"), nullptr);
  EXPECT_EQ(FindSecurity(kBook, "IBM Corp\xE2\x82\xAC\xF0\x9F\x98\x80"), nullptr);
}

TEST(CloseNames, OffersUpToThreeClosestFirst) {
  const struct {
    std::string asked;
    std::vector<std::string> offered;
  } cases[] = {
      {"ibm corp", {"IBM Corp"}},
      {"IBM Crop", {"IBM Corp"}},
      {"inc", {"AT&T Inc", "Apple Inc"}},
      {"corp", {"IBM Corp", "Intel Corp"}},
      {"Apple", {"Apple Inc"}},
      {"Microsoft", {}},
      {"", {}},
      {"москва", {"Москва"}},  // one byte off in UTF-8
      {"Internatoinal Busines Machines", {"International Business Machines"}},  // three edits
      {std::string(200, 'x'), {}},  // compared within its bound, not cell by cell against all
  };
  for (const auto& c : cases) EXPECT_EQ(CloseNames(kBook, c.asked), c.offered) << c.asked;
  EXPECT_EQ(CloseNames(kBook, "c").size(), 0u);  // a letter is no name
  EXPECT_EQ(CloseNames(Records({"A Co", "B Co", "C Co", "D Co"}), "X Co"),
            (std::vector<std::string>{"A Co", "B Co", "C Co"}));
}

TEST(FirstTradeJson, UnpacksTimesAndDegrees) {
  NatalRecord r;
  r.Year = 1915;
  r.Month = 11;
  r.Day = 11;
  r.LocalTime = 10.0;
  r.Zone = -5.0;
  r.Latitude = 40.4225;    // 40 deg 42 min 25 s
  r.Longitude = -74.0041;  // -74 deg 0 min 41 s
  r.PlaceText.Set("New York, NY");
  const auto j = FirstTradeJson(r);
  EXPECT_EQ(j["date"], "1915-11-11");
  EXPECT_EQ(j["time"], "10:00:00");
  EXPECT_EQ(j["zone"], -5.0);
  EXPECT_NEAR(j["latitude"].get<double>(), 40 + 42 / 60.0 + 25 / 3600.0, 1e-6);
  EXPECT_NEAR(j["longitude"].get<double>(), -(74 + 41 / 3600.0), 1e-6);
  EXPECT_EQ(j["place"], "New York, NY");
}

TEST(FindZone, AnyLetterCaseOfTheTableOnly) {
  ASSERT_TRUE(FindZone("est"));
  EXPECT_EQ(FindZone("est")->abbreviation, "EST");
  EXPECT_EQ(FindZone("MOSCOW")->abbreviation, "Moscow");
  EXPECT_DOUBLE_EQ(FindZone("IST")->hours, 5.5);
  EXPECT_DOUBLE_EQ(FindZone("NST")->hours, -3.5);
  EXPECT_FALSE(FindZone("XYZ"));
  EXPECT_FALSE(FindZone(""));
  EXPECT_FALSE(FindZone("ES"));
  EXPECT_EQ(UtcOffsetText(-3.5), "UTC-03:30");
  EXPECT_EQ(UtcOffsetText(10), "UTC+10:00");
  EXPECT_EQ(UtcOffsetText(0), "UTC+00:00");
}

}  // namespace
}  // namespace sd::api
