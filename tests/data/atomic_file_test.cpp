#include "data/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "data/data_error.h"
#include "../support/scratch_dir.h"

namespace sd::data {
namespace {

using testing_support::ScratchDir;

TEST(WriteFilesAtomically, AllOrNoneOfThePair) {
  ScratchDir dir;
  dir.Write("a", "old a");
  dir.Write("b", "old b");
  WriteFilesAtomically({{dir.File("a"), "new a"}, {dir.File("b"), "new b"}});
  EXPECT_EQ(ReadWholeFile(dir.File("a")), "new a");
  EXPECT_EQ(ReadWholeFile(dir.File("b")), "new b");
  EXPECT_EQ(std::filesystem::status(dir.File("a")).permissions() & std::filesystem::perms::others_read,
            std::filesystem::perms::others_read);

  // The second cannot be written: the first keeps its old content, and no temporary is left.
  try {
    WriteFilesAtomically({{dir.File("a"), "newer a"}, {dir.path() + "/missing/b", "x"}});
    ADD_FAILURE() << "no error";
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.file(), dir.path() + "/missing/b");
  }
  EXPECT_EQ(ReadWholeFile(dir.File("a")), "new a");
  EXPECT_EQ(dir.Listing(), "a b ");
}

TEST(ReadWholeFile, NamesTheFileThatCannotBeRead) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.File("d"));
  EXPECT_EQ(ReadWholeFile(dir.Write("bytes", std::string("a\0\xFF\r\n", 5))), std::string("a\0\xFF\r\n", 5));
  for (const std::string& p : {dir.File("none"), dir.File("d")}) {
    try {
      ReadWholeFile(p);
      ADD_FAILURE() << p;
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.file(), p);
    }
  }
}

}  // namespace
}  // namespace sd::data
