#include "study/model_weights.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <unistd.h>

#include "model/ev_list.h"

namespace sd::study {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text with every WEIGHT value blanked out, so two models compare on everything else.
std::string WithoutWeightValues(const std::string& text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = std::string_view(text).substr(at, end - at);
    const bool weight = line.substr(0, 7) == "WEIGHT=" || line.substr(0, 7) == "weight=" || line.substr(0, 7) == "Weight=";
    out += weight ? line.substr(0, 7) : line;
    // The line end, whatever it is, stays.
    const size_t next = text.find_first_not_of("\r\n", end);
    out += text.substr(end, (next == std::string::npos ? text.size() : next) - end);
    at = next == std::string::npos ? text.size() : next;
  }
  return out;
}

struct Case {
  const char* what;
  std::string text;
  std::vector<WeightChange> changes;
  std::string expected;
  std::vector<std::string> added;
};

TEST(RewriteWeights, ChangesOnlyTheValueTheLoaderReads) {
  const std::vector<Case> cases = {
      {"LF, value replaced, key spelling kept",
       "[A]\n_H=x\nweight=2.0\nA0=1\n", {{"A", -0.5}}, "[A]\n_H=x\nweight=-0.5\nA0=1\n", {}},
      {"CR LF and a bare CR end lines and stay",
       "[A]\r\n_H=x\r\nWEIGHT=1\r[B]\r\nWEIGHT=3,5\r\n", {{"a", 0.25}, {"B", 7}},
       "[A]\r\n_H=x\r\nWEIGHT=0.25\r[B]\r\nWEIGHT=7\r\n", {}},
      {"only the first WEIGHT line of a section counts",
       "[A]\nWEIGHT=1\nWEIGHT=9\n", {{"A", 2}}, "[A]\nWEIGHT=2\nWEIGHT=9\n", {}},
      {"a later section of the same name is not read, so not changed",
       "[A]\nWEIGHT=1\n[a]\nWEIGHT=1\n", {{"A", 3}}, "[A]\nWEIGHT=3\n[a]\nWEIGHT=1\n", {}},
      {"a key with a blank before '=' is another key; comments stay",
       "; WEIGHT=4\n[A]\n;WEIGHT=5\nWEIGHT =6\n_T=2\nA0=1\n", {{"A", 1.5}},
       "; WEIGHT=4\n[A]\n;WEIGHT=5\nWEIGHT =6\n_T=2\nWEIGHT=1.5\nA0=1\n", {"A"}},
      {"no _T: the new line follows the header",
       "[A]\r\n_H=x\r\n", {{"A", 1}}, "[A]\r\nWEIGHT=1\r\n_H=x\r\n", {"A"}},
      {"a last line without a line end gets the file's line end before the new line",
       "[A]\r\n_H=x\r\n[B]\r\n_T=2", {{"B", 1}}, "[A]\r\n_H=x\r\n[B]\r\n_T=2\r\nWEIGHT=1", {"B"}},
      {"a header that is not one (blank before '[') is a line of the section above",
       "[A]\nWEIGHT=1\n [B]\nWEIGHT=2\n", {{"A", 5}}, "[A]\nWEIGHT=5\n [B]\nWEIGHT=2\n", {}},
      {"bytes of another code page and the end-of-file mark stay",
       "[\xC0\xC1]\n_H=\xE0\n\x1A\nWEIGHT=1\n", {{"\xE0\xE1", 0}}, "[\xC0\xC1]\n_H=\xE0\n\x1A\nWEIGHT=0\n", {}},
  };
  for (const Case& c : cases) {
    const RewriteResult r = RewriteWeights(c.text, c.changes);
    EXPECT_EQ(r.Text, c.expected) << c.what;
    EXPECT_EQ(r.Added, c.added) << c.what;
    EXPECT_TRUE(r.Missing.empty()) << c.what;
  }
}

TEST(RewriteWeights, ReportsSectionsThatAreNotThere) {
  const RewriteResult r = RewriteWeights("[A]\nWEIGHT=1\n", {{"B", 2}});
  EXPECT_EQ(r.Text, "[A]\nWEIGHT=1\n");
  EXPECT_EQ(r.Missing, std::vector<std::string>{"B"});
}

TEST(FormatWeight, ReadsBackAsTheLoaderReadsIt) {
  for (double w : {0.0, -0.0, 1.0, -2.5, 1.234567891, 3e-7, -12345678.0}) {
    const std::string text = FormatWeight(w);
    double back = 0;
    ASSERT_TRUE(data::ParseIniReal(text, back)) << text;
    EXPECT_NEAR(back, w, 5e-6 * std::abs(w)) << text;  // six significant digits
  }
}

// The shipped model: every event gets a new weight; the loader reads exactly those weights,
// and apart from the WEIGHT values the file is byte for byte the same.
TEST(RewriteWeights, ShippedModelKeepsEverythingButItsWeights) {
  const std::string path = std::string(STOCKDYN_SOURCE_DIR) + "/assets/stock.hyp";
  const std::string original = ReadAll(path);
  model::TEvList before;
  before.Load(path);
  ASSERT_GT(before.Count(), 10);

  std::vector<std::string> names;
  model::TEvList names_list;
  names_list.on_section = [&](const model::SectionOutcome& o) {
    if (o.status == model::SectionOutcome::Accepted) names.push_back(o.name);
  };
  names_list.Load(path);
  ASSERT_EQ(static_cast<int>(names.size()), before.Count());

  std::vector<WeightChange> changes;
  for (size_t i = 0; i < names.size(); ++i) changes.push_back({names[i], 0.125 * static_cast<double>(i) - 1.7});
  const RewriteResult r = RewriteWeights(original, changes);
  EXPECT_TRUE(r.Missing.empty());
  EXPECT_TRUE(r.Added.empty());
  EXPECT_NE(r.Text, original);
  EXPECT_EQ(WithoutWeightValues(r.Text), WithoutWeightValues(original));

  const std::string out = (std::filesystem::temp_directory_path() /
                           ("shipped_rewritten_" + std::to_string(::getpid()) + ".hyp")).string();
  { std::ofstream(out, std::ios::binary) << r.Text; }
  model::TEvList after;
  after.Load(out);
  std::filesystem::remove(out);
  ASSERT_EQ(after.Count(), before.Count());
  for (int i = 0; i < after.Count(); ++i) {
    EXPECT_NEAR(after.Event(i).Weight, changes[static_cast<size_t>(i)].Weight, 1e-6) << names[static_cast<size_t>(i)];
    EXPECT_EQ(after.Event(i).Header, before.Event(i).Header);
  }
}

}  // namespace
}  // namespace sd::study
