// Curved edges: which edges are curved, the shape of the curve against a
// slow reference, and its steps as they are clipped and projected.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "frame/view_fixture.h"
#include "lines/edge_smoothing.h"

namespace pw {
namespace {

using host::Point3;

// A rim edge of a 12-sided cylinder of radius 1 around the y axis, with
// the side's smooth (radial) normals at its ends.
struct RimEdge {
  Point3 p0, p1, n0, n1;
};

RimEdge Rim(int i, float z = -8.0f) {
  const float a0 = static_cast<float>(i) * 3.1415927f / 6.0f, a1 = static_cast<float>(i + 1) * 3.1415927f / 6.0f;
  return {{std::cos(a0), 1.0f, std::sin(a0) + z},
          {std::cos(a1), 1.0f, std::sin(a1) + z},
          {std::cos(a0), 0.0f, std::sin(a0)},
          {std::cos(a1), 0.0f, std::sin(a1)}};
}

// Every view plane open: nothing is clipped.
ClipPlanes OpenView() {
  ClipPlanes planes;
  for (ClipPlane& p : planes.plane) p = {0.0f, 0.0f, 0.0f, 1.0f};
  return planes;
}

// de Casteljau's construction, in doubles.
Point3 Casteljau(const SmoothedCurve& c, double u) {
  auto mix = [u](const Point3& a, const Point3& b) {
    return Point3(static_cast<float>(a.x + (double(b.x) - a.x) * u), static_cast<float>(a.y + (double(b.y) - a.y) * u),
                  static_cast<float>(a.z + (double(b.z) - a.z) * u));
  };
  const Point3 a = mix(c.p0, c.c0), b = mix(c.c0, c.c1), d = mix(c.c1, c.p1);
  const Point3 e = mix(a, b), f = mix(b, d);
  return mix(e, f);
}

double Distance(const Point3& a, const Point3& b) { return host::Length(a - b); }

// Barycentric weights of p in the tetrahedron a, b, c, d; false when the
// tetrahedron is too flat to tell.
bool TetraWeights(const Point3& a, const Point3& b, const Point3& c, const Point3& d, const Point3& p, double w[4]) {
  const Point3 e1 = b - a, e2 = c - a, e3 = d - a, q = p - a;
  const double det = host::DotProd(e1, host::CrossProd(e2, e3));
  const double scale = host::Length(e1) * host::Length(e2) * host::Length(e3);
  if (!(std::fabs(det) > 1e-3 * scale)) return false;
  w[1] = host::DotProd(q, host::CrossProd(e2, e3)) / det;
  w[2] = host::DotProd(e1, host::CrossProd(q, e3)) / det;
  w[3] = host::DotProd(e1, host::CrossProd(e2, q)) / det;
  w[0] = 1.0 - w[1] - w[2] - w[3];
  return true;
}

TEST(EdgeSmoothing, OnlyEdgesOnAnOutwardBulgeAreCurved) {
  // A cylinder's rim bulges: its normals lean away from the edge and turn
  // to the same side.
  const RimEdge rim = Rim(2);
  EXPECT_FALSE(SmoothingRefuses(rim.p0, rim.p1, rim.n0, rim.n1));
  // A flat-shaded edge: both normals are the face normal, across the edge.
  EXPECT_TRUE(SmoothingRefuses({0, 0, -5}, {1, 0, -5}, {0, 0, 1}, {0, 0, 1}));
  // Concave: the normals lean towards each other.
  EXPECT_TRUE(SmoothingRefuses(rim.p0, rim.p1, -rim.n0, -rim.n1));
  // One end leaning away, the other not.
  EXPECT_TRUE(SmoothingRefuses(rim.p0, rim.p1, rim.n0, -rim.n1));
  // Twisted: both lean away, but turn to opposite sides of the edge.
  const Point3 n0 = host::Normalize(Point3(-0.3f, 0.0f, 1.0f)), n1 = host::Normalize(Point3(0.3f, 0.0f, -1.0f));
  EXPECT_TRUE(SmoothingRefuses({0, 0, -5}, {1, 0, -5}, n0, n1));
  // A zero-length edge has no direction.
  EXPECT_TRUE(SmoothingRefuses(rim.p0, rim.p0, rim.n0, rim.n1));
  SmoothedCurve c;
  EXPECT_FALSE(SmoothEdgeCurve(rim.p0, rim.p1, -rim.n0, -rim.n1, 0.5f, &c));
}

TEST(EdgeSmoothing, TheCurveFollowsTheTangentsAndStaysInItsHull) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> r(-1.0f, 1.0f);
  int curved = 0, inSolidHull = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    const Point3 p0(r(rng), r(rng), r(rng) - 5.0f), p1(r(rng), r(rng), r(rng) - 5.0f);
    const Point3 n0 = host::Normalize(Point3(r(rng), r(rng), r(rng)));
    const Point3 n1 = host::Normalize(Point3(r(rng), r(rng), r(rng)));
    const float k = (trial % 5) * 0.25f;
    SmoothedCurve c;
    if (!SmoothEdgeCurve(p0, p1, n0, n1, k, &c)) continue;
    ++curved;
    ASSERT_EQ(c.p0, p0);
    ASSERT_EQ(c.p1, p1);
    // Control points along the end tangents.
    const Point3 d = host::Normalize(p1 - p0);
    Point3 t0, t1;
    SmoothingTangents(d, n0, n1, &t0, &t1);
    EXPECT_NEAR(host::DotProd(t0, n0), 0.0, 1e-5);
    EXPECT_NEAR(host::DotProd(t1, n1), 0.0, 1e-5);
    const Point3 h0 = c.c0 - p0;
    if (host::Length(h0) > 0.05f && host::Length(t0) > 1e-3f) {
      EXPECT_NEAR(host::Length(host::CrossProd(host::Normalize(h0), host::Normalize(t0))), 0.0, 1e-3);
      // The curve leaves P0 along T0: at u the chord turns from it by about
      // u times the second difference over the handle, plus float noise.
      const double u = 1e-3;
      const Point3 start = CurvePoint(c, u) - p0;
      const double bend = host::Length(c.c1 - c.c0 * 2.0f + p0) + host::Length(p1 - c.c1 * 3.0f + c.c0 * 3.0f - p0);
      const double slack = 2.0 * u * bend / host::Length(h0) + 1e-4 / (u * host::Length(h0));
      EXPECT_NEAR(host::Length(host::CrossProd(host::Normalize(start), host::Normalize(h0))), 0.0, slack);
    }
    double w[4];
    const bool solid = TetraWeights(c.p0, c.c0, c.c1, c.p1, p0, w);
    for (int i = 0; i <= 16; ++i) {
      const double u = i / 16.0;
      const Point3 q = CurvePoint(c, u);
      const Point3 ref = Casteljau(c, u);
      const double size = Distance(c.p0, c.c0) + Distance(c.c0, c.c1) + Distance(c.c1, c.p1) + 1.0;
      EXPECT_LE(Distance(q, ref), 1e-5 * size) << "trial " << trial << " u " << u;
      if (solid && TetraWeights(c.p0, c.c0, c.c1, c.p1, q, w)) {
        ++inSolidHull;
        for (double x : w) EXPECT_GE(x, -1e-4) << "trial " << trial << " u " << u;
      }
    }
  }
  EXPECT_GT(curved, 100);
  EXPECT_GT(inSolidHull, 1000);
}

TEST(EdgeSmoothing, ControlPointsReachTowardsTheOtherEndsTangentPlane) {
  const RimEdge rim = Rim(0);
  SmoothedCurve full, half, flat;
  ASSERT_TRUE(SmoothEdgeCurve(rim.p0, rim.p1, rim.n0, rim.n1, 1.0f, &full));
  ASSERT_TRUE(SmoothEdgeCurve(rim.p0, rim.p1, rim.n0, rim.n1, 0.5f, &half));
  ASSERT_TRUE(SmoothEdgeCurve(rim.p0, rim.p1, rim.n0, rim.n1, 0.0f, &flat));
  // Curvature 1: on the circle's two tangent lines, both control points are
  // where they meet, tan(15 degrees) from each end.
  EXPECT_NEAR(host::DotProd(full.c0 - rim.p1, rim.n1), 0.0, 1e-5);
  EXPECT_NEAR(host::DotProd(full.c1 - rim.p0, rim.n0), 0.0, 1e-5);
  EXPECT_NEAR(Distance(full.c0, full.c1), 0.0, 1e-5);
  EXPECT_NEAR(Distance(full.c0, rim.p0), std::tan(3.1415927 / 12.0), 1e-5);
  EXPECT_NEAR(Distance(half.c0, rim.p0), 0.5 * std::tan(3.1415927 / 12.0), 1e-5);
  // Curvature 0: the control points are the ends; the curve is the edge.
  EXPECT_EQ(flat.c0, rim.p0);
  EXPECT_EQ(flat.c1, rim.p1);
  for (int i = 0; i <= 8; ++i) {
    const Point3 q = CurvePoint(flat, i / 8.0);
    EXPECT_NEAR(host::Length(host::CrossProd(q - rim.p0, rim.p1 - rim.p0)), 0.0, 1e-5);
  }
  // A curve bulges outward: its middle lies outside the chord, towards the
  // circle, and never beyond it.
  const Point3 mid = CurvePoint(half, 0.5);
  const double fromAxis = std::hypot(mid.x, mid.z + 8.0);
  EXPECT_GT(fromAxis, std::cos(3.1415927 / 12.0) + 1e-3);
  EXPECT_LT(fromAxis, 1.0);
}

TEST(EdgeSmoothing, ATangentParallelToTheOtherPlaneKeepsTheEndPoint) {
  double s = 0.0;
  EXPECT_FALSE(LinePlaneParameter({0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 1}, &s));
  ASSERT_TRUE(LinePlaneParameter({0, 0, 0}, {1, 0, 1}, {0, 0, 2}, {0, 0, 1}, &s));
  EXPECT_DOUBLE_EQ(s, 2.0);
  // N0 pointing straight back along the edge: T0 vanishes and meets no
  // plane, so C0 stays at P0 while C1 still moves.
  const Point3 p0(0, 0, -5), p1(1, 0, -5);
  const Point3 n1 = host::Normalize(Point3(1, 0, 1));
  SmoothedCurve c;
  ASSERT_TRUE(SmoothEdgeCurve(p0, p1, {-1, 0, 0}, n1, 0.5f, &c));
  EXPECT_EQ(c.c0, p0);
  EXPECT_NE(c.c1, p1);
}

TEST(EdgeSmoothing, StepsMeetEndToEndWithThicknessAlongTheEdge) {
  const pwtest::TestView view = pwtest::perspectiveView(640, 480, 60.0f, 0.1f, 1000.0f);
  const RimEdge rim = Rim(1);
  SmoothedCurve c;
  ASSERT_TRUE(SmoothEdgeCurve(rim.p0, rim.p1, rim.n0, rim.n1, 0.5f, &c));
  const ClipPlanes open = OpenView();
  const int n = 6;
  SegmentEnd previous;
  for (int i = 1; i <= n; ++i) {
    SegmentEnd a, b;
    ASSERT_TRUE(CurveStep(c, i, n, 0.2f, 0.8f, view.proj, open, &a, &b));
    EXPECT_FLOAT_EQ(a.thickness, 0.2f + 0.6f * (i - 1) / n);
    EXPECT_FLOAT_EQ(b.thickness, 0.2f + 0.6f * i / n);
    const host::Point2 s = project(view.proj, {b.pos.x, b.pos.y, b.pos.z});
    EXPECT_EQ(b.pos.sx, s.x);
    EXPECT_EQ(b.pos.sy, s.y);
    if (i == 1) {
      EXPECT_EQ(a.pos.x, rim.p0.x);
      EXPECT_EQ(a.pos.z, rim.p0.z);
    } else {
      EXPECT_TRUE(std::memcmp(&a.pos, &previous.pos, sizeof(MeshVertex)) == 0) << "step " << i;
    }
    if (i == n) {
      EXPECT_EQ(host::Point3(b.pos.x, b.pos.y, b.pos.z), rim.p1);
    }
    previous = b;
  }
  // One step: the straight edge.
  SegmentEnd a, b;
  ASSERT_TRUE(CurveStep(c, 1, 1, 0.2f, 0.8f, view.proj, open, &a, &b));
  EXPECT_EQ(host::Point3(a.pos.x, a.pos.y, a.pos.z), rim.p0);
  EXPECT_EQ(host::Point3(b.pos.x, b.pos.y, b.pos.z), rim.p1);
}

TEST(EdgeSmoothing, AClippedStepTakesTheThicknessWhereItWasCut) {
  const pwtest::TestView view = pwtest::perspectiveView(640, 480, 60.0f, 0.1f, 1000.0f);
  ClipPlanes planes = OpenView();
  planes.plane[kPlaneXMax] = {-1.0f, 0.0f, 0.0f, 0.5f};  // x <= 0.5
  // A straight curve from x = 0 to x = 2: its one step is cut at a quarter.
  const SmoothedCurve c{{0, 0, -5}, {0, 0, -5}, {2, 0, -5}, {2, 0, -5}};
  SegmentEnd a, b;
  ASSERT_TRUE(CurveStep(c, 1, 1, 1.0f, 0.0f, view.proj, planes, &a, &b));
  EXPECT_FLOAT_EQ(a.thickness, 1.0f);
  EXPECT_NEAR(b.pos.x, 0.5f, 1e-6);
  EXPECT_NEAR(b.thickness, 0.75f, 1e-6);
  // Evenly spaced control points run along the edge at constant speed. With
  // x <= 0.75, of four steps the second is cut halfway and takes the
  // thickness at x = 0.75; the third and fourth are outside.
  planes.plane[kPlaneXMax] = {-1.0f, 0.0f, 0.0f, 0.75f};
  const SmoothedCurve line{{0, 0, -5}, {2.0f / 3, 0, -5}, {4.0f / 3, 0, -5}, {2, 0, -5}};
  ASSERT_TRUE(CurveStep(line, 2, 4, 1.0f, 0.0f, view.proj, planes, &a, &b));
  EXPECT_NEAR(a.pos.x, 0.5f, 1e-6);
  EXPECT_NEAR(b.pos.x, 0.75f, 1e-6);
  EXPECT_NEAR(a.thickness, 0.75f, 1e-6);
  EXPECT_NEAR(b.thickness, 0.625f, 1e-6);
  EXPECT_FALSE(CurveStep(line, 3, 4, 1.0f, 0.0f, view.proj, planes, &a, &b));
  EXPECT_FALSE(CurveStep(line, 4, 4, 1.0f, 0.0f, view.proj, planes, &a, &b));
}

}  // namespace
}  // namespace pw
