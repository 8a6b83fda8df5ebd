// stockdyn model check FILE: loads a model the way the forecast does and says, section by
// section, what became of it. The loader itself skips a bad event without a word.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "data/cp1251.h"
#include "data/ini.h"
#include "data/text_escape.h"
#include "model/ev_list.h"
#include "model/keywords.h"

namespace sd::cli {

namespace {

const char* kUsage =
    "usage: stockdyn model check FILE\n"
    "Loads the model FILE as the forecast does and prints one line per section, tab-separated:\n"
    "name, accepted or rejected, kind number, kind name, and the reason of a rejection.\n"
    "Under an event section, one line for each key its kind does not read (a typing error the\n"
    "loader passes over): name, \"unknown key\", line number, key. A kind the program does not\n"
    "know is rejected. Last line: \"total\", \"N accepted\", \"M rejected\". Exit status 1 when a\n"
    "section is rejected, a key is unknown or the file has no section at all, else 0.\n";

constexpr std::string_view kCommand = "model";

struct RawLine {
  int number;  // 1-based line number in the file
  std::string text;
};

struct RawSection {
  std::string name;
  int kind = 0;
  bool kind_seen = false;  // the first "_T" line counts, as for the reader's lookups
  std::vector<RawLine> lines;
};

// Section headers as the INI reader sees them, duplicates included, with each one's "_T".
std::vector<RawSection> ScanSections(const std::string& text) {
  std::vector<RawSection> out;
  size_t i = 0;
  int number = 0;
  while (i < text.size()) {
    ++number;
    size_t j = text.find_first_of("\r\n", i);
    if (j == std::string::npos) j = text.size();
    std::string line = text.substr(i, j - i);
    // CR LF, a bare LF and a bare CR each end one line.
    i = (j + 1 < text.size() && text[j] == '\r' && text[j + 1] == '\n') ? j + 2 : j + 1;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      out.push_back({line.substr(1, line.size() - 2), 0, false, {}});
    } else if (!out.empty()) {
      out.back().lines.push_back({number, line});
      size_t eq = line.find('=');
      int32_t v = 0;
      if (eq != std::string::npos && !out.back().kind_seen &&
          data::SameTextIgnoringCase(line.substr(0, eq), "_T")) {
        out.back().kind_seen = true;
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X'))
          value = "$" + value.substr(2);
        if (data::ParseIniInteger(value, v)) out.back().kind = v & 0xFF;
      }
    }
  }
  return out;
}

std::string Reason(const model::ParsedEvent& p) {
  switch (p.why) {
    case model::Rejection::NoHeader: return "no \"_H\" key";
    case model::Rejection::UnmappedObject:
      return "unmappable object " + p.bad_key + "=" + std::to_string(p.bad_value);
    case model::Rejection::EmptyObjectSet: return "empty " + p.bad_key;
    case model::Rejection::None: break;
  }
  return "rejected";
}

// Keys every event section may hold, whatever its kind.
constexpr const char* kCommonKeys[] = {"_H",    "_CM",   "_C",    "_T",    "_COF",  "VVal1",
                                       "VVal2", "VVal3", "VVal4", "VVal5", "VVal6", "VVal7",
                                       "UVL1",  "GrInd", "Probab", "WEIGHT", "Orb_Prop",
                                       "Orb_Shift"};

// The kinds the program knows; a section of any other kind loads but can never score.
constexpr int kKnownKinds = 44;

bool IsKeyOf(int kind, const std::string& key) {
  for (const char* k : kCommonKeys)
    if (data::SameTextIgnoringCase(key, k)) return true;
  for (const model::FieldSpec& f : model::Kind(kind).fields)
    if (data::SameTextIgnoringCase(key, f.key)) return true;
  return false;
}

// Key lines of the section that its kind does not read: "unknown key", line number, key.
// Blank lines and comments are no keys; a line without '=' is one (the reader cannot use it).
std::vector<std::string> UnknownKeys(const RawSection& r, int kind) {
  std::vector<std::string> out;
  for (const RawLine& l : r.lines) {
    if (l.text.empty() || l.text[0] == ';' || l.text[0] == '#') continue;
    const std::string key = l.text.substr(0, l.text.find('='));
    if (!IsKeyOf(kind, key))
      out.push_back("unknown key\t" + std::to_string(l.number) + "\t" + key);
  }
  return out;
}

struct Line {
  std::string name;
  std::string text;  // everything after the name
  bool accepted = false;
  bool rejected = false;
  bool event = false;  // an event section, whose keys are checked
  int kind = 0;
};

// The whole file; empty after saying on stderr why it cannot be read.
std::optional<std::string> ReadModelText(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    std::fprintf(stderr, "stockdyn model check: cannot read %s: no such file\n", path.c_str());
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text;
  if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in || in.bad()) {
    std::fprintf(stderr, "stockdyn model check: cannot read %s\n", path.c_str());
    return std::nullopt;
  }
  return text;
}

// The line of a section as the loader left it: settings, skipped, accepted or rejected.
Line LineOf(const model::SectionOutcome& o) {
  Line l;
  l.name = o.name;
  if (o.status == model::SectionOutcome::Settings) {
    l.text = "settings";
  } else if (o.status == model::SectionOutcome::OtherPrefix) {
    l.text = "skipped";
  } else {
    std::string kind = std::to_string(o.kind) + "\t" + model::KindName(o.kind);
    l.event = true;
    l.kind = o.kind;
    if (o.status == model::SectionOutcome::Accepted && o.kind >= kKnownKinds) {
      l.rejected = true;
      l.text = "rejected\t" + kind + "\tunknown kind";
    } else if (o.status == model::SectionOutcome::Accepted) {
      l.accepted = true;
      l.text = "accepted\t" + kind;
      if (!model::Kind(o.kind).scored) l.text += "\tnot scored";
    } else {
      l.rejected = true;
      l.text = "rejected\t" + kind + "\t" + Reason(*o.parsed);
    }
  }
  return l;
}

// The loader's line of each section it kept, in file order; empty after saying on stderr why
// the model cannot be loaded.
std::optional<std::vector<Line>> LoadLines(const std::string& path) {
  std::vector<Line> loaded;
  model::TEvList list;
  list.on_section = [&](const model::SectionOutcome& o) { loaded.push_back(LineOf(o)); };
  try {
    list.Load(path);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stockdyn model check: cannot read %s: %s\n", path.c_str(), e.what());
    return std::nullopt;
  }
  return loaded;
}

// The line of a section the INI reader dropped for a name seen before.
Line DuplicateLine(const RawSection& r) {
  Line l;
  l.name = r.name;
  l.rejected = true;
  l.text = "rejected\t" + std::to_string(r.kind) + "\t" + model::KindName(r.kind) +
           "\tduplicate section name";
  return l;
}

// Tab-separated text holding words of the model file (code page 1251) for the terminal: UTF-8,
// and control characters shown, so that a model from elsewhere cannot drive the reader's
// terminal with escape sequences in its names; the tabs between the columns stay.
std::string Shown(const std::string& stored) {
  std::string out;
  size_t start = 0;
  for (;;) {
    const size_t tab = stored.find('\t', start);
    out += data::ShowControls(data::Cp1251ToUtf8(stored.substr(start, tab - start)));
    if (tab == std::string::npos) return out;
    out += '\t';
    start = tab + 1;
  }
}

// Prints lines and counts what they say.
struct Report {
  int accepted = 0, rejected = 0, unknown_keys = 0;

  // The section's line and, for an event section read from the file, its unknown keys.
  void Print(const Line& l, const RawSection* r) {
    const std::string name = Shown(l.name);
    std::printf("%s\t%s\n", name.c_str(), Shown(l.text).c_str());
    accepted += l.accepted;
    rejected += l.rejected;
    if (!l.event || !r) return;
    for (const std::string& u : UnknownKeys(*r, l.kind)) {
      std::printf("%s\t%s\n", name.c_str(), Shown(u).c_str());
      ++unknown_keys;
    }
  }
};

// The loader's view merged with the duplicates the INI reader dropped, in file order.
void PrintSections(const std::vector<RawSection>& raw, const std::vector<Line>& loaded,
                   Report& report) {
  std::vector<std::string> seen;
  size_t next = 0;
  for (const RawSection& r : raw) {
    bool dup = false;
    for (const auto& s : seen)
      if (data::SameTextIgnoringCase(s, r.name)) dup = true;
    if (dup) {
      report.Print(DuplicateLine(r), nullptr);
      continue;
    }
    seen.push_back(r.name);
    if (next < loaded.size()) report.Print(loaded[next++], &r);
  }
  while (next < loaded.size()) report.Print(loaded[next++], nullptr);
}

int Check(const std::string& path) {
  const std::optional<std::string> text = ReadModelText(path);
  if (!text) return 1;
  const std::optional<std::vector<Line>> loaded = LoadLines(path);
  if (!loaded) return 1;
  const std::vector<RawSection> raw = ScanSections(*text);
  Report report;
  PrintSections(raw, *loaded, report);
  if (raw.empty()) std::printf("no section in %s\n", path.c_str());
  std::printf("total\t%d accepted\t%d rejected\n", report.accepted, report.rejected);
  // A file without a section is no model: most likely the wrong file.
  return raw.empty() || report.rejected > 0 || report.unknown_keys > 0 ? 1 : 0;
}

}  // namespace

int RunModel(const Args& args) {
  if (const auto status = CheckAction(args, {"check"}, kCommand)) return *status;
  std::string path;
  CLI::App app{"", "stockdyn model"};
  SetUpParser(app);
  app.require_subcommand(1);
  app.add_subcommand("check")->add_option("FILE", path)->required();
  if (const auto status = ParseArguments(app, args, kCommand, kUsage)) return *status;
  return Check(path);
}

}  // namespace sd::cli
