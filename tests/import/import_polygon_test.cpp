#include "import/import_polygon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "host/core/matrix3.h"
#include "host/core/quat.h"

using host::Point2;
using host::Point3;
using host::PolygonTriangle;

namespace {

// Twice the signed area of a 2D outline (counter-clockwise positive).
double Area2(const std::vector<Point2>& p) {
  double a = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const Point2& u = p[i];
    const Point2& v = p[(i + 1) % p.size()];
    a += static_cast<double>(u.x) * v.y - static_cast<double>(v.x) * u.y;
  }
  return a;
}

// Even-odd test, the reference for "inside".
bool Inside(const std::vector<Point2>& poly, Point2 q) {
  bool in = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Point2 &a = poly[i], &b = poly[j];
    if ((a.y > q.y) != (b.y > q.y) && q.x < (b.x - a.x) * (q.y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

struct Case {
  const char* name;
  std::vector<Point2> outline;
};

// Simple outlines, convex and not, in both windings.
std::vector<Case> Cases() {
  std::vector<Case> cases = {
      {"square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
      {"L shape", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}},
      {"L shape clockwise", {{0, 2}, {1, 2}, {1, 1}, {2, 1}, {2, 0}, {0, 0}}},
      // A fan from corner 0 of this arrow would cover the notch.
      {"arrow, reflex first", {{1, 1}, {0, 2}, {0, 0}, {3, 1}, {0, 4}}},
      {"comb", {{0, 0}, {5, 0}, {5, 3}, {4, 3}, {4, 1}, {3, 1}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}}},
      {"collinear corners", {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {0, 2}}},
  };
  // A five-pointed star.
  Case star{"star", {}};
  for (int i = 0; i < 10; ++i) {
    const double r = i % 2 ? 0.4 : 1.0, a = std::numbers::pi * i / 5.0;
    star.outline.emplace_back(static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)));
  }
  cases.push_back(star);
  // A 300-gon: more corners than a byte counts.
  Case big{"300-gon", {}};
  for (int i = 0; i < 300; ++i) {
    const double a = 2.0 * std::numbers::pi * i / 300.0;
    big.outline.emplace_back(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)));
  }
  cases.push_back(big);
  return cases;
}

// The outline placed in space, turned and moved away from the origin, so
// the triangulation has to find the plane itself.
std::vector<Point3> InSpace(const std::vector<Point2>& outline) {
  const host::Matrix3 tm =
      host::MatrixFromQuat(host::QuatFromAxisAngle(Point3(1.0f, 2.0f, 0.5f), 1.1f)) * host::TransMatrix({50, -20, 7});
  std::vector<Point3> out;
  for (const Point2& p : outline) out.push_back(Point3(p.x, p.y, 0.0f) * tm);
  return out;
}

TEST(TriangulatePolygon, CoversEachOutlineExactlyWithDiagonalsHidden) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const std::vector<Point3> corners = InSpace(c.outline);
    std::vector<PolygonTriangle> tris;
    host::PolygonScratch scratch;
    host::TriangulateResult r = host::TriangulatePolygon(corners, tris, scratch);
    const std::size_t n = c.outline.size();
    ASSERT_EQ(tris.size(), n - 2);
    EXPECT_EQ(r.forced, 0);

    const double polyArea = Area2(c.outline);
    double sum = 0.0;
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> outlineUses, diagonalUses;
    for (const PolygonTriangle& t : tris) {
      const std::vector<Point2> tri = {c.outline[t.c[0]], c.outline[t.c[1]], c.outline[t.c[2]]};
      const double a = Area2(tri);
      // Same winding as the outline, and inside it.
      EXPECT_GE(a * polyArea, 0.0);
      sum += std::fabs(a);
      const Point2 centroid = (tri[0] + tri[1] + tri[2]) / 3.0f;
      if (std::fabs(a) > 1e-9) {
        EXPECT_TRUE(Inside(c.outline, centroid)) << "triangle outside the outline";
      }
      for (int e = 0; e < 3; ++e) {
        auto key = std::minmax(t.c[e], t.c[(e + 1) % 3]);
        const bool isOutline = (t.c[(e + 1) % 3] == (t.c[e] + 1) % n);
        EXPECT_EQ(t.outline[e], isOutline);
        (isOutline ? outlineUses : diagonalUses)[key]++;
      }
    }
    EXPECT_NEAR(sum, std::fabs(polyArea), 1e-4 * std::fabs(polyArea));
    EXPECT_EQ(outlineUses.size(), n);  // every outline edge once
    for (const auto& [edge, uses] : outlineUses) EXPECT_EQ(uses, 1);
    for (const auto& [edge, uses] : diagonalUses) EXPECT_EQ(uses, 2);  // a diagonal is shared by two
  }
}

TEST(TriangulatePolygon, KeyholeWithRepeatedCornersStaysInside) {
  // A square with a square hole, joined by a bridge that repeats two corners.
  const std::vector<Point2> outline = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {1, 1}, {1, 3}, {3, 3}, {3, 1}, {1, 1}};
  std::vector<Point3> corners;
  for (const Point2& p : outline) corners.emplace_back(p.x, p.y, 0.0f);
  std::vector<PolygonTriangle> tris;
  host::PolygonScratch scratch;
  host::TriangulatePolygon(corners, tris, scratch);
  ASSERT_EQ(tris.size(), outline.size() - 2);
  double sum = 0.0;
  for (const PolygonTriangle& t : tris) {
    const std::vector<Point2> tri = {outline[t.c[0]], outline[t.c[1]], outline[t.c[2]]};
    sum += std::fabs(Area2(tri));
    const Point2 centroid = (tri[0] + tri[1] + tri[2]) / 3.0f;
    // Never in the hole.
    EXPECT_FALSE(centroid.x > 1 && centroid.x < 3 && centroid.y > 1 && centroid.y < 3);
  }
  EXPECT_NEAR(sum, 2.0 * (16.0 - 4.0), 1e-4);
}

TEST(TriangulatePolygon, DegenerateOutlinesStillGiveEveryTriangle) {
  const std::vector<std::vector<Point3>> cases = {
      {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}},             // a line
      {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},  // a point
      {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, 0}},             // a bow tie
  };
  for (const auto& corners : cases) {
    std::vector<PolygonTriangle> tris;
    host::PolygonScratch scratch;
    host::TriangulatePolygon(corners, tris, scratch);
    ASSERT_EQ(tris.size(), corners.size() - 2);
    for (const PolygonTriangle& t : tris)
      for (std::uint32_t c : t.c) EXPECT_LT(c, corners.size());
  }
  std::vector<PolygonTriangle> none;
  host::PolygonScratch scratch;
  const std::vector<Point3> two = {{0, 0, 0}, {1, 0, 0}};
  EXPECT_EQ(host::TriangulatePolygon(two, none, scratch).triangles, 0);
  EXPECT_TRUE(none.empty());
}

}  // namespace
