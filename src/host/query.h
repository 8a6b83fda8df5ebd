#pragma once
// The query the web server hands the process in QUERY_STRING: reading, decoding, parameters.
#include <string>
#include <string_view>

namespace sd::host {

// The query is read into a buffer of this many bytes, so it holds at most one less.
inline constexpr size_t kQueryBufferSize = 3000;

// QUERY_STRING decoded by DecodeQuery. A missing variable, or one longer than the buffer can
// hold, reads as the empty query: a cut query could turn into another request.
std::string ReadQueryString();

// Replaces, in this order and each throughout the text: "%3A" by ".", "%28" by "(", "%29" by
// ")", "%27" by "'", "%EA" by the byte 0xEA, "%2C" by ",", "+" by a blank. Every other escape
// stays as it is, so a colon escape arrives as a point ('10%3A30' reads as '10.30').
std::string DecodeQuery(std::string_view text);

// The value of the first word (words split at runs of '&') that begins with name + "="; the
// value is the second part of that word split at runs of '='. Empty when there is none.
std::string QueryParam(std::string_view name, std::string_view query);

}  // namespace sd::host
