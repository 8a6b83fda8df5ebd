#include "astro/moment_snapshot.h"

#include <cmath>
#include <cstring>

namespace sd::astro {

namespace {

constexpr int kBias = 129;
constexpr uint64_t kMantissaOne = uint64_t{1} << 39;

}  // namespace

// Both directions work on the bit pattern of the IEEE double: the six-byte exponent is the
// double's minus 894 (bias 1023 against 129), and its 39 mantissa bits are the top 39 of the
// double's 52. Every six-byte real is exactly a double.
constexpr int kExponentShift = 1023 - kBias;
constexpr int kDroppedBits = 52 - 39;

Real48 PackReal48(double x) {
  Real48 out{};
  if (x == 0.0) return out;
  if (!std::isfinite(x)) return kReal48NoValue;
  uint64_t bits;
  std::memcpy(&bits, &x, 8);
  const bool negative = bits >> 63;
  int e = static_cast<int>((bits >> 52) & 0x7FF) - kExponentShift;
  // Round the mantissa to 39 bits, halves away from zero; a carry out of the mantissa moves
  // the number to the next power of two.
  uint64_t m = ((bits & ((uint64_t{1} << 52) - 1)) + (uint64_t{1} << (kDroppedBits - 1))) >> kDroppedBits;
  if (m == kMantissaOne) {
    m = 0;
    ++e;
  }
  if (e > 255) return kReal48NoValue;
  if (e < 1) return out;  // below the smallest six-byte number (doubles below 2^-128): zero
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
  uint64_t m = 0;
  for (int i = 5; i >= 1; --i) m = (m << 8) | (i == 5 ? (b[i] & 0x7F) : b[i]);
  const uint64_t bits = (uint64_t{b[5] & 0x80u} << 56) |
                        (static_cast<uint64_t>(b[0] + kExponentShift) << 52) | (m << kDroppedBits);
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
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

}  // namespace sd::astro
