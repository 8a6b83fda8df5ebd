#pragma once
// The CGI's one-line memory of the last picture name, kept beside the program.
#include <cstddef>
#include <string>

namespace sd::host {

// The name of the last picture, kept in "PictureName.ini" in the program directory. The owner
// loads it at process start and saves it at process end. Neither ever throws, blocks or aborts:
// a failure of this file leaves the default name and at most one line on stderr.
class PictureNameMemory {
 public:
  static constexpr const char* kFileName = "PictureName.ini";
  static constexpr const char* kDefaultName = "Picture.bmp";
  // The most that is read of the file: a first line longer than this is no picture name.
  static constexpr size_t kMaxBytes = 4096;

  const std::string& Name() const { return name_; }

  // name := "Picture.bmp", then the first line of dir/PictureName.ini when that is a regular
  // file whose first line fits in kMaxBytes. dir is the program directory, with or without a
  // trailing separator. A FIFO or device in its place is not read (and never waited for).
  void Load(const std::string& dir) noexcept;
  // Writes dir/PictureName.ini, mode 0644, as a file whose only line is the name, unless its
  // first line already holds the name (nothing is rewritten) or something other than a
  // regular file is there. Failures leave the previous file as it was and one line on stderr;
  // returns whether the file now holds the name.
  bool Save(const std::string& dir) const noexcept;

 private:
  enum class OnDisk { kMissing, kSame, kDiffers, kNotAFile };
  std::string name_ = kDefaultName;
  OnDisk on_disk_ = OnDisk::kDiffers;
};

}  // namespace sd::host
