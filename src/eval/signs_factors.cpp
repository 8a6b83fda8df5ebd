// Sign and house positions (kind 0), mutual reception (kind 19) and midpoints (kind 3): the
// position rules of signs_factors.h and the event loops that read the charts for them.
#include "eval/signs_factors.h"

#include <cmath>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/ayanamsa.h"
#include "astro/chart.h"
#include "astro/dignities.h"
#include "astro/houses.h"
#include "eval/aspect_factor.h"
#include "eval/event_frame.h"
#include "eval/orb_profile.h"

namespace sd::eval {

bool PositionHousesAllowed(int coordinate, bool ingress_mode) {
  if (coordinate == kPositionLongitude || coordinate == kPositionSidereal) return true;
  return ingress_mode && coordinate == kPositionMundane;
}

bool SignOrHouseSucceeds(bool signs_given, bool sign_match, bool houses_given, bool house_match) {
  if (!signs_given && !houses_given) return true;
  if (!signs_given) return house_match;
  if (!houses_given) return sign_match;
  return sign_match || house_match;
}

int IngressDirection(int from, int to) {
  return astro::SignedDifference(30.0 * to, 30.0 * from) >= 0 ? 1 : -1;
}

IngressFound FindIngress(const PlacementAt& now, const PlacementAt& next, const astro::ObjectSet& signs,
                         const astro::ObjectSet& houses) {
  IngressFound f;
  if (now.sign != next.sign && signs.Has(next.sign)) {
    f.sign = true;
    f.direction = IngressDirection(now.sign, next.sign);
  }
  if (now.house != next.house && houses.Has(next.house)) {
    f.house = true;
    f.direction = IngressDirection(now.house, next.house);
  }
  return f;
}

bool IngressDirectionAdmitted(int filter, int direction) {
  if (filter == 0) return true;
  return (filter == 1 && direction == 1) || (filter == 2 && direction == -1);
}

bool InMutualReception(int a, double lon_a, int b, double lon_b) {
  if (!astro::IsValue(lon_a) || !astro::IsValue(lon_b)) return false;
  const int sign_a = astro::SignOf(lon_a), sign_b = astro::SignOf(lon_b);
  if (sign_a < 1 || sign_a > 12 || sign_b < 1 || sign_b > 12) return false;
  return astro::DignitySets[sign_a - 1].RulerSet.Has(b) && astro::DignitySets[sign_b - 1].RulerSet.Has(a);
}

double NearerMidpoint(double x, double y) {
  if (!astro::IsValue(x) || !astro::IsValue(y)) return astro::NoValue;
  double m = (x + y) / 2;
  if (astro::AngularDistance(m - y) > 90) m = astro::NormalizeMod(m + 180, 360);
  return m;
}

double HarmonicMidpoint(double x, double y, int harmonic) {
  const double m = NearerMidpoint(x, y);
  if (harmonic == 1 || !astro::IsValue(m)) return m;
  return astro::NormalizeMod(harmonic * m, 360);
}

double PairMidpoint(int coordinate, double x, double y, int harmonic, bool harmonic_midpoint_mode) {
  if (harmonic_midpoint_mode)
    return HarmonicMidpoint(ApplyHarmonic(coordinate, x, 1), ApplyHarmonic(coordinate, y, 1), harmonic);
  return NearerMidpoint(ApplyHarmonic(coordinate, x, harmonic), ApplyHarmonic(coordinate, y, harmonic));
}

namespace {

// ---- kind 0 ----------------------------------------------------------------------------

// The position an event of kind 0 reads, and the tropical longitude its houses are found from.
struct Placement {
  double position = astro::NoValue;
  double tropical = astro::NoValue;
};

Placement ChartPlacement(int coordinate, const astro::ChartData& chart, int obj, astro::ChartMoment moment) {
  Placement p;
  p.tropical = ChartCoordinate(kCoordLongitude, chart, obj);
  switch (coordinate) {
    case kPositionLongitude:
    case kPositionRightAscension:
    case kPositionHelioLongitude:
    case kPositionMundane:
      p.position = ChartCoordinate(coordinate, chart, obj);
      break;
    case kPositionSidereal: {
      const double ayanamsa = astro::AyanamsaAt(moment);
      if (astro::IsValue(p.tropical) && astro::IsValue(ayanamsa))
        p.position = astro::NormalizeMod(p.tropical - ayanamsa, 360);
      break;
    }
    default:
      break;
  }
  return p;
}

Placement SnapshotPlacement(int coordinate, const astro::MomentSnapshot& snap, int obj,
                            astro::ChartMoment t) {
  Placement p;
  p.tropical = SnapshotCoordinate(kCoordLongitude, snap, obj, t);
  switch (coordinate) {
    case kPositionLongitude:
    case kPositionRightAscension:
    case kPositionHelioLongitude:
    case kPositionMundane:
      p.position = SnapshotCoordinate(coordinate, snap, obj, t);
      break;
    case kPositionSidereal: {
      const double ayanamsa = astro::AyanamsaAt(t);
      if (astro::IsValue(p.tropical) && astro::IsValue(ayanamsa))
        p.position = astro::NormalizeMod(p.tropical - ayanamsa, 360);
      break;
    }
    default:
      break;
  }
  return p;
}

// The cusps of a snapshot as a longitude row (cusps at objects 18..29); false when any is unknown.
bool SnapshotCusps(const astro::MomentSnapshot& snap, double (&row)[astro::kObjectCount]) {
  for (int n = 0; n < astro::kObjectCount; ++n) row[n] = snap.Longitude(n);
  for (int h = 1; h <= 12; ++h)
    if (!astro::IsValue(row[astro::kAscendant + h - 1])) return false;
  return true;
}

}  // namespace

void ScoreSignsAndHouses(KindContext& ctx) {
  const model::EvKind0& ev = ctx.Def().K.k0;
  const bool ingress_mode = ctx.Def().CM == 1;
  const int coord = ev.Coordinate;
  const bool signs_given = !ev.Signs.Empty();
  const bool houses_given = !ev.Houses.Empty() && PositionHousesAllowed(coord, ingress_mode);
  const astro::ChartMoment t = ctx.In->Moment;
  // A natal object follows the natal stencil unless the event filters the ingress direction.
  const bool natal_stencil = ev.IngressDirection == 0 || ctx.In->Options.NatalStencilAlways != 0;
  const astro::ChartData& natal_houses = ctx.NatalAt(kAt);

  // Snapshot cusps at t and t + step, when the event takes its houses from them.
  double cusps_now[astro::kObjectCount] = {}, cusps_next[astro::kObjectCount] = {};
  bool cusps_known = false;
  if (houses_given && ev.CuspChart == 1) {
    cusps_known = SnapshotCusps(ctx.TransitAt(kAt), cusps_now);
    if (ingress_mode) cusps_known = SnapshotCusps(ctx.TransitAt(kAfter), cusps_next) && cusps_known;
  }

  auto placement = [&](int obj, StencilPoint s) {
    if (ev.Chart == 0) {
      const astro::ChartData& c = ctx.NatalAt(natal_stencil ? s : kAt);
      return ChartPlacement(coord, c, obj, ctx.In->NatalMoment);
    }
    return SnapshotPlacement(coord, ctx.TransitAt(s), obj, t);
  };
  auto house_of = [&](const Placement& p, const double* snapshot_cusps) {
    if (!houses_given) return 0;
    // Sidereal positions are housed by their tropical longitude.
    const double x = coord == kPositionSidereal ? p.tropical : p.position;
    if (ev.CuspChart == 0) return HouseOf(natal_houses, x);
    if (ev.CuspChart == 1) return cusps_known ? astro::HouseOfCusps(snapshot_cusps, x) : 0;
    return 0;
  };

  for (int n = 0; n < astro::kObjectCount; ++n) {
    if (!ev.Objects.Has(n) || !ctx.Admit({n})) continue;
    const Placement now = placement(n, kAt);
    // An object without the asked position is absent: it never scores.
    if (!astro::IsValue(now.position)) continue;
    PlacementAt at;
    at.sign = signs_given ? astro::SignOf(now.position) : 0;
    at.house = house_of(now, cusps_now);
    if (!ingress_mode) {
      if (SignOrHouseSucceeds(signs_given, ev.Signs.Has(at.sign), houses_given, ev.Houses.Has(at.house)))
        ctx.Hit(now.position);
      continue;
    }
    const Placement next = placement(n, kAfter);
    if (!astro::IsValue(next.position)) continue;
    PlacementAt after;
    after.sign = signs_given ? astro::SignOf(next.position) : 0;
    after.house = house_of(next, ev.CuspChart == 1 ? cusps_next : cusps_now);
    const IngressFound f = FindIngress(at, after, ev.Signs, houses_given ? ev.Houses : astro::ObjectSet{});
    if (SignOrHouseSucceeds(signs_given, f.sign, houses_given, f.house) &&
        IngressDirectionAdmitted(ev.IngressDirection, f.direction))
      ctx.Hit(now.position);
  }
}

// ---- kind 19 ---------------------------------------------------------------------------

void ScoreMutualReception(KindContext& ctx) {
  const model::EvKind19& ev = ctx.Def().K.k19;
  if (!ctx.Admit({})) return;
  const int a = ev.First, b = ev.Second;
  auto longitude = [&](int obj) {
    if (ev.Chart == 0) return ChartCoordinate(kCoordLongitude, ctx.NatalAt(kAt), obj);
    if (ev.Chart == 1) return SnapshotCoordinate(kCoordLongitude, ctx.TransitAt(kAt), obj, ctx.In->Moment);
    return astro::NoValue;
  };
  const double lon_a = longitude(a), lon_b = longitude(b);
  if (InMutualReception(a, lon_a, b, lon_b)) ctx.Hit(1.0);
}

// ---- kind 3 ----------------------------------------------------------------------------

namespace {

bool FindsAspect(int aspect, double first, double second, double orb) {
  astro::ObjectSet only;
  only.Add(aspect);
  return FirstAspectIn(only, first, second, orb) == aspect;
}

}  // namespace

void ScoreMidpoints(KindContext& ctx) {
  const model::EvKind3& ev = ctx.Def().K.k3;
  const int coord = ev.Coordinate;
  const int harmonic = ev.Harmonic;
  const double orb = ev.Orb;
  const bool exact_mode = ctx.Def().CM == 1;
  const bool same_chart = ev.PairChart == ev.ThirdChart;
  const astro::ChartMoment t = ctx.In->Moment;
  // A natal object keeps still against a transit one unless the caller asks otherwise.
  const bool natal_stencil = (ev.PairChart == 0 && ev.ThirdChart == 0) || ctx.In->Options.NatalStencilAlways != 0;

  auto read = [&](int obj, int chart, StencilPoint s) {
    if (chart == 0) return ChartCoordinate(coord, ctx.NatalAt(natal_stencil ? s : kAt), obj);
    if (chart == 1) return SnapshotCoordinate(coord, ctx.TransitAt(s), obj, t);
    return astro::NoValue;
  };

  int first[astro::kObjectCount], second[astro::kObjectCount], third[astro::kObjectCount],
      aspects[astro::AspectCount];
  int n_first = 0, n_second = 0, n_third = 0, n_aspects = 0;
  for (int n = 0; n < astro::kObjectCount; ++n) {
    if (ev.FirstMembers.Has(n)) first[n_first++] = n;
    if (ev.SecondMembers.Has(n)) second[n_second++] = n;
    if (ev.Third.Has(n)) third[n_third++] = n;
  }
  for (int k = 1; k <= astro::AspectCount; ++k)
    if (ev.Aspects.Has(k)) aspects[n_aspects++] = k;
  if (n_aspects == 0) return;

  for (int fi = 0; fi < n_first; ++fi) {
    const int a = first[fi];
    for (int si = 0; si < n_second; ++si) {
      const int b = second[si];
      // Each unordered pair once, and never an object with itself.
      if (!VisitAspectPair(true, ev.FirstMembers, ev.SecondMembers, a, b)) continue;
      double mid[3];
      bool mid_read = false;
      for (int ti = 0; ti < n_third; ++ti) {
        const int q = third[ti];
        if (same_chart && (q == a || q == b)) continue;
        // The condition depends on the triple only: asked once, before its first aspect.
        if (!ctx.Admit({a, b, q})) continue;
        if (!mid_read) {
          for (int s = kBefore; s <= kAfter; ++s)
            mid[s] = PairMidpoint(coord, read(a, ev.PairChart, static_cast<StencilPoint>(s)),
                                  read(b, ev.PairChart, static_cast<StencilPoint>(s)), harmonic,
                                  kHarmonicMidpointMode);
          mid_read = true;
        }
        double pos[3];
        for (int s = kBefore; s <= kAfter; ++s)
          pos[s] = ApplyHarmonic(coord, read(q, ev.ThirdChart, static_cast<StencilPoint>(s)), harmonic);

        for (int ki = 0; ki < n_aspects; ++ki) {
          const int k = aspects[ki];
          if (k == astro::kConjunction && same_chart && (q == a || q == b)) continue;
          if (exact_mode) {
            AspectFactorParams params;
            params.aspect = k;
            const AspectFactorResult r =
                ExactMomentTest(params, harmonic, {mid[kAt], mid[kAfter], pos[kAt], pos[kAfter]});
            if (r.hit) ctx.Hit(r.strength);
            continue;
          }
          if (!FindsAspect(k, mid[kBefore], pos[kBefore], orb) || !FindsAspect(k, mid[kAt], pos[kAt], orb))
            continue;
          const double signed_orb = astro::SignedAspectOrb(k, mid[kAt], pos[kAt]);
          double strength = astro::IsValue(signed_orb) ? OrbStrength(signed_orb, orb) : 0;
          if (!std::isfinite(strength)) strength = 0;
          ctx.Hit(strength);
        }
      }
    }
  }
}

}  // namespace sd::eval
