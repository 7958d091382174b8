#include "lines/edge_smoothing.h"

#include <algorithm>
#include <cmath>

#include "frame/clip_segment.h"

namespace pw {

namespace {

// Camera-space arithmetic in doubles: control points far out along a
// nearly parallel tangent would lose the curve's shape in floats.
struct Vec {
  double x = 0.0, y = 0.0, z = 0.0;
};

Vec V(const host::Point3& p) { return {p.x, p.y, p.z}; }
host::Point3 P(const Vec& v) { return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)}; }
Vec operator+(const Vec& a, const Vec& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(const Vec& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(const Vec& a, const Vec& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// The unit direction P0->P1; false for a zero-length edge.
bool Direction(const host::Point3& p0, const host::Point3& p1, Vec* d) {
  const Vec e = V(p1) - V(p0);
  const double length = std::sqrt(Dot(e, e));
  if (length == 0.0) return false;
  *d = e * (1.0 / length);
  return true;
}

// A tangent this much shorter than a unit length, measured along the other
// end's normal, is taken as running parallel to that end's tangent plane:
// the meeting point would be far beyond anything a control point can mean.
constexpr double kParallelTolerance = 1e-9;

bool PlaneParameter(const Vec& origin, const Vec& direction, const Vec& planePoint, const Vec& planeNormal, double* s) {
  const double along = Dot(planeNormal, direction);
  const double scale = std::sqrt(Dot(direction, direction));
  if (!(std::fabs(along) > kParallelTolerance * scale)) return false;
  *s = Dot(planeNormal, planePoint - origin) / along;
  return true;
}

void Tangents(const Vec& d, const Vec& n0, const Vec& n1, Vec* t0, Vec* t1) {
  *t0 = Cross(Cross(n0, d), n0);
  *t1 = Cross(Cross(n1, d * -1.0), n1);
}

Vec Bezier(const SmoothedCurve& c, double u) {
  const double v = 1.0 - u;
  return V(c.p0) * (v * v * v) + V(c.c0) * (3.0 * u * v * v) + V(c.c1) * (3.0 * u * u * v) + V(c.p1) * (u * u * u);
}

float Lerp(float a, float b, double t) { return static_cast<float>(a + (static_cast<double>(b) - a) * t); }

SegmentEnd StepEnd(const host::Point3& p, float thickness, const PwProjection& projection) {
  SegmentEnd e;
  const host::Point2 s = project(projection, p);
  e.pos = {p.x, p.y, p.z, s.x, s.y};
  e.thickness = thickness;
  return e;
}

}  // namespace

bool SmoothingRefuses(const host::Point3& p0, const host::Point3& p1, const host::Point3& n0,
                      const host::Point3& n1) {
  Vec d;
  if (!Direction(p0, p1, &d)) return true;
  const Vec a = V(n0), b = V(n1);
  // Both normals lean away from the edge, as on an outward bulge.
  if (Dot(a, d) >= 0.0 || Dot(b, d * -1.0) >= 0.0) return true;
  // (N0 x d) x d is minus N0's part across the edge, so the product is
  // positive exactly when the two normals' parts across the edge point to
  // opposite sides: a twisted edge no single bulge can follow.
  return Dot(b, Cross(Cross(a, d), d)) > 0.0;
}

void SmoothingTangents(const host::Point3& d, const host::Point3& n0, const host::Point3& n1, host::Point3* t0,
                       host::Point3* t1) {
  Vec a, b;
  Tangents(V(d), V(n0), V(n1), &a, &b);
  *t0 = P(a);
  *t1 = P(b);
}

bool LinePlaneParameter(const host::Point3& origin, const host::Point3& direction, const host::Point3& planePoint,
                        const host::Point3& planeNormal, double* s) {
  return PlaneParameter(V(origin), V(direction), V(planePoint), V(planeNormal), s);
}

bool SmoothEdgeCurve(const host::Point3& p0, const host::Point3& p1, const host::Point3& n0, const host::Point3& n1,
                     float curvature, SmoothedCurve* out) {
  if (SmoothingRefuses(p0, p1, n0, n1)) return false;
  Vec d;
  Direction(p0, p1, &d);
  Vec t0, t1;
  Tangents(d, V(n0), V(n1), &t0, &t1);
  const double k = std::clamp(static_cast<double>(curvature), 0.0, 1.0);
  out->p0 = p0;
  out->p1 = p1;
  // Each control point heads along its tangent towards the other end's
  // tangent plane; a tangent parallel to that plane keeps the end point.
  double s = 0.0;
  out->c0 = PlaneParameter(V(p0), t0, V(p1), V(n1), &s) ? P(V(p0) + t0 * (s * k)) : p0;
  out->c1 = PlaneParameter(V(p1), t1, V(p0), V(n0), &s) ? P(V(p1) + t1 * (s * k)) : p1;
  return true;
}

host::Point3 CurvePoint(const SmoothedCurve& c, double u) {
  if (u <= 0.0) return c.p0;
  if (u >= 1.0) return c.p1;
  return P(Bezier(c, u));
}

bool CurveStep(const SmoothedCurve& c, int i, int n, float thickness0, float thickness1, const PwProjection& projection,
               const ClipPlanes& clip, SegmentEnd* a, SegmentEnd* b) {
  const double u0 = static_cast<double>(i - 1) / n;
  const double u1 = static_cast<double>(i) / n;
  const host::Point3 from = CurvePoint(c, u0);
  const host::Point3 to = CurvePoint(c, u1);
  ClippedSegment kept;
  if (!clipSegment(clip, from, to, &kept)) return false;
  const float ta = Lerp(thickness0, thickness1, u0);
  const float tb = Lerp(thickness0, thickness1, u1);
  // A clipped end is where the clipper put it along the step.
  const double f0 = std::clamp(static_cast<double>(kept.t0), 0.0, 1.0);
  const double f1 = std::clamp(static_cast<double>(kept.t1), 0.0, 1.0);
  *a = StepEnd(kept.a, f0 > 0.0 ? Lerp(ta, tb, f0) : ta, projection);
  *b = StepEnd(kept.b, f1 < 1.0 ? Lerp(ta, tb, f1) : tb, projection);
  return true;
}

}  // namespace pw
