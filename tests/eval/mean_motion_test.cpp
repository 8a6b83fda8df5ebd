#include "eval/mean_motion.h"

#include <gtest/gtest.h>

#include <array>

namespace sd::eval {
namespace {

TEST(MeanDailyMotion, PlanetsOnlyAndBoundsChecked) {
  struct Case { int object; double expected; };
  for (const Case& c : {Case{astro::kSun, 1.0}, Case{astro::kMoon, 12.0}, Case{astro::kMercury, 2.0},
                        Case{astro::kVenus, 1.5}, Case{astro::kMars, 0.5}, Case{astro::kJupiter, 0.3},
                        Case{astro::kSaturn, 0.2}, Case{astro::kUranus, 0.1}, Case{astro::kNeptune, 0.07},
                        Case{astro::kPluto, 0.05}, Case{astro::kNorthNode, 0}, Case{astro::kAscendant, 0},
                        Case{-1, 0}, Case{40, 0}, Case{207, 0}})
    EXPECT_EQ(MeanDailyMotion(c.object), c.expected) << c.object;
}

// Longitudes known at t: Sun 10, Moon 355, Pluto 0.01, node 100; the rest are missing.
class StencilRows : public ::testing::Test {
 protected:
  void SetUp() override {
    at_t.fill(astro::NoValue);
    at_t[astro::kSun] = 10;
    at_t[astro::kMoon] = 355;
    at_t[astro::kPluto] = 0.01;
    at_t[astro::kNorthNode] = 100;
  }
  std::array<double, astro::kObjectCount> at_t;
};

TEST_F(StencilRows, ExtrapolatesKnownLongitudesAndKeepsTheRest) {
  std::array<double, astro::kObjectCount> prev, next, next2;
  prev.fill(77);
  next.fill(77);
  next2.fill(77);
  MeanMotionStencil(at_t, 0.5, prev, next, next2);
  struct Case { int obj; double prev, next, next2; };
  const Case cases[] = {
      {astro::kSun, 9.5, 10.5, 11},
      {astro::kMoon, 349, 1, 7},            // forward across 0
      {astro::kPluto, 359.985, 0.035, 0.06},  // backward across 0
      {astro::kNorthNode, 100, 100, 100},  // no mean motion: unchanged
      {astro::kMars, 77, 77, 77},          // missing at t: left alone
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(prev[c.obj], c.prev, 1e-9) << c.obj;
    EXPECT_NEAR(next[c.obj], c.next, 1e-9) << c.obj;
    EXPECT_NEAR(next2[c.obj], c.next2, 1e-9) << c.obj;
  }
}

TEST_F(StencilRows, ChartsGetOnlyTheirLongitudesReplaced) {
  astro::ChartData t, p, n, n2;
  for (int k = 0; k < astro::kObjectCount; ++k) t.Lon(k) = at_t[k];
  p.Object[astro::kDeclination][astro::kSun] = 12.5;
  MeanMotionStencil(t, 1, p, n, n2);
  EXPECT_NEAR(p.Lon(astro::kMoon), 343, 1e-9);
  EXPECT_NEAR(n2.Lon(astro::kSun), 12, 1e-9);
  EXPECT_EQ(p.Object[astro::kDeclination][astro::kSun], 12.5);
  EXPECT_EQ(p.Lon(astro::kMars), astro::NoValue);

  // The chart at t may also be the one that receives t + step.
  MeanMotionStencil(t, 1, p, t, n2);
  EXPECT_NEAR(t.Lon(astro::kMoon), 7, 1e-9);
  EXPECT_NEAR(p.Lon(astro::kMoon), 343, 1e-9);
  EXPECT_NEAR(n2.Lon(astro::kMoon), 19, 1e-9);
}

TEST_F(StencilRows, SnapshotsGetTheSameStencil) {
  astro::MomentSnapshot t, p, n, n2;
  for (int k = 0; k < astro::kObjectCount; ++k) {
    t.SetLongitude(k, at_t[k]);
    p.SetLongitude(k, astro::NoValue);
  }
  MeanMotionStencil(t, 1, p, n, n2);
  EXPECT_NEAR(p.Longitude(astro::kMoon), 343, 1e-8);
  EXPECT_NEAR(n.Longitude(astro::kMoon), 7, 1e-8);
  EXPECT_NEAR(n2.Longitude(astro::kSun), 12, 1e-8);
  EXPECT_EQ(p.Longitude(astro::kMars), astro::NoValue);

  MeanMotionStencil(t, 1, t, n, n2);  // at t doubles as t - step
  EXPECT_NEAR(t.Longitude(astro::kMoon), 343, 1e-8);
  EXPECT_NEAR(n.Longitude(astro::kMoon), 7, 1e-8);
}

}  // namespace
}  // namespace sd::eval
