// Filled outline polygons of the frame's lines: every dash of every stored
// segment, shaped by its brush and capped by its stroke, ready for the line
// rasterizer.
//
// The polygons' corners live in one array shared by all outlines (each
// outline holds an offset and a count into it), so building a frame's
// outlines allocates only when the frame has more corners than any before.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "frame/projection.h"
#include "lines/line_store.h"
#include "styles/dash_layout.h"

namespace pw {

struct OutlinePoint {
  float x = 0.0f;  // screen pixels
  float y = 0.0f;
  friend bool operator==(const OutlinePoint&, const OutlinePoint&) = default;
};

// An end of an outline's centre line: where depth is measured along it.
struct OutlineEnd {
  float sx = 0.0f;
  float sy = 0.0f;
  float z = 0.0f;  // camera space
};

struct LineOutline {
  std::uint16_t red = 0;  // premultiplied, as in the segment
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  std::uint16_t alpha = 65535;
  std::uint8_t paletteIndex = 0;  // set by the rasterizer when drawing starts
  std::uint8_t skip = 0;          // set by the rasterizer: nothing of it lies in the picture
  OutlineEnd start;
  OutlineEnd end;
  std::uint32_t firstPoint = 0;  // into LineOutlineList::points
  std::uint32_t pointCount = 0;
};

struct LineOutlineList {
  std::vector<LineOutline> outlines;
  std::vector<OutlinePoint> points;
  std::vector<DashInterval> dashes;  // one segment's dashes while building

  void Clear() {
    outlines.clear();
    points.clear();
  }
  bool Empty() const { return outlines.empty(); }
  int Size() const { return static_cast<int>(outlines.size()); }
  std::span<const OutlinePoint> PointsOf(const LineOutline& o) const {
    return std::span<const OutlinePoint>(points).subspan(o.firstPoint, o.pointCount);
  }
  // Appends an outline whose corners are `corners` (firstPoint and
  // pointCount of `header` are set here).
  void Add(LineOutline header, std::span<const OutlinePoint> corners);
};

struct OutlineOptions {
  // Camera positions between a segment's ends are corrected for the
  // perspective divide (false under parallel projection).
  bool perspective = false;
  // Not null: every dash is re-projected through this view's spherical lens
  // in steps of about four pixels.
  const PwProjection* sphericalLens = nullptr;
};

// Brush shapes (the brush's shape value) that have an outline.
inline constexpr int kBrushCircle = 0;
inline constexpr int kBrushSquare = 1;

// Corners a disc of the dash's width gets when the dash is too short for
// its rounded ends: one every 20 degrees.
inline constexpr int kDiscCorners = 18;

// How many straight pieces a half circle of radius r (pixels) is drawn with:
// more for larger radii, so the cap looks round at every size.
int ArcPieces(double radius);

// Empties `out`, then appends the outlines of every dash of every segment of
// the store, newest segment first. Segments with a brush shape or capping
// that draws nothing add nothing.
void BuildOutlines(const LineStore& store, const OutlineOptions& options, LineOutlineList& out);

// The outline of one dash from `a` to `b` (screen ends, widths and depths;
// camera x and y are not read) drawn with the segment's brush shape and
// capping and coloured like it. Appends nothing for a shape or capping that
// draws nothing.
void AppendDashOutline(const LineSegment& segment, const LineEnd& a, const LineEnd& b, LineOutlineList& out);

}  // namespace pw
