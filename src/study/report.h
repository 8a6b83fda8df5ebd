#pragma once
// What an evaluation shows its reader: the JSON document, the text table, the pairs as CSV and
// the HTML report with its pictures.
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "study/evaluate.h"

namespace sd::study {

// What the evaluation was run on, for the reader.
struct EvaluationContext {
  std::string Security;
  std::string ZoneName;  // as given (empty: Greenwich)
  double Zone = 0;       // packed hours east
  std::string Model;     // the model file
  const PriceSeries* Prices = nullptr;
  int Permutations = 0;
  uint64_t Seed = 0;
};

nlohmann::ordered_json EvaluationJson(const EvaluationContext& context, const Evaluation& ev);
std::string EvaluationText(const EvaluationContext& context, const Evaluation& ev);
// The first line of the details file, without its line end.
inline constexpr std::string_view kDetailsCsvHeader = "date,horizon,signal,return";
// That header, then a row per evaluation date and horizon where the return is defined.
std::string DetailsCsv(const Evaluation& ev, const PriceSeries& prices, const std::vector<int>& horizons);
std::string EvaluationHtml(const EvaluationContext& context, const Evaluation& ev);

// The shortest text that reads back as the same double; empty for NaN.
std::string ShortestNumber(double v);

}  // namespace sd::study
