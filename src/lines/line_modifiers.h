// What line generation asks of the modifiers on a node's stack: which edges
// carry which edge IDs, and which faces take part in surface intersections.
//
// Both answers come from the selections the modifiers recorded when the
// node's stack was last evaluated. The frame's scene preparation evaluates
// every node at the frame time before any line is made, so they are the
// frame's own. The stack is walked from the top (the modifier applied last)
// down, into stacks nested below it, skipping modifiers that are off or off
// for rendering. Each answer is resolved once per object into flat per-face
// arrays that keep their memory from object to object.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "frame/render_mesh.h"
#include "host/core/bitarray.h"
#include "host/core/time.h"
#include "host/scene/node.h"

namespace pw {

class PwStyle;

// Second face of an edge that has only one.
inline constexpr std::uint32_t kNoSecondFace = 0xFFFFFFFFu;

// The edge IDs an object's "Edge IDs" lines are drawn for, in the order they
// are tried: entry k is a sub-item index of the style's "Edge IDs" item and
// the edges that carry it.
struct ActiveEdgeIds {
  int numFaces = 0;
  std::vector<int> subItems;
  // Count() rows of numFaces masks: bit e of Edges(k, f) is set when edge e
  // of face f (corners e and (e + 1) mod 3 of the render mesh, whatever its
  // winding) carries entry k's ID.
  std::vector<std::uint8_t> faceEdges;

  int Count() const { return static_cast<int>(subItems.size()); }
  std::uint8_t Edges(int k, int face) const {
    return faceEdges[static_cast<std::size_t>(k) * static_cast<std::size_t>(numFaces) + static_cast<std::size_t>(face)];
  }
};

// Fills `out` for the node's render mesh at time t. subItemOn holds one entry
// per sub-item of "Edge IDs" (its size is the sub-item count n), non-zero for
// the ones that are on. Every edge ID modifier, top first, maps its edge ID
// at t to sub-item (ID mod n, never negative); the first modifier to reach
// a sub-item that is on, with an edge selection that is not empty, lists it;
// later modifiers reaching a listed sub-item are ignored. n = 0 lists
// nothing. The selections are laid onto the mesh face by face; faces past
// either end carry nothing.
void CollectActiveEdgeIds(host::INode* node, host::TimeValue t, const PwRenderMesh& mesh,
                          std::span<const std::uint8_t> subItemOn, ActiveEdgeIds& out);
// The same with the sub-items of the style's "Edge IDs" item.
void CollectActiveEdgeIds(host::INode* node, host::TimeValue t, const PwRenderMesh& mesh, const PwStyle& style,
                          ActiveEdgeIds& out);

// The sub-item an edge between vertices low < high, with its first and
// second face (kNoSecondFace: none), is drawn with: for each entry in order,
// the first face and then the second are searched for a tagged edge joining
// exactly these two vertices; the first found wins. -1 when none carries an ID.
int EdgeIdSubItemOf(const ActiveEdgeIds& ids, const PwRenderMesh& mesh, std::uint32_t low, std::uint32_t high,
                    std::uint32_t firstFace, std::uint32_t secondFace);

// Whether the node's surface intersections of one kind (with other objects,
// or within the object) are limited, and to which faces: the face selection
// of the first restriction modifier, top first, whose switch for that kind is
// on and whose selection is not empty. False (faces left as they were) when
// no modifier limits them.
bool RestrictedFaces(host::INode* node, bool withOthers, host::BitArray& faces);

// Bits of IntersectionFaces::faces.
inline constexpr std::uint8_t kIntersectsWithin = 0x01;
inline constexpr std::uint8_t kIntersectsWithOthers = 0x02;

// Which faces of an object take part in its surface intersections.
struct IntersectionFaces {
  bool withinRestricted = false;
  bool withOthersRestricted = false;
  // One entry per render-mesh face when either is restricted, else empty.
  std::vector<std::uint8_t> faces;

  bool TakesPartWithin(int face) const {
    return !withinRestricted || (faces[static_cast<std::size_t>(face)] & kIntersectsWithin) != 0;
  }
  bool TakesPartWithOthers(int face) const {
    return !withOthersRestricted || (faces[static_cast<std::size_t>(face)] & kIntersectsWithOthers) != 0;
  }
};

// Both restrictions of RestrictedFaces for a render mesh of numFaces faces;
// faces past the end of a selection do not take part.
void ResolveIntersectionFaces(host::INode* node, int numFaces, IntersectionFaces& out);

}  // namespace pw
