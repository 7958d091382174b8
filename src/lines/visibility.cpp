#include "lines/visibility.h"

#include <algorithm>
#include <cmath>

#include "lines/outline_cull.h"

namespace pw {

namespace {

// How far an end's screen position may lie from its projection for the
// line cull still to hold: far below the margin it keeps (outline_cull.h).
constexpr double kProjectionSlackPixels = 1e-4;
constexpr double kProjectionSlackRelative = 1e-6;

// The segment as every occluder test reads it.
struct Segment {
  MeshVertex a;
  MeshVertex b;
  ScreenPoint sa;
  ScreenPoint sb;
  ScreenDepthBox box;
  double tolerance = kTightPlaneTolerance;
  const PwProjection* projection = nullptr;
  SegmentLine line;
};

// The end's screen position is where the projection puts its camera
// position, give or take rounding.
bool ProjectsTo(const PwProjection& proj, const MeshVertex& v) {
  const host::Point2 p = project(proj, {v.x, v.y, v.z});
  const double slack = kProjectionSlackPixels + kProjectionSlackRelative * (std::abs(v.sx) + std::abs(v.sy));
  return std::abs(double(p.x) - v.sx) <= slack && std::abs(double(p.y) - v.sy) <= slack;
}

Segment MakeSegment(const MeshVertex& a, const MeshVertex& b, PlaneTolerance tolerance, const PwProjection* proj) {
  Segment s;
  s.a = a;
  s.b = b;
  s.sa = {a.sx, a.sy};
  s.sb = {b.sx, b.sy};
  s.box.Add(a.sx, a.sy, a.z);
  s.box.Add(b.sx, b.sy, b.z);
  s.tolerance = PlaneToleranceValue(tolerance);
  s.projection = proj;
  s.line = LineThrough(s.sa, s.sb);
  // Faces beside the segment's line are let go only while points cut from
  // the segment in space land on that line, which holds when its ends'
  // screen positions are their projections; ends placed otherwise keep
  // every face.
  if (!proj || !ProjectsTo(*proj, a) || !ProjectsTo(*proj, b)) s.line.margin = kNoLine;
  return s;
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// Where the plane cuts A->B, on screen, and as a parameter of the screen
// segment.
struct Cut {
  ScreenPoint screen;
  double k = 0.0;
};

Cut CutAtPlane(const Segment& s, double distanceA, double distanceB) {
  const double t = distanceA / (distanceA - distanceB);
  const host::Point3 p(static_cast<float>(s.a.x + t * (double(s.b.x) - s.a.x)),
                       static_cast<float>(s.a.y + t * (double(s.b.y) - s.a.y)),
                       static_cast<float>(s.a.z + t * (double(s.b.z) - s.a.z)));
  const host::Point2 screen = project(*s.projection, p);
  Cut cut;
  cut.screen = {screen.x, screen.y};
  if (s.a.sx != s.b.sx) {
    cut.k = (double(screen.x) - s.a.sx) / (double(s.b.sx) - s.a.sx);
  } else if (s.a.sy != s.b.sy) {
    cut.k = (double(screen.y) - s.a.sy) / (double(s.b.sy) - s.a.sy);
  }
  cut.k = Clamp01(cut.k);
  return cut;
}

// One occluder against the segment; true when the segment is now wholly
// hidden (out is exactly [0, 1]). With kQuickOutside, a segment clear of the
// triangle is let go before the outline tests, which would say the same.
// The occluder as the test reads it.
struct OccluderView {
  const double* n;
  double d;
  float z0;
  std::span<const ScreenPoint> outline;

  double PlaneDistance(double x, double y, double z) const { return n[0] * x + n[1] * y + n[2] * z - d; }
};

template <bool kQuickOutside>
bool ApplyOccluder(const Segment& s, const OccluderView& o, HiddenIntervals& out) {
  const std::span<const ScreenPoint> outline = o.outline;
  double lo = 0.0, hi = 0.0;
  if (o.z0 > s.box.z1) {
    // The whole face is nearer than the whole segment: only the outline
    // matters.
    if (kQuickOutside && SegmentClearlyOutsideTriangle(s.sa, s.sb, outline)) return false;
    if (!IntervalInPolygon(s.sa, s.sb, outline, &lo, &hi)) {
      if (PointStrictlyInside(s.sa, outline) || PointStrictlyInside(s.sb, outline)) {
        out.SetAll();
        return true;
      }
      return false;
    }
  } else {
    const double distanceA = o.PlaneDistance(s.a.x, s.a.y, s.a.z);
    const double distanceB = o.PlaneDistance(s.b.x, s.b.y, s.b.z);
    const PlaneSide sideA = SideOfPlane(distanceA, s.tolerance);
    const PlaneSide sideB = SideOfPlane(distanceB, s.tolerance);
    if (sideA != PlaneSide::Behind && sideB != PlaneSide::Behind) return false;

    // The part behind the plane: all of it, or from the cut on.
    const bool cutAtA = sideA == PlaneSide::InFront;
    const bool cutAtB = sideB == PlaneSide::InFront;
    ScreenPoint p = s.sa, q = s.sb;
    Cut cut;
    if (cutAtA || cutAtB) {
      cut = CutAtPlane(s, distanceA, distanceB);
      (cutAtA ? p : q) = cut.screen;
    }
    if (kQuickOutside && SegmentClearlyOutsideTriangle(p, q, outline)) return false;
    if (!IntervalInPolygon(p, q, outline, &lo, &hi)) {
      if (!PointStrictlyInside(p, outline) && !PointStrictlyInside(q, outline)) return false;
      if (!cutAtA && !cutAtB) {
        out.SetAll();
        return true;
      }
      lo = 0.0;
      hi = 1.0;
    }
    if (cutAtA) {
      lo = Clamp01((1.0 - cut.k) * lo + cut.k);
      hi = Clamp01((1.0 - cut.k) * hi + cut.k);
    } else if (cutAtB) {
      lo = Clamp01(cut.k * lo);
      hi = Clamp01(cut.k * hi);
    }
  }
  if (lo > hi) std::swap(lo, hi);
  out.Merge(lo, hi, kIntervalMergeTolerance);
  return out.CoversAll();
}

bool InstanceMayHide(const Segment& s, const InstanceOccluders& io) {
  return OverlapsOnScreen(io.box, s.box) && !(s.box.z0 > io.box.z1);
}

// Every occluder of the instance in order; true when the whole segment is
// hidden.
bool HideByAll(const Segment& s, const InstanceOccluders& io, HiddenIntervals& out) {
  for (const Occluder& o : io.occluders) {
    if (!OverlapsOnScreen(o.box, s.box)) continue;
    if (ApplyOccluder<false>(s, {o.n, o.d, o.box.z0, io.Outline(o)}, out)) return true;
  }
  return false;
}

// A segment meets a dozen or two occluders, for which insertion beats the
// general sort.
void SortAscending(std::uint64_t* v, std::size_t n) {
  if (n > 48) {
    std::sort(v, v + n);
    return;
  }
  for (std::size_t i = 1; i < n; ++i) {
    const std::uint64_t x = v[i];
    std::size_t j = i;
    for (; j > 0 && v[j - 1] > x; --j) v[j] = v[j - 1];
    v[j] = x;
  }
}

bool HideByGrid(const Segment& s, const InstanceOccluders& io, HiddenIntervals& out, VisibilityScratch& scratch) {
  if (!OverlapsOnScreen(io.box, s.box)) return false;
  // The occluders near the segment, in the order the plain loop meets them.
  // Beside the segment's line a face hides nothing of it; most faces whose
  // boxes touch a slanting segment's box are.
  const std::size_t n = GatherWhere<std::uint64_t>(
      io.grid, s.box,
      [&](const ScreenDepthBox& b) { return OverlapsOnScreenBranchFree(b, s.box) & !BoxClearOfLine(s.line, b); },
      scratch.candidates);
  std::uint64_t* candidates = scratch.candidates.data();
  SortAscending(candidates, n);
  // Ask for all of them at once rather than waiting for each in turn.
  for (std::size_t k = 0; k < n; ++k) __builtin_prefetch(&io.testData[candidates[k] & 0xFFFFFFFFu]);
  for (std::size_t k = 0; k < n; ++k) {
    const OccluderTestData& t = io.testData[candidates[k] & 0xFFFFFFFFu];
    const std::span<const ScreenPoint> outline =
        t.numPoints == 3 ? std::span<const ScreenPoint>(t.triangle, 3) : io.Outline(io.occluders[candidates[k] >> 32]);
    if (ApplyOccluder<true>(s, {t.n, t.d, t.z0, outline}, out)) return true;
  }
  return false;
}

template <class Hide>
void HiddenIntervalsWith(const VisibilityContext& c, const MeshVertex& a, const MeshVertex& b,
                         PlaneTolerance tolerance, HiddenIntervals& out, Hide&& hide) {
  out.Clear();
  const Segment s = MakeSegment(a, b, tolerance, c.projection);
  const int count = static_cast<int>(c.occluders.size());
  if (c.withinObject && c.self >= 0 && c.self < count) {
    if (hide(s, c.occluders[static_cast<std::size_t>(c.self)], out)) return;
  }
  if (!c.withOthers) return;
  for (int other : c.overlap) {
    if (other < 0 || other >= count || other == c.self) continue;
    const InstanceOccluders& io = c.occluders[static_cast<std::size_t>(other)];
    if (!InstanceMayHide(s, io)) continue;
    if (hide(s, io, out)) return;
  }
}

}  // namespace

void HiddenIntervalsReference(const VisibilityContext& context, const MeshVertex& a, const MeshVertex& b,
                              PlaneTolerance tolerance, HiddenIntervals& out, VisibilityScratch&) {
  HiddenIntervalsWith(context, a, b, tolerance, out,
                      [](const Segment& s, const InstanceOccluders& io, HiddenIntervals& list) {
                        return HideByAll(s, io, list);
                      });
}

void HiddenIntervalsOf(const VisibilityContext& context, const MeshVertex& a, const MeshVertex& b,
                       PlaneTolerance tolerance, HiddenIntervals& out, VisibilityScratch& scratch) {
  HiddenIntervalsWith(context, a, b, tolerance, out,
                      [&scratch](const Segment& s, const InstanceOccluders& io, HiddenIntervals& list) {
                        return HideByGrid(s, io, list, scratch);
                      });
}

void BuildOverlapList(std::span<const InstanceOccluders> occluders, int self, std::vector<int>& out) {
  out.clear();
  if (self < 0 || self >= static_cast<int>(occluders.size())) return;
  const ScreenDepthBox& box = occluders[static_cast<std::size_t>(self)].box;
  for (int i = 0; i < static_cast<int>(occluders.size()); ++i) {
    const ScreenDepthBox& other = occluders[static_cast<std::size_t>(i)].box;
    // An object wholly in front hides as much as one that interleaves in
    // depth; only one wholly behind (its nearest point beyond this one's
    // farthest) can hide nothing.
    if (i != self && OverlapsOnScreen(other, box) && other.z1 > box.z0) out.push_back(i);
  }
}

}  // namespace pw
