#include <gtest/gtest.h>

#include <set>

#include "library/library_edit.h"
#include "library/library_materials.h"
#include "style_fixture.h"

namespace pw::test {
namespace {

// Every object the style's tree is made of (items, tools objects, angle and
// contour settings, blocks), not the library materials they name.
std::set<host::ReferenceMaker*> TreeParts(PwStyle& style) {
  struct Collect : host::RefEnumProc {
    PwStyle* self;
    std::set<host::ReferenceMaker*> parts;
    int proc(host::ReferenceMaker* m) override {
      if (m != self && dynamic_cast<PwObject*>(m)) return host::REF_ENUM_SKIP;
      parts.insert(m);
      return host::REF_ENUM_CONTINUE;
    }
  } collect;
  collect.self = &style;
  style.EnumRefHierarchy(collect);
  collect.parts.erase(&style);
  return collect.parts;
}

class StyleCloneTest : public StyleTest {
 protected:
  void SetUp() override {
    StyleTest::SetUp();
    lib = MakeLibrary();
    ASSERT_NE(lib, nullptr);
    style = NewStyle(*lib);
    style->SetName("Pencil");
    style->SetSubItemCount(LINE_KIND_CONTOURS, 2);
    style->GetLineContour(1)->SetPosAxis(4);
    style->GetEdgeAngle()->SetMinAngle(0.25f);
    style->SetLineOrder(LINE_KIND_SILHOUETTE, 0);
    style->SetLineOrder(LINE_KIND_FOLD, 8);
    style->GetLineKindItem(LINE_KIND_SILHOUETTE)->SetOn(true);
    WhereTools(*style, LINE_KIND_SILHOUETTE, -1, STYLE_WHERE_VISIBLE)
        ->SetBrush(Material(*lib, PW_ORIGIN_PRESET, 4));
    style->SetSurface(Material(*lib, PW_ORIGIN_PRESET, 305));
  }
  PwObjectLibrary* lib = nullptr;
  PwStyle* style = nullptr;
};

TEST_F(StyleCloneTest, CopyOwnsItsTreeAndSharesTheLibraryMaterials) {
  const int used = lib->Used();
  host::RefHolder hold(style->Clone());
  auto* copy = dynamic_cast<PwStyle*>(hold.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(lib->Used(), used);
  EXPECT_EQ(copy->GetName(), "Pencil");

  // No part of the tree is shared...
  const std::set<host::ReferenceMaker*> mine = TreeParts(*style);
  for (host::ReferenceMaker* part : TreeParts(*copy)) EXPECT_EQ(mine.count(part), 0u);
  // ...and every material is the library's own.
  EXPECT_EQ(copy->GetSurface(), style->GetSurface());
  for (int kind = 0; kind < kLineKindCount; ++kind) {
    const int subs = LineKindHasSubItems(kind) ? copy->GetSubItemCount(kind) : 1;
    ASSERT_EQ(subs, LineKindHasSubItems(kind) ? style->GetSubItemCount(kind) : 1);
    for (int s = 0; s < subs; ++s) {
      const int sub = LineKindHasSubItems(kind) ? s : -1;
      for (int where : {STYLE_WHERE_VISIBLE, STYLE_WHERE_HIDDEN}) {
        PwStyleDrawingTools* a = WhereTools(*style, kind, sub, where);
        PwStyleDrawingTools* b = WhereTools(*copy, kind, sub, where);
        ASSERT_TRUE(a && b);
        EXPECT_NE(a, b);
        for (int tool = 0; tool < kDrawingToolCount; ++tool) {
          EXPECT_EQ(b->GetTool(tool), a->GetTool(tool)) << kind << "/" << sub << "/" << where << "/" << tool;
          EXPECT_GE(lib->IndexOf(b->GetTool(tool)), 0);
        }
      }
    }
  }
  // Settings came along.
  EXPECT_EQ(copy->GetLineOrder(0), LINE_KIND_SILHOUETTE);
  EXPECT_EQ(copy->GetLineOrder(8), LINE_KIND_FOLD);
  EXPECT_TRUE(copy->IsLineKindOn(LINE_KIND_SILHOUETTE));
  EXPECT_EQ(copy->GetSubItemCount(LINE_KIND_CONTOURS), 2);
  EXPECT_EQ(copy->GetLineContour(1)->GetPosAxis(), 4);
  EXPECT_FLOAT_EQ(copy->GetEdgeAngle()->GetMinAngle(), 0.25f);
}

TEST_F(StyleCloneTest, BrushChangesReachBothAngleChangesOnlyTheCopy) {
  host::RefHolder hold(style->Clone());
  auto* copy = static_cast<PwStyle*>(hold.get());
  auto* brush = dynamic_cast<StandInMaterial*>(
      WhereTools(*copy, LINE_KIND_SILHOUETTE, -1, STYLE_WHERE_VISIBLE)->GetBrush());
  ASSERT_NE(brush, nullptr);
  brush->SetSize(7.0f);
  auto* sourceBrush = dynamic_cast<StandInMaterial*>(
      WhereTools(*style, LINE_KIND_SILHOUETTE, -1, STYLE_WHERE_VISIBLE)->GetBrush());
  EXPECT_FLOAT_EQ(sourceBrush->Size(), 7.0f);

  copy->GetEdgeAngle()->SetMaxAngle(1.0f);
  copy->GetLineKindItem(LINE_KIND_FOLD)->SetOn(false);
  copy->SetSubItemCount(LINE_KIND_EDGE_IDS, 9);
  EXPECT_FLOAT_EQ(style->GetEdgeAngle()->GetMaxAngle(), 3.1415927f);
  EXPECT_TRUE(style->IsLineKindOn(LINE_KIND_FOLD));
  EXPECT_EQ(style->GetSubItemCount(LINE_KIND_EDGE_IDS), 5);
}

TEST_F(StyleCloneTest, DeletingTheCopyLeavesTheMaterials) {
  PwObject* surface = style->GetSurface();
  const int surfaceDependents = surface->NumDependents();
  {
    host::RefHolder hold(style->Clone());
    EXPECT_GT(surface->NumDependents(), surfaceDependents);
  }
  EXPECT_EQ(surface->NumDependents(), surfaceDependents);
  EXPECT_GE(lib->IndexOf(surface), 0);
  EXPECT_EQ(style->GetSurface(), surface);
}

TEST_F(StyleCloneTest, LibraryDuplicateIsAUserStyleWithSharedTools) {
  const int slot = DuplicateLibraryMaterial(*lib, lib->IndexOf(style));
  auto* copy = dynamic_cast<PwStyle*>(lib->Get(slot));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetName(), "Copy of Pencil");
  EXPECT_EQ(copy->GetOrigin(), PW_ORIGIN_USER);
  EXPECT_EQ(copy->GetSurface(), style->GetSurface());
  EXPECT_EQ(WhereTools(*copy, LINE_KIND_SILHOUETTE, -1, STYLE_WHERE_VISIBLE)->GetBrush(),
            Material(*lib, PW_ORIGIN_PRESET, 4));
}

TEST_F(StyleCloneTest, DrawingToolsCloneNamesTheSameTools) {
  PwStyleDrawingTools* tools = WhereTools(*style, LINE_KIND_FOLD, -1, STYLE_WHERE_VISIBLE);
  host::RefHolder hold(tools->Clone());
  auto* copy = dynamic_cast<PwStyleDrawingTools*>(hold.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, tools);
  for (int tool = 0; tool < kDrawingToolCount; ++tool) EXPECT_EQ(copy->GetTool(tool), tools->GetTool(tool));
  copy->SetTool(DRAWING_TOOLS_PAINT, Material(*lib, PW_ORIGIN_PRESET, 209));
  EXPECT_EQ(tools->GetPaint(), Material(*lib, PW_ORIGIN_DEFAULT, PW_DEFAULT_PAINT_CUSTOM));
  copy->SetTool(7, Material(*lib, PW_ORIGIN_PRESET, 209));  // no such tool: ignored
  EXPECT_EQ(copy->GetTool(7), nullptr);
}

}  // namespace
}  // namespace pw::test
