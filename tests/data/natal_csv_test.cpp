#include "data/natal_csv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "data/cp1251.h"

namespace sd::data {
namespace {

const char kHeader[] = "name,ticker,date,time,zone_hours,place,latitude,longitude,source\n";

std::string ShippedCsv() {
  std::ifstream in(std::string(STOCKDYN_SOURCE_DIR) + "/assets/first-trades.csv", std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Splits simple CSV rows (quotes only around whole fields, no doubled quotes inside).
std::vector<std::vector<std::string>> Rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f;
    std::string cur;
    bool q = false;
    for (char c : line) {
      if (c == '"') q = !q;
      else if (c == ',' && !q) f.push_back(std::exchange(cur, ""));
      else cur += c;
    }
    f.push_back(cur);
    rows.push_back(f);
  }
  return rows;
}

TEST(NatalCsv, ShippedFileRoundTripsThroughTheDatabase) {
  const std::string csv = ShippedCsv();
  ASSERT_FALSE(csv.empty());
  const std::vector<NatalRecord> records = ParseNatalCsv(csv, false);
  const std::string exported = FormatNatalCsv(records);

  const auto in = Rows(csv);
  const auto out = Rows(exported);
  ASSERT_EQ(in.size(), out.size());
  std::map<std::string, size_t> col;
  for (size_t i = 0; i < in[0].size(); ++i) col[in[0][i]] = i;
  EXPECT_EQ(out[0], (std::vector<std::string>{"name", "date", "time", "zone_hours", "place",
                                              "latitude", "longitude"}));
  for (size_t r = 1; r < in.size(); ++r) {
    const auto& a = in[r];
    const auto& b = out[r];
    ASSERT_EQ(b.size(), 7u);
    EXPECT_EQ(b[0], a[col["name"]]);
    EXPECT_EQ(b[1], a[col["date"]]);
    EXPECT_EQ(b[2], a[col["time"]]);
    EXPECT_EQ(b[4], a[col["place"]]);
    // Zones and co-ordinates are stored to the whole second of time or arc.
    const double half_second = 0.5 / 3600 + 1e-9;
    EXPECT_NEAR(std::stod(b[3]), std::stod(a[col["zone_hours"]]), half_second) << a[0];
    EXPECT_NEAR(std::stod(b[5]), std::stod(a[col["latitude"]]), half_second) << a[0];
    EXPECT_NEAR(std::stod(b[6]), std::stod(a[col["longitude"]]), half_second) << a[0];
  }
  // The export reads back into the very same records, and exports to the same text.
  const std::vector<NatalRecord> again = ParseNatalCsv(exported, false);
  ASSERT_EQ(again.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i)
    EXPECT_EQ(EncodeNatalRecord(again[i]), EncodeNatalRecord(records[i])) << i;
  EXPECT_EQ(FormatNatalCsv(again), exported);
}

TEST(NatalCsv, ScrambledImportExportsTheSameNames) {
  const std::string csv = std::string(kHeader) +
                          "ABC@Q1,A,2000-06-15,10:30:00,3,Moscow,55.7558,37.6173,s\n"
                          "\"Big, Co@X@Y\",B,1999-01-22,09:30:00,-5,\"New York, NY\",40.7564,-73.9862,s\n";
  const auto recs = ParseNatalCsv(csv, true);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_TRUE(IsScrambled(recs[0]));
  EXPECT_EQ(recs[1].NameSuffix.View(), "X@Y");
  std::vector<NatalRecord> read;
  for (const NatalRecord& r : recs) {
    NatalRecord back = DecodeNatalRecord(EncodeNatalRecord(r));
    UnscrambleNatalRecord(back);
    read.push_back(back);
  }
  const auto rows = Rows(FormatNatalCsv(read));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][0], "ABC@Q1");
  EXPECT_EQ(rows[1][2], "10:30:00");
  EXPECT_EQ(rows[2][0], "Big, Co@X@Y");
  EXPECT_EQ(rows[2][5], "40.756389");  // 40 deg 45 min 23 s
}

TEST(NatalCsv, PacksTimesZonesAndCoordinates) {
  struct Case {
    const char *time, *zone, *lat, *lon;
    double packed_time, packed_zone, packed_lat, packed_lon;
  };
  const Case cases[] = {
      {"10:00:42", "-4", "40.7069", "-74.0113", 10.0042, -4.0, 40.4225, -74.0041},
      {"09:30", "-4.933889", "55.7558", "37.6173", 9.3, -4.5602, 55.4521, 37.3702},
      {"23:59:59", "5:30", "-33.8688", "151.2093", 23.5959, 5.3, -33.5208, 151.1233},
      {"00:00:00", "-3:30", "0", "-0.5", 0.0, -3.3, 0.0, -0.3},
  };
  for (const Case& c : cases) {
    const std::string csv = std::string(kHeader) + "X,T,2000-01-01," + c.time + "," + c.zone +
                            ",P," + c.lat + "," + c.lon + ",s\n";
    const NatalRecord r = ParseNatalCsv(csv, false).at(0);
    EXPECT_NEAR(r.LocalTime, c.packed_time, 1e-9) << c.time;
    EXPECT_NEAR(r.Zone, c.packed_zone, 1e-9) << c.zone;
    EXPECT_NEAR(r.Latitude, c.packed_lat, 1e-9) << c.lat;
    EXPECT_NEAR(r.Longitude, c.packed_lon, 1e-9) << c.lon;
  }
}

TEST(NatalCsv, StoresTextInCodePage1251) {
  const std::string csv = std::string(kHeader) +
                          "Rosneft Oil Co,ROSN,2006-07-19,10:30:00,4,Москва,55.7558,37.6173,s\n";
  const NatalRecord r = ParseNatalCsv(csv, false).at(0);
  EXPECT_EQ(r.PlaceText.View(), "\xCC\xEE\xF1\xEA\xE2\xE0");
  EXPECT_EQ(Rows(FormatNatalCsv({r}))[1][4], "Москва");
}

TEST(NatalCsv, BadRowsNameTheLineAndTheField) {
  const std::string good = "IBM Corp,IBM,1924-02-14,10:00:00,-5,\"New York, NY\",40.7069,-74.0113,s";
  struct Case {
    std::string row;
    const char* field;  // "" for a row that is broken as a whole
    bool scramble = false;
  };
  const Case cases[] = {
      {"Bad,B,1924-02-30,10:00:00,-5,NY,40,-74,s", "date"},
      {"Bad,B,1900-02-29,10:00:00,-5,NY,40,-74,s", "date"},  // no leap day in 1900
      {"Bad,B,1924-13-01,10:00:00,-5,NY,40,-74,s", "date"},
      {"Bad,B,1924-2-14,10:00:00,-5,NY,40,-74,s", "date"},
      {"Bad,B,14.02.1924,10:00:00,-5,NY,40,-74,s", "date"},
      {"Bad,B,1924-02-14,24:00:00,-5,NY,40,-74,s", "time"},
      {"Bad,B,1924-02-14,10:60,-5,NY,40,-74,s", "time"},
      {"Bad,B,1924-02-14,10,-5,NY,40,-74,s", "time"},
      {"Bad,B,1924-02-14,10:00:00,EST,NY,40,-74,s", "zone_hours"},
      {"Bad,B,1924-02-14,10:00:00,16,NY,40,-74,s", "zone_hours"},
      {"Bad,B,1924-02-14,10:00:00,1e1,NY,40,-74,s", "zone_hours"},
      {"Bad,B,1924-02-14,10:00:00,-5,NY,91,-74,s", "latitude"},
      {"Bad,B,1924-02-14,10:00:00,-5,NY,nan,-74,s", "latitude"},
      {"Bad,B,1924-02-14,10:00:00,-5,NY,40,-74W,s", "longitude"},
      {"Bad,B,1924-02-14,10:00:00,-5,NY,40,,s", "longitude"},
      {std::string(101, 'n') + ",B,1924-02-14,10:00:00,-5,NY,40,-74,s", "name"},
      {",B,1924-02-14,10:00:00,-5,NY,40,-74,s", "name"},
      {"  ,B,1924-02-14,10:00:00,-5,NY,40,-74,s", "name"},
      {"Tab\there,B,1924-02-14,10:00:00,-5,NY,40,-74,s", "name"},
      {"Check \xE2\x9C\x93,B,1924-02-14,10:00:00,-5,NY,40,-74,s", "name"},  // not in the code page
      {"Bad \xC0\x80,B,1924-02-14,10:00:00,-5,NY,40,-74,s", "name"},         // overlong UTF-8
      {" IBM Corp ,B,1924-02-14,10:00:00,-5,NY,40,-74,s", "name"},  // same as line 2 once trimmed
      {"Bad,B,1924-02-14,10:00:00,-5," + std::string(79, 'p') + ",40,-74,s", "place"},
      {"Plain,B,1924-02-14,10:00:00,-5,NY,40,-74,s", "name", true},  // no @SUFFIX
      {std::string(60, 'n') + "@" + std::string(40, 's') + ",B,1924-02-14,10:00:00,-5,NY,40,-74,s",
       "name", true},  // 101 characters once read back
      {"Bad,B,1924-02-14,10:00:00,-5,NY,40,-74", ""},
      {"\"Bad,B,1924-02-14,10:00:00,-5,NY,40,-74,s", ""},
      {"\"Bad\"x,B,1924-02-14,10:00:00,-5,NY,40,-74,s", ""},
  };
  // The character the code page cannot store is named, so the user knows what to change.
  try {
    ParseNatalCsv(std::string(kHeader) + "Soci\xC3\xA9t\xC3\xA9 G\xC3\xA9n\xC3\xA9rale,B,1924-02-14,10:00:00,1,Paris,48,2,s\n", false);
    ADD_FAILURE() << "accepted";
  } catch (const NatalCsvError& e) {
    EXPECT_NE(std::string(e.what()).find("'\xC3\xA9' (U+00E9) is not a character of code page 1251"), std::string::npos)
        << e.what();
  }
  for (const Case& c : cases) {
    // The bad row comes after a blank line and a CR LF line, so it is line 4 of the file.
    std::string g = good;
    if (c.scramble) g.replace(0, 8, "IBM Corp@Q");
    const std::string csv = std::string(kHeader) + g + "\r\n\n" + c.row + "\n";
    try {
      ParseNatalCsv(csv, c.scramble);
      ADD_FAILURE() << "accepted: " << c.row;
    } catch (const NatalCsvError& e) {
      EXPECT_EQ(e.line(), 4) << c.row << ": " << e.what();
      EXPECT_EQ(e.field(), c.field) << c.row << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("line 4"), std::string::npos) << e.what();
    }
  }
}

// Names are text: the characters of markup, quotes and the ampersand of "AT&T" are stored as
// typed and come back unchanged; escaping is each output's business.
TEST(NatalCsv, NamesKeepMarkupCharactersAndQuotes) {
  const std::vector<std::string> names = {"AT&T Corp", "McDonald's Corp", "Say \"hi\"",
                                          "X<script>alert(1)</script>", "a>b; c, d"};
  std::string csv = kHeader;
  for (const std::string& n : names) {
    std::string quoted = "\"";
    for (char c : n) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    csv += quoted + "\",B,1924-02-14,10:00:00,-5,NY,40,-74,s\n";
  }
  const std::vector<NatalRecord> records = ParseNatalCsv(csv, false);
  ASSERT_EQ(records.size(), names.size());
  const std::vector<NatalRecord> again = ParseNatalCsv(FormatNatalCsv(records), false);
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(records[i].Name.View(), names[i]);
    EXPECT_EQ(again.at(i).Name.View(), names[i]) << "export and import again";
  }
}

TEST(NatalCsv, HeaderMustNameTheStoredColumns) {
  try {
    ParseNatalCsv("name,date,time,place,latitude,longitude\nX,2000-01-01,10:00,P,1,2\n", false);
    ADD_FAILURE() << "accepted a header without zone_hours";
  } catch (const NatalCsvError& e) {
    EXPECT_EQ(e.line(), 1);
    EXPECT_EQ(e.field(), "zone_hours");
  }
  EXPECT_THROW(ParseNatalCsv("", false), NatalCsvError);
  // A header alone is an empty database, and the columns may come in any order.
  EXPECT_TRUE(ParseNatalCsv("longitude,latitude,place,zone_hours,time,date,name\n", false).empty());
  const auto r = ParseNatalCsv(
      "longitude,latitude,place,zone_hours,time,date,name\n-74,40,NY,-5,10:00,1924-02-14,IBM Corp\n",
      false);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].Name.View(), "IBM Corp");
  EXPECT_EQ(r[0].Longitude, -74.0);
}

TEST(NatalCsv, ExportRefusesFieldsWithoutReadableForm) {
  NatalRecord ok;
  ok.Year = 2000;
  ok.Month = 1;
  ok.Day = 1;
  ok.Name.Set("Ok");
  struct Case {
    NatalRecord rec;
    const char* field;
  };
  std::vector<Case> cases;
  auto add = [&](auto change, const char* field) {
    NatalRecord r = ok;
    change(r);
    cases.push_back({r, field});
  };
  add([](NatalRecord& r) { r.Month = 77; }, "date");
  add([](NatalRecord& r) { r.Year = 30000; }, "date");
  add([](NatalRecord& r) { r.LocalTime = std::nan(""); }, "time");
  add([](NatalRecord& r) { r.LocalTime = 24.0; }, "time");
  add([](NatalRecord& r) { r.LocalTime = 10.75; }, "time");  // 75 minutes
  add([](NatalRecord& r) { r.Zone = 1e300; }, "zone_hours");
  add([](NatalRecord& r) { r.Latitude = -95; }, "latitude");
  add([](NatalRecord& r) { r.Longitude = std::nan(""); }, "longitude");
  for (const Case& c : cases) {
    try {
      FormatNatalCsv({ok, c.rec});
      ADD_FAILURE() << "exported a bad " << c.field;
    } catch (const NatalCsvError& e) {
      EXPECT_EQ(e.field(), c.field) << e.what();
      EXPECT_EQ(e.line(), 3) << e.what();
    }
  }
}

TEST(Cp1251, EveryByteSurvivesUtf8AndBack) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  const auto back = Utf8ToCp1251(Cp1251ToUtf8(all));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, all);
  EXPECT_EQ(Cp1251ToUtf8("\xCC\xEE\xF1\xEA\xE2\xE0"), "Москва");
  EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8\xB9\x88"), "Ёё№€");
  for (const char* bad : {"\xC0\x80", "\xD0", "\xE2\x82", "\xFF", "\xF0\x9F\x98\x80"})
    EXPECT_FALSE(Utf8ToCp1251(bad).has_value()) << bad;
}

}  // namespace
}  // namespace sd::data
