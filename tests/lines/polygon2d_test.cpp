// Segment-in-face tests on screen, checked against sampling.
#include "lines/polygon2d.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

using pw::ScreenPoint;

// Inside by barycentric signs, for points well away from the edges.
int SampleInside(ScreenPoint p, const std::array<ScreenPoint, 3>& t) {
  auto side = [&](ScreenPoint a, ScreenPoint b) {
    return (double(b.x) - a.x) * (double(p.y) - a.y) - (double(b.y) - a.y) * (double(p.x) - a.x);
  };
  const double s0 = side(t[0], t[1]), s1 = side(t[1], t[2]), s2 = side(t[2], t[0]);
  const double area = std::abs(side(t[0], t[1]) + side(t[1], t[2]) + side(t[2], t[0]));
  const double eps = 1e-6 * (area + 1.0);
  if ((s0 > eps && s1 > eps && s2 > eps) || (s0 < -eps && s1 < -eps && s2 < -eps)) return 1;
  if (std::abs(s0) <= eps || std::abs(s1) <= eps || std::abs(s2) <= eps) return -1;  // too close to tell
  return 0;
}

TEST(Polygon2d, StrictInsideAgreesWithSignsAndExcludesCorners) {
  const std::array<ScreenPoint, 3> tri{{{0, 0}, {10, 0}, {0, 10}}};
  EXPECT_TRUE(pw::PointStrictlyInside({2, 2}, tri));
  EXPECT_FALSE(pw::PointStrictlyInside({10, 0}, tri));
  EXPECT_FALSE(pw::PointStrictlyInside({8, 8}, tri));
  EXPECT_FALSE(pw::PointStrictlyInside({-1, 2}, tri));

  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(-20.0f, 20.0f);
  int checked = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::array<ScreenPoint, 3> t{{{u(rng), u(rng)}, {u(rng), u(rng)}, {u(rng), u(rng)}}};
    const ScreenPoint p{u(rng), u(rng)};
    const int expected = SampleInside(p, t);
    if (expected < 0) continue;
    ++checked;
    ASSERT_EQ(pw::PointStrictlyInside(p, t), expected == 1) << i;
  }
  EXPECT_GT(checked, 19000);
}

TEST(Polygon2d, IntervalInsideAgreesWithSamplingAlongTheSegment) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-20.0f, 20.0f);
  int withInterval = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::array<ScreenPoint, 3> t{{{u(rng), u(rng)}, {u(rng), u(rng)}, {u(rng), u(rng)}}};
    const ScreenPoint p{u(rng), u(rng)}, q{u(rng), u(rng)};
    double lo = 0, hi = 0;
    const bool found = pw::IntervalInPolygon(p, q, t, &lo, &hi);
    withInterval += found;
    // Without a crossing the segment is wholly inside or wholly outside;
    // callers tell which from its ends.
    const bool wholly = !found && pw::PointStrictlyInside(p, t);
    for (int k = 1; k < 64; ++k) {
      const double s = k / 64.0;
      const ScreenPoint m{static_cast<float>(p.x + s * (double(q.x) - p.x)),
                          static_cast<float>(p.y + s * (double(q.y) - p.y))};
      const int inside = SampleInside(m, t);
      if (inside < 0 || std::abs(s - lo) < 1e-3 || std::abs(s - hi) < 1e-3) continue;
      ASSERT_EQ(wholly || (found && s > lo && s < hi), inside == 1) << "case " << i << " at " << s;
    }
  }
  EXPECT_GT(withInterval, 400);
}

TEST(Polygon2d, SegmentsFromASharedCornerRunInsideUpToTheirCrossing) {
  const std::array<ScreenPoint, 3> tri{{{0, 0}, {10, 0}, {0, 10}}};
  double lo = 0, hi = 0;
  // Starts on a corner, leaves through the opposite edge at its middle.
  ASSERT_TRUE(pw::IntervalInPolygon({0, 0}, {10, 10}, tri, &lo, &hi));
  EXPECT_DOUBLE_EQ(lo, 0.0);
  EXPECT_DOUBLE_EQ(hi, 0.5);
  // Along an edge from corner to corner: the ends are corners, nothing crosses.
  EXPECT_FALSE(pw::IntervalInPolygon({0, 0}, {10, 0}, tri, &lo, &hi));
  // A point segment has no interval.
  EXPECT_FALSE(pw::IntervalInPolygon({2, 2}, {2, 2}, tri, &lo, &hi));
  // Wholly inside: no crossing, so no interval (callers test the ends).
  EXPECT_FALSE(pw::IntervalInPolygon({1, 1}, {2, 2}, tri, &lo, &hi));
}

}  // namespace
