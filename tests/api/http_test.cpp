#include "api/http.h"

#include <gtest/gtest.h>

#include <sstream>

#include "api/router.h"

namespace sd::api {
namespace {

TEST(EntityTag, DiffersWhenAnyInputDiffersAndKeepsPartBoundaries) {
  const std::string base = EntityTag({"IBM Corp", "EST", "2026-03-20", "abc"});
  EXPECT_EQ(base, EntityTag({"IBM Corp", "EST", "2026-03-20", "abc"}));
  EXPECT_NE(base, EntityTag({"IBM Corp", "EST", "2026-03-21", "abc"}));
  EXPECT_NE(base, EntityTag({"IBM Corp", "CST", "2026-03-20", "abc"}));
  EXPECT_NE(EntityTag({"ab", "c"}), EntityTag({"a", "bc"}));
  EXPECT_EQ(base.front(), '"');
  EXPECT_EQ(base.back(), '"');
}

TEST(MatchesIfNoneMatch, ListsWeakTagsAndStar) {
  const std::string tag = "\"0123456789abcdef\"";
  EXPECT_TRUE(MatchesIfNoneMatch(tag, tag));
  EXPECT_TRUE(MatchesIfNoneMatch("W/" + tag, tag));
  EXPECT_TRUE(MatchesIfNoneMatch("\"x\", " + tag + " ,\"y\"", tag));
  EXPECT_TRUE(MatchesIfNoneMatch("*", tag));
  EXPECT_FALSE(MatchesIfNoneMatch("", tag));
  EXPECT_FALSE(MatchesIfNoneMatch("\"0123456789abcdee\"", tag));
  EXPECT_FALSE(MatchesIfNoneMatch("0123456789abcdef", tag));  // unquoted is another text
}

TEST(SecondsToNextMidnight, CountsToMidnightOfTheZone) {
  // 2026-03-20 12:00:00 UTC.
  const std::time_t noon = 1774008000;
  const struct {
    double zone;
    long seconds;
  } cases[] = {
      {0, 12 * 3600},
      {-5, 17 * 3600},        // 07:00 in New York
      {5.5, 6 * 3600 + 1800}, // 17:30 in India
      {10, 2 * 3600},         // 22:00 in Guam
      {-10.5, 22 * 3600 + 1800},
  };
  for (const auto& c : cases) EXPECT_EQ(SecondsToNextMidnight(noon, c.zone), c.seconds) << c.zone;
  // At midnight itself the answer holds a whole day.
  EXPECT_EQ(SecondsToNextMidnight(noon - 12 * 3600, 0), 86400);
  EXPECT_EQ(SecondsToNextMidnight(noon - 12 * 3600 - 1, 0), 1);
}

TEST(Problem, IsAProblemDocumentThatIsNeverCached) {
  const Response r = Problem(404, "No security named 'x'.", {{"suggestions", {"IBM Corp"}}});
  EXPECT_EQ(r.status, 404);
  ASSERT_NE(r.Header("content-type"), nullptr);
  EXPECT_EQ(*r.Header("Content-Type"), "application/problem+json; charset=utf-8");
  EXPECT_EQ(*r.Header("Cache-Control"), "no-store");
  const auto doc = nlohmann::json::parse(r.body);
  EXPECT_EQ(doc["type"], "about:blank");
  EXPECT_EQ(doc["title"], "Not Found");
  EXPECT_EQ(doc["status"], 404);
  EXPECT_EQ(doc["detail"], "No security named 'x'.");
  EXPECT_EQ(doc["suggestions"], nlohmann::json({"IBM Corp"}));
}

TEST(WriteCgiResponse, HeadAndNotModifiedCarryNoBody) {
  Response r = JsonResponse({{"a", 1}});
  r.SetHeader("ETag", "\"t\"");
  std::ostringstream get, head, not_modified;
  WriteCgiResponse(r, false, get);
  WriteCgiResponse(r, true, head);
  WriteCgiResponse(NotModified("\"t\"", "max-age=5"), false, not_modified);
  EXPECT_EQ(get.str(),
            "Status: 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nETag: \"t\"\r\n\r\n" +
                r.body);
  EXPECT_EQ(head.str(), get.str().substr(0, get.str().size() - r.body.size()));
  EXPECT_EQ(not_modified.str(),
            "Status: 304 Not Modified\r\nETag: \"t\"\r\nCache-Control: max-age=5\r\n\r\n");
}

TEST(Dispatch, UnknownRoutesAndMethodsAreProblems) {
  const ApiContext context{"/nonexistent/", 0};
  Request post;
  post.method = "POST";
  post.path = "/securities";
  const Response r405 = Dispatch(post, context);
  EXPECT_EQ(r405.status, 405);
  ASSERT_NE(r405.Header("Allow"), nullptr);
  EXPECT_EQ(*r405.Header("Allow"), "GET, HEAD");

  Request unknown;
  unknown.path = "/nothing";
  const Response r404 = Dispatch(unknown, context);
  EXPECT_EQ(r404.status, 404);
  EXPECT_EQ(*r404.Header("Content-Type"), kProblemType);
  EXPECT_TRUE(nlohmann::json::parse(r404.body)["routes"].is_array());

  // A program directory without its database is the service's fault, not the client's.
  Request list;
  list.path = "/securities";
  const Response r500 = Dispatch(list, context);
  EXPECT_EQ(r500.status, 500);
  EXPECT_EQ(nlohmann::json::parse(r500.body)["status"], 500);
  EXPECT_EQ(r500.body.find("/nonexistent"), std::string::npos);  // no paths to the client
}

}  // namespace
}  // namespace sd::api
