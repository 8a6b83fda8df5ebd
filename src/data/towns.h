#pragma once
// The towns database: a gazetteer of places in two files of one directory.
//
// "towns.ndx", plain text, one item a line: a line with "[" starts a region named by the line
// without its brackets (at most 50 characters); other lines are entries of the region started
// last; lines before the first region are ignored. A line that contains "EUROPE" reads as
// "Albania".
//
// "towns.nd", text whose every line is stored scrambled: character i of a line (counting from 1)
// is stored XOR ((i * i) mod kTownsLineModulus); line ends are not scrambled. A line whose
// plain text begins with "[$" starts a section; the lines before the first one are the head.
//
// Opening keeps "towns.nd" open after its first section line, with the head in memory, and loads
// the region index; nothing more is read.
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sd::data {

inline constexpr const char* kTownsDataFile = "towns.nd";
inline constexpr const char* kTownsIndexFile = "towns.ndx";
inline constexpr int kRegionNameMax = 50;
// Below 32, so a scrambled printable character stays printable and never becomes a line end.
inline constexpr int kTownsLineModulus = 29;

// Scrambling is its own inverse.
std::string Unscramble(std::string_view line);
inline std::string ScrambleLine(std::string_view line) { return Unscramble(line); }

class TRegions {
 public:
  explicit TRegions(std::string_view name);
  const std::string& name() const { return name_; }
  std::vector<std::string>& entries() { return entries_; }
  const std::vector<std::string>& entries() const { return entries_; }

 private:
  std::string name_;
  std::vector<std::string> entries_;
};

// A text file kept open for reading, with its head (the lines before the first section line,
// as stored) read at creation. Throws DataFileError when the file cannot be opened or read.
class TMultiFile {
 public:
  explicit TMultiFile(const std::string& path);
  ~TMultiFile();
  TMultiFile(const TMultiFile&) = delete;
  TMultiFile& operator=(const TMultiFile&) = delete;

  const std::string& path() const { return path_; }
  const std::vector<std::string>& head() const { return head_; }
  int current_section() const { return current_section_; }
  // True when the file is still open (positioned after the first section line, or at its end).
  bool is_open() const { return file_ != nullptr; }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
  std::vector<std::string> head_;
  int current_section_ = -1;
};

// Region index of one region name list entry: the name and the region it belongs to.
struct RegionName {
  std::string name;
  TRegions* region;
};

// The gazetteer of a directory. Throws DataFileError, naming the file and the reason, when
// towns.nd or towns.ndx is missing or unreadable.
class T_Towns {
 public:
  explicit T_Towns(std::string_view directory);
  ~T_Towns();
  T_Towns(const T_Towns&) = delete;
  T_Towns& operator=(const T_Towns&) = delete;

  const std::string& directory() const { return directory_; }  // with a trailing '/'
  const TMultiFile& data() const { return *data_; }
  const std::vector<std::unique_ptr<TRegions>>& regions() const { return regions_; }
  const std::vector<RegionName>& region_names() const { return region_names_; }

 private:
  void LoadIndex(const std::string& path);

  std::string directory_;
  std::unique_ptr<TMultiFile> data_;
  std::vector<std::unique_ptr<TRegions>> regions_;
  std::vector<RegionName> region_names_;
  // Five further lists of the gazetteer's interface; this system fills none of them.
  std::vector<std::string> countries_, towns_, zones_, latitudes_, longitudes_;
};

// One line of text from f without its line end (LF, or CR LF); false at the end of the file.
// Throws DataFileError (naming path) on a read error.
bool ReadTextLine(std::FILE* f, const std::string& path, std::string& line);

// Builds towns.nd and towns.ndx in dir from a readable gazetteer source:
//   # comment, blank lines ignored
//   [Region name]
//   Town name | latitude | longitude | zone hours      (decimal degrees, north and east positive)
// Both files appear whole or not at all. Throws TownsSourceError for a bad source line and
// DataFileError when a file cannot be read or written.
class TownsSourceError : public std::runtime_error {
 public:
  TownsSourceError(int line, const std::string& reason)
      : std::runtime_error("line " + std::to_string(line) + ": " + reason), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};
struct TownsBuildResult {
  int regions = 0;
  int towns = 0;
};
TownsBuildResult BuildTowns(const std::string& source_path, const std::string& dir);

}  // namespace sd::data
