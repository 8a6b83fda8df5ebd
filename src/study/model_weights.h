#pragma once
// Changing the weights of a model file and nothing else.
//
// The text is read as the INI reader reads it: CR LF, a bare LF and a bare CR each end a line;
// a line of at least two bytes that starts with '[' and ends with ']' opens a section; of
// sections whose names are equal without regard to case only the first is read, so only the
// first is changed; a section's weight is its first line whose text before the first '=' is
// WEIGHT in any letter case. That line keeps its key as written and gets the new value; every
// other byte, line end included, stays as it was.
//
// A section that has no WEIGHT line gets one, "WEIGHT=value", directly after its first "_T"
// line (where the shipped models keep it), or after the section's header line when there is no
// "_T"; it ends as the line it follows ends.
#include <string>
#include <vector>

namespace sd::study {

struct WeightChange {
  std::string Section;  // as the model loader names it
  double Weight = 0;
};

struct RewriteResult {
  std::string Text;
  std::vector<std::string> Added;    // sections that had no WEIGHT line and got one
  std::vector<std::string> Missing;  // sections named in the changes but not in the text
};

// The value as written: at most six significant digits, in a form the model loader reads back.
std::string FormatWeight(double weight);

// `text` with the weights of the named sections changed.
RewriteResult RewriteWeights(const std::string& text, const std::vector<WeightChange>& changes);

}  // namespace sd::study
