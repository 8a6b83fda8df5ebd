#include "study/model_weights.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <string_view>

#include "data/ini.h"

namespace sd::study {

namespace {

// One line of the text: where its content lies and where its line end lies.
struct LineSpan {
  size_t begin = 0;
  size_t end = 0;       // one past the content
  size_t next = 0;      // one past the line end (== end for a last line without one)
};

std::vector<LineSpan> SplitLines(const std::string& text) {
  std::vector<LineSpan> lines;
  size_t i = 0;
  while (i < text.size()) {
    size_t j = text.find_first_of("\r\n", i);
    if (j == std::string::npos) {
      lines.push_back({i, text.size(), text.size()});
      break;
    }
    const size_t next = (text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') ? j + 2 : j + 1;
    lines.push_back({i, j, next});
    i = next;
  }
  return lines;
}

struct SectionSpan {
  std::string name;
  size_t header = 0;       // index of the header line
  size_t first_line = 0;   // lines [first_line, last_line) belong to it
  size_t last_line = 0;
  bool in_force = false;   // the first of its name
};

bool IsHeader(std::string_view line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The key of a line, when it has an '='.
bool KeyIs(std::string_view line, std::string_view key) {
  const size_t eq = line.find('=');
  return eq != std::string_view::npos && data::SameTextIgnoringCase(line.substr(0, eq), key);
}

// The model loader looks a section up by its name cut to 255 bytes.
std::string LookupName(const std::string& name) { return name.size() > 255 ? name.substr(0, 255) : name; }

std::string_view LineText(const std::string& text, const LineSpan& line) {
  return std::string_view(text).substr(line.begin, line.end - line.begin);
}

// The sections of the text by their header lines; of two of the same name the first is in force.
std::vector<SectionSpan> FindSections(const std::string& text, const std::vector<LineSpan>& lines) {
  std::vector<SectionSpan> sections;
  for (size_t k = 0; k < lines.size(); ++k) {
    const std::string_view l = LineText(text, lines[k]);
    if (!IsHeader(l)) continue;
    if (!sections.empty()) sections.back().last_line = k;
    SectionSpan s;
    s.name = std::string(l.substr(1, l.size() - 2));
    s.header = k;
    s.first_line = k + 1;
    s.last_line = lines.size();
    s.in_force = true;
    for (const SectionSpan& earlier : sections) {
      if (data::SameTextIgnoringCase(earlier.name, s.name)) s.in_force = false;
    }
    sections.push_back(std::move(s));
  }
  return sections;
}

// The section in force that the model loader finds under `name`; null when there is none.
const SectionSpan* FindInForce(const std::vector<SectionSpan>& sections, const std::string& name) {
  const std::string wanted = LookupName(name);
  for (const SectionSpan& s : sections)
    if (s.in_force && data::SameTextIgnoringCase(s.name, wanted)) return &s;
  return nullptr;
}

// An edit of one line: either the value of that line replaced, or a line inserted after it.
struct Edit {
  bool insert;
  std::string value;
};
using Edits = std::map<size_t, Edit>;  // keyed by line

// The edit that gives `section` the weight `value`: its WEIGHT line's value replaced, else a
// WEIGHT line inserted after its _T line (after its header when it has none). True for an
// insertion.
bool PlanWeightEdit(const std::string& text, const std::vector<LineSpan>& lines,
                    const SectionSpan& section, const std::string& value, Edits& edits) {
  size_t weight_line = lines.size(), kind_line = lines.size();
  for (size_t k = section.first_line; k < section.last_line; ++k) {
    const std::string_view l = LineText(text, lines[k]);
    if (l == "\x1A") continue;  // the reader skips the end-of-file mark
    if (weight_line == lines.size() && KeyIs(l, "WEIGHT")) weight_line = k;
    if (kind_line == lines.size() && KeyIs(l, "_T")) kind_line = k;
  }
  if (weight_line < lines.size()) {
    edits[weight_line] = {false, value};
    return false;
  }
  edits[kind_line < lines.size() ? kind_line : section.header] = {true, value};
  return true;
}

// The first line end of the file, which stands for a line that has none of its own.
std::string FileLineEnd(const std::string& text, const std::vector<LineSpan>& lines) {
  for (const LineSpan& l : lines)
    if (l.next > l.end) return text.substr(l.end, l.next - l.end);
  return "\n";
}

// The text with the edits made; every other byte as it was.
std::string ApplyEdits(const std::string& text, const std::vector<LineSpan>& lines, const Edits& edits) {
  const std::string file_end = FileLineEnd(text, lines);
  std::string out;
  out.reserve(text.size() + 32 * edits.size());
  for (size_t k = 0; k < lines.size(); ++k) {
    const LineSpan& l = lines[k];
    const auto found = edits.find(k);
    const Edit* edit = found == edits.end() ? nullptr : &found->second;
    if (edit == nullptr) {
      out.append(text, l.begin, l.next - l.begin);
    } else if (!edit->insert) {
      const size_t eq = text.find('=', l.begin);
      out.append(text, l.begin, eq + 1 - l.begin);
      out += edit->value;
      out.append(text, l.end, l.next - l.end);
    } else {
      const std::string ending = l.next > l.end ? text.substr(l.end, l.next - l.end) : file_end;
      out.append(text, l.begin, l.end - l.begin);
      out += ending;
      out += "WEIGHT=" + edit->value;
      if (l.next > l.end) out += ending;
    }
  }
  return out;
}

}  // namespace

std::string FormatWeight(double weight) {
  if (!std::isfinite(weight)) weight = 0;
  if (weight == 0) return "0";  // also for -0
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.6g", weight);
  return buf;
}

RewriteResult RewriteWeights(const std::string& text, const std::vector<WeightChange>& changes) {
  const std::vector<LineSpan> lines = SplitLines(text);
  const std::vector<SectionSpan> sections = FindSections(text, lines);
  Edits edits;
  RewriteResult result;
  for (const WeightChange& change : changes) {
    const SectionSpan* target = FindInForce(sections, change.Section);
    if (target == nullptr) {
      result.Missing.push_back(change.Section);
      continue;
    }
    if (PlanWeightEdit(text, lines, *target, FormatWeight(change.Weight), edits))
      result.Added.push_back(target->name);
  }
  result.Text = ApplyEdits(text, lines, edits);
  return result;
}

}  // namespace sd::study
