// Line generation for one object of a frame: the object's preparation (plan,
// edge table, overlap list), then one pass per line kind in the style's
// order, each accepted edge or piece going through hidden-line removal and
// emission into the frame's line store.
//
// A generator keeps its arrays from object to object and frame to frame.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "frame/frame_context.h"
#include "lines/edge_table.h"
#include "lines/hidden_intervals.h"
#include "lines/line_emit.h"
#include "lines/line_plan.h"
#include "lines/line_store.h"
#include "lines/intersections.h"
#include "lines/line_frame_data.h"
#include "lines/line_modifiers.h"
#include "lines/visibility.h"

namespace pw {

class PwStyle;

class LineGenerator {
 public:
  // The object's lines into `store`. `frameData` holds every visible
  // instance's occluders for this frame. False when the user cancelled.
  bool Generate(const PwFrameContext& frame, PwRenderInstance& instance, const PwStyle& style,
                LineFrameData& frameData, LineStore& store);

  // Finds occluders and face pairs by walking every one instead of through
  // the screen grids: the plain loops the indexed search must agree with.
  void UseReferenceSearch(bool on) { reference_ = on; }

  // What the last Generate resolved (tests).
  const LinePlan& Plan() const { return plan_; }
  const EdgeTable& Edges() const { return edges_; }

 private:
  void Prepare(const PwFrameContext& frame, PwRenderInstance& instance, const PwStyle& style,
               LineFrameData& frameData);
  void EdgePass(int kind);
  void Silhouette();
  void SurfaceIntersections();
  void ContourLines(int contour);

  std::uint16_t EdgeMaterial(std::uint32_t faceA, std::uint32_t faceB) const;
  std::uint16_t MaterialOf(std::uint16_t a, std::uint16_t b) const;
  bool BackSide(const EdgeRecord& r) const;
  void EdgeEnds(const EdgeRecord& r, SegmentEnd& a, SegmentEnd& b, bool unitThickness) const;
  // The edge as a curve along its first face's vertex normals, step by
  // step; false when it is to be drawn straight.
  bool SmoothEdge(const EdgeRecord& r, const SegmentInfo& info);
  // Hidden intervals of A->B, then emission.
  void Segment(const SegmentEnd& a, const SegmentEnd& b, const SegmentInfo& info, PlaneTolerance tolerance);

  // Per object.
  const PwFrameContext* frame_ = nullptr;
  PwRenderInstance* instance_ = nullptr;
  const PwStyle* style_ = nullptr;
  LineFrameData* data_ = nullptr;
  LineStore* store_ = nullptr;
  LinePlan plan_;
  EdgeTable edges_;
  EmitView view_;
  bool reference_ = false;
  VisibilityContext visibility_;
  IntersectionView intersectionView_;
  std::vector<int> overlap_;  // instance indices
  ActiveEdgeIds edgeIds_;
  // Faces that may intersect within the object and with other objects;
  // null: every face.
  host::BitArray restrictWithinBits_;
  host::BitArray restrictOthersBits_;
  const host::BitArray* restrictWithin_ = nullptr;
  const host::BitArray* restrictOthers_ = nullptr;

  // Scratch.
  HiddenIntervals hidden_;
  HiddenIntervals covered_;
  VisibilityScratch scratch_;
  PairScratch pairs_;
  std::vector<std::uint32_t> candidates_;  // silhouette: occluders near the edge
  std::vector<int> intersectWith_;
  std::vector<float> contourValues_;  // three per face
  std::vector<float> contourVertexValues_;
  bool contourChannelWarned_ = false;  // once per object and frame
};

}  // namespace pw
