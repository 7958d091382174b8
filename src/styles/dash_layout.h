// Laying a stroke's dash pattern out along one line segment, and the shape
// of each dash's ends.
//
// The pattern restarts at the start of every segment piece the line emitter
// stores: dashes never carry over from one piece to the next, across a
// visible/hidden boundary or from one edge to another.
#pragma once

#include <cstdint>
#include <vector>

namespace pw {

// One dash as an interval of the segment's parameter (0 = start, 1 = end).
struct DashInterval {
  double start = 0.0;
  double end = 0.0;
  friend bool operator==(const DashInterval&, const DashInterval&) = default;
};

// Smallest pattern scale a stroke works with: stored scales below zero (and
// zero, which would make cells of no length) read as this.
inline constexpr float kMinStrokeScale = 1e-4f;

// The scale a stroke's stored value stands for.
float EffectiveStrokeScale(float storedScale);

// Pattern cells shorter than this (in pixels) are finer than any rasterizer
// can show; a segment whose cells are that fine, or that would hold more
// cells than kMaxDashCells, is laid out as one solid dash (when its mask
// draws anything) instead of millions of invisible ones.
inline constexpr double kMinDashCellPixels = 1.0 / 256.0;
inline constexpr double kMaxDashCells = 16777216.0;

// Appends the dashes of a segment `lengthPixels` long, drawn with a brush
// `brushWidthPixels` wide (before per-end thickness), with pattern `mask` and
// pattern scale `scale` (a stored value; EffectiveStrokeScale is applied).
// One pattern cell is brush width x scale long. Returns how many were added.
//
// The cells are walked boundary by boundary: a dash open on a clear cell
// closes at that cell's start, a closed dash opens on a set cell, and a dash
// still open on the last whole cell boundary ends at the segment's end. A
// dash that opens on that last boundary, or a segment shorter than one cell,
// gets no dash (unless the mask is solid).
int LayoutDashes(std::int32_t mask, double lengthPixels, double brushWidthPixels, float scale,
                 std::vector<DashInterval>& out);

// How the ends of every dash are shaped, from the stroke's capping and the
// brush's shape.
enum class DashCap {
  None,          // capping other than 0 or 1: the line is not drawn
  Butt,          // square brush, capping 0: square ends at the dash's ends
  SquareExtend,  // square brush, capping 1: square ends half the width beyond
  RoundInside,   // circle brush, capping 0: rounded ends kept within the dash
  RoundOutside,  // circle brush, capping 1: half-discs beyond both ends
};

inline constexpr int kStrokeCappingNone = 0;
inline constexpr int kStrokeCappingBrush = 1;

DashCap DashCapFor(int capping, bool squareBrush);

// How far (in pixels) the drawn shape of a dash reaches beyond each of its
// ends: half the width for SquareExtend and RoundOutside, else 0.
double DashCapExtension(DashCap cap, double brushWidthPixels);

// Scale a vector writer applies to a line of brush width w (pixels) so thin
// and thick lines keep their look on paper.
float StrokeVectorLineFactor(float brushWidth);

}  // namespace pw
