#pragma once
// Names of the natal database as people type them: the lookup of a requested name and the
// close names offered when there is no such security. The API and the command line use it;
// the CGI keeps its own exact scan (a query names the record as stored).
#include <string>
#include <string_view>
#include <vector>

#include "data/natal_csv.h"
#include "data/natal_db.h"

namespace sd::data {

// The stored name (code page 1251) in UTF-8, without blanks at the ends.
std::string DisplayName(const NatalRecord& record);

// The record a requested UTF-8 name means: the first whose trimmed name equals it trimmed
// (byte for byte, in the code page); failing that, the one record whose name equals it when
// letter case is ignored (ASCII and the Cyrillic letters of the code page). None when there is
// none, when letter case leaves two or more, or when the name has a character the code page
// lacks.
const NatalRecord* FindSecurity(const std::vector<NatalRecord>& records, std::string_view utf8_name);

// The record a ticker stands for, its letters in any case ("aapl"): the one record named by the
// rows of `tickers` (a tickers file) with that ticker; none when no row has it, or when its rows
// name no record or more than one.
const NatalRecord* FindByTicker(const std::vector<NatalRecord>& records, const std::vector<TickerRow>& tickers,
                                std::string_view ticker);

// The tickers file beside the database in program directory `dir` (ending in '/'); empty when
// there is none. Read as every data file is (a regular file, within the natal database's cap).
std::vector<TickerRow> ReadTickers(const std::string& dir);

// Up to `count` names close to the requested one, closest first: equal but for letter case,
// then those holding it (or held by it), then within a small edit distance. Names are compared
// within that distance only, so that a long request costs little against a large database.
std::vector<std::string> CloseNames(const std::vector<NatalRecord>& records,
                                    std::string_view utf8_name, size_t count = 3);

}  // namespace sd::data
