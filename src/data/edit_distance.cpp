#include "data/edit_distance.h"

#include <algorithm>
#include <vector>

namespace sd::data {

size_t EditDistanceWithin(std::string_view a, std::string_view b, size_t bound) {
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > bound) return bound + 1;
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    size_t smallest = row[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = up;
      smallest = std::min(smallest, row[j]);
    }
    if (smallest > bound) return bound + 1;
  }
  return std::min(row[b.size()], bound + 1);
}

}  // namespace sd::data
