// Clipping a camera-space line segment to the view: the same six planes the
// face clipper uses, for segments made after the object stage (intersection
// lines, smoothed edge steps, contour pieces).
#pragma once

#include "host/core/point.h"
#include "frame/clip_planes.h"

namespace pw {

struct ClippedSegment {
  host::Point3 a;
  host::Point3 b;
  float t0 = 0.0f;  // where a and b lie along the original segment, 0..1
  float t1 = 1.0f;
};

// False when nothing of a -> b (not even more than a point) is in the view.
bool clipSegment(const ClipPlanes& planes, const host::Point3& a, const host::Point3& b, ClippedSegment* out);

}  // namespace pw
