#include "data/towns.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <set>

#include "astro/calendar.h"
#include "data/atomic_file.h"
#include "data/cp1251.h"
#include "data/data_error.h"
#include "data/data_file.h"
#include "data/trim.h"

#include <unistd.h>

namespace sd::data {
namespace {

// Both files are read at start-up of every request: a FIFO, a device or a file of gigabytes in
// their place is refused before anything is read.
std::FILE* OpenText(const std::string& path) {
  const int fd = OpenDataFile(path, kTownsFileMaxBytes, /*missing_ok=*/false);
  std::FILE* f = ::fdopen(fd, "rb");
  if (!f) {
    const int err = errno;
    ::close(fd);
    throw DataFileError(path, std::string("cannot open: ") + std::strerror(err));
  }
  return f;
}

struct FileCloser {
  std::FILE* f;
  ~FileCloser() {
    if (f) std::fclose(f);
  }
};

std::optional<double> ParseDegrees(const std::string& s, double limit) {
  std::string_view body = s;
  if (!body.empty() && body[0] == '+') body.remove_prefix(1);
  if (body.empty() || body.find_first_not_of("-0123456789.") != std::string_view::npos)
    return std::nullopt;
  double v = 0;
  const auto r = std::from_chars(body.data(), body.data() + body.size(), v);
  if (r.ec != std::errc() || r.ptr != body.data() + body.size() || !std::isfinite(v) ||
      std::fabs(v) > limit)
    return std::nullopt;
  return v;
}

std::string Packed(double decimal) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", astro::DecimalToHms(decimal));
  return buf;
}

}  // namespace

std::string Unscramble(std::string_view line) {
  std::string out(line);
  for (size_t i = 0; i < out.size(); ++i) {
    const size_t n = i + 1;
    out[i] = static_cast<char>(out[i] ^ static_cast<char>((n * n) % kTownsLineModulus));
  }
  return out;
}

bool ReadTextLine(std::FILE* f, const std::string& path, std::string& line) {
  line.clear();
  int c;
  bool any = false;
  while ((c = std::getc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    line += static_cast<char>(c);
  }
  if (c == EOF && std::ferror(f)) throw DataFileError(path, std::string("cannot read: ") + std::strerror(errno));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

TRegions::TRegions(std::string_view name) : name_(name.substr(0, kRegionNameMax)) {}

TMultiFile::TMultiFile(const std::string& path) : path_(path), file_(OpenText(path)) {
  try {
    std::string line;
    while (ReadTextLine(file_, path_, line)) {
      const std::string plain = Unscramble(line);
      if (plain.find("[$") == std::string::npos) head_.push_back(line);
      if (plain.rfind("[$", 0) == 0) break;
    }
  } catch (...) {
    std::fclose(file_);
    file_ = nullptr;
    throw;
  }
}

TMultiFile::~TMultiFile() {
  if (file_) std::fclose(file_);
}

T_Towns::T_Towns(std::string_view directory) : directory_(directory) {
  if (directory_.empty() || directory_.back() != '/') directory_ += '/';
  data_ = std::make_unique<TMultiFile>(directory_ + kTownsDataFile);
  LoadIndex(directory_ + kTownsIndexFile);
}

T_Towns::~T_Towns() = default;

void T_Towns::LoadIndex(const std::string& path) {
  FileCloser file{OpenText(path)};
  std::unique_ptr<TRegions> current;
  std::string line;
  while (ReadTextLine(file.f, path, line)) {
    if (line.find("EUROPE") != std::string::npos) line = "Albania";
    if (line.find('[') != std::string::npos) {
      if (current) regions_.push_back(std::move(current));
      std::string name;
      for (char c : line)
        if (c != '[' && c != ']') name += c;
      current = std::make_unique<TRegions>(name);
    } else if (current) {
      current->entries().push_back(line);
    }
  }
  if (current) regions_.push_back(std::move(current));
  region_names_.clear();
  for (const auto& r : regions_) region_names_.push_back({r->name(), r.get()});
}

namespace {

struct SourceTown {
  std::string name, lat, lon, zone;  // name in code page 1251, the rest packed degrees or hours
};

struct SourceRegion {
  std::string name;
  std::vector<SourceTown> towns;
};

// Texts are stored in code page 1251 and must survive both readers: no brackets (a region
// line), no "EUROPE" (read as another name), no control characters (scrambling keeps
// printable characters printable, so line ends stay line ends).
std::string StoredTownsText(int line, const std::string& text, const char* what) {
  const auto t = Utf8ToCp1251(text);
  if (!t) throw TownsSourceError(line, std::string(what) + " is not UTF-8 in code page 1251's characters");
  if (t->empty()) throw TownsSourceError(line, std::string(what) + " is empty");
  for (char c : *t) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      throw TownsSourceError(line, std::string(what) + " holds a control character");
    if (c == '[' || c == ']' || c == '|')
      throw TownsSourceError(line, std::string(what) + " holds a bracket or '|'");
  }
  if (t->find("EUROPE") != std::string::npos)
    throw TownsSourceError(line, std::string(what) + " holds \"EUROPE\", which the index reads as another name");
  return *t;
}

// "[Name]", trimmed: a region's name, once in the file.
std::string ParseRegionLine(int line_no, const std::string& t, std::set<std::string>& region_names) {
  if (t.back() != ']' || t.size() < 3) throw TownsSourceError(line_no, "a region line is [Name]");
  const std::string name = StoredTownsText(line_no, std::string(Trim(t.substr(1, t.size() - 2), kSpaceTab)), "region name");
  if (name.size() > static_cast<size_t>(kRegionNameMax))
    throw TownsSourceError(line_no, "region name longer than 50 characters");
  if (!region_names.insert(name).second) throw TownsSourceError(line_no, "region named twice");
  return name;
}

// "name | latitude | longitude | zone hours", trimmed.
SourceTown ParseTownLine(int line_no, const std::string& t) {
  std::vector<std::string> f;
  size_t s = 0;
  while (true) {
    const size_t bar = t.find('|', s);
    f.push_back(std::string(Trim(t.substr(s, bar == std::string::npos ? std::string::npos : bar - s), kSpaceTab)));
    if (bar == std::string::npos) break;
    s = bar + 1;
  }
  if (f.size() != 4) throw TownsSourceError(line_no, "a town line is: name | latitude | longitude | zone hours");
  const std::string name = StoredTownsText(line_no, f[0], "town name");
  const auto lat = ParseDegrees(f[1], 90.0);
  if (!lat) throw TownsSourceError(line_no, "latitude '" + f[1] + "' is not -90 to 90 degrees");
  const auto lon = ParseDegrees(f[2], 180.0);
  if (!lon) throw TownsSourceError(line_no, "longitude '" + f[2] + "' is not -180 to 180 degrees");
  const auto zone = ParseDegrees(f[3], 15.0);
  if (!zone) throw TownsSourceError(line_no, "zone '" + f[3] + "' is not -15 to 15 hours");
  return {name, Packed(*lat), Packed(*lon), Packed(*zone)};
}

// The source text's regions with their towns, in the order written; blank lines and lines
// beginning with '#' are skipped.
std::vector<SourceRegion> ParseTownsSource(const std::string& source) {
  std::vector<SourceRegion> regions;
  std::set<std::string> region_names;
  int line_no = 0;
  size_t pos = 0;
  while (pos < source.size()) {
    ++line_no;
    size_t end = source.find('\n', pos);
    if (end == std::string::npos) end = source.size();
    std::string line = source.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string t(Trim(line, kSpaceTab));
    if (t.empty() || t[0] == '#') continue;
    if (t.front() == '[') {
      regions.push_back({ParseRegionLine(line_no, t, region_names), {}});
      continue;
    }
    if (regions.empty()) throw TownsSourceError(line_no, "a town before the first [Region] line");
    regions.back().towns.push_back(ParseTownLine(line_no, t));
  }
  if (regions.empty()) throw TownsSourceError(line_no, "no [Region] line");
  return regions;
}

// The data file (scrambled lines, a two-line head, "[$Region]" lines) and its index (plain
// "[Region]" lines and town names), written together so that readers never see one without
// the other. Returns the number of towns.
int WriteTownsFiles(const std::vector<SourceRegion>& regions, const std::string& dir) {
  int towns = 0;
  for (const SourceRegion& r : regions) towns += static_cast<int>(r.towns.size());
  std::string nd, ndx;
  auto nd_line = [&nd](const std::string& plain) {
    nd += ScrambleLine(plain);
    nd += '\n';
  };
  nd_line("stockdyn gazetteer");
  nd_line("regions " + std::to_string(regions.size()) + " towns " + std::to_string(towns));
  for (const SourceRegion& r : regions) {
    nd_line("[$" + r.name + "]");
    ndx += "[" + r.name + "]\n";
    for (const SourceTown& t : r.towns) {
      nd_line(t.name + "|" + t.lat + "|" + t.lon + "|" + t.zone);
      ndx += t.name + "\n";
    }
  }
  WriteFilesAtomically({{dir + "/" + kTownsDataFile, nd}, {dir + "/" + kTownsIndexFile, ndx}});
  return towns;
}

}  // namespace

TownsBuildResult BuildTowns(const std::string& source_path, const std::string& dir) {
  const std::vector<SourceRegion> regions = ParseTownsSource(ReadWholeFile(source_path));
  const int towns = WriteTownsFiles(regions, dir);
  return {static_cast<int>(regions.size()), towns};
}

}  // namespace sd::data
