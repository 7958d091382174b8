#include "frame/clip_segment.h"

#include <algorithm>

namespace pw {

bool clipSegment(const ClipPlanes& planes, const host::Point3& a, const host::Point3& b, ClippedSegment* out) {
  float t0 = 0.0f;
  float t1 = 1.0f;
  for (const ClipPlane& plane : planes.plane) {
    float da = plane.distance(a.x, a.y, a.z);
    float db = plane.distance(b.x, b.y, b.z);
    if (da < 0.0f && db < 0.0f) return false;
    if (da < 0.0f) {
      t0 = std::max(t0, da / (da - db));
    } else if (db < 0.0f) {
      t1 = std::min(t1, da / (da - db));
    }
  }
  if (!(t0 < t1)) return false;
  // Untouched ends are kept bit-exact so joined segments stay joined.
  out->a = t0 > 0.0f ? a + (b - a) * t0 : a;
  out->b = t1 < 1.0f ? a + (b - a) * t1 : b;
  out->t0 = t0;
  out->t1 = t1;
  return true;
}

}  // namespace pw
