#pragma once
// The model values of a forecast in grid order, drawn as a polyline coloured by sign, and the
// placement of plot areas inside a picture by percentages.
#include <vector>

#include "render/canvas.h"

namespace sd::render {

class TCorvDoubleList {
 public:
  int Count() const { return static_cast<int>(values_.size()); }
  // Throws std::out_of_range for an index outside 0 .. Count() - 1.
  double Get(int index) const;
  // index 0 .. Count(); throws std::out_of_range otherwise.
  void Insert(int index, double value);
  void Add(double value) { Insert(Count(), value); }
  // Throws std::out_of_range for an index outside 0 .. Count() - 1.
  void Delete(int index);
  void Clear() { values_.clear(); }

  struct Range {
    double min;
    double max;
  };
  // The smallest and largest value that is not NoValue; (1e300, -1e300) when there is none.
  Range MinMax() const;

  // Draws the values across rect, the smallest usable value on the bottom edge and the largest
  // on the top edge, each segment in the colour of its dominant sign, with the caller's pen
  // width. A segment that touches NoValue is left out; a series without spread draws nothing.
  void Draw(Canvas& canvas, const Rect& rect, Colour positive, Colour negative) const;

 private:
  std::vector<double> values_;
};

// Maps part, given in the coordinates of frame, onto the pixel rectangle pixels; the result
// is ordered (left <= right, top <= bottom).
Rect SubRect(const Rect& frame, const Rect& part, const Rect& pixels);

}  // namespace sd::render
