// Curved edges through the whole line generator: a coarse cylinder's
// outline becomes round, and the edges that must stay straight do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "line_generation_fixture.h"

namespace pw::test {
namespace {

constexpr int kSides = 12;
constexpr int kSteps = 6;

class SmoothedLinesTest : public LineGenerationTest {
 protected:
  // A closed 12-sided cylinder of radius 1 and height 2 at depth 8, its axis
  // tilted towards the camera so the top cap shows. The sides come first,
  // so they are the first face of every rim edge.
  void Cylinder(std::uint32_t sideGroup, std::uint32_t capGroup, bool insideOut = false) {
    const host::Point3 centre(0, 0, -8), axis = host::Normalize(host::Point3(0, 1, 0.6f));
    const host::Point3 across(1, 0, 0), depth = host::CrossProd(axis, across);
    std::vector<host::Point3> corners;
    for (int ring = 0; ring < 2; ++ring)
      for (int i = 0; i < kSides; ++i) {
        const float a = 2.0f * 3.1415927f * i / kSides;
        corners.push_back(centre + axis * (ring == 0 ? 1.0f : -1.0f) + across * std::cos(a) + depth * std::sin(a));
      }
    corners.push_back(centre + axis);
    corners.push_back(centre - axis);
    std::vector<TestFace> faces;
    // Wound so the face normal points away from the centre (or towards it).
    auto add = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t group) {
      const host::Point3 n = host::CrossProd(corners[b] - corners[a], corners[c] - corners[a]);
      const host::Point3 out = (corners[a] + corners[b] + corners[c]) / 3.0f - centre;
      if ((host::DotProd(n, out) < 0) != insideOut) std::swap(b, c);
      faces.push_back({a, b, c, group});
    };
    for (std::uint32_t i = 0; i < kSides; ++i) {
      const std::uint32_t j = (i + 1) % kSides;
      add(i, kSides + i, kSides + j, sideGroup);
      add(i, kSides + j, j, sideGroup);
    }
    for (std::uint32_t i = 0; i < kSides; ++i) {
      const std::uint32_t j = (i + 1) % kSides;
      add(2 * kSides, i, j, capGroup);
      add(2 * kSides + 1, kSides + i, kSides + j, capGroup);
    }
    SetMesh(corners, faces);
    axis_ = axis;
  }

  // The outline's pieces, every one stored (nothing hides anything).
  // Two-sided, so the back faces are in the edge table too and the sides
  // stay the first face of the far half of the top rim (a front-only table
  // leaves the flat cap as its only face, and the cap's normal is square to
  // the rim).
  std::vector<LineSegment> Outline(bool smoothing, int steps = kSteps, float curvature = 0.5f) {
    settings.hiddenLinesWithinItself = false;
    settings.force2Side = true;
    style->SetEdgeSmoothingOn(smoothing);
    style->SetEdgeSmoothingSteps(steps);
    style->SetEdgeSmoothingCurvature(curvature);
    OnlyKinds({LINE_KIND_FOLD});
    return Generate();
  }

  // A piece along the axis: a straight side edge of the outline.
  bool AlongAxis(const LineSegment& s) const {
    const host::Point3 d = host::Normalize(host::Point3(s.end.x - s.start.x, s.end.y - s.start.y, s.end.z - s.start.z));
    return std::fabs(std::fabs(host::DotProd(d, axis_)) - 1.0f) < 1e-4f;
  }

  host::Point3 axis_;
};

host::Point3 Start(const LineSegment& s) { return {s.start.x, s.start.y, s.start.z}; }
host::Point3 End(const LineSegment& s) { return {s.end.x, s.end.y, s.end.z}; }

double DistanceToSegment(const host::Point3& p, const host::Point3& a, const host::Point3& b) {
  const host::Point3 ab = b - a;
  const double t = std::clamp(double(host::DotProd(p - a, ab)) / host::DotProd(ab, ab), 0.0, 1.0);
  return host::Length(p - (a + ab * static_cast<float>(t)));
}

TEST_F(SmoothedLinesTest, ACoarseCylindersOutlineBecomesRound) {
  Cylinder(1, 2);
  const auto straight = Outline(false);
  int rims = 0, sides = 0;
  for (const LineSegment& s : straight) (AlongAxis(s) ? sides : rims) += 1;
  ASSERT_EQ(sides, 2) << "the two outline edges down the sides";
  ASSERT_GE(rims, 10) << "about half of each rim";

  const auto round = Outline(true);
  int roundRims = 0, roundSides = 0;
  double farthest = 0.0;
  for (const LineSegment& s : round) {
    if (AlongAxis(s)) {
      ++roundSides;
      continue;
    }
    ++roundRims;
    // Near the straight rim it replaces: out to where the circle is.
    for (const host::Point3& p : {Start(s), End(s)}) {
      double nearest = 1e30;
      for (const LineSegment& t : straight) nearest = std::min(nearest, DistanceToSegment(p, Start(t), End(t)));
      EXPECT_LT(nearest, 1.0 - std::cos(3.1415927 / kSides));
      farthest = std::max(farthest, nearest);
    }
  }
  EXPECT_EQ(roundSides, 2) << "edges along the axis stay straight";
  EXPECT_EQ(roundRims, kSteps * rims);
  EXPECT_GT(farthest, 0.005) << "the rims do bulge";
  // The steps of each rim edge run end to end, from one vertex to the next.
  int joins = 0;
  for (std::size_t i = 0; i + 1 < round.size(); ++i) {
    if (AlongAxis(round[i]) || AlongAxis(round[i + 1])) continue;
    if (Start(round[i + 1]) == End(round[i])) {
      ++joins;
      EXPECT_EQ(round[i + 1].start.sx, round[i].end.sx);
      EXPECT_EQ(round[i + 1].start.sy, round[i].end.sy);
    }
  }
  EXPECT_GE(joins, (kSteps - 1) * rims);

  // Curvature 0: the same steps, on the straight rims.
  const auto flat = Outline(true, kSteps, 0.0f);
  ASSERT_EQ(flat.size(), round.size());
  for (const LineSegment& s : flat) {
    double nearest = 1e30;
    for (const LineSegment& t : straight) nearest = std::min(nearest, DistanceToSegment(End(s), Start(t), End(t)));
    EXPECT_LT(nearest, 1e-5);
  }
}

TEST_F(SmoothedLinesTest, OneStepIsTheStraightEdge) {
  Cylinder(1, 2);
  const auto straight = Outline(false);
  for (int steps : {0, 1}) {
    const auto one = Outline(true, steps);
    ASSERT_EQ(one.size(), straight.size()) << steps;
    for (std::size_t i = 0; i < one.size(); ++i) {
      EXPECT_EQ(Start(one[i]), Start(straight[i]));
      EXPECT_EQ(End(one[i]), End(straight[i]));
      EXPECT_NEAR(one[i].start.sx, straight[i].start.sx, 1e-3);
      EXPECT_NEAR(one[i].end.sy, straight[i].end.sy, 1e-3);
    }
  }
}

TEST_F(SmoothedLinesTest, ConcaveAndFlatShadedEdgesAreDrawnStraight) {
  // Inside out: every normal leans towards the edge.
  Cylinder(1, 2, true);
  EXPECT_EQ(Outline(true).size(), Outline(false).size());
  // Flat shading: the side's own normal is square to its rim edges.
  Cylinder(0, 0);
  const auto straight = Outline(false);
  const auto smoothed = Outline(true);
  ASSERT_EQ(smoothed.size(), straight.size());
  for (std::size_t i = 0; i < straight.size(); ++i) EXPECT_TRUE(smoothed[i] == straight[i]) << i;
}

TEST_F(SmoothedLinesTest, PaintedThicknessRunsAlongTheSteps) {
  Cylinder(1, 2);
  instance.mesh.vertexAlpha.assign(instance.mesh.verts.size(), 1.0f);
  for (int i = 0; i < kSides; ++i) instance.mesh.vertexAlpha[static_cast<std::size_t>(i)] = (i % 2) ? 1.0f : 0.25f;
  const auto round = Outline(true);
  // Each rim edge goes from 0.25 to 1 (or back): its steps' end widths
  // move by an equal share of 0.75 each.
  int checked = 0;
  for (const LineSegment& s : round) {
    if (AlongAxis(s) || s.start.width == s.end.width) continue;
    EXPECT_NEAR(std::fabs(s.end.width - s.start.width), 0.75 / kSteps, 1e-5);
    EXPECT_GE(std::min(s.start.width, s.end.width), 0.25f - 1e-6f);
    ++checked;
  }
  EXPECT_GE(checked, kSteps * 5);
}

}  // namespace
}  // namespace pw::test
