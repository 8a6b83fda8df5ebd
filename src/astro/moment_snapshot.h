#pragma once
// The compact record of one transit moment that the model evaluation reads: the rows of the
// transit chart that factor tests need, packed into six-byte reals (1180 bytes in all).
//
// Six-byte real, little-endian: byte 0 the binary exponent with bias 129 (0 means zero),
// bytes 1..5 a 39-bit mantissa, least significant byte first, leading 1 implied, and the top
// bit of byte 5 the sign. Value = (-1)^s * (1 + m / 2^39) * 2^(e - 129).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "astro/chart_data.h"

namespace sd::astro {

using Real48 = std::array<uint8_t, 6>;

// The six-byte form of NoValue (1e10): A2 00 00 F9 02 15.
inline constexpr Real48 kReal48NoValue = {0xA2, 0x00, 0x00, 0xF9, 0x02, 0x15};

// x rounded to the nearest six-byte real. A magnitude too large for the format, or a value
// that is not finite, becomes the six-byte NoValue; one too small becomes zero.
Real48 PackReal48(double x);
// Zero for exponent byte 0. Every other pattern is a number.
double UnpackReal48(const uint8_t* bytes);

// Byte offsets of the rows inside the record; columns are object (or planet) numbers.
namespace snapshot_offset {
inline constexpr size_t kUnfilled = 0;          // 20 bytes the forecast run never writes
inline constexpr size_t kLongitude = 20;        // 40 x 6
inline constexpr size_t kHelioLongitude = 260;  // 40 x 6
inline constexpr size_t kDeclination = 500;     // 40 x 6
inline constexpr size_t kLatitude = 740;        // 10 x 6, planets only from here on
inline constexpr size_t kRightAscension = 800;
inline constexpr size_t kDistance = 860;
inline constexpr size_t kRadiusVector = 920;
inline constexpr size_t kHelioLatitude = 980;
inline constexpr size_t kMundanePosition = 1040;
inline constexpr size_t kPhaseAngle = 1100;     // 10 x 8, plain doubles
inline constexpr size_t kSize = 1180;
}  // namespace snapshot_offset

// Packed rows of one snapshot. A plain byte record: copy it with memcpy or assignment.
struct MomentSnapshot {
  uint8_t bytes[snapshot_offset::kSize] = {};

  // Readers return NoValue for an object outside the row (and for a packed NoValue).
  double Longitude(int obj) const { return Obj(snapshot_offset::kLongitude, obj); }
  double HelioLongitude(int obj) const { return Obj(snapshot_offset::kHelioLongitude, obj); }
  double Declination(int obj) const { return Obj(snapshot_offset::kDeclination, obj); }
  double Latitude(int p) const { return Pl(snapshot_offset::kLatitude, p); }
  double RightAscension(int p) const { return Pl(snapshot_offset::kRightAscension, p); }
  double Distance(int p) const { return Pl(snapshot_offset::kDistance, p); }
  double RadiusVector(int p) const { return Pl(snapshot_offset::kRadiusVector, p); }
  double HelioLatitude(int p) const { return Pl(snapshot_offset::kHelioLatitude, p); }
  double MundanePosition(int p) const { return Pl(snapshot_offset::kMundanePosition, p); }
  double PhaseAngle(int p) const;

  // Writers for one entry (tests and stencils build snapshots by hand).
  void SetLongitude(int obj, double v) { SetObj(snapshot_offset::kLongitude, obj, v); }
  void SetHelioLongitude(int obj, double v) { SetObj(snapshot_offset::kHelioLongitude, obj, v); }
  void SetDeclination(int obj, double v) { SetObj(snapshot_offset::kDeclination, obj, v); }
  void SetPlanetRow(size_t offset, int p, double v);
  void SetPhaseAngle(int p, double v);

 private:
  double Obj(size_t offset, int obj) const;
  double Pl(size_t offset, int p) const;
  void SetObj(size_t offset, int obj, double v);
};
static_assert(sizeof(MomentSnapshot) == snapshot_offset::kSize);

// count doubles -> count six-byte reals at out (6 * count bytes).
void PackRow(std::span<const double> row, uint8_t* out);
// count six-byte reals at in -> count doubles. A packed NoValue reads back as NoValue exactly.
void UnpackRow(const uint8_t* in, std::span<double> row);

// Packs the transit chart's rows into the snapshot in place. The first 20 bytes are left as
// they are; nothing is allocated.
void FillSnapshot(MomentSnapshot& snap, const ChartData& chart);

}  // namespace sd::astro
