#include "cgi/temp_sweep.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>


namespace sd::cgi {
namespace {

// Reads a whole number of 1 to max_digits digits without a leading zero (0 itself allowed
// when zero_ok) from the front of s; false when there is none.
bool TakeNumber(std::string_view& s, size_t max_digits, bool zero_ok, long& value) {
  size_t n = 0;
  while (n < s.size() && n <= max_digits && s[n] >= '0' && s[n] <= '9') ++n;
  if (n == 0 || n > max_digits) return false;
  if (s[0] == '0' && (n > 1 || !zero_ok)) return false;
  value = 0;
  for (size_t i = 0; i < n; ++i) value = value * 10 + (s[i] - '0');
  s.remove_prefix(n);
  return true;
}

bool Take(std::string_view& s, std::string_view what) {
  if (s.substr(0, what.size()) != what) return false;
  s.remove_prefix(what.size());
  return true;
}

}  // namespace

bool IsPictureName(std::string_view name) {
  long v = 0;
  if (Take(name, ".picture_")) return TakeNumber(name, 10, false, v) && name == ".gif";
  long month = 0, day = 0, number = 0;
  if (!TakeNumber(name, 2, false, month) || month > 12 || !Take(name, "_")) return false;
  if (!TakeNumber(name, 2, false, day) || day > 31 || !Take(name, "_sc_stock_dyn_")) return false;
  if (!TakeNumber(name, 4, true, number) || number > 8999) return false;
  if (name == ".gif") return true;
  long pid = 0, counter = 0;
  return Take(name, "_") && TakeNumber(name, 10, false, pid) && Take(name, "_") &&
         TakeNumber(name, 10, false, counter) && name == ".gif";
}

SweepResult SweepOldPictures(const std::string& temp_dir, int lifetime_minutes, std::time_t now) {
  SweepResult result;
  if (lifetime_minutes <= 0) return result;
  const int dir_fd = ::open(temp_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) return result;
  // The lock file is opened without following a link planted in its place.
  const int lock_fd =
      ::openat(dir_fd, kSweepLockFile, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (lock_fd < 0) {
    ::close(dir_fd);
    return result;
  }
  struct stat lock_st {};
  // Another request sweeping, or a sweep less than a minute ago: nothing to do. The time is
  // looked at only under the lock, so two requests never both decide to sweep.
  if (::flock(lock_fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(lock_fd, &lock_st) != 0 ||
      !S_ISREG(lock_st.st_mode) ||
      (lock_st.st_size > 0 && now - lock_st.st_mtim.tv_sec < kSweepIntervalSeconds &&
       lock_st.st_mtim.tv_sec <= now)) {
    ::close(lock_fd);
    ::close(dir_fd);
    return result;
  }
  // The file's content marks that a sweep has run (a new, empty lock file does not count).
  if (lock_st.st_size == 0) (void)!::write(lock_fd, "sweep\n", 6);
  const timespec times[2] = {{now, 0}, {now, 0}};
  ::futimens(lock_fd, times);
  result.swept = true;

  const std::time_t oldest_kept = now - static_cast<std::time_t>(lifetime_minutes) * 60;
  const int scan_fd = ::dup(dir_fd);
  DIR* dir = scan_fd >= 0 ? ::fdopendir(scan_fd) : nullptr;
  if (dir == nullptr && scan_fd >= 0) ::close(scan_fd);
  if (dir != nullptr) {
    while (const dirent* e = ::readdir(dir)) {
      if (!IsPictureName(e->d_name)) continue;
      struct stat st {};
      if (::fstatat(dir_fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
      if (st.st_mtim.tv_sec >= oldest_kept) continue;
      if (::unlinkat(dir_fd, e->d_name, 0) == 0) ++result.removed;
    }
    ::closedir(dir);
  }
  ::close(lock_fd);  // releases the lock
  ::close(dir_fd);
  return result;
}

}  // namespace sd::cgi
