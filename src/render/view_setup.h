// Working out the frame's projection from the view node (a camera, a light,
// or none: a viewport whose parameters the host gave).
#pragma once

#include "host/scene/node.h"
#include "host/core/time.h"
#include "frame/view_state.h"

namespace pw {

// Field-of-view limits, degrees: narrower is no view, wider cannot be
// projected onto a plane.
inline constexpr float kMinFovDegrees = 0.1f;
inline constexpr float kMaxFovDegrees = 179.0f;

// Clipping distances that mean "no clipping".
inline constexpr float kNoHither = -1e30f;
inline constexpr float kNoYon = 1e30f;

// Light views: near clipping and environment ranges.
inline constexpr float kLightViewHither = 0.1f;
inline constexpr float kLightViewFarRange = 500.0f;
// A camera that does not clip by hand still cannot see closer than this.
inline constexpr float kCameraDefaultHither = 0.1f;

// Fills view.params (affineTM, projType, hither, yon, fov, ranges) and
// view.proj (type, scales, centre, fov) for time t. Reads imageWidth,
// imageHeight and pixelAspect from view; a light view sets pixelAspect. The
// host's parameters already in view.params serve when there is no view
// node. The clip window is not touched (see rebuildClipWindow).
void setupView(PwViewState& view, host::TimeValue t, host::INode* viewNode);

// Rebuilds the clip window (and for a blow-up render the blow-up mapping)
// from the region and the clipping distances.
void rebuildClipWindow(PwViewState& view, bool blowUp);

// fov (radians) limited to the field-of-view limits; anything not above
// zero becomes the narrowest.
float clampFov(float fovRadians);

}  // namespace pw
