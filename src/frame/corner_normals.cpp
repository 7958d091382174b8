#include "frame/corner_normals.h"

namespace pw {

namespace {

host::Point3 position(const MeshVertex& v) { return {v.x, v.y, v.z}; }

// Twice the face's area, along its normal.
host::Point3 areaNormal(const std::vector<MeshVertex>& verts, const MeshFace& f) {
  host::Point3 p0 = position(verts[f.v[0]]);
  return host::CrossProd(position(verts[f.v[1]]) - p0, position(verts[f.v[2]]) - p0);
}

bool indicesValid(const MeshFace& f, std::size_t numVerts) {
  return f.v[0] < numVerts && f.v[1] < numVerts && f.v[2] < numVerts;
}

}  // namespace

host::Point3 faceNormal(const std::vector<MeshVertex>& verts, const MeshFace& face) {
  if (!indicesValid(face, verts.size())) return {};
  return host::Normalize(areaNormal(verts, face));
}

void buildCornerNormals(const std::vector<MeshVertex>& verts, const std::vector<MeshFace>& faces,
                        std::vector<host::Point3>& normals, std::vector<std::uint32_t>& vertexFaces) {
  const std::size_t numVerts = verts.size();
  const std::size_t numFaces = faces.size();
  normals.assign(numFaces * 3, host::Point3());

  // Adjacency in one array: numVerts + 1 offsets, then the faces of each vertex.
  vertexFaces.assign(numVerts + 1, 0);
  for (const MeshFace& f : faces) {
    if (!indicesValid(f, numVerts)) continue;
    for (std::uint32_t v : f.v) ++vertexFaces[v + 1];
  }
  for (std::size_t v = 0; v < numVerts; ++v) vertexFaces[v + 1] += vertexFaces[v];
  const std::size_t base = numVerts + 1;
  vertexFaces.resize(base + vertexFaces[numVerts]);
  std::vector<std::uint32_t> fill(vertexFaces.begin(), vertexFaces.begin() + static_cast<std::ptrdiff_t>(numVerts));
  for (std::size_t i = 0; i < numFaces; ++i) {
    const MeshFace& f = faces[i];
    if (!indicesValid(f, numVerts)) continue;
    for (std::uint32_t v : f.v) vertexFaces[base + fill[v]++] = static_cast<std::uint32_t>(i);
  }

  for (std::size_t i = 0; i < numFaces; ++i) {
    const MeshFace& f = faces[i];
    if (!indicesValid(f, numVerts)) continue;
    host::Point3 own = areaNormal(verts, f);
    for (int k = 0; k < 3; ++k) {
      host::Point3 sum = own;
      if (f.smGroup != 0) {
        std::uint32_t v = f.v[k];
        for (std::uint32_t j = vertexFaces[v]; j < vertexFaces[v + 1]; ++j) {
          std::uint32_t other = vertexFaces[base + j];
          if (other != i && (faces[other].smGroup & f.smGroup)) sum += areaNormal(verts, faces[other]);
        }
      }
      normals[i * 3 + k] = host::Normalize(sum);
    }
  }
}

}  // namespace pw
