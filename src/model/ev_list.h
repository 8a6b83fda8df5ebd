#pragma once
// The forecast model: the settings of a model file and its events in file order.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "astro/moment.h"
#include "model/event_def.h"
#include "model/event_parser.h"

namespace sd::model {

// One loaded event: its definition and the values the model keeps beside it.
struct EventRecord {
  EventDef Def;
  std::string Section;               // the model file's section name: how reports name the event
  std::string Header;                // "_H"; empty when the file gave an empty text
  double Weight = 1.0;               // "WEIGHT"
  double OrbProp = astro::NoValue;   // "Orb_Prop"
  double OrbShift = astro::NoValue;  // "Orb_Shift"
};

// One entry of the explanation list the evaluation can fill: an event that hit, and its value
// before the weight.
struct TEvInfoElementAbout {
  int EventIndex;
  double Value;
};

// What happened to one section of a model file while loading, for tools that report it.
struct SectionOutcome {
  enum Status : uint8_t { Settings, OtherPrefix, Accepted, Rejected };
  std::string name;
  Status status = Settings;
  int kind = 0;               // "_T" as the section gives it
  const ParsedEvent* parsed = nullptr;  // for Accepted and Rejected
};

class TEvList {
 public:
  TEvList() = default;
  TEvList(const TEvList&) = delete;
  TEvList& operator=(const TEvList&) = delete;

  // Reads the model file `file_name` and appends its events. The settings section is
  // `prefix` + "OPTIONS"; other sections are events when their name begins with `prefix`.
  // A non-zero `limit` looks only at the first `limit` sections. Returns the number of
  // sections in the file minus one, whatever the limit. A missing file loads nothing; a read
  // error is thrown (std::ios_base::failure).
  int Load(const std::string& file_name, std::string_view prefix = "", uint8_t limit = 0);

  int Count() const { return static_cast<int>(events_.size()); }
  const EventRecord& Event(int index) const { return *events_.at(static_cast<size_t>(index)); }
  void CopyEvent(int index, EventRecord& dest) const { dest = Event(index); }

  // Called for every section looked at, in file order (for `stockdyn model check`).
  std::function<void(const SectionOutcome&)> on_section;

  std::string Title;
  std::string FileName;
  int32_t Style = 0;
  int32_t CycType = 1;
  double MinRange = 0.0;
  double MaxRange = 0.0;
  int32_t UserI1 = 0;
  int32_t UserI2 = 0;
  int32_t GroupCount = 1;
  std::string GroupHeaders = "All Events";
  std::string GroupWeights = "1;";
  std::string GroupUseWeights = "1;";
  std::string GroupWeightsMin = "-10;";
  std::string GroupWeightsMax = "10;";

 private:
  void AddEvent(const EventDef& def, const ParsedEvent& parsed, const std::string& section);

  std::vector<std::unique_ptr<EventRecord>> events_;
};

// The model a forecast runs on, read from `path`. A missing or unreadable file stops the run:
// DataFileError names the file and the reason. A model without one accepted event still runs
// (every value is then that of an empty model) and says so in one line on stderr.
void LoadRunModel(TEvList& model, const std::string& path);

}  // namespace sd::model
