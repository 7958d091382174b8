// Whole objects' lines on the real test meshes: the indexed search gives the
// very segments the plain loops give, and what is drawn as visible or hidden
// agrees with a depth buffer of the faces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "scene_lines_fixture.h"

namespace pw::test {
namespace {

class LinePipelineTest : public SceneLinesTest {
 protected:
  // Fold, Crease, Material Change, Silhouette, Surface Intersection and, for
  // every edge left, All; each visible with a width of its own and hidden
  // two pixels wider, so that every stored piece says what it was.
  void IllustratorStyle() {
    OnlyKinds({LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_MATERIAL_CHANGE, LINE_KIND_SILHOUETTE,
               LINE_KIND_SURFACE_INTERSECTION, LINE_KIND_ALL});
    for (int k : {LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_MATERIAL_CHANGE, LINE_KIND_SILHOUETTE,
                  LINE_KIND_SURFACE_INTERSECTION, LINE_KIND_ALL}) {
      VisibleWidth(k, 1.0 + k * 0.0625);
      style->GetLineKindItem(k)->GetChild(1)->SetOn(true);
      auto* hidden = dynamic_cast<PwStyleDrawingTools*>(style->GetLineKindItem(k)->GetChild(1)->GetData());
      auto* brush = new PwBrush();
      held.push_back(std::make_unique<host::RefHolder>(brush));
      brush->SetSizePixels(0, 3.0 + k * 0.0625);
      brush->SetScaleRelative(false);
      hidden->SetBrush(brush);
    }
  }

  // Samples along every piece of each mesh seen from one side agree with a
  // depth buffer of the faces; answers the pieces stored per mesh.
  std::vector<std::size_t> ExpectDepthAgreement(std::initializer_list<const char*> names, int minHidden) {
    std::vector<std::size_t> pieces;
    for (const char* name : names) {
      pwtest::LinesScene s;
      EXPECT_TRUE(pwtest::LoadLinesScene(name, s));
      if (s.meshNodes.empty()) return pieces;
      pwtest::LookAt(s, {1.0f, 0.7f, -0.5f}, 2.5f, false, 800, 600);
      const auto lines = Frame(s, false);
      pieces.push_back(lines.size());
      const DepthBuffer depth = DepthOf(s, 800, 600);
      const DepthAgreement r =
          CompareWithDepth(lines, depth, [](const LineSegment& seg) { return seg.brushWidth >= 3.0f; });
      const double share = r.Share();
      ::testing::Test::RecordProperty(std::string("agreement_") + name, std::to_string(share));
      std::printf("%s: %zu pieces, %d visible and %d hidden samples, %.4f agree\n", name, lines.size(),
                  r.visibleSamples, r.hiddenSamples, share);
      // Both verdicts are exercised.
      EXPECT_GT(r.visibleSamples, 100) << name;
      EXPECT_GT(r.hiddenSamples, minHidden) << name;
      EXPECT_GE(share, 0.99) << name;
    }
    return pieces;
  }
};

TEST_F(LinePipelineTest, TheIndexedSearchStoresExactlyWhatThePlainLoopsStore) {
  IllustratorStyle();
  for (const char* name : {"bevelcube.glb", "intersect.glb", "bunny.obj", "suzanne2.glb"}) {
    pwtest::LinesScene s;
    ASSERT_TRUE(pwtest::LoadLinesScene(name, s));
    // Near enough that the view cuts the meshes.
    pwtest::LookAt(s, {1.0f, 0.7f, -0.5f}, 1.2f, false);
    const auto fast = Frame(s, false);
    const auto plain = Frame(s, true);
    ASSERT_GT(fast.size(), 50u) << name;
    ASSERT_EQ(fast.size(), plain.size()) << name;
    // Same pieces in the same order, to the bit.
    for (std::size_t i = 0; i < fast.size(); ++i) ASSERT_TRUE(fast[i] == plain[i]) << name << " piece " << i;
  }
}

TEST_F(LinePipelineTest, VisibleAndHiddenPiecesAgreeWithADepthBuffer) {
  IllustratorStyle();
  ExpectDepthAgreement({"suzanne3.glb", "bunny.obj", "bevelcube.glb", "intersect.glb"}, 100);
}

// Curved edges bulge off the faces they follow; hidden-line removal must
// still judge their steps as a depth buffer of the faces does.
TEST_F(LinePipelineTest, SmoothedEdgesAgreeWithADepthBufferToo) {
  IllustratorStyle();
  const auto straight = ExpectDepthAgreement({"suzanne0.glb", "sphere.glb", "bunny.obj"}, -1);
  style->SetEdgeSmoothingOn(true);
  style->SetEdgeSmoothingSteps(6);
  const auto smoothed = ExpectDepthAgreement({"suzanne0.glb", "sphere.glb", "bunny.obj"}, -1);
  ASSERT_EQ(straight.size(), smoothed.size());
  for (std::size_t i = 0; i < straight.size(); ++i) EXPECT_GT(smoothed[i], straight[i] * 3 / 2) << i;
}

}  // namespace
}  // namespace pw::test
