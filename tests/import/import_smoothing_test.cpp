#include "import/import_smoothing.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <numbers>
#include <vector>

#include "import/import_weld.h"

using host::Point3;

namespace {

// Triangles with a normal per corner, before welding, as a file stores them.
struct Soup {
  std::vector<Point3> positions;  // 3 per triangle
  std::vector<Point3> normals;    // 3 per triangle

  void Tri(Point3 a, Point3 b, Point3 c, Point3 na, Point3 nb, Point3 nc) {
    positions.insert(positions.end(), {a, b, c});
    normals.insert(normals.end(), {na, nb, nc});
  }
  void FlatQuad(Point3 a, Point3 b, Point3 c, Point3 d) {
    const Point3 n = host::Normalize(host::CrossProd(b - a, c - a));
    Tri(a, b, c, n, n, n);
    Tri(a, c, d, n, n, n);
  }
};

struct Welded {
  std::vector<std::uint32_t> corners;
  std::uint32_t verts = 0;
  std::vector<std::uint32_t> groups;
  host::SmoothingStats stats;
};

Welded Smooth(const Soup& s) {
  Welded w;
  std::vector<Point3> unique;
  host::WeldByPosition(s.positions, w.corners, unique);
  w.verts = static_cast<std::uint32_t>(unique.size());
  w.stats = host::SmoothingFromNormals(w.corners, s.normals, w.verts, w.groups);
  return w;
}

// For every pair of faces sharing an edge: whether the normals agree at both
// ends (the reference for "smooth"), checked against the groups.
void ExpectGroupsMatchNormals(const Soup& s, const Welded& w) {
  const std::size_t faces = w.groups.size();
  int shared = 0;
  for (std::size_t f = 0; f < faces; ++f)
    for (std::size_t g = f + 1; g < faces; ++g)
      for (int e = 0; e < 3; ++e)
        for (int k = 0; k < 3; ++k) {
          const std::uint32_t a = w.corners[3 * f + e], b = w.corners[3 * f + (e + 1) % 3];
          const std::uint32_t c = w.corners[3 * g + k], d = w.corners[3 * g + (k + 1) % 3];
          if (!(a == d && b == c) && !(a == c && b == d)) continue;
          const std::size_t ga = 3 * g + (c == a ? k : (k + 1) % 3), gb = 3 * g + (c == a ? (k + 1) % 3 : k);
          const bool smooth = host::DotProd(s.normals[3 * f + e], s.normals[ga]) > 0.9999f &&
                              host::DotProd(s.normals[3 * f + (e + 1) % 3], s.normals[gb]) > 0.9999f;
          ++shared;
          if (smooth)
            EXPECT_NE(w.groups[f] & w.groups[g], 0u) << "smooth edge between faces " << f << " and " << g;
          else
            EXPECT_EQ(w.groups[f] & w.groups[g], 0u) << "hard edge between faces " << f << " and " << g;
        }
  EXPECT_GT(shared, 0);
}

Soup Cube() {
  Soup s;
  const Point3 p[8] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  s.FlatQuad(p[0], p[3], p[2], p[1]);
  s.FlatQuad(p[4], p[5], p[6], p[7]);
  s.FlatQuad(p[0], p[1], p[5], p[4]);
  s.FlatQuad(p[1], p[2], p[6], p[5]);
  s.FlatQuad(p[2], p[3], p[7], p[6]);
  s.FlatQuad(p[3], p[0], p[4], p[7]);
  return s;
}

// A tube of n quads around z; seams: quad boundaries whose normals are split.
Soup Tube(int n, const std::vector<int>& seams) {
  Soup s;
  auto at = [&](int i, float z) {
    const double a = 2.0 * std::numbers::pi * (i % n) / n;
    return Point3(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), z);
  };
  auto normal = [&](int i, int side) {
    // At a seam each side keeps its own face's direction.
    for (int seam : seams)
      if (i % n == seam) {
        const double a = 2.0 * std::numbers::pi * (i + (side < 0 ? -0.5 : 0.5)) / n;
        return Point3(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0.0f);
      }
    Point3 p = at(i, 0.0f);
    return host::Normalize(p);
  };
  for (int i = 0; i < n; ++i) {
    const Point3 n0 = normal(i, +1), n1 = normal(i + 1, -1);
    s.Tri(at(i, 0), at(i + 1, 0), at(i + 1, 1), n0, n1, n1);
    s.Tri(at(i, 0), at(i + 1, 1), at(i, 1), n0, n1, n0);
  }
  return s;
}

TEST(SmoothingFromNormals, CubeSidesAreFlatAndApart) {
  const Soup s = Cube();
  const Welded w = Smooth(s);
  EXPECT_EQ(w.verts, 8u);
  ExpectGroupsMatchNormals(s, w);
  for (std::size_t side = 0; side < 6; ++side) {
    EXPECT_NE(w.groups[2 * side], 0u);
    EXPECT_EQ(w.groups[2 * side], w.groups[2 * side + 1]);
  }
}

TEST(SmoothingFromNormals, SmoothSurfaceIsOneGroup) {
  const Soup s = Tube(16, {});
  const Welded w = Smooth(s);
  ExpectGroupsMatchNormals(s, w);
  for (std::uint32_t g : w.groups) EXPECT_EQ(g, w.groups[0]);
  EXPECT_EQ(std::popcount(w.groups[0]), 1);
  EXPECT_EQ(w.stats.hardEdges, 0);
}

TEST(SmoothingFromNormals, HardEdgesInsideOneRegionStayHard) {
  // One seam does not cut the tube into two regions: the faces on its two
  // sides are still joined the long way round.
  for (const std::vector<int>& seams : {std::vector<int>{0}, std::vector<int>{3}, std::vector<int>{0, 5}}) {
    const Soup s = Tube(12, seams);
    const Welded w = Smooth(s);
    ExpectGroupsMatchNormals(s, w);
    EXPECT_EQ(w.stats.hardEdges, static_cast<int>(seams.size()));
    EXPECT_EQ(w.stats.smoothEdgesLost, 0);
  }
}

TEST(SmoothingFromNormals, MoreNeighboursThanGroupsShadeFlatButStayHard) {
  // 40 flat wedges round one point, each of two triangles: every wedge meets
  // every other at the centre with another normal.
  Soup s;
  const int n = 40;
  for (int i = 0; i < n; ++i) {
    const double a0 = 2.0 * std::numbers::pi * i / n, a1 = 2.0 * std::numbers::pi * (i + 1) / n;
    const double am = (a0 + a1) / 2.0;
    const Point3 p0(static_cast<float>(std::cos(a0)), static_cast<float>(std::sin(a0)), 0.0f);
    const Point3 p1(static_cast<float>(std::cos(a1)), static_cast<float>(std::sin(a1)), 0.0f);
    const Point3 pm(static_cast<float>(0.5 * std::cos(am)), static_cast<float>(0.5 * std::sin(am)), 0.0f);
    const Point3 tilt =
        host::Normalize(Point3(static_cast<float>(std::cos(am)), static_cast<float>(std::sin(am)), 2.0f));
    s.Tri(Point3(0, 0, 1), pm + Point3(0, 0, 0.5f), p0, tilt, tilt, tilt);
    s.Tri(Point3(0, 0, 1), p1, pm + Point3(0, 0, 0.5f), tilt, tilt, tilt);
  }
  const Welded w = Smooth(s);
  ExpectGroupsMatchNormals(s, w);
  EXPECT_GT(w.stats.fallbackFlat, 0);
  EXPECT_EQ(w.stats.smoothEdgesLost, 0);
}

// A normal in the xy plane, a different one for each of thousands of faces
// with any two following ones far apart (a big turn per step).
Point3 OwnNormal(int i) {
  const double t = 0.7 * i;
  return Point3(static_cast<float>(std::cos(t)), static_cast<float>(std::sin(t)), 0.0f);
}

// n triangles on the edge (0,0,0)-(0,0,1), each fin turned by its own
// angle; `smooth` gives every fin the same normals (copies of one surface),
// otherwise each its own (fins next to each other meet hard).
Soup Fins(int n, bool smooth) {
  Soup s;
  const Point3 a(0, 0, 0), b(0, 0, 1);
  for (int i = 0; i < n; ++i) {
    const double t = std::numbers::pi * i / n;
    const Point3 c(static_cast<float>(std::cos(t)), static_cast<float>(std::sin(t)), 0.5f);
    const Point3 nf = smooth ? Point3(0, 1, 0) : OwnNormal(i);
    s.Tri(a, b, c, nf, nf, nf);
  }
  return s;
}

// n flat triangles around the centre of a disk (smooth) or of a shallow
// cone whose facets keep their own normals (every spoke hard; the normals
// are made far apart, as facets this narrow would not be).
Soup Fan(int n, bool smooth) {
  Soup s;
  const Point3 centre(0, 0, 1);
  auto rim = [&](int i) {
    const double t = 2.0 * std::numbers::pi * (i % n) / n;
    return Point3(static_cast<float>(std::cos(t)), static_cast<float>(std::sin(t)), smooth ? 1.0f : 0.0f);
  };
  for (int i = 0; i < n; ++i) {
    const Point3 p = rim(i), q = rim(i + 1);
    const Point3 nf = smooth ? Point3(0, 0, 1) : OwnNormal(i);
    s.Tri(centre, p, q, nf, nf, nf);
  }
  return s;
}

double SecondsToSmooth(const Soup& s, Welded* w) {
  const auto start = std::chrono::steady_clock::now();
  *w = Smooth(s);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Up to a few faces on one edge, every two are compared, as the reference does.
TEST(SmoothingFromNormals, FewFinsOnOneEdgeAreComparedPairwise) {
  for (bool smooth : {false, true}) {
    const Soup s = Fins(6, smooth);
    const Welded w = Smooth(s);
    ExpectGroupsMatchNormals(s, w);
  }
}

// Thousands of faces on one edge or around one vertex: the work stays near
// linear (it grew with the square of the faces, past any memory), hard
// edges stay hard and smooth surfaces smooth.
TEST(SmoothingFromNormals, HugeFansStayLinearAndKeepTheirEdges) {
  constexpr int kFaces = 40000;
  struct Case {
    const char* name;
    Soup soup;
    bool smooth;
  };
  const Case cases[] = {
      {"hard fins", Fins(kFaces, false), false},
      {"smooth fins", Fins(kFaces, true), true},
      {"hard fan", Fan(kFaces, false), false},
      {"smooth fan", Fan(kFaces, true), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Welded w;
    // Quadratic work would take minutes; linear work well under a second.
    EXPECT_LT(SecondsToSmooth(c.soup, &w), 10.0);
    ASSERT_EQ(w.groups.size(), static_cast<std::size_t>(kFaces));
    if (c.smooth) {
      for (std::uint32_t g : w.groups) ASSERT_NE(g & w.groups[0], 0u);
      EXPECT_EQ(w.stats.smoothEdgesLost, 0);
    } else {
      // Faces that meet only across hard edges need no group at all.
      for (std::uint32_t g : w.groups) ASSERT_EQ(g, 0u);
    }
  }
}

TEST(WeldByPosition, JoinsEqualPositionsOnly) {
  const std::vector<Point3> p = {{0, 0, 0}, {1, 0, 0}, {-0.0f, 0, 0}, {1, 0, 0}, {1, 0, 1e-7f}};
  std::vector<std::uint32_t> remap;
  std::vector<Point3> welded;
  host::WeldByPosition(p, remap, welded);
  EXPECT_EQ(remap, (std::vector<std::uint32_t>{0, 1, 0, 1, 2}));
  EXPECT_EQ(welded.size(), 3u);
}

}  // namespace
