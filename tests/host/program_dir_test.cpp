#include "host/program_dir.h"

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

namespace sd::host {
namespace {

TEST(ProgramDir, JoinsWithSingleSlashes) {
  struct Case {
    const char* dir;
    const char* sub;
    const char* out;
  } cases[] = {
      {"/srv/www/Exe", "", "/srv/www/Exe/"},
      {"/srv/www/Exe/", "", "/srv/www/Exe/"},
      {"/srv/www/Exe", "Temp", "/srv/www/Exe/Temp/"},
      {"/srv/www/Exe/", "Temp/", "/srv/www/Exe/Temp/"},
      {"/", "Temp", "/Temp/"},
      {"", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinProgramDir(c.dir, c.sub), c.out) << c.dir << " + " << c.sub;
}

TEST(ProgramDir, IsTheDirectoryOfThisExecutable) {
  // The unit tests are built into the build directory.
  const std::string dir = ProgramDir("");
  EXPECT_EQ(dir, std::string(STOCKDYN_BINARY_DIR) + "/");
  EXPECT_EQ(ProgramDir("Temp"), dir + "Temp/");
}

}  // namespace
}  // namespace sd::host
