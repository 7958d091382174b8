// Whole objects' lines on the real test meshes: the indexed search gives the
// very segments the plain loops give, and what is drawn as visible or hidden
// agrees with a depth buffer of the faces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
  for (const char* name : {"suzanne3.glb", "bunny.obj", "bevelcube.glb", "intersect.glb"}) {
    pwtest::LinesScene s;
    ASSERT_TRUE(pwtest::LoadLinesScene(name, s));
    pwtest::LookAt(s, {1.0f, 0.7f, -0.5f}, 2.5f, false, 800, 600);
    const auto lines = Frame(s, false);
    const DepthBuffer depth = DepthOf(s, 800, 600);
    const DepthAgreement r =
        CompareWithDepth(lines, depth, [](const LineSegment& seg) { return seg.brushWidth >= 3.0f; });
    const double share = r.Share();
    const int visibleSamples = r.visibleSamples, hiddenSamples = r.hiddenSamples;
    RecordProperty(std::string("agreement_") + name, std::to_string(share));
    std::printf("%s: %d visible and %d hidden samples, %.4f agree\n", name, visibleSamples, hiddenSamples, share);
    // Both verdicts are exercised.
    EXPECT_GT(visibleSamples, 100) << name;
    EXPECT_GT(hiddenSamples, 100) << name;
    EXPECT_GE(share, 0.99) << name;
  }
}

}  // namespace
}  // namespace pw::test
