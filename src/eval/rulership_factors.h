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

using LongitudeRow = std::array<double, kObjectCount>;
using RowView = std::span<const double, kObjectCount>;

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

// The event level of kinds 17, 20, 24: the candidate loop inside the frame of event_frame.h.
void ScoreKind17(KindContext& ctx);
void ScoreKind20(KindContext& ctx);
void ScoreKind24(KindContext& ctx);

}  // namespace sd::eval
