// The part of camera space that is drawn: the region's pixel rectangle,
// carried back into camera space, and the near and far planes.
#pragma once

#include "frame/projection.h"

namespace pw {

// Inclusive pixel rectangle of the output image that is rendered.
struct PwRegion {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
};

// In camera space. Perspective: xmin..xmax and ymin..ymax bound x / -z and
// y / -z (the window on the plane one unit in front of the eye); parallel:
// they bound x and y. zFar <= z <= zNear is kept (zNear is the larger, nearer
// value, both negative in front of the camera).
struct PwClipWindow {
  float xmin = 0.0f;
  float ymin = 0.0f;
  float zFar = 0.0f;
  float xmax = 0.0f;
  float ymax = 0.0f;
  float zNear = 0.0f;
};

// Points closer to the eye plane than this have no usable perspective
// screen position (the division by z blows up), so a perspective view never
// keeps anything nearer, whatever hither says.
inline constexpr float kMinPerspectiveDepth = 1e-4f;

// The window edges sit this far inside the region's outer pixel borders, so
// that a polygon clipped to the window never rounds into a pixel outside it.
inline constexpr float kClipWindowInset = 0.001f;

// Builds the clip window of a region for hither and yon (distances in front
// of the eye). For a blow-up render it first sets the projection's blow-up
// mapping, which stretches the region over the whole image
// (imageWidth x imageHeight pixels).
PwClipWindow buildClipWindow(PwProjection& proj, const PwRegion& region, float hither, float yon,
                             bool blowUp, float imageWidth, float imageHeight);

// The near plane actually used: zNear, pulled in front of the eye for
// perspective views.
inline float effectiveNear(const PwClipWindow& win, bool perspective) {
  if (perspective && win.zNear > -kMinPerspectiveDepth) return -kMinPerspectiveDepth;
  return win.zNear;
}

}  // namespace pw
