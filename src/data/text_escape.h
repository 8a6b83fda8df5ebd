#pragma once
// Text from files (security names, a model's section names and titles) shown to people. Such
// text is data, never markup or terminal commands: each output escapes it for its context.
#include <string>
#include <string_view>

namespace sd::data {

// UTF-8 text with every control character written as \xHH: the C0 controls (ESC among them),
// DEL, and the C1 controls U+0080..U+009F (their two-byte UTF-8 forms), which a terminal may
// also obey. Everything else, invalid UTF-8 included, stays as it is.
std::string ShowControls(std::string_view text);

// Text for HTML element content and double- or single-quoted attribute values: & < > " '
// become character references, the C0 controls and DEL \xHH; every other byte stays, so that
// 8-bit text (a stored name in code page 1251) passes unchanged where it holds none of these.
std::string EscapeHtml(std::string_view text);

}  // namespace sd::data
