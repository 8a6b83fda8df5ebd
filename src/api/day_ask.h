#pragma once
// What the routes about one security's day have in common: the security, the zone and the date
// of the query, the lookup of the security, and the inputs an entity tag is made of.
#include <optional>
#include <string>
#include <vector>

#include "api/http.h"
#include "api/url_query.h"
#include "api/zones.h"
#include "data/natal_db.h"

namespace sd::api {

struct ApiContext;

struct DayAsk {
  std::string security;  // UTF-8, as asked
  ApiZone zone;
  int year = 0, month = 0, day = 0;
};

// Reads security (required), zone (required, an abbreviation of /zones) and date (YYYY-MM-DD;
// default today in the zone). Each invalid one is added to `invalid` as {"name", "reason"};
// the ask is complete only when none was.
DayAsk ReadDayAsk(const QueryParams& params, const ApiContext& context, Json& invalid);

// The 400 answer for the parameters refused.
Response InvalidParams(const Json& invalid);

// The record of the asked security; null with `problem` set to the 404 answer, naming close
// names, when there is none.
const NatalRecord* LookUpSecurity(const std::vector<NatalRecord>& records, const std::string& name,
                                  Response& problem);

std::string DateText(int year, int month, int day);  // "YYYY-MM-DD"

// The whole file; a missing or unreadable one throws DataFileError.
std::string ReadWhole(const std::string& path);

// Size and time of change of a file, "-" when there is none: cheap to read on every request,
// and different whenever the file is replaced.
std::string FileStamp(const std::string& path);

}  // namespace sd::api
