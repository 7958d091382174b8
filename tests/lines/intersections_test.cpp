// Surface intersections: the segment along which one face crosses another
// (worked out by hand), and the face pairs worth testing, from the grid
// against the quadrant walk, the plain loop and brute force.
#include "lines/intersections.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

#include "lines_scene_fixture.h"

namespace {

using host::Point3;
using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

struct PairScene {
  pwtest::TestView view = pwtest::perspectiveView(640, 480, 50, 0.5f, 1000);
  pw::PwRenderMesh mesh;
  pw::InstanceOccluders occluders;

  explicit PairScene(const std::vector<Point3>& corners, bool clip = false) {
    mesh = pwtest::cameraMesh(corners, view.proj);
    if (clip) pw::clipMesh(mesh, view.proj, view.window);
    pw::markBackFaces(mesh.verts, mesh.faces, mesh.clipPoints);
    pw::BuildOccluders(mesh, true, occluders);
  }
  pw::IntersectionView View() const { return {view.proj, pw::makeClipPlanes(view.window, true)}; }
  // Face e's crossing of face w's plane, inside w.
  bool Segment(int e, int w, pw::MeshVertex* a, pw::MeshVertex* b) const {
    return pw::IntersectionSegment(View(), mesh, occluders.occluders[std::size_t(e)], occluders,
                                   occluders.occluders[std::size_t(w)], a, b);
  }
};

void ExpectAt(const pw::MeshVertex& v, Point3 p, const pw::PwProjection& proj, float tolerance) {
  EXPECT_NEAR(v.x, p.x, tolerance);
  EXPECT_NEAR(v.y, p.y, tolerance);
  EXPECT_NEAR(v.z, p.z, tolerance);
  const host::Point2 s = pw::project(proj, {v.x, v.y, v.z});
  EXPECT_EQ(v.sx, s.x);
  EXPECT_EQ(v.sy, s.y);
}

// A face at depth 10 and a face sloping through it: they cross along
// y = 0.5 from x = -0.5 to 0.5, whichever is taken as the plane.
TEST(IntersectionSegment, TwoFacesCrossingEachOther) {
  PairScene s({{-2, -2, -10}, {2, -2, -10}, {0, 2, -10},    // W
               {-1, 0.3f, -8}, {1, 0.3f, -8}, {0, 0.7f, -12}});  // E
  ASSERT_EQ(s.occluders.Size(), 2);
  pw::MeshVertex a, b;
  ASSERT_TRUE(s.Segment(1, 0, &a, &b));
  // E's edges in order: corners 1-2 cross first, then 2-0.
  ExpectAt(a, {0.5f, 0.5f, -10}, s.view.proj, 1e-6f);
  ExpectAt(b, {-0.5f, 0.5f, -10}, s.view.proj, 1e-6f);
  // The other way round W's edges cross E's plane at x = 0.75 and -0.75,
  // and the outline of E cuts that back to the same segment.
  ASSERT_TRUE(s.Segment(0, 1, &a, &b));
  ExpectAt(a, {0.5f, 0.5f, -10}, s.view.proj, 1e-4f);
  ExpectAt(b, {-0.5f, 0.5f, -10}, s.view.proj, 1e-4f);
}

TEST(IntersectionSegment, FacesSharingAnEdgeOrOnlyTouchingGiveNone) {
  PairScene s({{0, 0, -10}, {1, 0, -10}, {0.5f, 1, -11},      // a fold along y = 0
               {1, 0, -10}, {0, 0, -10}, {0.5f, -1, -11},
               {3, 0, -10}, {4, 0, -10}, {3.5f, 1, -10},      // one corner on the face below
               {3, -1, -10.00005f}, {4, -1, -10}, {3.5f, 0.5f, -12}});
  pw::MeshVertex a, b;
  EXPECT_FALSE(s.Segment(0, 1, &a, &b));
  EXPECT_FALSE(s.Segment(1, 0, &a, &b));
  // Two of the fourth face's corners lie within the tolerance of the third
  // face's plane, the third behind it: no edge crosses.
  EXPECT_FALSE(s.Segment(3, 2, &a, &b));
}

// A large face through a small one: only the part inside the small one.
TEST(IntersectionSegment, CutToTheOutlineOfThePlaneFace) {
  PairScene s({{-0.2f, -0.2f, -10}, {0.2f, -0.2f, -10}, {0, 0.2f, -10},  // W
               {-5, -1, -5}, {5, -1, -5}, {0, 1, -15}});                // E, through it at y = 0
  pw::MeshVertex a, b;
  ASSERT_TRUE(s.Segment(1, 0, &a, &b));
  // E crosses at x = +-2.5; W spans x = -0.1 to 0.1 on that row.
  ExpectAt(a, {0.1f, 0, -10}, s.view.proj, 1e-5f);
  ExpectAt(b, {-0.1f, 0, -10}, s.view.proj, 1e-5f);
  // Entirely beside W: nothing.
  PairScene beside({{-0.2f, -0.2f, -10}, {0.2f, -0.2f, -10}, {0, 0.2f, -10},
                    {1, -1, -5}, {5, -1, -5}, {3, 1, -15}});
  EXPECT_FALSE(beside.Segment(1, 0, &a, &b));
}

// Faces reaching out of the view: the segment ends at the window.
TEST(IntersectionSegment, ClippedToTheViewWhenAFaceIsClipped) {
  PairScene s({{-50, -5, -10}, {50, -5, -10}, {0, 20, -10},   // W, far wider than the view
               {-40, -1, -8}, {40, -1, -8}, {0, 3, -12}},     // E, crossing it at y = 1 from x = -20 to 20
              true);
  ASSERT_TRUE(s.mesh.faces[0].faceFlags & pw::FaceClipped);
  pw::MeshVertex a, b;
  ASSERT_TRUE(s.Segment(1, 0, &a, &b));
  EXPECT_NEAR(a.z, -10.0f, 1e-4);
  EXPECT_NEAR(b.z, -10.0f, 1e-4);
  EXPECT_NEAR(a.y, 1.0f, 1e-4);
  EXPECT_NEAR(std::max(a.sx, b.sx), 640 - pw::kClipWindowInset, 1e-2);
  EXPECT_NEAR(std::min(a.sx, b.sx), pw::kClipWindowInset, 1e-2);
}

// Pair lists of one object in calling order.
Pairs OwnPairs(const pw::InstanceOccluders& io, const host::BitArray* selection, bool reference) {
  Pairs out;
  pw::PairScratch s;
  auto add = [&](std::uint32_t w, std::uint32_t e) { out.emplace_back(w, e); };
  if (reference) {
    pw::ForEachIntersectionPairReference(io, selection, s, add);
  } else {
    pw::ForEachIntersectionPair(io, selection, s, add);
  }
  return out;
}

std::set<std::pair<std::uint32_t, std::uint32_t>> BruteForcePairs(const pw::InstanceOccluders& io,
                                                                  const host::BitArray* selection) {
  std::set<std::pair<std::uint32_t, std::uint32_t>> out;
  for (std::uint32_t w = 0; w < io.occluders.size(); ++w) {
    if (!pw::Selected(io, selection, w)) continue;
    for (std::uint32_t e = w + 1; e < io.occluders.size(); ++e)
      if (pw::Selected(io, selection, e) && pw::Overlaps3d(io.occluders[w].box, io.occluders[e].box))
        out.emplace(w, e);
  }
  return out;
}

void CheckOwnPairs(const pw::InstanceOccluders& io, const host::BitArray* selection, bool bruteForce = true) {
  const Pairs reference = OwnPairs(io, selection, true);
  const Pairs fast = OwnPairs(io, selection, false);
  ASSERT_EQ(fast.size(), reference.size());
  for (std::size_t i = 0; i < fast.size(); ++i)
    ASSERT_EQ(fast[i], reference[i]) << "pair " << i << " of " << fast.size();
  // The quadrants lose nothing and repeat nothing.
  const std::set<std::pair<std::uint32_t, std::uint32_t>> unique(reference.begin(), reference.end());
  EXPECT_EQ(unique.size(), reference.size());
  if (bruteForce) {
    EXPECT_EQ(unique, BruteForcePairs(io, selection));
  }
}

TEST(IntersectionPairs, OwnPairsFromTheGridAreTheQuadrantWalksInItsOrder) {
  for (const char* name : {"suzanne2.glb", "bevelcube.glb", "intersect.glb", "bunny.obj"}) {
    SCOPED_TRACE(name);
    pwtest::LinesScene s;
    ASSERT_TRUE(pwtest::LoadLinesScene(name, s));
    for (float distance : {2.5f, 0.9f}) {
      pwtest::LookAt(s, {0.4f, 1, -0.6f}, distance, distance > 1);
      for (const pw::InstanceOccluders& io : s.occluders) {
        CheckOwnPairs(io, nullptr);
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(IntersectionPairs, OwnPairsOfALargeMesh) {
  pwtest::LinesScene s;
  ASSERT_TRUE(pwtest::LoadLinesScene("suzanne3.glb", s));
  pwtest::LookAt(s, {0.4f, 1, -0.6f}, 2.5f, true, 1920, 1080);
  ASSERT_GT(s.occluders[0].Size(), 60000);
  CheckOwnPairs(s.occluders[0], nullptr, false);
}

TEST(IntersectionPairs, SelectionRestrictsBothFaces) {
  pwtest::LinesScene s;
  ASSERT_TRUE(pwtest::LoadLinesScene("suzanne1.glb", s));
  pwtest::LookAt(s, {0.4f, 1, -0.6f}, 2.5f, true);
  const pw::InstanceOccluders& io = s.occluders[0];
  host::BitArray selection(s.instances[0]->mesh.numFaces());
  std::mt19937 rng(4);
  for (int f = 0; f < selection.GetSize(); ++f)
    if (rng() % 3 != 0) selection.Set(f);
  CheckOwnPairs(io, &selection);
  const Pairs all = OwnPairs(io, nullptr, false), some = OwnPairs(io, &selection, false);
  EXPECT_LT(some.size(), all.size());
  EXPECT_GT(some.size(), all.size() / 5);
  for (const auto& [w, e] : some) {
    EXPECT_TRUE(selection[int(io.occluders[w].face)]);
    EXPECT_TRUE(selection[int(io.occluders[e].face)]);
  }
}

TEST(IntersectionPairs, OwnPairsOnRandomSoups) {
  std::mt19937 rng(23);
  std::uniform_real_distribution<float> xy(-5, 5), depth(-30, -8), size(0.1f, 3);
  for (int scene = 0; scene < 30; ++scene) {
    std::vector<Point3> corners;
    const int faces = 20 + 25 * scene;
    for (int f = 0; f < faces; ++f) {
      const Point3 c{xy(rng), xy(rng), depth(rng)};
      for (int k = 0; k < 3; ++k) corners.push_back(c + Point3(size(rng), size(rng), size(rng)));
    }
    PairScene s(corners, scene % 3 == 0);
    CheckOwnPairs(s.occluders, nullptr);
    if (HasFatalFailure()) return;
  }
}

Pairs BetweenPairs(const pw::InstanceOccluders& a, const pw::InstanceOccluders& b, bool reference) {
  Pairs out;
  pw::PairScratch s;
  auto add = [&](std::uint32_t w, std::uint32_t e) { out.emplace_back(w, e); };
  if (reference) {
    pw::ForEachIntersectionPairBetweenReference(a, b, nullptr, s, add);
  } else {
    pw::ForEachIntersectionPairBetween(a, b, nullptr, s, add);
  }
  return out;
}

// The objects of the test scene pass through each other: pairs between
// them from the grid and from the plain loop agree, and the segments found
// lie on both faces.
TEST(IntersectionPairs, BetweenObjectsFromTheGridAreThePlainLoops) {
  pwtest::LinesScene s;
  ASSERT_TRUE(pwtest::LoadLinesScene("intersect.glb", s));
  ASSERT_GE(s.meshNodes.size(), 3u);
  pwtest::LookAt(s, {0.4f, 1, -0.6f}, 2.5f, false);
  const pw::IntersectionView view{s.view.proj, pw::makeClipPlanes(s.view.window, true)};
  int segments = 0;
  for (std::size_t i = 0; i < s.occluders.size(); ++i) {
    for (std::size_t j = 0; j < s.occluders.size(); ++j) {
      if (i == j) continue;
      const Pairs reference = BetweenPairs(s.occluders[i], s.occluders[j], true);
      ASSERT_EQ(BetweenPairs(s.occluders[i], s.occluders[j], false), reference) << i << " " << j;
      for (const auto& [w, e] : reference) {
        const pw::Occluder& ow = s.occluders[i].occluders[w];
        const pw::Occluder& oe = s.occluders[j].occluders[e];
        pw::MeshVertex a, b;
        if (!pw::IntersectionSegment(view, s.instances[j]->mesh, oe, s.occluders[i], ow, &a, &b)) continue;
        ++segments;
        for (const pw::MeshVertex& v : {a, b}) {
          EXPECT_NEAR(ow.PlaneDistance(v.x, v.y, v.z), 0.0, 1e-4);
          EXPECT_NEAR(oe.PlaneDistance(v.x, v.y, v.z), 0.0, 1e-4);
        }
      }
    }
  }
  EXPECT_GT(segments, 100);
}

}  // namespace
