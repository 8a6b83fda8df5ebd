#pragma once
// Keeping the picture directory bounded: requests remove the program's own pictures once they
// are older than the installation's picture lifetime. A sweep runs at most once a minute over
// all requests, one at a time (a lock file in the directory), and touches nothing but regular
// files whose names are picture names this program makes.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace sd::cgi {

// [Site] PictureLifetimeMinutes of srv_stock_dyn.ini: the default, and what 0 means.
inline constexpr const char* kPictureLifetimeKey = "PictureLifetimeMinutes";
inline constexpr int kDefaultPictureLifetimeMinutes = 60;
// The lock file of the sweep, in the picture directory; its modification time is the time of
// the last sweep. Not a picture name, so the web server never hands it out.
inline constexpr const char* kSweepLockFile = ".sweep.lock";
// Sweeps are at least this far apart.
inline constexpr int kSweepIntervalSeconds = 60;

// True for the names the program gives pictures in the picture directory:
//   M_D_sc_stock_dyn_N.gif           M 1..12, D 1..31, N 0..8999, plain decimal
//   M_D_sc_stock_dyn_N_P_K.gif       the same, extended by a process id P and a counter K
//                                    (both from 1) when the plain names keep clashing
//   .picture_P.gif                   the temporary file of a process (file systems without
//                                    unnamed files), left only by a run that was killed
bool IsPictureName(std::string_view name);

struct SweepResult {
  bool swept = false;  // false: lifetime 0, another request sweeping, or swept less than a minute ago
  int removed = 0;
};

// Removes from temp_dir every regular file with a picture name whose modification time is more
// than lifetime_minutes before `now` (seconds since the epoch), when no sweep ran in the last
// minute and no other request is sweeping. Never throws; a directory that cannot be read or
// locked is left alone.
SweepResult SweepOldPictures(const std::string& temp_dir, int lifetime_minutes, std::time_t now);

}  // namespace sd::cgi
