#include "cli/study_options.h"

#include "cli/output_kinds.h"

namespace sd::cli {

std::optional<std::string> ReadDates(std::initializer_list<DateOption> dates) {
  for (const DateOption& d : dates) {
    if (d.text.empty()) continue;
    study::Date date;
    if (!study::ParseDate(d.text, false, date))
      return std::string(d.name) + " must be a date YYYY-MM-DD, not '" + d.text + "'";
    d.value = date;
  }
  return std::nullopt;
}

std::optional<std::string> CheckNullSizes(int permutations, int random_natal) {
  if (permutations < 0 || permutations > kMaxPermutations)
    return "--permutations must be from 0 to " + std::to_string(kMaxPermutations);
  if (random_natal < 0 || random_natal > kMaxRandomNatal)
    return "--random-natal must be from 0 to " + std::to_string(kMaxRandomNatal);
  return std::nullopt;
}

std::optional<std::string> ReadSeed(const std::string& text, uint64_t& seed) {
  if (text.empty()) return std::nullopt;
  if (text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19)
    return "--seed must be a whole number from 0 to 9999999999999999999";
  seed = std::stoull(text);
  return std::nullopt;
}

std::vector<std::string> StudyInputs(const std::string& dir, const std::string& model_path,
                                     const std::string& prices) {
  std::vector<std::string> inputs = ProgramDataFiles(dir);
  inputs.insert(inputs.end(), {model_path, prices});
  return inputs;
}

}  // namespace sd::cli
