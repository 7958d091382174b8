#include "scene_io/art_material_describe.h"

#include <gtest/gtest.h>

#include "library/art_materials.h"
#include "library/library_materials.h"
#include "plugin/class_ids.h"
#include "art_materials_fixture.h"

namespace pw::test {
namespace {

using ArtMaterialDescribe = ArtMaterialsTest;

TEST_F(ArtMaterialDescribe, EveryClassDescribesItsSettings) {
  PwObjectLibrary& lib = *Library();
  const struct {
    int origin, number;
    const char* expected;
  } cases[] = {
      {PW_ORIGIN_PRESET, 9, "Brush \"Square (2 pixels)\"\n  slot 16, preset 9\n  shape: square\n  size: 2 pixels"},
      {PW_ORIGIN_PRESET, 219,
       "colour: custom\n  object colour: diffuse\n  custom colour: (1, 0, 0)\n  brightness: 1\n"},
      {PW_ORIGIN_PRESET, 101, "  pattern: 0x"},
      {PW_ORIGIN_PRESET, 101, "(Dashed)\n  scale: 1\n  capping: brush\n"},
      {PW_ORIGIN_PRESET, 300, "Surface \"Matte\"\n  slot 50, preset 300\n  kind: Matte\n"},
      {PW_ORIGIN_DEFAULT, PW_DEFAULT_CANVAS, "Canvas \"Default\"\n  slot 6, default 6\n  light colour: (1, 1, 1)"},
  };
  for (const auto& c : cases) {
    const std::string text = DescribeArtMaterial(lib, lib.Find(c.origin, c.number));
    EXPECT_NE(text.find(c.expected), std::string::npos) << text;
  }
  EXPECT_EQ(DescribeArtMaterial(lib, 9999), "");
}

TEST_F(ArtMaterialDescribe, AStyleIsShownAsItsTree) {
  PwObjectLibrary& lib = *Library();
  const std::string text = DescribeArtMaterial(lib, lib.Find(PW_ORIGIN_PRESET, 401));
  const char* expected[] = {
      "Style \"Hidden-line\"\n  slot 58, preset 401\n",
      "  line order: Fold, Crease, Surface Intersection, Edge IDs, Material Change, MAX Defined, All, Angle, "
      "Silhouette, Contours\n",
      "  draws a surface: no\n",
      "    [off] Surface: \"Default\" #4, kind Toon\n",
      "    [on]  Lines\n      [on]  Fold\n        [on]  Where Visible: brush \"Default\" #2, paint \"Default\" #0, "
      "stroke \"Default\" #3\n        [on]  Where Hidden: brush \"Default\" #2, paint \"Default\" #0, stroke "
      "\"Dashed\" #20\n",
      "      [off] Angle: 0 to 180 degrees\n",
      "      [off] Edge IDs\n        [on]  ID #1\n          [on]  Where Visible:",
      "        [on]  Contour #1: by angle between Surface Normal and View Z Axis, 0 to 180 degrees, 20 steps\n",
  };
  for (const char* e : expected) EXPECT_NE(text.find(e), std::string::npos) << "missing: " << e << "\nin:\n" << text;
}

TEST_F(ArtMaterialDescribe, FindingMaterialsByNameClassAndSlot) {
  PwObjectLibrary& lib = *Library();
  EXPECT_EQ(FindMaterials(lib, "Default").size(), 7u);
  EXPECT_EQ(FindMaterials(lib, "Default", PW_PAINT_CLASS_ID), (std::vector<int>{0, 1}));
  EXPECT_EQ(FindMaterials(lib, "Cel"),
            (std::vector<int>{lib.Find(PW_ORIGIN_PRESET, 305), lib.Find(PW_ORIGIN_PRESET, 404)}));
  EXPECT_EQ(FindMaterials(lib, "Cel", PW_STYLE_CLASS_ID), (std::vector<int>{lib.Find(PW_ORIGIN_PRESET, 404)}));
  EXPECT_EQ(FindMaterials(lib, "#5"), (std::vector<int>{5}));
  EXPECT_TRUE(FindMaterials(lib, "#5", PW_BRUSH_CLASS_ID).empty());
  EXPECT_TRUE(FindMaterials(lib, "#65").empty());
  EXPECT_TRUE(FindMaterials(lib, "#").empty());
  EXPECT_TRUE(FindMaterials(lib, "cel").empty()) << "names match exactly";
  ASSERT_NE(FindArtMaterialClass("Brushes"), nullptr);
  EXPECT_EQ(FindArtMaterialClass("Brushes")->id, PW_BRUSH_CLASS_ID);
  EXPECT_EQ(FindArtMaterialClass("gradient"), nullptr);
}

TEST_F(ArtMaterialDescribe, ListingShowsEverySlotInOrder) {
  PwObjectLibrary& lib = *Library();
  const std::vector<LibraryListEntry> entries = ListLibrary(lib);
  ASSERT_EQ(entries.size(), 65u);
  EXPECT_EQ(entries.front().className, "Paint");
  EXPECT_EQ(entries.back().name, "Max Material");
  EXPECT_EQ(entries.back().className, "Style");
  EXPECT_EQ(entries.back().number, 407);
  EXPECT_EQ(OriginName(entries.back().origin), "preset");
  lib.Remove(10, true);
  const std::vector<LibraryListEntry> after = ListLibrary(lib);
  ASSERT_EQ(after.size(), 64u);
  EXPECT_EQ(after[10].slot, 11) << "slots are not renumbered";
}

}  // namespace
}  // namespace pw::test
