#include <gtest/gtest.h>

#include <string>

#include "library/library_materials.h"
#include "style_fixture.h"

namespace pw::test {
namespace {

class StyleTreeTest : public StyleTest {
 protected:
  void SetUp() override {
    StyleTest::SetUp();
    lib = MakeLibrary();
    ASSERT_NE(lib, nullptr);
    style = NewStyle(*lib);
  }
  PwObject* Default(int number) { return Material(*lib, PW_ORIGIN_DEFAULT, number); }

  PwObjectLibrary* lib = nullptr;
  PwStyle* style = nullptr;
};

TEST_F(StyleTreeTest, NewStyleDrawsFoldCreaseAndIntersectionsVisibleOnly) {
  PwStyleTreeItem* root = style->GetRootItem();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->GetLabel(), "");
  ASSERT_EQ(root->GetChildCount(), 2);
  EXPECT_EQ(style->GetSurfaceItem()->GetLabel(), "Surface");
  EXPECT_EQ(style->GetLinesItem()->GetLabel(), "Lines");
  EXPECT_TRUE(style->IsSurfaceOn());
  EXPECT_TRUE(style->AreLinesOn());
  EXPECT_EQ(style->GetSurface(), Default(PW_DEFAULT_SURFACE));
  EXPECT_TRUE(style->DrawsSurface());
  EXPECT_TRUE(style->OnlyVisibleLinesWanted());
  EXPECT_FALSE(style->GetForceAllLinesVisible());
  EXPECT_FALSE(style->GetEdgeSmoothingOn());
  EXPECT_FLOAT_EQ(style->GetEdgeSmoothingCurvature(), 0.5f);
  EXPECT_EQ(style->GetEdgeSmoothingSteps(), 6);

  ASSERT_EQ(style->GetLinesItem()->GetChildCount(), kLineKindCount);
  for (int kind = 0; kind < kLineKindCount; ++kind) {
    SCOPED_TRACE(kind);
    PwStyleTreeItem* item = style->GetLineKindItem(kind);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetLabel(), LineKindLabel(kind));
    EXPECT_EQ(item->IsOn(), kind <= LINE_KIND_SURFACE_INTERSECTION);
    EXPECT_EQ(style->GetLineOrder(kind), kind);
    EXPECT_EQ(style->GetSubItemCount(kind), LineKindHasSubItems(kind) ? 5 : 0);
    const int subs = LineKindHasSubItems(kind) ? 5 : 1;
    for (int s = 0; s < subs; ++s) {
      const int sub = LineKindHasSubItems(kind) ? s : -1;
      PwStyleTreeItem* where = style->GetLineKindItem(kind, sub);
      ASSERT_EQ(where->GetChildCount(), 2);
      EXPECT_EQ(where->GetChild(STYLE_WHERE_VISIBLE)->GetLabel(), "Where Visible");
      EXPECT_EQ(where->GetChild(STYLE_WHERE_HIDDEN)->GetLabel(), "Where Hidden");
      EXPECT_TRUE(WhereOn(*style, kind, sub, STYLE_WHERE_VISIBLE));
      EXPECT_FALSE(WhereOn(*style, kind, sub, STYLE_WHERE_HIDDEN));
      for (int where_ : {STYLE_WHERE_VISIBLE, STYLE_WHERE_HIDDEN}) {
        PwStyleDrawingTools* tools = WhereTools(*style, kind, sub, where_);
        ASSERT_NE(tools, nullptr);
        EXPECT_EQ(tools->GetBrush(), Default(PW_DEFAULT_BRUSH));
        EXPECT_EQ(tools->GetPaint(), Default(PW_DEFAULT_PAINT_CUSTOM));
        EXPECT_EQ(tools->GetStroke(), Default(PW_DEFAULT_STROKE));
      }
    }
  }
  // Sub-items: numbered from 1, only the first on, contours with settings.
  for (int s = 0; s < 5; ++s) {
    EXPECT_EQ(style->GetLineKindItem(LINE_KIND_EDGE_IDS, s)->GetLabel(), "ID #" + std::to_string(s + 1));
    EXPECT_EQ(style->GetLineKindItem(LINE_KIND_CONTOURS, s)->GetLabel(), "Contour #" + std::to_string(s + 1));
    EXPECT_EQ(style->GetLineKindItem(LINE_KIND_EDGE_IDS, s)->IsOn(), s == 0);
    ASSERT_NE(style->GetLineContour(s), nullptr);
    EXPECT_EQ(style->GetLineContour(s)->GetAngleSteps(), 20);
  }
  ASSERT_NE(style->GetEdgeAngle(), nullptr);
  EXPECT_FLOAT_EQ(style->GetEdgeAngle()->GetMaxAngle(), 3.1415927f);
}

TEST_F(StyleTreeTest, DefaultPiecesUseVisibleToolsOnly) {
  const LinePieceTools tools = style->GetLinePieceTools(LINE_KIND_FOLD, -1);
  EXPECT_EQ(tools.visible, WhereTools(*style, LINE_KIND_FOLD, -1, STYLE_WHERE_VISIBLE));
  EXPECT_EQ(tools.hidden, nullptr);
}

TEST_F(StyleTreeTest, OutOfRangeLookupsAnswerNothing) {
  EXPECT_EQ(style->GetLineKindItem(-1), nullptr);
  EXPECT_EQ(style->GetLineKindItem(kLineKindCount), nullptr);
  EXPECT_EQ(style->GetLineKindItem(LINE_KIND_FOLD, 2), nullptr);
  EXPECT_EQ(style->GetLineKindItem(LINE_KIND_EDGE_IDS, 5), nullptr);
  EXPECT_EQ(style->GetLineOrder(10), -1);
  EXPECT_FALSE(style->SetLineOrder(LINE_KIND_FOLD, -1));
  EXPECT_EQ(style->GetLineContour(5), nullptr);
  EXPECT_EQ(style->GetLineContour(-1), nullptr);
  const LinePieceTools none = style->GetLinePieceTools(LINE_KIND_CONTOURS, 9);
  EXPECT_EQ(none.visible, nullptr);
  EXPECT_EQ(none.hidden, nullptr);
  EXPECT_EQ(WhereTools(*style, LINE_KIND_FOLD, -1, 0)->GetTool(3), nullptr);
}

TEST_F(StyleTreeTest, SubItemCounts) {
  EXPECT_EQ(style->SetSubItemCount(LINE_KIND_EDGE_IDS, 0), 1);
  EXPECT_EQ(style->GetSubItemCount(LINE_KIND_EDGE_IDS), 1);
  EXPECT_EQ(style->GetLineKindItem(LINE_KIND_EDGE_IDS, 0)->GetLabel(), "ID #1");
  EXPECT_TRUE(style->GetLineKindItem(LINE_KIND_EDGE_IDS, 0)->IsOn());

  style->SetSubItemCount(LINE_KIND_EDGE_IDS, 5);
  style->GetLineKindItem(LINE_KIND_EDGE_IDS, 3)->SetOn(true);
  EXPECT_EQ(style->SetSubItemCount(LINE_KIND_EDGE_IDS, 7), 7);
  for (int s : {5, 6}) {
    PwStyleTreeItem* sub = style->GetLineKindItem(LINE_KIND_EDGE_IDS, s);
    EXPECT_EQ(sub->GetLabel(), "ID #" + std::to_string(s + 1));
    EXPECT_FALSE(sub->IsOn());
    EXPECT_EQ(WhereTools(*style, LINE_KIND_EDGE_IDS, s, STYLE_WHERE_VISIBLE)->GetBrush(), Default(PW_DEFAULT_BRUSH));
  }
  // Growing keeps what was there, and the order is the identity again.
  EXPECT_TRUE(style->GetLineKindItem(LINE_KIND_EDGE_IDS, 3)->IsOn());
  for (int p = 0; p < 7; ++p) EXPECT_EQ(style->GetLineKindItem(LINE_KIND_EDGE_IDS)->GetPriority(p), p);

  EXPECT_EQ(style->SetSubItemCount(LINE_KIND_CONTOURS, 3), 3);
  EXPECT_EQ(style->GetSubItemCount(LINE_KIND_CONTOURS), 3);
  EXPECT_EQ(style->SetSubItemCount(LINE_KIND_CONTOURS, 4), 4);
  EXPECT_NE(style->GetLineContour(3), nullptr);
  EXPECT_EQ(style->GetLineKindItem(LINE_KIND_CONTOURS, 3)->GetLabel(), "Contour #4");

  // Other kinds have no sub-items and are left alone; absurd counts are capped.
  EXPECT_EQ(style->SetSubItemCount(LINE_KIND_FOLD, 4), 0);
  EXPECT_EQ(style->GetLineKindItem(LINE_KIND_FOLD)->GetChildCount(), 2);
  EXPECT_EQ(style->GetSubItemCount(LINE_KIND_FOLD), 0);
  EXPECT_EQ(style->SetSubItemCount(LINE_KIND_EDGE_IDS, 2000000000), kStyleMaxSubItems);
}

TEST_F(StyleTreeTest, EdgeIdsGoToTheirSubItemModuloTheCount) {
  style->SetSubItemCount(LINE_KIND_EDGE_IDS, 4);
  style->GetLineKindItem(LINE_KIND_EDGE_IDS, 0)->SetOn(false);
  style->GetLineKindItem(LINE_KIND_EDGE_IDS, 1)->SetOn(true);
  const struct {
    int id, sub;
    bool drawn;
  } cases[] = {{5, 1, true}, {4, 0, false}, {1, 1, true}, {9, 1, true}, {3, 3, false}, {-3, 1, true}, {-4, 0, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(style->EdgeIdSubItem(c.id), c.sub) << c.id;
    EXPECT_EQ(style->IsEdgeIdDrawn(c.id), c.drawn) << c.id;
  }
}

TEST_F(StyleTreeTest, AngleRangeIsClamped) {
  const struct {
    float min, max, usedMin, usedMax;
  } cases[] = {
      {0.5f, 1.5f, 0.5f, 1.5f},
      {2.0f, 1.0f, 2.0f, 2.0f},     // reversed: only the angle min itself
      {-1.0f, 4.0f, 0.0f, 3.1415927f},
      {5.0f, 6.0f, 3.1415927f, 3.1415927f},
      {-2.0f, -1.0f, 0.0f, 0.0f},
  };
  PwStyleEdgeAngle* angle = style->GetEdgeAngle();
  ASSERT_NE(angle, nullptr);
  for (const auto& c : cases) {
    angle->SetMinAngle(c.min);
    angle->SetMaxAngle(c.max);
    const EdgeAngleRange r = style->GetEdgeAngleRange();
    EXPECT_FLOAT_EQ(r.min, c.usedMin) << c.min << ".." << c.max;
    EXPECT_FLOAT_EQ(r.max, c.usedMax) << c.min << ".." << c.max;
    EXPECT_FLOAT_EQ(angle->GetMinAngle(), c.min);  // the stored values stay as entered
  }
  const EdgeAngleRange reversed = ClampEdgeAngleRange(2.0f, 1.0f);
  EXPECT_TRUE(EdgeAngleInRange(reversed, 2.0f));
  EXPECT_FALSE(EdgeAngleInRange(reversed, 1.5f));
  EXPECT_FALSE(EdgeAngleInRange(reversed, 2.0001f));
}

TEST_F(StyleTreeTest, PieceToolsFollowTheSwitchesAndForceVisible) {
  PwStyleDrawingTools* v = WhereTools(*style, LINE_KIND_CREASE, -1, STYLE_WHERE_VISIBLE);
  PwStyleDrawingTools* h = WhereTools(*style, LINE_KIND_CREASE, -1, STYLE_WHERE_HIDDEN);
  const struct {
    bool visibleOn, hiddenOn, force;
    PwStyleDrawingTools *visible, *hidden;
  } cases[] = {
      {true, false, false, v, nullptr}, {true, true, false, v, h},      {true, false, true, v, v},
      {true, true, true, v, v},         {false, true, true, nullptr, h}, {false, false, true, nullptr, nullptr},
      {false, true, false, nullptr, h},
  };
  PwStyleTreeItem* item = style->GetLineKindItem(LINE_KIND_CREASE);
  for (const auto& c : cases) {
    item->GetChild(STYLE_WHERE_VISIBLE)->SetOn(c.visibleOn);
    item->GetChild(STYLE_WHERE_HIDDEN)->SetOn(c.hiddenOn);
    style->SetForceAllLinesVisible(c.force);
    const LinePieceTools t = style->GetLinePieceTools(LINE_KIND_CREASE);
    EXPECT_EQ(t.visible, c.visible) << c.visibleOn << c.hiddenOn << c.force;
    EXPECT_EQ(t.hidden, c.hidden) << c.visibleOn << c.hiddenOn << c.force;
  }
}

TEST_F(StyleTreeTest, OnlyVisibleLinesWanted) {
  EXPECT_TRUE(style->OnlyVisibleLinesWanted());
  style->SetForceAllLinesVisible(true);
  EXPECT_FALSE(style->OnlyVisibleLinesWanted());
  style->SetForceAllLinesVisible(false);

  // A hidden item of a kind that is off does not count.
  style->GetLineKindItem(LINE_KIND_ALL)->GetChild(STYLE_WHERE_HIDDEN)->SetOn(true);
  EXPECT_TRUE(style->OnlyVisibleLinesWanted());
  style->GetLineKindItem(LINE_KIND_ALL)->SetOn(true);
  EXPECT_FALSE(style->OnlyVisibleLinesWanted());
  style->GetLineKindItem(LINE_KIND_ALL)->SetOn(false);

  // The third contour's hidden item counts only with the kind and the sub-item on.
  style->GetLineKindItem(LINE_KIND_CONTOURS, 2)->GetChild(STYLE_WHERE_HIDDEN)->SetOn(true);
  EXPECT_TRUE(style->OnlyVisibleLinesWanted());
  style->GetLineKindItem(LINE_KIND_CONTOURS)->SetOn(true);
  EXPECT_TRUE(style->OnlyVisibleLinesWanted());
  style->GetLineKindItem(LINE_KIND_CONTOURS, 2)->SetOn(true);
  EXPECT_FALSE(style->OnlyVisibleLinesWanted());
}

TEST_F(StyleTreeTest, ReorderingChangesOnlyTheOrder) {
  const int order[kLineKindCount] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
  for (int p = 0; p < kLineKindCount; ++p) EXPECT_TRUE(style->SetLineOrder(order[p], p));
  for (int p = 0; p < kLineKindCount; ++p) EXPECT_EQ(style->GetLineOrder(p), order[p]);
  LineKindOrder drawn = style->GetLineKindOrder();
  ASSERT_EQ(drawn.count, 3);
  EXPECT_EQ(drawn.kinds[0], LINE_KIND_SURFACE_INTERSECTION);
  EXPECT_EQ(drawn.kinds[1], LINE_KIND_CREASE);
  EXPECT_EQ(drawn.kinds[2], LINE_KIND_FOLD);

  // A damaged order naming Crease twice and Fold never still draws each once.
  style->SetLineOrder(LINE_KIND_CREASE, 9);
  style->SetLineOrder(42, 8);
  drawn = style->GetLineKindOrder();
  ASSERT_EQ(drawn.count, 3);
  EXPECT_EQ(drawn.kinds[0], LINE_KIND_SURFACE_INTERSECTION);
  EXPECT_EQ(drawn.kinds[1], LINE_KIND_CREASE);
  EXPECT_EQ(drawn.kinds[2], LINE_KIND_FOLD);
}

TEST_F(StyleTreeTest, SurfaceKindNoneDrawsNoSurface) {
  auto* surface = dynamic_cast<StandInMaterial*>(style->GetSurface());
  ASSERT_NE(surface, nullptr);
  surface->kind = 0;
  EXPECT_FALSE(style->DrawsSurface());
  surface->kind = 1;
  EXPECT_TRUE(style->DrawsSurface());
  style->SetSurfaceOn(false);
  EXPECT_FALSE(style->DrawsSurface());
  style->SetSurfaceOn(true);
  style->SetSurface(nullptr);
  EXPECT_FALSE(style->DrawsSurface());
}

TEST_F(StyleTreeTest, ResetBuildsTheDefaultTreeAgain) {
  style->SetForceAllLinesVisible(true);
  style->SetSubItemCount(LINE_KIND_CONTOURS, 2);
  style->GetLineKindItem(LINE_KIND_SILHOUETTE)->SetOn(true);
  style->SetEdgeSmoothingSteps(2);
  style->Block()->SetKey(STYLE_EDGE_SMOOTHING_CURVATURE, 0, 0.1f);
  style->Block()->SetKey(STYLE_EDGE_SMOOTHING_CURVATURE, 60, 0.9f);
  style->ResetToDefaults(false);
  EXPECT_FALSE(style->GetForceAllLinesVisible());
  EXPECT_EQ(style->GetSubItemCount(LINE_KIND_CONTOURS), 5);
  EXPECT_FALSE(style->IsLineKindOn(LINE_KIND_SILHOUETTE));
  EXPECT_EQ(style->GetEdgeSmoothingSteps(), 6);
  // Animation the user keeps keeps its keys; the value at 0 is the default.
  EXPECT_TRUE(style->IsEdgeSmoothingCurvatureAnimated());
  EXPECT_FLOAT_EQ(style->GetEdgeSmoothingCurvature(0), 0.5f);
  style->ResetToDefaults(true);
  EXPECT_FALSE(style->IsEdgeSmoothingCurvatureAnimated());
  EXPECT_FLOAT_EQ(style->GetEdgeSmoothingCurvature(60), 0.5f);
}

TEST_F(StyleTreeTest, ContourSettings) {
  PwStyleLineContour* c = style->GetLineContour(0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetType(), LINE_CONTOUR_BY_ANGLE);
  EXPECT_EQ(c->GetAngleDirA(), 0);
  EXPECT_EQ(c->GetAngleDirB(), 2);
  EXPECT_FLOAT_EQ(c->GetAngleMax(), 3.1415927f);
  EXPECT_FLOAT_EQ(c->GetPosMax(), 1.0f);
  EXPECT_FLOAT_EQ(c->GetTexMin(), 0.0001f);
  EXPECT_FLOAT_EQ(c->GetTexMax(), 0.999f);
  EXPECT_EQ(c->GetTexChannel(), 1);
  c->SetTexChannel(0);
  EXPECT_EQ(c->GetTexChannel(), 1);
  c->SetTexChannel(150);
  EXPECT_EQ(c->GetTexChannel(), 99);
  c->SetTexChannel(7);
  EXPECT_EQ(c->GetTexChannel(), 7);
  EXPECT_FALSE(c->IsAnimated(STYLE_LINE_CONTOUR_POS_STEPS));
  ASSERT_TRUE(c->Block()->SetKey(STYLE_LINE_CONTOUR_POS_STEPS, 10, 4));
  EXPECT_TRUE(c->IsAnimated(STYLE_LINE_CONTOUR_POS_STEPS));
  // Choice-only parameters cannot be animated.
  EXPECT_FALSE(c->Block()->SetKey(STYLE_LINE_CONTOUR_TYPE, 10, 1));
  EXPECT_EQ(ContourDirAName(0), "Surface Normal");
  EXPECT_EQ(ContourDirBName(5), "Object Z Axis");
  EXPECT_EQ(ContourPosAxisName(8), "View Z");
  EXPECT_EQ(ContourTexAxisName(2), "W");
  EXPECT_EQ(ContourTexAxisName(3), "");
  EXPECT_EQ(ContourDirAName(1), "");
}

TEST_F(StyleTreeTest, ParameterNamesOfEveryBlock) {
  const struct {
    const host::IParamBlock2* block;
    const char* blockName;
    std::vector<const char*> names;
  } blocks[] = {
      {style->Block(),
       "StyleParameters",
       {"styleTree", "styleForceAllLinesVisible", "styleEdgeSmoothingOn", "styleEdgeSmoothingCurvature",
        "styleEdgeSmoothingSteps"}},
      {style->GetRootItem()->Block(),
       "StyleTreeItemParameters",
       {"styleTreeItemOn", "styleTreeItemLabel", "styleTreeItemData", "styleTreeItemChildren",
        "styleTreeItemChildrenPriorities"}},
      {WhereTools(*style, 0, -1, 0)->Block(),
       "DrawingToolsParameters",
       {"drawingToolsBrush", "drawingToolsPaint", "drawingToolsStroke"}},
      {style->GetEdgeAngle()->Block(), "StyleEdgeAngleParameters", {"styleEdgeMinAngle", "styleEdgeMaxAngle"}},
  };
  for (const auto& b : blocks) {
    ASSERT_NE(b.block, nullptr) << b.blockName;
    EXPECT_EQ(b.block->GetDesc()->InternalName(), b.blockName);
    ASSERT_EQ(b.block->NumParams(), static_cast<int>(b.names.size())) << b.blockName;
    for (std::size_t i = 0; i < b.names.size(); ++i) {
      const host::ParamDef* def = b.block->FindParamByName(b.names[i]);
      ASSERT_NE(def, nullptr) << b.names[i];
      EXPECT_EQ(def->id, static_cast<host::ParamID>(i)) << b.names[i];
    }
    EXPECT_TRUE(b.block->GetDesc()->Problems().empty()) << b.blockName;
  }
  EXPECT_TRUE(style->Block()->FindParamByName("styleEdgeSmoothingSteps")->animatable);
  EXPECT_FALSE(style->Block()->FindParamByName("styleEdgeSmoothingOn")->animatable);
  EXPECT_EQ(style->GetLineContour(0)->Block()->NumParams(), kStyleLineContourParamCount);
}

}  // namespace
}  // namespace pw::test
