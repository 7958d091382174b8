// Scan conversion of one convex screen polygon (a face, or what the view
// left of it) into pixel spans, and the per-pixel interpolation over it.
//
// Coverage: a pixel is covered when its centre lies inside the polygon or on
// its boundary, so two faces sharing an edge through pixel centres both
// cover those pixels (the nearer wins in the pixel buffer). Rows are found by
// walking the polygon's left and right chains down from its top vertex; the
// crossing of each chain with a row's centre line is worked out afresh in
// double precision per row rather than stepped, so a crossing that falls on a
// pixel centre is found exactly and not lost to accumulated rounding.
#pragma once

#include <algorithm>
#include <cmath>

namespace pw {

// One polygon corner as the surface pass hands it over: screen position,
// camera-space position, normal, and weights of the face's three corners.
struct PwFillVertex {
  float sx = 0.0f;
  float sy = 0.0f;
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float nx = 0.0f;
  float ny = 0.0f;
  float nz = 0.0f;
  float b0 = 0.0f;
  float b1 = 0.0f;
  float b2 = 0.0f;
};
static_assert(sizeof(PwFillVertex) == 11 * sizeof(float));

// Twice the signed screen area of the polygon.
inline double polygonArea2(const PwFillVertex* v, int n) {
  double a = 0.0;
  for (int i = 0, j = n - 1; i < n; j = i++)
    a += static_cast<double>(v[j].sx) * v[i].sy - static_cast<double>(v[i].sx) * v[j].sy;
  return a;
}

// Calls span(row, first, last) for every row with covered pixels, columns
// first..last inclusive, clipped to a width x height image. A polygon with
// fewer than three corners or no area covers nothing. Answers the number of
// pixels covered.
template <class Span>
long fillPolygon(const PwFillVertex* v, int n, int width, int height, Span&& span) {
  if (n < 3) return 0;
  const double area2 = polygonArea2(v, n);
  if (area2 == 0.0 || !std::isfinite(area2)) return 0;
  int top = 0;
  for (int i = 1; i < n; ++i)
    if (v[i].sy < v[top].sy) top = i;

  struct Edge {
    double xa = 0, ya = 0, dx = 0, dy = 1;
    int end = 0;   // first row not covered
    int vert = 0;  // the vertex the edge ends at
  };
  auto setUp = [&](Edge& e, int a, int b) {
    e.xa = v[a].sx;
    e.ya = v[a].sy;
    e.dx = static_cast<double>(v[b].sx) - e.xa;
    e.dy = static_cast<double>(v[b].sy) - e.ya;
    e.end = static_cast<int>(std::floor(static_cast<double>(v[b].sy) + 0.5));
    e.vert = b;
  };
  // Where the edge crosses the centre line of row r.
  auto crossing = [](const Edge& e, int r) { return e.xa + ((r + 0.5 - e.ya) * e.dx) / e.dy; };

  const double topRow = std::ceil(static_cast<double>(v[top].sy) - 0.5);
  if (topRow >= height) return 0;
  // Rows above the image are skipped at once: crossings are not stepped, so
  // the chains need only move past the edges that end above row 0.
  int row = topRow < 0.0 ? 0 : static_cast<int>(topRow);
  Edge left, right;
  int taken = 2;  // edges started so far, both chains together
  setUp(left, top, top == 0 ? n - 1 : top - 1);
  setUp(right, top, top == n - 1 ? 0 : top + 1);
  long covered = 0;
  while (true) {
    // Move each chain on to an edge that still has this row. A level edge
    // never bounds a span: the edges either side of it reach its ends.
    while (row >= left.end || left.dy == 0.0) {
      if (taken >= n) return covered;
      const int a = left.vert;
      setUp(left, a, a == 0 ? n - 1 : a - 1);
      ++taken;
    }
    while (row >= right.end || right.dy == 0.0) {
      if (taken >= n) return covered;
      const int a = right.vert;
      setUp(right, a, a == n - 1 ? 0 : a + 1);
      ++taken;
    }
    if (row >= height) return covered;
    {
      double xl = crossing(left, row), xr = crossing(right, row);
      if (xl > xr) std::swap(xl, xr);
      int first = static_cast<int>(std::ceil(xl - 0.5));
      int last = static_cast<int>(std::floor(xr - 0.5));
      first = std::max(first, 0);
      last = std::min(last, width - 1);
      if (first <= last) {
        span(row, first, last);
        covered += last - first + 1;
      }
    }
    ++row;
  }
}

// The face's barycentric weights and depth at any pixel centre, from three
// affine screen functions: the weights and depth themselves for a parallel
// view, the weights over z and 1/z for a perspective one (whose screen-space
// interpolation is then exact).
class PwFaceInterpolator {
 public:
  // False when the polygon has no area to interpolate over.
  bool setUp(const PwFillVertex* v, int n, bool perspective) {
    perspective_ = perspective;
    // The corner pair that spans the largest triangle with corner 0 gives
    // the best-conditioned gradients.
    int best = -1;
    double bestArea = 0.0;
    for (int i = 1; i + 1 < n; ++i) {
      const double a = std::fabs(area(v[0], v[i], v[i + 1]));
      if (a > bestArea) {
        bestArea = a;
        best = i;
      }
    }
    if (best < 0) return false;
    const PwFillVertex* p[3] = {&v[0], &v[best], &v[best + 1]};
    double q[3][3];
    for (int k = 0; k < 3; ++k) {
      const double w = perspective ? 1.0 / p[k]->z : static_cast<double>(p[k]->z);
      const double s = perspective ? w : 1.0;
      q[k][0] = p[k]->b0 * s;
      q[k][1] = p[k]->b1 * s;
      q[k][2] = w;
    }
    const double x0 = p[0]->sx, y0 = p[0]->sy;
    const double x1 = p[1]->sx - x0, y1 = p[1]->sy - y0;
    const double x2 = p[2]->sx - x0, y2 = p[2]->sy - y0;
    const double det = x1 * y2 - x2 * y1;
    if (det == 0.0) return false;
    for (int c = 0; c < 3; ++c) {
      const double d1 = q[1][c] - q[0][c], d2 = q[2][c] - q[0][c];
      gx_[c] = (d1 * y2 - d2 * y1) / det;
      gy_[c] = (d2 * x1 - d1 * x2) / det;
      base_[c] = q[0][c] - gx_[c] * x0 - gy_[c] * y0;
    }
    return true;
  }

  bool perspective() const { return perspective_; }
  // The three quantities at a screen point, and their change per column.
  void at(double x, double y, double out[3]) const {
    for (int c = 0; c < 3; ++c) out[c] = base_[c] + gx_[c] * x + gy_[c] * y;
  }
  double stepX(int c) const { return gx_[c]; }
  double stepY(int c) const { return gy_[c]; }
  // Depth, weights b0 and b1 from the quantities.
  void resolve(const double q[3], float& depth, float& b0, float& b1) const {
    if (perspective_) {
      const double z = 1.0 / q[2];
      depth = static_cast<float>(z);
      b0 = static_cast<float>(q[0] * z);
      b1 = static_cast<float>(q[1] * z);
    } else {
      depth = static_cast<float>(q[2]);
      b0 = static_cast<float>(q[0]);
      b1 = static_cast<float>(q[1]);
    }
  }

 private:
  static double area(const PwFillVertex& a, const PwFillVertex& b, const PwFillVertex& c) {
    return (static_cast<double>(b.sx) - a.sx) * (static_cast<double>(c.sy) - a.sy) -
           (static_cast<double>(c.sx) - a.sx) * (static_cast<double>(b.sy) - a.sy);
  }

  bool perspective_ = true;
  double base_[3] = {0, 0, 0};
  double gx_[3] = {0, 0, 0};
  double gy_[3] = {0, 0, 0};
};

}  // namespace pw
