#include "data/natal_names.h"

#include <algorithm>
#include <cctype>
#include <tuple>
#include <vector>

#include "data/cp1251.h"
#include "data/data_file.h"
#include "data/edit_distance.h"
#include "data/ini.h"

namespace sd::data {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Longer requests are no name a typo made; they are not compared at all.
constexpr size_t kMaxComparedLength = 200;

}  // namespace

std::string DisplayName(const NatalRecord& record) {
  return Cp1251ToUtf8(TrimNameBlanks(record.Name.Str()));
}

const NatalRecord* FindSecurity(const std::vector<NatalRecord>& records,
                                std::string_view utf8_name) {
  const auto stored = Utf8ToCp1251(utf8_name);
  if (!stored) return nullptr;
  const std::string wanted = TrimNameBlanks(*stored);
  for (const NatalRecord& r : records)
    if (TrimNameBlanks(r.Name.Str()) == wanted) return &r;
  // "ibm corp" means IBM Corp, unless letter case is all that tells two records apart.
  const NatalRecord* only = nullptr;
  for (const NatalRecord& r : records) {
    if (!SameTextIgnoringCase(TrimNameBlanks(r.Name.Str()), wanted)) continue;
    if (only) return nullptr;
    only = &r;
  }
  return only;
}

const NatalRecord* FindByTicker(const std::vector<NatalRecord>& records, const std::vector<TickerRow>& tickers,
                                std::string_view ticker) {
  const std::string wanted = Lower(ticker);
  const NatalRecord* found = nullptr;
  for (const TickerRow& row : tickers) {
    if (Lower(row.ticker) != wanted) continue;
    const NatalRecord* record = FindSecurity(records, row.name);
    if (!record || (found && found != record)) return nullptr;
    found = record;
  }
  return found;
}

std::vector<TickerRow> ReadTickers(const std::string& dir) {
  const auto text = ReadDataFile(dir + kTickersFileName, kNatalFileMaxBytes, true);
  return text ? TickersOfCsv(*text) : std::vector<TickerRow>{};
}

std::vector<std::string> CloseNames(const std::vector<NatalRecord>& records,
                                    std::string_view utf8_name, size_t count) {
  const std::string wanted = Lower(TrimNameBlanks(utf8_name));
  if (wanted.empty() || wanted.size() > kMaxComparedLength) return {};
  // Rank: 0 same letters, 1 one holds the other, 2 a few edits away; then distance, then name.
  std::vector<std::tuple<int, size_t, std::string>> ranked;
  const size_t allowed = std::max<size_t>(2, wanted.size() / 3);
  for (const NatalRecord& r : records) {
    std::string name = DisplayName(r);
    const std::string lower = Lower(name);
    int rank;
    size_t distance = 0;
    if (lower == wanted) {
      rank = 0;
    } else if (wanted.size() >= 3 && (lower.find(wanted) != std::string::npos ||
                                      wanted.find(lower) != std::string::npos)) {
      rank = 1;
      distance = lower.size() > wanted.size() ? lower.size() - wanted.size() : wanted.size() - lower.size();
    } else if ((distance = EditDistanceWithin(lower, wanted, allowed)) <= allowed) {
      rank = 2;
    } else {
      continue;
    }
    ranked.emplace_back(rank, distance, std::move(name));
  }
  std::sort(ranked.begin(), ranked.end());
  std::vector<std::string> names;
  for (auto& [rank, distance, name] : ranked) {
    if (names.size() == count) break;
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

}  // namespace sd::data
