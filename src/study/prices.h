#pragma once
// Daily price histories in the formats data vendors hand out, recognised by their header line.
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace sd::study {

using Date = std::chrono::sys_days;

enum class PriceFormat { Adjusted, Ohlcv, MetaStock, Close };

// "adjusted", "ohlcv", "metastock", "close".
const char* PriceFormatName(PriceFormat f);

struct PriceSeries {
  std::string File;
  PriceFormat Format = PriceFormat::Close;
  std::string Column;          // the header's name of the column read, as the file spells it
  std::vector<Date> Dates;     // strictly increasing (a newest-first file is read in reverse)
  std::vector<double> Prices;  // > 0, one per date
  int Skipped = 0;             // rows with an empty or null price
};

// A file that cannot be read as a price history; the message names the file, the line and the field.
struct PriceError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The largest price file read: a century of daily rows is about 3 MB. Larger files, and what is
// not a regular file (a FIFO, /dev/zero), are refused before they are read.
inline constexpr uint64_t kPriceFileMaxBytes = 64 * 1024 * 1024;

// Reads a price file. Blank lines are ignored; an empty or "null" price skips its row (counted);
// anything else wrong (bad header, missing column, row of the wrong width, bad or repeated date,
// dates that go both ways (oldest first and newest first are both read), price not a plain
// decimal number above zero, a return beyond a double, a second column of
// the price's name, a MetaStock file naming two tickers, a file above kPriceFileMaxBytes or not
// regular) throws PriceError quoting at most the start of the faulty field.
PriceSeries ReadPrices(const std::string& path);

// The same from text already in memory; `name` stands for the file in messages.
PriceSeries ParsePrices(const std::string& text, const std::string& name);

// "YYYY-MM-DD" (or "YYYYMMDD" with `compact`) of a real calendar day.
bool ParseDate(const std::string& text, bool compact, Date& out);
std::string FormatDate(Date d);

}  // namespace sd::study
