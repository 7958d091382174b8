// The view of the frame being rendered: what the host asked for, the
// projection worked out from it, and the part of the image being drawn.
#pragma once

#include "host/core/matrix3.h"
#include "host/render_api/rendering.h"
#include "frame/clip_window.h"
#include "frame/projection.h"

namespace pw {

struct PwViewState {
  host::ViewParams params;  // affineTM is cameraFromWorld
  PwProjection proj;
  float imageWidth = 0.0f;
  float imageHeight = 0.0f;
  float pixelAspect = 1.0f;
  PwRegion region;
  PwClipWindow clipWindow;

  const host::Matrix3& cameraFromWorld() const { return params.affineTM; }
};

}  // namespace pw
