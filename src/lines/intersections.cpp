#include "lines/intersections.h"

#include <algorithm>
#include <bit>

#include "frame/clip_segment.h"
#include "lines/hidden_intervals.h"
#include "lines/polygon2d.h"
#include "lines/visibility.h"

namespace pw {

namespace {

host::Point3 PointOf(const MeshVertex& v) { return {v.x, v.y, v.z}; }

// The point at camera-space parameter t along a -> b; the ends themselves
// stay bit-exact.
host::Point3 Along(const host::Point3& a, const host::Point3& b, double t) {
  if (t <= 0.0) return a;
  if (t >= 1.0) return b;
  return {static_cast<float>(a.x + t * (double(b.x) - a.x)), static_cast<float>(a.y + t * (double(b.y) - a.y)),
          static_cast<float>(a.z + t * (double(b.z) - a.z))};
}

MeshVertex Projected(const IntersectionView& view, const host::Point3& p) {
  const host::Point2 s = project(view.projection, p);
  return {p.x, p.y, p.z, s.x, s.y};
}

// Quadrant bits of a box against the split point: 1 low-left, 2 low-right,
// 4 high-left, 8 high-right. Closed quadrants, so boxes that overlap share
// at least one.
std::uint8_t QuadrantsOf(const ScreenDepthBox& b, float cx, float cy) {
  const bool left = b.x0 <= cx, right = b.x1 >= cx, low = b.y0 <= cy, high = b.y1 >= cy;
  return static_cast<std::uint8_t>((left && low ? 1 : 0) | (right && low ? 2 : 0) | (left && high ? 4 : 0) |
                                   (right && high ? 8 : 0));
}

std::uint32_t NextGather(PairScratch& s, std::size_t size) {
  if (s.stamp.size() < size) s.stamp.resize(size, 0);
  if (++s.gather == 0) {
    std::fill(s.stamp.begin(), s.stamp.end(), 0);
    s.gather = 1;
  }
  return s.gather;
}

}  // namespace

IntersectionView MakeIntersectionView(const PwViewState& view) {
  IntersectionView v;
  v.projection = view.proj;
  v.clipPlanes = makeClipPlanes(view.clipWindow, view.proj.perspective);
  return v;
}

bool IntersectionSegment(const IntersectionView& view, const PwRenderMesh& meshE, const Occluder& e,
                         const InstanceOccluders& occW, const Occluder& w, MeshVertex* start, MeshVertex* end) {
  // Where E's edges pass through W's plane.
  const MeshFace& face = meshE.faces[e.face];
  host::Point3 corner[3];
  double distance[3];
  PlaneSide side[3];
  for (int k = 0; k < 3; ++k) {
    corner[k] = PointOf(meshE.verts[face.v[k]]);
    distance[k] = w.PlaneDistance(corner[k].x, corner[k].y, corner[k].z);
    side[k] = SideOfPlane(distance[k], kIntersectionPlaneTolerance);
  }
  host::Point3 crossing[2];
  int crossings = 0;
  for (int k = 0; k < 3; ++k) {
    const int j = (k + 1) % 3;
    const bool crosses = (side[k] == PlaneSide::Behind && side[j] == PlaneSide::InFront) ||
                         (side[k] == PlaneSide::InFront && side[j] == PlaneSide::Behind);
    if (!crosses) continue;
    if (crossings == 2) return false;
    crossing[crossings++] = Along(corner[k], corner[j], distance[k] / (distance[k] - distance[j]));
  }
  if (crossings != 2 || crossing[0] == crossing[1]) return false;

  // Into the view, onto the screen.
  host::Point3 a = crossing[0], b = crossing[1];
  if ((e.faceFlags | w.faceFlags) & FaceClipped) {
    ClippedSegment clipped;
    if (!clipSegment(view.clipPlanes, a, b, &clipped)) return false;
    a = clipped.a;
    b = clipped.b;
  }
  MeshVertex pa = Projected(view, a), pb = Projected(view, b);

  // The part inside W: the crossing line runs in W's plane, so inside W's
  // outline on screen is inside W.
  const std::span<const ScreenPoint> outline = occW.Outline(w);
  const ScreenPoint sa{pa.sx, pa.sy}, sb{pb.sx, pb.sy};
  if (!PointStrictlyInside(sa, outline) || !PointStrictlyInside(sb, outline)) {
    double lo = 0.0, hi = 0.0;
    if (!IntervalInPolygon(sa, sb, outline, &lo, &hi)) return false;
    const bool perspective = view.projection.perspective;
    const double u0 = perspective ? PerspectiveParameter(lo, a.z, b.z) : lo;
    const double u1 = perspective ? PerspectiveParameter(hi, a.z, b.z) : hi;
    const host::Point3 na = Along(a, b, u0), nb = Along(a, b, u1);
    pa = Projected(view, na);
    pb = Projected(view, nb);
  }
  if (pa.x == pb.x && pa.y == pb.y && pa.z == pb.z) return false;
  *start = pa;
  *end = pb;
  return true;
}

namespace detail {

void BeginOwnPairs(const InstanceOccluders& io, const host::BitArray* selection, PairScratch& s) {
  const std::size_t n = io.occluders.size();
  const float cx = (io.box.x0 + io.box.x1) * 0.5f, cy = (io.box.y0 + io.box.y1) * 0.5f;
  s.quadrants.resize(n);
  for (std::size_t i = 0; i < n; ++i) s.quadrants[i] = QuadrantsOf(io.occluders[i].box, cx, cy);
  for (std::vector<std::uint32_t>& list : s.quadrantList) list.clear();
  for (std::uint32_t i = 0; i < n; ++i) {
    if (!Selected(io, selection, i)) continue;
    for (int q = 0; q < 4; ++q)
      if (s.quadrants[i] & (1u << q)) s.quadrantList[q].push_back(i);
  }
  s.visited.assign(n, 0);
}

bool OwnPartnersReference(const InstanceOccluders& io, const host::BitArray* selection, std::uint32_t w,
                          PairScratch& s) {
  s.partners.clear();
  if (!Selected(io, selection, w)) return false;
  const std::uint32_t mark = NextGather(s, io.occluders.size());
  const ScreenDepthBox& box = io.occluders[w].box;
  for (int q = 0; q < 4; ++q) {
    if (!(s.quadrants[w] & (1u << q))) continue;
    for (std::uint32_t e : s.quadrantList[q]) {
      if (e == w || s.visited[e] || s.stamp[e] == mark) continue;
      s.stamp[e] = mark;
      if (Overlaps3d(io.occluders[e].box, box)) s.partners.push_back(e);
    }
  }
  s.visited[w] = 1;
  return true;
}

bool OwnPartners(const InstanceOccluders& io, const host::BitArray* selection, std::uint32_t w, PairScratch& s) {
  s.partners.clear();
  if (!Selected(io, selection, w)) return false;
  const ScreenDepthBox& box = io.occluders[w].box;
  const std::uint8_t mine = s.quadrants[w];
  s.keys.clear();
  // The occluders met so far are exactly those before w; the quadrant walk
  // meets each partner in the first quadrant both share, so that quadrant
  // then the index gives its order.
  const std::size_t n = GatherOverlapping(io.grid, box, true, s.gathered);
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t e = s.gathered[k];
    if (e <= w || !Selected(io, selection, e)) continue;
    const unsigned first = static_cast<unsigned>(std::countr_zero(static_cast<unsigned>(mine & s.quadrants[e])));
    s.keys.push_back((std::uint64_t{first} << 32) | e);
  }
  std::sort(s.keys.begin(), s.keys.end());
  for (std::uint64_t k : s.keys) s.partners.push_back(static_cast<std::uint32_t>(k));
  return true;
}

bool OtherPartnersReference(const InstanceOccluders& self, const InstanceOccluders& other,
                            const host::BitArray* selection, std::uint32_t w, PairScratch& s) {
  s.partners.clear();
  if (!Selected(self, selection, w)) return false;
  const ScreenDepthBox& box = self.occluders[w].box;
  for (std::uint32_t e = 0; e < other.occluders.size(); ++e)
    if (Overlaps3d(other.occluders[e].box, box)) s.partners.push_back(e);
  return true;
}

bool OtherPartners(const InstanceOccluders& self, const InstanceOccluders& other, const host::BitArray* selection,
                   std::uint32_t w, PairScratch& s) {
  s.partners.clear();
  if (!Selected(self, selection, w)) return false;
  const ScreenDepthBox& box = self.occluders[w].box;
  if (!Overlaps3d(other.box, box)) return true;
  const std::size_t n = GatherOverlapping(other.grid, box, true, s.gathered);
  s.partners.assign(s.gathered.begin(), s.gathered.begin() + static_cast<std::ptrdiff_t>(n));
  std::sort(s.partners.begin(), s.partners.end());
  return true;
}

}  // namespace detail

}  // namespace pw
