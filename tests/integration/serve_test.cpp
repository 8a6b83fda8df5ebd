// The web root served by lighttpd through scripts/serve, as ./run does.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "child_process.h"
#include "text_scan.h"
#include "web_server.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::FreeLoopbackPort;
using sd::testing::HttpGet;
using sd::testing::HttpReply;
using sd::testing::Server;

TEST(Serve, FormPageProgramAndPictureDirectory) {
  // A port found free can be taken before the server binds it; try a few.
  std::unique_ptr<Server> server;
  int port = 0;
  for (int attempt = 0; attempt < 3 && !server; ++attempt) {
    port = FreeLoopbackPort();
    ASSERT_NE(port, 0);
    server = std::make_unique<Server>(fs::path(STOCKDYN_EXE_DIR).parent_path().string(), port);
    if (!server->WaitUntilUp(15.0)) server.reset();
  }
  ASSERT_TRUE(server) << "lighttpd did not come up through scripts/serve";

  const HttpReply form = HttpGet(port, "/", {}, 10.0);
  EXPECT_EQ(form.status, 200);
  EXPECT_NE(form.body.find("<select id=\"zone\" name=\"TRS_TZ\">"), std::string::npos);
  EXPECT_NE(form.body.find("action=\"/Exe/srv_stock_dyn\""), std::string::npos);
  EXPECT_TRUE(sd::testing::ContainsIgnoringCase(form.headers, "\r\nContent-Type: text/html"));

  // A client can send anything as a header; it arrives as an HTTP_* variable and cannot
  // fix the program's clock.
  const HttpReply page = HttpGet(port, "/Exe/srv_stock_dyn?TRS_TZ=EST&D3_NATAL_DATA_TOWNS=Nobody",
                                 {"STOCKDYN_TEST_NOW: 2001-01-01 00:00:00",
                                  "Stockdyn-Test-Now: 2001-01-01 00:00:00"},
                                 120.0);
  EXPECT_EQ(page.status, 200);
  EXPECT_TRUE(sd::testing::ContainsIgnoringCase(page.headers, "\r\ncontent-type: text/html"));
  EXPECT_NE(page.body.find("<p align=\"center\"><b>Instrument:No Name 1<br>First Trade:<br>\r\n"),
            std::string::npos)
      << page.body;
  EXPECT_EQ(page.body.find("1,1,2001"), std::string::npos);
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  const std::string today_year = "," + std::to_string(tm.tm_year + 1900) + "   ";
  EXPECT_NE(page.body.find(today_year), std::string::npos) << page.body;
  const std::string picture_src = sd::testing::FirstSpan(page.body, "src=\"/Exe/Temp/", ".gif\"");
  const size_t first = picture_src.find('_'), second = picture_src.find('_', first + 1);
  ASSERT_NE(second, std::string::npos) << page.body;
  EXPECT_TRUE(sd::testing::NumberBetween(picture_src.substr(0, first), "src=\"/Exe/Temp/", ""));
  EXPECT_TRUE(sd::testing::NumberBetween(picture_src.substr(first + 1, second - first - 1), "", ""));
  EXPECT_TRUE(sd::testing::NumberBetween(picture_src.substr(second), "_sc_stock_dyn_", ".gif\""))
      << picture_src;

  // The data files and settings beside the program are not for download, nor is a
  // directory listing of Temp.
  for (const char* hidden : {"/Exe/srv_stock_dyn.ini", "/Exe/Nyse.mil", "/Exe/stock.hyp", "/Exe/Temp/",
                             "/Exe/PictureName.ini"}) {
    const int status = HttpGet(port, hidden, {}, 10.0).status;
    EXPECT_TRUE(status == 403 || status == 404) << hidden << " answered " << status;
  }

  // The server's own headers: on the page, on the form, and on pictures with their cache rule.
  for (const HttpReply* reply : {&form, &page}) {
    EXPECT_TRUE(sd::testing::ContainsIgnoringCase(reply->headers, "\r\nX-Content-Type-Options: nosniff\r\n"))
        << reply->headers;
    EXPECT_TRUE(sd::testing::ContainsIgnoringCase(reply->headers, "\r\nX-Frame-Options: SAMEORIGIN\r\n"))
        << reply->headers;
  }
  if (!picture_src.empty()) {
    // src="/Exe/Temp/....gif"
    const HttpReply picture = HttpGet(port, picture_src.substr(5, picture_src.size() - 6), {}, 10.0);
    EXPECT_EQ(picture.status, 200);
    EXPECT_EQ(picture.body.substr(0, 4), "GIF8");
    EXPECT_TRUE(sd::testing::ContainsIgnoringCase(picture.headers, "\r\nCache-Control: private, no-cache\r\n"))
        << picture.headers;
  }

  // A link planted in Temp under a picture's name does not publish what it points at.
  const fs::path temp = fs::path(STOCKDYN_EXE_DIR) / "Temp";
  const fs::path planted = temp / ("leak_" + std::to_string(::getpid()) + ".gif");
  fs::create_symlink("../Nyse.mil", planted);
  const HttpReply leak = HttpGet(port, "/Exe/Temp/" + planted.filename().string(), {}, 10.0);
  fs::remove(planted);
  EXPECT_TRUE(leak.status == 403 || leak.status == 404) << "a link in Temp answered " << leak.status;
  EXPECT_EQ(leak.body.find("IBM Corp"), std::string::npos);

  server->Stop();
  EXPECT_EQ(HttpGet(port, "/", {}, 2.0).status, 0) << "server still answering after Stop";
}

}  // namespace
}  // namespace sd
