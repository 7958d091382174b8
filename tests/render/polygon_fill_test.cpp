// Scan conversion of screen polygons: which pixels a face covers, checked
// against a literal per-pixel test, and what is interpolated over it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "render/polygon_fill.h"

namespace {

using pw::PwFillVertex;

PwFillVertex at(double x, double y, float z = -1.0f) {
  PwFillVertex v;
  v.sx = static_cast<float>(x);
  v.sy = static_cast<float>(y);
  v.z = z;
  return v;
}

// The pixels the filler covers, as a width x height mask; checks that no
// pixel is reported twice and that spans stay inside the image.
std::vector<std::uint8_t> fastMask(const std::vector<PwFillVertex>& poly, int w, int h) {
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(w * h), 0);
  const long n = pw::fillPolygon(poly.data(), static_cast<int>(poly.size()), w, h, [&](int row, int first, int last) {
    EXPECT_GE(row, 0);
    EXPECT_LT(row, h);
    EXPECT_GE(first, 0);
    EXPECT_LT(last, w);
    EXPECT_LE(first, last);
    for (int x = first; x <= last; ++x) {
      std::uint8_t& m = mask[static_cast<std::size_t>(row * w + x)];
      EXPECT_EQ(m, 0) << "pixel " << x << "," << row << " covered twice";
      m = 1;
    }
  });
  long count = 0;
  for (std::uint8_t m : mask) count += m;
  EXPECT_EQ(n, count);
  return mask;
}

// The literal rule: a pixel is covered when its centre lies inside the
// triangle or on its boundary. Coordinates are multiples of 1/grid, so the
// test is exact in integers (centres at (2i + 1) grid / 2).
std::vector<std::uint8_t> referenceMask(const std::vector<PwFillVertex>& tri, int w, int h, int grid) {
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(w * h), 0);
  std::int64_t X[3], Y[3];
  for (int k = 0; k < 3; ++k) {
    X[k] = std::llround(static_cast<double>(tri[k].sx) * grid * 2);
    Y[k] = std::llround(static_cast<double>(tri[k].sy) * grid * 2);
  }
  const std::int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return mask;  // no area: nothing is inside
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::int64_t px = (2 * x + 1) * static_cast<std::int64_t>(grid);
      const std::int64_t py = (2 * y + 1) * static_cast<std::int64_t>(grid);
      bool neg = false, pos = false;
      for (int k = 0; k < 3; ++k) {
        const int j = (k + 1) % 3;
        const std::int64_t e = (X[j] - X[k]) * (py - Y[k]) - (Y[j] - Y[k]) * (px - X[k]);
        neg |= e < 0;
        pos |= e > 0;
      }
      if (!(neg && pos)) mask[static_cast<std::size_t>(y * w + x)] = 1;
    }
  }
  return mask;
}

// Random triangles around and across a small image, their corners on a grid
// of 1/grid pixel: a fine grid gives general positions, a coarse one puts
// many edges and corners exactly through pixel centres.
void differential(int grid, int trials, unsigned seed) {
  std::mt19937 rng(seed);
  const int w = 23, h = 17;
  std::uniform_int_distribution<int> cx(-4 * grid, (w + 4) * grid), cy(-4 * grid, (h + 4) * grid);
  int covering = 0;
  for (int t = 0; t < trials; ++t) {
    std::vector<PwFillVertex> tri;
    for (int k = 0; k < 3; ++k) tri.push_back(at(static_cast<double>(cx(rng)) / grid, static_cast<double>(cy(rng)) / grid));
    const std::vector<std::uint8_t> fast = fastMask(tri, w, h);
    const std::vector<std::uint8_t> ref = referenceMask(tri, w, h, grid);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(fast[static_cast<std::size_t>(y * w + x)], ref[static_cast<std::size_t>(y * w + x)])
            << "trial " << t << " pixel " << x << "," << y << " triangle (" << tri[0].sx << "," << tri[0].sy << ") ("
            << tri[1].sx << "," << tri[1].sy << ") (" << tri[2].sx << "," << tri[2].sy << ")";
    covering += std::count(ref.begin(), ref.end(), 1) > 0;
  }
  EXPECT_GT(covering, trials / 3) << "the triangles must mostly hit the image";
}

TEST(PolygonFill, SamePixelsAsThePerPixelTestOnRandomTriangles) { differential(256, 3000, 1u); }
TEST(PolygonFill, SamePixelsAsThePerPixelTestWithCornersAndEdgesOnPixelCentres) { differential(2, 3000, 2u); }

// A rectangle over rows 0..2 from x0 to x1.
std::vector<PwFillVertex> band(double x0, double x1) { return {at(x0, 0.1), at(x1, 0.1), at(x1, 2.9), at(x0, 2.9)}; }

std::vector<int> columnsOfRow(const std::vector<PwFillVertex>& poly, int row) {
  std::vector<int> cols;
  pw::fillPolygon(poly.data(), static_cast<int>(poly.size()), 12, 4, [&](int r, int first, int last) {
    if (r == row)
      for (int x = first; x <= last; ++x) cols.push_back(x);
  });
  return cols;
}

TEST(PolygonFill, SpansIncludeBothEndsAtExactPixelCentres) {
  EXPECT_EQ(columnsOfRow(band(2.2, 5.7), 1), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ(columnsOfRow(band(2.2, 5.5), 1), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ(columnsOfRow(band(5.5, 8.2), 1), (std::vector<int>{5, 6, 7}));
  // Either winding.
  std::vector<PwFillVertex> reversed = band(5.5, 8.2);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(columnsOfRow(reversed, 1), (std::vector<int>{5, 6, 7}));
  EXPECT_TRUE(columnsOfRow(band(2.6, 3.4), 1).empty()) << "no centre inside";
}

TEST(PolygonFill, CollinearCornersCoverNothing) {
  // Through pixel centres, where an inclusive rule would otherwise take them.
  const std::vector<PwFillVertex> line = {at(0.5, 0.5), at(2.5, 2.5), at(1.5, 1.5)};
  EXPECT_EQ(pw::fillPolygon(line.data(), 3, 8, 8, [](int, int, int) { ADD_FAILURE() << "a span"; }), 0);
  const std::vector<PwFillVertex> flat = {at(0.5, 1.5), at(6.5, 1.5), at(3.5, 1.5), at(1.5, 1.5)};
  EXPECT_EQ(pw::fillPolygon(flat.data(), 4, 8, 8, [](int, int, int) { ADD_FAILURE() << "a span"; }), 0);
  const std::vector<PwFillVertex> nan = {at(0.5, 1.5), at(std::nan(""), 1.5), at(3.5, 4.5)};
  EXPECT_EQ(pw::fillPolygon(nan.data(), 3, 8, 8, [](int, int, int) { ADD_FAILURE() << "a span"; }), 0);
}

TEST(PolygonFill, SharedEdgesLeaveNoGapsBetweenFaces) {
  // A fan of triangles round a point covers the disc's pixels at least once
  // and its inside pixels (away from the shared edges) exactly once.
  const int w = 40, h = 40;
  std::vector<int> hits(static_cast<std::size_t>(w * h), 0);
  const double cx = 19.73, cy = 20.11, r = 15.0;
  const int n = 17;
  for (int i = 0; i < n; ++i) {
    const double a0 = 2 * M_PI * i / n, a1 = 2 * M_PI * (i + 1) / n;
    const std::vector<PwFillVertex> tri = {at(cx, cy), at(cx + r * std::cos(a0), cy + r * std::sin(a0)),
                                           at(cx + r * std::cos(a1), cy + r * std::sin(a1))};
    pw::fillPolygon(tri.data(), 3, w, h, [&](int row, int first, int last) {
      for (int x = first; x <= last; ++x) ++hits[static_cast<std::size_t>(row * w + x)];
    });
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (d < r * std::cos(M_PI / n) - 0.01) {
        EXPECT_GE(hits[static_cast<std::size_t>(y * w + x)], 1) << x << "," << y;
      }
    }
}

TEST(FaceInterpolator, PerspectiveWeightsGiveThePointSeenThroughThePixelCentre) {
  // A slanted triangle in camera space, projected with focal length f.
  const float f = 100.0f, xc = 50.0f, yc = 50.0f;
  const float P[3][3] = {{-2.0f, -1.0f, -4.0f}, {3.0f, -2.0f, -12.0f}, {0.5f, 3.0f, -7.0f}};
  std::vector<PwFillVertex> tri;
  for (int k = 0; k < 3; ++k) {
    PwFillVertex v = at(f * P[k][0] / -P[k][2] + xc, f * P[k][1] / -P[k][2] + yc, P[k][2]);
    v.b0 = k == 0;
    v.b1 = k == 1;
    v.b2 = k == 2;
    tri.push_back(v);
  }
  pw::PwFaceInterpolator interp;
  ASSERT_TRUE(interp.setUp(tri.data(), 3, true));
  int checked = 0;
  pw::fillPolygon(tri.data(), 3, 100, 100, [&](int row, int first, int last) {
    for (int x = first; x <= last; ++x) {
      double q[3];
      interp.at(x + 0.5, row + 0.5, q);
      float depth, b0, b1;
      interp.resolve(q, depth, b0, b1);
      const float b2 = 1.0f - b0 - b1;
      const float px = b0 * P[0][0] + b1 * P[1][0] + b2 * P[2][0];
      const float py = b0 * P[0][1] + b1 * P[1][1] + b2 * P[2][1];
      const float pz = b0 * P[0][2] + b1 * P[1][2] + b2 * P[2][2];
      EXPECT_NEAR(pz, depth, 1e-3f);
      // The point projects back onto the pixel centre.
      EXPECT_NEAR(f * px / -pz + xc, x + 0.5f, 2e-3f);
      EXPECT_NEAR(f * py / -pz + yc, row + 0.5f, 2e-3f);
      ++checked;
    }
  });
  EXPECT_GT(checked, 200);
}

}  // namespace
