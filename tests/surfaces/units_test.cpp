#include <gtest/gtest.h>

#include "surfaces/units.h"

using namespace pw;

namespace {

UnitSettings At(double pixelsPerInch, double pointsPerInch) {
  UnitSettings s;
  s.pixelsPerCm = PixelsPerCmFromPixelsPerInch(pixelsPerInch);
  s.pointsPerInch = pointsPerInch;
  return s;
}

}  // namespace

TEST(Units, NamesInBrushOrder) {
  const char* expected[] = {"Pixels (pixels)", "Inches (inches)", "Millimeters (mms)", "Centimeters (cms)",
                            "Points (points)", "Picas (picas)",   "World Units (units)"};
  for (int u = 0; u < kOutputUnitCount; ++u) EXPECT_EQ(OutputUnitName(u), expected[u]) << u;
  EXPECT_EQ(OutputUnitName(-1), "");
  EXPECT_EQ(OutputUnitName(7), "");
}

TEST(Units, PixelsPerUnitAt72PixelsPerInch) {
  // At 72 dpi an inch is 72 pixels and, with PostScript points, a point is one pixel.
  const UnitSettings ps = At(72.0, kPointsPerInchPostscript);
  struct Case {
    OutputUnit unit;
    double pixels;
  } cases[] = {
      {OutputUnit::Pixels, 1.0},
      {OutputUnit::Inches, 72.0},
      {OutputUnit::Millimeters, 72.0 / 25.40041},
      {OutputUnit::Centimeters, 72.0 / 2.540041},
      {OutputUnit::Points, 1.0},
      {OutputUnit::Picas, 12.0},
      {OutputUnit::WorldUnits, 1.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(PixelsPerUnit(static_cast<int>(c.unit), ps), c.pixels, 1e-9) << static_cast<int>(c.unit);
    EXPECT_NEAR(UnitsPerPixel(static_cast<int>(c.unit), ps) * c.pixels, 1.0, 1e-12);
  }
}

TEST(Units, PointsStandardChangesOnlyPointsAndPicas) {
  const UnitSettings traditional = At(72.0, kPointsPerInchTraditional);
  const UnitSettings postscript = At(72.0, kPointsPerInchPostscript);
  for (int u = 0; u < kOutputUnitCount; ++u) {
    const bool typographic = u == static_cast<int>(OutputUnit::Points) || u == static_cast<int>(OutputUnit::Picas);
    if (typographic)
      EXPECT_NE(PixelsPerUnit(u, traditional), PixelsPerUnit(u, postscript)) << u;
    else
      EXPECT_EQ(PixelsPerUnit(u, traditional), PixelsPerUnit(u, postscript)) << u;
  }
  // A traditional point is a little smaller than a PostScript one.
  EXPECT_NEAR(PixelsPerUnit(static_cast<int>(OutputUnit::Points), traditional), 72.0 / 72.27, 1e-12);
}

TEST(Units, ResolutionEnteredPerInch) {
  EXPECT_DOUBLE_EQ(PixelsPerCmFromPixelsPerInch(72.0), 72.0 / 2.540041);
  EXPECT_NEAR(PixelsPerInchFromPixelsPerCm(PixelsPerCmFromPixelsPerInch(300.0)), 300.0, 1e-9);
}

TEST(Units, StoredLengthsAreThousandthsOfACentimetre) {
  const UnitSettings s = At(72.0, kPointsPerInchTraditional);
  // One centimetre is 1000 whatever the resolution; one pixel depends on it.
  EXPECT_NEAR(StoredFromUnits(1.0, static_cast<int>(OutputUnit::Centimeters), s), 1000.0, 1e-9);
  EXPECT_NEAR(StoredFromUnits(1.0, static_cast<int>(OutputUnit::Inches), s), 2540.041, 1e-6);
  EXPECT_NEAR(StoredFromPixels(1.0, s), 35.27834722, 1e-6);
  EXPECT_NEAR(StoredFromPixels(1.0, At(144.0, 72.0)), 35.27834722 / 2, 1e-6);
}

TEST(Units, EveryUnitRoundTrips) {
  const UnitSettings s = At(300.0, kPointsPerInchTraditional);
  for (int u = 0; u < kOutputUnitCount; ++u) {
    for (double v : {0.0, 0.25, 1.0, 7.5, 1234.0}) {
      const double stored = StoredFromUnits(v, u, s);
      EXPECT_NEAR(UnitsFromStored(stored, u, s), v, 1e-9 * (1 + v)) << "unit " << u << " value " << v;
      EXPECT_NEAR(PixelsFromStored(stored, s), v * PixelsPerUnit(u, s), 1e-9 * (1 + v));
    }
  }
}

TEST(Units, SettingsRefuseValuesThatBreakConversions) {
  const UnitSettings before = TheUnitSettings();
  UnitSettings bad = before;
  bad.pixelsPerCm = 0.0;
  EXPECT_FALSE(SetUnitSettings(bad));
  bad = before;
  bad.pointsPerInch = -72.0;
  EXPECT_FALSE(SetUnitSettings(bad));
  bad = before;
  bad.pixelsPerCm = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(SetUnitSettings(bad));
  bad = before;
  bad.defaultUnit = static_cast<OutputUnit>(9);
  EXPECT_FALSE(SetUnitSettings(bad));
  EXPECT_EQ(TheUnitSettings().pixelsPerCm, before.pixelsPerCm);

  UnitSettings good = before;
  good.defaultUnit = OutputUnit::Points;
  EXPECT_TRUE(SetUnitSettings(good));
  EXPECT_EQ(TheUnitSettings().defaultUnit, OutputUnit::Points);
  EXPECT_TRUE(SetUnitSettings(before));
}

TEST(Units, FreshProgramPrintsAt72PixelsPerInch) {
  EXPECT_NEAR(UnitSettings{}.pixelsPerCm * kCmPerInch, 72.0, 1e-12);
  EXPECT_EQ(UnitSettings{}.defaultUnit, OutputUnit::Pixels);
}
