#include "host/query.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace sd::host {
namespace {

TEST(DecodeQuery, DecodesOnlyItsOwnEscapes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"10%3A30", "10.30"},
      {"IBM+Corp", "IBM Corp"},
      {"A%2C+B+%28Class+A%29", "A, B (Class A)"},
      {"O%27Neil", "O'Neil"},
      {"%EA", "\xEA"},
      // No other escape is decoded, and the decoded lower-case forms are not either.
      {"a%26b%3Dc%20d%3a%2c%25", "a%26b%3Dc%20d%3a%2c%25"},
      // "%25" is no escape here, so "%253A" keeps its "%25" and the "3A" after it.
      {"%253A", "%253A"},
      {"%00../x", "%00../x"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeQuery(c.in), c.out) << c.in;
}

TEST(QueryParam, FindsTheFirstWholeParameter) {
  struct Case {
    const char* name;
    const char* query;
    const char* value;
  } cases[] = {
      {"TRS_TZ", "TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM", "EST"},
      {"D3_NATAL_DATA_TOWNS", "TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM", "IBM"},
      {"D3_NATAL_DATA_TOWNS", "a=1&&D3_NATAL_DATA_TOWNS=X", "X"},
      {"D3_NATAL_DATA_TOWNS", "XD3_NATAL_DATA_TOWNS=Y", ""},
      {"D3_NATAL_DATA_TOWNS", "XD3_NATAL_DATA_TOWNS=Y&D3_NATAL_DATA_TOWNS=Z", "Z"},
      {"TRS_TZ", "TRS_TZ=EST=1", "EST"},
      {"TRS_TZ", "TRS_TZ==EST", "EST"},
      {"TRS_TZ", "TRS_TZ=", ""},
      {"TRS_TZ", "TRS_TZ", ""},
      {"TRS_TZ", "trs_tz=EST", ""},
      {"TRS_TZ", "TRS_TZ=PST&TRS_TZ=EST", "PST"},
      {"TRS_TZ", "TRS_TZX=EST", ""},
      {"TRS_TZ", "", ""},
      {"TRS_TZ", "&&&===&&", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(QueryParam(c.name, c.query), c.value) << c.query;
}

TEST(ReadQueryString, MissingOrOverlongQueryReadsAsEmpty) {
  unsetenv("QUERY_STRING");
  EXPECT_EQ(ReadQueryString(), "");

  const std::string longest = "D3_NATAL_DATA_TOWNS=" + std::string(2999 - 20, 'A');
  setenv("QUERY_STRING", longest.c_str(), 1);
  EXPECT_EQ(ReadQueryString(), longest);

  setenv("QUERY_STRING", (longest + "A").c_str(), 1);
  EXPECT_EQ(ReadQueryString(), "");

  setenv("QUERY_STRING", "TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM+Corp%2C+Inc", 1);
  EXPECT_EQ(ReadQueryString(), "TRS_TZ=EST&D3_NATAL_DATA_TOWNS=IBM Corp, Inc");
  unsetenv("QUERY_STRING");
}

}  // namespace
}  // namespace sd::host
