#include "study/prices.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace sd::study {

namespace {

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  std::string t = s.substr(a, b - a);
  // Some vendors quote every field.
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
    out.push_back(Trim(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

// The columns a format must have, by their lower-case names, the first being the date and the
// second the price read.
struct Layout {
  PriceFormat Format;
  std::vector<std::vector<std::string>> Required;  // each entry: accepted spellings
};

const Layout kAdjusted = {PriceFormat::Adjusted,
                          {{"date"}, {"adj close", "adjclose", "adj_close"}, {"open"}, {"high"}, {"low"},
                           {"close"}, {"volume"}}};
const Layout kOhlcv = {PriceFormat::Ohlcv, {{"date"}, {"close"}, {"open"}, {"high"}, {"low"}, {"volume"}}};
const Layout kMetaStock = {PriceFormat::MetaStock,
                           {{"<dtyyyymmdd>"}, {"<close>"}, {"<ticker>"}, {"<open>"}, {"<high>"}, {"<low>"},
                            {"<vol>"}}};
const Layout kClose = {PriceFormat::Close, {{"date"}, {"close"}}};

// Display names of the required columns, for messages.
const char* const kAdjustedNames[] = {"Date", "Adj Close", "Open", "High", "Low", "Close", "Volume"};
const char* const kOhlcvNames[] = {"Date", "Close", "Open", "High", "Low", "Volume"};
const char* const kMetaStockNames[] = {"<DTYYYYMMDD>", "<CLOSE>", "<TICKER>", "<OPEN>", "<HIGH>", "<LOW>", "<VOL>"};
const char* const kCloseNames[] = {"Date", "Close"};

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
  if (!ymd.ok()) return false;
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
  std::vector<std::string> header;
  // The header: the first line that is not blank.
  while (std::getline(in, line)) {
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line_no == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (Trim(line).empty()) continue;
    header = SplitFields(line);
    break;
  }
  if (header.empty()) throw PriceError(name + ": no header line (empty file)");
  const int header_line = line_no;

  std::vector<std::string> lower;
  for (const auto& h : header) lower.push_back(Lower(h));

  const Layout* layout = nullptr;
  const char* const* display = nullptr;
  if (std::any_of(lower.begin(), lower.end(), [](const std::string& h) { return !h.empty() && h[0] == '<'; })) {
    layout = &kMetaStock;
    display = kMetaStockNames;
  } else if (Has(lower, "adj close") || Has(lower, "adjclose") || Has(lower, "adj_close")) {
    layout = &kAdjusted;
    display = kAdjustedNames;
  } else if (Has(lower, "open") || Has(lower, "high") || Has(lower, "low") || Has(lower, "volume")) {
    layout = &kOhlcv;
    display = kOhlcvNames;
  } else if (Has(lower, "date") || Has(lower, "close")) {
    layout = &kClose;
    display = kCloseNames;
  } else {
    Fail(name, header_line, "not a price header (expected Date,...,Close,... or MetaStock <DTYYYYMMDD>,...,<CLOSE>)");
  }
  out.Format = layout->Format;

  std::vector<int> columns;
  for (size_t k = 0; k < layout->Required.size(); ++k) {
    const int c = FindColumn(lower, layout->Required[k]);
    if (c < 0) Fail(name, header_line, std::string("missing column '") + display[k] + "'");
    columns.push_back(c);
  }
  const int date_col = columns[0];
  const int price_col = columns[1];
  out.Column = header[price_col];
  const bool compact = layout->Format == PriceFormat::MetaStock;
  const std::string& date_name = header[date_col];
  const std::string& price_name = header[price_col];

  bool have_last = false;
  Date last{};
  while (std::getline(in, line)) {
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (Trim(line).empty()) continue;
    const auto fields = SplitFields(line);
    if (fields.size() != header.size())
      Fail(name, line_no, std::to_string(fields.size()) + " fields, the header has " + std::to_string(header.size()));

    Date date;
    if (!ParseDate(fields[date_col], compact, date))
      Fail(name, line_no,
           "field '" + date_name + "': not a date (" + (compact ? "YYYYMMDD" : "YYYY-MM-DD") + "): '" +
               fields[date_col] + "'");
    if (have_last && date == last) Fail(name, line_no, "field '" + date_name + "': duplicate date " + fields[date_col]);
    if (have_last && date < last)
      Fail(name, line_no, "field '" + date_name + "': date " + fields[date_col] + " is before the row above it");
    have_last = true;
    last = date;

    const std::string& p = fields[price_col];
    if (p.empty() || Lower(p) == "null") {
      ++out.Skipped;
      continue;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(p.c_str(), &end);
    if (end == p.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(value))
      Fail(name, line_no, "field '" + price_name + "': not a number: '" + p + "'");
    if (value <= 0) Fail(name, line_no, "field '" + price_name + "': price not above zero: '" + p + "'");
    out.Dates.push_back(date);
    out.Prices.push_back(value);
  }
  return out;
}

PriceSeries ReadPrices(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw PriceError(path + ": cannot open the file");
  std::ostringstream text;
  text << f.rdbuf();
  if (f.bad()) throw PriceError(path + ": cannot read the file");
  return ParsePrices(text.str(), path);
}

}  // namespace sd::study
