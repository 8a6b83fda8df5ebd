#include "astro/moment_snapshot.h"

#include <cmath>
#include <cstring>

namespace sd {

namespace {

constexpr int kBias = 129;
constexpr uint64_t kMantissaOne = uint64_t{1} << 39;

}  // namespace

Real48 PackReal48(double x) {
  Real48 out{};
  if (x == 0.0) return out;
  if (!std::isfinite(x)) return kReal48NoValue;
  const bool negative = x < 0;
  int exp2 = 0;
  // |x| = f * 2^exp2 with f in [0.5, 1): the format's 1.m is 2f, its exponent exp2 - 1.
  double f = std::frexp(std::fabs(x), &exp2);
  uint64_t m = static_cast<uint64_t>(std::llround(f * 2.0 * static_cast<double>(kMantissaOne)));
  if (m >= 2 * kMantissaOne) {  // rounding reached the next power of two
    m /= 2;
    ++exp2;
  }
  const int e = exp2 - 1 + kBias;
  if (e > 255) return kReal48NoValue;
  if (e < 1) return out;  // below the smallest normal number: zero
  m -= kMantissaOne;      // the leading 1 is implied
  out[0] = static_cast<uint8_t>(e);
  for (int i = 1; i <= 5; ++i) {
    out[i] = static_cast<uint8_t>(m & 0xFF);
    m >>= 8;
  }
  if (negative) out[5] |= 0x80;
  return out;
}

double UnpackReal48(const uint8_t* b) {
  if (b[0] == 0) return 0.0;
  if (std::memcmp(b, kReal48NoValue.data(), 6) == 0) return NoValue;
  uint64_t m = 0;
  for (int i = 5; i >= 1; --i) m = (m << 8) | (i == 5 ? (b[i] & 0x7F) : b[i]);
  const double v = std::ldexp(1.0 + static_cast<double>(m) / static_cast<double>(kMantissaOne),
                              b[0] - kBias);
  return (b[5] & 0x80) ? -v : v;
}

void PackRow(std::span<const double> row, uint8_t* out) {
  for (size_t i = 0; i < row.size(); ++i) {
    const Real48 r = PackReal48(row[i]);
    std::memcpy(out + 6 * i, r.data(), 6);
  }
}

void UnpackRow(const uint8_t* in, std::span<double> row) {
  for (size_t i = 0; i < row.size(); ++i) row[i] = UnpackReal48(in + 6 * i);
}

double MomentSnapshot::Obj(size_t offset, int obj) const {
  if (obj < 0 || obj >= kObjectCount) return NoValue;
  return UnpackReal48(bytes + offset + 6 * static_cast<size_t>(obj));
}

double MomentSnapshot::Pl(size_t offset, int p) const {
  if (p < 0 || p >= kPlanetCount) return NoValue;
  return UnpackReal48(bytes + offset + 6 * static_cast<size_t>(p));
}

double MomentSnapshot::PhaseAngle(int p) const {
  if (p < 0 || p >= kPlanetCount) return NoValue;
  double v;
  std::memcpy(&v, bytes + snapshot_offset::kPhaseAngle + 8 * static_cast<size_t>(p), 8);
  return v;
}

void MomentSnapshot::SetObj(size_t offset, int obj, double v) {
  if (obj < 0 || obj >= kObjectCount) return;
  const Real48 r = PackReal48(v);
  std::memcpy(bytes + offset + 6 * static_cast<size_t>(obj), r.data(), 6);
}

void MomentSnapshot::SetPlanetRow(size_t offset, int p, double v) {
  if (p < 0 || p >= kPlanetCount || offset < snapshot_offset::kLatitude ||
      offset >= snapshot_offset::kPhaseAngle)
    return;
  const Real48 r = PackReal48(v);
  std::memcpy(bytes + offset + 6 * static_cast<size_t>(p), r.data(), 6);
}

void MomentSnapshot::SetPhaseAngle(int p, double v) {
  if (p < 0 || p >= kPlanetCount) return;
  std::memcpy(bytes + snapshot_offset::kPhaseAngle + 8 * static_cast<size_t>(p), &v, 8);
}

void FillSnapshot(MomentSnapshot& snap, const ChartData& chart) {
  namespace o = snapshot_offset;
  PackRow(chart.Object[kLongitude], snap.bytes + o::kLongitude);
  PackRow(chart.Object[kHelioLongitude], snap.bytes + o::kHelioLongitude);
  PackRow(chart.Object[kDeclination], snap.bytes + o::kDeclination);
  PackRow(chart.Planet[kLatitude], snap.bytes + o::kLatitude);
  PackRow(chart.Planet[kRightAscension], snap.bytes + o::kRightAscension);
  PackRow(chart.Planet[kDistance], snap.bytes + o::kDistance);
  PackRow(chart.Planet[kRadiusVector], snap.bytes + o::kRadiusVector);
  PackRow(chart.Planet[kHelioLatitude], snap.bytes + o::kHelioLatitude);
  PackRow(chart.Planet[kMundanePosition], snap.bytes + o::kMundanePosition);
  std::memcpy(snap.bytes + o::kPhaseAngle, chart.Planet[kPhaseAngle], 10 * sizeof(double));
}

}  // namespace sd
