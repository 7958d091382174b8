// Smoothed normals at face corners: across faces that share a smoothing
// group the surface is smooth, elsewhere it shows its facets.
#pragma once

#include <cstdint>
#include <vector>

#include "host/core/point.h"
#include "frame/mesh_records.h"

namespace pw {

// Unit normal of a face from its vertices in their current space; zero for
// a degenerate face.
host::Point3 faceNormal(const std::vector<MeshVertex>& verts, const MeshFace& face);

// Three unit normals per face, in the space the vertices are in. The normal
// at a corner averages the normals (weighted by area) of the faces around
// that vertex that share a smoothing group with the face; a face without
// smoothing groups gets its own normal at every corner. Excluded faces take
// part like any other: exclusion is about the view, not the surface.
// vertexFaces is scratch (vertex-to-face adjacency, offsets then data).
void buildCornerNormals(const std::vector<MeshVertex>& verts, const std::vector<MeshFace>& faces,
                        std::vector<host::Point3>& normals, std::vector<std::uint32_t>& vertexFaces);

}  // namespace pw
