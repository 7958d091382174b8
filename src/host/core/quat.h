// Unit quaternions for rotations and their interpolation.
//
// Conventions, chosen to match Matrix3 (row vectors, p' = p * M):
// - QuatFromAxisAngle(axis, a) turns points by a radians counter-clockwise
//   about axis seen from its tip, like RotateXMatrix(a) for the x axis.
// - a * b means "rotate by a, then by b", exactly as for matrices, so
//   MatrixFromQuat(a * b) == MatrixFromQuat(a) * MatrixFromQuat(b).
#pragma once

#include <cmath>

#include "host/core/point.h"

namespace host {

class Matrix3;

struct Quat {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 1.0f;

  constexpr Quat() = default;  // identity
  constexpr Quat(float qx, float qy, float qz, float qw) : x(qx), y(qy), z(qz), w(qw) {}

  constexpr Quat operator-() const { return {-x, -y, -z, -w}; }

  friend constexpr bool operator==(const Quat&, const Quat&) = default;
};

constexpr float DotProd(const Quat& a, const Quat& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}
inline float Length(const Quat& q) { return std::sqrt(DotProd(q, q)); }

// Rotate by a, then by b.
constexpr Quat operator*(const Quat& a, const Quat& b) {
  // The Hamilton product b·a: applied to a point, a acts first.
  return {b.w * a.x + b.x * a.w + b.y * a.z - b.z * a.y,
          b.w * a.y - b.x * a.z + b.y * a.w + b.z * a.x,
          b.w * a.z + b.x * a.y - b.y * a.x + b.z * a.w,
          b.w * a.w - b.x * a.x - b.y * a.y - b.z * a.z};
}

// A zero quaternion has no direction and becomes the identity.
inline Quat Normalize(const Quat& q) {
  float len = Length(q);
  if (!(len > 0.0f)) return {};
  return {q.x / len, q.y / len, q.z / len, q.w / len};
}

// The rotation that undoes q (q need not be unit length).
inline Quat Inverse(const Quat& q) {
  float len2 = DotProd(q, q);
  if (!(len2 > 0.0f)) return {};
  return {-q.x / len2, -q.y / len2, -q.z / len2, q.w / len2};
}

// The axis need not be unit length; a zero axis gives the identity.
Quat QuatFromAxisAngle(const Point3& axis, float angle);
// Axis and angle (0..pi) of a rotation; the identity answers the x axis and 0.
void AxisAngleFromQuat(const Quat& q, Point3* axis, float* angle);

// Rotates a point or direction.
Point3 Rotate(const Point3& p, const Quat& q);

// Spherical interpolation along the shorter arc at constant angular speed;
// u = 0 gives a, u = 1 gives b (or -b, the same rotation).
Quat Slerp(const Quat& a, const Quat& b, float u);

// Conversions with the rotation part of a Matrix3 (include host/matrix3.h to
// call them). QuatFromMatrix ignores translation and divides out the length
// of each axis, so a scaled rotation still gives its rotation; a mirroring
// matrix has no quaternion: decompose it first (DecomposeMatrix).
Matrix3 MatrixFromQuat(const Quat& q);
Quat QuatFromMatrix(const Matrix3& m);

}  // namespace host
