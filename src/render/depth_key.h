// The key instances are sorted by for drawing: Raster mode draws the nearest
// first, Vector mode stacks objects by the depth setting.
#pragma once

#include "render/vector_output_settings.h"

namespace pw {

// zMin and zMax: the instance's camera-space depth range (larger is nearer).
inline float depthKey(bool vectorMode, PwZDepthPosition position, float zMin, float zMax) {
  if (!vectorMode) return zMax;
  switch (position) {
    case PwZDepthPosition::Centre: return (zMax + zMin) * 0.5f;
    case PwZDepthPosition::Back: return zMin;
    case PwZDepthPosition::Front:
    default: return zMax;
  }
}

}  // namespace pw
