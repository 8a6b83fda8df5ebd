#include "data/natal_csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "astro/calendar.h"
#include "data/cp1251.h"

namespace sd::data {
namespace {

struct CsvRow {
  int line = 0;
  std::vector<std::string> fields;
};

// Splits the text into rows of fields. A quoted field may hold commas and doubled quotes but
// not a line end: every row is one line, so that a message can name it.
std::vector<CsvRow> SplitCsv(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<CsvRow> rows;
  int line = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    ++line;
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view l = text.substr(pos, end - pos);
    pos = end + 1;
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    if (l.empty()) continue;
    CsvRow row;
    row.line = line;
    size_t i = 0;
    while (true) {
      std::string field;
      if (i < l.size() && l[i] == '"') {
        ++i;
        while (true) {
          if (i >= l.size()) throw NatalCsvError(line, "", "quoted field not closed on its line");
          if (l[i] == '"') {
            if (i + 1 < l.size() && l[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          field += l[i++];
        }
        if (i < l.size() && l[i] != ',')
          throw NatalCsvError(line, "", "text after a closing quote");
      } else {
        const size_t comma = l.find(',', i);
        const size_t stop = comma == std::string_view::npos ? l.size() : comma;
        field.assign(l.substr(i, stop - i));
        i = stop;
      }
      row.fields.push_back(std::move(field));
      if (i >= l.size()) break;
      ++i;  // the comma
      if (i == l.size()) {
        row.fields.emplace_back();
        break;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int ToInt(std::string_view s) {
  int v = 0;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return v;
}

// A plain decimal number: optional sign, digits, optional fraction. No exponent, no blanks.
std::optional<double> ParseNumber(std::string_view s) {
  std::string_view body = s;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) body.remove_prefix(1);
  if (body.empty() || body.find_first_not_of("0123456789.") != std::string_view::npos ||
      body.find('.') != body.rfind('.') || body == ".")
    return std::nullopt;
  double v = 0;
  const auto r = std::from_chars(body.data(), body.data() + body.size(), v);
  if (r.ec != std::errc() || r.ptr != body.data() + body.size() || !std::isfinite(v))
    return std::nullopt;
  return s[0] == '-' ? -v : v;
}

struct Date {
  int year, month, day;
};

// [-]YYYY-MM-DD with a real calendar day.
std::optional<Date> ParseDate(std::string_view s) {
  bool negative = false;
  if (!s.empty() && s[0] == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  const size_t a = s.find('-');
  if (a == std::string_view::npos || a + 6 != s.size() || s[a + 3] != '-') return std::nullopt;
  const std::string_view y = s.substr(0, a), m = s.substr(a + 1, 2), d = s.substr(a + 4, 2);
  if (y.size() < 1 || y.size() > 4 || !AllDigits(y) || !AllDigits(m) || !AllDigits(d))
    return std::nullopt;
  Date out{negative ? -ToInt(y) : ToInt(y), ToInt(m), ToInt(d)};
  if (!astro::IsCalendarDate(out.year, out.month, out.day)) return std::nullopt;
  return out;
}

// H:MM or H:MM:SS into hours, minutes, seconds.
std::optional<std::array<int, 3>> ParseColonTime(std::string_view s) {
  std::array<std::string_view, 3> part{};
  int n = 0;
  size_t start = 0;
  while (true) {
    const size_t c = s.find(':', start);
    if (n == 3) return std::nullopt;
    part[static_cast<size_t>(n++)] = s.substr(start, c == std::string_view::npos ? s.npos : c - start);
    if (c == std::string_view::npos) break;
    start = c + 1;
  }
  if (n < 2) return std::nullopt;
  if (part[0].empty() || part[0].size() > 2 || !AllDigits(part[0])) return std::nullopt;
  for (int k = 1; k < n; ++k) {
    if (part[static_cast<size_t>(k)].size() != 2 || !AllDigits(part[static_cast<size_t>(k)]))
      return std::nullopt;
  }
  std::array<int, 3> v = {ToInt(part[0]), ToInt(part[1]), n == 3 ? ToInt(part[2]) : 0};
  if (v[1] > 59 || v[2] > 59) return std::nullopt;
  return v;
}

double PackClock(int h, int m, int s) { return h + m / 100.0 + s / 10000.0; }

// Stored texts: code page 1251, no control characters, at most max bytes.
std::string StoredText(int line, const char* field, const std::string& utf8, size_t max) {
  std::string why;
  const auto text = Utf8ToCp1251(utf8, &why);
  if (!text) throw NatalCsvError(line, field, why);
  for (char c : *text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      throw NatalCsvError(line, field, "control character in the text");
  }
  if (text->size() > max) {
    throw NatalCsvError(line, field,
                        std::to_string(text->size()) + " characters, at most " +
                            std::to_string(max) + " fit");
  }
  return *text;
}

uint32_t Fnv1a(std::string_view s) {
  uint32_t h = 2166136261u;
  for (char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

constexpr std::array<const char*, 7> kColumns = {"name",  "date",     "time",     "zone_hours",
                                                 "place", "latitude", "longitude"};

std::string Quoted(std::string_view s) {
  const bool plain = s.find_first_of(",\"\r\n") == std::string_view::npos &&
                     (s.empty() || (s.front() != ' ' && s.back() != ' '));
  if (plain) return std::string(s);
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace

namespace {

using ColumnIndex = std::array<size_t, kColumns.size()>;

// Where each of the named columns sits in the header row; their order there is free.
ColumnIndex FindColumns(const CsvRow& header) {
  std::map<std::string, size_t> column;
  for (size_t i = 0; i < header.fields.size(); ++i) column.emplace(header.fields[i], i);
  ColumnIndex at{};
  for (size_t k = 0; k < kColumns.size(); ++k) {
    const auto it = column.find(kColumns[k]);
    if (it == column.end()) throw NatalCsvError(header.line, kColumns[k], "column missing from the header");
    at[k] = it->second;
  }
  return at;
}

// The name, split at '@' into name and suffix for a scrambled record; returns the whole stored
// name. `seen` maps each trimmed name to its line, as the lookup compares names: a second record
// of a name could never be found.
std::string ReadName(int line, const std::string& text, bool scramble, std::map<std::string, int>& seen,
              NatalRecord& rec) {
  const std::string name = StoredText(line, "name", text, kNatalNameMax);
  if (TrimNameBlanks(name).empty()) throw NatalCsvError(line, "name", "empty");
  // Names are text, not markup ("AT&T", "McDonald's"): every output escapes them for its own
  // context, so nothing beyond the control characters StoredText refuses is kept out here.
  if (scramble) {
    const size_t at_sign = name.find('@');
    if (at_sign == std::string::npos)
      throw NatalCsvError(line, "name", "a scrambled record's name has the form NAME@SUFFIX");
    const std::string suffix = name.substr(at_sign + 1);
    if (suffix.size() > kNatalSuffixMax)
      throw NatalCsvError(line, "name", "suffix longer than 70 characters");
    rec.Name.Set(name.substr(0, at_sign));
    rec.NameSuffix.Set(suffix);
  } else {
    rec.Name.Set(name);
  }
  const auto [dup, fresh] = seen.emplace(TrimNameBlanks(name), line);
  if (!fresh) {
    throw NatalCsvError(line, "name",
                        "'" + text + "' is already on line " + std::to_string(dup->second) +
                            "; only the first could ever be found");
  }
  return name;
}

void ReadDateAndTime(int line, const std::string& date_text, const std::string& time_text,
                     NatalRecord& rec) {
  const auto date = ParseDate(date_text);
  if (!date) throw NatalCsvError(line, "date", "'" + date_text + "' is no calendar date YYYY-MM-DD");
  rec.Year = static_cast<int16_t>(date->year);
  rec.Month = static_cast<int16_t>(date->month);
  rec.Day = static_cast<int16_t>(date->day);

  const auto clock = ParseColonTime(time_text);
  if (!clock || (*clock)[0] > 23)
    throw NatalCsvError(line, "time", "'" + time_text + "' is no clock time HH:MM[:SS]");
  rec.LocalTime = PackClock((*clock)[0], (*clock)[1], (*clock)[2]);
}

// Zone hours east of Greenwich, as a decimal or as [-]H:MM[:SS].
double ReadZone(int line, const std::string& zt) {
  std::optional<double> zone;
  if (zt.find(':') != std::string::npos) {
    const bool neg = !zt.empty() && zt[0] == '-';
    const std::string_view body =
        std::string_view(zt).substr(!zt.empty() && (zt[0] == '-' || zt[0] == '+') ? 1 : 0);
    if (const auto z = ParseColonTime(body)) {
      const double h = (*z)[0] + (*z)[1] / 60.0 + (*z)[2] / 3600.0;
      zone = neg ? -h : h;
    }
  } else {
    zone = ParseNumber(zt);
  }
  if (!zone || std::fabs(*zone) > 15.0)
    throw NatalCsvError(line, "zone_hours", "'" + zt + "' is no zone between -15 and 15 hours");
  return *zone;
}

void ReadCoordinates(int line, const std::string& lat_text, const std::string& lon_text,
                     NatalRecord& rec) {
  const auto lat = ParseNumber(lat_text);
  if (!lat || std::fabs(*lat) > 90.0)
    throw NatalCsvError(line, "latitude", "'" + lat_text + "' is no latitude in degrees, -90 to 90");
  const auto lon = ParseNumber(lon_text);
  if (!lon || std::fabs(*lon) > 180.0)
    throw NatalCsvError(line, "longitude",
                        "'" + lon_text + "' is no longitude in degrees, -180 to 180");
  rec.Latitude = astro::DecimalToHms(*lat);
  rec.Longitude = astro::DecimalToHms(*lon);
}

NatalRecord ReadRecord(const CsvRow& row, const ColumnIndex& at, bool scramble,
                       std::map<std::string, int>& seen) {
  const int line = row.line;
  auto field = [&](size_t k) -> const std::string& { return row.fields[at[k]]; };
  NatalRecord rec;
  const std::string name = ReadName(line, field(0), scramble, seen, rec);
  ReadDateAndTime(line, field(1), field(2), rec);
  rec.Zone = astro::DecimalToHms(ReadZone(line, field(3)));
  rec.PlaceText.Set(StoredText(line, "place", field(4), kNatalPlaceMax));
  ReadCoordinates(line, field(5), field(6), rec);
  rec.Extra = 0.0;
  if (scramble && !ScrambleNatalRecord(rec, Fnv1a(name) ^ static_cast<uint32_t>(line)))
    throw NatalCsvError(line, "", "no key restores this record exactly; store it plain");
  return rec;
}

}  // namespace

std::vector<NatalRecord> ParseNatalCsv(std::string_view text, bool scramble) {
  const std::vector<CsvRow> rows = SplitCsv(text);
  if (rows.empty()) throw NatalCsvError(1, "", "no header row");
  const ColumnIndex at = FindColumns(rows[0]);
  std::vector<NatalRecord> out;
  std::map<std::string, int> seen;
  for (size_t r = 1; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    if (row.fields.size() != rows[0].fields.size()) {
      throw NatalCsvError(row.line, "",
                          std::to_string(row.fields.size()) + " fields, the header has " +
                              std::to_string(rows[0].fields.size()));
    }
    out.push_back(ReadRecord(row, at, scramble, seen));
  }
  return out;
}

std::string FormatNatalDate(const NatalRecord& rec) {
  if (rec.Month < 1 || rec.Month > 12 || rec.Day < 1 || rec.Day > 31 || rec.Year < -9999 ||
      rec.Year > 9999)
    return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%04d-%02d-%02d", rec.Year < 0 ? "-" : "",
                rec.Year < 0 ? -rec.Year : rec.Year, rec.Month, rec.Day);
  return buf;
}

std::string FormatPackedClock(double packed) {
  if (!std::isfinite(packed) || packed < 0 || packed >= 24) return "";
  const long v = std::lround(packed * 10000);
  const long h = v / 10000, m = v / 100 % 100, s = v % 100;
  if (h > 23 || m > 59 || s > 59) return "";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", h, m, s);
  return buf;
}

std::string FormatDecimal(double value) {
  if (!std::isfinite(value)) return "";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f", value);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::vector<TickerRow> TickersOfCsv(std::string_view text) {
  const std::vector<CsvRow> rows = SplitCsv(text);
  if (rows.empty()) return {};
  size_t ticker = rows[0].fields.size(), name = rows[0].fields.size();
  for (size_t i = 0; i < rows[0].fields.size(); ++i) {
    if (rows[0].fields[i] == "ticker") ticker = i;
    if (rows[0].fields[i] == "name") name = i;
  }
  std::vector<TickerRow> out;
  if (ticker == rows[0].fields.size() || name == rows[0].fields.size()) return out;
  for (size_t r = 1; r < rows.size(); ++r) {
    const std::vector<std::string>& f = rows[r].fields;
    if (f.size() > std::max(ticker, name) && !f[ticker].empty()) out.push_back({f[ticker], f[name]});
  }
  return out;
}

std::string FormatTickersCsv(const std::vector<TickerRow>& rows) {
  std::string out = "ticker,name\n";
  for (const TickerRow& row : rows) out += Quoted(row.ticker) + ',' + Quoted(row.name) + '\n';
  return out;
}

std::string FormatNatalCsv(const std::vector<NatalRecord>& records) {
  std::string out;
  for (size_t k = 0; k < kColumns.size(); ++k) {
    if (k) out += ',';
    out += kColumns[k];
  }
  out += '\n';
  int line = 1;
  for (const NatalRecord& rec : records) {
    ++line;
    const std::string date = FormatNatalDate(rec);
    if (date.empty()) throw NatalCsvError(line, "date", "the record's date is no calendar date");
    const std::string time = FormatPackedClock(rec.LocalTime);
    if (time.empty()) throw NatalCsvError(line, "time", "the record's time is no clock time");
    auto decimal = [&](double packed, const char* field, double limit) {
      const std::string s = std::isfinite(packed) && std::fabs(packed) <= limit
                                ? FormatDecimal(astro::HmsToDecimal(packed))
                                : std::string();
      if (s.empty()) throw NatalCsvError(line, field, "the record's value is out of range");
      return s;
    };
    out += Quoted(Cp1251ToUtf8(rec.Name.View()));
    out += ',' + date + ',' + time;
    out += ',' + decimal(rec.Zone, "zone_hours", 15.0);
    out += ',' + Quoted(Cp1251ToUtf8(rec.PlaceText.View()));
    out += ',' + decimal(rec.Latitude, "latitude", 90.0);
    out += ',' + decimal(rec.Longitude, "longitude", 180.0);
    out += '\n';
  }
  return out;
}

}  // namespace sd::data
