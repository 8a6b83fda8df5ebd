#pragma once
// Reads one model-file section into an event definition. What every key means, its type and its
// default, kind by kind, is the model guide: docs/model-format.md.
#include <string>
#include <string_view>

#include "astro/moment.h"
#include "data/ini.h"
#include "model/event_def.h"

namespace sd::model {

// The text a missing "_H" key reads as; a section without it is no event.
inline constexpr std::string_view kHeaderAbsent = "The string absent";

enum class Rejection : uint8_t {
  None,
  NoHeader,        // no "_H" key (or no such section)
  UnmappedObject,  // an object key whose number has no place in the numbering
  EmptyObjectSet,  // a set the kind cannot do without is empty ("PT8")
};

// What the parser hands back besides the definition.
struct ParsedEvent {
  bool accepted = false;
  std::string header;                // "_H"
  double weight = astro::NoValue;    // "WEIGHT"
  double orb_prop = astro::NoValue;  // "Orb_Prop"
  double orb_shift = astro::NoValue; // "Orb_Shift"
  // Why the event was rejected, for reports: the key concerned and the number it held.
  Rejection why = Rejection::None;
  std::string bad_key;
  int bad_value = 0;
};

// Parses section `section` of `ini` into `def`, the loader's shared parse buffer. The buffer
// is not cleared first: a field with a kept default keeps what the previous event left at its
// bytes. `mode` is the object numbering mode of the model ("NObjMod").
bool ParseEvent(EventDef& def, data::TSpecIniFile& ini, std::string_view section, int mode,
                ParsedEvent& out);

}  // namespace sd::model
