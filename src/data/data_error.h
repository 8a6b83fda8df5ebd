#pragma once
// The failure that stops a run: a data file the program cannot do without is missing or
// unreadable. The message names the file and the reason; the program's entry prints it on
// standard error and exits non-zero before any page text is written.
#include <stdexcept>
#include <string>

namespace sd::data {

class DataFileError : public std::runtime_error {
 public:
  DataFileError(const std::string& file, const std::string& reason)
      : std::runtime_error(file + ": " + reason), file_(file), reason_(reason) {}
  const std::string& file() const { return file_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  std::string reason_;
};

}  // namespace sd::data
