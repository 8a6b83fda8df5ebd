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

// The record of the asked security (by name, or by a ticker of the tickers file in
// `program_dir`); null with `problem` set to the 404 answer, naming close names, when there is
// none.
const data::NatalRecord* LookUpSecurity(const std::vector<data::NatalRecord>& records,
                                        const std::string& program_dir, const std::string& name,
                                        Response& problem);

std::string DateText(int year, int month, int day);  // "YYYY-MM-DD"

// What a day's document about one security is made from: the security's record, the program
// directory's model and the asked day, as its entity tag names them.
struct DaySources {
  data::NatalRecord record;
  std::string model_path;
  std::string model_hash;  // "fnv1a64:" and the hash of the model's bytes
  std::string date;        // the asked day, "YYYY-MM-DD"
};

// The sources of the asked day; none with `problem` set to the 404 answer when there is no such
// security. The model is read here, so that a missing one throws DataFileError (the service's
// fault, 500) rather than giving a document without sections.
std::optional<DaySources> FindDaySources(const DayAsk& ask, const ApiContext& context,
                                         Response& problem);
// The caching of a document that stays the same until the next midnight of its zone (decimal
// hours east): the entity tag of its inputs, and public caching up to that midnight.
struct DayCaching {
  std::string tag;
  std::string cache_control;
};
DayCaching CachedUntilMidnight(std::string tag, const ApiContext& context, double zone_hours);

// The 304 when the request's If-None-Match names the tag; none when the document is to be sent.
std::optional<Response> NotModifiedFor(const Request& request, const DayCaching& caching);

// Sets Cache-Control and ETag on the response that carries the document.
void SetCaching(Response& response, const DayCaching& caching);


}  // namespace sd::api
