#pragma once
// The request's query: reading, decoding, parameters, and the zone table.
#include <array>
#include <string>
#include <string_view>

namespace sd {

// The query is read into a buffer of this many bytes, so it holds at most one less.
inline constexpr size_t kQueryBufferSize = 3000;

// QUERY_STRING decoded by DecodeQuery. A missing variable, or one longer than the buffer can
// hold, reads as the empty query: a cut query could turn into another request.
std::string ReadQueryString();

// Replaces, in this order and each throughout the text: "%3A" by ".", "%28" by "(", "%29" by
// ")", "%27" by "'", "%EA" by the byte 0xEA, "%2C" by ",", "+" by a blank. Every other escape
// stays as it is, so a colon escape arrives as a point ('10%3A30' reads as '10.30').
std::string DecodeQuery(std::string_view text);

// The value of the first word (words split at runs of '&') that begins with name + "="; the
// value is the second part of that word split at runs of '='. Empty when there is none.
std::string QueryParam(std::string_view name, std::string_view query);

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
double ZoneOffsetByName(std::string_view abbreviation);

// The text without the characters of code below 33 (blanks, controls) at either end.
// Bytes from 128 up are letters of the code page, not blanks.
std::string TrimBlanks(std::string_view text);

}  // namespace sd
