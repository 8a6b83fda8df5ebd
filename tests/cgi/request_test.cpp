#include "cgi/request.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/clock.h"
#include "cgi/page.h"
#include "host/process.h"
#include "forecast/natal.h"
#include "host/program_dir.h"

namespace sd::cgi {
namespace {

class FixedClock : public ::testing::Test {
 protected:
  void SetUp() override { setenv(host::kTestClockVariable, "2026-12-08 10:30:15", 1); }
  void TearDown() override {
    unsetenv(host::kTestClockVariable);
    unsetenv("QUERY_STRING");
    host::CleanUp();
  }
};

TEST_F(FixedClock, ZoneOfTheRequest) {
  struct Case {
    const char* query;
    double zone;
  } cases[] = {
      {"TRS_TZ=EST", -5.0}, {"TRS_TZ=est", 0.0}, {"TRS_TZ=Moscow", 3.0}, {"TRS_TZ=ACST", 9.3},
      {"", 0.0}, {"TRS_TZ=HST&TRS_TZ=EST", -10.3},
  };
  StartUp(host::LocalNow());
  for (const auto& c : cases) {
    RequestState req;
    ReadRequest(c.query, req);
    EXPECT_EQ(req.zone, c.zone) << c.query;
  }
}

TEST_F(FixedClock, PictureNameIsAPlainFileNameOfToday) {
  StartUp(host::LocalNow());
  RequestState req;
  ReadRequest("D3_NATAL_DATA_TOWNS=../../x/y.gif&TRS_TZ=EST", req);
  EXPECT_EQ(req.security, "../../x/y.gif");
  // 12_8_sc_stock_dyn_N.gif, N from 0 to 9999 without leading zeros.
  const std::string head = "12_8_sc_stock_dyn_", tail = ".gif";
  const std::string& name = req.gif_name;
  ASSERT_GT(name.size(), head.size() + tail.size()) << name;
  ASSERT_LE(name.size(), head.size() + tail.size() + 4) << name;
  EXPECT_EQ(name.substr(0, head.size()), head);
  EXPECT_EQ(name.substr(name.size() - tail.size()), tail);
  const std::string number = name.substr(head.size(), name.size() - head.size() - tail.size());
  EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << name;
  EXPECT_TRUE(number == "0" || number[0] != '0') << name;
}

}  // namespace
}  // namespace sd::cgi
