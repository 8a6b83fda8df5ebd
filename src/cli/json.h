#pragma once
// The JSON the subcommands print: nlohmann-json documents whose keys keep the order they were
// written in.
#include <nlohmann/json.hpp>

#include <cmath>
#include <string>

#include "astro/moment.h"

namespace sd::cli {

using Json = nlohmann::ordered_json;

// A number, or null for NoValue and anything not finite.
inline Json JsonValue(double v) {
  if (!astro::IsValue(v) || !std::isfinite(v)) return nullptr;
  return v;
}
inline Json JsonValue(astro::ChartMoment t) { return JsonValue(t.Centuries); }

// The document as printed: indented two blanks, a line end after it. Bytes that are not UTF-8
// (a name from another code page) become U+FFFD rather than stopping the output.
inline std::string JsonText(const Json& doc) {
  return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace sd::cli
