#include "api/securities.h"

#include <cmath>

#include "api/router.h"
#include "astro/calendar.h"
#include "data/cp1251.h"
#include "data/natal_csv.h"

namespace sd::api {
namespace {

double Rounded(double x, double scale) { return std::round(x * scale) / scale; }

}  // namespace

Json FirstTradeJson(const data::NatalRecord& record) {
  return {{"date", FormatNatalDate(record)},
          {"time", data::FormatPackedClock(record.LocalTime)},
          {"zone", Rounded(astro::HmsToDecimal(record.Zone), 1e6)},
          {"latitude", Rounded(astro::HmsToDecimal(record.Latitude), 1e6)},
          {"longitude", Rounded(astro::HmsToDecimal(record.Longitude), 1e6)},
          {"place", data::Cp1251ToUtf8(data::TrimNameBlanks(record.PlaceText.Str()))}};
}

Response SecuritiesRoute(const Request& request, const QueryParams&, const ApiContext& context) {
  // Written record by record as it is read: a database of 100,000 records is neither held nor
  // built into a document tree first.
  const std::string path = context.program_dir + data::kNatalFileName;
  data::NatalDatabase db;
  if (!db.Open(path, data::NatalDatabase::DetectKind(path))) db.RecordCount();  // throws the reason
  // The same bytes as the whole document dumped with an indent of one: each entry two deeper.
  std::string entries;
  data::NatalRecord r;
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
