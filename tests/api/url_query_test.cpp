#include "api/url_query.h"

#include <gtest/gtest.h>

namespace sd::api {
namespace {

TEST(PercentDecode, DecodesEveryEscapeAndKeepsBrokenOnes) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"IBM%20Corp", "IBM Corp"},
      {"AT%26T+Inc", "AT&T Inc"},          // '&' and '+' can be asked for
      {"a%2Bb", "a+b"},
      {"%3a%3A%2c", "::,"},                 // either case, no special meaning for ':' or ','
      {"%D0%9C", "\xD0\x9C"},               // bytes as they are
      {"100%", "100%"},                      // too short: kept
      {"%4", "%4"},
      {"%zz1", "%zz1"},                      // not hex: kept
      {"%%41", "%A"},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentDecode(c.in), c.out) << c.in;
}

TEST(ParseQuery, SplitsBeforeDecodingSoEscapedSeparatorsStayInValues) {
  const QueryParams p = ParseQuery("security=AT%26T%3D1&&zone=EST&flag&security=second");
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(Param(p, "security"), "AT&T=1");  // the first of two wins
  EXPECT_EQ(Param(p, "zone"), "EST");
  EXPECT_EQ(Param(p, "flag"), "");
  EXPECT_FALSE(Param(p, "date").has_value());
  EXPECT_TRUE(ParseQuery("").empty());
}

}  // namespace
}  // namespace sd::api
