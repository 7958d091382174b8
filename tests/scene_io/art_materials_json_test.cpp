#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numbers>

#include "library/library_materials.h"
#include "library/style_assignment.h"
#include "plugin/class_ids.h"
#include "art_materials_fixture.h"
#include "styles/stroke.h"
#include "styles/stroke_patterns.h"
#include "styles/style.h"
#include "surfaces/brush.h"
#include "surfaces/paint.h"
#include "surfaces/surface.h"

namespace pw::test {
namespace {

constexpr float kDeg = std::numbers::pi_v<float> / 180.0f;

template <class T>
T* Named(PwObjectLibrary& lib, host::Class_ID id, const std::string& name) {
  return dynamic_cast<T*>(lib.Get(lib.Find(id, name)));
}

PwStyleDrawingTools* Tools(const PwStyle& style, int kind, int sub, int where) {
  PwStyleTreeItem* item = style.GetLineKindItem(kind, sub);
  PwStyleTreeItem* child = item ? item->GetChild(where) : nullptr;
  return child ? dynamic_cast<PwStyleDrawingTools*>(child->GetData()) : nullptr;
}

bool WhereOn(const PwStyle& style, int kind, int sub, int where) {
  PwStyleTreeItem* item = style.GetLineKindItem(kind, sub);
  PwStyleTreeItem* child = item ? item->GetChild(where) : nullptr;
  return child && child->IsOn();
}

using ArtMaterialsJson = ArtMaterialsTest;

TEST_F(ArtMaterialsJson, WithoutASectionTheSceneGetsTheFreshLibraryAndNamedStyles) {
  host::INode* box = Mesh("Box", "Hidden-line");
  host::INode* plain = Mesh("Plain");
  std::string error;
  ASSERT_TRUE(ApplyArtMaterialsJson(nullptr, *scene, "scene.json", &error)) << error;
  PwObjectLibrary* lib = Library();
  EXPECT_EQ(lib->Used(), PW_DEFAULT_COUNT + PW_PRESET_COUNT);
  EXPECT_EQ(ReadStyleAssignment(*box, lib), (StyleAssignment{lib->LibraryId(), lib->Find(PW_ORIGIN_PRESET, 401)}));
  EXPECT_FALSE(plain->UserPropExists(PW_PROP_PROPERTIES_VERSION));
  EXPECT_EQ(StyleOfNode(*plain, *lib), lib->Get(DefaultStyleSlot(*lib)));
}

TEST_F(ArtMaterialsJson, UserToolsFromPresetsAndFromScratch) {
  std::string error;
  const char* json = R"j({
    "brushes": [
      {"name": "Fat", "from": "Square (2 pixels)", "size": 5},
      {"name": "Thin", "shape": "circle", "size": 0.25, "scaleRelative": false},
      {"name": "Metric", "sizeUnits": "millimeters", "size": 2}
    ],
    "paints": [
      {"name": "Ink", "color": [0.1, 0.2, 0.3]},
      {"name": "Glow", "from": "Object's Specular", "brightness": 1.5},
      {"name": "Shade", "useObjectColor": true, "source": "ambient", "color": [1, 0, 0]}
    ],
    "strokes": [
      {"name": "Dots", "pattern": "Dotted", "scale": 2, "capping": "none"},
      {"name": "Mask", "pattern": 4042322160}
    ],
    "surfaces": [
      {"name": "Off", "kind": "None"},
      {"name": "Toony", "kind": "Toon", "toonPreset": "Comic", "smoothShaded": true}
    ]
  })j";
  ASSERT_TRUE(Apply(json, &error)) << error;
  PwObjectLibrary& lib = *Library();
  EXPECT_EQ(lib.Used(), PW_DEFAULT_COUNT + PW_PRESET_COUNT + 10);

  auto* fat = Named<PwBrush>(lib, PW_BRUSH_CLASS_ID, "Fat");
  ASSERT_NE(fat, nullptr);
  EXPECT_EQ(fat->GetOrigin(), PW_ORIGIN_USER);
  EXPECT_EQ(fat->GetNumber(), PW_NUMBER_NONE);
  EXPECT_EQ(fat->GetShape(), BrushShape::Square) << "kept from the preset";
  EXPECT_NEAR(fat->GetSizePixels(0), 5.0, 1e-4);
  auto* thin = Named<PwBrush>(lib, PW_BRUSH_CLASS_ID, "Thin");
  ASSERT_NE(thin, nullptr);
  EXPECT_NEAR(thin->GetSizePixels(0), 0.25, 1e-4);
  EXPECT_FALSE(thin->GetScaleRelative());
  auto* metric = Named<PwBrush>(lib, PW_BRUSH_CLASS_ID, "Metric");
  ASSERT_NE(metric, nullptr);
  EXPECT_EQ(metric->GetUnits(), OutputUnit::Millimeters);
  EXPECT_NEAR(metric->GetSizeInUnits(0), 2.0, 1e-4);

  auto* ink = Named<PwPaint>(lib, PW_PAINT_CLASS_ID, "Ink");
  ASSERT_NE(ink, nullptr);
  EXPECT_FALSE(ink->GetUseObjectColor()) << "a colour given is the colour drawn";
  EXPECT_NEAR(ink->GetCustomColor(0).g, 0.2f, 1e-6f);
  auto* glow = Named<PwPaint>(lib, PW_PAINT_CLASS_ID, "Glow");
  ASSERT_NE(glow, nullptr);
  EXPECT_TRUE(glow->GetUseObjectColor());
  EXPECT_EQ(glow->GetObjectColorSource(), ObjectColorSource::Specular);
  EXPECT_FLOAT_EQ(glow->GetBrightness(0), 1.5f);
  auto* shade = Named<PwPaint>(lib, PW_PAINT_CLASS_ID, "Shade");
  ASSERT_NE(shade, nullptr);
  EXPECT_TRUE(shade->GetUseObjectColor());
  EXPECT_EQ(shade->GetObjectColorSource(), ObjectColorSource::Ambient);

  auto* dots = Named<PwStroke>(lib, PW_STROKE_CLASS_ID, "Dots");
  ASSERT_NE(dots, nullptr);
  EXPECT_EQ(dots->GetPattern(), static_cast<std::int32_t>(GetStrokePattern(2)->mask));
  EXPECT_FLOAT_EQ(dots->GetScale(0), 2.0f);
  EXPECT_EQ(dots->GetCapping(), 0);
  auto* mask = Named<PwStroke>(lib, PW_STROKE_CLASS_ID, "Mask");
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(static_cast<std::uint32_t>(mask->GetPattern()), 4042322160u);

  auto* off = Named<PwSurface>(lib, PW_SURFACE_CLASS_ID, "Off");
  ASSERT_NE(off, nullptr);
  EXPECT_EQ(off->GetKind(), SurfaceKind::None);
  auto* toony = Named<PwSurface>(lib, PW_SURFACE_CLASS_ID, "Toony");
  ASSERT_NE(toony, nullptr);
  EXPECT_EQ(toony->GetKind(), SurfaceKind::Toon);
  EXPECT_FLOAT_EQ(toony->GetToonMaterial()->GetParam(kToonLightsIntensityShading), 1.0f);
}

TEST_F(ArtMaterialsJson, StyleFromAPresetWithItsOwnTools) {
  host::INode* box = Mesh("Box", "Blueprint");
  std::string error;
  const char* json = R"j({
    "brushes": [{"name": "Fat", "from": "Circle (4 pixels)"}],
    "paints": [{"name": "Blueprint Blue", "color": [0.2, 0.3, 0.9]}],
    "surfaces": [{"name": "Off", "kind": "None"}],
    "styles": [{
      "name": "Blueprint", "from": "Hidden-line",
      "surface": "Off", "surfaceOn": true, "forceAllLinesVisible": false,
      "edgeSmoothingOn": true, "edgeSmoothingCurvature": 0.25, "edgeSmoothingSteps": 8,
      "lines": {
        "Fold": {"visible": {"brush": "Fat", "paint": "Blueprint Blue"}},
        "Silhouette": {"on": true, "hidden": {"on": true, "stroke": "Dotted"}},
        "Crease": {"on": false}
      }
    }]
  })j";
  ASSERT_TRUE(Apply(json, &error)) << error;
  PwObjectLibrary& lib = *Library();
  auto* style = Named<PwStyle>(lib, PW_STYLE_CLASS_ID, "Blueprint");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(StyleOfNode(*box, lib), style);
  EXPECT_EQ(ReadStyleAssignment(*box, &lib).slot, lib.IndexOf(style));

  EXPECT_EQ(style->GetSurface(), lib.Get(lib.Find(PW_SURFACE_CLASS_ID, "Off")));
  EXPECT_FALSE(style->DrawsSurface()) << "the surface kind query must be installed";
  EXPECT_TRUE(style->GetEdgeSmoothingOn());
  EXPECT_FLOAT_EQ(style->GetEdgeSmoothingCurvature(), 0.25f);
  EXPECT_EQ(style->GetEdgeSmoothingSteps(), 8);

  PwStyleDrawingTools* foldVisible = Tools(*style, LINE_KIND_FOLD, -1, STYLE_WHERE_VISIBLE);
  ASSERT_NE(foldVisible, nullptr);
  EXPECT_EQ(foldVisible->GetBrush(), lib.Get(lib.Find(PW_BRUSH_CLASS_ID, "Fat")));
  EXPECT_EQ(foldVisible->GetPaint(), lib.Get(lib.Find(PW_PAINT_CLASS_ID, "Blueprint Blue")));
  EXPECT_EQ(foldVisible->GetStroke(), lib.Get(lib.Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_STROKE)));
  // Kept from the preset: hidden folds are dashed.
  EXPECT_TRUE(WhereOn(*style, LINE_KIND_FOLD, -1, STYLE_WHERE_HIDDEN));
  EXPECT_EQ(Tools(*style, LINE_KIND_FOLD, -1, STYLE_WHERE_HIDDEN)->GetStroke()->GetName(), "Dashed");
  EXPECT_FALSE(style->IsLineKindOn(LINE_KIND_CREASE));
  EXPECT_TRUE(style->IsLineKindOn(LINE_KIND_SILHOUETTE));
  EXPECT_EQ(Tools(*style, LINE_KIND_SILHOUETTE, -1, STYLE_WHERE_HIDDEN)->GetStroke()->GetName(), "Dotted");

  // The preset itself is untouched, and still shares its tools.
  auto* preset = Named<PwStyle>(lib, PW_STYLE_CLASS_ID, "Hidden-line");
  ASSERT_NE(preset, nullptr);
  EXPECT_EQ(Tools(*preset, LINE_KIND_FOLD, -1, STYLE_WHERE_VISIBLE)->GetBrush(),
            lib.Get(lib.Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH)));
  EXPECT_TRUE(preset->IsLineKindOn(LINE_KIND_CREASE));
}

TEST_F(ArtMaterialsJson, StyleFromTheDefaultTreeWithOrderSubItemsAndContours) {
  std::string error;
  const char* json = R"j({
    "styles": [{
      "name": "Study",
      "lineOrder": ["Silhouette", "Contours"],
      "lines": {
        "Angle": {"on": true, "minAngle": 30, "maxAngle": 90},
        "Edge IDs": {"on": true, "count": 3, "items": [{"on": false}, {"on": true, "visible": {"brush": "Circle (3 pixels)"}}]},
        "Contours": {"on": true, "items": [
          {}, {}, {}, {}, {}, {},
          {"on": true, "contour": {"type": "position", "positionAxis": "World Z", "positionSteps": 7},
           "hidden": {"on": true}}
        ]}
      }
    }, {
      "name": "Study copy", "from": "Study"
    }]
  })j";
  ASSERT_TRUE(Apply(json, &error)) << error;
  PwObjectLibrary& lib = *Library();
  auto* style = Named<PwStyle>(lib, PW_STYLE_CLASS_ID, "Study");
  ASSERT_NE(style, nullptr);

  // Listed kinds first, the others after them in their former order.
  const int expected[kLineKindCount] = {8, 9, 0, 1, 2, 3, 4, 5, 6, 7};
  for (int p = 0; p < kLineKindCount; ++p) EXPECT_EQ(style->GetLineOrder(p), expected[p]) << p;

  EXPECT_NEAR(style->GetEdgeAngle()->GetMinAngle(), 30 * kDeg, 1e-5f);
  EXPECT_NEAR(style->GetEdgeAngle()->GetMaxAngle(), 90 * kDeg, 1e-5f);

  ASSERT_EQ(style->GetSubItemCount(LINE_KIND_EDGE_IDS), 3);
  EXPECT_FALSE(style->GetLineKindItem(LINE_KIND_EDGE_IDS, 0)->IsOn());
  EXPECT_TRUE(style->GetLineKindItem(LINE_KIND_EDGE_IDS, 1)->IsOn());
  EXPECT_EQ(Tools(*style, LINE_KIND_EDGE_IDS, 1, STYLE_WHERE_VISIBLE)->GetBrush()->GetName(), "Circle (3 pixels)");
  EXPECT_EQ(Tools(*style, LINE_KIND_EDGE_IDS, 0, STYLE_WHERE_VISIBLE)->GetBrush(),
            lib.Get(lib.Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH)));

  // Seven items listed: the count grows to hold them.
  ASSERT_EQ(style->GetSubItemCount(LINE_KIND_CONTOURS), 7);
  EXPECT_EQ(style->GetLineKindItem(LINE_KIND_CONTOURS, 6)->GetLabel(), "Contour #7");
  EXPECT_TRUE(style->GetLineKindItem(LINE_KIND_CONTOURS, 6)->IsOn());
  PwStyleLineContour* contour = style->GetLineContour(6);
  ASSERT_NE(contour, nullptr);
  EXPECT_EQ(contour->GetType(), LINE_CONTOUR_BY_POSITION);
  EXPECT_EQ(contour->GetPosAxis(), 5);
  EXPECT_EQ(contour->GetPosSteps(), 7);
  EXPECT_FALSE(style->OnlyVisibleLinesWanted());

  auto* copy = Named<PwStyle>(lib, PW_STYLE_CLASS_ID, "Study copy");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetSubItemCount(LINE_KIND_CONTOURS), 7);
  EXPECT_EQ(copy->GetLineOrder(0), LINE_KIND_SILHOUETTE);
}

TEST_F(ArtMaterialsJson, DefaultStyleGoesToEveryGeometryNodeWithoutOne) {
  host::INode* own = Mesh("Own", "Outlines");
  host::INode* other = Mesh("Other");
  host::INode* dummy = scene->CreateNode("Dummy", new host::DummyObject());
  std::string error;
  ASSERT_TRUE(Apply(R"j({"defaultStyle": "Cel"})j", &error)) << error;
  PwObjectLibrary& lib = *Library();
  EXPECT_EQ(StyleOfNode(*own, lib)->GetName(), "Outlines");
  EXPECT_EQ(StyleOfNode(*other, lib)->GetName(), "Cel");
  EXPECT_EQ(ReadStyleAssignment(*other, &lib).slot, lib.Find(PW_ORIGIN_PRESET, 404));
  EXPECT_FALSE(dummy->UserPropExists(PW_PROP_PROPERTIES_VERSION));
}

struct ErrorCase {
  const char* label;
  const char* json;
  const char* expected;  // a part of the message
};

TEST_F(ArtMaterialsJson, MistakesAreErrorsThatSayWhatThereIs) {
  const ErrorCase cases[] = {
      {"unknown brush", R"j({"styles": [{"name": "S", "lines": {"Fold": {"visible": {"brush": "Fatt"}}}}]})j",
       "scene.json: artMaterials.styles[0].lines.Fold.visible.brush: no brush is named 'Fatt'; the brushes are "
       "'Default', 'Circle (0.5 pixels)', "},
      {"unknown paint", R"j({"styles": [{"name": "S", "lines": {"Fold": {"hidden": {"paint": "Mauve"}}}}]})j",
       "no paint is named 'Mauve'; the paints are 'Default', 'Object's Ambient', "},
      {"unknown surface", R"j({"styles": [{"name": "S", "surface": "Shiny"}]})j",
       "artMaterials.styles[0].surface: no surface is named 'Shiny'; the surfaces are 'Default', 'Matte', "
       "'Max Material', 'Flat', 'Cartoon', 'Comic', 'Cel' and 'Flat (Smooth Shaded)'"},
      {"unknown source", R"j({"strokes": [{"name": "X", "from": "Dash"}]})j",
       "artMaterials.strokes[0].from: no stroke is named 'Dash'; the strokes are 'Default', 'Solid', 'Dashed', "},
      {"unknown default style", R"j({"defaultStyle": "Toon"})j",
       "artMaterials.defaultStyle: no style is named 'Toon'; the styles are 'Default', 'Outlines', "},
      {"unknown line kind", R"j({"styles": [{"name": "S", "lines": {"Folds": {}}}]})j",
       "artMaterials.styles[0].lines.Folds: 'Folds' is not a line kind; the kinds are 'Fold', 'Crease', "},
      {"unknown kind in the order", R"j({"styles": [{"name": "S", "lineOrder": ["Fold", "Outline"]}]})j",
       "artMaterials.styles[0].lineOrder[1]: 'Outline' is not one of 'Fold', "},
      {"kind twice in the order", R"j({"styles": [{"name": "S", "lineOrder": ["Fold", "Fold"]}]})j",
       "lineOrder[1]: 'Fold' is listed twice"},
      {"unknown key", R"j({"brushes": [{"name": "B", "width": 3}]})j", "artMaterials.brushes[0].width: unknown key"},
      {"unknown section", R"j({"canvases": []})j", "artMaterials.canvases: unknown key"},
      {"name taken", R"j({"brushes": [{"name": "Circle (1 pixel)"}]})j",
       "artMaterials.brushes[0].name: the library has a brush named 'Circle (1 pixel)' already"},
      {"name twice", R"j({"paints": [{"name": "P"}, {"name": "P"}]})j",
       "artMaterials.paints[1].name: the library has a paint named 'P' already"},
      {"no name", R"j({"surfaces": [{"kind": "Matte"}]})j", "artMaterials.surfaces[0]: a surface needs a \"name\""},
      {"bad pattern", R"j({"strokes": [{"name": "X", "pattern": "Wavy"}]})j",
       "artMaterials.strokes[0].pattern: 'Wavy' is not one of 'Solid', 'Dashed', "},
      {"fractional mask", R"j({"strokes": [{"name": "X", "pattern": 1.5}]})j", "32-bit mask as a whole number"},
      {"too many items", R"j({"styles": [{"name": "S", "lines": {"Edge IDs": {"count": 1, "items": [{}, {}]}}}]})j",
       "artMaterials.styles[0].lines.Edge IDs.items: 2 items for a count of 1"},
      {"tools on a kind with items", R"j({"styles": [{"name": "S", "lines": {"Contours": {"visible": {}}}}]})j",
       "lines.Contours.visible: unknown key"},
      {"contour on edge ids", R"j({"styles": [{"name": "S", "lines": {"Edge IDs": {"items": [{"contour": {}}]}}}]})j",
       "items[0].contour: unknown key"},
      {"angle out of range", R"j({"styles": [{"name": "S", "lines": {"Angle": {"maxAngle": 200}}}]})j",
       "lines.Angle.maxAngle: 200 is out of range"},
      {"brush used as paint",
       R"j({"styles": [{"name": "S", "lines": {"Fold": {"visible": {"paint": "Circle (1 pixel)"}}}}]})j",
       "no paint is named 'Circle (1 pixel)'"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.label);
    scene = std::make_unique<host::Scene>();
    std::string error;
    EXPECT_FALSE(Apply(c.json, &error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

TEST_F(ArtMaterialsJson, NodeNamingAnUnknownStyleIsAnErrorListingTheStyles) {
  Mesh("Box", "Hidden line");
  std::string error;
  EXPECT_FALSE(Apply(R"j({"styles": [{"name": "Mine"}]})j", &error));
  EXPECT_NE(error.find("scene.json: node 'Box': no style is named 'Hidden line'; the styles are 'Default', "
                       "'Outlines', 'Hidden-line', "),
            std::string::npos)
      << error;
  EXPECT_NE(error.find("'Max Material' and 'Mine'"), std::string::npos) << error;
}

TEST_F(ArtMaterialsJson, TheSectionIsTakenFromTheDescriptionWithTheScene) {
  const auto path = std::filesystem::temp_directory_path() / "pw_art_materials_test.json";
  {
    std::ofstream out(path);
    out << R"j({"meshes": [{"name": "Tri", "vertices": [[0, 0, 0], [1, 0, 0], [0, 1, 0]], "faces": [[0, 1, 2]]}],
               "nodes": [{"name": "Box", "mesh": "Tri"}],
               "artMaterials": {"paints": [{"name": "Ink", "color": [0, 0, 0]}], "defaultStyle": "Comic"}})j";
  }
  std::string error;
  host::SceneInputInfo info;
  ASSERT_TRUE(LoadSceneWithArtMaterials(path.string(), *scene, &error, &info)) << error;
  EXPECT_EQ(info.format, "json");
  PwObjectLibrary& lib = *Library();
  EXPECT_GE(lib.Find(PW_PAINT_CLASS_ID, "Ink"), 0);
  host::INode* box = host::FindNodeByName(scene->Root(), "Box");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(StyleOfNode(*box, lib)->GetName(), "Comic");

  // The section's errors are located in the description file.
  std::ofstream(path) << R"j({"artMaterials": {"styles": 3}})j";
  scene = std::make_unique<host::Scene>();
  EXPECT_FALSE(LoadSceneWithArtMaterials(path.string(), *scene, &error));
  EXPECT_NE(error.find(path.string() + ": artMaterials.styles: expected an array"), std::string::npos) << error;
  // A model file has no section; its nodes' style names still apply.
  scene = std::make_unique<host::Scene>();
  EXPECT_TRUE(LoadSceneWithArtMaterials(std::string(PW_TESTDATA_DIR) + "/bevelcube.obj", *scene, &error)) << error;
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace pw::test
