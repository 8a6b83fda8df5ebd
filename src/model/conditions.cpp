#include "model/conditions.h"

#include <cmath>
#include <cstring>

#include "astro/angles.h"
#include "astro/dignities.h"
#include "astro/houses.h"

namespace sd::model {

namespace {

const astro::MomentSnapshot* SnapshotOf(Snapshots snaps, int chart) {
  if (chart < 1 || static_cast<size_t>(chart) > snaps.size()) return nullptr;
  return snaps[static_cast<size_t>(chart - 1)];
}

// Longitude of the object in chart k, NoValue when it has none there.
double LongitudeIn(int object, int chart, Snapshots snaps, const astro::ChartData& natal) {
  if (object < 0 || object >= astro::kObjectCount) return astro::NoValue;
  if (chart == 0) return natal.Object[astro::kLongitude][object];
  const astro::MomentSnapshot* s = SnapshotOf(snaps, chart);
  return s ? s->Longitude(object) : astro::NoValue;
}

double PhaseAngleIn(int object, int chart, Snapshots snaps, const astro::ChartData& natal) {
  if (object < 0 || object >= astro::kPlanetCount) return astro::NoValue;
  if (chart == 0) return natal.Planet[astro::kPhaseAngle][object];
  const astro::MomentSnapshot* s = SnapshotOf(snaps, chart);
  return s ? s->PhaseAngle(object) : astro::NoValue;
}

double MundaneIn(int object, int chart, Snapshots snaps, const astro::ChartData& natal) {
  if (object < 0 || object >= astro::kPlanetCount) return astro::NoValue;
  if (chart == 0) return natal.Planet[astro::kMundanePosition][object];
  const astro::MomentSnapshot* s = SnapshotOf(snaps, chart);
  return s ? s->MundanePosition(object) : astro::NoValue;
}

bool IsPlanetNoMoon(int n) { return n == 0 || (n >= 2 && n <= 9); }

// Present in chart k and, for coordinates 7 and 8, with the further value those need.
bool PresentWithCoordinate(int object, int chart, int coordinate, Snapshots snaps,
                           const astro::ChartData& natal) {
  if (!PresentInChart(object, chart, snaps, natal)) return false;
  if (coordinate == 7) return astro::IsValue(PhaseAngleIn(object, chart, snaps, natal));
  if (coordinate == 8) return astro::IsValue(MundaneIn(object, chart, snaps, natal));
  return true;
}

bool AllPresentInMode(const astro::ObjectSet& s, int mode, Snapshots snaps, const astro::ChartData& natal) {
  for (int n = 0; n < astro::kObjectCount; ++n)
    if (s.Has(n) && !PresentInMode(n, mode, snaps, natal)) return false;
  return true;
}

astro::ObjectSet Pair(int a, int b) {
  astro::ObjectSet s;
  s.Add(a);
  s.Add(b);
  return s;
}

}  // namespace

bool CoordinateAllows(int coordinate, int n) {
  switch (coordinate & 127) {
    case 0: case 5: case 10: return true;
    case 1: case 3: case 4: case 6: case 8: case 13: return n >= 0 && n <= 9;
    case 2: return IsPlanetNoMoon(n) || n == astro::kNorthNode || n == astro::kCompositePoint;
    case 7: case 11: return n >= 1 && n <= 9;
    case 9: return n >= 2 && n <= 9;
    case 12: return IsPlanetNoMoon(n);
    default: return false;
  }
}

bool CoordinateAllowsAll(int coordinate, const astro::ObjectSet& s) {
  for (int n = 0; n < astro::kObjectCount; ++n)
    if (s.Has(n) && !CoordinateAllows(coordinate, n)) return false;
  return true;
}

bool QualifierActive(const Qualifier& q) {
  return !Qualifier::Empty(q.Signs) || !Qualifier::Empty(q.Houses) ||
         !Qualifier::Empty(q.RuledHouses) || q.Motion != 0;
}

bool QualifiersEqual(const Qualifier& a, const Qualifier& b) {
  if (std::memcmp(&a, &b, sizeof(Qualifier)) == 0) return true;
  return !QualifierActive(a) && !QualifierActive(b);
}

bool PresentInChart(int object, int chart, Snapshots snaps, const astro::ChartData& natal) {
  if (object < 0 || object >= astro::kObjectCount) return false;
  if (chart == 0) return natal.ObjectOn[static_cast<size_t>(object)] != 0;
  return astro::IsValue(LongitudeIn(object, chart, snaps, natal));
}

bool PresentInMode(int object, int mode, Snapshots snaps, const astro::ChartData& natal) {
  if (mode != 0 && mode != 1) return true;
  return PresentInChart(object, mode, snaps, natal);
}

namespace {

// Presence of objects in the charts one event reads: 0 the natal chart, 1.. the snapshots.
struct Presence {
  Snapshots snaps;
  const astro::ChartData& natal;
  bool InChart(int obj, int chart) const { return PresentInChart(obj, chart, snaps, natal); }
  bool InMode(int obj, int mode) const { return PresentInMode(obj, mode, snaps, natal); }
};

// Kind 2: both objects in their charts with the coordinate's values; qualifiers only where the
// coordinate has signs and houses.
bool AspectCondition(const FactorRecord& rec, const Presence& p) {
  const EvKindPart& k = rec.Def.K;
  const int c = k.k2.Coordinate, o1 = rec.Obj[0], o2 = rec.Obj[1];
  if (!CoordinateAllows(c, o1) || !CoordinateAllows(c, o2)) return false;
  if (!PresentWithCoordinate(o1, k.k2.FirstChart, c, p.snaps, p.natal)) return false;
  if (!PresentWithCoordinate(o2, k.k2.SecondChart, c, p.snaps, p.natal)) return false;
  // Qualifiers speak of signs and houses, which only some coordinates have.
  const bool positional = c == 0 || c == 1 || c == 2 || c == 3 || c == 8 || c == 13;
  if (!positional) {
    Qualifier a = k.k2.FirstQualifier, b = k.k2.SecondQualifier;
    if (QualifierActive(a) || QualifierActive(b)) return false;
  }
  return true;
}

// Kind 3: the pair in one chart, the third object in another.
bool MidpointCondition(const FactorRecord& rec, const Presence& p) {
  const EvKindPart& k = rec.Def.K;
  const int o1 = rec.Obj[0], o2 = rec.Obj[1], o3 = rec.Obj[2];
  if (!p.InChart(o1, k.k3.PairChart) || !p.InChart(o2, k.k3.PairChart) || !p.InChart(o3, k.k3.ThirdChart)) return false;
  astro::ObjectSet s = Pair(o1, o2);
  s.Add(o3);
  return CoordinateAllowsAll(k.k3.Coordinate, s);
}

// Kind 8: with the phase-angle coordinate, each object needs its phase angle.
bool AngleCondition(const FactorRecord& rec, const Presence& p) {
  const EvKindPart& k = rec.Def.K;
  const int c = k.k8.Coordinate, o1 = rec.Obj[0], o2 = rec.Obj[1];
  if (!CoordinateAllowsAll(c, Pair(o1, o2))) return false;
  if (!p.InChart(o1, k.k8.FirstChart) || !p.InChart(o2, k.k8.SecondChart)) return false;
  if (c == 7) {
    const int objs[2] = {o1, o2};
    const int charts[2] = {k.k8.FirstChart, k.k8.SecondChart};
    for (int i = 0; i < 2; ++i) {
      const bool needs = charts[i] == 0 || (objs[i] >= 1 && objs[i] <= 9);
      if (needs && !astro::IsValue(PhaseAngleIn(objs[i], charts[i], p.snaps, p.natal))) return false;
    }
  }
  return true;
}

// Kind 10: the object and every member of the second set present; with F7 = 1 planets only,
// the Moon left out.
bool ObjectAndSetCondition(const FactorRecord& rec, const Presence& p) {
  const EvKindPart& k = rec.Def.K;
  const int o1 = rec.Obj[0];
  const astro::ObjectSet& s = rec.Second;
  if (k.k10.F7 == 1) {
    for (int n = 0; n <= astro::ObjectSet::kMaxMember; ++n)
      if (s.Has(n) && !IsPlanetNoMoon(n)) return false;
    if (!IsPlanetNoMoon(o1)) return false;
  }
  if (!p.InChart(o1, k.k10.F1)) return false;
  for (int n = 0; n < astro::kObjectCount; ++n)
    if (s.Has(n) && !p.InChart(n, k.k10.F3)) return false;
  return true;
}

// Kind 13: both objects present and of the class CT0 names.
bool ObjectClassCondition(const FactorRecord& rec, const Presence& p) {
  const EvKindPart& k = rec.Def.K;
  const int a = rec.Obj[0], b = k.k13.CT4;
  if (!p.InChart(a, k.k13.CT1) || !p.InChart(b, k.k13.CT3)) return false;
  switch (k.k13.CT0) {
    case 1: return IsPlanetNoMoon(a) && IsPlanetNoMoon(b);
    case 2: return a >= 1 && a <= 9 && b >= 1 && b <= 9;
    case 3: return a < 10 && b < 10;
    default: return true;
  }
}

// Kind 16: the three formula objects and the fourth, each in the chart PT9 assigns it.
bool FormulaPointCondition(const FactorRecord& rec, const Presence& p) {
  const EvKindPart& k = rec.Def.K;
  const int p1 = k.k16.Object1, p2 = k.k16.Object2, p3 = k.k16.Object3, p8 = rec.Obj[0];
  bool ok = true;
  switch (k.k16.Charts) {
    case 0: ok = p.InChart(p1, 1) && p.InChart(p2, 1) && p.InChart(p3, 1) && p.InChart(p8, 0); break;
    case 1: ok = p.InChart(p1, 0) && p.InChart(p2, 0) && p.InChart(p3, 0) && p.InChart(p8, 1); break;
    case 2: ok = p.InChart(p1, 1) && p.InChart(p2, 1) && p.InChart(p3, 1) && p.InChart(p8, 1); break;
    case 3: ok = p.InChart(p1, 0) && p.InChart(p2, 0) && p.InChart(p3, 0) && p.InChart(p8, 0); break;
    default: break;
  }
  if (!ok) return false;
  astro::ObjectSet s = Pair(p1, p2);
  s.Add(p3);
  s.Add(p8);
  return CoordinateAllowsAll(k.k16.Coordinate, s);
}

// Kind 22: every object coded in the text (every third character from the third, 'A' = 0)
// present.
bool CodedObjectsCondition(const FactorRecord& rec, const Presence& p) {
  const EvKindPart& k = rec.Def.K;
  astro::ObjectSet s;
  astro::ShortText<15> text = k.k22.MM3;
  std::string_view t = text.View();
  for (size_t i = 2; i < t.size(); i += 3) {
    const int code = static_cast<unsigned char>(t[i]);
    if (code > 64) s.Add(code - 65);
  }
  return AllPresentInMode(s, k.k22.MM1, p.snaps, p.natal);
}

// Kind 30: sub-kinds 1, 2, 3 and 5 need every planet but the Moon.
bool AllPlanetsCondition(const FactorRecord& rec, const Presence& p) {
  const EvKindPart& k = rec.Def.K;
  const int sub = k.k30.NEV1;
  if (sub != 1 && sub != 2 && sub != 3 && sub != 5) return true;
  for (int n = 0; n <= 9; ++n)
    if (n != astro::kMoon && !p.InMode(n, k.k30.NEV2)) return false;
  return true;
}

}  // namespace

bool EventCondition(const FactorRecord& rec, Snapshots snaps, const astro::ChartData& natal) {
  const EvKindPart& k = rec.Def.K;
  const int o1 = rec.Obj[0], o2 = rec.Obj[1];
  const Presence p{snaps, natal};
  auto in_chart = [&](int obj, int chart) { return p.InChart(obj, chart); };
  auto in_mode = [&](int obj, int mode) { return p.InMode(obj, mode); };

  switch (rec.Def.Kind) {
    case 0: return in_chart(o1, k.k0.Chart) && CoordinateAllows(k.k0.Coordinate, o1);
    case 1: return in_chart(o1, k.k1.Chart) && CoordinateAllows(k.k1.Coordinate, o1);
    case 2: return AspectCondition(rec, p);
    case 3: return MidpointCondition(rec, p);
    case 4: return in_chart(o1, k.k4.C0) && CoordinateAllows(k.k4.C3, o1);
    case 5: return in_chart(o1, k.k5.V1) && CoordinateAllows(k.k5.V3, o1);
    case 6:
      return in_chart(k.k6.D2, k.k6.D1) && in_chart(o1, k.k6.D1) &&
             CoordinateAllowsAll(k.k6.D4, Pair(k.k6.D2, o1));
    case 7: return in_chart(astro::kSun, k.k7.Chart) && in_chart(astro::kMoon, k.k7.Chart) && in_chart(k.k7.Object, k.k7.Chart);
    case 8: return AngleCondition(rec, p);
    case 9: return o1 >= 1 && o1 <= 9 && in_chart(o1, k.k9.Chart);
    case 10: return ObjectAndSetCondition(rec, p);
    case 11: return in_chart(o1, k.k11.TestedChart) && in_chart(k.k11.Reference, k.k11.ReferenceChart);
    case 12:
      return in_chart(o1, k.k12.TestedChart) && in_chart(k.k12.FirstReference, k.k12.ReferenceChart) && in_chart(k.k12.SecondReference, k.k12.ReferenceChart);
    case 13: return ObjectClassCondition(rec, p);
    case 15: {
      astro::ObjectSet s = k.k15.Aspected;
      s.Add(astro::kMoon);
      return AllPresentInMode(s, k.k15.Chart, snaps, natal);
    }
    case 16: return FormulaPointCondition(rec, p);
    case 17: return in_mode(k.k17.Reference, k.k17.Chart) && in_mode(k.k17.Trailing, k.k17.Chart);
    case 18:
      // With "IPL4" = 0 the object checked is the number in the first byte of the stored
      // "IPL5" set, as the event record has always been read.
      if (k.k18.Mode == 0 && !in_mode(k.k18.Houses.bits[0], k.k18.ObjectChart)) return false;
      return in_mode(astro::kAscendant, k.k18.HouseChart);
    case 19: return in_mode(k.k19.First, k.k19.Chart) && in_mode(k.k19.Second, k.k19.Chart);
    case 20: return in_mode(astro::kAscendant, k.k20.Chart);
    case 21: return in_mode(astro::kAscendant, k.k21.CuspChart);
    case 22: return CodedObjectsCondition(rec, p);
    case 24: return in_mode(o1, k.k24.Chart);
    case 25: return in_mode(astro::kMoon, k.k25.MA1);
    case 26: return in_mode(o1, k.k26.ATA4);
    case 27: return in_mode(o1, k.k27.ZA1) && in_mode(o2, k.k27.ZA4);
    case 30: return AllPlanetsCondition(rec, p);
    case 31: {
      const int a = k.k31.NUMANGL2, b = k.k31.NUMANGL3;
      return CoordinateAllows(k.k31.NUMANGL4, a) && CoordinateAllows(k.k31.NUMANGL4, b) &&
             in_mode(a, k.k31.NUMANGL1) && in_mode(b, k.k31.NUMANGL1);
    }
    default: return true;
  }
}

namespace {

// The sign part of a qualifier: `neutral` when it names no signs, else whether lon lies in one
// of them.
bool SignQualifier(const Qualifier& q, bool neutral, double lon) {
  if (Qualifier::Empty(q.Signs)) return neutral;
  if (!astro::IsValue(lon) || !std::isfinite(lon)) return false;
  const int sign = astro::SignOf(lon);
  return sign >= 1 && sign <= 12 && Qualifier::Bit(q.Signs, sign);
}

// Right ascension (coordinate 1) or heliocentric longitude (coordinate 2) of object n in chart k.
double OwnSignCoordinate(int n, int k, int coordinate, Snapshots snaps, const astro::ChartData& natal) {
  double lon = astro::NoValue;
  if (n >= 0 && n < astro::kPlanetCount && coordinate == 1) {
    if (k == 0) lon = natal.Planet[astro::kRightAscension][n];
    else if (const astro::MomentSnapshot* s = SnapshotOf(snaps, k)) lon = s->RightAscension(n);
  } else if (n >= 0 && n < astro::kObjectCount && coordinate == 2) {
    if (k == 0) lon = natal.Object[astro::kHelioLongitude][n];
    else if (const astro::MomentSnapshot* s = SnapshotOf(snaps, k)) lon = s->HelioLongitude(n);
  }
  return lon;
}

// A longitude row of cusps: the snapshot's when the source index is set (and the object's chart
// is a snapshot), else the natal chart's. The snapshot's row is copied once, when first asked.
class CuspRows {
 public:
  CuspRows(int k, Snapshots snaps, const astro::ChartData& natal)
      : k_(k), own_(SnapshotOf(snaps, k)), natal_row_(natal.Object[astro::kLongitude]) {}

  const double* Row(int source) {
    if (source == 0 || k_ == 0 || own_ == nullptr) return natal_row_;
    if (!snap_row_ready_) {
      // Only the cusps are read from this row.
      for (int i = 0; i < astro::kObjectCount; ++i) snap_row_[i] = astro::NoValue;
      for (int h = 1; h <= 12; ++h) snap_row_[astro::CuspObject(h)] = own_->Longitude(astro::CuspObject(h));
      snap_row_ready_ = true;
    }
    return snap_row_;
  }

  static bool AllKnown(const double* row) {
    for (int h = 1; h <= 12; ++h)
      if (!astro::IsValue(row[astro::CuspObject(h)])) return false;
    return true;
  }

 private:
  int k_;
  const astro::MomentSnapshot* own_;
  const double* natal_row_;
  double snap_row_[astro::kObjectCount];
  bool snap_row_ready_ = false;
};

// The house part: lon in one of the named houses of the source's cusps.
bool HouseQualifier(const Qualifier& q, bool neutral, double lon, CuspRows& rows) {
  if (Qualifier::Empty(q.Houses)) return neutral;
  const double* row = rows.Row(q.HouseSource);
  if (!CuspRows::AllKnown(row)) return neutral;
  const int h = astro::IsValue(lon) ? astro::HouseOfCusps(row, lon) : 0;
  return h >= 1 && h <= 12 && Qualifier::Bit(q.Houses, h);
}

// The ruled-house part: object n rules the sign on a cusp of one of the named houses (or, with
// Negate, rules none of them).
bool RuledHouseQualifier(const Qualifier& q, bool neutral, int n, CuspRows& rows) {
  if (Qualifier::Empty(q.RuledHouses)) return neutral;
  const double* row = rows.Row(q.RuledSource);
  if (!CuspRows::AllKnown(row)) return neutral;
  astro::ObjectSet rulers;
  for (int h = 1; h <= 12; ++h) {
    if (!Qualifier::Bit(q.RuledHouses, h)) continue;
    const double cusp = row[astro::CuspObject(h)];
    const int sign = astro::SignOf(cusp);
    if (sign >= 1 && sign <= 12) rulers |= astro::DignitySets[sign - 1].RulerSet;
  }
  return rulers.Has(n) != (q.Negate == 1);
}

// The motion part: direct (1) or retrograde (2) from lon to the object's longitude in the
// companion charts.
bool MotionQualifier(const Qualifier& q, bool neutral, int n, int k, double lon, Snapshots companion_snaps,
                     const astro::ChartData& companion_natal, const astro::ChartData& natal) {
  if (q.Motion == 0) return neutral;
  double now = lon, other = astro::NoValue;
  if (k == 0) {
    other = LongitudeIn(n, 0, companion_snaps, companion_natal);
  } else {
    other = LongitudeIn(n, k, companion_snaps, natal);
  }
  if (!astro::IsValue(now) || !astro::IsValue(other)) return false;
  double d = std::fmod(other - now, 360.0);
  if (d <= -180.0) d += 360.0;
  if (d > 180.0) d -= 360.0;
  return q.Motion == 1 ? d >= 0 : (q.Motion == 2 ? d < 0 : false);
}

}  // namespace

bool QualifierTest(int n, int k, const Qualifier& q, int coordinate, Snapshots companion_snaps,
                   Snapshots snaps, const astro::ChartData& companion_natal, const astro::ChartData& natal) {
  if (!QualifierActive(q)) return true;
  const bool all = q.AllConditions == 1;
  // A part the qualifier leaves empty passes when all parts must hold and fails otherwise.
  const bool neutral = all;

  // Coordinates 1 and 2 have signs of their own and nothing else.
  if (coordinate == 1 || coordinate == 2)
    return SignQualifier(q, neutral, OwnSignCoordinate(n, k, coordinate, snaps, natal));

  const double lon = LongitudeIn(n, k, snaps, natal);
  CuspRows rows(k, snaps, natal);
  const bool sign_ok = SignQualifier(q, neutral, lon);
  const bool house_ok = HouseQualifier(q, neutral, lon, rows);
  const bool ruled_ok = RuledHouseQualifier(q, neutral, n, rows);
  const bool motion_ok = MotionQualifier(q, neutral, n, k, lon, companion_snaps, companion_natal, natal);
  if (all) return sign_ok && house_ok && ruled_ok && motion_ok;
  return sign_ok || house_ok || ruled_ok || motion_ok;
}

}  // namespace sd::model
