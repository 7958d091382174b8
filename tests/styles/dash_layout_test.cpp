#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "styles/dash_layout.h"
#include "styles/stroke_patterns.h"

namespace pw {
namespace {

constexpr std::int32_t Mask(std::uint32_t bits) { return static_cast<std::int32_t>(bits); }

struct LayoutCase {
  const char* what;
  std::int32_t mask;
  double length;
  double width;
  float scale;
  std::vector<DashInterval> expected;
};

TEST(DashLayout, Examples) {
  const LayoutCase cases[] = {
      // c = 32: the dash closes at boundary 21; the dash opening at boundary
      // 32 (bit 0 again) is never closed.
      {"dashed over 32 cells", Mask(0x001FFFFF), 64.0, 2.0, 1.0f, {{0.0, 0.65625}}},
      {"shorter than one cell", Mask(0x07070707), 1.0, 2.0, 1.0f, {}},
      {"nothing drawn", 0, 64.0, 2.0, 1.0f, {}},
      {"solid", -1, 64.0, 2.0, 1.0f, {{0.0, 1.0}}},
      {"solid at a tiny scale", -1, 64.0, 2.0, 1e-4f, {{0.0, 1.0}}},
      {"solid on a zero-length segment", -1, 0.0, 2.0, 1.0f, {{0.0, 1.0}}},
      {"dashed on a zero-length segment", Mask(0x001FFFFF), 0.0, 2.0, 1.0f, {}},
      {"dotted over 16 cells", Mask(0x07070707), 16.0, 1.0, 1.0f, {{0.0, 3.0 / 16}, {8.0 / 16, 11.0 / 16}}},
      // 40 cells: the pattern wraps from bit 31 to bit 0 at boundary 32.
      {"dotted wrapping round",
       Mask(0x07070707),
       40.0,
       1.0,
       1.0f,
       {{0.0, 3.0 / 40}, {8.0 / 40, 11.0 / 40}, {16.0 / 40, 19.0 / 40}, {24.0 / 40, 27.0 / 40}, {32.0 / 40, 35.0 / 40}}},
      // A dash still open on the last whole boundary runs to the end,
      // covering the partial last cell.
      {"open dash reaches the end", Mask(0x001FFFFF), 21.0, 2.0, 1.0f, {{0.0, 1.0}}},
      {"center", Mask(0x07C1FFFF), 24.0, 1.0, 1.0f, {{0.0, 17.0 / 24}, {22.0 / 24, 1.0}}},
      // Scale 2 doubles the cells: 8 cells of 2 pixels.
      {"scale doubles the cells", Mask(0x07070707), 16.0, 1.0, 2.0f, {{0.0, 3.0 / 8}}},
      // A dash that starts with bit 0 clear opens at the first set bit.
      {"starts with a gap", Mask(0x000000F0), 8.0, 1.0, 1.0f, {{4.0 / 8, 1.0}}},
  };
  for (const LayoutCase& c : cases) {
    std::vector<DashInterval> out;
    const int added = LayoutDashes(c.mask, c.length, c.width, c.scale, out);
    EXPECT_EQ(added, static_cast<int>(out.size())) << c.what;
    ASSERT_EQ(out.size(), c.expected.size()) << c.what;
    for (std::size_t i = 0; i < out.size(); ++i) {
      EXPECT_DOUBLE_EQ(out[i].start, c.expected[i].start) << c.what << " dash " << i;
      EXPECT_DOUBLE_EQ(out[i].end, c.expected[i].end) << c.what << " dash " << i;
    }
  }
}

TEST(DashLayout, AppendsAfterWhatIsThere) {
  std::vector<DashInterval> out{{0.25, 0.5}};
  EXPECT_EQ(LayoutDashes(Mask(0x001FFFFF), 64.0, 2.0, 1.0f, out), 1);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], (DashInterval{0.25, 0.5}));
  EXPECT_EQ(out[1], (DashInterval{0.0, 0.65625}));
}

TEST(DashLayout, NegativeAndZeroScalesActAsTheMinimum) {
  // A 100-pixel brush keeps 1e-4-scale cells (0.01 pixels) coarse enough to lay out.
  std::vector<DashInterval> minimum, negative, zero;
  LayoutDashes(Mask(0x07070707), 1.0, 100.0, 1e-4f, minimum);
  LayoutDashes(Mask(0x07070707), 1.0, 100.0, -3.0f, negative);
  LayoutDashes(Mask(0x07070707), 1.0, 100.0, 0.0f, zero);
  EXPECT_GT(minimum.size(), 10u);
  EXPECT_EQ(negative, minimum);
  EXPECT_EQ(zero, minimum);
  EXPECT_FLOAT_EQ(EffectiveStrokeScale(-3.0f), 1e-4f);
  EXPECT_FLOAT_EQ(EffectiveStrokeScale(std::nanf("")), 1e-4f);
  EXPECT_FLOAT_EQ(EffectiveStrokeScale(2.5f), 2.5f);
}

TEST(DashLayout, PatternsTooFineToShowBecomeSolid) {
  // Cells of 1e-4 pixels over a long line would be millions of dashes.
  std::vector<DashInterval> out;
  EXPECT_EQ(LayoutDashes(Mask(0x07070707), 5000.0, 1.0, 1e-4f, out), 1);
  EXPECT_EQ(out, (std::vector<DashInterval>{{0.0, 1.0}}));
  out.clear();
  EXPECT_EQ(LayoutDashes(Mask(0x07070707), 1e12, 1.0, 1.0f, out), 1);
  out.clear();
  EXPECT_EQ(LayoutDashes(Mask(0x07070707), std::nan(""), 1.0, 1.0f, out), 0);
  EXPECT_EQ(LayoutDashes(Mask(0x07070707), 10.0, 0.0, 1.0f, out), 0);
  EXPECT_TRUE(out.empty());
}

TEST(DashLayout, DashesStayOrderedAndInsideTheSegment) {
  for (int p = 1; p < kStrokePatternCount; ++p) {
    const auto mask = static_cast<std::int32_t>(GetStrokePattern(p)->mask);
    for (double length : {7.0, 31.5, 64.0, 333.3}) {
      std::vector<DashInterval> out;
      LayoutDashes(mask, length, 1.5, 0.75f, out);
      double last = 0.0;
      for (const DashInterval& d : out) {
        EXPECT_GE(d.start, last) << GetStrokePattern(p)->name << " over " << length;
        EXPECT_GT(d.end, d.start) << GetStrokePattern(p)->name << " over " << length;
        EXPECT_LE(d.end, 1.0);
        last = d.end;
      }
    }
  }
}

// The presets' masks against their runs of drawn and undrawn cells, from bit 0 on.
TEST(StrokePatterns, PresetMasksMatchTheirRuns) {
  struct Expected {
    const char* name;
    std::vector<int> runs;  // alternating on, off, on, ... cell counts
  };
  const Expected expected[kStrokePatternCount] = {
      {"Solid", {32}},
      {"Dashed", {21, 11}},
      {"Dotted", {3, 5, 3, 5, 3, 5, 3, 5}},
      {"Center", {17, 5, 5, 5}},
      {"Hidden", {12, 5, 10, 5}},
      {"Phantom", {15, 3, 4, 3, 4, 3}},
      {"DashDot", {18, 6, 2, 6}},
      {"Border", {12, 3, 8, 3, 3, 3}},
      {"Divide", {17, 3, 3, 3, 3, 3}},
  };
  for (int i = 0; i < kStrokePatternCount; ++i) {
    const StrokePattern* p = GetStrokePattern(i);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->name, expected[i].name);
    EXPECT_EQ(p->label.substr(0, p->name.size()), p->name);
    std::vector<int> runs;
    bool on = true;
    int run = 0;
    for (int bit = 0; bit < 32; ++bit) {
      if (((p->mask >> bit) & 1u) != (on ? 1u : 0u)) {
        runs.push_back(run);
        on = !on;
        run = 0;
      }
      ++run;
    }
    runs.push_back(run);
    EXPECT_EQ(runs, expected[i].runs) << p->name;
    EXPECT_EQ(FindStrokePattern(static_cast<std::int32_t>(p->mask)), i);
  }
  EXPECT_EQ(GetStrokePattern(-1), nullptr);
  EXPECT_EQ(GetStrokePattern(kStrokePatternCount), nullptr);
  EXPECT_EQ(FindStrokePattern(0x12345678), -1);
}

TEST(DashCaps, ByCappingAndBrushShape) {
  struct Case {
    int capping;
    bool square;
    DashCap cap;
    double extension;  // for a 4-pixel brush
  };
  const Case cases[] = {
      {0, true, DashCap::Butt, 0.0},          {0, false, DashCap::RoundInside, 0.0},
      {1, true, DashCap::SquareExtend, 2.0},  {1, false, DashCap::RoundOutside, 2.0},
      {2, true, DashCap::None, 0.0},          {2, false, DashCap::None, 0.0},
      {-1, false, DashCap::None, 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DashCapFor(c.capping, c.square), c.cap) << c.capping << " " << c.square;
    EXPECT_DOUBLE_EQ(DashCapExtension(DashCapFor(c.capping, c.square), 4.0), c.extension);
  }
}

TEST(StrokeVectorLineFactor, ByBrushWidth) {
  const std::pair<float, float> cases[] = {
      {0.1f, 0.5f}, {0.5f, 0.5f}, {0.6f, 0.75f}, {0.75f, 0.75f}, {0.8f, 0.8f}, {0.9f, 0.8f},
      {0.95f, 0.9f}, {1.0f, 0.9f}, {2.0f, 0.3f}, {4.0f, 0.3f}, {4.5f, 0.2f}, {9.0f, 0.2f}, {9.5f, 0.1f},
  };
  for (auto [width, factor] : cases) EXPECT_FLOAT_EQ(StrokeVectorLineFactor(width), factor) << width;
}

}  // namespace
}  // namespace pw
