// The quick answers may only ever say what the outline tests would say:
// whenever one fires, the tests find no interval and no end inside. Checked
// on random and deliberately close calls at several screen sizes.
#include "lines/outline_cull.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

namespace {

using pw::ScreenPoint;

bool OutlineTestsSayNothing(ScreenPoint p, ScreenPoint q, std::span<const ScreenPoint> outline) {
  double lo = 0, hi = 0;
  return !pw::IntervalInPolygon(p, q, outline, &lo, &hi) && !pw::PointStrictlyInside(p, outline) &&
         !pw::PointStrictlyInside(q, outline);
}

// A point at distance `d` beyond the edge u -> v of a triangle wound
// `inside` (+1 anticlockwise), at parameter t along it.
ScreenPoint Beyond(ScreenPoint u, ScreenPoint v, double t, double d, double inside) {
  const double ex = double(v.x) - u.x, ey = double(v.y) - u.y, len = std::hypot(ex, ey);
  // The inward normal of an anticlockwise triangle is (-ey, ex).
  const double nx = -ey / len * inside, ny = ex / len * inside;
  return {float(u.x + t * ex - d * nx), float(u.y + t * ey - d * ny)};
}

struct Tally {
  int fired = 0;
  int cases = 0;
};

void CheckSegmentCull(ScreenPoint p, ScreenPoint q, const std::array<ScreenPoint, 3>& t, Tally& tally, int i) {
  ++tally.cases;
  if (!pw::SegmentClearlyOutsideTriangle(p, q, t)) return;
  ++tally.fired;
  ASSERT_TRUE(OutlineTestsSayNothing(p, q, t))
      << "case " << i << ": p " << p.x << "," << p.y << " q " << q.x << "," << q.y << " triangle " << t[0].x << ","
      << t[0].y << " " << t[1].x << "," << t[1].y << " " << t[2].x << "," << t[2].y;
}

TEST(OutlineCull, SegmentClearOfATriangleIsOnlyEverWhatTheTestsSay) {
  std::mt19937 rng(41);
  Tally tally;
  int i = 0;
  for (double size : {10.0, 2000.0, 30000.0}) {
    std::uniform_real_distribution<float> u(float(-size), float(size));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int k = 0; k < 40000; ++k, ++i) {
      std::array<ScreenPoint, 3> t{{{u(rng), u(rng)}, {u(rng), u(rng)}, {u(rng), u(rng)}}};
      if (k % 4 == 0) {
        // Random segments anywhere.
        CheckSegmentCull({u(rng), u(rng)}, {u(rng), u(rng)}, t, tally, i);
      } else {
        // Close calls: both ends just beyond one edge, at distances from
        // well within rounding to well clear, some along the edge's line
        // past its corners, some nearly parallel to it.
        const double area = (double(t[1].x) - t[0].x) * (double(t[2].y) - t[0].y) -
                            (double(t[1].y) - t[0].y) * (double(t[2].x) - t[0].x);
        if (area == 0.0) continue;
        const int e = k % 3;
        const double d = std::pow(10.0, -8.0 + 8.0 * unit(rng));
        const double t0 = -0.5 + 2.0 * unit(rng), t1 = k % 5 == 0 ? t0 + 1e-3 : -0.5 + 2.0 * unit(rng);
        CheckSegmentCull(Beyond(t[e], t[(e + 1) % 3], t0, d, area > 0 ? 1 : -1),
                         Beyond(t[e], t[(e + 1) % 3], t1, d * (k % 7 == 0 ? 1.0 : 3.0), area > 0 ? 1 : -1), t,
                         tally, i);
      }
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(tally.fired, tally.cases / 3);  // it does answer for most of them
}

TEST(OutlineCull, OnlyTrianglesWithAreaAndRealNumbers) {
  const std::array<ScreenPoint, 3> flat{{{0, 0}, {1, 1}, {2, 2}}};
  EXPECT_FALSE(pw::SegmentClearlyOutsideTriangle({5, 0}, {6, 0}, flat));
  const std::array<ScreenPoint, 4> quad{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
  EXPECT_FALSE(pw::SegmentClearlyOutsideTriangle({5, 0}, {6, 0}, quad));
  const std::array<ScreenPoint, 3> t{{{0, 0}, {1, 0}, {0, 1}}};
  EXPECT_TRUE(pw::SegmentClearlyOutsideTriangle({5, 0}, {6, 1}, t));
  EXPECT_FALSE(pw::SegmentClearlyOutsideTriangle({NAN, 0}, {6, 1}, t));
  EXPECT_FALSE(pw::SegmentClearlyOutsideTriangle({-1, 0.5f}, {2, 0.5f}, t));  // through it
}

// A box beside the segment's line: nothing in it meets the segment, nor a
// piece of it whose ends stray from the line as re-projected points do.
TEST(OutlineCull, BoxClearOfTheLineIsOnlyEverWhatTheTestsSay) {
  std::mt19937 rng(43);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int fired = 0, cases = 0;
  for (double size : {10.0, 2000.0, 30000.0}) {
    std::uniform_real_distribution<float> u(float(-size), float(size));
    for (int k = 0; k < 30000; ++k) {
      const std::array<ScreenPoint, 3> t{{{u(rng), u(rng)}, {u(rng), u(rng)}, {u(rng), u(rng)}}};
      pw::ScreenDepthBox box;
      for (const ScreenPoint& c : t) box.Add(c.x, c.y, 0);
      ScreenPoint p{u(rng), u(rng)}, q{u(rng), u(rng)};
      if (k % 2 == 0) {
        // Past a corner of the box, at a distance near the margin.
        const ScreenPoint corner{k % 4 == 0 ? box.x0 : box.x1, k % 8 < 4 ? box.y0 : box.y1};
        const double a = 6.283185307179586 * unit(rng);
        const double d = std::pow(10.0, -6.0 + 6.0 * unit(rng)) * (1.0 + size * 1e-4);
        const double ox = corner.x + d * std::cos(a), oy = corner.y + d * std::sin(a);
        const double len = size * unit(rng);
        p = {float(ox - len * std::sin(a)), float(oy + len * std::cos(a))};
        q = {float(ox + len * std::sin(a)), float(oy - len * std::cos(a))};
      }
      ++cases;
      if (!pw::BoxClearOfLine(pw::LineThrough(p, q), box)) continue;
      ++fired;
      for (int piece = 0; piece < 4; ++piece) {
        // A piece with ends a rounding's width off the line.
        const double s0 = unit(rng), s1 = piece == 0 ? 1.0 : unit(rng);
        const float jitter = float(1e-7 * size);
        const ScreenPoint a{float(p.x + s0 * (double(q.x) - p.x)) + jitter, float(p.y + s0 * (double(q.y) - p.y))};
        const ScreenPoint b{float(p.x + s1 * (double(q.x) - p.x)), float(p.y + s1 * (double(q.y) - p.y)) - jitter};
        ASSERT_TRUE(OutlineTestsSayNothing(a, b, t)) << "size " << size << " case " << k;
      }
    }
  }
  EXPECT_GT(fired, cases / 10);
  // A segment of no length keeps every box.
  pw::ScreenDepthBox far;
  far.Add(100, 100, 0);
  far.Add(101, 101, 0);
  EXPECT_FALSE(pw::BoxClearOfLine(pw::LineThrough({0, 0}, {0, 0}), far));
  EXPECT_TRUE(pw::BoxClearOfLine(pw::LineThrough({0, 0}, {1, 0}), far));
}

}  // namespace
