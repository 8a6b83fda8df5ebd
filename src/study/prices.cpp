#include "study/prices.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <sstream>

#include "astro/calendar.h"
#include "data/data_error.h"
#include "data/data_file.h"
#include "data/text_escape.h"
#include "data/trim.h"

namespace sd::study {

namespace {

// A field without its blanks and the quotes some vendors put round every field.
std::string Field(std::string_view s) {
  std::string t(data::Trim(s, data::kSpaceTab));
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
  return t;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t comma = line.find(',', start);
    out.push_back(Field(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

// The columns a format must have, by their lower-case names, the first being the date and the
// second the price read, and their names as messages show them.
struct Layout {
  PriceFormat Format;
  std::vector<std::vector<std::string>> Required;  // each entry: accepted spellings
  std::vector<const char*> Names;
};

const Layout kAdjusted = {PriceFormat::Adjusted,
                          {{"date"}, {"adj close", "adjclose", "adj_close"}, {"open"}, {"high"}, {"low"},
                           {"close"}, {"volume"}},
                          {"Date", "Adj Close", "Open", "High", "Low", "Close", "Volume"}};
const Layout kOhlcv = {PriceFormat::Ohlcv,
                       {{"date"}, {"close"}, {"open"}, {"high"}, {"low"}, {"volume"}},
                       {"Date", "Close", "Open", "High", "Low", "Volume"}};
const Layout kMetaStock = {PriceFormat::MetaStock,
                           {{"<dtyyyymmdd>"}, {"<close>"}, {"<ticker>"}, {"<open>"}, {"<high>"}, {"<low>"},
                            {"<vol>"}},
                           {"<DTYYYYMMDD>", "<CLOSE>", "<TICKER>", "<OPEN>", "<HIGH>", "<LOW>", "<VOL>"}};
const Layout kClose = {PriceFormat::Close, {{"date"}, {"close"}}, {"Date", "Close"}};

// A field as a message quotes it: at most its first 40 bytes, so that a 100 MB field does not
// become a 100 MB line on the terminal, and control characters shown, not obeyed.
std::string Quote(const std::string& field) {
  constexpr size_t kShown = 40;
  if (field.size() <= kShown) return "'" + data::ShowControls(field) + "'";
  return "'" + data::ShowControls(field.substr(0, kShown)) + "...' (" + std::to_string(field.size()) +
         " bytes)";
}

[[noreturn]] void Fail(const std::string& file, int line, const std::string& what) {
  throw PriceError(file + ": line " + std::to_string(line) + ": " + what);
}

int FindColumn(const std::vector<std::string>& lower, const std::vector<std::string>& names) {
  for (size_t i = 0; i < lower.size(); ++i)
    if (std::find(names.begin(), names.end(), lower[i]) != names.end()) return static_cast<int>(i);
  return -1;
}

bool Has(const std::vector<std::string>& lower, const char* name) {
  return std::find(lower.begin(), lower.end(), name) != lower.end();
}

// The next line that is not blank, without its line end (and, as the first line, without a
// UTF-8 byte-order mark); false at the end of the text.
bool NextLine(std::istream& in, std::string& line, int& line_no) {
  while (std::getline(in, line)) {
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line_no == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (!data::Trim(line, data::kSpaceTab).empty()) return true;
  }
  return false;
}

// The format a header names: MetaStock by its bracketed names, the others by the columns only
// they have.
const Layout& LayoutOf(const std::vector<std::string>& lower, const std::string& file, int line) {
  if (std::any_of(lower.begin(), lower.end(), [](const std::string& h) { return !h.empty() && h[0] == '<'; }))
    return kMetaStock;
  if (Has(lower, "adj close") || Has(lower, "adjclose") || Has(lower, "adj_close")) return kAdjusted;
  if (Has(lower, "open") || Has(lower, "high") || Has(lower, "low") || Has(lower, "volume")) return kOhlcv;
  if (Has(lower, "date") || Has(lower, "close")) return kClose;
  Fail(file, line, "not a price header (expected Date,...,Close,... or MetaStock <DTYYYYMMDD>,...,<CLOSE>)");
}

// What a data row must hold, learnt from the header.
struct RowShape {
  size_t Fields = 0;
  int DateColumn = 0, PriceColumn = 0;
  bool Compact = false;  // dates as YYYYMMDD
  int TickerColumn = -1;  // MetaStock: every row must name the same security
  std::string DateName, PriceName;
};

// The header's format and the columns read; every column of the format must be present.
RowShape ReadHeader(const std::vector<std::string>& header, const std::string& file, int line,
                    PriceSeries& out) {
  std::vector<std::string> lower;
  for (const auto& h : header) lower.push_back(Lower(h));
  const Layout& layout = LayoutOf(lower, file, line);
  out.Format = layout.Format;
  std::vector<int> columns;
  for (size_t k = 0; k < layout.Required.size(); ++k) {
    const int c = FindColumn(lower, layout.Required[k]);
    if (c < 0) Fail(file, line, std::string("missing column '") + layout.Names[k] + "'");
    // Which of two columns of one name holds the prices cannot be told: refused, not guessed.
    for (size_t i = static_cast<size_t>(c) + 1; i < lower.size(); ++i) {
      const auto& names = layout.Required[k];
      if (std::find(names.begin(), names.end(), lower[i]) != names.end())
        Fail(file, line,
             "field '" + data::ShowControls(header[i]) + "': a second column '" + layout.Names[k] +
                 "' (columns " + std::to_string(c + 1) + " and " + std::to_string(i + 1) + ")");
    }
    columns.push_back(c);
  }
  RowShape shape;
  shape.Fields = header.size();
  shape.DateColumn = columns[0];
  shape.PriceColumn = columns[1];
  shape.Compact = layout.Format == PriceFormat::MetaStock;
  if (layout.Format == PriceFormat::MetaStock) shape.TickerColumn = columns[2];
  shape.DateName = header[static_cast<size_t>(shape.DateColumn)];
  shape.PriceName = header[static_cast<size_t>(shape.PriceColumn)];
  out.Column = shape.PriceName;
  return shape;
}

// A row's date: a calendar day other than the row above it (`last`, none for the first row),
// on the same side as every row before: files come oldest first or, as many exports give them,
// newest first (`direction` +1 or -1 once the first two rows have set it), never both ways.
Date ReadRowDate(const std::string& text, const RowShape& shape, const std::optional<Date>& last,
                 int& direction, const std::string& file, int line) {
  Date date;
  if (!ParseDate(text, shape.Compact, date))
    Fail(file, line,
         "field '" + shape.DateName + "': not a date (" + (shape.Compact ? "YYYYMMDD" : "YYYY-MM-DD") + "): " +
             Quote(text) + (text.compare(0, 4, "1583") < 0 && std::isdigit(static_cast<unsigned char>(text[0]))
                                ? " (price dates begin at 1582-10-15, the first day of the Gregorian calendar)"
                                : ""));
  if (!last) return date;
  if (date == *last) Fail(file, line, "field '" + shape.DateName + "': duplicate date " + text);
  const int step = date > *last ? 1 : -1;
  if (direction == 0) direction = step;
  if (step != direction)
    Fail(file, line,
         "field '" + shape.DateName + "': date " + text +
             (direction > 0 ? " is before the row above it, in a file whose dates go up"
                            : " is after the row above it, in a file whose dates go down (newest first)"));
  return date;
}

std::string Shortest(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

// Plain decimal notation: digits with at most one point, an optional exponent. strtod alone
// would also take "0x10" (16), "inf", "nan" and stop quietly at an embedded NUL.
bool IsDecimalNumber(const std::string& p) {
  size_t i = 0;
  if (i < p.size() && p[i] == '+') ++i;
  size_t digits = 0;
  while (i < p.size() && std::isdigit(static_cast<unsigned char>(p[i]))) ++i, ++digits;
  if (i < p.size() && p[i] == '.') {
    ++i;
    while (i < p.size() && std::isdigit(static_cast<unsigned char>(p[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < p.size() && (p[i] == 'e' || p[i] == 'E')) {
    ++i;
    if (i < p.size() && (p[i] == '+' || p[i] == '-')) ++i;
    size_t exponent = 0;
    while (i < p.size() && std::isdigit(static_cast<unsigned char>(p[i]))) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == p.size();
}

// A row's price: a normal number above zero whose ratio to the price before it (`last`, 0 for
// the first price) is a finite, non-zero double, so that its log return exists.
double ReadRowPrice(const std::string& p, double last, const RowShape& shape, const std::string& file, int line) {
  const std::string field = "field '" + shape.PriceName + "': ";
  if (!p.empty() && p[0] == '-' && IsDecimalNumber(p.substr(1)))
    Fail(file, line, field + "price not above zero: " + Quote(p));
  if (!IsDecimalNumber(p)) Fail(file, line, field + "not a number: " + Quote(p));
  errno = 0;
  const double value = std::strtod(p.c_str(), nullptr);
  if (value == 0) Fail(file, line, field + "price not above zero: " + Quote(p));
  if (errno == ERANGE || !std::isfinite(value) || value < std::numeric_limits<double>::min())
    Fail(file, line, field + "outside the range of normal doubles: " + Quote(p));
  if (last > 0) {
    const double ratio = value / last;
    if (!std::isfinite(ratio) || ratio < std::numeric_limits<double>::min() ||
        !std::isfinite(1 / ratio))
      Fail(file, line, field + "the return from the price before it (" + Shortest(last) +
                           ") is beyond what a double holds: " + Quote(p));
  }
  return value;
}

}  // namespace

const char* PriceFormatName(PriceFormat f) {
  switch (f) {
    case PriceFormat::Adjusted: return "adjusted";
    case PriceFormat::Ohlcv: return "ohlcv";
    case PriceFormat::MetaStock: return "metastock";
    case PriceFormat::Close: return "close";
  }
  return "close";
}

bool ParseDate(const std::string& text, bool compact, Date& out) {
  const size_t len = compact ? 8 : 10;
  if (text.size() != len) return false;
  for (size_t i = 0; i < len; ++i) {
    const bool dash = !compact && (i == 4 || i == 7);
    if (dash ? text[i] != '-' : !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  const int y = std::atoi(text.substr(0, 4).c_str());
  const int m = std::atoi(text.substr(compact ? 4 : 5, 2).c_str());
  const int d = std::atoi(text.substr(compact ? 6 : 8, 2).c_str());
  const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
                                        std::chrono::day{static_cast<unsigned>(d)}};
  // Price dates are counted as days of the Gregorian calendar; before its first day they would
  // mean other days than the program's calendar (Julian up to 1582-10-04) gives them.
  if (!ymd.ok() || !astro::IsCalendarDate(y, m, d) || y < 1582 ||
      (y == 1582 && (m < 10 || (m == 10 && d < 15))))
    return false;
  out = std::chrono::sys_days{ymd};
  return true;
}

std::string FormatDate(Date d) {
  const std::chrono::year_month_day ymd{d};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return buf;
}

PriceSeries ParsePrices(const std::string& text, const std::string& name) {
  PriceSeries out;
  out.File = name;
  std::istringstream in(text);
  std::string line;
  int line_no = 0;
  if (!NextLine(in, line, line_no)) throw PriceError(name + ": no header line (empty file)");
  const RowShape shape = ReadHeader(SplitFields(line), name, line_no, out);

  std::optional<Date> last;
  int direction = 0;
  std::string first_ticker;
  while (NextLine(in, line, line_no)) {
    const auto fields = SplitFields(line);
    if (fields.size() != shape.Fields)
      Fail(name, line_no, std::to_string(fields.size()) + " fields, the header has " + std::to_string(shape.Fields));
    const std::string& date_text = fields[static_cast<size_t>(shape.DateColumn)];
    const Date date = ReadRowDate(date_text, shape, last, direction, name, line_no);
    last = date;
    const std::string& p = fields[static_cast<size_t>(shape.PriceColumn)];
    if (p.empty() || Lower(p) == "null") {
      ++out.Skipped;
      continue;
    }
    if (shape.TickerColumn >= 0) {
      const std::string& ticker = fields[static_cast<size_t>(shape.TickerColumn)];
      if (first_ticker.empty()) first_ticker = ticker;
      else if (ticker != first_ticker)
        Fail(name, line_no, "field '<TICKER>': " + Quote(ticker) + " after " + Quote(first_ticker) +
                                " (a price file holds one security)");
    }
    const double price = ReadRowPrice(p, out.Prices.empty() ? 0 : out.Prices.back(), shape, name, line_no);
    out.Dates.push_back(date);
    out.Prices.push_back(price);
  }
  if (direction < 0) {
    std::reverse(out.Dates.begin(), out.Dates.end());
    std::reverse(out.Prices.begin(), out.Prices.end());
  }
  return out;
}

PriceSeries ReadPrices(const std::string& path) {
  std::optional<std::string> text;
  try {
    text = data::ReadDataFile(path, kPriceFileMaxBytes, /*missing_ok=*/false);
  } catch (const data::DataFileError& e) {
    throw PriceError(path + ": " + e.reason());
  }
  return ParsePrices(*text, path);
}

}  // namespace sd::study
