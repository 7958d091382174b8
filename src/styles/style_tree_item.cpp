#include "styles/style_tree_item.h"

#include "plugin/class_ids.h"

namespace pw {

namespace {

using host::ParamDef;

const host::ParamBlockDesc2 kTreeItemBlock(
    host::BlockSpec(0, "StyleTreeItemParameters", PW_STYLE_TREE_ITEM_CLASS_ID, host::REF_TARGET_CLASS_ID)
        .AutoConstruct(PwStylePart::PARAMBLOCK_REF),
    {
        ParamDef(STYLE_TREE_ITEM_ON, "styleTreeItemOn", host::TYPE_BOOL).Default(true),
        ParamDef(STYLE_TREE_ITEM_LABEL, "styleTreeItemLabel", host::TYPE_STRING).Default(""),
        ParamDef(STYLE_TREE_ITEM_DATA, "styleTreeItemData", host::TYPE_REFTARG),
        ParamDef(STYLE_TREE_ITEM_CHILDREN, "styleTreeItemChildren", host::TYPE_REFTARG_TAB).TableSize(0),
        ParamDef(STYLE_TREE_ITEM_CHILDREN_PRIORITIES, "styleTreeItemChildrenPriorities", host::TYPE_INT_TAB)
            .TableSize(0),
    });

}  // namespace

PwStyleTreeItem::PwStyleTreeItem(bool loading) : PwStylePart(kTreeItemBlock) {
  if (!loading) MakeFreshBlock();
}

host::Class_ID PwStyleTreeItem::ClassID() const { return PW_STYLE_TREE_ITEM_CLASS_ID; }

host::ReferenceTarget* PwStyleTreeItem::Clone(host::RemapDir& remap) {
  auto* copy = new PwStyleTreeItem(true);
  CloneBlockInto(*copy, remap);
  return copy;
}

int PwStyleTreeItem::GetChildCount() const {
  const host::IParamBlock2* pb = Block();
  return pb ? pb->Count(STYLE_TREE_ITEM_CHILDREN) : 0;
}

PwStyleTreeItem* PwStyleTreeItem::GetChild(int i) const {
  if (i < 0 || i >= GetChildCount()) return nullptr;
  return dynamic_cast<PwStyleTreeItem*>(GetRefParam(STYLE_TREE_ITEM_CHILDREN, i));
}

bool PwStyleTreeItem::SetChild(int i, PwStyleTreeItem* child) {
  if (i < 0 || i >= GetChildCount()) return false;
  return SetParam(STYLE_TREE_ITEM_CHILDREN, 0, static_cast<host::ReferenceTarget*>(child), i);
}

int PwStyleTreeItem::GetPriority(int p) const {
  const host::IParamBlock2* pb = Block();
  if (!pb || p < 0 || p >= pb->Count(STYLE_TREE_ITEM_CHILDREN_PRIORITIES)) return -1;
  return GetIntParam(STYLE_TREE_ITEM_CHILDREN_PRIORITIES, 0, p);
}

bool PwStyleTreeItem::SetPriority(int p, int childIndex) {
  const host::IParamBlock2* pb = Block();
  if (!pb || p < 0 || p >= pb->Count(STYLE_TREE_ITEM_CHILDREN_PRIORITIES)) return false;
  return SetParam(STYLE_TREE_ITEM_CHILDREN_PRIORITIES, 0, childIndex, p);
}

void PwStyleTreeItem::SetChildCount(int count, bool resetPriorities) {
  host::IParamBlock2* pb = Block();
  if (!pb) return;
  if (count < 0) count = 0;
  pb->SetCount(STYLE_TREE_ITEM_CHILDREN, count);
  pb->SetCount(STYLE_TREE_ITEM_CHILDREN_PRIORITIES, count);
  if (resetPriorities)
    for (int p = 0; p < count; ++p) pb->SetValue(STYLE_TREE_ITEM_CHILDREN_PRIORITIES, 0, p, p);
}

}  // namespace pw
