// Screen-space tests of a segment against a convex face outline (a triangle
// or a clipped face's polygon): where the segment runs inside it, and
// whether a point lies strictly inside. Corners are compared exactly, so a
// segment ending on a shared corner of two faces is judged the same way by
// both.
#pragma once

#include <span>

namespace pw {

struct ScreenPoint {
  float x = 0.0f;
  float y = 0.0f;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Whether segment P->Q crosses segment U->V; *t is where along P->Q.
// Parallel segments never cross.
bool SegmentsCross(ScreenPoint p, ScreenPoint q, ScreenPoint u, ScreenPoint v, double* t);

// A point equal to a corner is not inside; otherwise the winding of the
// corners around the point decides.
bool PointStrictlyInside(ScreenPoint p, std::span<const ScreenPoint> polygon);

// The part of P->Q inside the polygon as a parameter interval [lo, hi] of
// P->Q. False when there is none (including P == Q).
bool IntervalInPolygon(ScreenPoint p, ScreenPoint q, std::span<const ScreenPoint> polygon, double* lo, double* hi);

}  // namespace pw
