// The query comes from whoever sends the request: whatever its bytes, decoding it, picking the
// zone and the security name out of it, looking that name up in the natal database and writing
// the page for it must neither crash nor hang, and the steps must keep their promises.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "astro/chart_data.h"
#include "cgi/page.h"
#include "data/zone_table.h"
#include "host/query.h"
#include "cgi/request.h"
#include "data/data_error.h"
#include "data/natal_db.h"

#ifndef STOCKDYN_SOURCE_DIR
#error "STOCKDYN_SOURCE_DIR names the project, whose shipped natal database the lookup reads"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string database =
      std::string(STOCKDYN_SOURCE_DIR) + "/tests/fuzz/corpus/natal_db/shipped.mil";
  const std::string_view raw(reinterpret_cast<const char*>(data), size);

  // The raw text as the server hands it over; an overlong one reads as no query at all. The
  // variable lives in one buffer of ours: setenv would keep every value ever set.
  static constexpr std::string_view kName = "QUERY_STRING=";
  static char variable[kName.size() + 65536];
  static const bool put = [] {
    kName.copy(variable, kName.size());
    return ::putenv(variable) == 0;
  }();
  if (!put) std::abort();
  const std::string_view env = raw.substr(0, std::min(raw.find('\0'), size_t{65535}));
  env.copy(variable + kName.size(), env.size());
  variable[kName.size() + env.size()] = '\0';
  const std::string read = sd::host::ReadQueryString();
  if (env.size() >= sd::host::kQueryBufferSize && !read.empty()) std::abort();
  if (env.size() < sd::host::kQueryBufferSize && read != sd::host::DecodeQuery(env)) std::abort();

  const std::string query = sd::host::DecodeQuery(raw);
  if (query.size() > raw.size()) std::abort();  // every replacement is shorter than its escape

  const std::string zone_name = sd::host::QueryParam(sd::cgi::kZoneParam, query);
  const double zone = sd::data::ZoneOffsetByName(zone_name);
  if (zone != sd::data::kUnknownZone && (zone < -12 || zone > 12)) std::abort();
  const std::string security = sd::host::QueryParam(sd::cgi::kSecurityParam, query);
  if (security.find('&') != std::string::npos || security.find('=') != std::string::npos)
    std::abort();
  const std::string trimmed = sd::data::TrimNameBlanks(security);
  if (!trimmed.empty() && (static_cast<unsigned char>(trimmed.front()) < 33 ||
                           static_cast<unsigned char>(trimmed.back()) < 33))
    std::abort();

  sd::astro::ChartData slot;
  try {
    sd::data::LookupNatal(database, security, slot);
  } catch (const sd::data::DataFileError&) {
    std::abort();  // the shipped database is there and whole
  }
  // The page writes a name byte for byte, whatever it holds.
  slot.ChartName.Set(security);
  slot.Event.LocalTime = zone == sd::data::kUnknownZone ? 0.0 : zone;
  std::ostringstream page;
  sd::cgi::WritePage(page, slot, trimmed, zone_name);
  return 0;
}
