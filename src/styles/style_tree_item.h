// One node of a style's tree: an on/off switch, a label, an optional data
// object and an ordered list of children with a drawing order.
#pragma once

#include <string>

#include "styles/style_part.h"

namespace pw {

// Parameter ids of the block "StyleTreeItemParameters".
enum StyleTreeItemParam : host::ParamID {
  STYLE_TREE_ITEM_ON = 0,
  STYLE_TREE_ITEM_LABEL = 1,
  STYLE_TREE_ITEM_DATA = 2,
  STYLE_TREE_ITEM_CHILDREN = 3,
  STYLE_TREE_ITEM_CHILDREN_PRIORITIES = 4,
};

class PwStyleTreeItem : public PwStylePart {
 public:
  // A loading item waits for its block from the file.
  explicit PwStyleTreeItem(bool loading = false);

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "PwStyleTreeItem"; }
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;

  bool IsOn() const { return GetBool(STYLE_TREE_ITEM_ON); }
  void SetOn(bool on) { SetParam(STYLE_TREE_ITEM_ON, 0, on); }
  std::string GetLabel() const { return GetStrParam(STYLE_TREE_ITEM_LABEL); }
  void SetLabel(const std::string& label) { SetParam(STYLE_TREE_ITEM_LABEL, 0, label); }
  host::ReferenceTarget* GetData() const { return GetRefParam(STYLE_TREE_ITEM_DATA); }
  void SetData(host::ReferenceTarget* data) { SetParam(STYLE_TREE_ITEM_DATA, 0, data); }

  int GetChildCount() const;
  // Child i, or null when i is out of range or the entry holds no item.
  PwStyleTreeItem* GetChild(int i) const;
  // False when i is out of range.
  bool SetChild(int i, PwStyleTreeItem* child);

  // Entry p of the drawing order: the index of the child that comes at
  // position p; -1 when p is out of range.
  int GetPriority(int p) const;
  bool SetPriority(int p, int childIndex);

  // Resizes the children and the order to `count` entries (children beyond
  // it are released) and, with resetPriorities, makes the order the identity.
  void SetChildCount(int count, bool resetPriorities);
};

}  // namespace pw
