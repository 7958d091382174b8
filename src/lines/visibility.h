// Analytic hidden-line removal: which parts of a segment A->B the faces of
// its own object and of the objects around it hide, as parameter intervals
// of its screen image (0 at A, 1 at B).
//
// A face hides the part of the segment that lies behind its plane and, on
// screen, inside its outline. Faces are taken in order and their intervals
// merged; the test stops as soon as the whole segment is hidden.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "frame/mesh_records.h"
#include "frame/projection.h"
#include "lines/hidden_intervals.h"
#include "lines/occluder.h"

namespace pw {

// How far from a face's plane (camera units) a point still counts as lying
// on it. Edges and outline pieces lie on the faces they bound, so they need
// the tight band, and so do smoothed edge steps; segments computed from
// other data (contours) stray further and take the loose one.
enum class PlaneTolerance : std::uint8_t { Tight, Loose };
inline constexpr double kTightPlaneTolerance = 1e-4;
inline constexpr double kLoosePlaneTolerance = 5e-4;

inline double PlaneToleranceValue(PlaneTolerance t) {
  return t == PlaneTolerance::Tight ? kTightPlaneTolerance : kLoosePlaneTolerance;
}

// Which side of an occluder's plane a point lies on.
enum class PlaneSide : std::uint8_t { Behind = 0, InFront = 1, On = 2 };

inline PlaneSide SideOfPlane(double distance, double tolerance) {
  if (distance < -tolerance) return PlaneSide::Behind;
  if (distance > tolerance) return PlaneSide::InFront;
  return PlaneSide::On;
}

// What the test of one segment looks at. The caller keeps one
// InstanceOccluders per instance of the run, indexed by instance index, for
// the whole frame.
struct VisibilityContext {
  const PwProjection* projection = nullptr;
  std::span<const InstanceOccluders> occluders;  // by instance index
  int self = -1;                                  // the segment's own instance
  std::span<const int> overlap;                   // the instances whose boxes overlap its own
  bool withinObject = true;                       // hidden by its own faces (off while outlines run)
  bool withOthers = true;                         // hidden by the overlapping instances
};

// Reused from segment to segment so a test allocates only while the list
// grows to the most occluders any segment meets.
struct VisibilityScratch {
  // The occluders near the segment (index << 32 | grid position); only a
  // prefix is current.
  std::vector<std::uint64_t> candidates;
};

// The hidden intervals of A->B into out (cleared first): every occluder of
// every instance in turn. The plain form, kept as the reference the indexed
// form is checked against.
void HiddenIntervalsReference(const VisibilityContext& context, const MeshVertex& a, const MeshVertex& b,
                              PlaneTolerance tolerance, HiddenIntervals& out, VisibilityScratch& scratch);

// The same result, bit for bit, taking the occluders near the segment from
// each instance's grid, in ascending order so intervals merge in the same
// order. Faces that cannot touch the segment on screen (beside its line, or
// beyond an edge of their own triangle by far more than rounding) are let
// go without the outline tests, which would find nothing there either.
void HiddenIntervalsOf(const VisibilityContext& context, const MeshVertex& a, const MeshVertex& b,
                       PlaneTolerance tolerance, HiddenIntervals& out, VisibilityScratch& scratch);

// The instances other than self that can hide some of self's lines: their
// occluder boxes overlap self's on screen and reach nearer than self's
// farthest point. Ascending, into out (cleared first).
void BuildOverlapList(std::span<const InstanceOccluders> occluders, int self, std::vector<int>& out);

}  // namespace pw
