// Emission of a segment's pieces: which tools draw which piece, where piece
// ends fall under perspective, widths, colours and node visibility; and the
// material tags of sub-material slot names.
#include "lines/line_emit.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using pw::Color16;

pw::PieceDraw Draw(float width, Color16 c = {0, 0, 0, 65535}) {
  pw::PieceDraw d;
  d.on = width > 0.0f;
  d.width = width;
  d.color = c;
  d.capping = 1;
  return d;
}

pw::LinePlan PlanWith(pw::PieceDraw visible, pw::PieceDraw hidden) {
  pw::LinePlan plan;
  plan.kinds[pw::LINE_KIND_FOLD] = {visible, hidden};
  return plan;
}

pw::SegmentEnd End(float x, float z, float sx, float thickness = 1.0f) {
  return {{x, 0.0f, z, sx, 100.0f}, thickness};
}

std::vector<pw::LineSegment> Stored(const pw::LineStore& store) {
  std::vector<pw::LineSegment> out;
  store.ForEach([&](const pw::LineSegment& s) { out.push_back(s); });
  return {out.rbegin(), out.rend()};  // emission order
}

TEST(LineEmit, VisibleAndHiddenPiecesTakeTheirOwnToolsAndOffToolsDrawNothing) {
  pw::LineStore store;
  pw::HiddenIntervals hidden;
  hidden.Merge(0.25, 0.5);
  const pw::EmitView parallel{false, 1.0};
  const pw::LinePlan plan = PlanWith(Draw(2.0f, {65535, 0, 0, 65535}), Draw(1.0f, {0, 0, 65535, 65535}));
  EXPECT_EQ(pw::EmitSegment(End(0, -5, 0), End(4, -5, 400), {}, hidden, plan, parallel, store), 3);
  const auto s = Stored(store);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].red, 65535);  // visible [0, 0.25]
  EXPECT_FLOAT_EQ(s[0].end.sx, 100.0f);
  EXPECT_EQ(s[1].blue, 65535);  // hidden [0.25, 0.5]
  EXPECT_FLOAT_EQ(s[1].brushWidth, 1.0f);
  EXPECT_FLOAT_EQ(s[2].start.sx, 200.0f);

  // Hidden tools off: only the visible pieces.
  pw::LineStore visibleOnly;
  EXPECT_EQ(pw::EmitSegment(End(0, -5, 0), End(4, -5, 400), {}, hidden, PlanWith(Draw(2.0f), Draw(0.0f)), parallel,
                            visibleOnly),
            2);
  // A brush of size 0 stores nothing for its visibility.
  pw::LineStore none;
  hidden.SetAll();
  EXPECT_EQ(pw::EmitSegment(End(0, -5, 0), End(4, -5, 400), {}, hidden, PlanWith(Draw(2.0f), Draw(0.0f)), parallel,
                            none),
            0);
}

TEST(LineEmit, PieceEndsArePerspectiveCorrectedAndThicknessScalesTheWidth) {
  pw::LineStore store;
  pw::HiddenIntervals hidden;
  hidden.Merge(0.5, 1.0);
  const pw::LinePlan plan = PlanWith(Draw(4.0f), Draw(4.0f));
  // Depths 1 and 3: halfway on screen is a quarter of the way in space.
  pw::EmitSegment(End(0, -1, 0, 1.0f), End(4, -3, 400, 0.0f), {}, hidden, plan, {true, 1.0}, store);
  const auto s = Stored(store);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_FLOAT_EQ(s[0].end.sx, 200.0f);
  EXPECT_FLOAT_EQ(s[0].end.x, 1.0f);
  EXPECT_FLOAT_EQ(s[0].end.z, -1.5f);
  EXPECT_FLOAT_EQ(s[0].start.width, 4.0f);
  EXPECT_FLOAT_EQ(s[0].end.width, 3.0f);  // thickness 1 -> 0 at u = 0.25
  EXPECT_FLOAT_EQ(s[1].end.width, 0.0f);

  // A piece too short to see, and one of zero thickness at both ends, are skipped.
  pw::LineStore skipped;
  pw::HiddenIntervals whole;
  EXPECT_EQ(pw::EmitSegment(End(0, -1, 10), End(0, -1, 10.0005f), {}, whole, plan, {true, 1.0}, skipped), 0);
  EXPECT_EQ(pw::EmitSegment(End(0, -1, 0, 0), End(1, -1, 50, 0), {}, whole, plan, {true, 1.0}, skipped), 0);
}

TEST(LineEmit, WorldUnitBrushesShrinkWithDepth) {
  pw::PieceDraw d = Draw(0.1f);
  d.worldUnits = true;
  pw::LineStore store;
  pw::EmitSegment(End(0, -2, 0), End(1, -4, 100), {}, pw::HiddenIntervals{}, PlanWith(d, d), {true, 500.0}, store);
  const auto s = Stored(store);
  ASSERT_EQ(s.size(), 1u);
  EXPECT_FLOAT_EQ(s[0].start.width, 25.0f);  // 0.1 x 500 / 2
  EXPECT_FLOAT_EQ(s[0].end.width, 12.5f);
}

TEST(LineEmit, ColourTagsWinAndNodeVisibilityPremultiplies) {
  pw::LinePlan plan = PlanWith(Draw(1.0f, {40000, 20000, 10000, 65535}), Draw(0.0f));
  plan.kinds[pw::LINE_KIND_FOLD].visible.brightness = 0.5f;
  pw::SegmentInfo info;
  Color16 c = pw::PieceColor(plan.kinds[0].visible, info, plan);
  EXPECT_EQ(c, (Color16{20000, 10000, 5000, 65535}));

  // Node visibility 0.5: alpha 32767, colours times (alpha + 1) >> 16.
  plan.nodeVisibility = 0.5f;
  c = pw::PieceColor(plan.kinds[0].visible, info, plan);
  EXPECT_EQ(c, (Color16{10000, 5000, 2500, 32767}));

  // A colour tag on the segment's material is used as it is, brightness aside.
  plan.nodeVisibility = 1.0f;
  plan.tags.count = 2;
  plan.tags.hasColor = {0, 1};
  plan.tags.color = {Color16{}, Color16{65535, 0, 0, 65535}};
  info.materialId = 3;  // 3 mod 2 = slot 1
  c = pw::PieceColor(plan.kinds[0].visible, info, plan);
  EXPECT_EQ(c, (Color16{65535, 0, 0, 65535}));
}

TEST(MaterialTags, SlotNamesGivePriorityExclusionAndColour) {
  int p = 0;
  EXPECT_TRUE(pw::ParsePriorityTag("Hull p=3", &p));
  EXPECT_EQ(p, 3);
  EXPECT_TRUE(pw::ParsePriorityTag("P=-2", &p));
  EXPECT_EQ(p, -2);
  EXPECT_FALSE(pw::ParsePriorityTag("plain", &p));
  EXPECT_TRUE(pw::ParseExcludedTag("glass e=y"));
  EXPECT_TRUE(pw::ParseExcludedTag("GLASS E=Y"));
  EXPECT_FALSE(pw::ParseExcludedTag("e=n"));
  Color16 c;
  ASSERT_TRUE(pw::ParseColorTag("trim c=255,0,0", &c));
  EXPECT_EQ(c, (Color16{65535, 0, 0, 65535}));
  ASSERT_TRUE(pw::ParseColorTag("C=1,2,3", &c));
  EXPECT_EQ(c, (Color16{257, 514, 771, 65535}));
  EXPECT_FALSE(pw::ParseColorTag("c=255,0", &c));
  EXPECT_FALSE(pw::ParseColorTag("c=256,0,0", &c));
}

}  // namespace
