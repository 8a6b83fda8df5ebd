#include "model/ev_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ios>

#include "data/cp1251.h"
#include "data/data_error.h"

namespace sd::model {

namespace {

std::string Cut255(std::string s) {
  if (s.size() > 255) s.resize(255);
  return s;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void TEvList::AddEvent(const EventDef& def, const ParsedEvent& parsed,
                       const std::string& section) {
  auto rec = std::make_unique<EventRecord>();
  rec->Def = def;
  rec->Section = section;
  rec->Header = parsed.header;
  rec->Weight = parsed.weight;
  rec->OrbProp = parsed.orb_prop;
  rec->OrbShift = parsed.orb_shift;
  // The loader decides use, not the file.
  rec->Def.UVL1 = 1;
  events_.push_back(std::move(rec));
}

int TEvList::Load(const std::string& file_name, std::string_view prefix, uint8_t limit) {
  FileName = file_name;
  data::TSpecIniFile ini(file_name);
  const std::string settings = std::string(prefix) + "OPTIONS";
  const int mode = ini.ReadInteger(settings, "NObjMod", 0);

  data::StringList names;
  ini.ReadSections(names);
  const int n = static_cast<int>(names.size());
  const int looked = (limit != 0 && limit < n) ? limit : n;

  // One buffer for the whole load: fields with kept defaults inherit from the event before.
  EventDef buffer{};
  for (int i = 0; i < looked; ++i) {
    const std::string& name = names[static_cast<size_t>(i)];
    SectionOutcome outcome;
    outcome.name = name;
    if (data::UpperCaseCp1251(name) == settings) {
      outcome.status = SectionOutcome::Settings;
    } else if (!prefix.empty() && name.compare(0, prefix.size(), prefix) != 0) {
      outcome.status = SectionOutcome::OtherPrefix;
    } else {
      std::string section = Cut255(name);
      ParsedEvent parsed;
      if (ParseEvent(buffer, ini, section, mode, parsed)) {
        if (parsed.weight == astro::NoValue) parsed.weight = 1.0;
        AddEvent(buffer, parsed, section);
        outcome.status = SectionOutcome::Accepted;
      } else {
        outcome.status = SectionOutcome::Rejected;
      }
      outcome.kind = ini.ReadInteger(section, "_T", 0) & 0xFF;
      outcome.parsed = &parsed;
      if (on_section) on_section(outcome);
      outcome.parsed = nullptr;
    }
    if (outcome.status != SectionOutcome::Accepted && outcome.status != SectionOutcome::Rejected &&
        on_section)
      on_section(outcome);
  }

  Title = ini.ReadString(settings, "HEADER", "");
  if (Title.empty()) Title = BaseName(file_name);
  Style = ini.ReadInteger(settings, "STYLE", 0);
  CycType = ini.ReadInteger(settings, "CycType", 1);
  ini.ReadFloat(settings, "MinRange", MinRange, 0.0);
  ini.ReadFloat(settings, "MaxRange", MaxRange, 1.0);
  UserI1 = ini.ReadInteger(settings, "UserI1", UserI1);
  UserI2 = ini.ReadInteger(settings, "UserI2", UserI2);
  GroupCount = ini.ReadInteger(settings, "Brad_CountGroups", 0);
  GroupHeaders = Cut255(ini.ReadString(settings, "Brad_Headers", ""));
  GroupWeights = Cut255(ini.ReadString(settings, "Brad_Weights", ""));
  GroupUseWeights = Cut255(ini.ReadString(settings, "Brad_UseWeights", ""));
  GroupWeightsMin = Cut255(ini.ReadString(settings, "Brad_WeightsMin", ""));
  GroupWeightsMax = Cut255(ini.ReadString(settings, "Brad_WeightsMax", ""));
  return n - 1;
}

void LoadRunModel(TEvList& model, const std::string& path) {
  // The loader reads a missing file as an empty model; a run must not take that for a model.
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status)) throw data::DataFileError(path, "no such file");
  if (!std::filesystem::is_regular_file(status)) throw data::DataFileError(path, "not a regular file");
  if (!std::ifstream(path, std::ios::binary)) throw data::DataFileError(path, std::strerror(errno));
  try {
    model.Load(path, "", 0);
  } catch (const std::ios_base::failure& e) {
    throw data::DataFileError(path, "cannot read");
  }
  if (model.Count() == 0)
    std::fprintf(stderr, "%s: no event of the model is accepted; every value is 0\n", path.c_str());
}

}  // namespace sd::model
