#include "data/zone_table.h"

namespace sd::data {

double ZoneOffsetByName(std::string_view abbreviation) {
  for (const ZoneRow& row : ZoneTable) {
    if (abbreviation == row.abbreviation) return row.value;
  }
  return kUnknownZone;
}

}  // namespace sd::data
