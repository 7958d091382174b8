// Affine transforms as four rows of three: rows 0..2 are where the x, y and
// z axes go, row 3 is the translation. Points are row vectors: p' = p * M,
// so a * b applies a first and then b, and names read target-from-source:
// worldFromObject * cameraFromWorld == cameraFromObject.
#pragma once

#include <cassert>

#include "host/core/point.h"
#include "host/core/quat.h"

namespace host {

class Matrix3 {
 public:
  constexpr Matrix3() : rows_{Point3::XAxis(), Point3::YAxis(), Point3::ZAxis(), Point3()} {}
  constexpr Matrix3(const Point3& r0, const Point3& r1, const Point3& r2, const Point3& r3)
      : rows_{r0, r1, r2, r3} {}

  constexpr const Point3& GetRow(int i) const {
    assert(i >= 0 && i < 4);
    return rows_[i];
  }
  constexpr void SetRow(int i, const Point3& p) {
    assert(i >= 0 && i < 4);
    rows_[i] = p;
  }
  constexpr const Point3& operator[](int i) const { return GetRow(i); }
  constexpr Point3& operator[](int i) {
    assert(i >= 0 && i < 4);
    return rows_[i];
  }

  constexpr const Point3& GetTrans() const { return rows_[3]; }
  constexpr void SetTrans(const Point3& p) { rows_[3] = p; }

  // "Then" forms: M = M * op (the new step happens after this transform).
  void Translate(const Point3& p);
  void RotateY(float angle);
  void Rotate(const Quat& q);
  void Scale(const Point3& s);
  // "First" forms: M = op * M (the new step happens before this transform).
  void PreTranslate(const Point3& p);
  void PreRotateZ(float angle);
  void PreRotate(const Quat& q);
  void PreScale(const Point3& s);

  friend constexpr bool operator==(const Matrix3&, const Matrix3&) = default;

 private:
  Point3 rows_[4];
};

// Apply a, then b.
constexpr Matrix3 operator*(const Matrix3& a, const Matrix3& b) {
  Matrix3 r;
  for (int i = 0; i < 4; ++i) {
    const Point3& ai = a[i];
    Point3 row = ai.x * b[0] + ai.y * b[1] + ai.z * b[2];
    if (i == 3) row += b[3];
    r[i] = row;
  }
  return r;
}

constexpr Point3 operator*(const Point3& p, const Matrix3& m) {
  return p.x * m[0] + p.y * m[1] + p.z * m[2] + m[3];
}

// A direction: the rotation and scale of m without its translation.
constexpr Point3 VectorTransform(const Matrix3& m, const Point3& v) {
  return v.x * m[0] + v.y * m[1] + v.z * m[2];
}

// Single-step transforms. Positive angles (radians) turn counter-clockwise
// seen from the positive end of the axis: RotateZMatrix(pi/2) takes x to y.
Matrix3 TransMatrix(const Point3& p);
Matrix3 RotateXMatrix(float angle);
Matrix3 RotateYMatrix(float angle);
Matrix3 RotateZMatrix(float angle);
Matrix3 ScaleMatrix(const Point3& s);

// Of the 3x3 part: negative for transforms that mirror (they flip the
// winding of faces), zero for ones that flatten space.
float Determinant(const Matrix3& m);

// Answers false, leaving *inverse alone, when m flattens space and has no
// inverse.
bool Invert(const Matrix3& m, Matrix3* inverse);
// For transforms known to be invertible (nodes, cameras); a singular m gives
// the identity.
Matrix3 Inverse(const Matrix3& m);

// The parts of a transform built as scale, then rotation, then translation:
// m == ScaleMatrix(scale) * MatrixFromQuat(rotation) * TransMatrix(position).
struct TransformParts {
  Point3 position;
  Quat rotation;
  Point3 scale{1.0f, 1.0f, 1.0f};
};

Matrix3 ComposeMatrix(const TransformParts& parts);

// Splits m into parts. A mirroring m gets a negative x scale. Shear cannot be
// expressed by the parts and is dropped (the axes are made perpendicular,
// keeping the x axis's direction and each axis's length); a flattened axis
// gets scale 0. Answers true when the parts give m back within float
// precision, false when shear had to be dropped.
bool DecomposeMatrix(const Matrix3& m, TransformParts* parts);

}  // namespace host
