// Where faces pass through each other: the pairs of faces worth testing
// (their boxes overlap on screen and in depth) and the segment along which
// one face crosses another.
//
// Pairs come from an object's own occluders, or from an object's occluders
// against another object's. Each is found in two ways: the plain loops
// (quadrants of the object's box for its own pairs, every occluder against
// every other for two objects), kept as the reference, and the same pairs
// in the same order from the occluder grids.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/clip_planes.h"
#include "frame/mesh_records.h"
#include "frame/projection.h"
#include "frame/render_mesh.h"
#include "frame/view_state.h"
#include "host/core/bitarray.h"
#include "lines/occluder.h"

namespace pw {

// A point this close to a face's plane (camera units) lies on it: faces
// that share an edge or a corner then do not cut each other there.
inline constexpr double kIntersectionPlaneTolerance = 1e-4;

// The view an intersection segment is clipped to and projected with.
struct IntersectionView {
  PwProjection projection;
  ClipPlanes clipPlanes;
};

IntersectionView MakeIntersectionView(const PwViewState& view);

// The segment along which face E (occluder e of meshE) crosses the plane
// of W (occluder w of occW), cut to the part inside W's outline on screen;
// clipped to the view when either face is clipped. False when E does not
// cross W's plane at two distinct points, or nothing of the crossing lies
// inside W, or what is left is a point.
bool IntersectionSegment(const IntersectionView& view, const PwRenderMesh& meshE, const Occluder& e,
                         const InstanceOccluders& occW, const Occluder& w, MeshVertex* start, MeshVertex* end);

// Reused from object to object.
struct PairScratch {
  std::vector<std::uint8_t> quadrants;        // per occluder: the quadrants of the box it overlaps
  std::vector<std::uint32_t> quadrantList[4];  // reference only
  std::vector<std::uint8_t> visited;           // reference only
  std::vector<std::uint32_t> stamp;            // reference only: the last w that met each e
  std::uint32_t gather = 0;
  std::vector<std::uint32_t> gathered;         // from the grid
  std::vector<std::uint64_t> keys;             // first shared quadrant << 32 | partner
  std::vector<std::uint32_t> partners;  // the current occluder's partners, in calling order
};

// Whether occluder i takes part: a selection (by face index) restricts the
// faces of an object; null means every face.
inline bool Selected(const InstanceOccluders& io, const host::BitArray* selection, std::uint32_t i) {
  return !selection || (*selection)[static_cast<int>(io.occluders[i].face)];
}

namespace detail {
void BeginOwnPairs(const InstanceOccluders& io, const host::BitArray* selection, PairScratch& s);
// Fills s.partners with w's partners; false when w takes no part.
bool OwnPartnersReference(const InstanceOccluders& io, const host::BitArray* selection, std::uint32_t w,
                          PairScratch& s);
bool OwnPartners(const InstanceOccluders& io, const host::BitArray* selection, std::uint32_t w, PairScratch& s);
bool OtherPartnersReference(const InstanceOccluders& self, const InstanceOccluders& other,
                            const host::BitArray* selection, std::uint32_t w, PairScratch& s);
bool OtherPartners(const InstanceOccluders& self, const InstanceOccluders& other, const host::BitArray* selection,
                   std::uint32_t w, PairScratch& s);
}  // namespace detail

// An object's own pairs: f(w, e) with occluder indices w < e whose boxes
// overlap on all three axes, both selected. The quadrant walk: the
// occluders are filed in the four quadrants of the object's box they
// overlap; each w in turn meets the e in its quadrants (quadrant by
// quadrant, each list ascending) that it has not met yet. A pair's segment
// is e's crossing of w's plane: IntersectionSegment(view, mesh,
// io.occluders[e], io, io.occluders[w], ...).
template <class F>
void ForEachIntersectionPairReference(const InstanceOccluders& io, const host::BitArray* selection, PairScratch& s,
                                      F&& f) {
  detail::BeginOwnPairs(io, selection, s);
  for (std::uint32_t w = 0; w < io.occluders.size(); ++w) {
    if (!detail::OwnPartnersReference(io, selection, w, s)) continue;
    for (std::uint32_t e : s.partners) f(w, e);
  }
}

// The same calls in the same order, partners taken from the grid.
template <class F>
void ForEachIntersectionPair(const InstanceOccluders& io, const host::BitArray* selection, PairScratch& s, F&& f) {
  detail::BeginOwnPairs(io, selection, s);
  for (std::uint32_t w = 0; w < io.occluders.size(); ++w) {
    if (!detail::OwnPartners(io, selection, w, s)) continue;
    for (std::uint32_t e : s.partners) f(w, e);
  }
}

// Pairs between two objects: f(w, e) for occluder w of self (selected) and
// occluder e of other whose boxes overlap on all three axes, w ascending,
// then e ascending. The reference tries every e for every w.
template <class F>
void ForEachIntersectionPairBetweenReference(const InstanceOccluders& self, const InstanceOccluders& other,
                                             const host::BitArray* selection, PairScratch& s, F&& f) {
  if (!Overlaps3d(self.box, other.box)) return;
  for (std::uint32_t w = 0; w < self.occluders.size(); ++w) {
    if (!detail::OtherPartnersReference(self, other, selection, w, s)) continue;
    for (std::uint32_t e : s.partners) f(w, e);
  }
}

template <class F>
void ForEachIntersectionPairBetween(const InstanceOccluders& self, const InstanceOccluders& other,
                                    const host::BitArray* selection, PairScratch& s, F&& f) {
  if (!Overlaps3d(self.box, other.box)) return;
  for (std::uint32_t w = 0; w < self.occluders.size(); ++w) {
    if (!detail::OtherPartners(self, other, selection, w, s)) continue;
    for (std::uint32_t e : s.partners) f(w, e);
  }
}

}  // namespace pw
