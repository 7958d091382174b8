// Two- and three-component float vectors: positions, directions, UVs.
//
// Everything here is inline because the rasterizers and line code call these
// per pixel and per edge.
#pragma once

#include <cassert>
#include <cmath>

namespace host {

struct Point2 {
  float x = 0.0f;
  float y = 0.0f;

  constexpr Point2() = default;
  constexpr Point2(float px, float py) : x(px), y(py) {}

  constexpr float& operator[](int i) {
    assert(i >= 0 && i < 2);
    return i == 0 ? x : y;
  }
  constexpr float operator[](int i) const {
    assert(i >= 0 && i < 2);
    return i == 0 ? x : y;
  }

  constexpr Point2 operator-() const { return {-x, -y}; }
  constexpr Point2& operator+=(const Point2& o) { x += o.x; y += o.y; return *this; }
  constexpr Point2& operator-=(const Point2& o) { x -= o.x; y -= o.y; return *this; }
  constexpr Point2& operator*=(float s) { x *= s; y *= s; return *this; }
  constexpr Point2& operator/=(float s) { x /= s; y /= s; return *this; }

  float Length() const { return std::sqrt(x * x + y * y); }
  constexpr float LengthSquared() const { return x * x + y * y; }

  friend constexpr bool operator==(const Point2&, const Point2&) = default;
};

constexpr Point2 operator+(Point2 a, const Point2& b) { return a += b; }
constexpr Point2 operator-(Point2 a, const Point2& b) { return a -= b; }
constexpr Point2 operator*(Point2 a, float s) { return a *= s; }
constexpr Point2 operator*(float s, Point2 a) { return a *= s; }
constexpr Point2 operator/(Point2 a, float s) { return a /= s; }

constexpr float DotProd(const Point2& a, const Point2& b) { return a.x * b.x + a.y * b.y; }
// The z of the 3D cross product: positive when b turns counter-clockwise from a.
constexpr float CrossProd(const Point2& a, const Point2& b) { return a.x * b.y - a.y * b.x; }
inline float Length(const Point2& p) { return p.Length(); }
constexpr float LengthSquared(const Point2& p) { return p.LengthSquared(); }

// A zero vector stays zero rather than turning into NaNs.
inline Point2 Normalize(const Point2& p) {
  float len = p.Length();
  return len > 0.0f ? p / len : Point2();
}

struct Point3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  constexpr Point3() = default;
  constexpr Point3(float px, float py, float pz) : x(px), y(py), z(pz) {}

  static constexpr Point3 XAxis() { return {1.0f, 0.0f, 0.0f}; }
  static constexpr Point3 YAxis() { return {0.0f, 1.0f, 0.0f}; }
  static constexpr Point3 ZAxis() { return {0.0f, 0.0f, 1.0f}; }

  constexpr float& operator[](int i) {
    assert(i >= 0 && i < 3);
    return i == 0 ? x : (i == 1 ? y : z);
  }
  constexpr float operator[](int i) const {
    assert(i >= 0 && i < 3);
    return i == 0 ? x : (i == 1 ? y : z);
  }

  constexpr Point3 operator-() const { return {-x, -y, -z}; }
  constexpr Point3& operator+=(const Point3& o) { x += o.x; y += o.y; z += o.z; return *this; }
  constexpr Point3& operator-=(const Point3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
  constexpr Point3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
  constexpr Point3& operator/=(float s) { x /= s; y /= s; z /= s; return *this; }

  float Length() const { return std::sqrt(x * x + y * y + z * z); }
  constexpr float LengthSquared() const { return x * x + y * y + z * z; }

  friend constexpr bool operator==(const Point3&, const Point3&) = default;
};

constexpr Point3 operator+(Point3 a, const Point3& b) { return a += b; }
constexpr Point3 operator-(Point3 a, const Point3& b) { return a -= b; }
constexpr Point3 operator*(Point3 a, float s) { return a *= s; }
constexpr Point3 operator*(float s, Point3 a) { return a *= s; }
constexpr Point3 operator/(Point3 a, float s) { return a /= s; }

constexpr float DotProd(const Point3& a, const Point3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
// Right-handed: CrossProd(XAxis, YAxis) == ZAxis.
constexpr Point3 CrossProd(const Point3& a, const Point3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// Component by component; for scaling by a per-axis factor.
constexpr Point3 MulComponents(const Point3& a, const Point3& b) {
  return {a.x * b.x, a.y * b.y, a.z * b.z};
}
inline float Length(const Point3& p) { return p.Length(); }
constexpr float LengthSquared(const Point3& p) { return p.LengthSquared(); }

// A zero vector stays zero rather than turning into NaNs.
inline Point3 Normalize(const Point3& p) {
  float len = p.Length();
  return len > 0.0f ? p / len : Point3();
}

// Same result as Normalize; one reciprocal and three multiplies, for the
// per-pixel normals where the last bit of precision does not matter.
inline Point3 FNormalize(const Point3& p) {
  float len2 = p.LengthSquared();
  if (!(len2 > 0.0f)) return {};
  float inv = 1.0f / std::sqrt(len2);
  return {p.x * inv, p.y * inv, p.z * inv};
}

}  // namespace host
