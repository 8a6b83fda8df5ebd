// The user wave (kind 41): a sum of sine and cosine components that the model author writes,
// taken either at an angle built from transit positions or at the moment itself. The wave's
// value is the event's strength, so it can push the curve either way.
#include <cstdint>

#include "astro/angles.h"
#include "eval/event_frame.h"
#include "eval/user_wave_factors.h"
#include "model/field_text.h"

namespace sd::eval {

namespace {

// Coordinates of the angle wave, as the record's first byte of nine names them.
enum WaveCoordinate : int { kWaveLongitude = 0, kWaveHelio = 1, kWaveMundane = 2, kWavePhase = 3 };

double CoordinateOf(const astro::MomentSnapshot& s, int coordinate, int object) {
  switch (coordinate) {
    case kWaveLongitude: return s.Longitude(object);
    case kWaveHelio: return s.HelioLongitude(object);
    case kWaveMundane: return s.MundanePosition(object);
    case kWavePhase: return s.PhaseAngle(object);
    default: return astro::NoValue;  // no such row: the wave has no angle
  }
}

}  // namespace

WaveResult UserWaveAt(const model::UserWave& w, const astro::MomentSnapshot& transit, astro::ChartMoment t) {
  if (w.B0 == 1) return {true, model::WaveAtSpan(w, t.Centuries)};
  if (w.B0 != 0) return {true, 0.0};
  const int coordinate = w.Bytes[0];
  double angle = 0;
  for (int k = 0; k < 4; ++k) {
    const int c = static_cast<int8_t>(w.Bytes[1 + k]);
    if (c == 0) continue;  // an unused term does not ask for its object
    const double v = CoordinateOf(transit, coordinate, w.Bytes[5 + k]);
    if (!astro::IsValue(v)) return {};
    angle += c * v;
  }
  const double x = astro::NormalizeMod(angle, 360);
  return {true, model::WaveAtAngle(w, x)};
}

void ScoreUserWave(KindContext& ctx) {
  if (!ctx.Admit({})) return;
  const WaveResult r = UserWaveAt(ctx.Def().K.k41.Wave, ctx.TransitAt(kAt), ctx.In->Moment);
  if (r.hit) ctx.Hit(r.strength);
}

}  // namespace sd::eval
