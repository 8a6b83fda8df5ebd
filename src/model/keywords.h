#pragma once
// The keyword table: for every event kind, its model-file keys in the order the parser reads
// them, each with its type, its place in the kind part of the event definition and its default.
#include <cstdint>
#include <span>

#include "astro/object_set.h"

namespace sd::model {

enum class FieldType : uint8_t {
  Byte,        // low 8 bits of an integer
  Int,         // signed 32-bit
  Bool,        // byte 0 or 1
  Real,        // double
  Set,         // 26-byte member set
  SetRenum,    // member set, rebuilt through the object numbering
  Object,      // one object number in a byte, through the object numbering
  Mask3,       // byte: bit n for member n of 0..2
  Mask2,       // byte: bit n for member n of 0..1
  Qualifier,   // 53-byte qualifier parsed from text
  PriceLevel,  // 17-byte record parsed from text
  Text15,      // short text of at most 15 characters
  Ints70,      // 70 signed 32-bit integers
  UserWave,    // 162-byte wave record parsed from text
};

// Size in bytes of a field of the type inside the kind part.
int FieldSize(FieldType t);

struct FieldSpec {
  const char* key;
  FieldType type;
  uint16_t offset;              // from the start of the kind part
  bool kept;                    // default: whatever the parse buffer holds there
  double value;                 // fixed default of a number type
  const astro::ObjectSet* set;  // fixed default of a set type; null: the empty set
};

struct KindSpec {
  const char* name;                  // short name for reports
  std::span<const FieldSpec> fields; // in reading order
  bool scored;                       // false: the evaluation never gets a hit from this kind
};

// Kinds 0..43; any other kind has no fields.
const KindSpec& Kind(int kind);
// The short name of a kind, "unknown" above 43.
const char* KindName(int kind);

}  // namespace sd::model
