// The flat records a render mesh is made of: vertices, faces and the points
// of clipped face polygons. Everything after the object stage (lines,
// visibility, surfaces, vector output) reads these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pw {

// x, y, z: object space until the object stage, camera space after it.
// sx, sy: screen position in pixels, filled by projection.
struct MeshVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float sx = 0.0f;
  float sy = 0.0f;
};
static_assert(sizeof(MeshVertex) == 5 * sizeof(float));

// Bits of MeshFace::faceFlags.
inline constexpr std::uint8_t FaceExcluded = 0x01;  // degenerate or outside the view: no lines, no occlusion
inline constexpr std::uint8_t FaceClipped = 0x02;   // cut by the view; the clipped polygon replaces the triangle
inline constexpr std::uint8_t FaceFront = 0x04;     // front-facing on screen

// Bits of MeshFace::flags, as the host mesh stores them.
inline constexpr std::uint32_t kFaceEdgeVisible0 = 0x1;  // edge corner 0 to 1
inline constexpr std::uint32_t kFaceEdgeVisible1 = 0x2;  // edge corner 1 to 2
inline constexpr std::uint32_t kFaceEdgeVisible2 = 0x4;  // edge corner 2 to 0
inline constexpr std::uint32_t kFaceEdgeVisibleAll = 0x7;
inline constexpr int kFaceMatIdShift = 16;

inline constexpr std::uint16_t faceMaterialId(std::uint32_t hostFlags) {
  return static_cast<std::uint16_t>(hostFlags >> kFaceMatIdShift);
}

// The polygon of a clipped face lives in its mesh's point pool
// (PwRenderMesh::clipPoints) as numClip points from clipFirst on. A 32-bit
// offset instead of an owning pointer makes the record 32 bytes rather than
// 40 (two faces per cache line in the per-face loops), and lets one pool be
// cleared and refilled every frame without freeing anything per face.
struct MeshFace {
  std::uint32_t v[3] = {0, 0, 0};
  std::uint32_t smGroup = 0;
  std::uint32_t flags = 0;  // host face flags: edge visibility bits 0..2, material id in bits 16..31
  std::uint8_t faceFlags = 0;
  std::uint8_t spare[3] = {0, 0, 0};
  std::uint32_t clipFirst = 0;
  std::int32_t numClip = 0;  // 0 unless FaceClipped

  std::uint16_t materialId() const { return faceMaterialId(flags); }
};
static_assert(sizeof(MeshFace) == 32);

// Which side of the face an edge of a clipped polygon lies on.
enum ClipEdge : int {
  kClipEdgeNone = 0,  // made by the view's boundary
  kClipEdge01 = 1,    // on the mesh edge from corner 0 to corner 1
  kClipEdge12 = 2,
  kClipEdge20 = 3,
};

// One point of a clipped polygon: nine floats. The first five are a vertex
// record (camera space, screen); b holds the point's barycentric weights with
// respect to the face's corners v[0], v[1], v[2] (they sum to 1 and give the
// camera-space position back); edge is the ClipEdge of the polygon edge from
// this point to the next one, stored as a float so the record stays nine
// floats.
struct ClipPoint {
  MeshVertex pos;
  float b[3] = {0.0f, 0.0f, 0.0f};
  float edge = 0.0f;

  int edgeTag() const { return static_cast<int>(edge); }
};
static_assert(sizeof(ClipPoint) == 9 * sizeof(float));
static_assert(offsetof(ClipPoint, b) == 5 * sizeof(float));
static_assert(offsetof(ClipPoint, edge) == 8 * sizeof(float));

// Where a point on a mesh edge lies along that edge, 0 at the edge's first
// corner and 1 at its second (edge 1 runs corner 0 to 1, edge 2 corner 1 to
// 2, edge 3 corner 2 to 0). Meaningful only for points on that edge.
inline float edgeParameter(const ClipPoint& p, int edgeTag) {
  switch (edgeTag) {
    case kClipEdge01: return p.b[1];
    case kClipEdge12: return p.b[2];
    case kClipEdge20: return p.b[0];
    default: return 0.0f;
  }
}

}  // namespace pw
