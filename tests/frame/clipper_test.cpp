// The face clipper: fixed cases, then properties over random triangles
// checked against a brute-force coverage count.
#include "frame/clipper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include "frame/clip_planes.h"
#include "frame/clip_segment.h"
#include "view_fixture.h"

namespace {

using host::Point3;
using pw::ClipPoint;
using pw::FaceClipped;
using pw::FaceExcluded;
using pwtest::position;

std::span<const ClipPoint> polygonOf(const pw::PwRenderMesh& mesh, int face) {
  return pw::clippedPolygon(mesh, mesh.faces[face]);
}

// The polygon rotated to start at the point nearest `start`.
std::vector<ClipPoint> startingAt(std::span<const ClipPoint> poly, Point3 start) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < poly.size(); ++i) {
    if (host::Length(position(poly[i]) - start) < host::Length(position(poly[best]) - start)) best = i;
  }
  std::vector<ClipPoint> r;
  for (std::size_t i = 0; i < poly.size(); ++i) r.push_back(poly[(best + i) % poly.size()]);
  return r;
}

struct ExpectedPoint {
  Point3 p;
  int tag;
};

void expectPolygon(std::span<const ClipPoint> poly, const std::vector<ExpectedPoint>& want, float tol) {
  ASSERT_EQ(poly.size(), want.size());
  std::vector<ClipPoint> got = startingAt(poly, want[0].p);
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE("point " + std::to_string(i));
    EXPECT_NEAR(got[i].pos.x, want[i].p.x, tol);
    EXPECT_NEAR(got[i].pos.y, want[i].p.y, tol);
    EXPECT_NEAR(got[i].pos.z, want[i].p.z, tol);
    EXPECT_EQ(got[i].edgeTag(), want[i].tag);
  }
}

TEST(Clipper, TriangleStraddlingTheNearPlaneLosesItsNearCorner) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  // Corner 0 is between the eye and the near plane (z = -1).
  auto mesh = pwtest::cameraMesh({{0, 0, -0.5f}, {1, 0, -5}, {0, 1, -5}}, view.proj);
  pw::ClipStats stats = pw::clipMesh(mesh, view.proj, view.window);
  EXPECT_EQ(stats.clipped, 1);
  EXPECT_EQ(mesh.faces[0].faceFlags, FaceClipped);
  // Edge 0-1 meets z = -1 at 1/9 of the way, edge 2-0 at 8/9.
  expectPolygon(polygonOf(mesh, 0),
                {{{1.0f / 9.0f, 0, -1}, 1}, {{1, 0, -5}, 2}, {{0, 1, -5}, 3}, {{0, 1.0f / 9.0f, -1}, 0}}, 1e-5f);
}

TEST(Clipper, TriangleOverAWindowCornerGainsTheCorner) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  // At z = -10 the window spans x -10..10 and y -7.5..7.5 (less the inset).
  // The triangle covers the corner (-10, 7.5); its long edge misses the window.
  auto mesh = pwtest::cameraMesh({{-30, 0, -10}, {0, 20, -10}, {0, 0, -10}}, view.proj);
  pw::clipMesh(mesh, view.proj, view.window);
  EXPECT_EQ(mesh.faces[0].faceFlags, FaceClipped);
  expectPolygon(polygonOf(mesh, 0),
                {{{0, 0, -10}, 3}, {{-10, 0, -10}, 0}, {{-10, 7.5f, -10}, 0}, {{0, 7.5f, -10}, 2}}, 1e-3f);
  // The corner lands on the region's corner pixel border.
  auto corner = startingAt(polygonOf(mesh, 0), {-10, 7.5f, -10})[0];
  EXPECT_NEAR(corner.pos.sx, 0.0f, 0.01f);
  EXPECT_NEAR(corner.pos.sy, 0.0f, 0.01f);
}

TEST(Clipper, FacesWhollyOutsideOrInside) {
  auto view = pwtest::parallelView(64, 48, 64.0f, 1.0f, 100.0f);  // x -32..32, y -24..24
  struct Case {
    const char* what;
    std::vector<Point3> tri;
    std::uint8_t flags;
  };
  const float right = view.window.xmax;
  const Case cases[] = {
      {"inside", {{-5, -5, -10}, {5, -5, -10}, {0, 5, -10}}, 0},
      {"right of the window", {{40, 0, -10}, {50, 0, -10}, {45, 5, -10}}, FaceExcluded},
      {"behind the camera", {{0, 0, 1}, {1, 0, 1}, {0, 1, 2}}, FaceExcluded},
      {"beyond the far plane", {{0, 0, -101}, {1, 0, -101}, {0, 1, -150}}, FaceExcluded},
      // Touches the window's edge with one corner: nothing of it is inside.
      {"touching the edge", {{right, 0, -10}, {right + 5, 0, -10}, {right + 5, 5, -10}}, FaceExcluded},
      {"across the left edge", {{-40, 0, -10}, {0, 0, -10}, {-20, 5, -10}}, FaceClipped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto mesh = pwtest::cameraMesh(c.tri, view.proj);
    pw::ClipStats stats = pw::clipMesh(mesh, view.proj, view.window);
    EXPECT_EQ(mesh.faces[0].faceFlags, c.flags);
    EXPECT_EQ(stats.surviving(), c.flags == FaceExcluded ? 0 : 1);
    if (c.flags != FaceClipped) {
      EXPECT_EQ(mesh.faces[0].numClip, 0);
      EXPECT_TRUE(mesh.clipPoints.empty());
    }
  }
}

TEST(Clipper, ClippingTwiceGivesTheSameResultAndKeepsThePool) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  auto mesh = pwtest::cameraMesh({{0, 0, -0.5f}, {1, 0, -5}, {0, 1, -5}, {-30, 0, -10}, {0, 20, -10}, {0, 0, -10}},
                                 view.proj);
  pw::clipMesh(mesh, view.proj, view.window);
  std::vector<ClipPoint> first = mesh.clipPoints;
  const ClipPoint* storage = mesh.clipPoints.data();
  pw::clipMesh(mesh, view.proj, view.window);
  ASSERT_EQ(mesh.clipPoints.size(), first.size());
  EXPECT_EQ(mesh.clipPoints.data(), storage);
  EXPECT_EQ(std::memcmp(mesh.clipPoints.data(), first.data(), first.size() * sizeof(ClipPoint)), 0);
}

TEST(Clipper, SharedEdgeCrossingsAreIdenticalInBothFaces) {
  auto view = pwtest::perspectiveView(64, 48, 60.0f, 1.0f, 100.0f);
  pw::PwRenderMesh mesh;
  // Two faces sharing the edge (a, b); a lies in front of the near plane and
  // right of the window, so both planes cut the edge. The faces walk the edge
  // in opposite directions.
  Point3 a{0.8f, 0.1f, -0.5f}, b{1.0f, -1.0f, -8.0f}, c{-2.0f, 2.0f, -6.0f}, d{1.0f, -1.5f, -5.0f};
  mesh = pwtest::cameraMesh({a, b, c}, view.proj);
  auto other = pwtest::cameraMesh({b, a, d}, view.proj);
  pw::clipMesh(mesh, view.proj, view.window);
  pw::clipMesh(other, view.proj, view.window);
  auto onEdge = [](std::span<const ClipPoint> poly, int tag) {
    std::vector<Point3> pts;
    for (std::size_t i = 0; i < poly.size(); ++i) {
      if (poly[i].edgeTag() == tag) {
        pts.push_back(position(poly[i]));
        pts.push_back(position(poly[(i + 1) % poly.size()]));
      }
    }
    return pts;
  };
  std::vector<Point3> p = onEdge(polygonOf(mesh, 0), pw::kClipEdge01);
  std::vector<Point3> q = onEdge(polygonOf(other, 0), pw::kClipEdge01);
  ASSERT_EQ(p.size(), 2u);
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(p[0], q[1]);
  EXPECT_EQ(p[1], q[0]);
}

TEST(ClipSegment, KeepsCutsOrDrops) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  pw::ClipPlanes planes = pw::makeClipPlanes(view.window, true);
  pw::ClippedSegment s;
  ASSERT_TRUE(pw::clipSegment(planes, {0, 0, -2}, {1, 1, -4}, &s));
  EXPECT_EQ(s.a, Point3(0, 0, -2));
  EXPECT_EQ(s.b, Point3(1, 1, -4));
  EXPECT_EQ(s.t0, 0.0f);
  EXPECT_EQ(s.t1, 1.0f);

  ASSERT_TRUE(pw::clipSegment(planes, {0, 0, 0}, {0, 0, -4}, &s));  // from the eye
  EXPECT_NEAR(s.a.z, -1.0f, 1e-6f);
  EXPECT_NEAR(s.t0, 0.25f, 1e-6f);
  EXPECT_EQ(s.b, Point3(0, 0, -4));

  EXPECT_FALSE(pw::clipSegment(planes, {0, 0, 1}, {0, 0, 3}, &s));        // behind
  EXPECT_FALSE(pw::clipSegment(planes, {30, 0, -10}, {40, 5, -10}, &s));  // right of the view
  EXPECT_FALSE(pw::clipSegment(planes, {0, 0, -1}, {0, 0, 0}, &s));       // touches the near plane
}

// ---- Properties over random triangles ----------------------------------------

double distanceTo(const pw::ClipPlane& pl, Point3 p) { return double(pl.a) * p.x + double(pl.b) * p.y + double(pl.c) * p.z + pl.d; }

// Screen area of the part of a camera-space triangle inside the view, by
// shooting a ray through every sample of a fine pixel grid.
double bruteForceArea(const pwtest::TestView& view, const Point3 tri[3], double step) {
  const pw::PwProjection& proj = view.proj;
  Point3 n = host::CrossProd(tri[1] - tri[0], tri[2] - tri[0]);
  double nd = host::DotProd(n, tri[0]);
  double zNear = pw::effectiveNear(view.window, proj.perspective);
  int count = 0;
  for (double sy = view.region.y0 + step / 2; sy < view.region.y1 + 1; sy += step) {
    for (double sx = view.region.x0 + step / 2; sx < view.region.x1 + 1; sx += step) {
      double u = (sx - proj.xc) / proj.xscale;
      double v = (sy - proj.yc) / proj.yscale;
      double px, py, pz;
      if (proj.perspective) {
        // Camera points seen at (sx, sy) are t * (-u, -v, -1) for t > 0.
        double den = -(n.x * u + n.y * v + n.z);
        if (den == 0) continue;
        double t = nd / den;
        if (t <= 0) continue;
        px = -u * t, py = -v * t, pz = -t;
      } else {
        if (n.z == 0) continue;
        px = u, py = v, pz = (nd - n.x * u - n.y * v) / n.z;
      }
      if (pz > zNear || pz < view.window.zFar) continue;
      // Inside the triangle: the point is on the inner side of all three edges.
      bool inside = true;
      for (int k = 0; k < 3 && inside; ++k) {
        Point3 e = tri[(k + 1) % 3] - tri[k];
        double rx = px - tri[k].x, ry = py - tri[k].y, rz = pz - tri[k].z;
        double cx = e.y * rz - e.z * ry, cy = e.z * rx - e.x * rz, cz = e.x * ry - e.y * rx;
        inside = cx * n.x + cy * n.y + cz * n.z >= 0;
      }
      if (inside) ++count;
    }
  }
  return count * step * step;
}

double screenArea(std::span<const ClipPoint> poly, double* perimeter) {
  double sum = 0, len = 0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const pw::MeshVertex& p = poly[i].pos;
    const pw::MeshVertex& q = poly[(i + 1) % poly.size()].pos;
    sum += double(p.sx) * q.sy - double(p.sy) * q.sx;
    len += std::hypot(double(q.sx) - p.sx, double(q.sy) - p.sy);
  }
  *perimeter = len;
  return std::abs(sum) / 2;
}

std::string describe(const Point3 tri[3]) {
  std::ostringstream os;
  os.precision(9);
  os << "triangle {" << tri[0].x << ", " << tri[0].y << ", " << tri[0].z << "}, {" << tri[1].x << ", " << tri[1].y
     << ", " << tri[1].z << "}, {" << tri[2].x << ", " << tri[2].y << ", " << tri[2].z << "}";
  return os.str();
}

// Checks every point of a clipped polygon: inside the view, weights that
// give its position back, screen position of its camera position, and an
// edge tag naming the edge it really lies on.
void checkPolygonPoints(const pwtest::TestView& view, const Point3 tri[3], std::span<const ClipPoint> poly) {
  pw::ClipPlanes planes = pw::makeClipPlanes(view.window, view.proj.perspective);
  const double scale = 1e-5 * (1 + std::max({host::Length(tri[0]), host::Length(tri[1]), host::Length(tri[2])}));
  for (std::size_t i = 0; i < poly.size(); ++i) {
    SCOPED_TRACE("point " + std::to_string(i));
    const ClipPoint& p = poly[i];
    const ClipPoint& q = poly[(i + 1) % poly.size()];
    EXPECT_NEAR(p.b[0] + p.b[1] + p.b[2], 1.0f, 1e-5f);
    Point3 fromWeights = tri[0] * p.b[0] + tri[1] * p.b[1] + tri[2] * p.b[2];
    EXPECT_LE(host::Length(fromWeights - position(p)), 4 * scale);
    for (const pw::ClipPlane& pl : planes.plane) EXPECT_GE(distanceTo(pl, position(p)), -scale);
    host::Point2 s = pw::project(view.proj, position(p));
    EXPECT_EQ(p.pos.sx, s.x);
    EXPECT_EQ(p.pos.sy, s.y);
    int tag = p.edgeTag();
    if (tag == pw::kClipEdgeNone) {
      // Both ends on one of the view's planes.
      bool onPlane = false;
      for (const pw::ClipPlane& pl : planes.plane) {
        onPlane |= std::abs(distanceTo(pl, position(p))) <= scale && std::abs(distanceTo(pl, position(q))) <= scale;
      }
      EXPECT_TRUE(onPlane);
    } else {
      ASSERT_GE(tag, 1);
      ASSERT_LE(tag, 3);
      int opposite = (tag + 1) % 3;  // edge 1 (0-1) is opposite corner 2, ...
      EXPECT_NEAR(p.b[opposite], 0.0f, 1e-6f);
      EXPECT_NEAR(q.b[opposite], 0.0f, 1e-6f);
    }
  }
}

void checkRandomTriangles(const pwtest::TestView& view, std::uint32_t seed, Point3 lo, Point3 hi) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> ux(lo.x, hi.x), uy(lo.y, hi.y), uz(lo.z, hi.z);
  const double step = 1.0 / 8;
  int clipped = 0, excluded = 0;
  for (int trial = 0; trial < 60; ++trial) {
    Point3 tri[3];
    for (Point3& p : tri) p = {ux(rng), uy(rng), uz(rng)};
    SCOPED_TRACE(describe(tri));
    auto mesh = pwtest::cameraMesh({tri[0], tri[1], tri[2]}, view.proj);
    pw::clipMesh(mesh, view.proj, view.window);
    const pw::MeshFace& f = mesh.faces[0];

    double area = 0, perimeter = 0;
    if (f.faceFlags & FaceClipped) {
      ++clipped;
      checkPolygonPoints(view, tri, polygonOf(mesh, 0));
      area = screenArea(polygonOf(mesh, 0), &perimeter);
    } else if (f.faceFlags & FaceExcluded) {
      ++excluded;
    } else {
      ClipPoint whole[3];
      for (int k = 0; k < 3; ++k) whole[k].pos = mesh.verts[k];
      area = screenArea(whole, &perimeter);
    }
    double reference = bruteForceArea(view, tri, step);
    // Grid counting errs by at most about one sample row along the outline.
    EXPECT_NEAR(area, reference, perimeter * step + 4 * step * step);
  }
  // The ranges are chosen so that all three outcomes occur.
  EXPECT_GT(clipped, 10);
  EXPECT_GT(excluded, 0);
}

TEST(ClipperProperties, PerspectiveRandomTriangles) {
  auto view = pwtest::perspectiveView(64, 48, 70.0f, 1.0f, 18.0f);
  checkRandomTriangles(view, 1234, {-15, -12, -22}, {15, 12, 3});
}

TEST(ClipperProperties, ParallelRandomTriangles) {
  auto view = pwtest::parallelView(64, 48, 20.0f, 2.0f, 12.0f);
  checkRandomTriangles(view, 99, {-16, -12, -16}, {16, 12, 2});
}

TEST(ClipperProperties, RegionSmallerThanTheImage) {
  auto view = pwtest::perspectiveView(64, 48, 70.0f, 1.0f, 18.0f);
  view.region = {10, 5, 40, 30};
  view.window = pw::buildClipWindow(view.proj, view.region, 1.0f, 18.0f, false, 64, 48);
  checkRandomTriangles(view, 7, {-12, -10, -20}, {12, 10, 1});
}

}  // namespace
