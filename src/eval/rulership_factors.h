#pragma once
// Tests of order, rulership and dignity within one chart, on a copied longitude row of
// kObjectCount entries (objects 0..39, house cusps 1..12 at objects 18..29). NoValue entries are
// absent. Events of kinds 17, 20 and 24 score through these; cluster_factors.h reads the same rows.
#include <array>
#include <span>

#include "astro/chart_data.h"
#include "astro/object_set.h"
#include "eval/event_frame.h"

namespace sd::eval {

using LongitudeRow = std::array<double, astro::kObjectCount>;
using RowView = std::span<const double, astro::kObjectCount>;

// The longitude row of the chart an event's selector names: 0 the natal chart at the moment,
// 1 the moment's transit snapshot; any other selector names no chart (every entry NoValue).
LongitudeRow SelectedLongitudes(const KindContext& ctx, int selector);
// The heliocentric longitudes of the same chart.
LongitudeRow SelectedHelioLongitudes(const KindContext& ctx, int selector);

// The planet (0..9, other than r) that stands nearest behind object r, less than 180 degrees
// back; an exact tie goes to the lower planet number. -1 when there is none or r is absent.
int NearestPlanetBehind(RowView lon, int r);

// Whether a ruler of the sign on cusp a stands in house b and a ruler of the sign on cusp b
// stands in house a (houses 1..12). False when either cusp is absent or a house is out of range.
bool HousesInMutualReception(RowView lon, int a, int b);

// The essential dignity (kDignityRuler .. kDignityFall) of object n in the row, by the sign of
// its longitude (scheme 0) or by the house it stands in (scheme 1); kDignityNone when it has
// none, its longitude is absent or the scheme is neither.
int DignityByScheme(int scheme, int n, RowView lon);

// The event level: the candidate loops inside the frame of event_frame.h.

// Kind 17: 1 when the planet is the one nearest behind the reference. Model guide (docs/model-
// format.md): "Order, rulership and dignity (kinds 17, 20, 24)". Reads, by file key and field:
//   FPB1 Chart     chart: 0 natal, 1 transit
//   FPB2 Reference the reference object (any object number)
//   FPB3 Trailing  the planet expected to trail it
void ScoreTrailingPlanet(KindContext& ctx);

// Kind 20: 1 when the rulers of the two houses stand each in the other's house. Model guide
// (docs/model-format.md): "Order, rulership and dignity (kinds 17, 20, 24)". Reads, by file key
// and field:
//   HR1 Chart       chart of both the houses and the planets
//   HR2 FirstHouse  the two houses, 1..12
//   HR3 SecondHouse the two houses, 1..12
void ScoreHousesInMutualReception(KindContext& ctx);

// Kind 24: each object in the wanted dignity adds 1. Model guide (docs/model-format.md): "Order,
// rulership and dignity (kinds 17, 20, 24)". Reads, by file key and field:
//   PD1 Chart     chart
//   PD2 DignityBy 0 dignity by the sign the object is in, 1 by the house it is in (house 1 read as
//                 Aries, house 2 as Taurus, ...); anything else never scores
//   PD3 Dignity   the dignity asked for: 0 rulership, 1 exaltation, 2 detriment, 3 fall
//   PD4 Objects   objects to test (0..39)
void ScoreDignity(KindContext& ctx);

}  // namespace sd::eval
