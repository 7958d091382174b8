#include "lines/line_outline.h"

#include <cmath>

#include "lines/hidden_intervals.h"
#include "styles/dash_layout.h"

namespace pw {

namespace {

// The spherical lens bends straight lines; a dash is re-projected as a chain
// of pieces this long (pixels, before the lens) so the bend shows.
constexpr double kLensStepPixels = 4.0;
// A dash far longer than any picture (its ends far outside the view) gets
// no more pieces than this, so a stray segment cannot exhaust memory.
constexpr double kMaxLensSteps = 65536.0;

double ScreenLength(const LineEnd& a, const LineEnd& b) {
  return std::hypot(static_cast<double>(b.sx) - a.sx, static_cast<double>(b.sy) - a.sy);
}

float Lerp(float a, float b, double t) {
  return static_cast<float>(static_cast<double>(a) + (static_cast<double>(b) - a) * t);
}

// The point at screen parameter t between two ends: screen position and
// width are linear on the screen, the camera position linear in space.
LineEnd PointAt(const LineEnd& a, const LineEnd& b, double t, bool perspective) {
  const double u = perspective ? PerspectiveParameter(t, a.z, b.z) : t;
  LineEnd p;
  p.x = Lerp(a.x, b.x, u);
  p.y = Lerp(a.y, b.y, u);
  p.z = Lerp(a.z, b.z, u);
  p.sx = Lerp(a.sx, b.sx, t);
  p.sy = Lerp(a.sy, b.sy, t);
  p.width = Lerp(a.width, b.width, t);
  return p;
}

LineEnd ThroughLens(LineEnd p, const PwProjection& lens) {
  const host::Point2 s = projectSpherical(lens, {p.x, p.y, p.z});
  p.sx = s.x;
  p.sy = s.y;
  return p;
}

// One outline per lens step of about four pixels, the last step ending
// exactly at the dash's end.
void AddThroughLens(const LineSegment& segment, const LineEnd& a, const LineEnd& b, const OutlineOptions& options,
                    LineOutlineList& out) {
  const PwProjection& lens = *options.sphericalLens;
  const double length = ScreenLength(a, b);
  const double step = !(length > kLensStepPixels) || !std::isfinite(length) ? 1.0
                      : length > kLensStepPixels * kMaxLensSteps ? 1.0 / kMaxLensSteps
                                                                 : kLensStepPixels / length;
  LineEnd previous = ThroughLens(a, lens);
  for (int k = 1;; ++k) {
    const double t = k * step;
    const bool last = !(t < 1.0);
    const LineEnd next = ThroughLens(last ? b : PointAt(a, b, t, options.perspective), lens);
    AppendDashOutline(segment, previous, next, out);
    if (last) break;
    previous = next;
  }
}

}  // namespace

void LineOutlineList::Add(LineOutline header, std::span<const OutlinePoint> corners) {
  header.firstPoint = static_cast<std::uint32_t>(points.size());
  header.pointCount = static_cast<std::uint32_t>(corners.size());
  points.insert(points.end(), corners.begin(), corners.end());
  outlines.push_back(header);
}

void BuildOutlines(const LineStore& store, const OutlineOptions& options, LineOutlineList& out) {
  out.Clear();
  std::vector<DashInterval>& dashes = out.dashes;
  store.ForEach([&](const LineSegment& segment) {
    if (DashCapFor(segment.capping, segment.brushShape == kBrushSquare) == DashCap::None) return;
    if (segment.brushShape != kBrushCircle && segment.brushShape != kBrushSquare) return;
    dashes.clear();
    LayoutDashes(segment.pattern, ScreenLength(segment.start, segment.end), segment.brushWidth,
                 segment.patternScale, dashes);
    for (const DashInterval& dash : dashes) {
      const bool whole = dash.start == 0.0 && dash.end == 1.0;
      const LineEnd a = whole ? segment.start : PointAt(segment.start, segment.end, dash.start, options.perspective);
      const LineEnd b = whole ? segment.end : PointAt(segment.start, segment.end, dash.end, options.perspective);
      if (options.sphericalLens) {
        AddThroughLens(segment, a, b, options, out);
      } else {
        AppendDashOutline(segment, a, b, out);
      }
    }
  });
}

}  // namespace pw
