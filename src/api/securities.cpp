#include "api/securities.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <tuple>

#include "api/router.h"
#include "astro/calendar.h"
#include "data/cp1251.h"
#include "data/natal_csv.h"

namespace sd::api {
namespace {

double Rounded(double x, double scale) { return std::round(x * scale) / scale; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Edit distance (insertions, deletions, substitutions) of two texts, byte by byte, when it is at
// most `bound`; bound + 1 as soon as it cannot be (the length difference alone, or a whole row of
// the table above the bound), so that a long request costs little against a large database.
size_t EditDistanceWithin(std::string_view a, std::string_view b, size_t bound) {
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > bound) return bound + 1;
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    size_t smallest = row[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = up;
      smallest = std::min(smallest, row[j]);
    }
    if (smallest > bound) return bound + 1;
  }
  return std::min(row[b.size()], bound + 1);
}

// Longer requests are no name a typo made; they are not compared at all.
constexpr size_t kMaxComparedLength = 200;

}  // namespace

std::string DisplayName(const NatalRecord& record) {
  return Cp1251ToUtf8(TrimNameBlanks(record.Name.Str()));
}

Json FirstTradeJson(const NatalRecord& record) {
  return {{"date", FormatNatalDate(record)},
          {"time", FormatPackedClock(record.LocalTime)},
          {"zone", Rounded(HmsToDecimal(record.Zone), 1e6)},
          {"latitude", Rounded(HmsToDecimal(record.Latitude), 1e6)},
          {"longitude", Rounded(HmsToDecimal(record.Longitude), 1e6)},
          {"place", Cp1251ToUtf8(TrimNameBlanks(record.PlaceText.Str()))}};
}

const NatalRecord* FindSecurity(const std::vector<NatalRecord>& records,
                                std::string_view utf8_name) {
  const auto stored = Utf8ToCp1251(utf8_name);
  if (!stored) return nullptr;
  const std::string wanted = TrimNameBlanks(*stored);
  for (const NatalRecord& r : records)
    if (TrimNameBlanks(r.Name.Str()) == wanted) return &r;
  return nullptr;
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

Response SecuritiesRoute(const Request& request, const QueryParams&, const ApiContext& context) {
  // Written record by record as it is read: a database of 100,000 records is neither held nor
  // built into a document tree first.
  const std::string path = context.program_dir + kNatalFileName;
  NatalDatabase db;
  if (!db.Open(path, NatalDatabase::DetectKind(path))) db.RecordCount();  // throws the reason
  // The same bytes as the whole document dumped with an indent of one: each entry two deeper.
  std::string entries;
  NatalRecord r;
  while (!db.AtEnd() && db.ReadRecord(r) == 0) {
    std::string entry = Json({{"name", DisplayName(r)}, {"first_trade", FirstTradeJson(r)}})
                            .dump(1, ' ', false, Json::error_handler_t::replace);
    if (!entries.empty()) entries += ",\n";
    entries += "  ";
    for (char c : entry) {
      entries += c;
      if (c == '\n') entries += "  ";
    }
  }
  Response response;
  response.SetHeader("Content-Type", kJsonType);
  response.body = entries.empty() ? "{\n \"securities\": []\n}\n"
                                  : "{\n \"securities\": [\n" + entries + "\n ]\n}\n";
  // The database changes rarely and without notice: clients keep the list but ask again, and
  // are told in a few bytes when it is still the same.
  return WithContentTag(std::move(response), request, "no-cache");
}

}  // namespace sd::api
