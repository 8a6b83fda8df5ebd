// The JSON API through the web server, as a browser or a script reaches it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include <nlohmann/json.hpp>

#include "child_process.h"
#include "program_copy.h"
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
  std::smatch m;
  if (std::regex_search(r.headers, m, std::regex("\r\n" + name + ": *([^\r\n]*)", std::regex::icase)))
    return m[1];
  return "";
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
  const std::regex row("^IBM Corp,[^,]*,[^,]*,([^,]*),([^,]*),[^,]*,([^,]*),\"[^\"]*\",([^,]*),([^,]*),");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(line, m, row)) << line;
  const json& ft = (*ibm)["first_trade"];
  EXPECT_EQ(ft["date"], m[1].str()) << ft;
  EXPECT_EQ(ft["time"], m[2].str());
  EXPECT_NEAR(ft["zone"].get<double>(), std::stod(m[3]), 1e-6);
  EXPECT_NEAR(ft["latitude"].get<double>(), std::stod(m[4]), 1e-4);
  EXPECT_NEAR(ft["longitude"].get<double>(), std::stod(m[5]), 1e-4);

  const json zones = json::parse(Get(kApi + "/zones").body)["zones"];
  ASSERT_EQ(zones.size(), 25u);
  EXPECT_EQ(zones[0]["abbreviation"], "GST");
  EXPECT_EQ(zones[3]["utc_offset"], "UTC+09:30");  // ACST, packed 9.3
}

TEST_F(ApiServe, UnknownRouteIsAProblemDocument) {
  const HttpReply r = Get(kApi + "/nothing");
  EXPECT_EQ(r.status, 404);
  EXPECT_EQ(HeaderValue(r, "Content-Type"), "application/problem+json; charset=utf-8");
  EXPECT_EQ(json::parse(r.body)["status"], 404);
}

TEST_F(ApiServe, DataFilesStayUnreachable) {
  for (const char* target : {"/Exe/Nyse.mil", "/Exe/stock.hyp", "/Exe/towns.nd", "/Exe/srv_stock_dyn.ini",
                             "/Exe/srv_stock_api/../Nyse.mil", "/Exe/srv_stock_api/%2e%2e/Nyse.mil",
                             "/Exe/srv_stock_api/Nyse.mil", "/Exe/srv_stock_api/x/../../stock.hyp"}) {
    const HttpReply r = Get(target);
    EXPECT_TRUE(r.status == 403 || r.status == 404) << target << " answered " << r.status;
    EXPECT_EQ(r.body.find("IBM Corp"), std::string::npos) << target;
  }
}

// A program directory whose database is gone: the service says it is broken, names no file.
class ApiBrokenData : public sd::testing::ProgramCopy {};

TEST_F(ApiBrokenData, MissingDatabaseIs500) {
  fs::remove(exe_dir_ / "Nyse.mil");
  auto server = StartServer(root_.string());
  ASSERT_NE(server, nullptr);
  for (const std::string route : {"/securities"}) {
    const HttpReply r = HttpGet(server->port(), kApi + route, {}, 60.0);
    EXPECT_EQ(r.status, 500) << route << r.body;
    EXPECT_EQ(HeaderValue(r, "Content-Type"), "application/problem+json; charset=utf-8");
    EXPECT_EQ(r.body.find("Nyse.mil"), std::string::npos) << r.body;
    EXPECT_EQ(json::parse(r.body)["status"], 500);
  }
}

}  // namespace
}  // namespace sd
