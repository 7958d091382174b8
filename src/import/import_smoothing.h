// Smoothing groups from per-corner normals.
//
// Formats such as glTF have no smoothing groups: a hard edge shows only as
// vertices split so that the faces on its two sides carry different normals
// at the same position. After welding vertices by position, the faces are
// grouped so that
//  - faces on the two sides of a hard edge share no smoothing group (the
//    edge stays hard), and
//  - faces joined by smooth edges share one (the surface stays smooth),
// using at most 32 groups:
//  1. Patches: faces joined through smooth edges, grown greedily from the
//     first face not yet taken; a face that has a hard edge with a face
//     already in the patch starts a patch of its own later. (A smooth region
//     cut by a hard edge that does not bound it, such as a seam down a
//     cylinder, thus becomes several patches; where two such patches meet
//     along smooth edges they prefer the same group when they may.)
//  2. Conflicts: two patches conflict when they meet at a vertex with
//     different normals there.
//  3. A greedy colouring in patch order gives each patch the lowest group
//     no conflicting patch has. A one-face patch without smooth neighbours
//     gets no group (0): its edges are all hard anyway. A patch for which all
//     32 groups are taken by its neighbours also gets 0 (flat shaded), which
//     keeps every hard edge hard at the price of smoothness inside it.
//  4. Smooth edges between faces of different groups (where a region was
//     split, or a patch left flat) are mended: one face, or both, get a
//     further group that no face across their hard edges has. Faces then
//     carry more than one group, as modellers' smoothing groups often do.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "host/core/point.h"

namespace host {

// Normals closer than this are the same normal: exporters write one vertex's
// normal for all its faces, so a smooth corner matches almost exactly, while
// the sides of a hard edge differ by the angle between the faces.
inline constexpr float kSameNormalDegrees = 0.1f;

struct SmoothingStats {
  int patches = 0;
  int groupsUsed = 0;       // distinct groups given out
  int fallbackFlat = 0;     // patches left flat because every group was taken
  int hardEdges = 0;        // face pairs whose shared edge is hard
  int smoothEdgesLost = 0;  // smooth edges left between faces with no common group
};

// cornerVerts: 3 welded vertex indices per face (each < numVerts);
// cornerNormals: the normal at each of those corners. Fills smGroups with
// one bit set (or none) per face.
SmoothingStats SmoothingFromNormals(std::span<const std::uint32_t> cornerVerts, std::span<const Point3> cornerNormals,
                                    std::uint32_t numVerts, std::vector<std::uint32_t>& smGroups);

}  // namespace host
