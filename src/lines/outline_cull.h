// Quick answers for the common case of the screen tests: a segment that
// passes a face well clear of it.
#pragma once

#include <cmath>
#include <span>

#include "lines/occluder.h"
#include "lines/polygon2d.h"

namespace pw {

// The line through a segment's screen ends, n . x = c with n of the
// segment's length, and how far from it a box must stay.
struct SegmentLine {
  double nx = 0.0, ny = 0.0, c = 0.0;
  double margin = 0.0;  // in units of n . x
};

// Points the tests compute on the segment (the screen image of a point cut
// from it in space) stray from the line by rounding in the projection:
// some 1e-7 of their coordinates. These margins keep far clear of that.
inline constexpr double kLineMarginPixels = 1e-3;
inline constexpr double kLineMarginRelative = 1e-5;

// A margin no box passes: the line keeps every box.
inline constexpr double kNoLine = 1e300;

SegmentLine LineThrough(ScreenPoint p, ScreenPoint q);

// True when the box lies wholly on one side of the line, farther than the
// margin. Then nothing inside the box (a face's outline) meets the segment
// or any piece of it the tests look at, nor contains one of their ends:
// the outline tests would find no interval and no end inside. Branch-free.
inline bool BoxClearOfLine(const SegmentLine& l, const ScreenDepthBox& b) {
  const double cx = 0.5 * (double(b.x0) + b.x1), cy = 0.5 * (double(b.y0) + b.y1);
  const double hx = 0.5 * (double(b.x1) - b.x0), hy = 0.5 * (double(b.y1) - b.y0);
  const double centre = l.nx * cx + l.ny * cy - l.c;
  const double reach = std::abs(l.nx) * hx + std::abs(l.ny) * hy + l.margin;
  return (centre > reach) | (centre < -reach);
}

// True when both ends of P->Q lie beyond one edge line of the triangle by
// far more than rounding can blur. Then IntervalInPolygon finds no interval
// and neither end is strictly inside, exactly as if they had been asked:
// the segment cannot meet an edge of the triangle, the crossing parameters
// those tests compute miss [0, 1] by margins far above their rounding, and
// no edge passes close enough to an end to turn its winding. False answers
// nothing; so does anything but a triangle (a clipped polygon, whose
// rounded corners need not be exactly convex), a triangle without area,
// and coordinates that are not numbers.
bool SegmentClearlyOutsideTriangle(ScreenPoint p, ScreenPoint q, std::span<const ScreenPoint> outline);

}  // namespace pw
