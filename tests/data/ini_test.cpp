#include "data/ini.h"

#include "data/data_error.h"
#include "../support/scratch_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace sd::data {
namespace {

namespace fs = std::filesystem;

// A scratch directory per test, removed afterwards.
class IniFile : public ::testing::Test {
 protected:
  testing_support::ScratchDir scratch_;
  const fs::path dir_{scratch_.path()};

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  size_t FileCount() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++n;
    return n;
  }

};

TEST_F(IniFile, MissingFileReadsAsEmptyAndEveryReadDefaults) {
  TSpecIniFile ini((dir_ / "absent.ini").string());
  StringList names = {"stale"};
  ini.ReadSections(names);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(ini.ReadString("A", "b", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("A", "b", -7), -7);
  EXPECT_TRUE(ini.ReadBool("A", "b", true));
  double d = 0;
  EXPECT_EQ(ini.ReadFloat("A", "b", d, 2.5), 2.5);
  EXPECT_EQ(d, 2.5);
  EXPECT_FALSE(ini.Modified());
}

TEST_F(IniFile, LineEndsSectionsAndKeys) {
  // CR LF, bare LF and bare CR all end lines; the end-of-file mark is no line; section
  // and key lookups ignore case; a value is verbatim after the first '='.
  const std::string path = Write("a.ini",
                                 "[Options]\r\n"
                                 "Name=Dow Jones\r\n"
                                 "Formula=a=b+c\r\n"
                                 "key = 5\n"
                                 "\r\n"
                                 "[Second]\rValue= padded \r"
                                 "[Name] \n"
                                 "\x1A");
  TBigIniFile ini(path);
  StringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, (StringList{"Options", "Second"}));
  EXPECT_EQ(ini.ReadString("OPTIONS", "name", "?"), "Dow Jones");
  EXPECT_EQ(ini.ReadString("options", "Formula", "?"), "a=b+c");
  EXPECT_EQ(ini.ReadString("Options", "key", "?"), "?");  // the key is 'key ' with its blank
  EXPECT_EQ(ini.ReadString("Options", "key ", "?"), " 5");
  EXPECT_EQ(ini.ReadString("second", "VALUE", "?"), " padded ");
  EXPECT_EQ(ini.ReadString("Nowhere", "Name", "?"), "?");
  StringList lines;
  ini.ReadSectionValues("Second", lines);
  // '[Name] ' with its trailing blank is no header; it stays a line of the section.
  EXPECT_EQ(lines, (StringList{"Value= padded ", "[Name] "}));
  StringList keys = {"kept"};
  ini.ReadSection("Options", keys);
  EXPECT_EQ(keys, (StringList{"kept", "Name", "Formula", "key "}));
}

TEST_F(IniFile, EightBitNamesCompareWithoutCaseInTheCodePage) {
  // "[Ёлка]" looked up as "ЁЛКА", key "Цена" as "цена" (code page 1251).
  const std::string path = Write("c.ini", "[\xA8\xEB\xEA\xE0]\nx\xD6\xE5\xED\xE0=\xFF\x80\n");
  TBigIniFile ini(path);
  EXPECT_EQ(ini.ReadString("\xA8\xCB\xCA\xC0", "x\xF6\xE5\xED\xE0", "?"), "\xFF\x80");
  EXPECT_TRUE(SameTextIgnoringCase("\xB8", "\xA8"));
  EXPECT_FALSE(SameTextIgnoringCase("\xE0", "a"));
  EXPECT_FALSE(SameTextIgnoringCase("ab", "abc"));
}

TEST_F(IniFile, DuplicateSectionsKeepTheFirstUnlessTheHandlerSaysOtherwise) {
  const std::string text =
      "[Options]\nA=1\n[Events]\nE=1\n[OPTIONS]\nA=2\nB=2\n[options]\nA=3\n";
  {
    TBigIniFile ini(Write("d.ini", text));
    StringList names;
    ini.ReadSections(names);
    EXPECT_EQ(names, (StringList{"Options", "Events"}));
    EXPECT_EQ(ini.ReadString("OPTIONS", "A", "?"), "1");
    EXPECT_EQ(ini.ReadString("OPTIONS", "B", "?"), "?");  // no merging
  }
  struct Seen {
    int calls = 0;
    std::string kept_first_line;
  } seen;
  // Prefer the later section each time: the last duplicate wins, at its own place in the file.
  auto prefer_later = [](intptr_t user, const std::string&, const StringList& kept, const StringList&) {
    auto* s = reinterpret_cast<Seen*>(user);
    if (s->calls++ == 1) s->kept_first_line = kept.front();
    return false;
  };
  TBigIniFile ini("");
  ini.SetDuplicateHandler(prefer_later, reinterpret_cast<intptr_t>(&seen));
  ini.Reload(Write("d.ini", text));
  EXPECT_EQ(seen.calls, 2);
  EXPECT_EQ(seen.kept_first_line, "A=2");  // the second call compares against the one kept before
  StringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, (StringList{"Events", "options"}));
  EXPECT_EQ(ini.ReadString("Options", "A", "?"), "3");
}

TEST_F(IniFile, LineFilters) {
  const std::string text =
      "[S]\n"
      ";A=comment\n"
      "no equals here\n"
      "key \t= \tvalue\n"
      "q=\"quoted\"\n"
      "s='single'\n"
      "m=\"mixed'\n"
      "one=\"\n";
  {
    TBigIniFile plain(Write("f.ini", text));
    StringList lines;
    plain.ReadSectionValues("S", lines);
    EXPECT_EQ(lines.size(), 7u);
    EXPECT_EQ(plain.ReadString("S", ";A", "?"), "comment");
    EXPECT_EQ(plain.ReadString("S", "q", "?"), "\"quoted\"");
  }
  TBigIniFile ini("");
  ini.DropCommentLines = true;
  ini.DropLinesWithoutEquals = true;
  ini.DropBlanksAroundEquals = true;
  ini.StripQuotes = true;
  ini.Reload((dir_ / "f.ini").string());
  StringList lines;
  ini.ReadSectionValues("S", lines);
  EXPECT_EQ(lines, (StringList{"key=value", "q=quoted", "s=single", "m=\"mixed'", "one=\""}));
}

TEST_F(IniFile, ReadInteger) {
  struct Case {
    const char* value;
    int32_t want;
  } cases[] = {
      {"0x1F", 31},   {"0X1F", 31},     {"$1F", 31},           {"$ff", 255},
      {"42", 42},     {"-42", -42},     {"+7", 7},             {" 12", 12},
      {"2147483647", 2147483647},       {"-2147483648", INT32_MIN},
      {"$FFFFFFFF", -1},
      {"12abc", -99}, {"", -99},        {"12 ", -99},          {"0x", -99},
      {"$", -99},     {"-", -99},       {"2147483648", -99},   {"$100000000", -99},
      {"1.5", -99},   {"0x1G", -99},
  };
  std::string text = "[N]\n";
  for (size_t i = 0; i < std::size(cases); ++i) text += "k" + std::to_string(i) + "=" + cases[i].value + "\n";
  TBigIniFile ini(Write("n.ini", text));
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(ini.ReadInteger("N", "k" + std::to_string(i), -99), cases[i].want) << cases[i].value;
  EXPECT_EQ(ini.ReadInteger("N", "missing", -99), -99);
  EXPECT_FALSE(ini.ReadBool("N", "k4", true) == false);  // 42
  EXPECT_TRUE(ini.ReadBool("N", "k11", true));           // malformed: default
  EXPECT_FALSE(ini.ReadBool("N", "k11", false));
}

TEST_F(IniFile, ReadFloat) {
  struct Case {
    const char* value;
    double want;
  } cases[] = {
      {"3,5", 3.5},    {"3.5", 3.5},   {"-0.25", -0.25}, {"1e10", 1e10}, {"2.5E-3", 2.5e-3},
      {"7   ", 7.0},   {" 7", 7.0},    {".5", 0.5},      {"+4", 4.0},
      {"", -1.0},      {"abc", -1.0},  {"1,5,6", -1.0},  {"inf", -1.0},  {"nan", -1.0},
      {"0x10", -1.0},  {"1e", -1.0},   {"1e999", -1.0},  {".", -1.0},    {"7\t", -1.0},
  };
  std::string text = "[F]\n";
  for (size_t i = 0; i < std::size(cases); ++i) text += "k" + std::to_string(i) + "=" + cases[i].value + "\n";
  TSpecIniFile ini(Write("fl.ini", text));
  for (size_t i = 0; i < std::size(cases); ++i) {
    double dest = 123;
    EXPECT_EQ(ini.ReadFloat("F", "k" + std::to_string(i), dest, -1.0), cases[i].want) << cases[i].value;
    EXPECT_EQ(dest, cases[i].want) << cases[i].value;
  }
}

TEST_F(IniFile, ReadSet) {
  TSpecIniFile ini(Write("s.ini",
                         "[S]\n"
                         "mixed=1, 5 300 x\n"
                         "word=x\n"
                         "empty=\n"
                         "edges=0,207,208,255,511,-1,$10\x01" "9\n"));
  const astro::ObjectSet def{2, 3};
  astro::ObjectSet dest{100};
  ini.ReadSet("S", "mixed", dest, def);
  EXPECT_EQ(dest, (astro::ObjectSet{1, 5, 44}));
  ini.ReadSet("S", "word", dest, def);
  EXPECT_TRUE(dest.Empty());
  ini.ReadSet("S", "missing", dest, def);
  EXPECT_EQ(dest, def);
  dest = astro::ObjectSet{100};
  ini.ReadSet("S", "empty", dest, def);
  EXPECT_EQ(dest, def);
  // 208 and 255 are outside; 511 is 255 in its low byte, -1 too; $10 is 16; \x01 separates.
  ini.ReadSet("S", "edges", dest, def);
  EXPECT_EQ(dest, (astro::ObjectSet{0, 207, 16, 9}));
}

TEST_F(IniFile, ReadIntArray) {
  TSpecIniFile ini(Write("i.ini", "[A]\nfew=5 x,7\nmany=1 2 3 4 5 6\n"));
  const int32_t def[4] = {-1, -2, -3, -4};
  int32_t dest[5] = {9, 9, 9, 9, 99};
  ini.ReadIntArray("A", "few", 3, dest, def);
  EXPECT_EQ((std::vector<int32_t>(dest, dest + 5)), (std::vector<int32_t>{5, -2, 7, -4, 99}));
  ini.ReadIntArray("A", "many", 3, dest, def);
  EXPECT_EQ((std::vector<int32_t>(dest, dest + 5)), (std::vector<int32_t>{1, 2, 3, 4, 99}));
  ini.ReadIntArray("A", "missing", 3, dest, def);
  EXPECT_EQ((std::vector<int32_t>(dest, dest + 5)), (std::vector<int32_t>{-1, -2, -3, -4, 99}));
}

TEST_F(IniFile, WriteStringAndTheModifiedFlag) {
  TBigIniFile ini(Write("w.ini", "[S]\nA=1\n"));
  ini.WriteString("s", "A", "1");  // same text: no change
  EXPECT_FALSE(ini.Modified());
  ini.WriteString("S", "a", "2");  // the key's line is rewritten with the key as written now
  EXPECT_TRUE(ini.Modified());
  StringList lines;
  ini.ReadSectionValues("S", lines);
  EXPECT_EQ(lines, (StringList{"a=2"}));
  ini.WriteInteger("New", "n", -5);
  ini.WriteBool("New", "b", true);
  EXPECT_EQ(ini.ReadInteger("new", "N", 0), -5);
  EXPECT_TRUE(ini.ReadBool("NEW", "b", false));
  StringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, (StringList{"S", "New"}));

  // An empty key with a section name erases that section's lines; its name stays.
  ini.WriteString("S", "", "");
  lines.clear();
  ini.ReadSectionValues("S", lines);
  EXPECT_TRUE(lines.empty());
  ini.ReadSections(names);
  EXPECT_EQ(names, (StringList{"S", "New"}));
}

TEST_F(IniFile, WriteBackIsWholeAndKeepsWhatItDidNotTouch) {
  const std::string path = Write("wb.ini",
                                 "; settings of the site\r\n"
                                 "[Site]\r\n"
                                 "ImageBaseUrl=http://x\r\n"
                                 "free text line\r\n"
                                 "[Empty]\r\n"
                                 "[Other]\r\n"
                                 "K=\xE9\r\n");
  chmod(path.c_str(), 0640);
  {
    TBigIniFile ini(path);
    ini.WriteString("Site", "ImageBaseUrl", "http://y");
    StringList all;
    ini.WriteAllTo(all);
    EXPECT_EQ(all, (StringList{"; settings of the site", "", "[Site]", "ImageBaseUrl=http://y",
                               "free text line", "", "[Other]", "K=\xE9", ""}));
  }  // destruction writes back
  EXPECT_EQ(Slurp(path),
            "; settings of the site\r\n\r\n[Site]\r\nImageBaseUrl=http://y\r\nfree text line\r\n\r\n"
            "[Other]\r\nK=\xE9\r\n\r\n");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(FileCount(), 1u);  // no temporary left beside it

  // Read back what was written: same content.
  TBigIniFile again(path);
  EXPECT_EQ(again.ReadString("site", "imagebaseurl", "?"), "http://y");
  EXPECT_EQ(again.ReadString("Other", "K", "?"), "\xE9");
}

TEST_F(IniFile, UnmodifiedOrUnnamedIsNeverWritten) {
  const std::string original = "[S]\nA = 1\n\n\n[T]\n";
  const std::string path = Write("u.ini", original);
  {
    TBigIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "A ", "?"), " 1");
    ini.UpdateFile();
  }
  EXPECT_EQ(Slurp(path), original);
  {
    TBigIniFile ini("");
    ini.WriteString("S", "A", "1");
    EXPECT_TRUE(ini.Modified());
    ini.UpdateFile();  // no name: nothing to write, no error
  }
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(IniFile, NewFileAndReloadWriteBackFirst) {
  const std::string first = (dir_ / "first.ini").string();
  const std::string second = Write("second.ini", "[B]\nx=1\n");
  TBigIniFile ini(first);
  ini.WriteString("A", "k", "v");
  ini.Reload(second);  // writes first.ini, then reads second.ini
  EXPECT_EQ(Slurp(first), "[A]\nk=v\n\n");
  EXPECT_FALSE(ini.Modified());
  EXPECT_EQ(ini.ReadString("A", "k", "?"), "?");
  EXPECT_EQ(ini.ReadString("B", "x", "?"), "1");
  EXPECT_EQ(ini.FileName(), second);
}

TEST_F(IniFile, FailedWriteBackLeavesWhatIsThereAndReports) {
  // A directory has taken the file's place since it was read: the rename must fail, and
  // neither the directory nor a temporary file may be left changed behind.
  const std::string path = Write("taken.ini", "[S]\nA=1\n");
  TBigIniFile ini(path);
  ini.WriteString("S", "A", "2");
  fs::remove(path);
  fs::create_directories(fs::path(path) / "inside");
  EXPECT_THROW(ini.UpdateFile(), std::ios_base::failure);
  EXPECT_TRUE(ini.Modified());
  EXPECT_TRUE(fs::is_directory(fs::path(path) / "inside"));
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(IniFile, FailedWriteBackThroughAMissingDirectory) {
  // Works for root too: the directory of the file does not exist.
  TBigIniFile ini((dir_ / "gone" / "x.ini").string());
  ini.WriteString("S", "A", "1");
  EXPECT_THROW(ini.UpdateFile(), std::ios_base::failure);
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(FileCount(), 0u);
}

// What stands in a data file's place is looked at before a byte is read: the request neither
// waits on a FIFO nor reads a file of hundreds of megabytes into memory.
TEST_F(IniFile, FilesThatAreNotRegularOrTooLargeAreRefusedUnread) {
  struct Case {
    const char* what;
    std::function<std::string()> make;
    uint64_t cap;
    const char* reason;
  };
  const Case cases[] = {
      {"directory", [&] { fs::create_directory(dir_ / "dir.ini"); return (dir_ / "dir.ini").string(); },
       TBigIniFile::kDefaultMaxBytes, "not a regular file"},
      {"FIFO", [&] {
         const std::string p = (dir_ / "fifo.ini").string();
         EXPECT_EQ(mkfifo(p.c_str(), 0644), 0);
         return p;
       }, TBigIniFile::kDefaultMaxBytes, "not a regular file"},
      {"device", [] { return std::string("/dev/zero"); }, TBigIniFile::kDefaultMaxBytes, "not a regular file"},
      {"300 MB sparse model", [&] {
         const std::string p = Write("big.hyp", "[S]\nk=1\n");
         fs::resize_file(p, 300u << 20);
         return p;
       }, TBigIniFile::kDefaultMaxBytes, "larger than 16 MiB"},
      {"one byte above a settings cap", [&] { return Write("s.ini", std::string(kSettingsFileMaxBytes + 1, 'x')); },
       kSettingsFileMaxBytes, "larger than 1 MiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = c.make();
    try {
      TBigIniFile ini(path, c.cap);
      ADD_FAILURE() << "read";
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.file(), path);
      EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.what();
    }
  }
  // Exactly at the cap is still read.
  const std::string at_cap = "[S]\nk=" + std::string(kSettingsFileMaxBytes - 6, 'v');
  TBigIniFile ini(Write("cap.ini", at_cap), kSettingsFileMaxBytes);
  EXPECT_EQ(ini.ReadString("S", "k", "").size(), kSettingsFileMaxBytes - 6);
}

// The duplicate check looks each name up once; the result is that of comparing every section
// with every earlier one: the first of each name is kept, or the handler's choice, with the
// handler shown the section in force at that moment.
TEST_F(IniFile, DuplicateCheckAgreesWithComparingEveryPair) {
  // Names in mixed case, ASCII and code page 1251 letters, many repeated.
  const char* stems[] = {"Opt", "OPT", "opt", "\xC0\xE1", "\xE0\xC1", "\xA8x", "\xB8X", "E1", "e1", "\xFF"};
  std::string text;
  std::vector<std::string> names;
  uint32_t r = 12345;
  for (int i = 0; i < 3000; ++i) {
    r = r * 1103515245u + 12345u;
    std::string name = stems[(r >> 8) % 10] + std::to_string((r >> 16) % 40);
    names.push_back(name);
    text += "[" + name + "]\nk=" + std::to_string(i) + "\n";
  }
  // The reference: every section against every earlier one still kept.
  auto reference = [&](bool (*prefer_earlier)(int, int)) {
    std::vector<bool> keep(names.size(), true);
    for (size_t i = 0; i < names.size(); ++i)
      for (size_t j = 0; j < i; ++j) {
        if (!keep[j] || !SameTextIgnoringCase(names[j], names[i])) continue;
        if (prefer_earlier(static_cast<int>(j), static_cast<int>(i))) keep[i] = false; else keep[j] = false;
        break;
      }
    StringList kept;
    for (size_t i = 0; i < names.size(); ++i)
      if (keep[i]) kept.push_back(names[i] + "=" + std::to_string(i));
    return kept;
  };
  auto read = [&](TBigIniFile::DuplicateHandler handler) {
    TBigIniFile ini("");
    if (handler) ini.SetDuplicateHandler(handler, 0);
    ini.Reload(Write("dups.ini", text));
    StringList sections, kept;
    ini.ReadSections(sections);
    for (const auto& name : sections) kept.push_back(name + "=" + ini.ReadString(name, "k", "?"));
    return kept;
  };
  // Without a handler the earlier is kept; with one that prefers the later when the later's
  // line number is odd, the choice depends on which section is in force.
  EXPECT_EQ(read(nullptr), reference([](int, int) { return true; }));
  auto odd_later = [](intptr_t, const std::string&, const StringList&, const StringList& other) {
    return std::stoi(other.front().substr(2)) % 2 == 0;
  };
  EXPECT_EQ(read(odd_later), reference([](int, int i) { return i % 2 == 0; }));
}

TEST_F(IniFile, LongLinesAndLargeFiles) {
  // Lines longer than the read buffer, and a file of many buffers.
  const std::string long_value(3 * TBigIniFile::kBufferSize + 17, 'v');
  std::string text = "[Big]\nlong=" + long_value + "\n";
  for (int i = 0; i < 5000; ++i) text += "[S" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
  TBigIniFile ini(Write("big.ini", text));
  EXPECT_EQ(ini.ReadString("big", "LONG", ""), long_value);
  EXPECT_EQ(ini.ReadInteger("S4999", "k", -1), 4999);
  EXPECT_EQ(ini.ReadInteger("s0", "k", -1), 0);  // wraps round from the last section found
  EXPECT_EQ(ini.ReadInteger("S2500", "k", -1), 2500);
}

}  // namespace
}  // namespace sd::data
