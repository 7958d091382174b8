#include "host/core/quat.h"

#include <algorithm>

#include "host/core/matrix3.h"

namespace host {

namespace {

// Past this cosine the arc is too short for sin() to divide by safely, and a
// normalized straight blend is indistinguishable from the arc.
constexpr double kSlerpLinearCosine = 0.9995;

}  // namespace

Quat QuatFromAxisAngle(const Point3& axis, float angle) {
  Point3 n = Normalize(axis);
  if (n == Point3()) return {};
  float s = std::sin(angle * 0.5f);
  return {n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f)};
}

void AxisAngleFromQuat(const Quat& q, Point3* axis, float* angle) {
  Quat n = Normalize(q);
  if (n.w < 0.0f) n = -n;  // the shorter way round: angle in 0..pi
  Point3 v(n.x, n.y, n.z);
  float sinHalf = v.Length();
  if (sinHalf > 0.0f) {
    *axis = v / sinHalf;
    *angle = 2.0f * std::atan2(sinHalf, n.w);
  } else {
    *axis = Point3::XAxis();
    *angle = 0.0f;
  }
}

Point3 Rotate(const Point3& p, const Quat& q) {
  // v' = v + 2w(u x v) + 2 u x (u x v), u the vector part of the unit quat.
  Quat n = Normalize(q);
  Point3 u(n.x, n.y, n.z);
  Point3 t = 2.0f * CrossProd(u, p);
  return p + n.w * t + CrossProd(u, t);
}

Quat Slerp(const Quat& a, const Quat& b, float u) {
  double cosAngle = DotProd(a, b);
  double sign = 1.0;
  if (cosAngle < 0.0) {  // q and -q are one rotation; take the shorter arc
    cosAngle = -cosAngle;
    sign = -1.0;
  }
  double wa = 1.0 - u;
  double wb = u;
  if (cosAngle < kSlerpLinearCosine) {
    double angle = std::acos(std::min(cosAngle, 1.0));
    double sinAngle = std::sin(angle);
    wa = std::sin((1.0 - u) * angle) / sinAngle;
    wb = std::sin(u * angle) / sinAngle;
  }
  wb *= sign;
  Quat r(static_cast<float>(wa * a.x + wb * b.x), static_cast<float>(wa * a.y + wb * b.y),
         static_cast<float>(wa * a.z + wb * b.z), static_cast<float>(wa * a.w + wb * b.w));
  return Normalize(r);
}

Matrix3 MatrixFromQuat(const Quat& q) {
  Quat n = Normalize(q);
  float xx = n.x * n.x, yy = n.y * n.y, zz = n.z * n.z;
  float xy = n.x * n.y, xz = n.x * n.z, yz = n.y * n.z;
  float wx = n.w * n.x, wy = n.w * n.y, wz = n.w * n.z;
  // Row i is where the rotation takes axis i.
  return Matrix3(Point3(1.0f - 2.0f * (yy + zz), 2.0f * (xy + wz), 2.0f * (xz - wy)),
                 Point3(2.0f * (xy - wz), 1.0f - 2.0f * (xx + zz), 2.0f * (yz + wx)),
                 Point3(2.0f * (xz + wy), 2.0f * (yz - wx), 1.0f - 2.0f * (xx + yy)),
                 Point3());
}

Quat QuatFromMatrix(const Matrix3& m) {
  Point3 r0 = Normalize(m.GetRow(0));
  Point3 r1 = Normalize(m.GetRow(1));
  Point3 r2 = Normalize(m.GetRow(2));
  // m[i][j] with row-vector layout; the largest of w, x, y, z is computed
  // from the diagonal and the others divided by it, so none is tiny.
  double m00 = r0.x, m01 = r0.y, m02 = r0.z;
  double m10 = r1.x, m11 = r1.y, m12 = r1.z;
  double m20 = r2.x, m21 = r2.y, m22 = r2.z;
  double trace = m00 + m11 + m22;
  double x, y, z, w;
  if (trace > 0.0) {
    double s = std::sqrt(trace + 1.0) * 2.0;
    w = 0.25 * s;
    x = (m12 - m21) / s;
    y = (m20 - m02) / s;
    z = (m01 - m10) / s;
  } else if (m00 >= m11 && m00 >= m22) {
    double s = std::sqrt(std::max(1.0 + m00 - m11 - m22, 0.0)) * 2.0;
    if (s == 0.0) return {};
    w = (m12 - m21) / s;
    x = 0.25 * s;
    y = (m10 + m01) / s;
    z = (m20 + m02) / s;
  } else if (m11 >= m22) {
    double s = std::sqrt(std::max(1.0 + m11 - m00 - m22, 0.0)) * 2.0;
    if (s == 0.0) return {};
    w = (m20 - m02) / s;
    x = (m10 + m01) / s;
    y = 0.25 * s;
    z = (m21 + m12) / s;
  } else {
    double s = std::sqrt(std::max(1.0 + m22 - m00 - m11, 0.0)) * 2.0;
    if (s == 0.0) return {};
    w = (m01 - m10) / s;
    x = (m20 + m02) / s;
    y = (m21 + m12) / s;
    z = 0.25 * s;
  }
  if (w < 0.0) {  // one canonical sign, so equal rotations compare equal
    x = -x, y = -y, z = -z, w = -w;
  }
  return Normalize(Quat(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
                        static_cast<float>(w)));
}

}  // namespace host
