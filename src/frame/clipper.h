// Clipping faces to the view.
//
// A face wholly outside one boundary of the view is excluded; a face wholly
// inside is left as it is; a face that crosses the boundary becomes a convex
// polygon (FaceClipped) whose points carry camera and screen positions,
// barycentric weights and the mesh edge each polygon edge lies on. Points on
// an edge shared by two faces come out bit-identical in both, so lines along
// the edge meet.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "frame/clip_planes.h"
#include "frame/clip_window.h"
#include "frame/mesh_records.h"
#include "frame/projection.h"

namespace pw {

// A triangle cut by six planes gains at most one point per plane.
inline constexpr int kMaxClipPoints = 3 + kNumClipPlanes;

struct ClipStats {
  int kept = 0;      // faces left whole
  int clipped = 0;   // faces given a polygon
  int excluded = 0;  // faces newly excluded, wholly or effectively outside
  int surviving() const { return kept + clipped; }
};

// Clips one camera-space triangle. Writes the polygon to out and answers its
// point count: 0 when less than a polygon is left. Screen positions are not
// filled in.
int clipTriangle(const host::Point3 corner[3], const ClipPlanes& planes, ClipPoint out[kMaxClipPoints]);

// Clips every face of a camera-space mesh whose vertices are already
// projected. Faces excluded before are skipped; the others lose any polygon
// from an earlier call. Clipped polygons are appended to pool (cleared
// first); vertexCodes is scratch. Both keep their memory between calls, so a
// mesh clipped every frame allocates only when it outgrows the last frame.
ClipStats clipFaces(std::span<const MeshVertex> verts, std::span<MeshFace> faces,
                    std::vector<ClipPoint>& pool, std::vector<std::uint8_t>& vertexCodes,
                    const PwProjection& proj, const PwClipWindow& window);

}  // namespace pw
