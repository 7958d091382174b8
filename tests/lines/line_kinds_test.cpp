// Which edges each line kind takes, in the style's order, on small meshes.
#include <gtest/gtest.h>

#include "host/shading/mtl_multi.h"
#include "line_generation_fixture.h"

namespace pw::test {
namespace {

// Two triangles sharing the edge 1-2, flat, facing the camera at depth 5.
const std::vector<host::Point3> kQuad{{-1, -1, -5}, {1, -1, -5}, {-1, 1, -5}, {1, 1, -5}};

TEST_F(LineGenerationTest, AnOpenTriangleIsAllFoldAndAllOutline) {
  SetMesh({{-1, -1, -5}, {1, -1, -5}, {0, 1, -5}}, {{0, 1, 2}});
  ASSERT_TRUE(instance.mesh.faces[0].faceFlags & FaceFront) << "the test triangle faces the camera";
  OnlyKinds({LINE_KIND_FOLD});
  EXPECT_EQ(Generate().size(), 3u);
  OnlyKinds({LINE_KIND_SILHOUETTE});
  EXPECT_EQ(Generate().size(), 3u);
  // Fold first takes every edge; the outline finds none left.
  OnlyKinds({LINE_KIND_FOLD, LINE_KIND_SILHOUETTE});
  EXPECT_EQ(Generate().size(), 3u);
}

TEST_F(LineGenerationTest, ACreaseNeedsTheFirstFaceToHaveASmoothingGroupTheOtherLacks) {
  OnlyKinds({LINE_KIND_CREASE});
  SetMesh(kQuad, {{0, 1, 2, 1}, {2, 1, 3, 0}});
  EXPECT_EQ(Generate().size(), 1u);
  SetMesh(kQuad, {{0, 1, 2, 0}, {2, 1, 3, 1}});
  EXPECT_EQ(Generate().size(), 0u);
  SetMesh(kQuad, {{0, 1, 2, 3}, {2, 1, 3, 2}});
  EXPECT_EQ(Generate().size(), 0u) << "a shared smoothing group is no crease";
}

TEST_F(LineGenerationTest, MaxDefinedFollowsTheFirstFacesEdgeBits) {
  OnlyKinds({LINE_KIND_MAX_DEFINED});
  SetMesh({{-1, -1, -5}, {1, -1, -5}, {0, 1, -5}}, {{0, 1, 2, 0, 0, 0b011}});
  const auto lines = Generate();
  ASSERT_EQ(lines.size(), 2u);
  // Not the edge from corner 2 back to corner 0.
  for (const LineSegment& s : lines) {
    const bool edge20 = (s.start.x == 0 && s.end.x == -1) || (s.start.x == -1 && s.end.x == 0);
    EXPECT_FALSE(edge20);
  }
}

TEST_F(LineGenerationTest, TheFirstKindInTheOrderKeepsAnEdgeAndItsTools) {
  SetMesh(kQuad, {{0, 1, 2, 0, 0}, {2, 1, 3, 0, 1}});
  VisibleWidth(LINE_KIND_MATERIAL_CHANGE, 3.0);
  OnlyKinds({LINE_KIND_MATERIAL_CHANGE, LINE_KIND_ALL});
  auto lines = Generate();
  ASSERT_EQ(lines.size(), 5u);
  int wide = 0;
  for (const LineSegment& s : lines) wide += s.brushWidth == 3.0f;
  EXPECT_EQ(wide, 1) << "the shared edge once, drawn as a material change";
  // The other order: All takes everything.
  OnlyKinds({LINE_KIND_ALL, LINE_KIND_MATERIAL_CHANGE});
  lines = Generate();
  ASSERT_EQ(lines.size(), 5u);
  for (const LineSegment& s : lines) EXPECT_EQ(s.brushWidth, 1.0f);
}

TEST_F(LineGenerationTest, SlotTagsExcludeAndColourTheirEdges) {
  auto* multi = new host::MultiMtl();
  held.push_back(std::make_unique<host::RefHolder>(multi));
  multi->AddSubMtl(nullptr, "glass e=y");
  multi->AddSubMtl(nullptr, "trim c=255,0,0");
  instance.setMaterial(multi);
  SetMesh(kQuad, {{0, 1, 2, 0, 0}, {2, 1, 3, 0, 1}});
  OnlyKinds({LINE_KIND_ALL});
  const auto lines = Generate();
  // Face 0's own two edges are glass; the shared edge takes the lower
  // priority (slot 0 has 10000, slot 1 10001): glass too. Face 1 keeps two.
  ASSERT_EQ(lines.size(), 2u);
  for (const LineSegment& s : lines) {
    EXPECT_EQ(s.red, 65535);
    EXPECT_EQ(s.green, 0);
    EXPECT_EQ(s.blue, 0);
  }
}

TEST_F(LineGenerationTest, HiddenEdgesAreDrawnWithTheHiddenToolsOnlyWhenAsked) {
  // A small triangle behind a big one.
  SetMesh({{-3, -3, -5}, {3, -3, -5}, {0, 3, -5}, {-0.5f, -0.5f, -8}, {0.5f, -0.5f, -8}, {0, 0.5f, -8}},
          {{0, 1, 2}, {3, 4, 5}});
  OnlyKinds({LINE_KIND_FOLD});
  EXPECT_EQ(Generate().size(), 3u) << "the big triangle's edges only";
  style->GetLineKindItem(LINE_KIND_FOLD)->GetChild(1)->SetOn(true);
  EXPECT_EQ(Generate().size(), 6u) << "and the small one's, hidden";
  settings.hiddenLinesWithinItself = false;
  EXPECT_EQ(Generate().size(), 6u);
}

}  // namespace
}  // namespace pw::test
