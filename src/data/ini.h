#pragma once
// INI-style text files: "[Name]" lines open sections, the lines below them hold key=value.
// TBigIniFile reads the whole file at construction and answers from memory; changes are
// written back whole (temp file, then rename) by UpdateFile or on destruction.
//
// Section names and keys compare without regard to case: ASCII letters and the Cyrillic
// letters of code page 1251, the single-byte code page these files are written in. Values and
// every other byte are kept as they are. CR LF, a bare LF and a bare CR all end a line.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "astro/object_set.h"
#include "data/data_file.h"

namespace sd::data {

using StringList = std::vector<std::string>;

// True when a and b are equal without regard to case (see above).
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// Integer text as the typed readers accept it: optional leading blanks, an optional sign,
// then decimal digits, or '$' and up to eight hex digits (taken as the 32-bit pattern);
// nothing may follow. False for anything else, also for a decimal outside 32 bits.
bool ParseIniInteger(std::string_view text, int32_t& out);
// Decimal real: optional leading blanks, optional sign, digits with at most one point (at
// least one digit), an optional exponent; nothing may follow. No inf, nan or hex forms.
bool ParseIniReal(std::string_view text, double& out);

// The sections of a file in file order, each owning its lines verbatim.
class TSectionList {
 public:
  struct Section {
    std::string name;  // as written between the brackets
    StringList lines;
  };

  // Index of the section named `name` (case-insensitive), searching from the entry found
  // last to the end, then from the start up to it; -1 when there is none.
  int IndexOf(std::string_view name);

  int Count() const { return static_cast<int>(sections_.size()); }
  Section& At(int i) { return sections_[static_cast<size_t>(i)]; }
  const Section& At(int i) const { return sections_[static_cast<size_t>(i)]; }
  int Add(std::string name);  // appended; returns its index
  void Clear();
  std::vector<Section>& Items() { return sections_; }
  const std::vector<Section>& Items() const { return sections_; }

 private:
  std::vector<Section> sections_;
  int last_found_ = 0;
};

class TBigIniFile {
 public:
  // Asked, for each later section whose name repeats an earlier one, whether to keep the
  // earlier (true) or the later (false).
  using DuplicateHandler = bool (*)(intptr_t user, const std::string& section,
                                    const StringList& kept_lines, const StringList& other_lines);

  static constexpr int kBufferSize = 16384;

  // The largest file read unless the owner says otherwise.
  static constexpr uint64_t kDefaultMaxBytes = kModelFileMaxBytes;

  // Reads file_name; a missing file gives an object without sections. An empty name reads
  // nothing (set the filters, then Reload). A file larger than max_bytes, or one that is not a
  // regular file, throws DataFileError before anything is read (a FIFO never blocks); a read
  // error throws std::ios_base::failure.
  explicit TBigIniFile(std::string file_name, uint64_t max_bytes = kDefaultMaxBytes);
  // Writes back when modified; a failure there is lost (a destructor cannot report it), so
  // owners that write call UpdateFile themselves first.
  virtual ~TBigIniFile();
  TBigIniFile(const TBigIniFile&) = delete;
  TBigIniFile& operator=(const TBigIniFile&) = delete;

  virtual std::string ReadString(std::string_view section, std::string_view key,
                                 std::string_view def);
  virtual void WriteString(std::string_view section, std::string_view key, std::string_view value);
  virtual int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def);
  virtual void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  virtual bool ReadBool(std::string_view section, std::string_view key, bool def);
  virtual void WriteBool(std::string_view section, std::string_view key, bool value);
  // Appends the key of every line of the section that has one.
  virtual void ReadSection(std::string_view section, StringList& keys);
  // Replaces the list's content with all section names in file order.
  virtual void ReadSections(StringList& names);
  // Appends the section's lines.
  virtual void ReadSectionValues(std::string_view section, StringList& lines);
  // Empties the section's lines; its name stays.
  virtual void EraseSection(std::string_view section);
  // Appends the whole content as text lines: lines that stood before the first section, then
  // for every section with lines "[name]", its lines and one empty line.
  virtual void WriteAllTo(StringList& out);
  // Writes the file when modified and named: whole or not at all (a temporary file in the
  // same directory, then rename). Throws std::ios_base::failure when that fails; the old
  // file is then untouched and modified stays set.
  virtual void UpdateFile();

  // Writes back, forgets everything, and reads file_name (nothing for an empty name).
  void Reload(std::string file_name);

  const std::string& FileName() const { return file_name_; }
  bool Modified() const { return modified_; }

  void SetDuplicateHandler(DuplicateHandler handler, intptr_t user) {
    duplicate_handler_ = handler;
    duplicate_user_ = user;
  }

  // Line filters applied while reading; all off unless the owner sets them before a read.
  bool DropCommentLines = false;        // a line starting with ';' counts as empty
  bool DropLinesWithoutEquals = false;  // a line without '=' is not kept
  bool DropBlanksAroundEquals = false;  // blanks and tabs next to the first '=' go
  bool StripQuotes = false;             // "value" or 'value' after the first '=' loses its quotes

 protected:
  // Index of the section (case-insensitive), searching from the current section onward and
  // wrapping; the found one becomes current. -1 when there is none.
  int FindSection(std::string_view section);
  // Index of the first line of the section whose key is `key`; -1 when there is none.
  static int FindKey(const StringList& lines, std::string_view key);

 private:
  void ReadFile();
  void AddLine(std::string line, int& current);
  void DropDuplicateSections();

  std::string file_name_;
  uint64_t max_bytes_;
  bool modified_ = false;
  TSectionList sections_;
  // Lines before the first section header: no lookup sees them, but a write-back keeps them.
  StringList preamble_;
  int current_section_ = 0;
  bool crlf_ = false;  // the file read used CR LF; a write-back keeps its line ends
  DuplicateHandler duplicate_handler_ = nullptr;
  intptr_t duplicate_user_ = 0;
};

// A TBigIniFile with the typed readers the model loader uses.
class TSpecIniFile : public TBigIniFile {
 public:
  using TBigIniFile::TBigIniFile;

  // A decimal real ("," accepted as the point); the default when missing or malformed.
  // The result is also stored in dest.
  double ReadFloat(std::string_view section, std::string_view key, double& dest, double def);
  // A list of members 0..207 separated by blanks, commas or control characters. Each word is
  // taken modulo 256 (a word that is no integer counts as 255); 255 and members above 207 are
  // ignored. A missing or empty value gives the default set.
  void ReadSet(std::string_view section, std::string_view key, astro::ObjectSet& dest,
               const astro::ObjectSet& def);
  // Elements 0..highest, separated as for ReadSet; a missing or malformed word leaves its
  // element at the default, and words beyond `highest` are ignored.
  void ReadIntArray(std::string_view section, std::string_view key, int highest, int32_t* dest,
                    const int32_t* def);
};

}  // namespace sd::data
