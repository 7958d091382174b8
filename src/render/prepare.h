// Per frame, per instance: is the object in view this frame, where, and its
// render mesh copied into the instance.
#pragma once

#include "host/core/time.h"
#include "frame/instance.h"
#include "render/vector_output_settings.h"
#include "frame/view_state.h"

namespace pw {

// The settings preparation reads, turned into types once per frame.
struct PwPrepareSettings {
  bool vectorMode = false;
  PwZDepthPosition zDepthPosition = PwZDepthPosition::Front;
  bool boundingBoxes = false;  // draw every object as its bounding box
};

// What the host is told about the frame's scene.
struct PwSceneStats {
  int objects = 0;  // instances prepared visible
  int faces = 0;    // their faces
};

// Renews the instance for time t: visibility, transforms, the bounds test
// against the view (visible, whollyInside, depth range, depth key) and the
// mesh copy (or its bounding box). Answers visible; a visible instance is
// added to stats. An object that yields no render mesh or an empty one is
// invisible.
bool prepareInstance(PwRenderInstance& inst, host::TimeValue t, const PwViewState& view,
                     const PwPrepareSettings& settings, PwSceneStats& stats);

// The object stage for an instance prepared visible: undoes mirroring,
// moves the mesh to camera space and projects it, clips it unless it lies
// wholly inside, and marks front and back faces. Answers whether any face
// survived; an instance without one becomes invisible and its mesh is freed.
bool placeInstance(PwRenderInstance& inst, const PwViewState& view);

}  // namespace pw
