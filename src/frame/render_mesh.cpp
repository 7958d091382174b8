#include "frame/render_mesh.h"

#include <algorithm>
#include <utility>

#include "frame/box_corners.h"

namespace pw {

namespace {

void copyMapChannels(const host::Mesh& src, PwRenderMesh& mesh) {
  for (int ch = 0; ch < kNumMapChannels; ++ch) {
    PwMapChannel& dst = mesh.maps[ch];
    if (!src.mapSupport(ch)) {
      dst.verts.clear();
      dst.faces.clear();
      continue;
    }
    auto verts = src.mapVerts(ch);
    auto faces = src.mapFaces(ch);
    dst.verts.assign(verts.begin(), verts.end());
    dst.faces.assign(faces.begin(), faces.end());
  }
}

void copyVertexAlpha(const host::Mesh& src, PwRenderMesh& mesh) {
  mesh.vertexAlpha.clear();
  if (!src.vDataSupport(host::VDATA_ALPHA)) return;
  auto values = src.vertexFloat(host::VDATA_ALPHA);
  mesh.vertexAlpha.resize(mesh.verts.size(), kDefaultVertexAlpha);
  std::size_t n = std::min(values.size(), mesh.vertexAlpha.size());
  for (std::size_t i = 0; i < n; ++i) mesh.vertexAlpha[i] = storedVertexAlpha(values[i]);
}

void startFrame(PwRenderMesh& mesh) {
  mesh.windingReversed = false;
  mesh.clipPoints.clear();
}

}  // namespace

void copyHostMesh(const host::Mesh& src, PwRenderMesh& mesh) {
  startFrame(mesh);
  auto srcVerts = src.verts();
  mesh.verts.resize(srcVerts.size());
  mesh.bounds.Init();
  for (std::size_t i = 0; i < srcVerts.size(); ++i) {
    const host::Point3& p = srcVerts[i];
    mesh.verts[i] = MeshVertex{p.x, p.y, p.z, 0.0f, 0.0f};
    mesh.bounds += p;
  }

  auto srcFaces = src.faces();
  mesh.faces.resize(srcFaces.size());
  const std::size_t numVerts = srcVerts.size();
  for (std::size_t i = 0; i < srcFaces.size(); ++i) {
    const host::Face& f = srcFaces[i];
    MeshFace& d = mesh.faces[i];
    d = MeshFace{};
    d.v[0] = f.v[0];
    d.v[1] = f.v[1];
    d.v[2] = f.v[2];
    d.smGroup = f.smGroup;
    d.flags = f.flags;
    // A face pointing past the vertices cannot be drawn; it must not be read.
    if (f.v[0] >= numVerts || f.v[1] >= numVerts || f.v[2] >= numVerts) {
      d.v[0] = d.v[1] = d.v[2] = 0;
      d.faceFlags = FaceExcluded;
    }
  }

  copyMapChannels(src, mesh);
  copyVertexAlpha(src, mesh);
}

void makeBoxMesh(const host::Box3& bounds, PwRenderMesh& mesh) {
  startFrame(mesh);
  for (PwMapChannel& ch : mesh.maps) {
    ch.verts.clear();
    ch.faces.clear();
  }
  mesh.vertexAlpha.clear();
  mesh.bounds = bounds;
  if (bounds.IsEmpty()) {
    mesh.verts.clear();
    mesh.faces.clear();
    return;
  }

  mesh.verts.resize(8);
  for (int i = 0; i < 8; ++i) {
    host::Point3 p = bounds[i];
    mesh.verts[i] = MeshVertex{p.x, p.y, p.z, 0.0f, 0.0f};
  }
  // Each side is the pair (a, b, c), (a, c, d) split along a-c; the diagonal
  // is no edge of the box, so it stays invisible.
  constexpr std::uint32_t kFirstHalf = kFaceEdgeVisible0 | kFaceEdgeVisible1;
  constexpr std::uint32_t kSecondHalf = kFaceEdgeVisible1 | kFaceEdgeVisible2;
  mesh.faces.resize(12);
  for (int i = 0; i < 12; ++i) {
    MeshFace& f = mesh.faces[i];
    f = MeshFace{};
    for (int k = 0; k < 3; ++k) f.v[k] = static_cast<std::uint32_t>(kBoxTriangles[i][k]);
    f.smGroup = 1u << (i / 2);
    f.flags = (i % 2 == 0) ? kFirstHalf : kSecondHalf;
  }
}

void reverseWinding(PwRenderMesh& mesh) {
  for (MeshFace& f : mesh.faces) {
    std::swap(f.v[0], f.v[2]);
    // Edge 0-1 becomes 2-1 (the old edge 1), edge 1-2 becomes 1-0 (the old
    // edge 0); edge 2-0 stays itself.
    std::uint32_t e0 = f.flags & kFaceEdgeVisible0;
    std::uint32_t e1 = f.flags & kFaceEdgeVisible1;
    f.flags = (f.flags & ~(kFaceEdgeVisible0 | kFaceEdgeVisible1)) | (e0 << 1) | (e1 >> 1);
  }
  for (PwMapChannel& ch : mesh.maps) {
    for (host::TVFace& tf : ch.faces) std::swap(tf.t[0], tf.t[2]);
  }
  mesh.windingReversed = !mesh.windingReversed;
}

void freeRenderMesh(PwRenderMesh& mesh) {
  mesh = PwRenderMesh{};
}

}  // namespace pw
