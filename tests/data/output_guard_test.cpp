// What a tool may write over: inputs and files of another kind are refused without --force, and
// the check never opens what could block or grow (a FIFO, a device).
#include "data/output_guard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "data/atomic_file.h"
#include "../support/scratch_dir.h"

namespace sd::data {
namespace {

using testing_support::ScratchDir;

// A kind recognised by its first line: "KIND".
const OutputKind kPlain{"a plain file", [](std::string_view head, std::uintmax_t) {
                          return head.substr(0, 4) == "KIND";
                        }};

TEST(CheckOutput, RefusesInputsAndOtherKindsUnlessForced) {
  ScratchDir dir;
  const std::string input = dir.Write("input.txt", "KIND data\n");
  std::filesystem::create_hard_link(input, dir.File("hard"));
  std::filesystem::create_symlink(input, dir.File("soft"));
  std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling"));
  dir.Write("same_kind", "KIND other\n");
  dir.Write("other_kind", "something else\n");
  dir.Write("empty", "");
  std::filesystem::create_directory(dir.File("folder"));
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);

  struct Case {
    const char* name;
    const char* refusal;  // in the message; nullptr when the path may be written
  };
  const Case cases[] = {
      {"missing", nullptr},
      {"dangling", nullptr},
      {"empty", nullptr},
      {"same_kind", nullptr},
      {"input.txt", "is also an input"},
      {"hard", "is also an input"},
      {"soft", "is also an input"},
      {"other_kind", "is not a plain file"},
      {"folder", "is a directory"},
      {"fifo", "not a regular file"},  // would block a reader: never opened
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File(c.name);
    if (c.refusal) {
      try {
        CheckOutput(path, kPlain, {dir.File("unrelated"), input}, false);
        ADD_FAILURE() << "not refused";
      } catch (const OutputRefused& e) {
        EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      }
    } else {
      EXPECT_NO_THROW(CheckOutput(path, kPlain, {input}, false));
    }
    EXPECT_NO_THROW(CheckOutput(path, kPlain, {input}, true));
  }
}

TEST(OutputMode, KeepsTheReplacedFilesBitsElseTheUmask) {
  ScratchDir dir;
  const std::string existing = dir.Write("existing", "x");
  ASSERT_EQ(::chmod(existing.c_str(), 0640), 0);
  const mode_t old = ::umask(077);
  EXPECT_EQ(OutputMode(existing), 0640u);
  EXPECT_EQ(OutputMode(dir.File("new")), 0600u);
  // The atomic writer follows the same rule: a replaced file keeps 0640 under umask 077.
  WriteFileAtomically(existing, "replaced");
  ::umask(027);
  EXPECT_EQ(OutputMode(dir.File("new")), 0640u);
  ::umask(old);
  struct stat st {};
  ASSERT_EQ(::stat(existing.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace sd::data
