#pragma once
// Tables of moments written as plain centuries of UT, the way the cases are quoted, and a moment
// in a failure message. The program itself never prints a moment but by its Centuries.
#include <initializer_list>
#include <ostream>
#include <vector>

#include "astro/moment.h"

namespace sd::testing_support {

inline std::vector<astro::ChartMoment> Moments(std::initializer_list<double> centuries) {
  std::vector<astro::ChartMoment> out;
  out.reserve(centuries.size());
  for (double c : centuries) out.emplace_back(c);
  return out;
}

}  // namespace sd::testing_support

namespace sd::astro {

// Found by argument-dependent lookup from the assertions' messages and from SCOPED_TRACE.
inline std::ostream& operator<<(std::ostream& os, ChartMoment t) { return os << t.Centuries; }

}  // namespace sd::astro
