#include "eventstudy/partial.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

namespace sd::eventstudy {

namespace {

using json = nlohmann::ordered_json;
constexpr int kPartialVersion = 1;

std::string Fnv1a64(std::istream& in) {
  uint64_t h = 0xcbf29ce484222325ull;
  char buffer[1 << 16];
  while (in) {
    in.read(buffer, sizeof buffer);
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      h ^= static_cast<unsigned char>(buffer[i]);
      h *= 0x100000001b3ull;
    }
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return hex;
}

std::string FileHash(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "missing";
  return Fnv1a64(in);
}

// Numbers as JSON holds them exactly (the shortest text that reads back to the same double);
// NaN, which JSON has not, as null.
json Num(double v) { return std::isnan(v) ? json(nullptr) : json(v); }
json Numbers(const std::vector<double>& v) {
  json out = json::array();
  for (double x : v) out.push_back(Num(x));
  return out;
}
double NumOf(const json& j) { return j.is_null() ? std::numeric_limits<double>::quiet_NaN() : j.get<double>(); }
std::vector<double> NumbersOf(const json& j) {
  std::vector<double> out;
  for (const json& x : j) out.push_back(NumOf(x));
  return out;
}

json FamilyJson(const Family& f) { return {f.Id, f.Title, static_cast<int>(f.Kind)}; }
Family FamilyOf(const json& j) {
  return {j.at(0).get<std::string>(), j.at(1).get<std::string>(), static_cast<FamilyKind>(j.at(2).get<int>())};
}

json ContextJson(const StudyContext& c) {
  const StudySettings& s = c.Settings;
  json sections = json::object();
  for (const auto& [id, names] : c.Sections) sections[id] = names;
  return {{"zone_name", c.ZoneName}, {"from", c.From},           {"to", c.To},
          {"families", c.FamilyItems}, {"zone", s.Zone},         {"window", s.Window},
          {"horizon", s.Horizon},    {"min_events", s.MinEvents}, {"permutations", s.Permutations},
          {"random_natal", s.RandomNatal}, {"seed", s.Seed},     {"sections", sections}};
}

StudyContext ContextOf(const json& j) {
  StudyContext c;
  c.ZoneName = j.at("zone_name").get<std::string>();
  c.From = j.at("from").get<std::string>();
  c.To = j.at("to").get<std::string>();
  c.FamilyItems = j.at("families").get<std::vector<std::string>>();
  StudySettings& s = c.Settings;
  s.Zone = j.at("zone").get<double>();
  s.Window = j.at("window").get<int>();
  s.Horizon = j.at("horizon").get<int>();
  s.MinEvents = j.at("min_events").get<int>();
  s.Permutations = j.at("permutations").get<int>();
  s.RandomNatal = j.at("random_natal").get<int>();
  s.Seed = j.at("seed").get<uint64_t>();
  s.Families = c.FamilyItems;
  for (const auto& [id, names] : j.at("sections").items()) c.Sections[id] = names.get<std::vector<std::string>>();
  return c;
}

json SeriesJson(const std::vector<StudySeries>& series) {
  json out = json::array();
  for (const StudySeries& s : series) {
    // The first day, then the days from each date to the next: a few bytes a date.
    json dates = json::array();
    long long last = 0;
    for (const study::Date d : s.Prices.Dates) {
      dates.push_back(d.time_since_epoch().count() - last);
      last = d.time_since_epoch().count();
    }
    out.push_back({{"label", s.Label},
                   {"security", s.Security},
                   {"natal", s.Natal != nullptr},
                   {"file", s.Prices.File},
                   {"format", static_cast<int>(s.Prices.Format)},
                   {"dates", std::move(dates)}});
  }
  return out;
}

json ObservedJson(const StudyResult& r) {
  json families = json::array();
  for (const FamilyResult& f : r.Families)
    families.push_back({{"family", FamilyJson(f.Fam)},
                        {"observations", f.Observations},
                        {"skipped", f.Skipped},
                        {"car", Numbers(f.Car)},
                        {"stat", Num(f.Stat)}});
  json states = json::array();
  for (const StateResult& st : r.States)
    states.push_back({{"family", FamilyJson(st.Fam)},
                      {"sums", {Num(st.Sums.In), Num(st.Sums.Out), st.Sums.DaysIn, st.Sums.DaysOut}}});
  return {{"returns", r.Returns}, {"families", std::move(families)}, {"states", std::move(states)}};
}

StudyResult ObservedOf(const json& j) {
  StudyResult r;
  r.Returns = j.at("returns").get<std::vector<int>>();
  for (const json& f : j.at("families")) {
    FamilyResult out;
    out.Fam = FamilyOf(f.at("family"));
    out.Observations = f.at("observations").get<int>();
    out.Skipped = f.at("skipped").get<int>();
    out.Car = NumbersOf(f.at("car"));
    out.Stat = NumOf(f.at("stat"));
    out.P = out.Q = out.PHolm = std::numeric_limits<double>::quiet_NaN();
    r.Families.push_back(std::move(out));
  }
  for (const json& st : j.at("states")) {
    StateResult out;
    out.Fam = FamilyOf(st.at("family"));
    const json& sums = st.at("sums");
    out.Sums.In = NumOf(sums.at(0));
    out.Sums.Out = NumOf(sums.at(1));
    out.Sums.DaysIn = sums.at(2).get<long long>();
    out.Sums.DaysOut = sums.at(3).get<long long>();
    out.P = out.Q = out.PHolm = std::numeric_limits<double>::quiet_NaN();
    r.States.push_back(std::move(out));
  }
  return r;
}

json NullJson(const StudyShard& s) {
  json families = json::array();
  for (const FamilyNull& n : s.Families) families.push_back({n.Family, Num(n.P), Numbers(n.P05), Numbers(n.P95)});
  json states = json::array();
  for (const StateNull& n : s.States) states.push_back({n.State, Num(n.P)});
  json random = json::array();
  for (const RandomStats& r : s.Random) random.push_back({r.Family, Numbers(r.Stat)});
  return {{"families", std::move(families)},
          {"states", std::move(states)},
          {"random_cast", s.RandomCast},
          {"charts", {s.FirstChart, s.EndChart}},
          {"random", std::move(random)}};
}

void NullOf(const json& j, StudyShard& s) {
  for (const json& n : j.at("families"))
    s.Families.push_back({n.at(0).get<int>(), NumOf(n.at(1)), NumbersOf(n.at(2)), NumbersOf(n.at(3))});
  for (const json& n : j.at("states")) s.States.push_back({n.at(0).get<int>(), NumOf(n.at(1))});
  s.RandomCast = j.at("random_cast").get<bool>();
  s.FirstChart = j.at("charts").at(0).get<int>();
  s.EndChart = j.at("charts").at(1).get<int>();
  for (const json& r : j.at("random")) s.Random.push_back({r.at(0).get<int>(), NumbersOf(r.at(1))});
}

}  // namespace

std::string FirstDifference(const std::string& a, const std::string& b) {
  std::istringstream x(a), y(b);
  std::string la, lb;
  while (true) {
    const bool more_a = static_cast<bool>(std::getline(x, la)), more_b = static_cast<bool>(std::getline(y, lb));
    if (!more_a && !more_b) return "";
    if (!more_a) la = "(nothing)";
    if (!more_b) lb = "(nothing)";
    if (la != lb) return "'" + la + "' in one, '" + lb + "' in the other";
  }
}

std::string ProgramFingerprint(const std::string& version) {
  return version + ", build " + FileHash("/proc/self/exe");
}

std::string InputsFingerprint(const std::vector<std::string>& paths) {
  std::string out;
  for (const std::string& p : paths) out += p + " " + FileHash(p) + "\n";
  return out;
}

std::string PartialText(const Fingerprint& print, const std::vector<std::string>& study_args,
                        const StudyContext& context, const std::vector<StudySeries>& series, const StudyShard& shard) {
  json j = {{"stockdyn_study_partial", kPartialVersion},
            {"shard", shard.Index},
            {"shards", shard.Count},
            {"program", print.Program},
            {"arguments", print.Arguments},
            {"inputs", print.Inputs},
            {"study", study_args},
            {"context", ContextJson(context)}};
  if (shard.Index == 0) {
    j["series"] = SeriesJson(series);
    j["observed"] = ObservedJson(shard.Observed);
  }
  j["null"] = NullJson(shard);
  return j.dump() + "\n";
}

Partial ParsePartial(const std::string& text, const std::string& name) {
  if (text.compare(0, kPartialMark.size(), kPartialMark) != 0)
    throw PartialError(name + ": not a partial study file (those begin " + std::string(kPartialMark) + ")");
  json j;
  try {
    j = json::parse(text);
  } catch (const json::parse_error&) {
    throw PartialError(name + ": truncated or damaged: it does not hold one whole partial study (" +
                       std::to_string(text.size()) + " bytes); run its shard again");
  }
  Partial p;
  try {
    if (j.at("stockdyn_study_partial").get<int>() != kPartialVersion)
      throw PartialError(name + ": a partial study of another format (" + j.at("stockdyn_study_partial").dump() +
                         "); merge it with the stockdyn that wrote it");
    p.Print = {j.at("program").get<std::string>(), j.at("arguments").get<std::string>(),
               j.at("inputs").get<std::string>()};
    p.StudyArgs = j.at("study").get<std::vector<std::string>>();
    p.Context = ContextOf(j.at("context"));
    p.Shard.Index = j.at("shard").get<int>();
    p.Shard.Count = j.at("shards").get<int>();
    if (p.Shard.Count < 1 || p.Shard.Index < 0 || p.Shard.Index >= p.Shard.Count)
      throw PartialError(name + ": shard " + std::to_string(p.Shard.Index) + " of " + std::to_string(p.Shard.Count) +
                         " cannot be");
    if (p.Shard.Index == 0) {
      for (const json& s : j.at("series")) {
        StudySeries out;
        out.Label = s.at("label").get<std::string>();
        out.Security = s.at("security").get<std::string>();
        if (s.at("natal").get<bool>()) out.Natal = &p.Charts.emplace_back();
        out.Prices.File = s.at("file").get<std::string>();
        out.Prices.Format = static_cast<study::PriceFormat>(s.at("format").get<int>());
        int day = 0;
        for (const json& d : s.at("dates")) {
          day += d.get<int>();
          out.Prices.Dates.push_back(study::Date{std::chrono::days{day}});
        }
        if (out.Prices.Dates.empty()) throw PartialError(name + ": a series without dates");
        p.Series.push_back(std::move(out));
      }
      p.Shard.Observed = ObservedOf(j.at("observed"));
    }
    NullOf(j.at("null"), p.Shard);
  } catch (const json::exception& e) {
    throw PartialError(name + ": damaged: " + e.what());
  }
  return p;
}

Partial ReadPartial(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PartialError(path + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return ParsePartial(text.str(), path);
}

MergedStudy MergePartials(const std::vector<std::pair<std::string, Partial>>& partials) {
  if (partials.empty()) throw PartialError("no partial files to merge");
  const auto& [first_name, first] = partials.front();
  const int count = first.Shard.Count;
  std::vector<const std::pair<std::string, Partial>*> at(static_cast<size_t>(count), nullptr);
  for (const auto& named : partials) {
    const auto& [name, p] = named;
    const std::string pair = first_name + " and " + name + " are not of the same run: ";
    if (p.Print.Program != first.Print.Program)
      throw PartialError(pair + "different programs wrote them (" + FirstDifference(first.Print.Program, p.Print.Program) + ")");
    if (p.Shard.Count != count)
      throw PartialError(pair + "one is a shard of " + std::to_string(count) + ", the other of " +
                         std::to_string(p.Shard.Count));
    if (p.Print.Arguments != first.Print.Arguments)
      throw PartialError(pair + "their arguments differ (" + FirstDifference(first.Print.Arguments, p.Print.Arguments) + ")");
    if (p.Print.Inputs != first.Print.Inputs)
      throw PartialError(pair + "their input files differ (" + FirstDifference(first.Print.Inputs, p.Print.Inputs) + ")");
    auto& slot = at[static_cast<size_t>(p.Shard.Index)];
    if (slot)
      throw PartialError("shard " + std::to_string(p.Shard.Index) + " of " + std::to_string(count) +
                         " is given twice: " + slot->first + " and " + name);
    slot = &named;
  }
  std::string missing;
  int missing_count = 0;
  for (int i = 0; i < count; ++i)
    if (!at[static_cast<size_t>(i)]) {
      if (++missing_count <= 10) missing += (missing.empty() ? "" : ", ") + std::to_string(i);
    }
  if (missing_count)
    throw PartialError(std::string(missing_count == 1 ? "shard " : "shards ") + missing +
                       (missing_count > 10 ? " and " + std::to_string(missing_count - 10) + " more" : "") + " of " +
                       std::to_string(count) + (missing_count == 1 ? " is" : " are") +
                       " missing: the merge needs the partial file of every shard");
  std::vector<const StudyShard*> shards;
  for (const auto* named : at) shards.push_back(&named->second.Shard);
  MergedStudy out;
  out.First = &at.front()->second;
  try {
    out.Result = MergeShards(shards);
  } catch (const std::invalid_argument& e) {
    throw PartialError(std::string("the partial files cannot be merged: ") + e.what());
  }
  return out;
}

}  // namespace sd::eventstudy
