#include "lines/outline_cull.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

// The margin, relative to the size of the quantities compared, that an end
// must keep from an edge line. Rounding in the outline tests is of the
// order of 1e-16 of the same sizes; a billionth leaves seven orders of
// magnitude for the error to grow through their divisions.
constexpr double kRelativeMargin = 1e-9;

}  // namespace

SegmentLine LineThrough(ScreenPoint p, ScreenPoint q) {
  SegmentLine l;
  l.nx = -(double(q.y) - p.y);
  l.ny = double(q.x) - p.x;
  l.c = l.nx * p.x + l.ny * p.y;
  const double length = std::sqrt(l.nx * l.nx + l.ny * l.ny);
  const double size = std::max(std::max(std::abs(p.x), std::abs(p.y)), std::max(std::abs(q.x), std::abs(q.y)));
  // A segment of no length has no line: every box is then kept.
  l.margin = length > 0.0 ? length * (kLineMarginPixels + kLineMarginRelative * size) : kNoLine;
  return l;
}

bool SegmentClearlyOutsideTriangle(ScreenPoint p, ScreenPoint q, std::span<const ScreenPoint> outline) {
  if (outline.size() != 3) return false;
  const ScreenPoint* t = outline.data();
  // Twice the signed area: which side of each edge is inside.
  const double area = (double(t[1].x) - t[0].x) * (double(t[2].y) - t[0].y) -
                      (double(t[1].y) - t[0].y) * (double(t[2].x) - t[0].x);
  if (!(area != 0.0)) return false;
  const double inside = area > 0.0 ? 1.0 : -1.0;
  for (int i = 0; i < 3; ++i) {
    const ScreenPoint u = t[i], v = t[(i + 1) % 3];
    const double ex = double(v.x) - u.x, ey = double(v.y) - u.y;
    const double px = double(p.x) - u.x, py = double(p.y) - u.y;
    const double qx = double(q.x) - u.x, qy = double(q.y) - u.y;
    const double sideP = inside * (ex * py - ey * px);
    const double sideQ = inside * (ex * qy - ey * qx);
    const double edge = std::abs(ex) + std::abs(ey);
    const double reach = edge + std::abs(px) + std::abs(py) + std::abs(qx) + std::abs(qy);
    const double margin = kRelativeMargin * edge * reach;
    // Written so that a NaN anywhere answers false.
    if (sideP < -margin && sideQ < -margin && margin > 0.0) return true;
  }
  return false;
}

}  // namespace pw
