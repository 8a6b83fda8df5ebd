#include "data/towns.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "data/data_error.h"
#include "../support/scratch_dir.h"

namespace sd::data {
namespace {

using testing_support::ScratchDir;

std::string ScrambledLines(std::initializer_list<std::string_view> lines, const char* end = "\n") {
  std::string out;
  for (std::string_view l : lines) out += ScrambleLine(l) + end;
  return out;
}

struct RegionView {
  std::string name;
  std::vector<std::string> entries;
  bool operator==(const RegionView&) const = default;
};
std::ostream& operator<<(std::ostream& os, const RegionView& r) {
  os << "[" << r.name << "]";
  for (const auto& e : r.entries) os << " '" << e << "'";
  return os;
}

std::vector<RegionView> Regions(const T_Towns& towns) {
  std::vector<RegionView> out;
  for (const auto& r : towns.regions()) out.push_back({r->name(), r->entries()});
  return out;
}

TEST(Unscramble, PositionBytesAreSquaresModuloTheModulus) {
  // Positions 1, 2, 6, 29: keys 1, 4, 36 mod 29 = 7, 841 mod 29 = 0.
  std::string plain(29, 'a');
  const std::string s = Unscramble(plain);
  EXPECT_EQ(s[0], 'a' ^ 1);
  EXPECT_EQ(s[1], 'a' ^ 4);
  EXPECT_EQ(s[5], 'a' ^ 7);
  EXPECT_EQ(s[28], 'a');
  EXPECT_EQ(Unscramble(s), plain);
  // Printable characters, Cyrillic ones included, never turn into line ends or controls.
  std::string all;
  for (int b = 0x20; b < 0x100; ++b) all += static_cast<char>(b);
  for (int shift = 0; shift < 29; ++shift) {
    const std::string t = Unscramble(std::string(static_cast<size_t>(shift), ' ') + all);
    for (char c : t) ASSERT_GE(static_cast<unsigned char>(c), 0x20) << "shift " << shift;
  }
}

TEST(TTowns, RegionIndexLines) {
  struct Case {
    std::string index;
    std::vector<RegionView> regions;
  };
  const Case cases[] = {
      {"[Europe West]\nParis\n[[Asia]]\nTokyo\n",
       {{"Europe West", {"Paris"}}, {"Asia", {"Tokyo"}}}},
      {"[Europe West]\nParis\n[EUROPE]\nLondon\n",
       {{"Europe West", {"Paris", "Albania", "London"}}}},
      {"Before\nlines\n[A]\r\nx\r\n\r\n[B]\n", {{"A", {"x", ""}}, {"B", {}}}},
      {"EUROPE first\n[A]\nin EUROPE too\n", {{"A", {"Albania"}}}},
      {"a]b[c\nentry\n", {{"abc", {"entry"}}}},
      {"[" + std::string(60, 'r') + "]\ne", {{std::string(50, 'r'), {"e"}}}},
      {"no regions at all\n", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.Write("towns.nd", "");
    dir.Write("towns.ndx", c.index);
    const T_Towns towns(dir.path());
    EXPECT_EQ(Regions(towns), c.regions) << c.index;
    ASSERT_EQ(towns.region_names().size(), c.regions.size());
    for (size_t i = 0; i < c.regions.size(); ++i) {
      EXPECT_EQ(towns.region_names()[i].name, c.regions[i].name);
      EXPECT_EQ(towns.region_names()[i].region, towns.regions()[i].get());
    }
  }
}

TEST(TTowns, DataFileHeadEndsAtTheFirstSectionLine) {
  struct Case {
    std::string nd;
    std::vector<std::string> head_plain;
  };
  const Case cases[] = {
      {ScrambledLines({"title", "count 3", "[$Region]", "after"}), {"title", "count 3"}},
      // A line with "[$" inside neither joins the head nor ends it.
      {ScrambledLines({"a", "x [$ y", "b", "[$R]", "c"}), {"a", "b"}},
      {ScrambledLines({"one", "two", "three"}), {"one", "two", "three"}},
      {ScrambledLines({"crlf", "[$R]"}, "\r\n"), {"crlf"}},
      {ScrambledLines({"[$First]", "x"}), {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.Write("towns.nd", c.nd);
    dir.Write("towns.ndx", "[A]\n");
    const T_Towns towns(dir.path() + "/");
    std::vector<std::string> head;
    for (const auto& l : towns.data().head()) head.push_back(Unscramble(l));
    EXPECT_EQ(head, c.head_plain);
    EXPECT_EQ(towns.data().current_section(), -1);
    EXPECT_TRUE(towns.data().is_open());
    EXPECT_EQ(towns.directory(), dir.path() + "/");
  }
}

TEST(TTowns, MissingOrUnreadableFileNamesIt) {
  struct Case {
    bool nd, ndx;
    const char* missing;
  };
  for (const Case& c : {Case{false, true, "towns.nd"}, Case{true, false, "towns.ndx"},
                        Case{false, false, "towns.nd"}}) {
    ScratchDir dir;
    if (c.nd) dir.Write("towns.nd", "");
    if (c.ndx) dir.Write("towns.ndx", "[A]\n");
    try {
      T_Towns towns(dir.path());
      ADD_FAILURE() << "opened without " << c.missing;
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.file(), dir.path() + "/" + c.missing);
      EXPECT_NE(e.reason().find("No such file"), std::string::npos) << e.what();
    }
  }
  ScratchDir dir;
  std::filesystem::create_directory(dir.File("towns.ndx"));
  dir.Write("towns.nd", "");
  EXPECT_THROW(T_Towns towns(dir.path()), DataFileError);
}

// Both files are opened by every request: a file of hundreds of megabytes (here sparse) or a
// FIFO in their place is refused before it is read, naming the file.
TEST(TTowns, HugeOrSpecialFilesAreRefusedUnread) {
  for (const char* file : {"towns.nd", "towns.ndx"}) {
    for (const bool fifo : {false, true}) {
      SCOPED_TRACE(std::string(file) + (fifo ? " FIFO" : " sparse"));
      ScratchDir dir;
      dir.Write("towns.nd", "");
      dir.Write("towns.ndx", "[A]\n");
      const std::string path = dir.File(file);
      if (fifo) {
        std::filesystem::remove(path);
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
      } else {
        std::filesystem::resize_file(path, 300u << 20);
      }
      try {
        T_Towns towns(dir.path());
        ADD_FAILURE() << "opened";
      } catch (const DataFileError& e) {
        EXPECT_EQ(e.file(), path);
        EXPECT_NE(e.reason().find(fifo ? "not a regular file" : "larger than 64 MiB"), std::string::npos)
            << e.what();
      }
    }
  }
}

TEST(TownsBuild, SourceBuildsBothFiles) {
  ScratchDir dir;
  const std::string src = dir.Write("towns.txt",
                                    "# exchange cities\r\n"
                                    "[North America]\n"
                                    "New York, NY | 40.7128 | -74.0060 | -5\n"
                                    "  Chicago, IL|41.8781|-87.6298|-6  \n"
                                    "\n"
                                    "[Europe East]\n"
                                    "Москва | 55.7558 | 37.6173 | 3\n"
                                    "[Empty]\n");
  const TownsBuildResult r = BuildTowns(src, dir.path());
  EXPECT_EQ(r.regions, 3);
  EXPECT_EQ(r.towns, 3);
  const T_Towns towns(dir.path());
  EXPECT_EQ(Regions(towns),
            (std::vector<RegionView>{{"North America", {"New York, NY", "Chicago, IL"}},
                                     {"Europe East", {"\xCC\xEE\xF1\xEA\xE2\xE0"}},
                                     {"Empty", {}}}));
  ASSERT_EQ(towns.data().head().size(), 2u);
  EXPECT_EQ(Unscramble(towns.data().head()[1]), "regions 3 towns 3");

  // The records after the head, unscrambled: the towns with packed co-ordinates and zone.
  std::ifstream nd(dir.File("towns.nd"), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(nd, l);) lines.push_back(Unscramble(l));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "stockdyn gazetteer", "regions 3 towns 3", "[$North America]",
                       "New York, NY|40.4246|-74.0022|-5.0000",
                       "Chicago, IL|41.5241|-87.3747|-6.0000", "[$Europe East]",
                       "\xCC\xEE\xF1\xEA\xE2\xE0|55.4521|37.3702|3.0000", "[$Empty]"}));
}

TEST(TownsBuild, BadSourceLineWritesNothing) {
  struct Case {
    std::string line;
    int line_no;
  };
  const Case cases[] = {
      {"Town | 40 | -74 | -5", 2},  // before any region
      {"[North America]\nNew York | 40.7 | -74.0", 3},
      {"[North America]\nNew York | 91 | -74 | -5", 3},
      {"[North America]\nNew York | 40 | -181 | -5", 3},
      {"[North America]\nNew York | 40 | -74 | EST", 3},
      {"[North America]\nNew [York] | 40 | -74 | -5", 3},
      {"[North America]\n | 40 | -74 | -5", 3},
      {"[WESTERN EUROPE]", 2},
      {"[North America]\nEUROPE House | 1 | 2 | 0", 3},
      {"[" + std::string(51, 'r') + "]", 2},
      {"[A]\n[A]", 3},
      {"[A", 2},
      {"[]", 2},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::string src = dir.Write("src.txt", "# gazetteer\n" + c.line + "\n");
    std::filesystem::create_directory(dir.File("out"));
    try {
      BuildTowns(src, dir.File("out"));
      ADD_FAILURE() << "accepted: " << c.line;
    } catch (const TownsSourceError& e) {
      EXPECT_EQ(e.line(), c.line_no) << c.line << ": " << e.what();
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("out"))) << c.line;
  }
}

TEST(TownsBuild, ShippedGazetteerBuilds) {
  ScratchDir dir;
  const TownsBuildResult r =
      BuildTowns(std::string(STOCKDYN_SOURCE_DIR) + "/assets/towns.txt", dir.path());
  const T_Towns towns(dir.path());
  ASSERT_EQ(static_cast<int>(towns.regions().size()), r.regions);
  int entries = 0;
  bool new_york = false, moscow = false;
  for (const auto& reg : towns.regions()) {
    entries += static_cast<int>(reg->entries().size());
    for (const auto& e : reg->entries()) {
      new_york |= e == "New York, NY";
      moscow |= e == "\xCC\xEE\xF1\xEA\xE2\xE0";
    }
  }
  EXPECT_EQ(entries, r.towns);
  EXPECT_TRUE(new_york);
  EXPECT_TRUE(moscow);
}

}  // namespace
}  // namespace sd::data
