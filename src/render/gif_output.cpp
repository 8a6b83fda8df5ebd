#include "render/gif_output.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace sd::render {

namespace {


std::string JoinDir(const std::string& dir, const char* name) {
  if (dir.empty()) return name;
  const char last = dir.back();
  return (last == '/' ? dir : dir + "/") + name;
}

// A new, empty file beside target.
// Returns the descriptor (or -1) and its name in tmp.
int CreateBeside(const std::string& target, std::string& tmp) {
  const size_t slash = target.find_last_of('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string pattern = dir + "." + base + ".XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = mkstemp(buf.data());
  if (fd < 0) return -1;
  tmp.assign(buf.data());
  // A picture it replaces keeps its permissions; a new one gets what the umask allows.
  struct stat st {};
  if (stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  return fd;
}

std::string GifError(int code) {
  const char* s = GifErrorString(code);
  return s ? s : "GIF error " + std::to_string(code);
}

}  // namespace

std::string ForceGifExtension(const std::string& path) {
  const size_t sep = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) return path.substr(0, dot) + ".gif";
  return path + ".gif";
}

bool WriteGifToFd(const Canvas& raster, int fd, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (fd >= 0) close(fd);
    if (error) *error = why;
    return false;
  };
  if (raster.Width() <= 0 || raster.Height() <= 0) return fail("empty raster");
  if (raster.Width() > 65535 || raster.Height() > 65535) return fail("raster too large for GIF");

  GifColorType colours[256] = {};
  for (int i = 0; i < 216; ++i) {
    colours[i].Red = static_cast<GifByteType>(51 * (i / 36));
    colours[i].Green = static_cast<GifByteType>(51 * (i / 6 % 6));
    colours[i].Blue = static_cast<GifByteType>(51 * (i % 6));
  }

  int err = 0;
  GifFileType* gif = EGifOpenFileHandle(fd, &err);
  if (!gif) return fail(GifError(err));
  ColorMapObject* map = GifMakeMapObject(256, colours);
  bool ok = map && EGifPutScreenDesc(gif, raster.Width(), raster.Height(), 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, raster.Width(), raster.Height(), false, nullptr) == GIF_OK;
  std::vector<GifPixelType> line(static_cast<size_t>(raster.Width()));
  const std::vector<Colour>& px = raster.Pixels();
  // Runs of one colour are the rule (a white page with a few lines): the index of the last
  // colour is kept instead of dividing three channels again for every pixel.
  Colour last = px.empty() ? 0 : px[0];
  GifPixelType last_index = static_cast<GifPixelType>(PaletteIndex(last));
  for (int y = 0; ok && y < raster.Height(); ++y) {
    for (int x = 0; x < raster.Width(); ++x) {
      const Colour c = px[static_cast<size_t>(y) * raster.Width() + x];
      if (c != last) {
        last = c;
        last_index = static_cast<GifPixelType>(PaletteIndex(c));
      }
      line[static_cast<size_t>(x)] = last_index;
    }
    ok = EGifPutLine(gif, line.data(), raster.Width()) == GIF_OK;
  }
  std::string why = ok ? "" : GifError(gif->Error);
  // Closing the GIF closes the descriptor too.
  if (EGifCloseFile(gif, &err) != GIF_OK && ok) {
    ok = false;
    why = GifError(err);
  }
  if (map) GifFreeMapObject(map);
  if (!ok) {
    if (error) *error = why;
    return false;
  }
  return true;
}

bool WriteGif(const Canvas& raster, const std::string& path, std::string* error) {
  std::string tmp;
  const int fd = CreateBeside(path, tmp);
  if (fd < 0) {
    if (error) *error = std::string("cannot create a file beside ") + path + ": " + std::strerror(errno);
    return false;
  }
  if (!WriteGifToFd(raster, fd, error)) {
    unlink(tmp.c_str());
    return false;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    if (error) *error = std::string("cannot rename into place: ") + std::strerror(errno);
    unlink(tmp.c_str());
    return false;
  }
  return true;
}

void SaveBitmapAsGif(const Canvas& raster, const std::string& path) {
  const std::string target = ForceGifExtension(path);
  std::string why;
  if (!WriteGif(raster, target, &why)) std::fprintf(stderr, "stockdyn: picture %s not written: %s\n", target.c_str(), why.c_str());
}

void PictureNameMemory::Load(const std::string& dir) noexcept {
  name_ = kDefaultName;
  on_disk_ = OnDisk::kDiffers;
  try {
    const std::string path = JoinDir(dir, kFileName);
    // Never blocking (a FIFO in its place) and only from a regular file (not a link to a
    // device that never ends); a bounded amount, so a huge line costs nothing.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      if (errno == ENOENT) on_disk_ = OnDisk::kMissing;
      return;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      on_disk_ = OnDisk::kNotAFile;
      close(fd);
      return;
    }
    std::string text(kMaxBytes, '\0');
    size_t got = 0;
    while (got < text.size()) {
      const ssize_t n = read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n < 0) got = 0, text.clear();
        break;
      }
      got += static_cast<size_t>(n);
    }
    close(fd);
    if (text.empty()) return;  // unreadable: the default stays
    text.resize(got);
    const size_t end = text.find('\n');
    // A first line longer than any picture name is not one: the default stays.
    if (end == std::string::npos && got == kMaxBytes) return;
    std::string line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    name_ = std::move(line);
    on_disk_ = OnDisk::kSame;
  } catch (...) {
    name_ = kDefaultName;  // out of memory: the default, as for any failure of this file
    on_disk_ = OnDisk::kDiffers;
  }
}

void PictureNameMemory::SetName(const std::string& name) {
  if (name != name_ && on_disk_ == OnDisk::kSame) on_disk_ = OnDisk::kDiffers;
  name_ = name;
}

bool PictureNameMemory::Save(const std::string& dir) const noexcept {
  // An unchanged value is not rewritten: the program directory need not be writable for it,
  // and concurrent requests do not replace the file under each other.
  if (on_disk_ == OnDisk::kSame) return true;
  try {
    const std::string target = JoinDir(dir, kFileName);
    struct stat st {};
    if (lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      // A link, FIFO or device put there by someone else stays as it is.
      std::fprintf(stderr, "stockdyn: %s not written: not a regular file\n", target.c_str());
      return false;
    }
    std::string tmp;
    const int fd = CreateBeside(target, tmp);
    bool ok = fd >= 0;
    std::string why = ok ? "" : std::strerror(errno);
    if (ok) {
      // Readable by all, writable by the owner, whatever the umask of the server.
      if (fchmod(fd, 0644) != 0) {
        ok = false;
        why = std::strerror(errno);
      }
      const std::string text = name_ + "\n";
      size_t done = 0;
      while (ok && done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          ok = false;
          why = std::strerror(errno);
        } else {
          done += static_cast<size_t>(n);
        }
      }
      if (close(fd) != 0 && ok) {
        ok = false;
        why = std::strerror(errno);
      }
      if (ok && std::rename(tmp.c_str(), target.c_str()) != 0) {
        ok = false;
        why = std::strerror(errno);
      }
      if (!ok) unlink(tmp.c_str());
    }
    if (!ok) std::fprintf(stderr, "stockdyn: %s not written: %s\n", target.c_str(), why.c_str());
    return ok;
  } catch (...) {
    std::fprintf(stderr, "stockdyn: %s not written: out of memory\n", kFileName);
    return false;
  }
}

}  // namespace sd::render
