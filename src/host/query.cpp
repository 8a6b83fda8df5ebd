#include "host/query.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace sd::host {
namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    out.append(text, pos, hit - pos);
    out.append(to);
  }
  out.append(text, pos, std::string::npos);
  text.swap(out);
}

// The words of text between runs of sep; empty words do not count.
std::vector<std::string_view> Words(std::string_view text, char sep) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == sep) ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != sep) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

}  // namespace

std::string ReadQueryString() {
  const char* raw = std::getenv("QUERY_STRING");
  if (raw == nullptr) return {};
  const size_t len = std::strlen(raw);
  if (len >= kQueryBufferSize) return {};
  return DecodeQuery(std::string_view(raw, len));
}

std::string DecodeQuery(std::string_view text) {
  static constexpr std::pair<std::string_view, std::string_view> kEscapes[] = {
      {"%3A", "."}, {"%28", "("}, {"%29", ")"}, {"%27", "'"},
      {"%EA", "\xEA"}, {"%2C", ","}, {"+", " "},
  };
  std::string out(text);
  for (const auto& [from, to] : kEscapes) ReplaceAll(out, from, to);
  return out;
}

std::string QueryParam(std::string_view name, std::string_view query) {
  for (std::string_view word : Words(query, '&')) {
    if (word.size() > name.size() && word.substr(0, name.size()) == name && word[name.size()] == '=') {
      const auto parts = Words(word, '=');
      return parts.size() >= 2 ? std::string(parts[1]) : std::string();
    }
  }
  return {};
}

}  // namespace sd::host
