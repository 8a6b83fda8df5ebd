// The towns database as start-up opens it: from the program directory, which for this test
// program is the build directory, where the build puts a copy of the shipped data files.
#include <gtest/gtest.h>

#include "host/clock.h"
#include "host/process.h"
#include "host/program_dir.h"

namespace sd {
namespace {

TEST(StartUp, TownsDatabaseOfTheProgramDirectoryLivesUntilCleanUp) {
  StartUp(LocalNow());
  ASSERT_NE(Process().towns, nullptr);
  EXPECT_EQ(Process().towns->directory(), ProgramDir(""));
  EXPECT_FALSE(Process().towns->regions().empty());
  EXPECT_TRUE(Process().towns->data().is_open());
  CleanUp();
  EXPECT_EQ(Process().towns, nullptr);
}

}  // namespace
}  // namespace sd
