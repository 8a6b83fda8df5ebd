// stockdyn events on the installed program directory: the window's events as JSON and CSV.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"

namespace sd {
namespace {

using sd::testing::ChildResult;

ChildResult Events(std::vector<std::string> args) {
  args.insert(args.begin(), "events");
  return sd::testing::RunTool(args, 120.0);
}

TEST(EventsCommand, WindowOfTheForecastWithItsLunationStationAndSections) {
  const ChildResult r =
      Events({"--security", "IBM Corp", "--zone", "EST", "--date", "2026-03-20", "--format", "json"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
  ASSERT_FALSE(doc.is_discarded()) << r.out.substr(0, 200);
  EXPECT_EQ(doc["security"], "IBM Corp");
  EXPECT_EQ(doc["zone"], -5.0);
  EXPECT_EQ(doc["from"], "2026-03-20T05:00:00Z");
  EXPECT_EQ(doc["to"], "2026-04-09T05:00:00Z");

  const auto& events = doc["events"];
  ASSERT_GT(events.size(), 50u);
  std::vector<std::string> lunations, stations;
  bool natal_aspect_with_section = false;
  double last = -1e300;
  for (const auto& e : events) {
    EXPECT_EQ(e.size(), 16u) << e.dump();
    // Each driven section comes with its title, in the same order.
    ASSERT_EQ(e["titles"].size(), e["sections"].size()) << e.dump();
    for (const auto& title : e["titles"]) EXPECT_FALSE(title.get<std::string>().empty()) << e.dump();
    const double moment = e["moment"].get<double>();
    EXPECT_GE(moment, last);
    last = moment;
    const std::string utc = e["utc"];
    EXPECT_GE(utc, doc["from"].get<std::string>());
    EXPECT_LE(utc, doc["to"].get<std::string>());
    if (e["type"] == "lunation") lunations.push_back(utc.substr(0, 10) + " " + e["aspect"].dump());
    if (e["type"] == "station") stations.push_back(e["name"].get<std::string>());
    if (e["type"] == "aspect" && e["other_natal"] == true && !e["sections"].empty())
      natal_aspect_with_section = true;
    if (e["type"] == "ingress") {
      EXPECT_TRUE(e["sign"].is_number()) << e.dump();
      EXPECT_TRUE(e["direction"] == "forward" || e["direction"] == "backward") << e.dump();
    }
  }
  // The New Moon of 19 March falls before the window; the Full Moon of 2 April in it.
  EXPECT_EQ(lunations, (std::vector<std::string>{"2026-04-02 180.0"}));
  // Mercury turns direct on 20 March 2026.
  EXPECT_EQ(stations, (std::vector<std::string>{"Mercury turns direct"}));
  EXPECT_TRUE(natal_aspect_with_section);
}

TEST(EventsCommand, CsvHasARowPerEventOfTheJson) {
  const std::vector<std::string> args = {"--security", "IBM Corp", "--zone", "-5", "--date",
                                         "2026-03-20", "--days", "5"};
  const ChildResult json = Events(args);
  std::vector<std::string> csv_args = args;
  csv_args.insert(csv_args.end(), {"--format", "csv"});
  const ChildResult csv = Events(csv_args);
  ASSERT_EQ(json.exit_status, 0) << json.err;
  ASSERT_EQ(csv.exit_status, 0) << csv.err;
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  std::istringstream lines(csv.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line,
            "type,moment,utc,local,body,other,other_natal,aspect,sign,direction,sections,name,body_name,other_name,"
            "sign_name");
  size_t i = 0;
  for (; std::getline(lines, line); ++i) {
    ASSERT_LT(i, doc["events"].size());
    const auto& e = doc["events"][i];
    EXPECT_EQ(line.substr(0, line.find(',')), e["type"].get<std::string>());
    EXPECT_NE(line.find("," + e["utc"].get<std::string>() + "," + e["local"].get<std::string>() + ","),
              std::string::npos) << line;
    EXPECT_NE(line.find("," + e["name"].get<std::string>() + ","), std::string::npos) << line;
  }
  EXPECT_EQ(i, doc["events"].size());
  EXPECT_EQ(doc["to"], "2026-03-25T05:00:00Z");
}

TEST(EventsCommand, UsageAndWorkFailures) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"--zone", "EST"}, 2, "--security"},
      {{"--security", "IBM Corp", "--days", "0"}, 2, "--days"},
      {{"--security", "IBM Corp", "--days", "367"}, 2, "--days"},
      {{"--security", "IBM Corp", "--days", "2.5"}, 2, "--days"},
      {{"--security", "IBM Corp", "--format", "xml"}, 2, "--format"},
      {{"--security", "IBM Corp", "--zone", "XYZ"}, 2, "EST"},
      {{"--security", "IBM Corp", "--date", "2026-02-30"}, 2, "--date"},
      {{"--security", "IBM Corp", "--date", "1582-10-14"}, 2, "there is no date 1582-10-14"},
      {{"--security", "No Such Company"}, 1, "no security named"},
      {{"--security", "IBM Corp", "--model", "/nonexistent/model.hyp"}, 1, "/nonexistent/model.hyp"},
  };
  for (const Case& c : cases) {
    const ChildResult r = Events(c.args);
    EXPECT_EQ(r.exit_status, c.status) << c.args.back() << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out.substr(0, 100);
  }
}

// Positions outside the years a series was fitted to are given, with a warning in the document
// and on stderr; no event is listed past the last accepted date.
TEST(EventsCommand, WarnsOutsideTheSeriesYearsAndStopsAtTheLastDate) {
  const ChildResult end = Events({"--security", "IBM Corp", "--zone", "GMT", "--date", "9999-12-25", "--format", "json"});
  ASSERT_EQ(end.exit_status, 0) << end.err;
  const nlohmann::json doc = nlohmann::json::parse(end.out);
  ASSERT_FALSE(doc["events"].empty());
  EXPECT_LE(doc["events"].back()["utc"].get<std::string>(), "9999-12-31T23:59:59Z");
  ASSERT_EQ(doc["warnings"].size(), 1u) << doc["warnings"];
  EXPECT_NE(doc["warnings"][0].get<std::string>().find("Pluto"), std::string::npos);
  EXPECT_NE(end.err.find("warning: the window: Pluto"), std::string::npos) << end.err;

  const ChildResult now = Events({"--security", "IBM Corp", "--zone", "EST", "--date", "2026-03-20", "--format", "json"});
  ASSERT_EQ(now.exit_status, 0) << now.err;
  EXPECT_EQ(nlohmann::json::parse(now.out)["warnings"], nlohmann::json::array());
  EXPECT_EQ(now.err, "");
}

}  // namespace
}  // namespace sd
