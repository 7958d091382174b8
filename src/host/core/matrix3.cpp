#include "host/core/matrix3.h"

#include <algorithm>
#include <cmath>

namespace host {

namespace {

// A determinant this small against the product of the axis lengths means
// the axes are coplanar to within double precision of float input: the
// inverse would be noise.
constexpr double kSingularRatio = 1e-9;
// An axis shorter than this has been flattened; it has no direction.
constexpr float kFlatAxis = 1e-12f;
// Relative error allowed when checking that parts rebuild a matrix: a few
// float roundings on each element.
constexpr float kRebuildTolerance = 1e-5f;

double Det3(const Point3& r0, const Point3& r1, const Point3& r2) {
  double a = r0.x, b = r0.y, c = r0.z;
  double d = r1.x, e = r1.y, f = r1.z;
  double g = r2.x, h = r2.y, k = r2.z;
  return a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
}

// Any unit vector perpendicular to v (v non-zero).
Point3 AnyPerpendicular(const Point3& v) {
  Point3 other = std::fabs(v.x) < 0.6f ? Point3::XAxis() : Point3::YAxis();
  return Normalize(CrossProd(v, other));
}

Point3 UnitOrZero(const Point3& v) {
  return v.Length() > kFlatAxis ? Normalize(v) : Point3();
}

}  // namespace

Matrix3 TransMatrix(const Point3& p) {
  Matrix3 m;
  m.SetTrans(p);
  return m;
}

Matrix3 RotateXMatrix(float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  return {Point3::XAxis(), Point3(0.0f, c, s), Point3(0.0f, -s, c), Point3()};
}

Matrix3 RotateYMatrix(float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  return {Point3(c, 0.0f, -s), Point3::YAxis(), Point3(s, 0.0f, c), Point3()};
}

Matrix3 RotateZMatrix(float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  return {Point3(c, s, 0.0f), Point3(-s, c, 0.0f), Point3::ZAxis(), Point3()};
}

Matrix3 ScaleMatrix(const Point3& s) {
  return {Point3(s.x, 0.0f, 0.0f), Point3(0.0f, s.y, 0.0f), Point3(0.0f, 0.0f, s.z), Point3()};
}

void Matrix3::Translate(const Point3& p) { rows_[3] += p; }
void Matrix3::RotateY(float angle) { *this = *this * RotateYMatrix(angle); }
void Matrix3::Rotate(const Quat& q) { *this = *this * MatrixFromQuat(q); }
void Matrix3::Scale(const Point3& s) {
  for (Point3& row : rows_) row = MulComponents(row, s);
}

void Matrix3::PreTranslate(const Point3& p) { rows_[3] += VectorTransform(*this, p); }
void Matrix3::PreRotateZ(float angle) { *this = RotateZMatrix(angle) * *this; }
void Matrix3::PreRotate(const Quat& q) { *this = MatrixFromQuat(q) * *this; }
void Matrix3::PreScale(const Point3& s) {
  for (int i = 0; i < 3; ++i) rows_[i] *= s[i];
}

float Determinant(const Matrix3& m) {
  return static_cast<float>(Det3(m[0], m[1], m[2]));
}

bool Invert(const Matrix3& m, Matrix3* inverse) {
  const Point3& r0 = m[0];
  const Point3& r1 = m[1];
  const Point3& r2 = m[2];
  double det = Det3(r0, r1, r2);
  double scale = double(r0.Length()) * r1.Length() * r2.Length();
  if (!(std::fabs(det) > kSingularRatio * scale)) return false;
  // The inverse's columns are the cross products of the rows over det.
  Point3 c0 = CrossProd(r1, r2), c1 = CrossProd(r2, r0), c2 = CrossProd(r0, r1);
  auto entry = [det](float v) { return static_cast<float>(v / det); };
  Matrix3 inv(Point3(entry(c0.x), entry(c1.x), entry(c2.x)),
              Point3(entry(c0.y), entry(c1.y), entry(c2.y)),
              Point3(entry(c0.z), entry(c1.z), entry(c2.z)), Point3());
  inv.SetTrans(-VectorTransform(inv, m.GetTrans()));
  *inverse = inv;
  return true;
}

Matrix3 Inverse(const Matrix3& m) {
  Matrix3 inv;
  return Invert(m, &inv) ? inv : Matrix3();
}

Matrix3 ComposeMatrix(const TransformParts& parts) {
  Matrix3 r = MatrixFromQuat(parts.rotation);
  for (int i = 0; i < 3; ++i) r[i] *= parts.scale[i];
  r.SetTrans(parts.position);
  return r;
}

bool DecomposeMatrix(const Matrix3& m, TransformParts* parts) {
  Point3 a0 = m[0], a1 = m[1], a2 = m[2];
  // A mirror has no rotation; put it in the x scale.
  float mirror = Det3(a0, a1, a2) < 0.0 ? -1.0f : 1.0f;
  a0 *= mirror;

  // Build a right-handed frame from the axes, first ones first. A flattened
  // axis takes its direction from the others.
  Point3 n0 = UnitOrZero(a0), n1 = UnitOrZero(a1), n2 = UnitOrZero(a2);
  Point3 u0 = n0;
  if (u0 == Point3()) u0 = UnitOrZero(CrossProd(n1, n2));
  if (u0 == Point3()) {
    Point3 any = n1 != Point3() ? n1 : n2;
    u0 = any != Point3() ? AnyPerpendicular(any) : Point3::XAxis();
  }
  Point3 u1 = UnitOrZero(n1 - DotProd(n1, u0) * u0);
  if (u1 == Point3()) u1 = UnitOrZero(CrossProd(n2, u0));
  if (u1 == Point3()) u1 = AnyPerpendicular(u0);
  Point3 u2 = CrossProd(u0, u1);

  parts->position = m.GetTrans();
  parts->rotation = QuatFromMatrix(Matrix3(u0, u1, u2, Point3()));
  parts->scale = Point3(mirror * a0.Length(), a1.Length(), a2.Length());

  // The translation is copied as is; only the axes can have lost shear.
  Matrix3 rebuilt = ComposeMatrix(*parts);
  float longest = std::max({m[0].Length(), m[1].Length(), m[2].Length()});
  for (int i = 0; i < 3; ++i) {
    if ((rebuilt[i] - m[i]).Length() > kRebuildTolerance * longest) return false;
  }
  return true;
}

}  // namespace host
