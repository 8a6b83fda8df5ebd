#pragma once
// What an event study shows its reader: the JSON document, one CSV row per family or state, the
// text of the best by q with a verdict in words, the details (one row per observation) and the
// HTML report.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "eventstudy/study.h"

namespace sd::eventstudy {

// D shown as a year of trading days; the q below which a family or state counts as a discovery.
inline constexpr double kTradingDays = 252;
inline constexpr double kDiscovery = 0.05;

// The settings as the reader is told them.
struct StudyContext {
  std::string ZoneName;  // as given; empty: Greenwich
  std::string From, To;  // --from and --to as given; empty: each file's whole span
  std::vector<std::string> FamilyItems;  // empty: all
  StudySettings Settings;
  std::map<std::string, std::vector<std::string>> Sections;  // by family id: the model's sections it drives
};

nlohmann::ordered_json StudyJson(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r);
std::string StudyCsv(const StudyResult& r);
std::string StudyText(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r);

inline constexpr std::string_view kStudyDetailsHeader = "family,label,event_utc,event_day";
// That header, then each family's observations (the event's moment, the event day's date) and
// each state's days (the noon read, the day's date), in the order of the document.
std::string StudyDetails(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r);

// A page that needs no network: the verdict, the families by q, CAR curves with their bands,
// the lunar halves and the settings.
std::string StudyHtml(const StudyContext& c, const std::vector<StudySeries>& series, const StudyResult& r);

// Families and states with a q, best first (ties in the document's order); pointers into r.
struct Ranked {
  const FamilyResult* Family = nullptr;
  const StateResult* State = nullptr;
  double Q() const { return Family ? Family->Q : State->Q; }
  double P() const { return Family ? Family->P : State->P; }
  const eventstudy::Family& Fam() const { return Family ? Family->Fam : State->Fam; }
};
std::vector<Ranked> RankByQ(const StudyResult& r);

// The verdict in words: what survives at q < 0.05, or that nothing does.
std::string Verdict(const StudyResult& r);

}  // namespace sd::eventstudy
