// Lines over surfaces, row copies and the rows of a field.
#include <gtest/gtest.h>

#include <vector>

#include "render/compose.h"

namespace {

using C = host::BMM_Color_64;

TEST(Compose, LinePixelOverSurfacePixel) {
  struct Case {
    C surface;
    C line;
    C expected;
  };
  const Case cases[] = {
      // An opaque line replaces the surface exactly.
      {{100, 200, 300, 65535}, {7, 8, 9, 65535}, {7, 8, 9, 65535}},
      // Alpha 32768 halves the surface and adds the line.
      {{40000, 20000, 65535, 65535}, {1000, 0, 32768, 32768}, {21000, 10000, 65535, 65535}},
      {{65535, 0, 0, 65535}, {32768, 32768, 32768, 32768}, {65535, 32768, 32768, 65535}},
      // No line leaves the surface exactly as it is.
      {{65535, 1234, 0, 65535}, {0, 0, 0, 0}, {65535, 1234, 0, 65535}},
      // Over the uncovered background (alpha 0) the line's alpha is the result's.
      {{0, 0, 65535, 0}, {16384, 0, 0, 16384}, {16384, 0, 49151, 16384}},
      // A line brighter than its alpha saturates instead of wrapping round.
      {{65535, 65535, 65535, 65535}, {65535, 65535, 65535, 1}, {65535, 65535, 65535, 65535}},
  };
  for (const Case& c : cases) {
    const C got = pw::composeLinePixel(c.surface, c.line);
    EXPECT_EQ(got, c.expected) << got.r << " " << got.g << " " << got.b << " " << got.a;
  }
}

TEST(Compose, DontAntialiasBackgroundSkipsUncoveredPixels) {
  const std::vector<C> surfaces{{0, 0, 65535, 0}, {65535, 0, 0, 65535}, {500, 500, 500, 1}};
  const std::vector<C> lines(3, C{0, 65535, 0, 65535});
  for (bool dontAntialias : {false, true}) {
    std::vector<C> row = surfaces;
    pw::composeLinesRow(row, lines, dontAntialias);
    EXPECT_EQ(row[0], dontAntialias ? surfaces[0] : lines[0]);
    EXPECT_EQ(row[1], lines[1]);
    EXPECT_EQ(row[2], lines[2]) << "any coverage at all takes lines";
  }
}

TEST(Compose, WholeBitmapsMustHaveOneSize) {
  host::Bitmap target, lines;
  ASSERT_TRUE(target.Create(3, 2));
  ASSERT_TRUE(lines.Create(3, 2));
  target.Fill({10, 10, 10, 65535});
  lines.SetPixel(2, 1, {0, 0, 0, 65535});
  ASSERT_TRUE(pw::composeLines(target, lines, false));
  EXPECT_EQ(target.GetPixel(2, 1), (C{0, 0, 0, 65535}));
  EXPECT_EQ(target.GetPixel(0, 0), (C{10, 10, 10, 65535}));

  host::Bitmap other;
  ASSERT_TRUE(other.Create(2, 3));
  EXPECT_FALSE(pw::composeLines(target, other, false));
  EXPECT_FALSE(pw::copyRows(other, target, {0, 1}));
}

TEST(Compose, RowsOfEachField) {
  struct Case {
    int field;
    int order;
    std::vector<int> rows;  // of a 5-row image
  };
  const Case cases[] = {{0, 0, {0, 1, 2, 3, 4}}, {0, 1, {0, 1, 2, 3, 4}}, {1, 0, {1, 3}}, {1, 1, {0, 2, 4}}};
  for (const Case& c : cases) {
    host::Bitmap from, to;
    ASSERT_TRUE(from.Create(2, 5));
    ASSERT_TRUE(to.Create(2, 5));
    from.Fill({1, 1, 1, 1});
    ASSERT_TRUE(pw::copyRows(from, to, pw::rowsOfField(c.field, c.order)));
    std::vector<int> copied;
    for (int y = 0; y < 5; ++y)
      if (to.GetPixel(1, y).a == 1) copied.push_back(y);
    EXPECT_EQ(copied, c.rows) << "field " << c.field << " order " << c.order;
  }
}

}  // namespace
