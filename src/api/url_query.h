#pragma once
// The query of an API request: standard percent-decoding and its name=value pairs.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sd::api {

// Form decoding: '+' is a blank and %XY the byte XY (hex, either case). A '%' that is not
// followed by two hex digits stays as it is, so nothing of the text is lost.
std::string PercentDecode(std::string_view text);

// The pairs of a query in their order, split at '&' and at the first '=' of each part, names
// and values decoded after the split (so an escaped '&' or '=' stays inside its value). Empty
// parts are skipped; a part without '=' is a name with an empty value.
using QueryParams = std::vector<std::pair<std::string, std::string>>;
QueryParams ParseQuery(std::string_view raw);

// The value of the first pair with this name, none when there is no such pair.
std::optional<std::string> Param(const QueryParams& params, std::string_view name);

}  // namespace sd::api
