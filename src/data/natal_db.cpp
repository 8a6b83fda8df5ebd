#include "data/natal_db.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "data/atomic_file.h"
#include "data/data_error.h"
#include "data/data_file.h"

#include <unistd.h>

namespace sd::data {
namespace {

// Field offsets of the 369-byte record.
enum : size_t {
  kOffYear = 0, kOffMonth = 2, kOffDay = 4, kOffTime = 6, kOffZone = 14, kOffPlace = 22,
  kOffLatitude = 101, kOffLongitude = 109, kOffExtra = 117, kOffName = 125,
  kOffSpare226 = 226, kOffSpare227 = 227, kOffSuffix = 228, kOffMarker = 299, kOffSeed = 304,
  kOffTail = 306,
};

int16_t GetI16(const NatalBytes& b, size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(b[at] | (b[at + 1] << 8)));
}
void PutI16(NatalBytes& b, size_t at, int16_t v) {
  const auto u = static_cast<uint16_t>(v);
  b[at] = static_cast<uint8_t>(u & 0xFF);
  b[at + 1] = static_cast<uint8_t>(u >> 8);
}
double GetF64(const NatalBytes& b, size_t at) {
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | b[at + static_cast<size_t>(i)];
  double v;
  std::memcpy(&v, &u, sizeof v);
  return v;
}
void PutF64(NatalBytes& b, size_t at, double v) {
  uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  for (size_t i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}
template <int N>
void GetText(const NatalBytes& b, size_t at, astro::ShortText<N>& t) {
  t.len = b[at];
  std::memcpy(t.chars, &b[at + 1], N);
}
template <int N>
void PutText(NatalBytes& b, size_t at, const astro::ShortText<N>& t) {
  b[at] = t.len;
  std::memcpy(&b[at + 1], t.chars, N);
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The fields the reader gives back; bytes past a text's length do not count.
bool SameFields(const NatalRecord& a, const NatalRecord& b) {
  return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day &&
         SameBits(a.LocalTime, b.LocalTime) && SameBits(a.Zone, b.Zone) &&
         a.PlaceText.View() == b.PlaceText.View() && SameBits(a.Latitude, b.Latitude) &&
         SameBits(a.Longitude, b.Longitude) && SameBits(a.Extra, b.Extra) &&
         a.Name.View() == b.Name.View() && a.Spare226 == b.Spare226 &&
         a.Spare227 == b.Spare227 && a.NameSuffix.View() == b.NameSuffix.View() &&
         a.Marker == b.Marker && a.Seed == b.Seed && a.Tail == b.Tail;
}

void ClearScrambleTail(NatalRecord& rec) {
  rec.Marker.fill(0);
  rec.Seed.fill(0);
  rec.Tail.fill(0);
}

std::string ErrnoText() { return std::strerror(errno); }

}  // namespace

NatalRecord DecodeNatalRecord(const NatalBytes& b) {
  NatalRecord r;
  r.Year = GetI16(b, kOffYear);
  r.Month = GetI16(b, kOffMonth);
  r.Day = GetI16(b, kOffDay);
  r.LocalTime = GetF64(b, kOffTime);
  r.Zone = GetF64(b, kOffZone);
  GetText(b, kOffPlace, r.PlaceText);
  r.Latitude = GetF64(b, kOffLatitude);
  r.Longitude = GetF64(b, kOffLongitude);
  r.Extra = GetF64(b, kOffExtra);
  GetText(b, kOffName, r.Name);
  r.Spare226 = b[kOffSpare226];
  r.Spare227 = b[kOffSpare227];
  GetText(b, kOffSuffix, r.NameSuffix);
  std::copy_n(&b[kOffMarker], r.Marker.size(), r.Marker.begin());
  std::copy_n(&b[kOffSeed], r.Seed.size(), r.Seed.begin());
  std::copy_n(&b[kOffTail], r.Tail.size(), r.Tail.begin());
  return r;
}

NatalBytes EncodeNatalRecord(const NatalRecord& r) {
  NatalBytes b{};
  PutI16(b, kOffYear, r.Year);
  PutI16(b, kOffMonth, r.Month);
  PutI16(b, kOffDay, r.Day);
  PutF64(b, kOffTime, r.LocalTime);
  PutF64(b, kOffZone, r.Zone);
  PutText(b, kOffPlace, r.PlaceText);
  PutF64(b, kOffLatitude, r.Latitude);
  PutF64(b, kOffLongitude, r.Longitude);
  PutF64(b, kOffExtra, r.Extra);
  PutText(b, kOffName, r.Name);
  b[kOffSpare226] = r.Spare226;
  b[kOffSpare227] = r.Spare227;
  PutText(b, kOffSuffix, r.NameSuffix);
  std::copy(r.Marker.begin(), r.Marker.end(), &b[kOffMarker]);
  std::copy(r.Seed.begin(), r.Seed.end(), &b[kOffSeed]);
  std::copy(r.Tail.begin(), r.Tail.end(), &b[kOffTail]);
  return b;
}

uint8_t ScrambleKey(uint8_t seed0, uint8_t seed1) {
  return static_cast<uint8_t>((seed0 + kSeedMultiplier * seed1) % kKeyModulus);
}

bool IsScrambled(const NatalRecord& rec) { return rec.Marker == kScrambleMarker; }

void UnscrambleNatalRecord(NatalRecord& rec) {
  if (!IsScrambled(rec)) return;
  const uint8_t key = ScrambleKey(rec.Seed[0], rec.Seed[1]);
  ClearScrambleTail(rec);
  // A damaged length byte above 100 still touches only the name's own bytes.
  const size_t n = rec.Name.View().size();
  for (size_t i = 0; i < n; ++i) rec.Name.chars[i] = static_cast<char>(rec.Name.chars[i] ^ key);
  const auto wide = static_cast<int16_t>(key);
  rec.Year = static_cast<int16_t>(rec.Year ^ wide);
  rec.Month = static_cast<int16_t>(rec.Month ^ wide);
  rec.Day = static_cast<int16_t>(rec.Day ^ wide);
  rec.LocalTime += key * static_cast<double>(kTimeFactor);
  rec.Latitude += key * static_cast<double>(kLatitudeFactor);
  rec.Longitude += key * static_cast<double>(kLongitudeFactor);
  std::string full(rec.Name.View());
  full += '@';
  full += rec.NameSuffix.View();
  rec.Name.Set(full);
}

bool ScrambleNatalRecord(NatalRecord& rec, uint32_t salt) {
  NatalRecord expected = rec;
  ClearScrambleTail(expected);
  {
    std::string full(rec.Name.View());
    full += '@';
    full += rec.NameSuffix.View();
    expected.Name.Set(full);
  }
  const auto seed1 = static_cast<uint8_t>(salt >> 8);
  auto scrambled = [&](int key) {
    const int seed0 = ((key - kSeedMultiplier * seed1) % kKeyModulus + kKeyModulus) % kKeyModulus;
    NatalRecord s = rec;
    ClearScrambleTail(s);
    const size_t n = s.Name.View().size();
    for (size_t j = 0; j < n; ++j) s.Name.chars[j] = static_cast<char>(s.Name.chars[j] ^ key);
    s.Year = static_cast<int16_t>(s.Year ^ key);
    s.Month = static_cast<int16_t>(s.Month ^ key);
    s.Day = static_cast<int16_t>(s.Day ^ key);
    s.LocalTime -= key * static_cast<double>(kTimeFactor);
    s.Latitude -= key * static_cast<double>(kLatitudeFactor);
    s.Longitude -= key * static_cast<double>(kLongitudeFactor);
    s.Marker = kScrambleMarker;
    s.Seed = {static_cast<uint8_t>(seed0), seed1};
    return s;
  };
  auto restored = [](const NatalRecord& s) {
    NatalRecord back = DecodeNatalRecord(EncodeNatalRecord(s));
    UnscrambleNatalRecord(back);
    return back;
  };
  // Subtracting and adding back a key multiple is exact only for some keys and values, so the
  // keys are tried in turn until one restores every field bit for bit. Key 0 would leave the
  // record readable as it stands, so it is never used.
  for (int i = 0; i < kKeyModulus - 1; ++i) {
    const int key = 1 + static_cast<int>((salt + static_cast<uint32_t>(i)) % (kKeyModulus - 1));
    const NatalRecord s = scrambled(key);
    if (SameFields(restored(s), expected)) {
      rec = s;
      return true;
    }
  }
  // Small values (a time of a few seconds after midnight) lose low bits against any multiple.
  // The smallest key then gives back the same packed value to the format's four decimals.
  const NatalRecord s = scrambled(1);
  NatalRecord back = restored(s);
  auto same_packed = [](double a, double b) {
    return std::isfinite(a) && std::isfinite(b) && std::llround(a * 10000) == std::llround(b * 10000);
  };
  if (!same_packed(back.LocalTime, expected.LocalTime) ||
      !same_packed(back.Latitude, expected.Latitude) ||
      !same_packed(back.Longitude, expected.Longitude))
    return false;
  back.LocalTime = expected.LocalTime;
  back.Latitude = expected.Latitude;
  back.Longitude = expected.Longitude;
  if (!SameFields(back, expected)) return false;
  rec = s;
  return true;
}

void ToEventData(const NatalRecord& rec, astro::EventBlock& ev) {
  ev.Year = rec.Year;
  ev.Month = rec.Month;
  ev.Day = rec.Day;
  ev.LocalTime = rec.LocalTime;
  ev.Zone = rec.Zone;
  ev.PlaceText.Set(rec.PlaceText.View());
  ev.PlaceLatitude = rec.Latitude;
  ev.PlaceLongitude = rec.Longitude;
  ev.PlaceExtra = rec.Extra;
}

// ---- reader -------------------------------------------------------------------------------

NatalKind NatalDatabase::DetectKind(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = file.find_last_of('.');
  if (dot == std::string_view::npos) return kNatalKindNone;
  std::string ext(file.substr(dot, 9));
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (ext == ".WDD") return kNatalKindWdd;
  if (ext == ".TSJ") return kNatalKindTsj;
  if (ext == ".DDD") return kNatalKindDdd;
  if (ext == ".MIL" || ext == ".MIL_MTM1") return kNatalKindMil;
  if (ext == ".FIL") return kNatalKindFil;
  return kNatalKindNone;
}

bool NatalDatabase::Open(const std::string& path, NatalKind kind) {
  Close();
  path_ = path;
  kind_ = kind;
  open_error_.clear();
  count_ = next_ = 0;
  switch (kind) {
    case kNatalKindNone:
      return true;
    case kNatalKindMil:
      record_size_ = kNatalRecordSize;
      break;
    case kNatalKindWdd:
      record_size_ = kNatalWddRecordSize;
      break;
    default:
      open_error_ = "records of this kind cannot be read";
      return false;
  }
  // Every request scans this file: a FIFO, a device or a file of gigabytes is refused at open.
  try {
    const int fd = OpenDataFile(path, kNatalFileMaxBytes, /*missing_ok=*/false);
    file_ = ::fdopen(fd, "rb");
    if (!file_) {
      open_error_ = "cannot open: " + ErrnoText();
      ::close(fd);
      return false;
    }
  } catch (const DataFileError& e) {
    open_error_ = e.reason();
    return false;
  }
  struct stat st {};
  if (fstat(fileno(file_), &st) != 0) {
    open_error_ = "cannot open: " + ErrnoText();
    Close();
    return false;
  }
  count_ = static_cast<long>(static_cast<size_t>(st.st_size) / record_size_);
  return true;
}

long NatalDatabase::RecordCount() {
  if (kind_ == kNatalKindNone) return 0;
  if (!file_) throw DataFileError(path_, open_error_.empty() ? "not open" : open_error_);
  struct stat st {};
  if (fstat(fileno(file_), &st) != 0) throw DataFileError(path_, "cannot read: " + ErrnoText());
  if (std::fseek(file_, 0, SEEK_SET) != 0) throw DataFileError(path_, "cannot read: " + ErrnoText());
  count_ = static_cast<long>(static_cast<size_t>(st.st_size) / record_size_);
  next_ = 0;
  return count_;
}

int NatalDatabase::ReadRecord(NatalRecord& rec) {
  if (kind_ == kNatalKindNone) return 1;
  if (!file_) throw DataFileError(path_, open_error_.empty() ? "not open" : open_error_);
  if (next_ >= count_) return 1;
  NatalBytes bytes{};
  const size_t got = std::fread(bytes.data(), 1, record_size_, file_);
  if (got != record_size_) {
    if (std::ferror(file_)) throw DataFileError(path_, "cannot read: " + ErrnoText());
    count_ = next_;  // the file became shorter since it was counted
    return 1;
  }
  ++next_;
  rec = DecodeNatalRecord(bytes);  // a short kind keeps bytes 228 to 368 cleared
  UnscrambleNatalRecord(rec);
  return 0;
}

bool NatalDatabase::AtEnd() const { return !file_ || next_ >= count_; }

void NatalDatabase::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

std::vector<NatalRecord> ReadNatalDatabase(const std::string& path) {
  NatalDatabase db;
  db.Open(path, NatalDatabase::DetectKind(path));
  const long n = db.RecordCount();
  std::vector<NatalRecord> out;
  out.reserve(static_cast<size_t>(n));
  NatalRecord rec;
  while (!db.AtEnd() && db.ReadRecord(rec) == 0) out.push_back(rec);
  return out;
}

// ---- writer -------------------------------------------------------------------------------

void WriteNatalDatabase(const std::string& path, const std::vector<NatalRecord>& records) {
  std::string content;
  content.reserve(records.size() * kNatalRecordSize);
  for (const NatalRecord& r : records) {
    const NatalBytes b = EncodeNatalRecord(r);
    content.append(reinterpret_cast<const char*>(b.data()), b.size());
  }
  WriteFileAtomically(path, content);
}

// ---- lookup -------------------------------------------------------------------------------

bool LookupNatal(const std::string& path, std::string_view requested, astro::ChartData& slot) {
  NatalDatabase db;
  db.Open(path, NatalDatabase::DetectKind(path));
  const long count = db.RecordCount();  // throws when the file could not be opened
  const std::string wanted = TrimNameBlanks(requested.substr(0, 255));
  bool found = false;
  if (count != 0) {
    NatalRecord rec;
    do {
      // Only a record actually read is compared: a failed read leaves rec as it was, and an
      // empty request must not match a record that was never there.
      if (db.ReadRecord(rec) == 0 && TrimNameBlanks(rec.Name.View()) == wanted) {
        ToEventData(rec, slot.Event);
        slot.ChartName.Set(rec.Name.View());
        found = true;
        break;
      }
    } while (!db.AtEnd());
  }
  db.Close();
  return found;
}

}  // namespace sd::data
