#pragma once
// The zone table: the abbreviations a request, the command line and the API accept for a time
// zone, with their offsets.
#include <array>
#include <string_view>

namespace sd::data {

struct ZoneRow {
  double value;              // packed hours east of Greenwich (9.3 is 9 h 30 min)
  const char* abbreviation;  // compared exactly, case-sensitively
};
inline constexpr int kZoneCount = 25;
// Searched in this order; the first equal abbreviation wins.
inline constexpr std::array<ZoneRow, kZoneCount> ZoneTable = {{
    {10.0, "GST"}, {9.0, "JST"},   {10.0, "AEST"}, {9.3, "ACST"}, {8.0, "AWST"},
    {8.0, "CCT"},  {7.3, "JT"},    {7.0, "SSUT"},  {5.3, "IST"},  {0.0, "GMT"},
    {1.0, "CET"},  {2.0, "EET"},   {3.0, "Moscow"}, {-3.3, "NST"}, {-4.0, "EWT"},
    {-4.0, "AST"}, {-5.0, "EST"},  {-5.0, "CWT"},  {-6.0, "CST"}, {-6.0, "MDT"},
    {-7.0, "MST"}, {-7.0, "PDT"},  {-8.0, "PST"},  {-10.0, "AHST"}, {-10.3, "HST"},
}};

// What ZoneOffsetByName answers for a text that is no abbreviation of the table.
inline constexpr double kUnknownZone = -1000.0;
// The table's offset of the abbreviation (compared exactly), else kUnknownZone.
double ZoneOffsetByName(std::string_view abbreviation);

}  // namespace sd::data
