#pragma once
// The natal database: first-trade moments of securities in fixed 369-byte records
// ("Nyse.mil"), their reader, their writer, and the lookup of one security by name.
//
// Record layout (little-endian, no file header, records back to back from offset 0):
//   0 int16 year | 2 int16 month | 4 int16 day | 6 double local time, packed H.MMSS
//  14 double zone, packed hours east | 22 text[78] place | 101 double latitude, packed D.MMSS
// 109 double longitude, packed D.MMSS | 117 double further co-ordinate | 125 text[100] name
// 226, 227 bytes not used | 228 text[70] name suffix | 299 five marker bytes | 304 two seed
// bytes | 306..368 not used.
// Texts are one length byte and a fixed number of character bytes (8-bit, code page 1251).
//
// Scrambled records carry the marker 77 1 5 35 11. Their key is
//   key = (seed0 + kSeedMultiplier * seed1) mod kKeyModulus,
// the name characters and the low bytes of year, month and day are stored XOR key, and time,
// latitude and longitude are stored reduced by key * their field factor.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "astro/chart_data.h"
#include "astro/short_text.h"
#include "data/trim.h"

namespace sd::data {

// File kinds, decided by the file extension.
enum NatalKind : uint8_t {
  kNatalKindWdd = 0,    // fixed records of 228 bytes (the first 228 bytes of the 369-byte layout)
  kNatalKindTsj = 1,    // fixed records of 227 bytes
  kNatalKindDdd = 2,    // text, one record per line
  kNatalKindMil = 3,    // fixed records of 369 bytes
  kNatalKindFil = 4,    // fixed records of 15049 bytes
  kNatalKindNone = 255  // not a database: open and read do nothing
};

inline constexpr size_t kNatalRecordSize = 369;
inline constexpr size_t kNatalWddRecordSize = 228;
inline constexpr int kNatalNameMax = 100;
inline constexpr int kNatalPlaceMax = 78;
inline constexpr int kNatalSuffixMax = 70;
inline constexpr const char* kNatalFileName = "Nyse.mil";

// Scramble constants; the writer and the reader must agree on them.
inline constexpr std::array<uint8_t, 5> kScrambleMarker = {77, 1, 5, 35, 11};
inline constexpr int kSeedMultiplier = 7;
inline constexpr int kKeyModulus = 251;
inline constexpr int kTimeFactor = 3;
inline constexpr int kLatitudeFactor = 5;
inline constexpr int kLongitudeFactor = 7;

struct NatalRecord {
  int16_t Year = 0;
  int16_t Month = 0;
  int16_t Day = 0;
  double LocalTime = 0;   // packed H.MMSS
  double Zone = 0;        // packed hours east of Greenwich
  astro::ShortText<kNatalPlaceMax> PlaceText;
  double Latitude = 0;    // packed D.MMSS, north positive
  double Longitude = 0;   // packed D.MMSS, east positive
  double Extra = 0;       // carried into the chart unchanged
  astro::ShortText<kNatalNameMax> Name;
  uint8_t Spare226 = 0;
  uint8_t Spare227 = 0;
  astro::ShortText<kNatalSuffixMax> NameSuffix;
  std::array<uint8_t, 5> Marker{};
  std::array<uint8_t, 2> Seed{};
  std::array<uint8_t, 63> Tail{};
};

using NatalBytes = std::array<uint8_t, kNatalRecordSize>;

// Raw conversion between the 369 stored bytes and the fields; no unscrambling.
NatalRecord DecodeNatalRecord(const NatalBytes& bytes);
NatalBytes EncodeNatalRecord(const NatalRecord& rec);

// The one-byte key of two seed bytes.
uint8_t ScrambleKey(uint8_t seed0, uint8_t seed1);
// True when the record carries the scramble marker, all five bytes.
bool IsScrambled(const NatalRecord& rec);
// Restores a scrambled record in place: marker, seeds and the bytes after them cleared, name
// characters, year, month and day XOR key, time and co-ordinates raised by the key multiples,
// and the name becomes name + "@" + suffix cut to 100 characters. Plain records stay as they are.
void UnscrambleNatalRecord(NatalRecord& rec);

// The writer's side. `rec` holds the plain fields, with the name and its suffix apart (the
// reader will give back name + "@" + suffix). Stores the scrambled form with a key drawn from
// `salt` such that reading it restores every field bit for bit; where no key can (values so
// small that any key multiple swallows their low bits), one that restores time and
// co-ordinates to the packed format's four decimals. False when neither exists (NaN).
bool ScrambleNatalRecord(NatalRecord& rec, uint32_t salt);

// Year to PlaceExtra of a chart's event data from a record; the name is not part of it.
void ToEventData(const NatalRecord& rec, astro::EventBlock& ev);

// Reads a database file record by record. Every call either moves forward or reaches the
// end, so a scan driven by AtEnd always stops.
class NatalDatabase {
 public:
  NatalDatabase() = default;
  ~NatalDatabase() { Close(); }
  NatalDatabase(const NatalDatabase&) = delete;
  NatalDatabase& operator=(const NatalDatabase&) = delete;

  // The kind of a file from its extension (with the point, upper case, cut to 9 characters).
  static NatalKind DetectKind(std::string_view path);

  // Opens the file for reading records of its kind; false when that fails (the reason is kept
  // for RecordCount). Kind 255 opens nothing and returns true. Of the fixed-record kinds only
  // 3 and 0 have a known layout; the others are not opened.
  bool Open(const std::string& path, NatalKind kind);
  // Number of whole records, and the reader placed at the first. Throws DataFileError when
  // the file is not open, naming the file and why the open failed.
  long RecordCount();
  // 0 when a record was read into rec (restored when scrambled); 1 when none could be (at the
  // end of the file or before a partial last record), rec unchanged. A read error other than
  // the end of the file throws DataFileError.
  int ReadRecord(NatalRecord& rec);
  // True when no further whole record follows.
  bool AtEnd() const;
  void Close();

  NatalKind kind() const { return kind_; }
  const std::string& path() const { return path_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string open_error_;
  NatalKind kind_ = kNatalKindNone;
  size_t record_size_ = 0;
  long count_ = 0;
  long next_ = 0;
};

// All records of a database in file order, restored. Throws DataFileError when the file cannot
// be opened or read.
std::vector<NatalRecord> ReadNatalDatabase(const std::string& path);

// Writes the records as a kind 3 file that appears whole or not at all: a temporary file in
// the same directory, renamed over path. Throws DataFileError on failure, leaving path as it
// was.
void WriteNatalDatabase(const std::string& path, const std::vector<NatalRecord>& records);

// The natal lookup of a request: scans the database at path for the first record whose name,
// trimmed, equals the requested name (cut to 255 characters, trimmed) byte for byte; copies
// its event data into slot.Event and its name as stored into slot.ChartName. Returns whether a
// record matched; slot is untouched when none did. Throws DataFileError when the file is
// missing or unreadable.
bool LookupNatal(const std::string& path, std::string_view requested, astro::ChartData& slot);

}  // namespace sd::data
