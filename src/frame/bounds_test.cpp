#include "frame/bounds_test.h"

#include <algorithm>

#include "frame/box_corners.h"

namespace pw {

std::uint8_t outcode(const host::Point3& cam, const PwProjection& proj, const PwRegion& region,
                     float zNear, float zFar) {
  std::uint8_t code = 0;
  if (cam.z > zNear) code |= kOutNear;
  if (cam.z < zFar) code |= kOutFar;
  host::Point2 s = projectUnmapped(proj, cam);
  if (s.x < static_cast<float>(region.x0)) code |= kOutLeft;
  if (s.x >= static_cast<float>(region.x1) + 1.0f) code |= kOutRight;
  if (s.y < static_cast<float>(region.y0)) code |= kOutTop;
  if (s.y >= static_cast<float>(region.y1) + 1.0f) code |= kOutBottom;
  return code;
}

BoundsTest testBounds(const host::Box3& objectBox, const host::Matrix3& cameraFromObject,
                      const PwProjection& proj, const PwRegion& region, const PwClipWindow& window) {
  BoundsTest r;
  if (objectBox.IsEmpty()) return r;

  float zNear = effectiveNear(window, proj.perspective);
  std::uint8_t codes[8];
  std::uint8_t all = 0xFF;
  std::uint8_t any = 0;
  for (int i = 0; i < 8; ++i) {
    host::Point3 cam = objectBox[i] * cameraFromObject;
    r.zMin = i == 0 ? cam.z : std::min(r.zMin, cam.z);
    r.zMax = i == 0 ? cam.z : std::max(r.zMax, cam.z);
    codes[i] = outcode(cam, proj, region, zNear, window.zFar);
    all &= codes[i];
    any |= codes[i];
  }

  if (any == 0) {
    r.visible = true;
    r.whollyInside = true;
    return r;
  }
  if (any & kOutNear) {
    // Screen positions of corners behind the eye mean nothing; only the
    // depth test is trusted here.
    r.visible = (all & kOutNear) == 0;
    return r;
  }
  for (const auto& tri : kBoxTriangles) {
    if ((codes[tri[0]] & codes[tri[1]] & codes[tri[2]]) == 0) {
      r.visible = true;
      break;
    }
  }
  return r;
}

}  // namespace pw
