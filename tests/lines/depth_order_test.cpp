// Depth between two outlines at a subsample, and the decisions kept for
// outline pairs from band to band.
#include "lines/depth_order.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

namespace {

using pw::DepthDecision;

pw::LineOutline Line(float x0, float y0, float z0, float x1, float y1, float z1) {
  pw::LineOutline o;
  o.start = {x0, y0, z0};
  o.end = {x1, y1, z1};
  return o;
}

TEST(DepthOrder, PerspectiveMovesTheDepthAtAScreenPointTowardsTheNearEnd) {
  // Halfway across the screen between depths -1 and -100 is, in space,
  // only 1 % of the way: depth -1.98 under perspective, -50.5 without.
  const pw::LineOutline older = Line(0, 0, -1, 100, 0, -100);
  const pw::LineOutline newer = Line(50, -10, -10, 50, 10, -10);
  EXPECT_EQ(pw::DecideDepth(newer, older, 50, 0, true), DepthDecision::Keep);
  EXPECT_EQ(pw::DecideDepth(newer, older, 50, 0, false), DepthDecision::Replace);
}

TEST(DepthOrder, PointsBeyondTheEndsTakeTheEndsDepth) {
  const pw::LineOutline older = Line(0, 0, -10, 10, 0, -20);
  // Beyond the far end the older line stays at -20 (its extension would
  // be at -25 there), so a line at -22 stays behind it.
  EXPECT_EQ(pw::DecideDepth(Line(15, -5, -22, 15, 5, -22), older, 15, 0, false), DepthDecision::Keep);
  // Before the near end it stays at -10 (not -5): a line at -7 is nearer.
  EXPECT_EQ(pw::DecideDepth(Line(-5, -5, -7, -5, 5, -7), older, -5, 0, false), DepthDecision::Replace);
  // A line of no length has one depth everywhere.
  EXPECT_EQ(pw::DecideDepth(Line(3, 3, -9, 3, 3, -9), older, 5, 1, false), DepthDecision::Replace);
}

TEST(DepthOrder, PairMapFindsEveryInsertedPairAndNoOther) {
  pw::PairDecisionMap map;
  map.Clear();
  EXPECT_EQ(map.Find(1, 0), DepthDecision::Undecided);
  std::mt19937 rng(3);
  std::uniform_int_distribution<std::uint32_t> index(0, 0x7FFFFFFF);
  std::set<std::pair<std::uint32_t, std::uint32_t>> inserted;
  for (int i = 0; i < 5000; ++i) {  // several growths
    const std::uint32_t a = index(rng), b = index(rng);
    map.Insert(a, b, (a ^ b) & 1 ? DepthDecision::Replace : DepthDecision::Keep);
    inserted.insert({a, b});
  }
  EXPECT_EQ(map.Size(), static_cast<int>(inserted.size()));
  for (const auto& [a, b] : inserted) {
    ASSERT_EQ(map.Find(a, b), (a ^ b) & 1 ? DepthDecision::Replace : DepthDecision::Keep);
    if (!inserted.count({b, a})) {
      ASSERT_EQ(map.Find(b, a), DepthDecision::Undecided) << "pairs are ordered";
    }
  }
  // A decision can change; the pair is not counted twice.
  const auto [a, b] = *inserted.begin();
  map.Insert(a, b, DepthDecision::Replace);
  map.Insert(a, b, DepthDecision::Keep);
  EXPECT_EQ(map.Find(a, b), DepthDecision::Keep);
  EXPECT_EQ(map.Size(), static_cast<int>(inserted.size()));
  map.Clear();
  EXPECT_EQ(map.Find(a, b), DepthDecision::Undecided);
  EXPECT_EQ(map.Size(), 0);
}

}  // namespace
