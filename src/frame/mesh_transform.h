// Moving a render mesh into the view: camera space, screen positions,
// clipping.
#pragma once

#include "host/core/matrix3.h"
#include "frame/clip_window.h"
#include "frame/clipper.h"
#include "frame/projection.h"
#include "frame/render_mesh.h"

namespace pw {

// Transforms every vertex from object to camera space and projects it.
// Vertices at or behind the eye get meaningless screen positions; only
// faces the clipper keeps whole may use them.
void transformToCamera(PwRenderMesh& mesh, const host::Matrix3& cameraFromObject, const PwProjection& proj);

// Clips the faces of a camera-space mesh to the view (see clipFaces).
ClipStats clipMesh(PwRenderMesh& mesh, const PwProjection& proj, const PwClipWindow& window);

}  // namespace pw
