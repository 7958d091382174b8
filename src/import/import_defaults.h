// What a scene gets when its file leaves something out: a camera that
// frames everything, and the host's default light.
#pragma once

#include <string>
#include <vector>

#include "host/core/box3.h"
#include "host/scene/node.h"
#include "host/render_api/rendering.h"
#include "host/scene/scene_model.h"

namespace host {

// The framing camera looks at the scene from the front right, a little from
// above (the classic three-quarter view), with a 45-degree horizontal field
// of view, far enough back for the bounding sphere to fit the narrower side
// of the picture.
inline constexpr float kFramingAzimuthDegrees = 35.0f;    // from the front (-Y) towards +X
inline constexpr float kFramingElevationDegrees = 25.0f;  // above the horizon
inline constexpr float kFramingFovDegrees = 45.0f;
inline constexpr float kFramingMargin = 1.05f;  // a little air around the sphere

// World-space bounds at time t of the renderable geometry below root
// (mesh vertices where there is a mesh, else object boxes). Empty when there
// is none.
Box3 SceneGeometryBounds(INode* root, TimeValue t = 0);

// Adds a free camera framing the bounds of the scene's geometry at time 0
// (the origin from 10 units when there is none) for pictures of the given
// width / height, and answers its node, named `name` (made unique).
INode* AddFramingCamera(Scene& scene, float imageAspect, const std::string& name = "Camera");

// The host's default lighting: one white light riding with the camera.
std::vector<DefaultLight> HostDefaultLights();

}  // namespace host
