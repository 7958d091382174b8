#include "frame/clipper.h"

#include <cassert>

namespace pw {

namespace {

// Room for the working polygons. In exact arithmetic a convex polygon gains
// at most one point per plane; rounding can make a sliver polygon zigzag
// across a plane and gain more. Such a polygon has no area to speak of, so
// one that would outgrow the room (or the caller's kMaxClipPoints) is
// dropped rather than overrun anything.
constexpr int kWorkPoints = 2 * kMaxClipPoints;

// The point where segment in -> out meets a plane. Always measured from the
// inside end, so that the two faces sharing an edge (which walk it in
// opposite directions) compute the very same point.
ClipPoint crossing(const ClipPoint& in, float dIn, const ClipPoint& out, float dOut) {
  float t = dIn / (dIn - dOut);
  ClipPoint r;
  r.pos.x = in.pos.x + t * (out.pos.x - in.pos.x);
  r.pos.y = in.pos.y + t * (out.pos.y - in.pos.y);
  r.pos.z = in.pos.z + t * (out.pos.z - in.pos.z);
  for (int k = 0; k < 3; ++k) r.b[k] = in.b[k] + t * (out.b[k] - in.b[k]);
  return r;
}

bool samePosition(const ClipPoint& p, const ClipPoint& q) {
  return p.pos.x == q.pos.x && p.pos.y == q.pos.y && p.pos.z == q.pos.z;
}

// A corner lying exactly on a plane yields a crossing equal to itself; drop
// the first of two equal neighbours. The edge leaving the dropped point had
// no length, so the point before it keeps its tag.
int removeDuplicates(ClipPoint* pts, int n) {
  // In place: when pts[0] has been overwritten by the time the last point
  // looks at it, it holds a point equal to the original pts[0].
  int m = 0;
  for (int i = 0; i < n; ++i) {
    if (samePosition(pts[i], pts[(i + 1) % n])) continue;
    pts[m++] = pts[i];
  }
  return m;
}

// One Sutherland-Hodgman step. The tag of an output point names the edge
// that leaves it: a crossing entering the plane continues the input edge it
// lies on, a crossing leaving it starts an edge along the plane (tag 0).
int clipByPlane(const ClipPoint* in, int n, const ClipPlane& plane, ClipPoint* out) {
  int m = 0;
  if (2 * n > kWorkPoints) return 0;
  const ClipPoint* prev = &in[n - 1];
  float dPrev = plane.distance(prev->pos.x, prev->pos.y, prev->pos.z);
  for (int i = 0; i < n; ++i) {
    const ClipPoint* cur = &in[i];
    float dCur = plane.distance(cur->pos.x, cur->pos.y, cur->pos.z);
    bool prevIn = dPrev >= 0.0f;
    bool curIn = dCur >= 0.0f;
    if (prevIn && curIn) {
      out[m++] = *cur;
    } else if (prevIn) {
      out[m] = crossing(*prev, dPrev, *cur, dCur);
      out[m++].edge = static_cast<float>(kClipEdgeNone);
    } else if (curIn) {
      out[m] = crossing(*cur, dCur, *prev, dPrev);
      out[m++].edge = prev->edge;
      out[m++] = *cur;
    }
    prev = cur;
    dPrev = dCur;
  }
  return removeDuplicates(out, m);
}

// pts and scratch hold kWorkPoints each; the result ends up in pts.
int clipPolygon(ClipPoint* pts, ClipPoint* scratch, int n, std::uint8_t planeMask, const ClipPlanes& planes) {
  ClipPoint* src = pts;
  ClipPoint* dst = scratch;
  for (int i = 0; i < kNumClipPlanes && n >= 3; ++i) {
    if (!(planeMask & (1u << i))) continue;
    n = clipByPlane(src, n, planes.plane[i], dst);
    ClipPoint* t = src;
    src = dst;
    dst = t;
  }
  if (n < 3 || n > kMaxClipPoints) return 0;
  if (src != pts) {
    for (int i = 0; i < n; ++i) pts[i] = src[i];
  }
  return n;
}

void startPolygon(const host::Point3 corner[3], ClipPoint* pts) {
  for (int k = 0; k < 3; ++k) {
    pts[k] = ClipPoint{};
    pts[k].pos.x = corner[k].x;
    pts[k].pos.y = corner[k].y;
    pts[k].pos.z = corner[k].z;
    pts[k].b[k] = 1.0f;
    pts[k].edge = static_cast<float>(kClipEdge01 + k);  // corner k starts edge k+1
  }
}

}  // namespace

int clipTriangle(const host::Point3 corner[3], const ClipPlanes& planes, ClipPoint out[kMaxClipPoints]) {
  ClipPoint pts[kWorkPoints];
  ClipPoint scratch[kWorkPoints];
  startPolygon(corner, pts);
  std::uint8_t mask = 0;
  for (int k = 0; k < 3; ++k) mask |= planes.outcode(corner[k].x, corner[k].y, corner[k].z);
  int n = clipPolygon(pts, scratch, 3, mask, planes);
  for (int k = 0; k < n; ++k) out[k] = pts[k];
  return n;
}

ClipStats clipFaces(std::span<const MeshVertex> verts, std::span<MeshFace> faces,
                    std::vector<ClipPoint>& pool, std::vector<std::uint8_t>& vertexCodes,
                    const PwProjection& proj, const PwClipWindow& window) {
  ClipPlanes planes = makeClipPlanes(window, proj.perspective);
  pool.clear();
  vertexCodes.resize(verts.size());
  for (std::size_t i = 0; i < verts.size(); ++i) {
    vertexCodes[i] = planes.outcode(verts[i].x, verts[i].y, verts[i].z);
  }

  ClipStats stats;
  ClipPoint pts[kWorkPoints];
  ClipPoint scratch[kWorkPoints];
  for (MeshFace& f : faces) {
    if (f.faceFlags & FaceClipped) {  // from an earlier call; most faces never were
      f.faceFlags &= static_cast<std::uint8_t>(~FaceClipped);
      f.clipFirst = 0;
      f.numClip = 0;
    }
    if (f.faceFlags & FaceExcluded) continue;
    assert(f.v[0] < verts.size() && f.v[1] < verts.size() && f.v[2] < verts.size());
    std::uint8_t c0 = vertexCodes[f.v[0]];
    std::uint8_t c1 = vertexCodes[f.v[1]];
    std::uint8_t c2 = vertexCodes[f.v[2]];
    if (c0 & c1 & c2) {
      f.faceFlags |= FaceExcluded;
      ++stats.excluded;
      continue;
    }
    if ((c0 | c1 | c2) == 0) {
      ++stats.kept;
      continue;
    }
    host::Point3 corner[3];
    for (int k = 0; k < 3; ++k) {
      const MeshVertex& v = verts[f.v[k]];
      corner[k] = {v.x, v.y, v.z};
    }
    startPolygon(corner, pts);
    int n = clipPolygon(pts, scratch, 3, static_cast<std::uint8_t>(c0 | c1 | c2), planes);
    if (n == 0) {
      // Crossed a boundary but only touches the view along an edge or a corner.
      f.faceFlags |= FaceExcluded;
      ++stats.excluded;
      continue;
    }
    for (int k = 0; k < n; ++k) {
      host::Point2 s = project(proj, {pts[k].pos.x, pts[k].pos.y, pts[k].pos.z});
      pts[k].pos.sx = s.x;
      pts[k].pos.sy = s.y;
    }
    f.faceFlags |= FaceClipped;
    f.clipFirst = static_cast<std::uint32_t>(pool.size());
    f.numClip = n;
    pool.insert(pool.end(), pts, pts + n);
    ++stats.clipped;
  }
  return stats;
}

}  // namespace pw
