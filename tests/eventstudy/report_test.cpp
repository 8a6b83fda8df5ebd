// The event study's HTML page from a small result made by hand: names from the user's files
// escaped, a headline that says honestly what survives, the table ranked by q, the curves chosen
// (the six best, then the new and the full moon), and the families too thin to test listed.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "eventstudy/document.h"

namespace sd::eventstudy {
namespace {

constexpr int kK = 2;

FamilyResult MakeFamily(const std::string& id, const std::string& title, double p, double q, int n = 20) {
  FamilyResult f;
  f.Fam = {id, title, id.rfind("natal:", 0) == 0 ? FamilyKind::kNatal : FamilyKind::kTransit};
  f.Observations = n;
  f.Car = {-0.001, 0.0, 0.002, 0.004, 0.0125};  // CAR(+K) = 1.25 %
  f.P05 = {-0.01, -0.01, -0.01, -0.01, -0.01};
  f.P95 = {0.01, 0.01, 0.01, 0.01, 0.01};
  f.Stat = 0.008;
  f.P = p;
  f.Q = q;
  f.PHolm = std::isnan(p) ? NAN : std::min(1.0, 4 * p);
  return f;
}

class StudyPage : public ::testing::Test {
 protected:
  void SetUp() override {
    c_.ZoneName = "EST";
    c_.Settings.Window = kK;
    c_.Settings.Horizon = 2;
    c_.Settings.Permutations = 199;
    StudySeries s;
    s.Label = "A&B <script>alert(1)</script>";
    s.Security = "AT&T \"Corp\"";
    s.Prices.File = "prices/<odd>.csv";
    s.Prices.Dates = {study::Date{std::chrono::days{9000}}, study::Date{std::chrono::days{9400}}};
    series_.push_back(s);

    // Seven aspects rank ahead of the full moon, so the full moon is drawn only because it is asked for.
    r_.Families.push_back(MakeFamily("lunation:new", "New moon", 0.001, 0.01));
    r_.Families.push_back(MakeFamily("lunation:full", "Full moon", 0.5, 0.6));
    for (int i = 0; i < 7; ++i)
      r_.Families.push_back(MakeFamily("aspect:0:" + std::to_string(i + 2) + ":90", "Aspect " + std::to_string(i),
                                       0.1 + 0.01 * i, 0.3 + 0.01 * i));
    r_.Families.push_back(MakeFamily("natal:4:0:0", "Mars conjunct natal Sun", NAN, NAN, 3));
    r_.Families.push_back(MakeFamily("ingress:9:0", "Pluto enters Aries", NAN, NAN, 0));
    StateResult st;
    st.Fam = {"state:lunar:new-half", "Moon in its new half", FamilyKind::kState};
    st.Sums = {0.02, -0.01, 100, 120};
    st.P = 0.2;
    st.Q = 0.7;
    st.PHolm = 0.8;
    r_.States.push_back(st);
    r_.Tests = 10;
    r_.Returns = {200};
  }
  std::string Page() const { return StudyHtml(c_, series_, r_); }

  StudyContext c_;
  std::vector<StudySeries> series_;
  StudyResult r_;
};

TEST_F(StudyPage, NamesFromTheFilesAreEscaped) {
  const std::string page = Page();
  for (const char* raw : {"<script>", "AT&T ", "\"Corp\"", "<odd>"})
    EXPECT_EQ(page.find(raw), std::string::npos) << raw;
  for (const char* escaped :
       {"A&amp;B &lt;script&gt;alert(1)&lt;/script&gt;", "AT&amp;T &quot;Corp&quot;", "prices/&lt;odd&gt;.csv"})
    EXPECT_NE(page.find(escaped), std::string::npos) << escaped;
}

TEST_F(StudyPage, OpensWithoutANetwork) {
  const std::string page = Page();
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  size_t at = 0;
  while ((at = page.find("http", at)) != std::string::npos) {
    EXPECT_EQ(page.compare(at, 26, "http://www.w3.org/2000/svg"), 0) << page.substr(at, 60);
    ++at;
  }
  for (const char* fetch : {" src=", " href=", "@import", "url("})
    EXPECT_EQ(page.find(fetch), std::string::npos) << fetch;
}

TEST_F(StudyPage, HeadlineSaysWhatSurvivesTheCorrection) {
  const struct {
    double new_moon_q;
    int tests;
    const char* headline;
    const char* verdict;
  } cases[] = {
      {0.01, 10, "1 of 10 tests survive the correction (q &lt; 0.05)", "(q &lt; 0.05): New moon."},
      {0.05, 10, "Nothing survives the correction for 10 tests", "Nothing here."},
      {0.2, 0, "Nothing was tested", "Nothing was tested"},
  };
  for (const auto& k : cases) {
    r_.Families[0].Q = k.new_moon_q;
    r_.Tests = k.tests;
    const std::string page = Page();
    EXPECT_NE(page.find("<p class=\"headline\"><strong>" + std::string(k.headline)), std::string::npos) << k.headline;
    const size_t verdict = page.find("<p class=\"verdict\">");
    ASSERT_NE(verdict, std::string::npos);
    const std::string text = page.substr(verdict, page.find("</p>", verdict) - verdict);
    EXPECT_NE(text.find(k.verdict), std::string::npos) << text;
    // Only discoveries are shaded in the table.
    size_t shaded = 0;
    for (size_t at = 0; (at = page.find("<tr class=\"low\">", at)) != std::string::npos; ++at) ++shaded;
    EXPECT_EQ(shaded, k.new_moon_q < 0.05 ? 1u : 0u);
  }
}

TEST_F(StudyPage, TableRanksByQWithEachFigureInItsColumn) {
  const std::string page = Page();
  const size_t table = page.find("<table class=\"ranked\">");
  ASSERT_NE(table, std::string::npos);
  const size_t new_moon = page.find("New moon<small", table), full_moon = page.find("Full moon<small", table),
               first_aspect = page.find("Aspect 0<small", table), half = page.find("Moon in its new half<small", table);
  ASSERT_NE(new_moon, std::string::npos);
  ASSERT_NE(full_moon, std::string::npos);
  ASSERT_NE(first_aspect, std::string::npos);
  ASSERT_NE(half, std::string::npos);
  EXPECT_LT(new_moon, first_aspect);   // q 0.01 before 0.3
  EXPECT_LT(first_aspect, full_moon);  // 0.3 before 0.6
  EXPECT_LT(full_moon, half);          // 0.6 before 0.7
  // A family: n, CAR at +K (not at -K), T, and no D; a state: days in / out, D and D a year, no CAR or T.
  EXPECT_NE(
      page.find("</small></td><td>20</td><td>1.250</td><td>0.800</td><td></td><td></td><td>0.0010</td>", new_moon),
      std::string::npos);
  // D = 0.02 / 100 + 0.01 / 120 = 2.833e-4 a day, 7.14 % a year.
  EXPECT_NE(
      page.find("</small></td><td>100 / 120</td><td></td><td></td><td>0.0283</td><td>7.14</td><td>0.2000</td>", half),
      std::string::npos)
      << page.substr(half, 200);
  // Too few observations: no row in the table, but named with its count; none at all: counted.
  EXPECT_EQ(page.find("Mars conjunct natal Sun<small", table), std::string::npos);
  EXPECT_NE(page.find("Mars conjunct natal Sun (3)"), std::string::npos);
  EXPECT_EQ(page.find("Pluto enters Aries"), std::string::npos);
  EXPECT_NE(
      page.find("Not tested, with fewer than 10 observations (or days in or out): 1 named here, and 1 more with none"),
      std::string::npos);
}

TEST_F(StudyPage, CurvesOfTheSixBestThenTheNewAndFullMoon) {
  const std::string page = Page();
  auto drawn = [&](const std::string& title) { return page.find("aria-label=\"" + title + "\"") != std::string::npos; };
  EXPECT_TRUE(drawn("New moon"));
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(drawn("Aspect " + std::to_string(i))) << i;
  EXPECT_FALSE(drawn("Aspect 5"));  // seventh by q
  EXPECT_TRUE(drawn("Full moon"));  // asked for whatever its rank
  EXPECT_FALSE(drawn("Mars conjunct natal Sun"));
  EXPECT_TRUE(drawn("the lunar halves"));
}

}  // namespace
}  // namespace sd::eventstudy
