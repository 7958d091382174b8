// The six planes that bound the drawn part of camera space, as signed
// distances: a point is inside a plane when its distance is >= 0.
#pragma once

#include <cstdint>

#include "host/core/point.h"
#include "frame/clip_window.h"

namespace pw {

// Plane order, which is also the outcode bit order.
enum ClipPlaneIndex : int {
  kPlaneXMin = 0,
  kPlaneXMax = 1,
  kPlaneYMin = 2,
  kPlaneYMax = 3,
  kPlaneNear = 4,
  kPlaneFar = 5,
  kNumClipPlanes = 6,
};

struct ClipPlane {
  float a = 0.0f;
  float b = 0.0f;
  float c = 0.0f;
  float d = 0.0f;

  float distance(float x, float y, float z) const { return a * x + b * y + c * z + d; }
};

struct ClipPlanes {
  ClipPlane plane[kNumClipPlanes];

  // Bit i set: outside plane i.
  std::uint8_t outcode(float x, float y, float z) const {
    std::uint8_t code = 0;
    for (int i = 0; i < kNumClipPlanes; ++i) {
      if (plane[i].distance(x, y, z) < 0.0f) code |= static_cast<std::uint8_t>(1u << i);
    }
    return code;
  }
};

// Perspective planes pass through the eye, so clipping stays linear in
// camera space and barycentric weights interpolate exactly.
inline ClipPlanes makeClipPlanes(const PwClipWindow& win, bool perspective) {
  ClipPlanes p;
  if (perspective) {
    p.plane[kPlaneXMin] = {1.0f, 0.0f, win.xmin, 0.0f};    // x >= xmin * -z
    p.plane[kPlaneXMax] = {-1.0f, 0.0f, -win.xmax, 0.0f};  // x <= xmax * -z
    p.plane[kPlaneYMin] = {0.0f, 1.0f, win.ymin, 0.0f};
    p.plane[kPlaneYMax] = {0.0f, -1.0f, -win.ymax, 0.0f};
  } else {
    p.plane[kPlaneXMin] = {1.0f, 0.0f, 0.0f, -win.xmin};
    p.plane[kPlaneXMax] = {-1.0f, 0.0f, 0.0f, win.xmax};
    p.plane[kPlaneYMin] = {0.0f, 1.0f, 0.0f, -win.ymin};
    p.plane[kPlaneYMax] = {0.0f, -1.0f, 0.0f, win.ymax};
  }
  p.plane[kPlaneNear] = {0.0f, 0.0f, -1.0f, effectiveNear(win, perspective)};  // z <= zNear
  p.plane[kPlaneFar] = {0.0f, 0.0f, 1.0f, -win.zFar};                         // z >= zFar
  return p;
}

}  // namespace pw
