#include "study/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

namespace sd::study {
namespace {

// Runs the oracle script with Debian's Python (where SciPy and statsmodels live).
nlohmann::json RunOracle(const nlohmann::json& input) {
  const auto dir = std::filesystem::temp_directory_path();
  const std::string in = (dir / ("sd_stat_in_" + std::to_string(::getpid()) + ".json")).string();
  const std::string out = (dir / ("sd_stat_out_" + std::to_string(::getpid()) + ".json")).string();
  std::ofstream(in) << input.dump();
  const std::string cmd = std::string("/usr/bin/python3 ") + STOCKDYN_SOURCE_DIR +
                          "/tests/study/statistics_oracle.py < " + in + " > " + out;
  const int status = std::system(cmd.c_str());
  std::ifstream f(out);
  std::stringstream text;
  text << f.rdbuf();
  std::filesystem::remove(in);
  std::filesystem::remove(out);
  if (status != 0) throw std::runtime_error("oracle failed (python3-scipy, python3-statsmodels installed?)");
  return nlohmann::json::parse(text.str());
}

TEST(Statistics, AgreeWithScipyAndStatsmodels) {
  // Coarse values so that both sides have many ties, and exact zeros for the hit rate.
  std::mt19937_64 gen(7);
  std::normal_distribution<double> normal;
  const int n = 157;
  std::vector<double> s(n), r(n);
  for (int i = 0; i < n; ++i) {
    s[i] = std::round(2 * normal(gen) + (i % 9 < 4 ? 1 : 0));
    r[i] = std::round(3 * (0.3 * s[i] + normal(gen))) / 4;
  }
  const std::vector<int> shifts = DrawShifts(n, 20, 99, 42);
  const std::vector<double> p = {0.01, 0.04, 0.03, 0.2, 0.04, 0.9, 0.0005, 0.5};
  const auto want = RunOracle({{"s", s}, {"r", r}, {"shifts", shifts}, {"p", p}});

  const RankedSeries rs = Rank(s), rr = Rank(r);
  EXPECT_NEAR(Spearman(s, r), want["ic"].get<double>(), 1e-12);
  for (size_t i = 0; i < shifts.size(); ++i)
    ASSERT_NEAR(RotatedCorrelation(rs, rr, shifts[i]), want["rotated"][i].get<double>(), 1e-12) << shifts[i];
  EXPECT_DOUBLE_EQ(PermutationP(rs, rr, shifts), want["p_perm"].get<double>());

  const HitRate h = CountHits(s, r);
  EXPECT_EQ(h.Hits, want["hits"].get<int>());
  EXPECT_EQ(h.Pairs, want["hit_pairs"].get<int>());
  EXPECT_LT(h.Pairs, n);  // the fixture does have zeros to leave out

  const auto q = QuintileMeans(s, r);
  for (int g = 0; g < 5; ++g) EXPECT_NEAR(q[g], want["quintiles"][g].get<double>(), 1e-12) << g;

  const auto holm = HolmAdjust(p), bh = BenjaminiHochberg(p);
  for (size_t i = 0; i < p.size(); ++i) {
    EXPECT_NEAR(holm[i], want["holm"][i].get<double>(), 1e-12) << i;
    EXPECT_NEAR(bh[i], want["bh"][i].get<double>(), 1e-12) << i;
  }
}

TEST(Statistics, AverageRanksOfTies) {
  EXPECT_EQ(AverageRanks({3, 1, 3, 2, 3}), (std::vector<double>{4, 1, 4, 2, 4}));
  EXPECT_EQ(AverageRanks({}), std::vector<double>{});
}

TEST(Statistics, MissingWhereANumberDoesNotExist) {
  EXPECT_TRUE(std::isnan(Spearman({1, 1, 1}, {1, 2, 3})));   // constant signal
  EXPECT_TRUE(std::isnan(Spearman({1, 2, 3}, {5, 5, 5})));   // constant returns
  EXPECT_TRUE(std::isnan(Spearman({1}, {1})));
  EXPECT_TRUE(DrawShifts(39, 20, 10, 1).empty());            // no shift in [20, 19]
  EXPECT_EQ(DrawShifts(40, 20, 3, 1), (std::vector<int>{20, 20, 20}));
  const RankedSeries a = Rank({1, 2, 3, 4}), c = Rank({2, 2, 2, 2});
  EXPECT_TRUE(std::isnan(PermutationP(a, a, {})));
  EXPECT_TRUE(std::isnan(PermutationP(c, a, {1, 2})));
  const auto q = QuintileMeans({1, 2, 3}, {1, 2, 3});        // fewer pairs than groups
  EXPECT_TRUE(std::isnan(q[0]));
  EXPECT_DOUBLE_EQ(q[4], 3);
  EXPECT_TRUE(std::isnan(CountHits({0, 1}, {1, 0}).Rate()));
  EXPECT_TRUE(std::isnan(PercentileBelow(0.1, {})));
  EXPECT_DOUBLE_EQ(PercentileBelow(0.2, {0.1, 0.2, 0.3, 0.0}), 50);  // ties are not below
}

TEST(Statistics, CorrectionsLeaveMissingOutOfTheFamily) {
  const auto holm = HolmAdjust({0.01, kMissing, 0.04});
  EXPECT_DOUBLE_EQ(holm[0], 0.02);
  EXPECT_TRUE(std::isnan(holm[1]));
  EXPECT_DOUBLE_EQ(holm[2], 0.04);
  const auto bh = BenjaminiHochberg({kMissing, 0.02, 0.03});
  EXPECT_DOUBLE_EQ(bh[1], 0.03);
  EXPECT_DOUBLE_EQ(bh[2], 0.03);
}

TEST(Statistics, ShiftsStayInTheirRangeAndFollowTheSeed) {
  const auto a = DrawShifts(100, 25, 500, 9);
  EXPECT_EQ(a, DrawShifts(100, 25, 500, 9));
  EXPECT_NE(a, DrawShifts(100, 25, 500, 10));
  EXPECT_EQ(*std::min_element(a.begin(), a.end()), 25);
  EXPECT_EQ(*std::max_element(a.begin(), a.end()), 75);
}

TEST(Statistics, PermutationPHasItsFloorForAPerfectSignal) {
  // A trend against itself: no rotation gets near |IC| = 1.
  std::vector<double> x(200);
  for (int i = 0; i < 200; ++i) x[i] = i;
  const RankedSeries r = Rank(x);
  EXPECT_DOUBLE_EQ(RotatedCorrelation(r, r, 0), 1.0);
  EXPECT_DOUBLE_EQ(PermutationP(r, r, DrawShifts(200, 20, 999, 3)), 1.0 / 1000);
}

}  // namespace
}  // namespace sd::study
