// stockdyn events on the installed program directory: the window's events as JSON and CSV.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <set>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "program_copy.h"

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
    EXPECT_EQ(e.size(), 18u) << e.dump();
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
            "sign_name,id,perfects,passage_start,exact,passage_end,closest_separation");
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
      {{"--security", "IBM Corp", "--sky"}, 2, "exclude each other"},
      {{"--sky", "--natal-only"}, 2, "--natal-only needs --security"},
      {{"--sky", "--from", "2026-01-01"}, 2, "--from and --to go together"},
      {{"--sky", "--from", "2026-01-01", "--to", "2025-12-31"}, 2, "must not come before"},
      {{"--sky", "--from", "1900-01-01", "--to", "2000-01-02"}, 2, "at most 100 years"},
      {{"--sky", "--from", "2026-01-01", "--to", "2026-02-01", "--days", "3"}, 2, "exclude each other"},
      {{"--sky", "--at", "2026-03-20", "25:00"}, 2, "--at must be"},
      {{"--sky", "--at", "2026-03-20", "12:00", "--days", "3"}, 2, "--at asks about one moment"},
      {{"--sky", "--orb", "0"}, 2, "--orb must be"},
      {{"--sky", "--orb-moon", "10.5"}, 2, "--orb-moon must be"},
      {{"--sky", "--kinds", "aspect,transit"}, 2, "'transit' is none of"},
      {{"--sky", "--bodies", "Sun,Chiron"}, 2, "'chiron' is not a body"},
      {{"--security", "IBM Corp", "--points", "Asc,Vertex"}, 2, "'vertex' is not a natal point"},
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

// The sky alone over three years, streamed: every New and Full Moon once, by moment, each with
// its own id; the text form counts them at the end.
TEST(EventsCommand, SkyOverYearsWithFilters) {
  const ChildResult r = Events({"--sky", "--from", "2024-01-01", "--to", "2026-12-31", "--kinds", "lunation",
                                "--format", "json"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const nlohmann::json doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["security"], "");
  EXPECT_EQ(doc["from"], "2024-01-01T00:00:00Z");
  EXPECT_EQ(doc["to"], "2027-01-01T00:00:00Z");
  EXPECT_NE(doc["time_scale"].get<std::string>().find("Delta T from observation"), std::string::npos);
  std::set<std::string> ids;
  std::string last;
  for (const auto& e : doc["events"]) {
    EXPECT_EQ(e["type"], "lunation");
    EXPECT_GT(e["utc"].get<std::string>(), last);
    last = e["utc"].get<std::string>();
    ids.insert(e["id"].get<std::string>());
  }
  // 37 synodic months in three years: 74 lunations, give or take one at either end.
  EXPECT_GE(doc["events"].size(), 73u);
  EXPECT_LE(doc["events"].size(), 75u);
  EXPECT_EQ(ids.size(), doc["events"].size());
  // The Full Moon of 2 April 2026 at 02:12 UT (observed Delta T; a minute later on the forecast's).
  EXPECT_EQ(ids.count("lunation-full-20260402T0211Z") + ids.count("lunation-full-20260402T0212Z"), 1u);

  const ChildResult text = Events({"--sky", "--from", "2024-01-01", "--to", "2026-12-31", "--kinds", "lunation",
                                   "--format", "text"});
  ASSERT_EQ(text.exit_status, 0) << text.err;
  EXPECT_NE(text.out.find("\n" + std::to_string(doc["events"].size()) + " events\n"), std::string::npos) << text.out;

  // Only Jupiter's aspects to the natal Sun and Midheaven of IBM Corp, each with its passage.
  const ChildResult natal = Events({"--security", "IBM Corp", "--from", "2025-01-01", "--to", "2027-12-31",
                                    "--natal-only", "--bodies", "Jupiter", "--points", "sun,MC", "--orb", "2"});
  ASSERT_EQ(natal.exit_status, 0) << natal.err;
  const nlohmann::json n = nlohmann::json::parse(natal.out);
  ASSERT_FALSE(n["events"].empty());
  EXPECT_EQ(n["orbs"]["orb"], 2.0);
  for (const auto& e : n["events"]) {
    EXPECT_EQ(e["type"], "aspect");
    EXPECT_EQ(e["body"], 5);
    EXPECT_EQ(e["other_natal"], true);
    EXPECT_TRUE(e["other"] == 0 || e["other"] == 27) << e.dump();
    ASSERT_TRUE(e["passage"].is_object()) << e.dump();
    EXPECT_EQ(e["passage"]["orb"], 2.0);
    EXPECT_LE(e["passage"]["start"].get<std::string>(), e["utc"].get<std::string>());
    EXPECT_GE(e["passage"]["end"].get<std::string>(), e["utc"].get<std::string>());
  }
}

// At one moment: the aspects in orb, each applying or separating, within its orb, inside its
// passage.
TEST(EventsCommand, AspectsInOrbAtAMoment) {
  const ChildResult r = Events({"--security", "IBM Corp", "--zone", "EST", "--at", "2026-03-20", "9:30",
                                "--orb", "3", "--orb-moon", "5"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const nlohmann::json doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["at"], "2026-03-20T14:30:00Z");
  ASSERT_GT(doc["aspects"].size(), 5u);
  bool natal = false, transit = false;
  for (const auto& a : doc["aspects"]) {
    // The Moon's orb for the transit Moon and for pairs with it; natal points take the other.
    const double orb = a["body"] == 1 || (a["other"] == 1 && a["other_natal"] == false) ? 5 : 3;
    EXPECT_LE(std::fabs(a["separation"].get<double>()), orb + 1e-9) << a.dump();
    EXPECT_TRUE(a["state"] == "applying" || a["state"] == "separating") << a.dump();
    EXPECT_EQ(a["passage"]["orb"], orb) << a.dump();
    if (!a["passage"]["start"].is_null()) {
      EXPECT_LE(a["passage"]["start"].get<std::string>(), "2026-03-20T14:30:00Z");
    }
    if (!a["passage"]["end"].is_null()) {
      EXPECT_GE(a["passage"]["end"].get<std::string>(), "2026-03-20T14:30:00Z");
    }
    (a["other_natal"] == true ? natal : transit) = true;
    // The id names the passage by an exact moment (or its closest approach), not by the moment
    // asked about.
    const std::string id = a["id"];
    const nlohmann::json& p = a["passage"];
    std::vector<std::string> moments;
    if (p["perfects"] == true)
      for (const auto& x : p["exact"]) moments.push_back(x.get<std::string>());
    else
      moments.push_back(p["closest"].get<std::string>());
    bool named = false;
    for (const std::string& m : moments)
      named = named || id.find(m.substr(0, 4) + m.substr(5, 2) + m.substr(8, 2) + "T" + m.substr(11, 2)) !=
                           std::string::npos;
    EXPECT_TRUE(named) << id << " " << p.dump();
  }
  EXPECT_TRUE(natal);
  EXPECT_TRUE(transit);
}

// The calendar of a security whose name has a comma, a semicolon and a Cyrillic letter, read by
// Debian's python3-icalendar; the same request gives the same bytes.
class EventsCalendar : public sd::testing::ProgramCopy {};

TEST_F(EventsCalendar, ParsedByARealICalendarReader) {
  // Code page 1251 in the database, UTF-8 on the command line and in the calendar.
  const std::string name = "Smith, Jones; \xd0\x96uk";
  std::ofstream(root_ / "in.csv") << "name,date,time,zone_hours,place,latitude,longitude\n"
                                     "\"" << name << "\",1911-06-16,10:00,-5,New York,40.7,-74\n";
  const ChildResult import = sd::testing::RunTool(
      {"natal", "import", "--force", (root_ / "in.csv").string(), (exe_dir_ / "Nyse.mil").string()}, 60.0);
  ASSERT_EQ(import.exit_status, 0) << import.err;
  const std::vector<std::string> args = {"--security", name, "--dir", exe_dir_.string(), "--zone", "EST",
                                         "--date", "2026-03-20", "--format", "ics"};
  const ChildResult r = Events(args);
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(Events(args).out, r.out);
  const std::string path = (root_ / "events.ics").string();
  std::ofstream(path, std::ios::binary) << r.out;
  const ChildResult check = sd::testing::RunChild(
      {"/usr/bin/python3", std::string(STOCKDYN_SOURCE_DIR) + "/tests/integration/ics_check.py", path, name},
      {"PATH=/usr/bin:/bin"}, 60.0);
  ASSERT_EQ(check.exit_status, 0) << check.out << check.err;
  const nlohmann::json seen = nlohmann::json::parse(check.out);
  EXPECT_GT(seen["events"].get<int>(), 50);
  EXPECT_GT(seen["with_end"].get<int>(), 20);
  EXPECT_GT(seen["folded_lines"].get<int>(), 0);
}

}  // namespace
}  // namespace sd
