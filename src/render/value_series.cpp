#include "render/value_series.h"

#include <cmath>
#include <stdexcept>
#include <utility>

#include "astro/moment.h"
#include "astro/numeric.h"

namespace sd::render {

double TCorvDoubleList::Get(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("TCorvDoubleList::Get: index out of range");
  return values_[static_cast<size_t>(index)];
}

void TCorvDoubleList::Insert(int index, double value) {
  if (index < 0 || index > Count()) throw std::out_of_range("TCorvDoubleList::Insert: index out of range");
  values_.insert(values_.begin() + index, value);
}

void TCorvDoubleList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TCorvDoubleList::Delete: index out of range");
  values_.erase(values_.begin() + index);
}

TCorvDoubleList::Range TCorvDoubleList::MinMax() const {
  Range r{1e300, -1e300};
  for (double v : values_) {
    if (v == astro::NoValue) continue;
    if (v < r.min) r.min = v;
    if (v > r.max) r.max = v;
  }
  return r;
}

void TCorvDoubleList::Draw(Canvas& canvas, const Rect& rect, Colour positive, Colour negative) const {
  const Range r = MinMax();
  if (r.max <= r.min) return;
  const int n = Count();
  for (int i = 0; i + 1 < n; ++i) {
    const double a = values_[static_cast<size_t>(i)], b = values_[static_cast<size_t>(i) + 1];
    if (a == astro::NoValue || b == astro::NoValue) continue;
    Colour c;
    if (a > 0 && b > 0) {
      c = positive;
    } else if (a < 0 && b < 0) {
      c = negative;
    } else {
      // Across zero the value farther from it decides; on a tie the later one.
      const double decider = std::fabs(a) > std::fabs(b) ? a : b;
      c = decider < 0 ? negative : positive;
    }
    canvas.pen().colour = c;
    canvas.MoveTo(astro::GridIndex(rect.left, rect.right, i, n - 1, 0), astro::GridIndex(rect.bottom, rect.top, a, r.max, r.min));
    canvas.LineTo(astro::GridIndex(rect.left, rect.right, i + 1, n - 1, 0), astro::GridIndex(rect.bottom, rect.top, b, r.max, r.min));
  }
}

Rect SubRect(const Rect& frame, const Rect& part, const Rect& pixels) {
  Rect out;
  out.left = astro::GridIndex(pixels.left, pixels.right, part.left, frame.right, frame.left);
  out.right = astro::GridIndex(pixels.left, pixels.right, part.right, frame.right, frame.left);
  out.top = astro::GridIndex(pixels.top, pixels.bottom, part.top, frame.bottom, frame.top);
  out.bottom = astro::GridIndex(pixels.top, pixels.bottom, part.bottom, frame.bottom, frame.top);
  if (out.right < out.left) std::swap(out.left, out.right);
  if (out.bottom < out.top) std::swap(out.top, out.bottom);
  return out;
}

}  // namespace sd::render
