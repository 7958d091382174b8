// Edge visibility for meshes that arrive as bare triangles.
//
// A file of triangles (glTF) no longer says which edges were the polygons'
// outlines and which the diagonals cutting them. An edge between two faces
// that lie in one plane and are smoothed together is taken for a diagonal
// and hidden; every other edge stays visible.
#pragma once

#include "host/scene/mesh.h"

namespace host {

// Faces closer in direction than this lie in one plane.
inline constexpr float kFlatEdgeDegrees = 0.1f;

// Answers the number of edges hidden (each shared edge counts once).
int HideFlatEdges(Mesh& mesh);

}  // namespace host
