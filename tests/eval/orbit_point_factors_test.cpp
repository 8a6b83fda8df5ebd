// Orbit point events (kind 9): the drifting perihelia and nodes, and the event scored through
// the event frame on charts placed by hand.
#include "eval/orbit_point_factors.h"

#include <gtest/gtest.h>

#include <memory>

#include "astro/moment.h"
#include "astro/moment_snapshot.h"
#include "eval/event_frame.h"

namespace sd::eval {
namespace {

constexpr int kMoon = 1, kMercury = 2, kVenus = 3, kMars = 4, kNeptune = 8, kPluto = 9;

TEST(OrbitPointLongitude, DriftsFromTheEpochAndStaysOnTheCircle) {
  struct Case {
    int planet, point;
    double t;  // centuries from 1900 January 0.5
    double want;
  };
  const Case cases[] = {
      {kMercury, kPerihelion, 0.5, 76.67},
      {kMercury, kAphelion, 0.5, 256.67},
      {kNeptune, kPerihelion, 0.6, 37.27184527778},     // 38.31 - 1.03815472222
      {kNeptune, kPerihelion, 4.5, 356.7838111112},     // 38.31 - 41.5261888888 wraps below 0
      {kNeptune, kAphelion, 4.5, 176.7838111112},
      {kVenus, kAscendingNode, 1.5, 75.9517805556},     // 76.23 - 0.2782194444
      {kMars, kDescendingNode, 0.5, 229.16},
      {kMars, kDescendingNode, 1.5, 228.8649722222},
      {kPluto, kAphelion, -0.5, 43.9569638889},         // 222.91 + 1.0469638889 + 180, wrapped
  };
  for (const Case& c : cases)
    EXPECT_NEAR(OrbitPointLongitude(c.planet, c.point, astro::ChartMoment(c.t)), c.want, 1e-9)
        << "planet " << c.planet << " point " << c.point << " at " << c.t;

  // Only Mercury..Pluto have orbit points, and only four of them.
  for (int n : {0, kMoon, 10, 18, 30, 39})
    EXPECT_EQ(OrbitPointLongitude(n, kPerihelion, astro::ChartMoment(0.5)), astro::NoValue) << n;
  for (int p : {-1, 4, 5})
    EXPECT_EQ(OrbitPointLongitude(kMercury, p, astro::ChartMoment(0.5)), astro::NoValue) << p;
  EXPECT_EQ(OrbitPointLongitude(kMercury, kPerihelion, astro::kNoMoment), astro::NoValue);
}

TEST(MeetsOrbitPoint, ByOrbAndByCrossing) {
  struct Case {
    double now, next, point, orb;
    bool meets;
    const char* what;
  };
  const Case cases[] = {
      {77.0, 77.0, 76.67, 1.0, true, "0.33 from the point, orb 1"},
      {77.0, 77.0, 76.67, 0.3, false, "orb 0.3"},
      {76.0, 76.0, 76.67, 0.7, true, "behind the point"},
      {359.5, 359.5, 0.3, 1.0, true, "across 0 Aries"},
      {77.0, 77.0, 77.0, -1.0, false, "negative orb"},
      {77.0, 77.0, 78.0, 1.0, false, "exactly one orb away"},
      {76.0, 77.5, 76.67, 0, true, "crossed during the step"},
      {77.5, 76.0, 76.67, 0, true, "crossed backwards"},
      {76.8, 77.5, 76.67, 0, false, "already past"},
      {76.67, 76.67, 76.67, 0, true, "standing on the point, no motion"},
      {77.0, 77.0, 76.67, 0, false, "no motion, off the point"},
      {359.0, 1.0, 0.5, 0, true, "crossing 0 Aries"},
      {359.0, 1.0, 180.5, 0, false, "the long way round is not a crossing"},
      {76.0, astro::NoValue, 76.67, 0, false, "no position after the step"},
      {astro::NoValue, astro::NoValue, 76.67, 1.0, false, "no position"},
      {77.0, 77.0, astro::NoValue, 1.0, false, "no point"},
  };
  for (const Case& c : cases) EXPECT_EQ(MeetsOrbitPoint(c.now, c.next, c.point, c.orb), c.meets) << c.what;
}

// The event level: a natal chart at the orbit epoch and a transit snapshot one century later.
class OrbitPoints : public ::testing::Test {
 protected:
  static constexpr astro::ChartMoment kTransitMoment{1.5};

  void SetUp() override {
    natal_ = std::make_unique<astro::ChartData>();
    natal_after_ = std::make_unique<astro::ChartData>();
    natal_->Moment = natal_after_->Moment = astro::ChartMoment(0.5);
    for (astro::ChartData* c : {natal_.get(), natal_after_.get()})
      for (int n = 0; n < astro::kObjectCount; ++n) c->ObjectOn[n] = 1;
    const auto nothing = std::make_unique<astro::ChartData>();
    FillSnapshot(transit_, *nothing);
    FillSnapshot(transit_after_, *nothing);
  }

  void NatalHelio(int n, double now, double after) {
    natal_->Object[astro::kHelioLongitude][n] = now;
    natal_after_->Object[astro::kHelioLongitude][n] = after;
  }
  // A transit object is present when its geocentric longitude is known.
  void TransitHelio(int n, double now, double after) {
    transit_.SetLongitude(n, 10);
    transit_after_.SetLongitude(n, 10);
    transit_.SetHelioLongitude(n, now);
    transit_after_.SetHelioLongitude(n, after);
  }

  int Hits(int chart, astro::ObjectSet planets, astro::ObjectSet points, double orb) {
    model::EventDef def{};
    def.Kind = 9;
    def.K.k9.Chart = static_cast<uint8_t>(chart);
    def.K.k9.Planets = planets;
    def.K.k9.Points = points;
    def.K.k9.Orb = orb;
    EventInputs in;
    in.Transit[kBefore] = in.Transit[kAt] = &transit_;
    in.Transit[kAfter] = in.Transit[kAfter2] = &transit_after_;
    in.Natal[kBefore] = in.Natal[kAt] = natal_.get();
    in.Natal[kAfter] = in.Natal[kAfter2] = natal_after_.get();
    in.Moment = kTransitMoment;
    in.GridStepDays = 0.5;
    in.NatalMoment = natal_->Moment;
    const EventResult r = EvaluateEvent(def, in);
    EXPECT_EQ(r.Graded, r.Hits) << "one hit adds 1";
    return r.Hits;
  }

  std::unique_ptr<astro::ChartData> natal_, natal_after_;
  astro::MomentSnapshot transit_, transit_after_;
};

TEST_F(OrbitPoints, NatalPlanetsByOrbAndByCrossing) {
  NatalHelio(kMercury, 77.0, 81.0);      // 0.33 past its perihelion 76.67
  NatalHelio(kVenus, 255.0, 256.8);      // passes its descending node 256.23
  NatalHelio(kMars, 155.0, 155.5);       // 0.13 short of its aphelion 155.13
  NatalHelio(kMoon, 76.67, 76.67);       // the Moon has no orbit
  NatalHelio(18, 76.67, 76.67);          // nor has the Ascendant
  const astro::ObjectSet all_points = {0, 1, 2, 3};
  struct Case {
    astro::ObjectSet planets, points;
    double orb;
    int hits;
    const char* what;
  };
  const Case cases[] = {
      {{kMercury}, {kPerihelion}, 1.0, 1, "Mercury near perihelion"},
      {{kMercury}, {kPerihelion}, 0.3, 0, "orb too small"},
      {{kMercury}, {kAphelion, kAscendingNode, kDescendingNode}, 1.0, 0, "other points"},
      {{kMercury}, {kPerihelion}, -1.0, 0, "negative orb"},
      {{kMercury}, {kPerihelion}, 0, 0, "crossing: already past at t"},
      {{kVenus}, {kDescendingNode}, 0, 1, "crossing during the step"},
      {{kVenus}, {kDescendingNode}, 1.0, 0, "1.23 away at t"},
      {{kMars}, {kAphelion}, 0.2, 1, "Mars near aphelion"},
      {{kMercury, kVenus, kMars}, all_points, 1.5, 3, "one point each"},
      {astro::ObjectSet::Range(0, 39), all_points, 1.5, 3, "objects without an orbit never count"},
      {{kMercury, kVenus, kMars}, {4, 5, 6, 200}, 360, 0, "no sub-tests beyond 3 here"},
      {{kMercury}, {}, 1.0, 0, "no sub-test asked"},
  };
  for (const Case& c : cases) EXPECT_EQ(Hits(0, c.planets, c.points, c.orb), c.hits) << c.what;

  // Every sub-test and planet counts once: an orb that takes in the whole circle.
  EXPECT_EQ(Hits(0, astro::ObjectSet::Range(5, kPluto), all_points, 181), 0)
      << "planets without a known heliocentric longitude";
  for (int n = 5; n <= kPluto; ++n) NatalHelio(n, 1, 1);
  EXPECT_EQ(Hits(0, astro::ObjectSet::Range(kMercury, kPluto), all_points, 181), 32);

  // A planet switched off in the natal chart fails the event's condition.
  natal_->ObjectOn[kMercury] = 0;
  EXPECT_EQ(Hits(0, {kMercury}, {kPerihelion}, 1.0), 0);
}

TEST_F(OrbitPoints, TransitPointsDriftToTheMoment) {
  // At the transit moment (one century after the epoch) Mercury's perihelion is 76.8297694.
  TransitHelio(kMercury, 76.9, 80.0);
  EXPECT_EQ(Hits(1, {kMercury}, {kPerihelion}, 0.1), 1);
  // The same longitude in the natal chart is judged against the point of the natal moment.
  NatalHelio(kMercury, 76.9, 80.0);
  EXPECT_EQ(Hits(0, {kMercury}, {kPerihelion}, 0.1), 0);
  EXPECT_EQ(Hits(0, {kMercury}, {kPerihelion}, 0.25), 1);

  // Crossing between the snapshots at t and t + step.
  TransitHelio(kMercury, 76.5, 77.0);
  EXPECT_EQ(Hits(1, {kMercury}, {kPerihelion}, 0), 1);
  TransitHelio(kMercury, 76.5, 76.8);
  EXPECT_EQ(Hits(1, {kMercury}, {kPerihelion}, 0), 0);

  // A planet that the snapshot does not carry is absent.
  EXPECT_EQ(Hits(1, {kVenus}, astro::ObjectSet::Range(0, 3), 360), 0);
  // A selector that names no chart of the evaluation.
  EXPECT_EQ(Hits(2, {kMercury}, astro::ObjectSet::Range(0, 3), 360), 0);
}

}  // namespace
}  // namespace sd::eval
