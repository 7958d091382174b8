// Interval lists along a segment: merging with its tolerance, and the pieces
// a list cuts a segment into.
#include "lines/hidden_intervals.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using pw::HiddenIntervals;
using pw::Piece;
using pw::PieceState;

std::vector<std::pair<double, double>> Entries(const HiddenIntervals& h) {
  std::vector<std::pair<double, double>> out;
  for (const pw::Interval01& e : h.List()) out.emplace_back(e.lo, e.hi);
  return out;
}

std::vector<Piece> Pieces(const HiddenIntervals& h) {
  std::vector<Piece> out;
  pw::ForEachPiece(h, [&](const Piece& p) { out.push_back(p); });
  return out;
}

TEST(HiddenIntervals, MergeSnapsToTheEndsAndJoinsNeighboursWithinTheTolerance) {
  HiddenIntervals h;
  h.Merge(0.2, 0.5);
  h.Merge(0.50005, 0.8);
  EXPECT_EQ(Entries(h), (std::vector<std::pair<double, double>>{{0.2, 0.8}}));

  h.Clear();
  h.Merge(0.00005, 0.3);
  h.Merge(0.7, 0.99995);
  EXPECT_EQ(Entries(h), (std::vector<std::pair<double, double>>{{0.0, 0.3}, {0.7, 1.0}}));
  EXPECT_FALSE(h.CoversAll());
  // A gap wider than the tolerance stays; one bridging interval joins all.
  h.Merge(0.4, 0.5);
  EXPECT_EQ(h.Size(), 3);
  h.Merge(0.3, 0.70001);
  EXPECT_TRUE(h.CoversAll());
}

TEST(HiddenIntervals, MergedListsStaySortedAndDisjointAndCoverWhatWasMerged) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int round = 0; round < 200; ++round) {
    HiddenIntervals h;
    std::vector<std::pair<double, double>> merged;
    for (int i = 0; i < 12; ++i) {
      double a = u(rng), b = u(rng);
      if (a > b) std::swap(a, b);
      b = std::min(1.0, a + (b - a) * 0.2);
      h.Merge(a, b);
      merged.emplace_back(a, b);
    }
    const auto& l = h.List();
    for (std::size_t k = 0; k < l.size(); ++k) {
      EXPECT_LE(l[k].lo, l[k].hi);
      if (k + 1 < l.size()) {
        EXPECT_GT(l[k + 1].lo, l[k].hi + pw::kIntervalMergeTolerance);
      }
    }
    for (auto [a, b] : merged) {
      bool covered = false;
      for (const auto& e : l) covered |= e.lo <= a + 1e-12 && e.hi >= b - 1e-12;
      EXPECT_TRUE(covered) << a << " " << b;
    }
  }
}

TEST(HiddenIntervals, PiecesAlternateAndTileTheSegment) {
  HiddenIntervals h;
  auto none = Pieces(h);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_TRUE(none[0].whole);
  EXPECT_EQ(none[0].state, PieceState::Visible);

  h.SetAll();
  auto all = Pieces(h);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_TRUE(all[0].whole);
  EXPECT_EQ(all[0].state, PieceState::Hidden);

  h.Clear();
  h.Merge(0.0, 0.25);
  h.Merge(0.5, 0.75);
  auto p = Pieces(h);
  ASSERT_EQ(p.size(), 4u);
  const double ends[][2] = {{0.0, 0.25}, {0.25, 0.5}, {0.5, 0.75}, {0.75, 1.0}};
  const PieceState states[] = {PieceState::Hidden, PieceState::Visible, PieceState::Hidden, PieceState::Visible};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(p[i].start, ends[i][0]);
    EXPECT_EQ(p[i].end, ends[i][1]);
    EXPECT_EQ(p[i].state, states[i]);
    EXPECT_FALSE(p[i].whole);
  }
}

TEST(HiddenIntervals, PerspectiveParameterFollowsDepth) {
  // Halfway on screen between depths -1 and -3 is a quarter of the way in space.
  EXPECT_DOUBLE_EQ(pw::PerspectiveParameter(0.5, -1.0, -3.0), 0.25);
  EXPECT_DOUBLE_EQ(pw::PerspectiveParameter(0.0, -1.0, -3.0), 0.0);
  EXPECT_DOUBLE_EQ(pw::PerspectiveParameter(1.0, -1.0, -3.0), 1.0);
  EXPECT_DOUBLE_EQ(pw::PerspectiveParameter(0.3, -2.0, -2.0), 0.3);
}

}  // namespace
