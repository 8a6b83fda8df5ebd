#include "host/program_dir.h"

#include <unistd.h>

#include <vector>

#include "host/clock.h"
#include "host/process.h"

namespace sd::host {
namespace {

void AddSeparator(std::string& s) {
  if (!s.empty() && s.back() != '/') s += '/';
}

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);  // the link was cut: try again with room to spare
  }
}

}  // namespace

std::string JoinProgramDir(std::string_view dir, std::string_view sub) {
  std::string s(dir);
  AddSeparator(s);
  if (!sub.empty()) {
    s += sub;
    AddSeparator(s);
  }
  return s;
}

std::string ProgramDir(std::string_view sub) {
  const std::string exe = ExecutablePath();
  const size_t slash = exe.rfind('/');
  // Without a readable link, the current directory stands in ("./").
  const std::string dir = slash == std::string::npos ? std::string(".") : exe.substr(0, slash + 1);
  return JoinProgramDir(dir, sub);
}

std::string MakeGifName(std::string_view prefix, std::string_view suffix) {
  const LocalDateTime now = LocalNow();
  std::string name = ProgramDir("Temp");
  name += std::to_string(now.month);
  name += '_';
  name += std::to_string(now.day);
  name += '_';
  name += prefix;
  name += std::to_string(DrawPictureNumber());
  name += suffix;
  return name;
}

std::string FileNamePart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace sd::host
