// Which faces look towards the viewer, judged on screen.
#pragma once

#include <span>

#include "host/core/matrix3.h"
#include "frame/mesh_records.h"

namespace pw {

// Mirroring transforms (negative determinant of the 3x3 part) turn the
// faces' winding inside out on screen.
bool isMirrored(const host::Matrix3& cameraFromObject);

// Sets FaceFront on the faces that wind one way on screen and clears it on
// the others; answers how many are front-facing. A face whose corners repeat
// a vertex is degenerate: it becomes FaceExcluded (and FaceFront) and is not
// counted. Faces already excluded are left alone. A clipped face is judged
// by its polygon.
int markBackFaces(std::span<const MeshVertex> verts, std::span<MeshFace> faces,
                  std::span<const ClipPoint> clipPool);

}  // namespace pw
