#include "eventstudy/universe.h"
#include "data/trim.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace sd::eventstudy {

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Fields of one line; a field in double quotes may hold commas and doubled quotes. False when
// a quote is left open.
bool SplitCsv(const std::string& line, std::vector<std::string>& out) {
  out.assign(1, "");
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        out.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        out.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  for (std::string& f : out) f = std::string(data::Trim(f, data::kSpaceTab));
  return !quoted;
}

}  // namespace

std::string UniverseFault(const std::string& file, int line, const std::string& field, const std::string& why) {
  return file + ": line " + std::to_string(line) + ": field '" + field + "': " + why;
}

std::vector<UniverseRow> ParseUniverse(const std::string& text, const std::string& name) {
  auto fail = [&](int line, const std::string& what) -> UniverseError {
    return UniverseError(name + ": line " + std::to_string(line) + ": " + what);
  };
  std::istringstream in(text);
  std::string line;
  int line_no = 0, header_line = 0;
  std::vector<std::string> fields;
  int label = -1, security = -1, prices = -1;
  size_t width = 0;
  std::vector<UniverseRow> rows;
  std::set<std::string> labels;
  const std::filesystem::path folder = std::filesystem::path(name).parent_path();
  while (std::getline(in, line)) {
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line_no == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (data::Trim(line, data::kSpaceTab).empty()) continue;
    if (!SplitCsv(line, fields)) throw fail(line_no, "a quote is not closed");
    if (!header_line) {
      header_line = line_no;
      width = fields.size();
      for (size_t i = 0; i < fields.size(); ++i) {
        const std::string h = Lower(fields[i]);
        int* slot = h == "label" ? &label : h == "security" ? &security : h == "prices" ? &prices : nullptr;
        if (!slot) continue;
        if (*slot >= 0) throw fail(line_no, "column '" + h + "' twice");
        *slot = static_cast<int>(i);
      }
      if (prices < 0) throw fail(line_no, "missing column 'prices' (the header is label,security,prices)");
      continue;
    }
    if (fields.size() != width)
      throw fail(line_no, std::to_string(fields.size()) + " fields, the header has " + std::to_string(width));
    UniverseRow row;
    row.Line = line_no;
    const std::string file = fields[static_cast<size_t>(prices)];
    if (file.empty()) throw UniverseError(UniverseFault(name, line_no, "prices", "no price file named"));
    const std::filesystem::path p(file);
    row.Prices = p.is_absolute() || folder.empty() ? file : (folder / p).string();
    if (security >= 0) row.Security = fields[static_cast<size_t>(security)];
    if (label >= 0) row.Label = fields[static_cast<size_t>(label)];
    if (row.Label.empty()) row.Label = !row.Security.empty() ? row.Security : p.stem().string();
    if (!labels.insert(row.Label).second)
      throw UniverseError(UniverseFault(name, line_no, label >= 0 ? "label" : "prices",
                                        "the label '" + row.Label + "' is already used above"));
    rows.push_back(std::move(row));
  }
  if (!header_line) throw UniverseError(name + ": no header line (empty file)");
  if (rows.empty()) throw fail(header_line, "no rows under the header");
  return rows;
}

std::vector<UniverseRow> ReadUniverse(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw UniverseError(path + ": not a readable regular file");
  std::ifstream f(path, std::ios::binary);
  if (!f) throw UniverseError(path + ": cannot open the file");
  std::ostringstream text;
  text << f.rdbuf();
  if (f.bad()) throw UniverseError(path + ": cannot read the file");
  return ParseUniverse(text.str(), path);
}

}  // namespace sd::eventstudy
