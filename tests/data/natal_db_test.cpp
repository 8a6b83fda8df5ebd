#include "data/natal_db.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "data/data_error.h"
#include "../support/scratch_dir.h"

namespace sd::data {
namespace {

using testing_support::ScratchDir;

// A record built byte by byte at the documented offsets, independent of the encoder.
struct RawRecord {
  NatalBytes b{};
  RawRecord& I16(size_t at, int v) {
    b[at] = static_cast<uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    return *this;
  }
  RawRecord& F64(size_t at, double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (size_t i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(u >> (8 * i));
    return *this;
  }
  RawRecord& Text(size_t at, std::string_view s) {
    b[at] = static_cast<uint8_t>(s.size());
    std::memcpy(&b[at + 1], s.data(), s.size());
    return *this;
  }
  RawRecord& Bytes(size_t at, std::initializer_list<int> v) {
    for (int x : v) b[at++] = static_cast<uint8_t>(x);
    return *this;
  }
  std::string Str() const { return std::string(reinterpret_cast<const char*>(b.data()), b.size()); }
};

RawRecord Plain(std::string_view name, int year = 1924, int month = 2, int day = 14) {
  RawRecord r;
  r.I16(0, year).I16(2, month).I16(4, day).F64(6, 10.3015).F64(14, -5.0);
  r.Text(22, "New York, NY").F64(101, 40.4225).F64(109, -74.0041).F64(117, 0.25);
  r.Text(125, name);
  return r;
}

// "ABC" with suffix "Q1", seeds 10 and 3: key (10 + 7 * 3) mod 251 = 31. Values chosen so that
// subtracting the key multiples is exact in binary.
RawRecord ScrambledAbc() {
  constexpr int key = 31;
  RawRecord r;
  r.I16(0, 2000 ^ key).I16(2, 6 ^ key).I16(4, 15 ^ key);
  r.F64(6, 10.5 - key * 3).F64(14, 3.0).Text(22, "Moscow");
  r.F64(101, 40.25 - key * 5).F64(109, -74.0 - key * 7).F64(117, 0.0);
  r.Text(125, std::string{'A' ^ key, 'B' ^ key, 'C' ^ key});
  r.Text(228, "Q1");
  r.Bytes(299, {77, 1, 5, 35, 11, 10, 3});
  r.Bytes(306, {9, 9, 9});
  return r;
}

NatalRecord ReadOne(const ScratchDir& dir, const RawRecord& r) {
  const std::string path = dir.Write("one.mil", r.Str());
  NatalDatabase db;
  EXPECT_TRUE(db.Open(path, kNatalKindMil));
  EXPECT_EQ(db.RecordCount(), 1);
  NatalRecord rec;
  EXPECT_EQ(db.ReadRecord(rec), 0);
  EXPECT_TRUE(db.AtEnd());
  return rec;
}

TEST(NatalDatabase, KindFromExtension) {
  struct Case {
    const char* path;
    NatalKind kind;
  };
  const Case cases[] = {
      {"Nyse.mil", kNatalKindMil},         {"nyse.MIL", kNatalKindMil},
      {"x.mil_mtm1", kNatalKindMil},       {"dir/x.Mil_Mtm1", kNatalKindMil},
      {"x.mil_mtm12", kNatalKindMil},      // the extension is cut to 9 characters first
      {"x.mil2", kNatalKindNone},          {"x.mi", kNatalKindNone},
      {"a.wdd", kNatalKindWdd},            {"b.TSJ", kNatalKindTsj},
      {"c.Ddd", kNatalKindDdd},            {"d.fil", kNatalKindFil},
      {"Nyse", kNatalKindNone},            {"data.mil/Nyse", kNatalKindNone},
      {"archive.mil.bak", kNatalKindNone}, {"", kNatalKindNone},
  };
  for (const Case& c : cases) EXPECT_EQ(NatalDatabase::DetectKind(c.path), c.kind) << c.path;
}

TEST(NatalDatabase, DecodesFieldsAtTheirOffsets) {
  ScratchDir dir;
  RawRecord raw = Plain("IBM Corp", -44, 3, 15);
  raw.b[226] = 0xAB;
  raw.b[227] = 0xCD;
  const NatalRecord rec = ReadOne(dir, raw);
  EXPECT_EQ(rec.Year, -44);
  EXPECT_EQ(rec.Month, 3);
  EXPECT_EQ(rec.Day, 15);
  EXPECT_EQ(rec.LocalTime, 10.3015);
  EXPECT_EQ(rec.Zone, -5.0);
  EXPECT_EQ(rec.PlaceText.View(), "New York, NY");
  EXPECT_EQ(rec.Latitude, 40.4225);
  EXPECT_EQ(rec.Longitude, -74.0041);
  EXPECT_EQ(rec.Extra, 0.25);
  EXPECT_EQ(rec.Name.View(), "IBM Corp");
  EXPECT_EQ(rec.Spare226, 0xAB);
  EXPECT_EQ(rec.Spare227, 0xCD);
  // The encoder writes the same bytes back.
  EXPECT_EQ(EncodeNatalRecord(rec), raw.b);

  astro::EventBlock ev;
  ToEventData(rec, ev);
  EXPECT_EQ(ev.Year, -44);
  EXPECT_EQ(ev.Month, 3);
  EXPECT_EQ(ev.Day, 15);
  EXPECT_EQ(ev.LocalTime, 10.3015);
  EXPECT_EQ(ev.Zone, -5.0);
  EXPECT_EQ(ev.PlaceText.View(), "New York, NY");
  EXPECT_EQ(ev.PlaceLatitude, 40.4225);
  EXPECT_EQ(ev.PlaceLongitude, -74.0041);
  EXPECT_EQ(ev.PlaceExtra, 0.25);
}

TEST(NatalDatabase, RestoresScrambledRecord) {
  ScratchDir dir;
  const NatalRecord rec = ReadOne(dir, ScrambledAbc());
  EXPECT_EQ(rec.Name.View(), "ABC@Q1");
  EXPECT_EQ(rec.Year, 2000);
  EXPECT_EQ(rec.Month, 6);
  EXPECT_EQ(rec.Day, 15);
  EXPECT_EQ(rec.LocalTime, 10.5);
  EXPECT_EQ(rec.Latitude, 40.25);
  EXPECT_EQ(rec.Longitude, -74.0);
  EXPECT_EQ(rec.Zone, 3.0);               // not scrambled
  EXPECT_EQ(rec.PlaceText.View(), "Moscow");  // not scrambled
  // Marker, seeds and everything after them are cleared.
  EXPECT_EQ(rec.Marker, (std::array<uint8_t, 5>{}));
  EXPECT_EQ(rec.Seed, (std::array<uint8_t, 2>{}));
  EXPECT_EQ(rec.Tail, (std::array<uint8_t, 63>{}));
}

TEST(NatalDatabase, MarkerWrongInAnyByteReadsPlain) {
  for (size_t i = 0; i < 5; ++i) {
    ScratchDir dir;
    RawRecord raw = ScrambledAbc();
    raw.b[299 + i] ^= 0x40;
    const NatalRecord rec = ReadOne(dir, raw);
    EXPECT_EQ(rec.Name.View(), (std::string{'A' ^ 31, 'B' ^ 31, 'C' ^ 31})) << "marker byte " << i;
    EXPECT_EQ(rec.Year, 2000 ^ 31) << "marker byte " << i;
    EXPECT_EQ(rec.LocalTime, 10.5 - 93) << "marker byte " << i;
  }
}

TEST(NatalDatabase, ScrambledNameOfHundredCharactersLosesSuffix) {
  ScratchDir dir;
  RawRecord raw = ScrambledAbc();
  raw.Text(125, std::string(100, static_cast<char>('x' ^ 31)));
  const NatalRecord rec = ReadOne(dir, raw);
  EXPECT_EQ(rec.Name.View(), std::string(100, 'x'));
}

TEST(NatalDatabase, DamagedNameLengthStaysInsideTheField) {
  ScratchDir dir;
  RawRecord raw = ScrambledAbc();
  raw.b[125] = 250;  // more than the field holds
  raw.b[226] = 0x55;
  const NatalRecord rec = ReadOne(dir, raw);
  EXPECT_EQ(rec.Name.View().size(), 100u);
  EXPECT_EQ(rec.Spare226, 0x55);  // the byte after the name field is not touched
}

TEST(NatalDatabase, EmptyFileHasNoRecords) {
  ScratchDir dir;
  NatalDatabase db;
  ASSERT_TRUE(db.Open(dir.Write("empty.mil", ""), kNatalKindMil));
  EXPECT_EQ(db.RecordCount(), 0);
  EXPECT_TRUE(db.AtEnd());
  NatalRecord rec;
  rec.Year = 77;
  EXPECT_EQ(db.ReadRecord(rec), 1);
  EXPECT_EQ(rec.Year, 77);  // left as it was
}

TEST(NatalDatabase, PartialLastRecordIsNeverRead) {
  ScratchDir dir;
  const std::string third = Plain("Hidden").Str().substr(0, 200);  // holds the whole name
  const std::string path =
      dir.Write("cut.mil", Plain("First").Str() + Plain("Second").Str() + third);
  NatalDatabase db;
  ASSERT_TRUE(db.Open(path, kNatalKindMil));
  EXPECT_EQ(db.RecordCount(), 2);
  NatalRecord rec;
  ASSERT_EQ(db.ReadRecord(rec), 0);
  EXPECT_EQ(rec.Name.View(), "First");
  EXPECT_FALSE(db.AtEnd());
  ASSERT_EQ(db.ReadRecord(rec), 0);
  EXPECT_EQ(rec.Name.View(), "Second");
  EXPECT_TRUE(db.AtEnd());
  EXPECT_EQ(db.ReadRecord(rec), 1);
  EXPECT_EQ(rec.Name.View(), "Second");

  astro::ChartData slot;
  EXPECT_FALSE(LookupNatal(path, "Hidden", slot));
  EXPECT_TRUE(LookupNatal(path, "Second", slot));
}

TEST(NatalDatabase, FileCutWhileOpenEndsTheScan) {
  // A scan driven by AtEnd would spin forever if a failed read left AtEnd false.
  ScratchDir dir;
  const std::string path = dir.Write("cut.mil", Plain("First").Str() + Plain("Second").Str());
  NatalDatabase db;
  ASSERT_TRUE(db.Open(path, kNatalKindMil));
  ASSERT_EQ(db.RecordCount(), 2);
  std::filesystem::resize_file(path, kNatalRecordSize + 10);
  NatalRecord rec;
  EXPECT_EQ(db.ReadRecord(rec), 0);
  EXPECT_EQ(db.ReadRecord(rec), 1);
  EXPECT_TRUE(db.AtEnd());
}

TEST(NatalDatabase, ShortRecordKindReadsIntoTheSameLayout) {
  ScratchDir dir;
  const std::string path =
      dir.Write("old.wdd", Plain("One").Str().substr(0, 228) + Plain("Two").Str().substr(0, 228));
  NatalDatabase db;
  ASSERT_TRUE(db.Open(path, NatalDatabase::DetectKind(path)));
  ASSERT_EQ(db.RecordCount(), 2);
  NatalRecord rec;
  ASSERT_EQ(db.ReadRecord(rec), 0);
  ASSERT_EQ(db.ReadRecord(rec), 0);
  EXPECT_EQ(rec.Name.View(), "Two");
  EXPECT_EQ(rec.Latitude, 40.4225);
  EXPECT_EQ(rec.NameSuffix.View(), "");
}

TEST(NatalDatabase, NotADatabaseOpensNothing) {
  NatalDatabase db;
  EXPECT_TRUE(db.Open("/nonexistent/x.txt", kNatalKindNone));
  EXPECT_EQ(db.RecordCount(), 0);
  EXPECT_TRUE(db.AtEnd());
  NatalRecord rec;
  EXPECT_EQ(db.ReadRecord(rec), 1);
}

TEST(NatalDatabase, UnopenableFileStopsAtCountWithItsNameAndReason) {
  ScratchDir dir;
  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {
      {dir.File("Nyse.mil"), "No such file"},
      {dir.path() + "/sub.mil", "not a regular file"},
      {dir.File("list.ddd"), "cannot be read"},
      {dir.File("fifo.mil"), "not a regular file"},   // never waited for
      {dir.File("huge.mil"), "larger than 64 MiB"},  // sparse, 300 MB
  };
  std::filesystem::create_directory(dir.path() + "/sub.mil");
  ASSERT_EQ(mkfifo(dir.File("fifo.mil").c_str(), 0644), 0);
  dir.Write("huge.mil", "");
  std::filesystem::resize_file(dir.File("huge.mil"), 300u << 20);
  dir.Write("list.ddd", "IBM Corp\n");
  for (const Case& c : cases) {
    NatalDatabase db;
    EXPECT_FALSE(db.Open(c.path, NatalDatabase::DetectKind(c.path))) << c.path;
    try {
      db.RecordCount();
      ADD_FAILURE() << c.path << ": no error";
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.file(), c.path);
      EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.what();
    }
    astro::ChartData slot;
    EXPECT_THROW(LookupNatal(c.path, "IBM Corp", slot), DataFileError) << c.path;
  }
}

TEST(NatalLookup, MatchesTrimmedNamesCaseSensitively) {
  ScratchDir dir;
  RawRecord garbage = Plain("Garbage", 30000, 77, 99);
  garbage.F64(6, std::numeric_limits<double>::quiet_NaN());
  const std::string path = dir.Write(
      "Nyse.mil", Plain("  IBM Corp  ", 1924).Str() + ScrambledAbc().Str() + garbage.Str() +
                      Plain(" \t ", 1950).Str() + Plain("IBM Corp", 1999).Str() +
                      Plain("Tail", 1960).Str());
  struct Case {
    std::string request;
    int year;  // of the record expected, 0 for none
    const char* stored_name;
  };
  const Case cases[] = {
      {"IBM Corp", 1924, "  IBM Corp  "},  // the first of two, its name as stored
      {"\t IBM Corp \r", 1924, "  IBM Corp  "},
      {"ibm corp", 0, ""},
      {"IBM  Corp", 0, ""},
      {"ABC@Q1", 2000, "ABC@Q1"},
      {" ABC@Q1 ", 2000, "ABC@Q1"},
      {"ABC", 0, ""},
      {"Garbage", 30000, "Garbage"},
      {"", 1950, " \t "},
      {"   ", 1950, " \t "},
      {"Tail", 1960, "Tail"},
      {"Tail" + std::string(251, ' ') + "X", 1960, "Tail"},  // cut to 255 before comparing
      {"Tail" + std::string(250, ' ') + "X", 0, ""},
      {"Nothing", 0, ""},
  };
  for (const Case& c : cases) {
    astro::ChartData slot;
    slot.ChartName.Set("No Name 1");
    slot.Event.Year = 2026;
    slot.Event.LocalTime = 12.0;
    const bool found = LookupNatal(path, c.request, slot);
    EXPECT_EQ(found, c.year != 0) << "'" << c.request << "'";
    if (c.year != 0) {
      EXPECT_EQ(slot.Event.Year, c.year) << c.request;
      EXPECT_EQ(slot.ChartName.View(), c.stored_name) << c.request;
    } else {
      EXPECT_EQ(slot.ChartName.View(), "No Name 1") << c.request;
      EXPECT_EQ(slot.Event.Year, 2026) << c.request;
      EXPECT_EQ(slot.Event.LocalTime, 12.0) << c.request;
    }
  }
}

TEST(NatalLookup, CopiesTheWholeEventBlock) {
  ScratchDir dir;
  const std::string path = dir.Write("Nyse.mil", ScrambledAbc().Str());
  astro::ChartData slot;
  ASSERT_TRUE(LookupNatal(path, "ABC@Q1", slot));
  EXPECT_EQ(slot.Event.Year, 2000);
  EXPECT_EQ(slot.Event.Month, 6);
  EXPECT_EQ(slot.Event.Day, 15);
  EXPECT_EQ(slot.Event.LocalTime, 10.5);
  EXPECT_EQ(slot.Event.Zone, 3.0);
  EXPECT_EQ(slot.Event.PlaceText.View(), "Moscow");
  EXPECT_EQ(slot.Event.PlaceLatitude, 40.25);
  EXPECT_EQ(slot.Event.PlaceLongitude, -74.0);
  EXPECT_EQ(slot.Event.PlaceExtra, 0.0);
}

TEST(NatalLookup, EmptyDatabaseLeavesTheSlot) {
  ScratchDir dir;
  astro::ChartData slot;
  slot.ChartName.Set("No Name 1");
  EXPECT_FALSE(LookupNatal(dir.Write("Nyse.mil", ""), "", slot));
  EXPECT_EQ(slot.ChartName.View(), "No Name 1");
}

NatalRecord PlainRecord(std::string_view name, std::string_view suffix, double time, double lat,
                        double lon) {
  NatalRecord r;
  r.Year = 1986;
  r.Month = 3;
  r.Day = 13;
  r.LocalTime = time;
  r.Zone = -5.0;
  r.PlaceText.Set("New York, NY");
  r.Latitude = lat;
  r.Longitude = lon;
  r.Extra = 0.0;
  r.Name.Set(name);
  r.NameSuffix.Set(suffix);
  return r;
}

TEST(NatalScramble, WriterAndReaderAgreeBitForBit) {
  // Every case but the last has keys that restore its values bit for bit.
  const NatalRecord cases[] = {
      PlainRecord("IBM Corp", "NYSE", 10.0, 40.4225, -74.0041),
      PlainRecord("Microsoft Corp", "Q1", 9.3, 40.4523, -73.5910),
      PlainRecord("LinkedIn Corp", "", 10.0042, 40.4225, -74.0041),
      PlainRecord("Alibaba Group Holding Ltd", "BABA", 11.5317, 40.4225, -74.0041),
      PlainRecord("\xCC\xEE\xF1\xEA\xE2\xE0", "MOEX", 12.05, 55.4521, 37.3702),
      PlainRecord(std::string(90, 'n'), "sfx", 23.5959, -33.5152, 151.1234),
      PlainRecord("Zero", "z", 0.0, 0.0, 0.0),
      PlainRecord("Edge", "e", 0.0001, -0.0001, 179.5959),
  };
  uint32_t salt = 1;
  for (const NatalRecord& plain : cases) {
    const bool exact = &plain != &cases[std::size(cases) - 1];
    NatalRecord s = plain;
    ASSERT_TRUE(ScrambleNatalRecord(s, salt *= 2654435761u)) << plain.Name.Str();
    EXPECT_TRUE(IsScrambled(s));
    EXPECT_NE(s.Name.View(), plain.Name.View()) << "name stored in clear";
    EXPECT_NE(s.Year, plain.Year);

    NatalRecord back = DecodeNatalRecord(EncodeNatalRecord(s));
    UnscrambleNatalRecord(back);
    const std::string full = plain.Name.Str() + "@" + plain.NameSuffix.Str();
    EXPECT_EQ(back.Name.View(), full);
    EXPECT_EQ(back.Year, plain.Year);
    EXPECT_EQ(back.Month, plain.Month);
    EXPECT_EQ(back.Day, plain.Day);
    if (exact) {
      EXPECT_EQ(std::memcmp(&back.LocalTime, &plain.LocalTime, 8), 0) << full;
      EXPECT_EQ(std::memcmp(&back.Latitude, &plain.Latitude, 8), 0) << full;
      EXPECT_EQ(std::memcmp(&back.Longitude, &plain.Longitude, 8), 0) << full;
    } else {
      EXPECT_NEAR(back.LocalTime, plain.LocalTime, 1e-12) << full;
      EXPECT_NEAR(back.Latitude, plain.Latitude, 1e-12) << full;
      EXPECT_NEAR(back.Longitude, plain.Longitude, 1e-12) << full;
    }
    EXPECT_EQ(back.Zone, plain.Zone);
    EXPECT_EQ(back.PlaceText.View(), plain.PlaceText.View());
  }
}

TEST(NatalWriter, ReplacesWholeOrLeavesThePathAsItWas) {
  ScratchDir dir;
  const std::string path = dir.File("Nyse.mil");
  std::vector<NatalRecord> recs = {PlainRecord("A", "", 10.0, 1.0, 2.0),
                                   PlainRecord("B", "", 11.0, 3.0, 4.0)};
  WriteNatalDatabase(path, recs);
  EXPECT_EQ(std::filesystem::file_size(path), 2 * kNatalRecordSize);
  recs.pop_back();
  WriteNatalDatabase(path, recs);
  EXPECT_EQ(std::filesystem::file_size(path), kNatalRecordSize);
  EXPECT_EQ(ReadNatalDatabase(path).at(0).Name.View(), "A");
  EXPECT_EQ(dir.Listing(), "Nyse.mil ");  // no temporary file left

  EXPECT_THROW(WriteNatalDatabase(dir.path() + "/missing/Nyse.mil", recs), DataFileError);
  EXPECT_EQ(dir.Listing(), "Nyse.mil ");
}

}  // namespace
}  // namespace sd::data
