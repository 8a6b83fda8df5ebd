#pragma once
// A private copy of the installed program directory inside an otherwise empty root, so that a
// test sees what a run writes, can break the data files at will, and parallel tests never meet.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace sd::testing {

class ProgramCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    std::string tmpl = (fs::temp_directory_path() / "stockdyn_run_XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    exe_dir_ = root_ / "Exe";
    fs::create_directories(exe_dir_ / "Temp");
    // The picture-name memory of the build's own runs is not part of an installation.
    for (const auto& e : fs::directory_iterator(STOCKDYN_EXE_DIR)) {
      if (!e.is_regular_file() || e.path().filename() == "PictureName.ini") continue;
      fs::copy_file(e.path(), exe_dir_ / e.path().filename());
    }
    program_ = (exe_dir_ / "srv_stock_dyn").string();
    ASSERT_TRUE(fs::exists(program_));
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::filesystem::path root_, exe_dir_;
  std::string program_;
};

}  // namespace sd::testing
