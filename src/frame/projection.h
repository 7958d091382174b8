// Camera space to screen pixels.
//
// Camera space looks down -z (a larger z is nearer the viewer); screen
// positions are output pixels. A blow-up render projects as for the whole
// image and then stretches the chosen region over the whole image.
#pragma once

#include "host/core/point.h"

namespace pw {

struct PwProjection {
  bool perspective = true;
  float xscale = 1.0f;
  float yscale = 1.0f;
  float xc = 0.0f;  // image centre, pixels
  float yc = 0.0f;
  float fov = 0.0f;  // full horizontal field of view (radians) after clamping
  // Blow-up remapping: s' = (s - blowCentre) * blowScale + (xc, yc).
  bool blowUp = false;
  host::Point2 blowCentre;
  host::Point2 blowScale{1.0f, 1.0f};
};

// Screen position of a camera-space point, blow-up remapping included. A
// perspective point must lie in front of the eye (z < 0); callers clip first.
inline host::Point2 applyBlowUp(const PwProjection& proj, host::Point2 s) {
  if (!proj.blowUp) return s;
  return {(s.x - proj.blowCentre.x) * proj.blowScale.x + proj.xc,
          (s.y - proj.blowCentre.y) * proj.blowScale.y + proj.yc};
}

// Without the blow-up remapping: what the host's View answers to objects
// that ask where their vertices land.
inline host::Point2 projectUnmapped(const PwProjection& proj, const host::Point3& p) {
  if (proj.perspective) return {proj.xscale * p.x / p.z + proj.xc, proj.yscale * p.y / p.z + proj.yc};
  return {proj.xscale * p.x + proj.xc, proj.yscale * p.y + proj.yc};
}

inline host::Point2 project(const PwProjection& proj, const host::Point3& p) {
  return applyBlowUp(proj, projectUnmapped(proj, p));
}

// The fish-eye mapping used for line outlines with the spherical lens: the
// angle from the view axis grows linearly with the distance from the image
// centre, reaching the border at half the field of view.
host::Point2 projectSpherical(const PwProjection& proj, const host::Point3& p);

}  // namespace pw
