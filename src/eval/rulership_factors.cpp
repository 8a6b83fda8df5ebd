// Order and rulership within one chart: the planet nearest behind an object (kind 17), houses in
// mutual reception (kind 20) and essential dignity by sign or house (kind 24).
#include "eval/rulership_factors.h"

#include "astro/angles.h"
#include "astro/aspects.h"
#include "astro/dignities.h"
#include "astro/houses.h"

namespace sd::eval {

namespace {

LongitudeRow Absent() {
  LongitudeRow row;
  row.fill(astro::NoValue);
  return row;
}

// A snapshot keeps its rows packed; the readers unpack one entry each.
template <typename Read>
LongitudeRow Row(Read read) {
  LongitudeRow row;
  for (int n = 0; n < astro::kObjectCount; ++n) row[n] = read(n);
  return row;
}

bool PlanetInHouse(RowView lon, int planet, int house) {
  return astro::IsValue(lon[planet]) && astro::HouseOfCusps(lon.data(), lon[planet]) == house;
}

// Some ruler of the sign on `cusp` stands in `house`.
bool RulerStandsIn(RowView lon, double cusp, int house) {
  const int sign = astro::SignOf(cusp);
  if (sign < 1 || sign > 12) return false;
  const astro::ObjectSet& rulers = astro::DignitySets[sign - 1].RulerSet;
  for (int p = 0; p < astro::kPlanetCount; ++p)
    if (rulers.Has(p) && PlanetInHouse(lon, p, house)) return true;
  return false;
}

}  // namespace

LongitudeRow SelectedLongitudes(const KindContext& ctx, int selector) {
  if (selector == 0) {
    const astro::ChartData& natal = ctx.NatalAt(kAt);
    return Row([&](int n) { return natal.Object[astro::kLongitude][n]; });
  }
  if (selector == 1) {
    const astro::MomentSnapshot& snap = ctx.TransitAt(kAt);
    return Row([&](int n) { return snap.Longitude(n); });
  }
  return Absent();
}

LongitudeRow SelectedHelioLongitudes(const KindContext& ctx, int selector) {
  if (selector == 0) {
    const astro::ChartData& natal = ctx.NatalAt(kAt);
    return Row([&](int n) { return natal.Object[astro::kHelioLongitude][n]; });
  }
  if (selector == 1) {
    const astro::MomentSnapshot& snap = ctx.TransitAt(kAt);
    return Row([&](int n) { return snap.HelioLongitude(n); });
  }
  return Absent();
}

int NearestPlanetBehind(RowView lon, int r) {
  if (r < 0 || r >= astro::kObjectCount || !astro::IsValue(lon[r])) return -1;
  int found = -1;
  double best = 10000.0;
  for (int i = 0; i < astro::kPlanetCount; ++i) {
    if (i == r || !astro::IsValue(lon[i])) continue;
    // How far r is ahead of planet i, in (-180, 180].
    const double d = astro::SignedDifference(lon[r], lon[i]);
    if (d > 0 && d < best) {
      found = i;
      best = d;
    }
  }
  return found;
}

bool HousesInMutualReception(RowView lon, int a, int b) {
  if (a < 1 || a > 12 || b < 1 || b > 12) return false;
  const double ca = lon[astro::CuspObject(a)], cb = lon[astro::CuspObject(b)];
  if (!astro::IsValue(ca) || !astro::IsValue(cb)) return false;
  return RulerStandsIn(lon, ca, b) && RulerStandsIn(lon, cb, a);
}

int DignityByScheme(int scheme, int n, RowView lon) {
  if (n < 0 || n >= astro::kObjectCount) return astro::kDignityNone;
  const double x = lon[n];
  if (!astro::IsValue(x)) return astro::kDignityNone;
  if (scheme == 0) return astro::SignDignity(n, x);
  if (scheme == 1) return astro::HouseDignity(n, lon, x);
  return astro::kDignityNone;
}

void ScoreTrailingPlanet(KindContext& ctx) {
  const model::EvKind17& ev = ctx.Def().K.k17;
  if (!ctx.Admit({})) return;
  const LongitudeRow lon = SelectedLongitudes(ctx, ev.Chart);
  const int e = ev.Trailing;
  // The expected planet must itself be in the chart: an absent one is never "found".
  if (e >= astro::kObjectCount || !astro::IsValue(lon[e])) return;
  if (NearestPlanetBehind(lon, ev.Reference) == e) ctx.Hit(1.0);
}

void ScoreHousesInMutualReception(KindContext& ctx) {
  const model::EvKind20& ev = ctx.Def().K.k20;
  if (!ctx.Admit({})) return;
  const LongitudeRow lon = SelectedLongitudes(ctx, ev.Chart);
  if (HousesInMutualReception(lon, ev.FirstHouse, ev.SecondHouse)) ctx.Hit(1.0);
}

void ScoreDignity(KindContext& ctx) {
  const model::EvKind24& ev = ctx.Def().K.k24;
  const astro::ObjectSet objects = ev.Objects;
  const uint8_t scheme = ev.DignityBy, wanted = ev.Dignity, selector = ev.Chart;
  bool have_row = false;
  LongitudeRow lon{};
  for (int n = 0; n < astro::kObjectCount; ++n) {
    if (!objects.Has(n) || !ctx.Admit({n})) continue;
    if (!have_row) {
      lon = SelectedLongitudes(ctx, selector);
      have_row = true;
    }
    if (DignityByScheme(scheme, n, lon) == wanted) ctx.Hit(1.0);
  }
}

}  // namespace sd::eval
