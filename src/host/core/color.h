// Float colours, and the 16-bit channel values that bitmaps, pixel buffers
// and line colours are made of.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>

#include "host/core/point.h"

namespace host {

struct Color {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;

  constexpr Color() = default;
  constexpr Color(float cr, float cg, float cb) : r(cr), g(cg), b(cb) {}
  constexpr explicit Color(const Point3& p) : r(p.x), g(p.y), b(p.z) {}

  static constexpr Color Black() { return {}; }
  static constexpr Color White() { return {1.0f, 1.0f, 1.0f}; }

  constexpr float& operator[](int i) {
    assert(i >= 0 && i < 3);
    return i == 0 ? r : (i == 1 ? g : b);
  }
  constexpr float operator[](int i) const {
    assert(i >= 0 && i < 3);
    return i == 0 ? r : (i == 1 ? g : b);
  }

  constexpr Color& operator+=(const Color& o) { r += o.r; g += o.g; b += o.b; return *this; }
  constexpr Color& operator-=(const Color& o) { r -= o.r; g -= o.g; b -= o.b; return *this; }
  constexpr Color& operator*=(const Color& o) { r *= o.r; g *= o.g; b *= o.b; return *this; }
  constexpr Color& operator*=(float s) { r *= s; g *= s; b *= s; return *this; }
  constexpr Color& operator/=(float s) { r /= s; g /= s; b /= s; return *this; }

  // Limits each channel to [lo, hi].
  constexpr void ClampMinMax(float lo = 0.0f, float hi = 1.0f) {
    r = std::clamp(r, lo, hi);
    g = std::clamp(g, lo, hi);
    b = std::clamp(b, lo, hi);
  }

  friend constexpr bool operator==(const Color&, const Color&) = default;
};

constexpr Color operator+(Color a, const Color& c) { return a += c; }
constexpr Color operator-(Color a, const Color& c) { return a -= c; }
// Channel by channel, as a light colour filters a surface colour.
constexpr Color operator*(Color a, const Color& c) { return a *= c; }
constexpr Color operator*(Color a, float s) { return a *= s; }
constexpr Color operator*(float s, Color a) { return a *= s; }
constexpr Color operator/(Color a, float s) { return a /= s; }

constexpr Color Clamped(Color c) {
  c.ClampMinMax();
  return c;
}

struct AColor {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 0.0f;

  constexpr AColor() = default;
  constexpr AColor(float cr, float cg, float cb, float ca = 1.0f) : r(cr), g(cg), b(cb), a(ca) {}
  constexpr explicit AColor(const Color& c, float ca = 1.0f) : r(c.r), g(c.g), b(c.b), a(ca) {}

  constexpr Color ToColor() const { return {r, g, b}; }

  constexpr float& operator[](int i) {
    assert(i >= 0 && i < 4);
    return i == 0 ? r : (i == 1 ? g : (i == 2 ? b : a));
  }
  constexpr float operator[](int i) const {
    assert(i >= 0 && i < 4);
    return i == 0 ? r : (i == 1 ? g : (i == 2 ? b : a));
  }

  constexpr AColor& operator+=(const AColor& o) {
    r += o.r; g += o.g; b += o.b; a += o.a;
    return *this;
  }
  constexpr AColor& operator-=(const AColor& o) {
    r -= o.r; g -= o.g; b -= o.b; a -= o.a;
    return *this;
  }
  constexpr AColor& operator*=(const AColor& o) {
    r *= o.r; g *= o.g; b *= o.b; a *= o.a;
    return *this;
  }
  constexpr AColor& operator*=(float s) {
    r *= s; g *= s; b *= s; a *= s;
    return *this;
  }
  constexpr AColor& operator/=(float s) {
    r /= s; g /= s; b /= s; a /= s;
    return *this;
  }

  constexpr void ClampMinMax(float lo = 0.0f, float hi = 1.0f) {
    r = std::clamp(r, lo, hi);
    g = std::clamp(g, lo, hi);
    b = std::clamp(b, lo, hi);
    a = std::clamp(a, lo, hi);
  }

  friend constexpr bool operator==(const AColor&, const AColor&) = default;
};

constexpr AColor operator+(AColor x, const AColor& y) { return x += y; }
constexpr AColor operator-(AColor x, const AColor& y) { return x -= y; }
constexpr AColor operator*(AColor x, const AColor& y) { return x *= y; }
constexpr AColor operator*(AColor x, float s) { return x *= s; }
constexpr AColor operator*(float s, AColor x) { return x *= s; }
constexpr AColor operator/(AColor x, float s) { return x /= s; }

constexpr AColor Clamped(AColor c) {
  c.ClampMinMax();
  return c;
}

// A 0..1 channel as 16 bits: clamped, times 65535, truncated, so only 1.0
// reaches 65535. NaN counts as 0.
constexpr std::uint16_t ToWord16(float x) {
  if (!(x > 0.0f)) return 0;
  if (x >= 1.0f) return 65535;
  return static_cast<std::uint16_t>(x * 65535.0f);
}

// An 8-bit channel as 16 bits: times 257, so 0 and 255 map to the ends.
constexpr std::uint16_t Word16FromByte(std::uint8_t v) {
  return static_cast<std::uint16_t>(v * 257);
}

}  // namespace host
