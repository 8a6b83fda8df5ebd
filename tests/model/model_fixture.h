#pragma once
// Model files written by the tests themselves, one per test, removed afterwards.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/ev_list.h"

namespace sd::model::testing {

class ModelFile {
 public:
  explicit ModelFile(const std::string& text) {
    static int counter = 0;
    path_ = (std::filesystem::temp_directory_path() /
             ("sd_model_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".hyp"))
                .string();
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~ModelFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Loads `text` as a model file and returns the number Load gave.
inline int LoadText(TEvList& list, const std::string& text, std::string_view prefix = "",
                    uint8_t limit = 0) {
  ModelFile f(text);
  return list.Load(f.path(), prefix, limit);
}

}  // namespace sd::model::testing
