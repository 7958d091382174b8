#include "frame/projection.h"

#include <cmath>

namespace pw {

host::Point2 projectSpherical(const PwProjection& proj, const host::Point3& p) {
  float theta = std::atan2(std::sqrt(p.x * p.x + p.y * p.y), -p.z);
  float phi = std::atan2(p.y, p.x);
  // A zero field of view has no lens to speak of; keep the axis point finite.
  float halfFov = proj.fov > 0.0f ? proj.fov * 0.5f : 1.0f;
  float r = theta / halfFov;
  host::Point2 s{proj.xc + std::cos(phi) * r * proj.xc, proj.yc - std::sin(phi) * r * proj.yc};
  return applyBlowUp(proj, s);
}

}  // namespace pw
