#pragma once
// How far apart two short texts are, for the "did you mean" of names and options.
#include <cstddef>
#include <string_view>

namespace sd::data {

// Edit distance (insertions, deletions, substitutions) of two texts, byte by byte, when it is at
// most `bound`; bound + 1 as soon as it cannot be (the length difference alone, or a whole row of
// the table above the bound), so that a long text costs little against many candidates.
size_t EditDistanceWithin(std::string_view a, std::string_view b, size_t bound);

}  // namespace sd::data
