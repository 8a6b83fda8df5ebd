#include "astro/moment_snapshot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace sd::astro {
namespace {

TEST(Real48, KnownBytePatterns) {
  struct Case { double x; Real48 bytes; };
  const Case cases[] = {
      {0.0, {0, 0, 0, 0, 0, 0}},
      {1.0, {0x81, 0, 0, 0, 0, 0}},
      {-1.0, {0x81, 0, 0, 0, 0, 0x80}},
      {0.5, {0x80, 0, 0, 0, 0, 0}},
      {3.0, {0x82, 0, 0, 0, 0, 0x40}},
      {-360.0, {0x89, 0, 0, 0, 0, 0xB4}},
      {NoValue, {0xA2, 0x00, 0x00, 0xF9, 0x02, 0x15}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PackReal48(c.x), c.bytes) << c.x;
    EXPECT_EQ(UnpackReal48(c.bytes.data()), c.x) << c.x;
  }
}

TEST(Real48, RoundTripKeepsTwelveDigits) {
  for (double x : {359.999, 0.000123456789, -23.4392911, 1.0 / 3.0, 12345.678901, 6.2e-7}) {
    const Real48 r = PackReal48(x);
    EXPECT_NEAR(UnpackReal48(r.data()), x, std::fabs(x) * 2e-12) << x;
  }
}

TEST(Real48, OutOfRangeAndNonFinite) {
  EXPECT_EQ(PackReal48(1e40), kReal48NoValue);
  EXPECT_EQ(PackReal48(-1e40), kReal48NoValue);
  EXPECT_EQ(PackReal48(INFINITY), kReal48NoValue);
  EXPECT_EQ(PackReal48(NAN), kReal48NoValue);
  EXPECT_EQ(PackReal48(1e-45), (Real48{0, 0, 0, 0, 0, 0}));
  // Rounding up to the next power of two carries into the exponent.
  const Real48 r = PackReal48(std::nextafter(2.0, 0.0));
  EXPECT_EQ(r, PackReal48(2.0));
}

// A chart whose every entry tells where it came from: row r, column c holds r * 1000 + c + 0.25.
ChartData NumberedChart() {
  ChartData c;
  for (int r = 0; r < kObjectRowCount; ++r)
    for (int o = 0; o < kObjectCount; ++o) c.Object[r][o] = r * 1000 + o + 0.25;
  for (int r = 0; r < kPlanetRowCount; ++r)
    for (int p = 0; p < kPlanetCount; ++p) c.Planet[r][p] = -(r * 1000 + p + 0.5);
  return c;
}

TEST(FillSnapshot, RowsLandAtTheirOffsetsAndTheHeadIsUntouched) {
  MomentSnapshot s;
  std::memset(s.bytes, 0x5A, sizeof s.bytes);
  ChartData c = NumberedChart();
  c.Object[kLongitude][17] = NoValue;
  FillSnapshot(s, c);

  for (int i = 0; i < 20; ++i) EXPECT_EQ(s.bytes[i], 0x5A) << i;

  struct ObjRow { size_t offset; int row; };
  for (const ObjRow& r : {ObjRow{20, kLongitude}, ObjRow{260, kHelioLongitude},
                          ObjRow{500, kDeclination}}) {
    for (int o = 0; o < kObjectCount; ++o)
      EXPECT_EQ(UnpackReal48(s.bytes + r.offset + 6 * o), c.Object[r.row][o]) << r.offset << " " << o;
  }
  struct PlRow { size_t offset; int row; };
  for (const PlRow& r : {PlRow{740, kLatitude}, PlRow{800, kRightAscension}, PlRow{860, kDistance},
                         PlRow{920, kRadiusVector}, PlRow{980, kHelioLatitude},
                         PlRow{1040, kMundanePosition}}) {
    for (int p = 0; p < kPlanetCount; ++p)
      EXPECT_EQ(UnpackReal48(s.bytes + r.offset + 6 * p), c.Planet[r.row][p]) << r.offset << " " << p;
  }
  for (int p = 0; p < kPlanetCount; ++p) {
    double v;
    std::memcpy(&v, s.bytes + 1100 + 8 * p, 8);
    EXPECT_EQ(v, c.Planet[kPhaseAngle][p]);
  }
  // A value that was not computed stays absent, as the readers see it.
  EXPECT_EQ(s.Longitude(17), NoValue);
  EXPECT_EQ(s.Longitude(16), c.Object[kLongitude][16]);
  EXPECT_EQ(s.MundanePosition(9), c.Planet[kMundanePosition][9]);
  EXPECT_EQ(s.PhaseAngle(3), c.Planet[kPhaseAngle][3]);
  EXPECT_EQ(s.Longitude(40), NoValue);
  EXPECT_EQ(s.Latitude(10), NoValue);
}

TEST(FillSnapshot, ANewSnapshotStartsCleared) {
  MomentSnapshot s;
  for (uint8_t b : s.bytes) ASSERT_EQ(b, 0);
}

}  // namespace
}  // namespace sd::astro
