#pragma once
// The readable form of the natal database: a CSV file (UTF-8, comma separated, fields with
// commas or quotes in double quotes), one security a row, with a header row naming the
// columns. Columns read: name, date (YYYY-MM-DD), time (HH:MM or HH:MM:SS, local),
// zone_hours (hours east of Greenwich, decimal or H:MM), place, latitude and longitude (decimal
// degrees, north and east positive). Other columns (ticker, source ...) are allowed and left
// out of the database, which has no room for them.
//
// In the record, times, zones and co-ordinates are packed (H.MMSS, D.MMSS) to whole seconds,
// and texts are stored in code page 1251.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/natal_db.h"

namespace sd::data {

// A row the import refuses: which line (1-based, of the CSV file), which column, and why.
class NatalCsvError : public std::runtime_error {
 public:
  NatalCsvError(int line, std::string field, const std::string& reason)
      : std::runtime_error("line " + std::to_string(line) +
                           (field.empty() ? std::string() : ", field '" + field + "'") + ": " +
                           reason),
        line_(line),
        field_(std::move(field)),
        reason_(reason) {}
  int line() const { return line_; }
  const std::string& field() const { return field_; }
  const std::string& reason() const { return reason_; }

 private:
  int line_;
  std::string field_;
  std::string reason_;
};

// The records of a CSV text, in row order. With scramble, every name has the form NAME@SUFFIX
// and is stored scrambled, NAME and SUFFIX apart, so that it reads back as NAME@SUFFIX.
// Throws NatalCsvError at the first row that cannot be stored as it is.
std::vector<NatalRecord> ParseNatalCsv(std::string_view text, bool scramble);

// The CSV text of records as read (restored): the header and one row per record, with the
// columns name, date, time, zone_hours, place, latitude, longitude. Throws NatalCsvError
// (line = record number + 1, the row it would have had) for a field that has no readable
// form, such as a time that is not a number.
std::string FormatNatalCsv(const std::vector<NatalRecord>& records);

// A ticker and the name (UTF-8) of the security it stands for. The database has no room for
// tickers: they live beside it in a file of their own, written by the import.
struct TickerRow {
  std::string ticker, name;
};
inline constexpr const char* kTickersFileName = "tickers.csv";

// The rows of a CSV text with a "ticker" and a "name" column (the securities' CSV, or a tickers
// file) whose ticker is not empty, in row order; none when there is no ticker column.
std::vector<TickerRow> TickersOfCsv(std::string_view text);

// A tickers file: the header "ticker,name" and one row each.
std::string FormatTickersCsv(const std::vector<TickerRow>& rows);

// Field texts of one record, as `natal list` and the export write them.
std::string FormatNatalDate(const NatalRecord& rec);      // YYYY-MM-DD; "" when out of range
std::string FormatPackedClock(double packed);             // HH:MM:SS; "" when not a clock time
std::string FormatDecimal(double value);                  // up to 6 decimals, no trailing zeros

}  // namespace sd::data
