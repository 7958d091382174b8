// Whether an object can show up in the view at all, judged from its
// bounding box, before any of its faces are looked at.
#pragma once

#include <cstdint>

#include "host/core/box3.h"
#include "host/core/matrix3.h"
#include "frame/clip_window.h"
#include "frame/projection.h"

namespace pw {

// Outcode bits of a projected point.
inline constexpr std::uint8_t kOutLeft = 1;     // sx < x0
inline constexpr std::uint8_t kOutTop = 2;      // sy < y0
inline constexpr std::uint8_t kOutRight = 4;    // sx >= x1 + 1
inline constexpr std::uint8_t kOutBottom = 8;   // sy >= y1 + 1
inline constexpr std::uint8_t kOutNear = 16;    // nearer than the near plane
inline constexpr std::uint8_t kOutFar = 32;     // beyond the far plane

struct BoundsTest {
  bool visible = false;
  bool whollyInside = false;  // every corner projects into the region and the depth range
  float zMin = 0.0f;          // camera z range of the eight corners
  float zMax = 0.0f;
};

// Screen positions are taken before any blow-up remapping: the region is
// measured in that space.
std::uint8_t outcode(const host::Point3& cam, const PwProjection& proj, const PwRegion& region,
                     float zNear, float zFar);

// An empty box is invisible. A box with a corner in front of the near plane
// is visible unless all its corners are; otherwise it is visible when one of
// its twelve triangles is not wholly beyond one edge of the view.
BoundsTest testBounds(const host::Box3& objectBox, const host::Matrix3& cameraFromObject,
                      const PwProjection& proj, const PwRegion& region, const PwClipWindow& window);

}  // namespace pw
