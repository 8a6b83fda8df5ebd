// Formula point events (kind 16): the point at each stencil point, the loop over the aspecting
// objects and their aspects, and the hand-over to the aspect tests of aspect_factor.h with the
// point in place of the first object.
#include "eval/formula_factors.h"

#include <iterator>

#include "astro/angles.h"
#include "astro/aspects.h"
#include "eval/aspect_factor.h"
#include "eval/event_frame.h"

namespace sd::eval {

double FormulaCoefficient(int code) {
  constexpr double kCoefficients[] = {1.0, -1.0, 0.0, 0.5, -0.5, 1.0 / 3, -1.0 / 3};
  if (code < 0 || code >= static_cast<int>(std::size(kCoefficients))) return 0;
  return kCoefficients[code];
}

bool FormulaCoordinate(int coordinate) {
  return coordinate == kCoordLongitude || coordinate == kCoordRightAscension ||
         coordinate == kCoordHelioLongitude || coordinate == kCoordLatitude ||
         coordinate == kCoordDeclination;
}

double FormulaPoint(int coordinate, const double (&positions)[kFormulaTerms],
                    const uint8_t (&codes)[kFormulaTerms], double constant) {
  if (!FormulaCoordinate(coordinate) || !astro::IsValue(constant)) return astro::NoValue;
  double sum = constant;
  for (int m = 0; m < kFormulaTerms; ++m) {
    const double c = FormulaCoefficient(codes[m]);
    if (c == 0) continue;
    if (!astro::IsValue(positions[m])) return astro::NoValue;
    sum += c * positions[m];
  }
  const bool plain = coordinate == kCoordLatitude || coordinate == kCoordDeclination;
  return plain ? sum : astro::NormalizeMod(sum, 360);
}

}  // namespace sd::eval

namespace sd::eval {

namespace {

// Which chart the point and the aspecting objects are read from ("PT9").
struct FormulaCharts {
  bool point_natal;
  bool objects_natal;
};

bool ChartsOf(uint8_t selector, FormulaCharts& out) {
  switch (selector) {
    case 0: out = {false, true}; return true;
    case 1: out = {true, false}; return true;
    case 2: out = {false, false}; return true;
    case 3: out = {true, true}; return true;
    default: return false;
  }
}

// A position times the harmonic, reduced into [0, 360); NoValue stays NoValue.
double Harmonic(double v, int harmonic) {
  return astro::IsValue(v) ? astro::NormalizeMod(v * harmonic, 360) : astro::NoValue;
}

}  // namespace

void ScoreFormulaPoint(KindContext& ctx) {
  const model::EvKind16& ev = ctx.Def().K.k16;
  FormulaCharts charts;
  if (!ChartsOf(ev.Charts, charts) || !FormulaCoordinate(ev.Coordinate)) return;
  const int coord = ev.Coordinate;
  const int harmonic = ev.Harmonic;
  const astro::ChartMoment t = ctx.In->Moment;

  auto read = [&](bool natal, int obj, StencilPoint s) {
    return natal ? ChartCoordinate(coord, ctx.NatalAt(s), obj)
                 : SnapshotCoordinate(coord, ctx.TransitAt(s), obj, t);
  };

  // The point does not depend on the aspecting object: build it once per stencil point.
  const int objects[kFormulaTerms] = {ev.Object1, ev.Object2, ev.Object3, ev.Object4};
  const uint8_t codes[kFormulaTerms] = {ev.Code1, ev.Code2, ev.Code3, ev.Code4};
  double point[3];
  for (int s = kBefore; s <= kAfter; ++s) {
    double pos[kFormulaTerms];
    for (int m = 0; m < kFormulaTerms; ++m)
      pos[m] = read(charts.point_natal, objects[m], static_cast<StencilPoint>(s));
    point[s] = Harmonic(FormulaPoint(coord, pos, codes, ev.Constant), harmonic);
  }

  int aspects[astro::AspectCount];
  int n_aspects = 0;
  for (int k = 1; k <= astro::AspectCount; ++k)
    if (ev.Aspects.Has(k)) aspects[n_aspects++] = k;
  if (n_aspects == 0) return;

  AspectFactorParams params;
  params.orb_limit = ev.Orb;
  for (int i = 0; i < astro::kObjectCount; ++i) {
    // The condition test depends on the object alone, so it is asked once for all aspects.
    if (!ev.Aspecting.Has(i) || !ctx.Admit({i})) continue;
    double x[3];
    for (int s = kBefore; s <= kAfter; ++s)
      x[s] = Harmonic(read(charts.objects_natal, i, static_cast<StencilPoint>(s)), harmonic);
    for (int ki = 0; ki < n_aspects; ++ki) {
      params.aspect = aspects[ki];
      const AspectFactorResult r =
          ctx.Def().CM == 1
              ? ExactMomentTest(params, harmonic, {point[kAt], point[kAfter], x[kAt], x[kAfter]})
              : AspectInOrbTest(params, {point[kBefore], point[kAt], x[kBefore], x[kAt]});
      if (r.hit) ctx.Hit(r.strength);
    }
  }
}

}  // namespace sd::eval
