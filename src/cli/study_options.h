#pragma once
// What `stockdyn evaluate` and `stockdyn fit` share in reading a study of a price history: its
// spans' dates, the sizes of its null distributions, its seed and the files it must not replace.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "study/prices.h"

namespace sd::cli {

inline constexpr int kMaxPermutations = 1000000;
inline constexpr int kMaxRandomNatal = 10000;

// A date option: its name, its text as given (empty when not) and where the date goes.
struct DateOption {
  std::string_view name;
  const std::string& text;
  std::optional<study::Date>& value;
};

// Each of these usage checks is empty when the options read, else the usage error's reason.
// The dates given, in order.
std::optional<std::string> ReadDates(std::initializer_list<DateOption> dates);
// --permutations from 0 to kMaxPermutations, then --random-natal from 0 to kMaxRandomNatal.
std::optional<std::string> CheckNullSizes(int permutations, int random_natal);
// --seed, when given: a whole number of at most 19 digits.
std::optional<std::string> ReadSeed(const std::string& text, uint64_t& seed);

// The files a study reads (the program directory's data, the model and the prices), none of
// which its outputs may replace.
std::vector<std::string> StudyInputs(const std::string& dir, const std::string& model_path,
                                     const std::string& prices);

}  // namespace sd::cli
