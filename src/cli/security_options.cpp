#include "cli/security_options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "astro/calendar.h"
#include "astro/chart_data.h"
#include "data/atomic_file.h"
#include "data/cp1251.h"
#include "data/natal_names.h"
#include "forecast/model_value.h"
#include "forecast/natal.h"
#include "host/program_dir.h"

namespace sd::cli {

void AddSecurityOptions(CLI::App& app, SecurityOptions& o) {
  app.add_option("--security", o.security)->required();
  app.add_option("--zone", o.zone_name);
  app.add_option("--dir", o.dir);
  app.add_option("--model", o.model);
  app.add_option("--format", o.format);
}

std::optional<int> CheckSecurityOptions(SecurityOptions& o,
                                        std::initializer_list<std::string_view> formats,
                                        std::string_view command) {
  bool known = false;
  std::string named;
  size_t k = 0;
  for (const std::string_view f : formats) {
    known = known || o.format == f;
    named += (k == 0 ? "" : k + 1 == formats.size() ? " or " : ", ") + std::string(f);
    ++k;
  }
  if (!known) return UsageError(command, "--format must be " + named);
  std::string why;
  if (!o.zone_name.empty() && !ParseZone(o.zone_name, o.zone, why))
    return UsageError(command, why);
  return std::nullopt;
}

void AddStartDay(CLI::App& app, StartDay& d) { app.add_option("--date", d.text); }

std::optional<int> CheckStartDay(StartDay& d, const host::LocalDateTime& now, std::string_view command) {
  if (d.text.empty()) {
    d.year = now.year, d.month = now.month, d.day = now.day;
    return std::nullopt;
  }
  std::string why;
  if (!ParseDate(d.text, kFourDigitYears, d.year, d.month, d.day, why))
    return UsageError(command, "--date: " + why);
  return std::nullopt;
}

std::optional<int> CheckZoneOnStartDay(SecurityOptions& o, const StartDay& d, std::string_view command) {
  std::string why;
  if (!ZoneOnDate(o.zone, d.year, d.month, d.day, why))
    return UsageError(command, "--zone: '" + o.zone_name + "' " + why);
  return std::nullopt;
}

std::optional<int> RefuseDatabaseZone(const SecurityOptions& o, std::string_view command) {
  if (o.zone.tz_name.empty()) return std::nullopt;
  return UsageError(command, "--zone: a time-zone name has no one offset over a price span; give hours east (-5) "
                             "or leave --zone out for the security's own zone");
}

std::string DefaultProgramDir() { return host::JoinProgramDir(host::ProgramDir(""), "www/Exe"); }

std::string ProgramDirOf(const SecurityOptions& o) {
  return host::JoinProgramDir(o.dir.empty() ? DefaultProgramDir() : o.dir, "");
}

std::string ModelPathOf(const SecurityOptions& o, const std::string& dir) {
  return o.model.empty() ? dir + forecast::kModelFileName : o.model;
}

std::string StoredName(const std::string& typed) { return data::Utf8ToCp1251(typed).value_or(typed); }

std::string PrintedName(const std::string& typed) {
  return data::Utf8ToCp1251(typed) ? typed : data::Cp1251ToUtf8(typed);
}

std::optional<std::string> LoadSecurityOrWhy(const std::string& dir, std::string& security, astro::ChartData& natal) {
  if (forecast::LoadNatalChart(dir, StoredName(security), natal)) return std::nullopt;
  const std::vector<data::NatalRecord> records = data::ReadNatalDatabase(dir + data::kNatalFileName);
  const data::NatalRecord* record = FindSecurity(records, PrintedName(security));
  if (!record) record = FindByTicker(records, data::ReadTickers(dir), PrintedName(security));
  if (record) {
    security = DisplayName(*record);
    if (forecast::LoadNatalChart(dir, StoredName(security), natal)) return std::nullopt;
  }
  std::string hint;
  for (const std::string& name : CloseNames(records, PrintedName(security)))
    hint += (hint.empty() ? "; did you mean '" : "', '") + name;
  if (!hint.empty()) hint += "'?";
  return "no security named '" + security + "' in " + dir + "Nyse.mil" + hint;
}

bool LoadSecurity(std::string_view command, const std::string& dir, std::string& security,
                  astro::ChartData& natal) {
  const std::optional<std::string> why = LoadSecurityOrWhy(dir, security, natal);
  if (why) WorkFailed(command, *why);
  return !why;
}

void UseSecurityZoneUnlessGiven(SecurityOptions& o, const astro::ChartData& natal) {
  if (!o.zone_name.empty()) return;
  o.zone.packed = natal.Event.Zone;
  o.zone.hours = astro::HmsToDecimal(natal.Event.Zone);
  const long minutes = std::lround(o.zone.hours * 60);
  char name[48];
  std::snprintf(name, sizeof name, "security's own, UTC%c%02ld:%02ld", minutes < 0 ? '-' : '+',
                std::labs(minutes) / 60, std::labs(minutes) % 60);
  o.zone_name = name;
}

int WorkFailed(std::string_view command, std::string_view why) {
  std::fprintf(stderr, "stockdyn %.*s: %.*s\n", static_cast<int>(command.size()), command.data(),
               static_cast<int>(why.size()), why.data());
  return 1;
}

int PrintOutput(const std::string& out) {
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

int WriteFilesThenPrint(std::string_view command, const std::vector<std::pair<std::string, std::string_view>>& files,
                        const std::string& out) {
  try {
    if (!files.empty()) data::WriteFilesAtomically(files);
  } catch (const std::exception& e) {
    return WorkFailed(command, e.what());
  }
  for (const auto& [path, text] : files) SayWritten(command, path);
  return PrintOutput(out);
}

}  // namespace sd::cli
