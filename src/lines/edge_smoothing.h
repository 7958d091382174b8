// Drawing a mesh edge as a curve that follows the surface: a cubic Bezier
// from the edge's low to its high vertex whose end tangents lie in the
// planes the vertex normals make with the edge, cut into straight steps.
// A coarse cylinder's outline or a sphere's folds then read as round.
//
// Only edges on an outward bulge are curved: both normals lean away from
// the edge and turn to the same side of it. Anything else is left to be
// drawn straight.
#pragma once

#include "frame/clip_planes.h"
#include "frame/projection.h"
#include "host/core/point.h"
#include "lines/line_emit.h"

namespace pw {

// The curve's four control points, camera space.
struct SmoothedCurve {
  host::Point3 p0;
  host::Point3 c0;
  host::Point3 c1;
  host::Point3 p1;
};

// True when the edge P0->P1 with unit vertex normals N0, N1 is to stay
// straight: a normal that does not lean away from the edge (a flat-shaded
// edge's normals are perpendicular to it), normals turning to opposite
// sides, or a zero-length edge.
bool SmoothingRefuses(const host::Point3& p0, const host::Point3& p1, const host::Point3& n0,
                      const host::Point3& n1);

// The tangents at P0 and P1 for the unit edge direction d: each lies in the
// plane of its normal and the edge, perpendicular to the normal, and points
// along the edge (T0 towards P1, T1 towards P0). Not normalised.
void SmoothingTangents(const host::Point3& d, const host::Point3& n0, const host::Point3& n1, host::Point3* t0,
                       host::Point3* t1);

// Where the line origin + s * direction meets the plane through planePoint
// with normal planeNormal. False when the line runs parallel to the plane.
bool LinePlaneParameter(const host::Point3& origin, const host::Point3& direction, const host::Point3& planePoint,
                        const host::Point3& planeNormal, double* s);

// The curve of the edge, or false when it is refused. curvature (0..1)
// scales how far each control point goes along its tangent towards the
// other end's tangent plane: 0 gives the straight edge.
bool SmoothEdgeCurve(const host::Point3& p0, const host::Point3& p1, const host::Point3& n0, const host::Point3& n1,
                     float curvature, SmoothedCurve* out);

// The curve at u in 0..1; exactly P0 at 0 and P1 at 1.
host::Point3 CurvePoint(const SmoothedCurve& c, double u);

// Step i (1..n) of the curve cut into n steps, clipped to the view and
// projected: its ends with the thickness interpolated along the edge from
// thickness0 (at P0) to thickness1 (at P1); a clipped end takes the
// thickness at its place along the step. Consecutive steps share their
// end point exactly where neither is clipped. False when nothing of the
// step is in view.
bool CurveStep(const SmoothedCurve& c, int i, int n, float thickness0, float thickness1, const PwProjection& projection,
               const ClipPlanes& clip, SegmentEnd* a, SegmentEnd* b);

}  // namespace pw
