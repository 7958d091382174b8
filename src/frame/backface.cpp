#include "frame/backface.h"

#include <cassert>

namespace pw {

namespace {

// Twice the signed screen area, negated: positive for front faces. For
// three points this is exactly
// (P0.y - P1.y)(P1.x - P2.x) - (P1.y - P2.y)(P0.x - P1.x).
float facingOfTriangle(const MeshVertex& p0, const MeshVertex& p1, const MeshVertex& p2) {
  return (p0.sy - p1.sy) * (p1.sx - p2.sx) - (p1.sy - p2.sy) * (p0.sx - p1.sx);
}

double facingOfPolygon(const ClipPoint* pts, int n) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    const MeshVertex& p = pts[i].pos;
    const MeshVertex& q = pts[(i + 1) % n].pos;
    sum += static_cast<double>(p.sx) * q.sy - static_cast<double>(p.sy) * q.sx;
  }
  return -sum;
}

}  // namespace

bool isMirrored(const host::Matrix3& m) {
  return DotProd(CrossProd(m[0], m[1]), m[2]) < 0.0f;
}

int markBackFaces(std::span<const MeshVertex> verts, std::span<MeshFace> faces,
                  std::span<const ClipPoint> clipPool) {
  int front = 0;
  for (MeshFace& f : faces) {
    if (f.faceFlags & FaceExcluded) continue;
    if (f.v[0] == f.v[1] || f.v[1] == f.v[2] || f.v[2] == f.v[0]) {
      f.faceFlags |= FaceExcluded | FaceFront;
      continue;
    }
    double facing;
    if (f.faceFlags & FaceClipped) {
      assert(f.numClip >= 3 && f.clipFirst + static_cast<std::size_t>(f.numClip) <= clipPool.size());
      const ClipPoint* pts = clipPool.data() + f.clipFirst;
      facing = facingOfTriangle(pts[0].pos, pts[1].pos, pts[2].pos);
      // Three points of a convex polygon in a row say nothing about its
      // winding; the whole outline does.
      if (facing == 0.0 && f.numClip > 3) facing = facingOfPolygon(pts, f.numClip);
    } else {
      facing = facingOfTriangle(verts[f.v[0]], verts[f.v[1]], verts[f.v[2]]);
    }
    if (facing > 0.0) {
      f.faceFlags |= FaceFront;
      ++front;
    } else {
      f.faceFlags &= static_cast<std::uint8_t>(~FaceFront);
    }
  }
  return front;
}

}  // namespace pw
