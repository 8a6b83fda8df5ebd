#include "data/ini.h"

#include "data/atomic_file.h"
#include "data/cp1251.h"
#include "data/data_error.h"
#include "data/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <ios>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace sd::data {
namespace {

bool IsWordSeparator(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 32 || c == ' ' || c == ',';
}

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsWordSeparator(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsWordSeparator(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperCp1251(a[i]) != UpperCp1251(b[i])) return false;
  }
  return true;
}

bool ParseIniInteger(std::string_view text, int32_t& out) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size()) return false;
  int64_t value = 0;
  if (text[i] == '$') {
    ++i;
    if (i >= text.size()) return false;
    for (; i < text.size(); ++i) {
      const int d = HexDigit(text[i]);
      if (d < 0) return false;
      value = value * 16 + d;
      if (value > 0xFFFFFFFFLL) return false;
    }
    // The hex digits are the 32-bit pattern: $FFFFFFFF is -1.
    auto pattern = static_cast<int32_t>(static_cast<uint32_t>(value));
    out = negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(pattern)) : pattern;
    return true;
  }
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return false;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return false;
  out = static_cast<int32_t>(value);
  return true;
}

bool ParseIniReal(std::string_view text, double& out) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exp_digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != text.size()) return false;
  // from_chars takes no '+' and is independent of the locale.
  std::string_view number = text.substr(start);
  if (number.front() == '+') number.remove_prefix(1);
  double v = 0;
  const auto r = std::from_chars(number.data(), number.data() + number.size(), v);
  if (r.ec != std::errc() || r.ptr != number.data() + number.size()) return false;
  out = v;
  return true;
}

// ---- TSectionList ----------------------------------------------------------------------

int TSectionList::IndexOf(std::string_view name) {
  const int n = Count();
  if (n == 0) return -1;
  const int start = last_found_ < n ? last_found_ : 0;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (SameTextIgnoringCase(sections_[static_cast<size_t>(i)].name, name)) {
      last_found_ = i;
      return i;
    }
  }
  return -1;
}

int TSectionList::Add(std::string name) {
  sections_.push_back(Section{std::move(name), {}});
  return Count() - 1;
}

void TSectionList::Clear() {
  sections_.clear();
  last_found_ = 0;
}

// ---- TBigIniFile: reading ----------------------------------------------------------------

TBigIniFile::TBigIniFile(std::string file_name, uint64_t max_bytes)
    : file_name_(std::move(file_name)), max_bytes_(max_bytes) {
  if (!file_name_.empty()) ReadFile();
  modified_ = false;
}

TBigIniFile::~TBigIniFile() {
  try {
    UpdateFile();
  } catch (...) {
    // Nowhere to report it from here; see the header.
  }
}

void TBigIniFile::ReadFile() {
  const std::optional<std::string> read = ReadDataFile(file_name_, max_bytes_, /*missing_ok=*/true);
  if (!read) return;  // no file: no sections
  const std::string& text = *read;

  int current = -1;
  bool first_end = true;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\n' && c != '\r') continue;
    const bool crlf = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if (first_end) crlf_ = crlf;
    first_end = false;
    AddLine(text.substr(start, i - start), current);
    if (crlf) ++i;
    start = i + 1;
  }
  if (start < text.size()) AddLine(text.substr(start), current);

  DropDuplicateSections();
  modified_ = false;
}

void TBigIniFile::AddLine(std::string line, int& current) {
  if (line == "\x1A") return;  // end-of-file mark of old editors
  if (DropCommentLines && !line.empty() && line.front() == ';') return;
  if (line.empty()) return;
  if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
    current = sections_.Add(line.substr(1, line.size() - 2));
    return;
  }
  size_t eq = line.find('=');
  if (DropBlanksAroundEquals && eq != std::string::npos) {
    size_t after = eq + 1;
    while (after < line.size() && IsBlankOrTab(line[after])) ++after;
    size_t before = eq;
    while (before > 0 && IsBlankOrTab(line[before - 1])) --before;
    line = line.substr(0, before) + "=" + line.substr(after);
    eq = before;
  }
  if (StripQuotes && eq != std::string::npos) {
    const size_t len = line.size() - eq - 1;
    const char q = len > 1 ? line[eq + 1] : '\0';
    if ((q == '"' || q == '\'') && line.back() == q) line = line.substr(0, eq + 1) + line.substr(eq + 2, len - 2);
  }
  if (DropLinesWithoutEquals && eq == std::string::npos) return;
  if (current < 0) {
    preamble_.push_back(std::move(line));
  } else {
    sections_.At(current).lines.push_back(std::move(line));
  }
}

void TBigIniFile::DropDuplicateSections() {
  auto& items = sections_.Items();
  std::vector<bool> keep(items.size(), true);
  // The section in force for each upper-cased name: one look-up per section instead of a
  // comparison with every earlier one (files of many thousand sections are read per request).
  std::unordered_map<std::string, size_t> in_force;
  in_force.reserve(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    auto [it, first] = in_force.try_emplace(UpperCaseCp1251(items[i].name), i);
    if (first) continue;
    const size_t j = it->second;
    const bool keep_earlier =
        duplicate_handler_ == nullptr ||
        duplicate_handler_(duplicate_user_, items[i].name, items[j].lines, items[i].lines);
    if (keep_earlier) {
      keep[i] = false;
    } else {
      keep[j] = false;
      it->second = i;
    }
  }
  std::vector<TSectionList::Section> kept;
  kept.reserve(in_force.size());
  for (size_t i = 0; i < items.size(); ++i) {
    if (keep[i]) kept.push_back(std::move(items[i]));
  }
  items.swap(kept);
}

void TBigIniFile::Reload(std::string file_name) {
  UpdateFile();
  sections_.Clear();
  preamble_.clear();
  current_section_ = 0;
  crlf_ = false;
  file_name_ = std::move(file_name);
  if (!file_name_.empty()) ReadFile();
  modified_ = false;
}

// ---- lookups -------------------------------------------------------------------------------

int TBigIniFile::FindSection(std::string_view section) {
  const int n = sections_.Count();
  if (n == 0) return -1;
  const int start = current_section_ < n ? current_section_ : 0;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (SameTextIgnoringCase(sections_.At(i).name, section)) {
      current_section_ = i;
      return i;
    }
  }
  return -1;
}

int TBigIniFile::FindKey(const StringList& lines, std::string_view key) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t eq = lines[i].find('=');
    if (eq != std::string::npos && SameTextIgnoringCase(std::string_view(lines[i]).substr(0, eq), key))
      return static_cast<int>(i);
  }
  return -1;
}

std::string TBigIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) {
  const int s = FindSection(section);
  if (s < 0) return std::string(def);
  const StringList& lines = sections_.At(s).lines;
  const int k = FindKey(lines, key);
  if (k < 0) return std::string(def);
  const std::string& line = lines[static_cast<size_t>(k)];
  return line.substr(line.find('=') + 1);
}

int32_t TBigIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) {
  std::string text = ReadString(section, key, "");
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.replace(0, 2, "$");
  int32_t v = 0;
  return ParseIniInteger(text, v) ? v : def;
}

bool TBigIniFile::ReadBool(std::string_view section, std::string_view key, bool def) {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TBigIniFile::ReadSection(std::string_view section, StringList& keys) {
  const int s = sections_.IndexOf(section);
  if (s < 0) return;
  for (const std::string& line : sections_.At(s).lines) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
  }
}

void TBigIniFile::ReadSections(StringList& names) {
  names.clear();
  for (const auto& s : sections_.Items()) names.push_back(s.name);
}

void TBigIniFile::ReadSectionValues(std::string_view section, StringList& lines) {
  const int s = sections_.IndexOf(section);
  if (s < 0) return;
  const StringList& own = sections_.At(s).lines;
  lines.insert(lines.end(), own.begin(), own.end());
}

// ---- changes and writing back --------------------------------------------------------------

void TBigIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (key.empty()) {
    if (!section.empty() || !value.empty()) {
      EraseSection(section);
    } else {
      UpdateFile();
    }
    return;
  }
  int s = FindSection(section);
  if (s < 0) s = sections_.Add(std::string(section));
  StringList& lines = sections_.At(s).lines;
  std::string text(key);
  text += '=';
  text += value;
  const int k = FindKey(lines, key);
  if (k < 0) {
    lines.push_back(std::move(text));
    modified_ = true;
  } else if (lines[static_cast<size_t>(k)] != text) {
    lines[static_cast<size_t>(k)] = std::move(text);
    modified_ = true;
  }
}

void TBigIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TBigIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TBigIniFile::EraseSection(std::string_view section) {
  const int s = sections_.IndexOf(section);
  if (s < 0) return;
  sections_.At(s).lines.clear();
  modified_ = true;
}

void TBigIniFile::WriteAllTo(StringList& out) {
  if (!preamble_.empty()) {
    out.insert(out.end(), preamble_.begin(), preamble_.end());
    out.emplace_back();
  }
  for (const auto& s : sections_.Items()) {
    if (s.lines.empty()) continue;
    out.push_back("[" + s.name + "]");
    out.insert(out.end(), s.lines.begin(), s.lines.end());
    out.emplace_back();
  }
}

void TBigIniFile::UpdateFile() {
  if (!modified_ || file_name_.empty()) return;
  StringList lines;
  WriteAllTo(lines);
  const char* eol = crlf_ ? "\r\n" : "\n";
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += eol;
  }

  struct stat old {};
  // The rewritten file keeps the old one's permissions.
  const mode_t mode = ::stat(file_name_.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  try {
    AtomicFile file(file_name_, mode);
    file.Write(text);
    file.Finish();
    file.Replace();
  } catch (const DataFileError& e) {
    throw std::ios_base::failure(e.what());
  }
  modified_ = false;
}

// ---- TSpecIniFile --------------------------------------------------------------------------

double TSpecIniFile::ReadFloat(std::string_view section, std::string_view key, double& dest, double def) {
  std::string text = ReadString(section, key, "");
  if (text.size() > 255) text.resize(255);
  const size_t comma = text.find(',');
  if (comma != std::string::npos) text[comma] = '.';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  double v = 0;
  dest = ParseIniReal(text, v) ? v : def;
  return dest;
}

void TSpecIniFile::ReadSet(std::string_view section, std::string_view key, astro::ObjectSet& dest,
                           const astro::ObjectSet& def) {
  const std::string text = ReadString(section, key, "");
  if (text.empty()) {
    dest = def;
    return;
  }
  astro::ObjectSet result;
  for (std::string_view word : SplitWords(text)) {
    int32_t v = 0;
    if (!ParseIniInteger(word, v)) v = 255;
    const auto member = static_cast<uint8_t>(static_cast<uint32_t>(v) & 0xFFu);
    if (member != 255 && member <= astro::ObjectSet::kMaxMember) result.Add(member);
  }
  dest = result;
}

void TSpecIniFile::ReadIntArray(std::string_view section, std::string_view key, int highest,
                                int32_t* dest, const int32_t* def) {
  if (highest < 0) return;
  const auto count = static_cast<size_t>(highest) + 1;
  for (size_t i = 0; i < count; ++i) dest[i] = def[i];
  const std::string text = ReadString(section, key, "");
  const auto words = SplitWords(text);
  for (size_t i = 0; i < words.size() && i < count; ++i) {
    int32_t v = 0;
    if (ParseIniInteger(words[i], v)) dest[i] = v;
  }
}

}  // namespace sd::data
