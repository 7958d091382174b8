#include "lines/visibility.h"

#include <algorithm>

namespace pw {

namespace {

// The segment as every occluder test reads it.
struct Segment {
  MeshVertex a;
  MeshVertex b;
  ScreenPoint sa;
  ScreenPoint sb;
  ScreenDepthBox box;
  double tolerance = kTightPlaneTolerance;
  const PwProjection* projection = nullptr;
};

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
// hidden (out is exactly [0, 1]).
bool ApplyOccluder(const Segment& s, std::span<const ScreenPoint> outline, const Occluder& o, HiddenIntervals& out) {
  double lo = 0.0, hi = 0.0;
  if (o.box.z0 > s.box.z1) {
    // The whole face is nearer than the whole segment: only the outline
    // matters.
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
    if (ApplyOccluder(s, io.Outline(o), o, out)) return true;
  }
  return false;
}

// The occluders the grid files near the segment whose boxes overlap its
// own, each once, ascending.
void GatherCandidates(const Segment& s, const InstanceOccluders& io, VisibilityScratch& scratch) {
  scratch.candidates.clear();
  if (!OverlapsOnScreen(io.box, s.box)) return;
  if (scratch.stamp.size() < io.occluders.size()) scratch.stamp.resize(io.occluders.size(), 0);
  if (++scratch.gather == 0) {
    std::fill(scratch.stamp.begin(), scratch.stamp.end(), 0);
    scratch.gather = 1;
  }
  const std::uint32_t mark = scratch.gather;
  ForEachGridCandidate(io.grid, s.box.x0, s.box.y0, s.box.x1, s.box.y1, [&](std::uint32_t i) {
    if (scratch.stamp[i] == mark) return;
    scratch.stamp[i] = mark;
    if (OverlapsOnScreen(io.occluders[i].box, s.box)) scratch.candidates.push_back(i);
  });
  std::sort(scratch.candidates.begin(), scratch.candidates.end());
}

bool HideByGrid(const Segment& s, const InstanceOccluders& io, HiddenIntervals& out, VisibilityScratch& scratch) {
  GatherCandidates(s, io, scratch);
  for (std::uint32_t i : scratch.candidates) {
    const Occluder& o = io.occluders[i];
    if (ApplyOccluder(s, io.Outline(o), o, out)) return true;
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
    if (i != self && Overlaps3d(occluders[static_cast<std::size_t>(i)].box, box)) out.push_back(i);
  }
}

}  // namespace pw
