// Axis-aligned bounding boxes.
#pragma once

#include <algorithm>
#include <cassert>
#include <limits>

#include "host/core/matrix3.h"
#include "host/core/point.h"

namespace host {

class Box3 {
 public:
  Point3 pmin;
  Point3 pmax;

  // A new box is empty: adding the first point makes it that point.
  constexpr Box3() { Init(); }
  constexpr Box3(const Point3& lo, const Point3& hi) : pmin(lo), pmax(hi) {}

  constexpr void Init() {
    constexpr float big = std::numeric_limits<float>::max();
    pmin = Point3(big, big, big);
    pmax = Point3(-big, -big, -big);
  }
  constexpr bool IsEmpty() const { return pmin.x > pmax.x || pmin.y > pmax.y || pmin.z > pmax.z; }

  constexpr Box3& operator+=(const Point3& p) {
    pmin = Point3(std::min(pmin.x, p.x), std::min(pmin.y, p.y), std::min(pmin.z, p.z));
    pmax = Point3(std::max(pmax.x, p.x), std::max(pmax.y, p.y), std::max(pmax.z, p.z));
    return *this;
  }
  constexpr Box3& operator+=(const Box3& b) {
    if (b.IsEmpty()) return *this;
    *this += b.pmin;
    return *this += b.pmax;
  }

  // Zero for an empty box.
  constexpr Point3 Center() const { return IsEmpty() ? Point3() : (pmin + pmax) * 0.5f; }
  constexpr Point3 Width() const { return IsEmpty() ? Point3() : pmax - pmin; }

  // Boundaries count as inside.
  constexpr bool Contains(const Point3& p) const {
    return p.x >= pmin.x && p.x <= pmax.x && p.y >= pmin.y && p.y <= pmax.y && p.z >= pmin.z &&
           p.z <= pmax.z;
  }
  constexpr bool Intersects(const Box3& b) const {
    return !IsEmpty() && !b.IsEmpty() && pmin.x <= b.pmax.x && b.pmin.x <= pmax.x &&
           pmin.y <= b.pmax.y && b.pmin.y <= pmax.y && pmin.z <= b.pmax.z && b.pmin.z <= pmax.z;
  }

  // Grows every side by d (shrinks for negative d); an empty box stays empty.
  constexpr void EnlargeBy(float d) {
    if (IsEmpty()) return;
    pmin -= Point3(d, d, d);
    pmax += Point3(d, d, d);
  }

  // Corner i of 8: bit 0 picks the x of pmax over pmin, bit 1 y, bit 2 z.
  constexpr Point3 operator[](int i) const {
    assert(i >= 0 && i < 8);
    return {(i & 1) ? pmax.x : pmin.x, (i & 2) ? pmax.y : pmin.y, (i & 4) ? pmax.z : pmin.z};
  }

  friend constexpr bool operator==(const Box3&, const Box3&) = default;
};

// The box around the transformed corners (larger than the transformed
// object's own box under rotation). An empty box stays empty.
constexpr Box3 operator*(const Box3& b, const Matrix3& m) {
  if (b.IsEmpty()) return b;
  Box3 r;
  for (int i = 0; i < 8; ++i) r += b[i] * m;
  return r;
}

}  // namespace host
