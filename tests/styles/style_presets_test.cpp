#include <gtest/gtest.h>

#include "library/library_materials.h"
#include "library/library_state.h"
#include "style_fixture.h"

namespace pw::test {
namespace {

using StylePresetTest = StyleTest;

constexpr int kOutlineKinds[] = {LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_SURFACE_INTERSECTION};

TEST_F(StylePresetTest, EveryPresetHasItsSettings) {
  PwObjectLibrary* lib = MakeLibrary();
  ASSERT_NE(lib, nullptr);
  PwObject* defBrush = Material(*lib, PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH);
  PwObject* defPaint = Material(*lib, PW_ORIGIN_DEFAULT, PW_DEFAULT_PAINT_CUSTOM);
  PwObject* defStroke = Material(*lib, PW_ORIGIN_DEFAULT, PW_DEFAULT_STROKE);
  PwObject* defSurface = Material(*lib, PW_ORIGIN_DEFAULT, PW_DEFAULT_SURFACE);
  ASSERT_TRUE(defBrush && defPaint && defStroke && defSurface);

  struct Expected {
    int number;
    const char* name;
    bool surfaceOn;
    int surfacePreset;       // -1: the default surface
    bool force;
    bool intersectionsOn;
    bool hiddenOn;           // Fold, Crease, Surface Intersection "Where Hidden"
    int hiddenStrokePreset;  // -1: default stroke
    int visibleBrushPreset;  // -1: default brush
    int visiblePaintPreset;  // Fold and Crease "Where Visible"; -1: default paint
  };
  const Expected presets[] = {
      {400, "Outlines", false, -1, false, true, false, -1, -1, -1},
      {401, "Hidden-line", false, -1, false, true, true, 101, -1, -1},
      {402, "Wireframe", false, -1, true, false, false, -1, -1, 203},
      {403, "Flat Toon", true, 302, false, true, false, -1, 2, -1},
      {404, "Cel", true, 305, false, true, false, -1, 2, -1},
      {405, "Comic", true, 304, false, true, false, -1, 2, -1},
      {406, "Cartoon", true, 303, false, true, false, -1, 2, -1},
      {407, "Max Material", true, 301, false, true, false, -1, 2, -1},
  };
  auto preset = [&](int number, PwObject* fallback) {
    return number < 0 ? fallback : Material(*lib, PW_ORIGIN_PRESET, number);
  };
  for (const Expected& e : presets) {
    SCOPED_TRACE(e.name);
    auto* style = dynamic_cast<PwStyle*>(Material(*lib, PW_ORIGIN_PRESET, e.number));
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->GetName(), e.name);
    EXPECT_EQ(style->IsSurfaceOn(), e.surfaceOn);
    EXPECT_EQ(style->GetSurface(), preset(e.surfacePreset, defSurface));
    EXPECT_EQ(style->GetForceAllLinesVisible(), e.force);
    EXPECT_TRUE(style->IsLineKindOn(LINE_KIND_FOLD));
    EXPECT_TRUE(style->IsLineKindOn(LINE_KIND_CREASE));
    EXPECT_EQ(style->IsLineKindOn(LINE_KIND_SURFACE_INTERSECTION), e.intersectionsOn);
    EXPECT_FALSE(style->IsLineKindOn(LINE_KIND_SILHOUETTE));
    for (int kind : kOutlineKinds) {
      SCOPED_TRACE(kind);
      PwStyleDrawingTools* visible = WhereTools(*style, kind, -1, STYLE_WHERE_VISIBLE);
      PwStyleDrawingTools* hidden = WhereTools(*style, kind, -1, STYLE_WHERE_HIDDEN);
      ASSERT_TRUE(visible && hidden);
      EXPECT_EQ(WhereOn(*style, kind, -1, STYLE_WHERE_HIDDEN), e.hiddenOn);
      EXPECT_EQ(hidden->GetStroke(), preset(e.hiddenStrokePreset, defStroke));
      EXPECT_EQ(visible->GetStroke(), defStroke);
      EXPECT_EQ(visible->GetBrush(), preset(e.visibleBrushPreset, defBrush));
      const bool paintedKind = kind != LINE_KIND_SURFACE_INTERSECTION;
      EXPECT_EQ(visible->GetPaint(), paintedKind ? preset(e.visiblePaintPreset, defPaint) : defPaint);
    }
    // Kinds the presets leave alone keep the defaults.
    EXPECT_EQ(WhereTools(*style, LINE_KIND_ALL, -1, STYLE_WHERE_VISIBLE)->GetBrush(), defBrush);
    EXPECT_EQ(style->OnlyVisibleLinesWanted(), !e.hiddenOn && !e.force);
  }

  auto* def = dynamic_cast<PwStyle*>(Material(*lib, PW_ORIGIN_DEFAULT, PW_DEFAULT_STYLE));
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->GetName(), "Default");
  EXPECT_TRUE(def->IsSurfaceOn());
  EXPECT_EQ(def->GetSurface(), defSurface);
  EXPECT_EQ(WhereTools(*def, LINE_KIND_FOLD, -1, STYLE_WHERE_VISIBLE)->GetPaint(), defPaint);
}

TEST_F(StylePresetTest, PresetsPointIntoTheirOwnLibrary) {
  // A second library, not current, must not borrow the first one's tools.
  PwObjectLibrary* first = MakeLibrary();
  SetMergingLibraries(true);
  PwObjectLibrary* second = MakeLibrary();
  SetMergingLibraries(false);
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(second->IsTemporary());
  second->AddMissingLibraryMaterials();
  auto* style = dynamic_cast<PwStyle*>(Material(*second, PW_ORIGIN_PRESET, 401));
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->GetSurface(), Material(*second, PW_ORIGIN_DEFAULT, PW_DEFAULT_SURFACE));
  EXPECT_EQ(WhereTools(*style, LINE_KIND_FOLD, -1, STYLE_WHERE_HIDDEN)->GetStroke(),
            Material(*second, PW_ORIGIN_PRESET, 101));
  EXPECT_EQ(WhereTools(*style, LINE_KIND_FOLD, -1, STYLE_WHERE_VISIBLE)->GetBrush(),
            Material(*second, PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH));
}

}  // namespace
}  // namespace pw::test
