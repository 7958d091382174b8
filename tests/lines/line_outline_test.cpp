// Outlines of dashes: which dashes a segment gets, the shape of each dash
// for every brush and capping, and the spherical lens's chain of pieces.
#include "lines/line_outline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "frame/projection.h"
#include "lines/hidden_intervals.h"
#include "raster_fixture.h"
#include "styles/dash_layout.h"

namespace {

using pw_test::OutlinesOf;
using pw_test::SegmentSpec;

std::vector<pw::OutlinePoint> PointsOf(const pw::LineOutlineList& list, int i) {
  auto span = list.PointsOf(list.outlines[static_cast<std::size_t>(i)]);
  return {span.begin(), span.end()};
}

double Distance(pw::OutlinePoint p, double x, double y) { return std::hypot(p.x - x, p.y - y); }

TEST(LineOutline, DashedStrokeOfSixtyFourPixelsIsOneDashOverItsFirst42Pixels) {
  // Pattern "Dashed", brush 2 pixels, scale 1: 32 cells; the dash opened at 0
  // closes at boundary 21, and the one opened at boundary 32 never closes.
  SegmentSpec s{.x0 = 0, .y0 = 5, .x1 = 64, .y1 = 5, .width = 2, .z0 = -10, .z1 = -20, .pattern = 0x001FFFFF};
  pw::LineOutlineList flat = OutlinesOf({s}, false);
  ASSERT_EQ(flat.Size(), 1);
  const pw::LineOutline& o = flat.outlines[0];
  EXPECT_FLOAT_EQ(o.start.sx, 0.0f);
  EXPECT_FLOAT_EQ(o.end.sx, 42.0f);
  EXPECT_FLOAT_EQ(o.end.sy, 5.0f);
  EXPECT_FLOAT_EQ(o.end.z, -10.0f - 10.0f * 0.65625f);
  EXPECT_EQ(PointsOf(flat, 0), (std::vector<pw::OutlinePoint>{{0, 6}, {42, 6}, {42, 4}, {0, 4}}));

  // Under perspective the depth at a screen parameter is not linear in it:
  // the point 65.625 % along the screen is 48.8 % along in space.
  pw::LineOutlineList deep = OutlinesOf({s}, true);
  ASSERT_EQ(deep.Size(), 1);
  const double u = pw::PerspectiveParameter(0.65625, -10.0, -20.0);
  EXPECT_NEAR(u, 0.0328125 / 0.0671875, 1e-12);
  EXPECT_FLOAT_EQ(deep.outlines[0].end.z, static_cast<float>(-10.0 - 10.0 * u));
  EXPECT_FLOAT_EQ(deep.outlines[0].end.sx, 42.0f) << "screen positions stay linear";
}

TEST(LineOutline, EveryDashOfTheLayoutBecomesOneOutlineBetweenItsEnds) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> pos(0.0f, 300.0f);
  std::uniform_real_distribution<float> width(0.5f, 6.0f);
  std::uniform_int_distribution<std::uint32_t> mask;
  for (int round = 0; round < 200; ++round) {
    SegmentSpec s{.x0 = pos(rng), .y0 = pos(rng), .x1 = pos(rng), .y1 = pos(rng), .width = width(rng)};
    s.pattern = static_cast<std::int32_t>(mask(rng));
    s.scale = width(rng);
    std::vector<pw::DashInterval> dashes;
    pw::LayoutDashes(s.pattern, std::hypot(s.x1 - s.x0, s.y1 - s.y0), s.width, s.scale, dashes);
    pw::LineOutlineList list = OutlinesOf({s});
    ASSERT_EQ(list.Size(), static_cast<int>(dashes.size())) << "pattern " << s.pattern;
    for (std::size_t i = 0; i < dashes.size(); ++i) {
      const pw::LineOutline& o = list.outlines[i];
      EXPECT_NEAR(o.start.sx, s.x0 + (s.x1 - s.x0) * dashes[i].start, 1e-3);
      EXPECT_NEAR(o.start.sy, s.y0 + (s.y1 - s.y0) * dashes[i].start, 1e-3);
      EXPECT_NEAR(o.end.sx, s.x0 + (s.x1 - s.x0) * dashes[i].end, 1e-3);
      EXPECT_NEAR(o.end.sy, s.y0 + (s.y1 - s.y0) * dashes[i].end, 1e-3);
      EXPECT_EQ(o.pointCount, 4u);
    }
  }
}

TEST(LineOutline, ShortCircleDashWithoutCapsIsAnEighteenSidedDisc) {
  // 1 pixel long, 4 wide: too short for two rounded ends of radius 2.
  pw::LineOutlineList list = OutlinesOf({{.x0 = 10, .y0 = 10, .x1 = 11, .y1 = 10, .width = 4,
                                          .shape = pw::kBrushCircle, .capping = 0}});
  ASSERT_EQ(list.Size(), 1);
  const std::vector<pw::OutlinePoint> p = PointsOf(list, 0);
  ASSERT_EQ(p.size(), 18u);
  EXPECT_NEAR(p[0].x, 12.5, 1e-5);
  EXPECT_NEAR(p[0].y, 10.0, 1e-5);
  for (std::size_t i = 0; i < p.size(); ++i) {
    EXPECT_NEAR(Distance(p[i], 10.5, 10.0), 2.0, 1e-5);
    const double angle = std::atan2(p[i].y - 10.0, p[i].x - 10.5);
    EXPECT_NEAR(std::remainder(angle - static_cast<double>(i) * 20.0 * M_PI / 180.0, 2 * M_PI), 0.0, 1e-5);
  }
  // Just long enough for both ends: no longer a disc.
  pw::LineOutlineList longer = OutlinesOf({{.x0 = 10, .y0 = 10, .x1 = 14.01f, .y1 = 10, .width = 4,
                                            .shape = pw::kBrushCircle, .capping = 0}});
  ASSERT_EQ(longer.Size(), 1);
  EXPECT_NE(longer.outlines[0].pointCount, 18u);
}

TEST(LineOutline, RoundCapsGetMoreCornersAboveARadiusOfTen) {
  // Two half circles of k pieces: k - 1 corners each between the four side ends.
  for (auto [width, pieces] : {std::pair{2.0f, 1}, std::pair{20.0f, 6}, std::pair{21.0f, 8}}) {
    const double r = width / 2.0;
    pw::LineOutlineList list = OutlinesOf({{.x0 = 50, .y0 = 50, .x1 = 150, .y1 = 90, .width = width,
                                            .shape = pw::kBrushCircle, .capping = 1}});
    ASSERT_EQ(list.Size(), 1);
    const std::vector<pw::OutlinePoint> p = PointsOf(list, 0);
    ASSERT_EQ(p.size(), static_cast<std::size_t>(4 + 2 * (pieces - 1))) << "width " << width;
    // The first half lies around the start, the second around the end.
    for (std::size_t i = 0; i < p.size(); ++i) {
      const bool aroundStart = i < static_cast<std::size_t>(pieces + 1);
      EXPECT_NEAR(Distance(p[i], aroundStart ? 50 : 150, aroundStart ? 50 : 90), r, 1e-4) << i;
    }
  }
}

TEST(LineOutline, CappingDecidesHowFarTheOutlineReachesBeyondTheEnds) {
  // A horizontal dash from x 10 to 30, 6 wide; min and max x of its corners.
  auto reach = [](int shape, int capping) {
    pw::LineOutlineList list = OutlinesOf({{.x0 = 10, .y0 = 5, .x1 = 30, .y1 = 5, .width = 6, .shape = shape,
                                            .capping = capping}});
    EXPECT_EQ(list.Size(), 1);
    float lo = 1e9f, hi = -1e9f;
    for (const pw::OutlinePoint& p : list.points) {
      lo = std::min(lo, p.x);
      hi = std::max(hi, p.x);
    }
    return std::pair{lo, hi};
  };
  EXPECT_EQ(reach(pw::kBrushSquare, 0), (std::pair{10.0f, 30.0f}));
  EXPECT_EQ(reach(pw::kBrushSquare, 1), (std::pair{7.0f, 33.0f}));
  const auto inside = reach(pw::kBrushCircle, 0);
  EXPECT_NEAR(inside.first, 10.0f, 1e-4);
  EXPECT_NEAR(inside.second, 30.0f, 1e-4);
  const auto outside = reach(pw::kBrushCircle, 1);
  EXPECT_NEAR(outside.first, 7.0f, 1e-4);
  EXPECT_NEAR(outside.second, 33.0f, 1e-4);
}

TEST(LineOutline, ShapesAndCappingsThatDrawNothingGetNoOutline) {
  for (auto [shape, capping] : {std::pair{0, 2}, std::pair{1, -1}, std::pair{2, 0}, std::pair{-1, 1}}) {
    pw::LineOutlineList list = OutlinesOf({{.x0 = 0, .y0 = 0, .x1 = 10, .y1 = 0, .width = 2, .shape = shape,
                                            .capping = capping}});
    EXPECT_TRUE(list.Empty()) << shape << " " << capping;
  }
  // An empty store leaves an emptied list.
  pw::LineOutlineList list = OutlinesOf({{.x0 = 0, .y0 = 0, .x1 = 10, .y1 = 0, .width = 2}});
  pw::BuildOutlines(pw::LineStore{}, {}, list);
  EXPECT_TRUE(list.Empty());
  EXPECT_TRUE(list.points.empty());
}

TEST(LineOutline, SphericalLensWalksTheDashInStepsOfFourPixelsEndingExactlyAtItsEnd) {
  pw::PwProjection lens;
  lens.xc = 160;
  lens.yc = 120;
  lens.fov = 1.2f;
  for (auto [length, steps] : {std::pair{40.0f, 10}, std::pair{41.0f, 11}, std::pair{3.0f, 1}}) {
    pw::LineStore store;
    pw::LineSegment seg = pw_test::MakeSegment({.x0 = 100, .y0 = 100, .x1 = 100 + length, .y1 = 100,
                                                .width = 2, .z0 = -5, .z1 = -9});
    store.Insert(seg);
    pw::LineOutlineList list;
    pw::BuildOutlines(store, {true, &lens}, list);
    ASSERT_EQ(list.Size(), steps) << length;
    const host::Point2 first = pw::projectSpherical(lens, {seg.start.x, seg.start.y, seg.start.z});
    const host::Point2 last = pw::projectSpherical(lens, {seg.end.x, seg.end.y, seg.end.z});
    EXPECT_EQ(list.outlines.front().start.sx, first.x);
    EXPECT_EQ(list.outlines.front().start.sy, first.y);
    EXPECT_EQ(list.outlines.back().end.sx, last.x);
    EXPECT_EQ(list.outlines.back().end.sy, last.y);
    EXPECT_EQ(list.outlines.back().end.z, -9.0f);
    for (int i = 1; i < steps; ++i) {
      const pw::LineOutline& a = list.outlines[static_cast<std::size_t>(i - 1)];
      const pw::LineOutline& b = list.outlines[static_cast<std::size_t>(i)];
      EXPECT_EQ(a.end.sx, b.start.sx);
      EXPECT_EQ(a.end.sy, b.start.sy);
      EXPECT_EQ(a.end.z, b.start.z);
      EXPECT_GT(a.end.z, b.end.z) << "depth moves steadily towards the far end";
    }
  }
}

}  // namespace
