// Building a style's tree: the default tree and the numbered sub-items of
// Edge IDs and Contours.
#include <algorithm>
#include <cstdio>
#include <variant>

#include "library/library_materials.h"
#include "library/library_state.h"
#include "library/object_library.h"
#include "styles/style.h"

namespace pw {

namespace {

PwObject* LibraryDefault(PwObjectLibrary* library, int number) {
  if (!library) return nullptr;
  return library->Get(library->Find(PW_ORIGIN_DEFAULT, number));
}

PwStyleTreeItem* NewItem(const std::string& label, bool on, host::ReferenceTarget* data = nullptr) {
  auto* item = new PwStyleTreeItem();
  item->SetLabel(label);
  item->SetOn(on);
  if (data) item->SetData(data);
  return item;
}

// Tools that draw with the library's default brush, paint and stroke.
PwStyleDrawingTools* NewDefaultTools(PwObjectLibrary* library) {
  auto* tools = new PwStyleDrawingTools();
  tools->SetBrush(LibraryDefault(library, PW_DEFAULT_BRUSH));
  tools->SetPaint(LibraryDefault(library, PW_DEFAULT_PAINT_CUSTOM));
  tools->SetStroke(LibraryDefault(library, PW_DEFAULT_STROKE));
  return tools;
}

// The two "Where" children every drawing item has: visible parts drawn,
// hidden parts not.
void AddWhereChildren(PwStyleTreeItem& item, PwObjectLibrary* library) {
  item.SetChildCount(2, true);
  item.SetChild(STYLE_WHERE_VISIBLE, NewItem("Where Visible", true, NewDefaultTools(library)));
  item.SetChild(STYLE_WHERE_HIDDEN, NewItem("Where Hidden", false, NewDefaultTools(library)));
}

std::string SubItemLabel(int kind, int index) {
  char label[32];
  std::snprintf(label, sizeof label, kind == LINE_KIND_EDGE_IDS ? "ID #%d" : "Contour #%d", index + 1);
  return label;
}

}  // namespace

PwStyleTreeItem* PwStyle::NewSubItem(int kind, int index, PwObjectLibrary* library) const {
  PwStyleTreeItem* sub = NewItem(SubItemLabel(kind, index), index == 0);
  if (kind == LINE_KIND_CONTOURS) sub->SetData(new PwStyleLineContour());
  AddWhereChildren(*sub, library);
  return sub;
}

void PwStyle::BuildDefaultTree(PwObjectLibrary* library, bool removeAnimation) {
  if (removeAnimation && IsAnimated()) PwObject::ResetToDefaults(true);
  host::IParamBlock2* pb = Block();
  if (!pb) {
    MakeFreshBlock();
    pb = Block();
    if (!pb) return;
  }
  // Parameters that kept their keys (the caller chose to keep animation)
  // take the default at time 0; all others go back to their defaults.
  for (int i = 0; i < pb->NumParams(); ++i) {
    const host::ParamID id = pb->IndexToId(i);
    const host::ParamDef* def = pb->GetParamDef(id);
    if (!def || !pb->IsAnimated(id)) {
      pb->Reset(id);
    } else if (const auto* f = std::get_if<float>(&def->defaultValue)) {
      pb->SetValue(id, 0, *f);
    } else if (const auto* n = std::get_if<int>(&def->defaultValue)) {
      pb->SetValue(id, 0, *n);
    }
  }

  PwStyleTreeItem* root = NewItem("", true);
  pb->SetValue(STYLE_TREE, 0, static_cast<host::ReferenceTarget*>(root));
  root->SetChildCount(2, true);
  root->SetChild(STYLE_ROOT_SURFACE, NewItem("Surface", true, LibraryDefault(library, PW_DEFAULT_SURFACE)));
  PwStyleTreeItem* lines = NewItem("Lines", true);
  root->SetChild(STYLE_ROOT_LINES, lines);
  lines->SetChildCount(kLineKindCount, true);

  for (int kind = 0; kind < kLineKindCount; ++kind) {
    const bool on = kind == LINE_KIND_FOLD || kind == LINE_KIND_CREASE || kind == LINE_KIND_SURFACE_INTERSECTION;
    PwStyleTreeItem* item = NewItem(std::string(LineKindLabel(kind)), on);
    lines->SetChild(kind, item);
    if (kind == LINE_KIND_ANGLE) item->SetData(new PwStyleEdgeAngle());
    if (LineKindHasSubItems(kind)) {
      item->SetChildCount(kStyleNewSubItemCount, true);
      for (int j = 0; j < kStyleNewSubItemCount; ++j) item->SetChild(j, NewSubItem(kind, j, library));
    } else {
      AddWhereChildren(*item, library);
    }
  }
}

int PwStyle::SetSubItemCount(int kind, int count) {
  if (!LineKindHasSubItems(kind)) return 0;
  PwStyleTreeItem* item = GetLineKindItem(kind);
  if (!item) return 0;
  const int oldCount = item->GetChildCount();
  const int newCount = std::clamp(count, 1, kStyleMaxSubItems);
  item->SetChildCount(newCount, true);
  PwObjectLibrary* library = CurrentLibrary();
  for (int i = oldCount; i < newCount; ++i) item->SetChild(i, NewSubItem(kind, i, library));
  return newCount;
}

}  // namespace pw
