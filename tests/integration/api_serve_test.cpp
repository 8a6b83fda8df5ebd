// The JSON API through the web server, as a browser or a script reaches it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "child_process.h"
#include "program_copy.h"
#include "text_scan.h"
#include "web_server.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using sd::testing::HttpGet;
using sd::testing::HttpReply;
using sd::testing::StartServer;

const std::string kApi = "/Exe/srv_stock_api";

// The value of a response header, empty when absent.
std::string HeaderValue(const HttpReply& r, const std::string& name) {
  const std::string& h = r.headers;
  for (size_t at = h.find("\r\n"); at != std::string::npos; at = h.find("\r\n", at + 2)) {
    const size_t start = at + 2;
    const size_t end = std::min(h.find("\r\n", start), h.size());
    const std::string_view line = std::string_view(h).substr(start, end - start);
    if (line.size() <= name.size() || line[name.size()] != ':' ||
        !sd::testing::ContainsIgnoringCase(line.substr(0, name.size()), name))
      continue;
    const size_t value = line.find_first_not_of(' ', name.size() + 1);
    return value == std::string_view::npos ? "" : std::string(line.substr(value));
  }
  return "";
}

// The comma-separated fields of a CSV line; a field in double quotes may hold commas.
std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') quoted = !quoted;
    else if (c == ',' && !quoted) fields.emplace_back();
    else fields.back() += c;
  }
  return fields;
}

// One server of the built web root for every test of this suite (each start costs a second).
class ApiServe : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = StartServer(fs::path(STOCKDYN_EXE_DIR).parent_path().string()).release();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(server_, nullptr) << "lighttpd did not come up"; }

  static HttpReply Get(const std::string& target, std::vector<std::string> headers = {}) {
    return HttpGet(server_->port(), target, headers, 120.0);
  }

  static sd::testing::Server* server_;
};
sd::testing::Server* ApiServe::server_ = nullptr;

TEST_F(ApiServe, SecuritiesAndZones) {
  const HttpReply list = Get(kApi + "/securities");
  ASSERT_EQ(list.status, 200) << list.headers << list.body;
  EXPECT_EQ(HeaderValue(list, "Content-Type"), "application/json; charset=utf-8");
  EXPECT_FALSE(HeaderValue(list, "ETag").empty());
  const json doc = json::parse(list.body);
  const json& all = doc["securities"];
  ASSERT_GT(all.size(), 10u);
  const auto ibm = std::find_if(all.begin(), all.end(), [](const json& s) { return s["name"] == "IBM Corp"; });
  ASSERT_NE(ibm, all.end());
  // The row of the shipped source: name,ticker,exchange,date,time,basis,zone,place,lat,lon,...
  std::ifstream csv(std::string(STOCKDYN_SOURCE_DIR) + "/assets/first-trades.csv");
  std::string line;
  while (std::getline(csv, line) && line.rfind("IBM Corp,", 0) != 0) {
  }
  const std::vector<std::string> m = CsvFields(line);
  ASSERT_GE(m.size(), 10u) << line;
  ASSERT_EQ(m[0], "IBM Corp") << line;
  const json& ft = (*ibm)["first_trade"];
  EXPECT_EQ(ft["date"], m[3]) << ft;
  EXPECT_EQ(ft["time"], m[4]);
  EXPECT_NEAR(ft["zone"].get<double>(), std::stod(m[6]), 1e-6);
  EXPECT_NEAR(ft["latitude"].get<double>(), std::stod(m[8]), 1e-4);
  EXPECT_NEAR(ft["longitude"].get<double>(), std::stod(m[9]), 1e-4);

  // Both lists are tagged by their bytes, and a client holding the tag is told it is current.
  for (const std::string route : {"/securities", "/zones"}) {
    const HttpReply first = Get(kApi + route);
    const std::string tag = HeaderValue(first, "ETag");
    ASSERT_FALSE(tag.empty()) << route;
    const HttpReply again = Get(kApi + route, {"If-None-Match: " + tag});
    EXPECT_EQ(again.status, 304) << route;
    EXPECT_TRUE(again.body.empty()) << route;
    EXPECT_EQ(HeaderValue(again, "ETag"), tag) << route;
    EXPECT_EQ(HeaderValue(again, "Cache-Control"), HeaderValue(first, "Cache-Control")) << route;
    EXPECT_EQ(Get(kApi + route, {"If-None-Match: \"other\""}).status, 200) << route;
  }

  const json zones = json::parse(Get(kApi + "/zones").body)["zones"];
  ASSERT_EQ(zones.size(), 25u);
  EXPECT_EQ(zones[0]["abbreviation"], "GST");
  EXPECT_EQ(zones[3]["utc_offset"], "UTC+09:30");  // ACST, packed 9.3
}

// What `stockdyn forecast` prints for the same request.
json ToolForecast(const std::vector<std::string>& extra) {
  std::vector<std::string> argv = {std::string(STOCKDYN_BINARY_DIR) + "/stockdyn", "forecast",
                                   "--security", "IBM Corp", "--zone", "EST", "--date", "2026-03-20",
                                   "--dir", STOCKDYN_EXE_DIR};
  argv.insert(argv.end(), extra.begin(), extra.end());
  const auto run = sd::testing::RunChild(argv, {"PATH=/usr/bin:/bin"}, 120.0);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  return json::parse(run.out, nullptr, false);
}

TEST_F(ApiServe, ForecastEqualsTheToolRowForRow) {
  const std::string target =
      kApi + "/forecast?security=IBM%20Corp&zone=EST&date=2026-03-20&explain=1";
  const HttpReply r = Get(target);
  ASSERT_EQ(r.status, 200) << r.body;
  EXPECT_EQ(HeaderValue(r, "Content-Type"), "application/json; charset=utf-8");
  const json api = json::parse(r.body);
  const json tool = ToolForecast({"--explain"});
  ASSERT_EQ(api["rows"].size(), 41u);
  EXPECT_EQ(api["rows"], tool["rows"]);
  EXPECT_EQ(api["security"], "IBM Corp");
  EXPECT_EQ(api["zone"], -5.0);
  EXPECT_EQ(api["natal"]["time"], "10:00:00");
  EXPECT_EQ(api["model"]["name"], "stock.hyp");
  EXPECT_TRUE(api["model"]["hash"].is_string());
  // Each section's "_H" line of the shipped model, as a reader is shown it beside the id.
  std::map<std::string, std::string> titles;
  {
    std::ifstream model(std::string(STOCKDYN_EXE_DIR) + "/stock.hyp", std::ios::binary);
    std::string line, section;
    while (std::getline(model, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > 2 && line.front() == '[' && line.back() == ']') section = line.substr(1, line.size() - 2);
      else if (line.rfind("_H=", 0) == 0) titles[section] = line.substr(3);
    }
  }
  size_t explained = 0;
  for (const json& row : api["rows"]) {
    double sum = 0;
    for (const json& c : row["contributions"]) {
      EXPECT_TRUE(c["section"].is_string() && c["weight"].is_number());
      const std::string& title = titles[c["section"].get<std::string>()];
      if (std::all_of(title.begin(), title.end(), [](char ch) { return ch > 0; })) {  // ASCII: same bytes in UTF-8
        EXPECT_EQ(c["title"], title) << c["section"];
      }
      EXPECT_NE(c["value"].get<double>(), 0.0);
      sum += c["value"].get<double>();
    }
    EXPECT_NEAR(sum, row["value"].get<double>(), 1e-9) << row["local"];
    explained += !row["contributions"].empty();
  }
  EXPECT_GT(explained, 30u);  // the shipped model says something on most days

  // Without explain, no contributions; the values stay.
  const json plain = json::parse(Get(kApi + "/forecast?security=IBM+Corp&zone=est&date=2026-03-20").body);
  ASSERT_EQ(plain["rows"].size(), 41u);
  EXPECT_FALSE(plain["rows"][0].contains("contributions"));
  EXPECT_EQ(plain["rows"][7]["value"], api["rows"][7]["value"]);

  // The band: the same 41 moments for the first-trade time an hour off, and not the curve.
  const json band = json::parse(
      Get(kApi + "/forecast?security=IBM%20Corp&zone=EST&date=2026-03-20&band=1").body)["band"];
  ASSERT_EQ(band["earlier"].size(), 41u);
  ASSERT_EQ(band["later"].size(), 41u);
  EXPECT_NE(band["earlier"], band["later"]);
}

// A zone of the time-zone database takes the offset of the day asked for, summer time included:
// the forecast is the tool's for that name and date, and the fixed offset's of the same hours.
TEST_F(ApiServe, DatabaseZonesTakeTheOffsetOfTheDay) {
  struct Case {
    const char* date;
    double hours;
    const char* abbreviation;
  };
  for (const Case& c : {Case{"2026-06-15", -4.0, "EDT"}, Case{"2026-01-15", -5.0, "EST"}}) {
    SCOPED_TRACE(c.date);
    const HttpReply r = Get(kApi + "/forecast?security=IBM%20Corp&zone=America/New_York&date=" + c.date);
    ASSERT_EQ(r.status, 200) << r.body;
    const json api = json::parse(r.body);
    EXPECT_EQ(api["zone"], c.hours);
    EXPECT_EQ(api["zone_abbreviation"], c.abbreviation);
    EXPECT_EQ(api["zone_name"], "America/New_York");
    for (const std::string zone : {"America/New_York", c.hours == -4.0 ? "-4" : "-5"}) {
      const auto run = sd::testing::RunChild({std::string(STOCKDYN_BINARY_DIR) + "/stockdyn", "forecast", "--security",
                                              "IBM Corp", "--zone", zone, "--date", c.date, "--dir", STOCKDYN_EXE_DIR},
                                             {"PATH=/usr/bin:/bin"}, 120.0);
      ASSERT_EQ(run.exit_status, 0) << run.err;
      EXPECT_EQ(json::parse(run.out)["rows"], api["rows"]) << zone;
    }
    EXPECT_EQ(Get(kApi + "/events?security=IBM%20Corp&zone=America/New_York&date=" + c.date).status, 200);
  }
  // A fixed zone of the same hours is another answer to cache: its own tag.
  EXPECT_NE(HeaderValue(Get(kApi + "/forecast?security=IBM%20Corp&zone=America/New_York&date=2026-01-15"), "ETag"),
            HeaderValue(Get(kApi + "/forecast?security=IBM%20Corp&zone=EST&date=2026-01-15"), "ETag"));

  struct Refused {
    const char* zone;
    const char* reason;
  };
  for (const Refused& c : {Refused{"EDT", "is no abbreviation of /zones nor a time-zone name (America/New_York)"},
                           Refused{"America/Nowhere", "is not in the time-zone database"},
                           Refused{"..%2F..%2Fetc%2Fpasswd", "is no abbreviation of /zones nor a time-zone name (America/New_York)"},
                           Refused{"America", "is no abbreviation of /zones nor a time-zone name (America/New_York)"}}) {
    SCOPED_TRACE(c.zone);
    const HttpReply r = Get(kApi + "/forecast?security=IBM%20Corp&date=2026-06-15&zone=" + c.zone);
    ASSERT_EQ(r.status, 400) << r.body;
    const json problem = json::parse(r.body);
    EXPECT_EQ(problem["invalid-params"][0]["name"], "zone");
    EXPECT_EQ(problem["invalid-params"][0]["reason"], c.reason);
  }

  // The exchanges' zones with their offsets on the date the page shows.
  for (const Case& c : {Case{"2026-06-15", -4.0, "EDT"}, Case{"2026-01-15", -5.0, "EST"}}) {
    const json zones = json::parse(Get(kApi + "/zones?date=" + c.date).body);
    ASSERT_TRUE(zones["exchange_zones"].is_array()) << zones;
    const auto ny = std::find_if(zones["exchange_zones"].begin(), zones["exchange_zones"].end(),
                                 [](const json& z) { return z["name"] == "America/New_York"; });
    ASSERT_NE(ny, zones["exchange_zones"].end());
    EXPECT_EQ((*ny)["abbreviation"], c.abbreviation);
    EXPECT_EQ((*ny)["hours"], c.hours);
    EXPECT_EQ((*ny)["utc_offset"], c.hours == -4.0 ? "UTC-04:00" : "UTC-05:00");
    EXPECT_EQ(zones["zones"].size(), 25u);
  }
  EXPECT_EQ(Get(kApi + "/zones?date=2026-02-30").status, 400);
}

TEST_F(ApiServe, ForecastCsvIsTheToolsCsv) {
  for (const bool explain : {false, true}) {
    std::string target = kApi + "/forecast?security=IBM%20Corp&zone=EST&date=2026-03-20&format=csv";
    std::vector<std::string> argv = {std::string(STOCKDYN_BINARY_DIR) + "/stockdyn", "forecast",
                                     "--security", "IBM Corp", "--zone", "EST", "--date",
                                     "2026-03-20", "--dir", STOCKDYN_EXE_DIR, "--format", "csv"};
    if (explain) target += "&explain=1", argv.push_back("--explain");
    const HttpReply r = Get(target);
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(HeaderValue(r, "Content-Type"), "text/csv; charset=utf-8");
    const auto run = sd::testing::RunChild(argv, {"PATH=/usr/bin:/bin"}, 120.0);
    EXPECT_EQ(r.body, run.out) << explain;
    EXPECT_EQ(r.body.rfind(explain ? "index,moment,local,section,title,contribution\n" : "index,moment,local,value\n", 0), 0u);
  }
}

TEST_F(ApiServe, EntityTagRoundTrip) {
  const std::string target = kApi + "/forecast?security=IBM%20Corp&zone=EST&date=2026-03-20";
  const HttpReply first = Get(target);
  ASSERT_EQ(first.status, 200);
  const std::string tag = HeaderValue(first, "ETag");
  ASSERT_FALSE(tag.empty());
  const std::string cache = HeaderValue(first, "Cache-Control");
  const size_t age_at = cache.find("max-age=");
  ASSERT_NE(age_at, std::string::npos) << cache;
  const std::string age = cache.substr(age_at + 8, cache.find_first_not_of("0123456789", age_at + 8) - (age_at + 8));
  ASSERT_FALSE(age.empty()) << cache;
  EXPECT_GT(std::stol(age), 0);
  EXPECT_LE(std::stol(age), 86400);

  const HttpReply again = Get(target, {"If-None-Match: " + tag});
  EXPECT_EQ(again.status, 304);
  EXPECT_TRUE(again.body.empty());
  EXPECT_EQ(HeaderValue(again, "ETag"), tag);
  EXPECT_EQ(Get(target, {"If-None-Match: \"other\""}).status, 200);
  // Another form of the same forecast is another document with its own tag.
  EXPECT_NE(HeaderValue(Get(target + "&explain=1"), "ETag"), tag);
  EXPECT_NE(HeaderValue(Get(kApi + "/forecast?security=IBM%20Corp&zone=EST&date=2026-03-21"), "ETag"), tag);
  EXPECT_EQ(Get(target + "&format=csv", {"If-None-Match: " + tag}).status, 200);
}

TEST_F(ApiServe, EventsEqualTheTool) {
  const std::string target = kApi + "/events?security=IBM%20Corp&zone=EST&date=2026-03-20";
  const HttpReply r = Get(target);
  ASSERT_EQ(r.status, 200) << r.body;
  EXPECT_EQ(HeaderValue(r, "Content-Type"), "application/json; charset=utf-8");
  const auto run = sd::testing::RunChild(
      {std::string(STOCKDYN_BINARY_DIR) + "/stockdyn", "events", "--security", "IBM Corp", "--zone",
       "EST", "--date", "2026-03-20", "--dir", STOCKDYN_EXE_DIR, "--format", "json"},
      {"PATH=/usr/bin:/bin"}, 120.0);
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const json api = json::parse(r.body);
  EXPECT_EQ(api, json::parse(run.out));
  EXPECT_EQ(api["from"], "2026-03-20T05:00:00Z");
  EXPECT_EQ(api["to"], "2026-04-09T05:00:00Z");
  // The window holds the Full Moon of 2 April, and some event drives a section of the model.
  bool full_moon = false, driving = false;
  for (const json& e : api["events"]) {
    full_moon |= e["type"] == "lunation" && e["aspect"] == 180 &&
                 e["utc"].get<std::string>().rfind("2026-04-02", 0) == 0;
    driving |= !e["sections"].empty();
  }
  EXPECT_TRUE(full_moon);
  EXPECT_TRUE(driving);

  // The calendar: the tool's bytes, as text/calendar.
  const HttpReply ics = Get(target + "&format=ics");
  ASSERT_EQ(ics.status, 200) << ics.body.substr(0, 200);
  EXPECT_EQ(HeaderValue(ics, "Content-Type"), "text/calendar; charset=utf-8");
  const auto ics_run = sd::testing::RunChild(
      {std::string(STOCKDYN_BINARY_DIR) + "/stockdyn", "events", "--security", "IBM Corp", "--zone",
       "EST", "--date", "2026-03-20", "--dir", STOCKDYN_EXE_DIR, "--format", "ics"},
      {"PATH=/usr/bin:/bin"}, 120.0);
  ASSERT_EQ(ics_run.exit_status, 0) << ics_run.err;
  EXPECT_EQ(ics.body, ics_run.out);
  EXPECT_EQ(ics.body.rfind("BEGIN:VCALENDAR\r\n", 0), 0u);
  EXPECT_NE(HeaderValue(ics, "ETag"), HeaderValue(r, "ETag"));
  EXPECT_EQ(Get(target + "&format=xml").status, 400);

  // Cached as the forecast is: up to the zone's midnight, revalidated by its tag, which names
  // the window's length too.
  const std::string tag = HeaderValue(r, "ETag");
  ASSERT_FALSE(tag.empty());
  EXPECT_NE(HeaderValue(r, "Cache-Control").find("max-age="), std::string::npos);
  EXPECT_EQ(Get(target, {"If-None-Match: " + tag}).status, 304);
  const HttpReply shorter = Get(target + "&days=3");
  ASSERT_EQ(shorter.status, 200);
  EXPECT_NE(HeaderValue(shorter, "ETag"), tag);
  EXPECT_EQ(json::parse(shorter.body)["to"], "2026-03-23T05:00:00Z");
  EXPECT_NE(HeaderValue(Get(kApi + "/forecast?security=IBM%20Corp&zone=EST&date=2026-03-20"), "ETag"),
            tag);
}

TEST_F(ApiServe, ErrorsAreProblemDocuments) {
  const struct {
    std::string target;
    int status;
  } cases[] = {
      {kApi + "/nothing", 404},
      {kApi + "/forecast?security=IBM%20Crop&zone=EST", 404},
      {kApi + "/forecast?security=IBM%20Corp&zone=XYZ", 400},
      {kApi + "/forecast?security=IBM%20Corp", 400},
      {kApi + "/forecast?zone=EST", 400},
      {kApi + "/forecast?security=IBM%20Corp&zone=EST&date=2026-02-30", 400},
      {kApi + "/forecast?security=IBM%20Corp&zone=EST&date=1582-10-10", 400},  // skipped by the reform
      {kApi + "/forecast?security=IBM%20Corp&zone=EST&date=20260320", 400},
      {kApi + "/forecast?security=IBM%20Corp&zone=EST&format=xml", 400},
      {kApi + "/events?security=IBM%20Crop&zone=EST", 404},
      {kApi + "/events?security=IBM%20Corp&zone=XYZ", 400},
      {kApi + "/events?security=IBM%20Corp&zone=EST&date=2026-13-01", 400},
      {kApi + "/events?security=IBM%20Corp&zone=EST&date=1582-10-05", 400},
      {kApi + "/events?security=IBM%20Corp&zone=EST&days=0", 400},
      {kApi + "/events?security=IBM%20Corp&zone=EST&days=367", 400},
      {kApi + "/events?security=IBM%20Corp&zone=EST&days=2.5", 400},
      {kApi + "/events?security=IBM%20Corp&zone=EST&days=-3", 400},
  };
  for (const auto& c : cases) {
    const HttpReply r = Get(c.target);
    EXPECT_EQ(r.status, c.status) << c.target << "\n" << r.body;
    EXPECT_EQ(HeaderValue(r, "Content-Type"), "application/problem+json; charset=utf-8") << c.target;
    const json doc = json::parse(r.body, nullptr, false);
    ASSERT_TRUE(doc.is_object()) << c.target << ": " << r.body;
    EXPECT_EQ(doc["status"], c.status) << c.target;
    EXPECT_TRUE(doc["title"].is_string() && doc["detail"].is_string()) << r.body;
  }
  // A misspelt name: never the default chart, but the name meant among the suggestions.
  const json typo = json::parse(Get(kApi + "/forecast?security=IBM%20Crop&zone=EST").body);
  ASSERT_TRUE(typo["suggestions"].is_array()) << typo;
  EXPECT_EQ(typo["suggestions"][0], "IBM Corp");
  EXPECT_LE(typo["suggestions"].size(), 3u);
  // The name in another letter case means the one record it matches, named as stored.
  const HttpReply lower = Get(kApi + "/forecast?security=ibm%20corp&zone=EST&date=2026-03-20");
  ASSERT_EQ(lower.status, 200) << lower.body;
  EXPECT_EQ(json::parse(lower.body)["security"], "IBM Corp");
  // A ticker the shipped securities list gives stands for its security.
  for (const char* ticker : {"AAPL", "aapl", "IBM"}) {
    const HttpReply by_ticker = Get(kApi + "/forecast?security=" + ticker + "&zone=EST&date=2026-03-20");
    ASSERT_EQ(by_ticker.status, 200) << ticker << by_ticker.body;
    EXPECT_EQ(json::parse(by_ticker.body)["security"], std::string(ticker) == "IBM" ? "IBM Corp" : "Apple Inc");
  }
  const json bad_zone = json::parse(Get(kApi + "/forecast?security=IBM%20Corp&zone=XYZ").body);
  EXPECT_EQ(bad_zone["invalid-params"][0]["name"], "zone") << bad_zone;
  const json events_typo = json::parse(Get(kApi + "/events?security=IBM%20Crop&zone=EST").body);
  EXPECT_EQ(events_typo["suggestions"][0], "IBM Corp") << events_typo;
  const json bad_days =
      json::parse(Get(kApi + "/events?security=IBM%20Corp&zone=EST&days=abc").body);
  EXPECT_EQ(bad_days["status"], 400);
  EXPECT_EQ(bad_days["invalid-params"][0]["name"], "days") << bad_days;
}

TEST_F(ApiServe, DataFilesStayUnreachable) {
  for (const char* target : {"/Exe/Nyse.mil", "/Exe/tickers.csv", "/Exe/stock.hyp", "/Exe/towns.nd", "/Exe/srv_stock_dyn.ini",
                             "/Exe/srv_stock_api/../Nyse.mil", "/Exe/srv_stock_api/%2e%2e/Nyse.mil",
                             "/Exe/srv_stock_api/Nyse.mil", "/Exe/srv_stock_api/x/../../stock.hyp"}) {
    const HttpReply r = Get(target);
    EXPECT_TRUE(r.status == 403 || r.status == 404) << target << " answered " << r.status;
    EXPECT_EQ(r.body.find("IBM Corp"), std::string::npos) << target;
  }
}

// The wheel the API serves is the tool's wheel of the same chart, byte for byte.
TEST_F(ApiServe, ChartSvgIsTheToolsWheel) {
  struct Case {
    const char* what;
    std::string target;
    std::vector<std::string> tool;
  };
  const Case cases[] = {
      {"natal", "/chart.svg?security=IBM%20Corp&zone=EST", {"--security", "IBM Corp"}},
      {"name in another letter case", "/chart.svg?security=ibm%20corp&zone=EST", {"--security", "IBM Corp"}},
      {"bi-wheel", "/chart.svg?security=IBM%20Corp&zone=EST&date=2026-03-20&time=12:00",
       {"--security", "IBM Corp", "--transits", "2026-03-20", "12:00", "--zone", "EST"}},
      {"moment and place", "/chart.svg?date=2026-03-20&time=09:30&zone=EST&lat=40.7128&lon=-74.006",
       {"--date", "2026-03-20", "--time", "09:30", "--zone", "EST", "--lat", "40.7128", "--lon", "-74.006"}},
  };
  const fs::path file = fs::temp_directory_path() / ("api_wheel_" + std::to_string(::getpid()) + ".svg");
  for (const Case& c : cases) {
    const HttpReply r = Get(kApi + c.target);
    ASSERT_EQ(r.status, 200) << c.what << r.body;
    EXPECT_EQ(HeaderValue(r, "Content-Type"), "image/svg+xml; charset=utf-8") << c.what;
    std::vector<std::string> args = {"chart"};
    args.insert(args.end(), c.tool.begin(), c.tool.end());
    args.insert(args.end(), {"--svg", file.string(), "--force"});
    const auto tool = sd::testing::RunTool(args, 120.0);
    ASSERT_EQ(tool.exit_status, 0) << tool.err;
    std::ifstream in(file, std::ios::binary);
    const std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(r.body, expected) << c.what;
  }
  fs::remove(file);
}

TEST_F(ApiServe, ChartSvgCachingFollowsItsInputs) {
  const std::string target = kApi + "/chart.svg?security=IBM%20Corp&zone=EST&date=2026-03-20&time=12:00";
  const HttpReply first = Get(target);
  ASSERT_EQ(first.status, 200);
  const std::string tag = HeaderValue(first, "ETag");
  ASSERT_FALSE(tag.empty());
  EXPECT_EQ(HeaderValue(first, "Cache-Control"), "public, max-age=86400");
  const HttpReply again = Get(target, {"If-None-Match: " + tag});
  EXPECT_EQ(again.status, 304);
  EXPECT_TRUE(again.body.empty());
  EXPECT_EQ(HeaderValue(again, "ETag"), tag);
  // Another moment, another zone, the natal wheel alone: other documents, other tags.
  for (const std::string other : {"/chart.svg?security=IBM%20Corp&zone=EST&date=2026-03-20&time=12:01",
                                  "/chart.svg?security=IBM%20Corp&zone=CET&date=2026-03-20&time=12:00",
                                  "/chart.svg?security=IBM%20Corp&zone=EST"}) {
    const HttpReply r = Get(kApi + other, {"If-None-Match: " + tag});
    EXPECT_EQ(r.status, 200) << other;
    EXPECT_NE(HeaderValue(r, "ETag"), tag) << other;
  }
}

TEST_F(ApiServe, ChartSvgErrorsNameTheParameter) {
  struct Case {
    std::string query;
    int status;
    const char* param;  // the invalid parameter named, or the 404's suggestion
  };
  const Case cases[] = {
      {"security=IBM%20Corp", 400, "zone"},
      {"security=&zone=EST", 400, "security"},
      {"security=IBM%20Corp&zone=XYZ", 400, "zone"},
      {"security=IBM%20Corp&zone=EST&date=2026-03-20", 400, "time"},
      {"security=IBM%20Corp&zone=EST&time=12:00", 400, "date"},
      {"security=IBM%20Corp&zone=EST&date=2026-02-30&time=12:00", 400, "date"},
      {"security=IBM%20Corp&zone=EST&date=2026-03-20&time=24:00", 400, "time"},
      {"security=IBM%20Corp&zone=EST&date=2026-03-20&time=noon", 400, "time"},
      {"date=2026-03-20&time=12:00&zone=EST&lon=10", 400, "lat"},
      {"date=2026-03-20&time=12:00&zone=EST&lat=91&lon=10", 400, "lat"},
      {"date=2026-03-20&time=12:00&zone=EST&lat=10&lon=abc", 400, "lon"},
      {"date=2026-03-20&time=12:00&zone=EST&lat=10&lon=inf", 400, "lon"},
      {"time=12:00&zone=EST&lat=10&lon=10", 400, "date"},
      {"security=IBM%20Crop&zone=EST", 404, "IBM Corp"},
  };
  for (const Case& c : cases) {
    const HttpReply r = Get(kApi + "/chart.svg?" + c.query);
    EXPECT_EQ(r.status, c.status) << c.query << r.body;
    EXPECT_EQ(HeaderValue(r, "Content-Type"), "application/problem+json; charset=utf-8") << c.query;
    const json doc = json::parse(r.body, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.body;
    if (c.status == 400) {
      std::vector<std::string> names;
      for (const auto& p : doc["invalid-params"]) names.push_back(p["name"]);
      EXPECT_NE(std::find(names.begin(), names.end(), c.param), names.end()) << c.query << r.body;
    } else {
      EXPECT_NE(doc["suggestions"].dump().find(c.param), std::string::npos) << r.body;
    }
  }
}

// A program directory whose database is gone: the service says it is broken, names no file.
class ApiBrokenData : public sd::testing::ProgramCopy {};

TEST_F(ApiBrokenData, MissingDatabaseIs500) {
  fs::remove(exe_dir_ / "Nyse.mil");
  auto server = StartServer(root_.string());
  ASSERT_NE(server, nullptr);
  for (const std::string route : {"/securities", "/forecast?security=IBM%20Corp&zone=EST",
                                  "/events?security=IBM%20Corp&zone=EST",
                                  "/chart.svg?security=IBM%20Corp&zone=EST"}) {
    const HttpReply r = HttpGet(server->port(), kApi + route, {}, 60.0);
    EXPECT_EQ(r.status, 500) << route << r.body;
    EXPECT_EQ(HeaderValue(r, "Content-Type"), "application/problem+json; charset=utf-8");
    EXPECT_EQ(r.body.find("Nyse.mil"), std::string::npos) << r.body;
    EXPECT_EQ(json::parse(r.body)["status"], 500);
  }
}

// Without the model the events would name no sections: a broken service, not an answer.
TEST_F(ApiBrokenData, MissingModelIs500) {
  fs::remove(exe_dir_ / "stock.hyp");
  auto server = StartServer(root_.string());
  ASSERT_NE(server, nullptr);
  for (const std::string route : {"/forecast?security=IBM%20Corp&zone=EST",
                                  "/events?security=IBM%20Corp&zone=EST"}) {
    const HttpReply r = HttpGet(server->port(), kApi + route, {}, 60.0);
    EXPECT_EQ(r.status, 500) << route << r.body;
    EXPECT_EQ(r.body.find("stock.hyp"), std::string::npos) << r.body;
  }
}

// A model or metric table that is no regular file, or far beyond its cap, is refused before a
// byte is read or hashed: 500 at once, not a hang on a FIFO or seconds of hashing a gigabyte.
TEST_F(ApiBrokenData, SpecialOrHugeDataFilesAre500AtOnce) {
  struct Case {
    const char* file;
    const char* what;  // "fifo" or "sparse"
  };
  for (const Case& c : {Case{"stock.hyp", "fifo"}, Case{"stock.hyp", "sparse"}, Case{"Metrics.dat", "fifo"}}) {
    SCOPED_TRACE(std::string(c.file) + " " + c.what);
    const fs::path path = exe_dir_ / c.file;
    fs::remove(path);
    if (std::string(c.what) == "fifo") {
      ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    } else {
      std::ofstream(path) << "";
      fs::resize_file(path, 100u << 20);  // 100 MB, a hole on the disk
    }
    auto server = StartServer(root_.string());
    ASSERT_NE(server, nullptr);
    // A hang on the FIFO would run into this bound and fail the test instead of blocking it.
    const HttpReply r = HttpGet(server->port(), kApi + "/forecast?security=IBM%20Corp&zone=EST", {}, 30.0);
    EXPECT_EQ(r.status, 500) << r.body;
    fs::remove(path);
    if (std::string(c.file) == "stock.hyp") fs::copy_file(fs::path(STOCKDYN_EXE_DIR) / "stock.hyp", path);
  }
}

// Two metric tables of the same size and the same time of change are still two tables: the
// forecast's tag follows their content, so a client never keeps the old answer under a new table.
TEST_F(ApiBrokenData, MetricTablesOfOneSizeAndTimeGetTheirOwnTags) {
  const std::string tool = std::string(STOCKDYN_BINARY_DIR) + "/stockdyn";
  const fs::path a = root_ / "a.dat", b = root_ / "b.dat";
  for (const auto& [file, pairs] : {std::pair{a, "0-1"}, std::pair{b, "5-6"}}) {
    const auto run = sd::testing::RunChild({tool, "metrics", "build", file.string(), "--pairs", pairs},
                                           {"PATH=/usr/bin:/bin"}, 120.0);
    ASSERT_EQ(run.exit_status, 0) << run.err;
  }
  ASSERT_EQ(fs::file_size(a), fs::file_size(b));
  const auto when = fs::last_write_time(a);
  std::vector<std::string> tags;
  for (const fs::path& table : {a, b}) {
    fs::copy_file(table, exe_dir_ / "Metrics.dat", fs::copy_options::overwrite_existing);
    fs::last_write_time(exe_dir_ / "Metrics.dat", when);  // as cp -p or rsync -a leave it
    auto server = StartServer(root_.string());
    ASSERT_NE(server, nullptr);
    const HttpReply r =
        HttpGet(server->port(), kApi + "/forecast?security=IBM%20Corp&zone=EST&date=2026-03-20", {}, 60.0);
    ASSERT_EQ(r.status, 200) << r.body;
    tags.push_back(HeaderValue(r, "ETag"));
  }
  EXPECT_NE(tags[0], tags[1]);
}

// Names with & and ' (which the classic query cannot carry whole) are reached through the API.
TEST_F(ApiBrokenData, NamesWithAmpersandAndApostropheAreServed) {
  std::ofstream(root_ / "in.csv") << "name,date,time,zone_hours,place,latitude,longitude\n"
                                     "AT&T Inc,1984-02-16,10:00,-5,New York,40.7,-74\n"
                                     "McDonald's Corp,1966-07-05,10:00,-5,New York,40.7,-74\n";
  const auto import = sd::testing::RunChild(
      {std::string(STOCKDYN_BINARY_DIR) + "/stockdyn", "natal", "import", "--force",
       (root_ / "in.csv").string(), (exe_dir_ / "Nyse.mil").string()},
      {"PATH=/usr/bin:/bin"}, 60.0);
  ASSERT_EQ(import.exit_status, 0) << import.err;
  auto server = StartServer(root_.string());
  ASSERT_NE(server, nullptr);
  for (const auto& [query, name] : {std::pair{"AT%26T+Inc", "AT&T Inc"}, std::pair{"McDonald%27s%20Corp", "McDonald's Corp"}}) {
    const HttpReply r = HttpGet(server->port(), kApi + "/forecast?zone=EST&date=2026-03-20&security=" + query, {}, 60.0);
    ASSERT_EQ(r.status, 200) << query << r.body;
    EXPECT_EQ(json::parse(r.body)["security"], name);
  }
}

}  // namespace
}  // namespace sd
