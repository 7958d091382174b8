// A segment's visible and hidden pieces into the frame's line store, each
// with the drawing tools of its kind (or sub-item) and visibility.
#pragma once

#include <cstdint>

#include "frame/mesh_records.h"
#include "lines/hidden_intervals.h"
#include "lines/line_plan.h"
#include "lines/line_store.h"

namespace pw {

// One end of a segment line generation produced: its vertex record (camera
// space and screen) and the painted thickness there.
struct SegmentEnd {
  MeshVertex pos;
  float thickness = 1.0f;
};

struct SegmentInfo {
  int kind = 0;
  int sub = -1;  // edge ID sub-item or contour, -1 for none
  std::uint16_t materialId = 0;
  bool backSide = false;
};

// What emission needs of the frame's projection.
struct EmitView {
  bool perspective = true;
  double projectionScale = 1.0;  // pixels per scene unit at unit depth
};

// Cuts A->B at the intervals of `hidden` and stores every piece whose tools
// are on: visible pieces with the visible tools, hidden ones with the hidden
// tools. Returns the number of segments stored.
int EmitSegment(const SegmentEnd& a, const SegmentEnd& b, const SegmentInfo& info, const HiddenIntervals& hidden,
                const LinePlan& plan, const EmitView& view, LineStore& store);

// The colour of a piece drawn with `draw`: a colour tag of the segment's
// material wins, else the paint's (or the object's) colour with the paint's
// brightness; node visibility below 1 becomes alpha and premultiplies.
Color16 PieceColor(const PieceDraw& draw, const SegmentInfo& info, const LinePlan& plan);

}  // namespace pw
