// The renderer's own copy of an object's render mesh for one frame.
//
// Vertices stay in object space until the object stage moves them to camera
// space and projects them; faces then carry their front/back, clipped and
// excluded marks, and clipped faces their polygon in the point pool. The
// arrays keep their memory from frame to frame and are refilled in place.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "host/core/box3.h"
#include "host/scene/mesh.h"
#include "host/core/point.h"
#include "frame/mesh_records.h"

namespace pw {

inline constexpr int kNumMapChannels = host::MAX_MESHMAPS;

// Value of a vertex-data channel-2 entry when the mesh has none: full alpha,
// full painted thickness.
inline constexpr float kDefaultVertexAlpha = 1.0f;

struct PwMapChannel {
  std::vector<host::Point3> verts;
  std::vector<host::TVFace> faces;  // one per mesh face when the channel is present
};

struct PwRenderMesh {
  std::vector<MeshVertex> verts;
  std::vector<MeshFace> faces;
  host::Box3 bounds;  // object space, of the vertices
  std::array<PwMapChannel, kNumMapChannels> maps;
  // From the host's vertex-data channel 2 (vertex alpha, which also carries
  // the painted line thickness); empty when the mesh has no such channel.
  // Values outside 0..1 are stored as 1.
  std::vector<float> vertexAlpha;
  // Set when the object stage reversed every face's winding to undo a
  // mirroring transform (see reverseWinding).
  bool windingReversed = false;

  // Clipped polygons of this frame (MeshFace::clipFirst indexes it) and the
  // clipper's per-vertex scratch.
  std::vector<ClipPoint> clipPoints;
  std::vector<std::uint8_t> clipScratch;

  int numVerts() const { return static_cast<int>(verts.size()); }
  int numFaces() const { return static_cast<int>(faces.size()); }
  bool mapSupport(int ch) const { return ch >= 0 && ch < kNumMapChannels && !maps[ch].faces.empty(); }
};

// The polygon of a FaceClipped face (empty for any other face).
inline std::span<const ClipPoint> clippedPolygon(const PwRenderMesh& mesh, const MeshFace& face) {
  if (!(face.faceFlags & FaceClipped)) return {};
  return {mesh.clipPoints.data() + face.clipFirst, static_cast<std::size_t>(face.numClip)};
}

// Vertex alpha (painted thickness) of vertex i; the channel's default when
// the mesh has none.
inline float vertexAlphaAt(const PwRenderMesh& mesh, int i) {
  return mesh.vertexAlpha.empty() ? kDefaultVertexAlpha : mesh.vertexAlpha[static_cast<std::size_t>(i)];
}

// What vertex alpha keeps of a host value: 0..1 as it is, anything else
// (NaN included) as 1.
inline float storedVertexAlpha(float value) {
  return value >= 0.0f && value <= 1.0f ? value : 1.0f;
}

// Which host edge (0: corners 0-1, 1: 1-2, 2: 2-0) edge e of a face is after
// reverseWinding: edge-indexed host data (edge selections) is stored for the
// original winding.
inline int hostEdgeIndex(int e, bool windingReversed) {
  if (!windingReversed) return e;
  static constexpr int kReversed[3] = {1, 0, 2};
  return kReversed[e];
}

// Refills mesh from a host mesh: vertices (object space), faces with their
// flags cleared, bounds, map channels and vertex alpha. Arrays are
// reallocated only when they must grow.
void copyHostMesh(const host::Mesh& src, PwRenderMesh& mesh);

// Replaces the contents by the 8-vertex, 12-face box of bounds (an empty box
// gives an empty mesh). Each side has its own smoothing group and shows only
// its outline edges; the box has no map channels and no vertex alpha.
void makeBoxMesh(const host::Box3& bounds, PwRenderMesh& mesh);

// Swaps corners 0 and 2 of every face, with the edge visibility bits and map
// faces that go with them, and records it in windingReversed.
void reverseWinding(PwRenderMesh& mesh);

// Empties the mesh and gives its memory back.
void freeRenderMesh(PwRenderMesh& mesh);

}  // namespace pw
