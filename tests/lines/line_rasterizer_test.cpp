// The line rasterizer: coverage at the sample rules' boundaries, depth
// between colours, compositing, the memory budget and bands.
#include "lines/line_rasterizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "lines/rasterize_lines.h"
#include "raster_fixture.h"

namespace {

using pw_test::Draw;
using pw_test::Drawn;
using pw_test::DrawOptions;
using pw_test::kBlue;
using pw_test::kOpaqueBlack;
using pw_test::kRed;
using pw_test::OutlinesOf;
using pw_test::Picture;
using pw_test::SegmentSpec;

double TotalCoverage(const host::Bitmap& b) {
  double sum = 0.0;
  for (const host::BMM_Color_64& p : b.Pixels()) sum += p.a / 65535.0;
  return sum;
}

TEST(LineRasterizer, OneSamplePerPixelCoversWholePixelsOrNothing) {
  // y from 4.4 to 5.6 holds the centres of rows 4 and 5; x from 2.3 to 7.6
  // those of columns 2 to 7.
  host::Bitmap b = Drawn({{.x0 = 2.3f, .y0 = 5, .x1 = 7.6f, .y1 = 5, .width = 1.2f, .colour = kRed}}, 12, 10,
                         {.samples = 1});
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool covered = x >= 2 && x <= 7 && y >= 4 && y <= 5;
      EXPECT_EQ(b.GetPixel(x, y), covered ? kRed : host::BMM_Color_64{}) << x << "," << y;
    }
  }
}

TEST(LineRasterizer, PixelHalfCoveredByOpaqueBlackGetsHalfAlphaAtEightByEight) {
  // A square-ended line over x 5.5 .. 7.5: columns 5 and 7 half covered.
  host::Bitmap b = Drawn({{.x0 = 6.5f, .y0 = -1, .x1 = 6.5f, .y1 = 13, .width = 2}}, 12, 12);
  EXPECT_EQ(b.GetPixel(5, 6), (host::BMM_Color_64{0, 0, 0, 32768}));
  EXPECT_EQ(b.GetPixel(6, 6), kOpaqueBlack);
  EXPECT_EQ(b.GetPixel(7, 6), (host::BMM_Color_64{0, 0, 0, 32768}));
  EXPECT_EQ(b.GetPixel(4, 6), host::BMM_Color_64{});
  EXPECT_EQ(b.GetPixel(8, 6), host::BMM_Color_64{});
  // A quarter: 16 of 64 subsamples.
  host::Bitmap q = Drawn({{.x0 = 5.75f, .y0 = -1, .x1 = 5.75f, .y1 = 13, .width = 0.5f, .colour = kRed}}, 12, 12);
  EXPECT_EQ(q.GetPixel(5, 6), (host::BMM_Color_64{32768, 0, 0, 32768}));
}

TEST(LineRasterizer, CoverageOfALongThinLineIsItsArea) {
  // 490 x 1 pixels at fractional positions.
  host::Bitmap b = Drawn({{.x0 = 10.3f, .y0 = 20.7f, .x1 = 500.3f, .y1 = 20.7f, .width = 1}}, 520, 40);
  EXPECT_NEAR(TotalCoverage(b), 490.0, 0.01);
  // Diagonal, square-capped: (length + width) x width. (A slope of a small
  // fraction such as 3/8 would meet the subsample grid in a few phases only
  // and alias; this one does not.)
  const double length = std::hypot(400.0, 157.37);
  host::Bitmap d = Drawn({{.x0 = 30.2f, .y0 = 10.9f, .x1 = 430.2f, .y1 = 168.27f, .width = 1.5f, .capping = 1}},
                         480, 180);
  EXPECT_NEAR(TotalCoverage(d), (length + 1.5) * 1.5, 0.5);
}

TEST(LineRasterizer, BlendCompositesPartialPixelsOverTheBitmap) {
  const host::BMM_Color_64 below{40000, 20000, 10000, 65535};
  auto run = [&](bool blend) {
    pw::LineOutlineList list = OutlinesOf({{.x0 = 6.5f, .y0 = -1, .x1 = 6.5f, .y1 = 13, .width = 2, .colour = kRed}});
    host::Bitmap b = Picture(12, 12, below);
    Draw(list, b, {.blend = blend});
    return b;
  };
  const host::Bitmap blended = run(true);
  // 32768 + (40000 x 32768) >> 16, ...; alpha 32768 + (65535 x 32768) >> 16.
  EXPECT_EQ(blended.GetPixel(5, 6), (host::BMM_Color_64{52768, 10000, 5000, 65535}));
  EXPECT_EQ(blended.GetPixel(6, 6), kRed) << "a covered pixel replaces what was there";
  EXPECT_EQ(blended.GetPixel(3, 6), below) << "pixels no line reaches keep their colour";
  const host::Bitmap replaced = run(false);
  EXPECT_EQ(replaced.GetPixel(5, 6), (host::BMM_Color_64{32768, 0, 0, 32768}));
  EXPECT_EQ(replaced.GetPixel(3, 6), below);

  // The editor's previews blend at 8 x 8.
  pw::LineStore store;
  store.Insert(pw_test::MakeSegment({.x0 = 6.5f, .y0 = -1, .x1 = 6.5f, .y1 = 13, .width = 2, .colour = kRed}));
  host::Bitmap preview = Picture(12, 12, below);
  EXPECT_TRUE(pw::RasterizePreview(store, preview));
  EXPECT_EQ(preview.GetPixel(5, 6), (host::BMM_Color_64{52768, 10000, 5000, 65535}));
}

TEST(LineRasterizer, WhereColoursCrossTheNearerLineWinsWhicheverIsDrawnFirst) {
  const SegmentSpec across{.x0 = 0, .y0 = 10, .x1 = 20, .y1 = 10, .width = 4, .colour = kRed};
  const SegmentSpec down{.x0 = 10, .y0 = 0, .x1 = 10, .y1 = 20, .width = 4, .colour = kBlue};
  for (bool redNearer : {false, true}) {
    SegmentSpec r = across, b = down;
    r.z0 = r.z1 = redNearer ? -5.0f : -15.0f;
    b.z0 = b.z1 = -10.0f;
    for (bool redFirst : {false, true}) {
      host::Bitmap pic = Drawn(redFirst ? std::vector{r, b} : std::vector{b, r}, 20, 20);
      EXPECT_EQ(pic.GetPixel(10, 10), redNearer ? kRed : kBlue) << redNearer << redFirst;
      EXPECT_EQ(pic.GetPixel(3, 10), kRed);
      EXPECT_EQ(pic.GetPixel(10, 3), kBlue);
    }
  }
}

TEST(LineRasterizer, LinesOfOneColourNeverCompareDepth) {
  // The near red line does not take the far red one's subsamples, so the
  // blue line in between is compared with the far one and shows.
  const SegmentSpec farRed{.x0 = 0, .y0 = 10, .x1 = 20, .y1 = 10, .width = 4, .colour = kRed, .z0 = -20, .z1 = -20};
  SegmentSpec nearRed = farRed;
  nearRed.z0 = nearRed.z1 = -1;
  const SegmentSpec blue{.x0 = 10, .y0 = 0, .x1 = 10, .y1 = 20, .width = 4, .colour = kBlue, .z0 = -10, .z1 = -10};
  EXPECT_EQ(Drawn({farRed, nearRed, blue}, 20, 20).GetPixel(10, 10), kBlue);
  // A near line of a colour of its own does take them, and hides the blue.
  const host::BMM_Color_64 otherRed{65534, 0, 0, 65535};
  nearRed.colour = otherRed;
  EXPECT_EQ(Drawn({farRed, nearRed, blue}, 20, 20).GetPixel(10, 10), otherRed);
}

TEST(LineRasterizer, APairIsDecidedWhereItFirstMeetsWhereverTheBandsAreCut) {
  // Red lies flat at depth -10; blue crosses it from near (-5) at the top
  // to far (-15) at the bottom. They first meet at the top, where blue is
  // nearer, and that decides the whole overlap: in every band.
  const SegmentSpec red{.x0 = 0, .y0 = 16, .x1 = 32, .y1 = 16, .width = 24, .colour = kRed};
  const SegmentSpec blue{.x0 = 16, .y0 = 0, .x1 = 16, .y1 = 32, .width = 4, .colour = kBlue, .z0 = -5, .z1 = -15};
  for (int bandRows : {0, 32, 1, 3, 7}) {
    host::Bitmap pic = Drawn({red, blue}, 32, 32, {.bandRowLimit = bandRows});
    for (int y = 5; y < 27; ++y) EXPECT_EQ(pic.GetPixel(16, y), kBlue) << "band rows " << bandRows << " y " << y;
  }
}

TEST(LineRasterizer, DepthTieAtASharedEndIsSettledALittleFurtherAlong) {
  // Both start at (10, 10) at depth -10 and overlap exactly; they first
  // meet behind the start, where both parameters are held at 0.
  SegmentSpec first{.x0 = 10, .y0 = 10, .x1 = 30, .y1 = 10, .width = 4, .shape = pw::kBrushCircle, .capping = 1,
                    .colour = kRed, .z0 = -10};
  SegmentSpec second = first;
  second.colour = kBlue;
  struct Case {
    float firstEnd, secondEnd;
    host::BMM_Color_64 shown;
  };
  for (const Case& c : {Case{-15, -5, kBlue}, Case{-5, -15, kRed}, Case{-10, -10, kRed}}) {
    first.z1 = c.firstEnd;
    second.z1 = c.secondEnd;
    host::Bitmap pic = Drawn({first, second}, 40, 20);
    for (int x = 9; x <= 30; ++x) EXPECT_EQ(pic.GetPixel(x, 10), c.shown) << c.firstEnd << " " << x;
  }
}

TEST(LineRasterizer, MoreThanTwoHundredFiftyFiveColoursAreAllDrawnExactly) {
  std::vector<SegmentSpec> rows;
  for (int i = 0; i < 300; ++i) {
    const auto v = static_cast<std::uint16_t>(200 * i + 7);
    rows.push_back({.x0 = -1, .y0 = i + 0.5f, .x1 = 21, .y1 = i + 0.5f, .width = 1, .colour = {v, 3, v, 65535},
                    .z0 = -10, .z1 = -10});
  }
  // Nearer than every row at column 10, and one farther at column 15.
  rows.push_back({.x0 = 10.5f, .y0 = -1, .x1 = 10.5f, .y1 = 301, .width = 1, .colour = {1, 2, 3, 65535},
                  .z0 = -5, .z1 = -5});
  rows.push_back({.x0 = 15.5f, .y0 = -1, .x1 = 15.5f, .y1 = 301, .width = 1, .colour = {4, 5, 6, 65535},
                  .z0 = -50, .z1 = -50});
  host::Bitmap pic = Drawn(rows, 20, 300, {.samples = 2});
  for (int i = 0; i < 300; ++i) {
    const auto v = static_cast<std::uint16_t>(200 * i + 7);
    EXPECT_EQ(pic.GetPixel(3, i), (host::BMM_Color_64{v, 3, v, 65535})) << i;
    EXPECT_EQ(pic.GetPixel(15, i), (host::BMM_Color_64{v, 3, v, 65535})) << i;
    EXPECT_EQ(pic.GetPixel(10, i), (host::BMM_Color_64{1, 2, 3, 65535})) << i;
  }
}

}  // namespace
