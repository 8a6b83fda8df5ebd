#pragma once
// The universe of an event study: a CSV file naming the price files to study, each with the
// security whose natal chart it belongs to (or none) and the label the output gives it.
#include <stdexcept>
#include <string>
#include <vector>

namespace sd::eventstudy {

struct UniverseRow {
  std::string Label;     // as given, else the security, else the price file's stem
  std::string Security;  // empty: no natal record
  std::string Prices;    // the path as given, made relative to the universe file's folder
  int Line = 0;          // where the row is in the universe file
};

// A universe that cannot be read; the message names the file, the line and the field.
struct UniverseError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// "FILE: line N: field 'NAME': why", the form every universe fault is told in.
std::string UniverseFault(const std::string& file, int line, const std::string& field, const std::string& why);

// The header names the columns `label`, `security` and `prices` in any order and letter case
// (only `prices` must be there; other columns are ignored). Fields may be quoted as CSV quotes
// them. Blank lines are skipped. Throws UniverseError for a missing column, a row of the wrong
// width, an empty price file name, a repeated label, or a universe without rows.
std::vector<UniverseRow> ParseUniverse(const std::string& text, const std::string& name);
std::vector<UniverseRow> ReadUniverse(const std::string& path);

}  // namespace sd::eventstudy
