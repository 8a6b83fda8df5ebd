#include "model/conditions.h"

#include <cmath>
#include <cstring>

#include "astro/calendar.h"
#include "astro/dignities.h"
#include "astro/houses.h"

namespace sd::model {

namespace {

const MomentSnapshot* SnapshotOf(Snapshots snaps, int chart) {
  if (chart < 1 || static_cast<size_t>(chart) > snaps.size()) return nullptr;
  return snaps[static_cast<size_t>(chart - 1)];
}

// Longitude of the object in chart k, NoValue when it has none there.
double LongitudeIn(int object, int chart, Snapshots snaps, const ChartData& natal) {
  if (object < 0 || object >= kObjectCount) return NoValue;
  if (chart == 0) return natal.Object[kLongitude][object];
  const MomentSnapshot* s = SnapshotOf(snaps, chart);
  return s ? s->Longitude(object) : NoValue;
}

double PhaseAngleIn(int object, int chart, Snapshots snaps, const ChartData& natal) {
  if (object < 0 || object >= kPlanetCount) return NoValue;
  if (chart == 0) return natal.Planet[kPhaseAngle][object];
  const MomentSnapshot* s = SnapshotOf(snaps, chart);
  return s ? s->PhaseAngle(object) : NoValue;
}

double MundaneIn(int object, int chart, Snapshots snaps, const ChartData& natal) {
  if (object < 0 || object >= kPlanetCount) return NoValue;
  if (chart == 0) return natal.Planet[kMundanePosition][object];
  const MomentSnapshot* s = SnapshotOf(snaps, chart);
  return s ? s->MundanePosition(object) : NoValue;
}

bool IsPlanetNoMoon(int n) { return n == 0 || (n >= 2 && n <= 9); }

// Present in chart k and, for coordinates 7 and 8, with the further value those need.
bool PresentWithCoordinate(int object, int chart, int coordinate, Snapshots snaps,
                           const ChartData& natal) {
  if (!PresentInChart(object, chart, snaps, natal)) return false;
  if (coordinate == 7) return IsValue(PhaseAngleIn(object, chart, snaps, natal));
  if (coordinate == 8) return IsValue(MundaneIn(object, chart, snaps, natal));
  return true;
}

bool AllPresentInMode(const ObjectSet& s, int mode, Snapshots snaps, const ChartData& natal) {
  for (int n = 0; n < kObjectCount; ++n)
    if (s.Has(n) && !PresentInMode(n, mode, snaps, natal)) return false;
  return true;
}

ObjectSet Pair(int a, int b) {
  ObjectSet s;
  s.Add(a);
  s.Add(b);
  return s;
}

}  // namespace

bool CoordinateAllows(int coordinate, int n) {
  switch (coordinate & 127) {
    case 0: case 5: case 10: return true;
    case 1: case 3: case 4: case 6: case 8: case 13: return n >= 0 && n <= 9;
    case 2: return IsPlanetNoMoon(n) || n == kNorthNode || n == kCompositePoint;
    case 7: case 11: return n >= 1 && n <= 9;
    case 9: return n >= 2 && n <= 9;
    case 12: return IsPlanetNoMoon(n);
    default: return false;
  }
}

bool CoordinateAllowsAll(int coordinate, const ObjectSet& s) {
  for (int n = 0; n < kObjectCount; ++n)
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

bool PresentInChart(int object, int chart, Snapshots snaps, const ChartData& natal) {
  if (object < 0 || object >= kObjectCount) return false;
  if (chart == 0) return natal.ObjectOn[static_cast<size_t>(object)] != 0;
  return IsValue(LongitudeIn(object, chart, snaps, natal));
}

bool PresentInMode(int object, int mode, Snapshots snaps, const ChartData& natal) {
  if (mode != 0 && mode != 1) return true;
  return PresentInChart(object, mode, snaps, natal);
}

bool EventCondition(const FactorRecord& rec, Snapshots snaps, const ChartData& natal) {
  const EvKindPart& k = rec.Def.K;
  const int o1 = rec.Obj[0], o2 = rec.Obj[1], o3 = rec.Obj[2];
  auto in_chart = [&](int obj, int chart) { return PresentInChart(obj, chart, snaps, natal); };
  auto in_mode = [&](int obj, int mode) { return PresentInMode(obj, mode, snaps, natal); };

  switch (rec.Def.Kind) {
    case 0: return in_chart(o1, k.k0.P0) && CoordinateAllows(k.k0.P4, o1);
    case 1: return in_chart(o1, k.k1.V0) && CoordinateAllows(k.k1.V5, o1);
    case 2: {
      const int c = k.k2.V7;
      if (!CoordinateAllows(c, o1) || !CoordinateAllows(c, o2)) return false;
      if (!PresentWithCoordinate(o1, k.k2.A0, c, snaps, natal)) return false;
      if (!PresentWithCoordinate(o2, k.k2.A3, c, snaps, natal)) return false;
      // Qualifiers speak of signs and houses, which only some coordinates have.
      const bool positional = c == 0 || c == 1 || c == 2 || c == 3 || c == 8 || c == 13;
      if (!positional) {
        Qualifier a = k.k2.A11, b = k.k2.A44;
        if (QualifierActive(a) || QualifierActive(b)) return false;
      }
      return true;
    }
    case 3: {
      if (!in_chart(o1, k.k3.M0) || !in_chart(o2, k.k3.M0) || !in_chart(o3, k.k3.M4)) return false;
      ObjectSet s = Pair(o1, o2);
      s.Add(o3);
      return CoordinateAllowsAll(k.k3.M7, s);
    }
    case 4: return in_chart(o1, k.k4.C0) && CoordinateAllows(k.k4.C3, o1);
    case 5: return in_chart(o1, k.k5.V1) && CoordinateAllows(k.k5.V3, o1);
    case 6:
      return in_chart(k.k6.D2, k.k6.D1) && in_chart(o1, k.k6.D1) &&
             CoordinateAllowsAll(k.k6.D4, Pair(k.k6.D2, o1));
    case 7: return in_chart(kSun, k.k7.F1) && in_chart(kMoon, k.k7.F1) && in_chart(k.k7.F0, k.k7.F1);
    case 8: {
      const int c = k.k8.AN7;
      if (!CoordinateAllowsAll(c, Pair(o1, o2))) return false;
      if (!in_chart(o1, k.k8.AN1) || !in_chart(o2, k.k8.AN3)) return false;
      if (c == 7) {
        const int objs[2] = {o1, o2};
        const int charts[2] = {k.k8.AN1, k.k8.AN3};
        for (int i = 0; i < 2; ++i) {
          const bool needs = charts[i] == 0 || (objs[i] >= 1 && objs[i] <= 9);
          if (needs && !IsValue(PhaseAngleIn(objs[i], charts[i], snaps, natal))) return false;
        }
      }
      return true;
    }
    case 9: return o1 >= 1 && o1 <= 9 && in_chart(o1, k.k9.O1);
    case 10: {
      const ObjectSet& s = rec.Second;
      if (k.k10.F7 == 1) {
        for (int n = 0; n <= ObjectSet::kMaxMember; ++n)
          if (s.Has(n) && !IsPlanetNoMoon(n)) return false;
        if (!IsPlanetNoMoon(o1)) return false;
      }
      if (!in_chart(o1, k.k10.F1)) return false;
      for (int n = 0; n < kObjectCount; ++n)
        if (s.Has(n) && !in_chart(n, k.k10.F3)) return false;
      return true;
    }
    case 11: return in_chart(o1, k.k11.LR1) && in_chart(k.k11.LR4, k.k11.LR3);
    case 12:
      return in_chart(o1, k.k12.BT1) && in_chart(k.k12.BT4, k.k12.BT3) && in_chart(k.k12.BT5, k.k12.BT3);
    case 13: {
      const int a = o1, b = k.k13.CT4;
      if (!in_chart(a, k.k13.CT1) || !in_chart(b, k.k13.CT3)) return false;
      switch (k.k13.CT0) {
        case 1: return IsPlanetNoMoon(a) && IsPlanetNoMoon(b);
        case 2: return a >= 1 && a <= 9 && b >= 1 && b <= 9;
        case 3: return a < 10 && b < 10;
        default: return true;
      }
    }
    case 15: {
      ObjectSet s = k.k15.VC1;
      s.Add(kMoon);
      return AllPresentInMode(s, k.k15.VC0, snaps, natal);
    }
    case 16: {
      const int p1 = k.k16.PT1, p2 = k.k16.PT2, p3 = k.k16.PT3, p8 = o1;
      bool ok = true;
      switch (k.k16.PT9) {
        case 0: ok = in_chart(p1, 1) && in_chart(p2, 1) && in_chart(p3, 1) && in_chart(p8, 0); break;
        case 1: ok = in_chart(p1, 0) && in_chart(p2, 0) && in_chart(p3, 0) && in_chart(p8, 1); break;
        case 2: ok = in_chart(p1, 1) && in_chart(p2, 1) && in_chart(p3, 1) && in_chart(p8, 1); break;
        case 3: ok = in_chart(p1, 0) && in_chart(p2, 0) && in_chart(p3, 0) && in_chart(p8, 0); break;
        default: break;
      }
      if (!ok) return false;
      ObjectSet s = Pair(p1, p2);
      s.Add(p3);
      s.Add(p8);
      return CoordinateAllowsAll(k.k16.PT12, s);
    }
    case 17: return in_mode(k.k17.FPB2, k.k17.FPB1) && in_mode(k.k17.FPB3, k.k17.FPB1);
    case 18: {
      // With "IPL4" = 0 the object checked is the number in the first byte of the stored
      // "IPL5" set, as the event record has always been read.
      if (k.k18.IPL4 == 0 && !in_mode(k.k18.IPL5.bits[0], k.k18.IPL1)) return false;
      return in_mode(kAscendant, k.k18.IPL3);
    }
    case 19: return in_mode(k.k19.ZR2, k.k19.ZR1) && in_mode(k.k19.ZR3, k.k19.ZR1);
    case 20: return in_mode(kAscendant, k.k20.HR1);
    case 21: return in_mode(kAscendant, k.k21.RS1A);
    case 22: {
      ObjectSet s;
      ShortText<15> text = k.k22.MM3;
      std::string_view t = text.View();
      for (size_t i = 2; i < t.size(); i += 3) {
        const int code = static_cast<unsigned char>(t[i]);
        if (code > 64) s.Add(code - 65);
      }
      return AllPresentInMode(s, k.k22.MM1, snaps, natal);
    }
    case 24: return in_mode(o1, k.k24.PD1);
    case 25: return in_mode(kMoon, k.k25.MA1);
    case 26: return in_mode(o1, k.k26.ATA4);
    case 27: return in_mode(o1, k.k27.ZA1) && in_mode(o2, k.k27.ZA4);
    case 30: {
      const int sub = k.k30.NEV1;
      if (sub != 1 && sub != 2 && sub != 3 && sub != 5) return true;
      for (int n = 0; n <= 9; ++n)
        if (n != kMoon && !in_mode(n, k.k30.NEV2)) return false;
      return true;
    }
    case 31: {
      const int a = k.k31.NUMANGL2, b = k.k31.NUMANGL3;
      return CoordinateAllows(k.k31.NUMANGL4, a) && CoordinateAllows(k.k31.NUMANGL4, b) &&
             in_mode(a, k.k31.NUMANGL1) && in_mode(b, k.k31.NUMANGL1);
    }
    default: return true;
  }
}

bool QualifierTest(int n, int k, const Qualifier& q, int coordinate, Snapshots companion_snaps,
                   Snapshots snaps, const ChartData& companion_natal, const ChartData& natal) {
  if (!QualifierActive(q)) return true;
  const bool all = q.AllConditions == 1;
  const bool neutral = all;
  const bool want_signs = !Qualifier::Empty(q.Signs);

  auto sign_condition = [&](double lon) {
    if (!want_signs) return neutral;
    if (!IsValue(lon) || !std::isfinite(lon)) return false;
    const int sign = SignOf(lon);
    return sign >= 1 && sign <= 12 && Qualifier::Bit(q.Signs, sign);
  };

  // Coordinates 1 and 2 have signs of their own and nothing else.
  if (coordinate == 1 || coordinate == 2) {
    double lon = NoValue;
    if (n >= 0 && n < kPlanetCount && coordinate == 1) {
      if (k == 0) lon = natal.Planet[kRightAscension][n];
      else if (const MomentSnapshot* s = SnapshotOf(snaps, k)) lon = s->RightAscension(n);
    } else if (n >= 0 && n < kObjectCount && coordinate == 2) {
      if (k == 0) lon = natal.Object[kHelioLongitude][n];
      else if (const MomentSnapshot* s = SnapshotOf(snaps, k)) lon = s->HelioLongitude(n);
    }
    return sign_condition(lon);
  }

  const double lon = LongitudeIn(n, k, snaps, natal);

  // A longitude row of cusps: the snapshot's when the source index is set (and the object's
  // chart is a snapshot), else the natal chart's.
  double snap_row[kObjectCount];
  const double* natal_row = natal.Object[kLongitude];
  const MomentSnapshot* own = SnapshotOf(snaps, k);
  bool snap_row_ready = false;
  auto cusp_row = [&](int source) -> const double* {
    if (source == 0 || k == 0 || own == nullptr) return natal_row;
    if (!snap_row_ready) {
      // Only the cusps are read from this row.
      for (int i = 0; i < kObjectCount; ++i) snap_row[i] = NoValue;
      for (int h = 1; h <= 12; ++h) snap_row[CuspObject(h)] = own->Longitude(CuspObject(h));
      snap_row_ready = true;
    }
    return snap_row;
  };
  auto all_known = [](const double* row) {
    for (int h = 1; h <= 12; ++h)
      if (!IsValue(row[CuspObject(h)])) return false;
    return true;
  };

  const bool sign_ok = sign_condition(lon);

  bool house_ok = neutral;
  if (!Qualifier::Empty(q.Houses)) {
    const double* row = cusp_row(q.HouseSource);
    if (all_known(row)) {
      const int h = IsValue(lon) ? HouseOfCusps(row, lon) : 0;
      house_ok = h >= 1 && h <= 12 && Qualifier::Bit(q.Houses, h);
    }
  }

  bool ruled_ok = neutral;
  if (!Qualifier::Empty(q.RuledHouses)) {
    const double* row = cusp_row(q.RuledSource);
    if (all_known(row)) {
      ObjectSet rulers;
      for (int h = 1; h <= 12; ++h) {
        if (!Qualifier::Bit(q.RuledHouses, h)) continue;
        const double cusp = row[CuspObject(h)];
        const int sign = SignOf(cusp);
        if (sign >= 1 && sign <= 12) rulers |= DignitySets[sign - 1].RulerSet;
      }
      ruled_ok = rulers.Has(n) != (q.Negate == 1);
    }
  }

  bool motion_ok = neutral;
  if (q.Motion != 0) {
    double now = lon, other = NoValue;
    if (k == 0) {
      other = LongitudeIn(n, 0, companion_snaps, companion_natal);
    } else {
      other = LongitudeIn(n, k, companion_snaps, natal);
    }
    motion_ok = false;
    if (IsValue(now) && IsValue(other)) {
      double d = std::fmod(other - now, 360.0);
      if (d <= -180.0) d += 360.0;
      if (d > 180.0) d -= 360.0;
      motion_ok = q.Motion == 1 ? d >= 0 : (q.Motion == 2 ? d < 0 : false);
    }
  }

  if (all) return sign_ok && house_ok && ruled_ok && motion_ok;
  return sign_ok || house_ok || ruled_ok || motion_ok;
}

}  // namespace sd::model
