#include "styles/style.h"

#include <algorithm>

#include "library/library_state.h"
#include "plugin/class_ids.h"
#include "styles/style_legacy.h"
#include "styles/style_surface.h"

namespace pw {

namespace {

using host::ParamDef;

const host::ParamBlockDesc2 kStyleBlock(
    host::BlockSpec(0, "StyleParameters", PW_STYLE_CLASS_ID, host::REF_TARGET_CLASS_ID)
        .AutoConstruct(PwObject::PARAMBLOCK_REF),
    {
        ParamDef(STYLE_TREE, "styleTree", host::TYPE_REFTARG),
        ParamDef(STYLE_FORCE_ALL_LINES_VISIBLE, "styleForceAllLinesVisible", host::TYPE_BOOL).Default(false),
        ParamDef(STYLE_EDGE_SMOOTHING_ON, "styleEdgeSmoothingOn", host::TYPE_BOOL).Default(false),
        ParamDef(STYLE_EDGE_SMOOTHING_CURVATURE, "styleEdgeSmoothingCurvature", host::TYPE_FLOAT)
            .Animatable()
            .Default(0.5f),
        ParamDef(STYLE_EDGE_SMOOTHING_STEPS, "styleEdgeSmoothingSteps", host::TYPE_INT).Animatable().Default(6),
    });

// The value of a parameter of the style's block, or its default without a block.
template <class T>
T StyleValue(const host::IParamBlock2* pb, host::ParamID id, host::TimeValue t, T fallback) {
  T v{};
  host::Interval valid = host::FOREVER;
  return pb && pb->GetValue(id, t, v, valid) ? v : fallback;
}

bool ItemOn(const PwStyleTreeItem* item) { return item && item->IsOn(); }

PwStyleTreeItem* Child(const PwStyleTreeItem* item, int i) { return item ? item->GetChild(i) : nullptr; }

PwStyleDrawingTools* ToolsOf(const PwStyleTreeItem* item) {
  return item ? dynamic_cast<PwStyleDrawingTools*>(item->GetData()) : nullptr;
}

// Whether the "Where Hidden" child of a kind item or sub-item is on.
bool HiddenOn(const PwStyleTreeItem* item) { return ItemOn(Child(item, STYLE_WHERE_HIDDEN)); }

}  // namespace

const host::ParamBlockDesc2& StyleBlockDesc() { return kStyleBlock; }

PwStyle::PwStyle(bool loading) {
  if (loading) return;
  MakeFreshBlock();
  BuildDefaultTree(CurrentLibrary(), false);
}

PwStyle::~PwStyle() = default;

host::Class_ID PwStyle::ClassID() const { return PW_STYLE_CLASS_ID; }

bool PwStyle::InLegacyLayout() const { return legacy_ && legacy_->legacy && legacy_->formatVersion == 3; }

int PwStyle::NumRefs() { return InLegacyLayout() ? kStyleLegacyRefCount : PwObject::NumRefs(); }

host::ReferenceTarget* PwStyle::GetReference(int i) {
  if (InLegacyLayout()) return i >= 0 && i < kStyleLegacyRefCount ? legacy_->slots[static_cast<std::size_t>(i)] : nullptr;
  return PwObject::GetReference(i);
}

void PwStyle::SetReference(int i, host::ReferenceTarget* target) {
  if (InLegacyLayout()) {
    if (i >= 0 && i < kStyleLegacyRefCount) legacy_->slots[static_cast<std::size_t>(i)] = target;
    return;
  }
  PwObject::SetReference(i, target);
}

void PwStyle::MakeFreshBlock() { ReplaceReference(PARAMBLOCK_REF, host::CreateParameterBlock2(&kStyleBlock)); }

host::ReferenceTarget* PwStyle::Clone(host::RemapDir& remap) {
  auto* copy = new PwStyle(true);
  remap.AddEntry(this, copy);
  // Surfaces, brushes, paints and strokes belong to the library: the copy's
  // tree must name the very same objects, so they map to themselves.
  struct ShareLibraryObjects : host::RefEnumProc {
    PwStyle* self;
    host::RemapDir* remap;
    int proc(host::ReferenceMaker* maker) override {
      if (maker == self) return host::REF_ENUM_CONTINUE;
      if (auto* obj = dynamic_cast<PwObject*>(maker)) {
        if (!remap->FindMapping(obj)) remap->AddEntry(obj, obj);
        return host::REF_ENUM_SKIP;
      }
      return host::REF_ENUM_CONTINUE;
    }
  } share;
  share.self = this;
  share.remap = &remap;
  EnumRefHierarchy(share);
  CloneBaseInto(*copy, remap);
  return copy;
}

void PwStyle::ResetToDefaults(bool removeAnimation) {
  PwObject::ResetToDefaults(removeAnimation);
  BuildDefaultTree(CurrentLibrary(), removeAnimation);
}

host::IOResult PwStyle::SaveExtraChunk(host::ISave* isave, int i) {
  // Four extra chunks are declared; only the first carries anything.
  if (i != 0) return host::IO_OK;
  return isave->WriteChunk(PW_STYLE_CHUNK_VERSION, PW_STYLE_VERSION);
}

host::IOResult PwStyle::Load(host::ILoad* iload) {
  legacy_ = std::make_unique<StyleLegacyRecord>();
  return PwObject::Load(iload);
}

host::IOResult PwStyle::LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) {
  if (!legacy_) legacy_ = std::make_unique<StyleLegacyRecord>();
  switch (chunkId) {
    case PW_STYLE_CHUNK_VERSION: {
      std::uint16_t version = 0;
      if (iload->ReadValue(&version) != host::IO_OK) {
        legacy_->formatVersion = -1;
        iload->SetError("style: its format version could not be read");
        return host::IO_ERROR;
      }
      legacy_->formatVersion = version;
      return host::IO_OK;
    }
    case PW_STYLE_CHUNK_LEGACY_TREE:
      return ReadStyleLegacyTree(*iload, *legacy_);
    default:
      return host::IO_OK;
  }
}

// ---- the tree ------------------------------------------------------------

host::IParamBlock2* PwStyle::Block() const {
  auto* pb = dynamic_cast<host::IParamBlock2*>(GetParamBlock());
  return pb && pb->GetDesc() == &kStyleBlock ? pb : nullptr;
}

PwStyleTreeItem* PwStyle::GetRootItem() const {
  const host::IParamBlock2* pb = Block();
  return pb ? dynamic_cast<PwStyleTreeItem*>(pb->GetReferenceTarget(STYLE_TREE)) : nullptr;
}

PwStyleTreeItem* PwStyle::GetSurfaceItem() const { return Child(GetRootItem(), STYLE_ROOT_SURFACE); }
PwStyleTreeItem* PwStyle::GetLinesItem() const { return Child(GetRootItem(), STYLE_ROOT_LINES); }

bool PwStyle::IsSurfaceOn() const { return ItemOn(GetSurfaceItem()); }

void PwStyle::SetSurfaceOn(bool on) {
  if (PwStyleTreeItem* item = GetSurfaceItem()) item->SetOn(on);
}

PwObject* PwStyle::GetSurface() const {
  const PwStyleTreeItem* item = GetSurfaceItem();
  return item ? dynamic_cast<PwObject*>(item->GetData()) : nullptr;
}

void PwStyle::SetSurface(PwObject* surface) {
  if (PwStyleTreeItem* item = GetSurfaceItem()) item->SetData(surface);
}

bool PwStyle::AreLinesOn() const { return ItemOn(GetLinesItem()); }

void PwStyle::SetLinesOn(bool on) {
  if (PwStyleTreeItem* item = GetLinesItem()) item->SetOn(on);
}

int PwStyle::GetLineOrder(int position) const {
  const PwStyleTreeItem* lines = GetLinesItem();
  if (!lines || position < 0 || position >= kLineKindCount) return -1;
  return lines->GetPriority(position);
}

bool PwStyle::SetLineOrder(int kind, int position) {
  PwStyleTreeItem* lines = GetLinesItem();
  if (!lines || position < 0 || position >= kLineKindCount) return false;
  return lines->SetPriority(position, kind);
}

LineKindOrder PwStyle::GetLineKindOrder() const {
  LineKindOrder order;
  std::array<bool, kLineKindCount> placed{};
  auto place = [&](int kind) {
    if (!IsValidLineKind(kind) || placed[static_cast<std::size_t>(kind)]) return;
    placed[static_cast<std::size_t>(kind)] = true;
    if (IsLineKindOn(kind)) order.kinds[static_cast<std::size_t>(order.count++)] = kind;
  };
  for (int p = 0; p < kLineKindCount; ++p) place(GetLineOrder(p));
  for (int kind = 0; kind < kLineKindCount; ++kind) place(kind);
  return order;
}

PwStyleTreeItem* PwStyle::GetLineKindItem(int kind, int sub) const {
  if (!IsValidLineKind(kind)) return nullptr;
  PwStyleTreeItem* item = Child(GetLinesItem(), kind);
  return sub == -1 ? item : Child(item, sub);
}

bool PwStyle::IsLineKindOn(int kind) const { return ItemOn(GetLineKindItem(kind)); }

int PwStyle::GetSubItemCount(int kind) const {
  if (!LineKindHasSubItems(kind)) return 0;
  const PwStyleTreeItem* item = GetLineKindItem(kind);
  return item ? item->GetChildCount() : 0;
}

bool PwStyle::GetForceAllLinesVisible() const {
  return StyleValue(Block(), STYLE_FORCE_ALL_LINES_VISIBLE, 0, false);
}

void PwStyle::SetForceAllLinesVisible(bool on) {
  if (host::IParamBlock2* pb = Block()) pb->SetValue(STYLE_FORCE_ALL_LINES_VISIBLE, 0, on);
}

bool PwStyle::GetEdgeSmoothingOn() const { return StyleValue(Block(), STYLE_EDGE_SMOOTHING_ON, 0, false); }

void PwStyle::SetEdgeSmoothingOn(bool on) {
  if (host::IParamBlock2* pb = Block()) pb->SetValue(STYLE_EDGE_SMOOTHING_ON, 0, on);
}

float PwStyle::GetEdgeSmoothingCurvature(host::TimeValue t) const {
  return StyleValue(Block(), STYLE_EDGE_SMOOTHING_CURVATURE, t, 0.5f);
}

void PwStyle::SetEdgeSmoothingCurvature(float v, host::TimeValue t) {
  if (host::IParamBlock2* pb = Block()) pb->SetValue(STYLE_EDGE_SMOOTHING_CURVATURE, t, v);
}

bool PwStyle::IsEdgeSmoothingCurvatureAnimated() const {
  const host::IParamBlock2* pb = Block();
  return pb && pb->IsAnimated(STYLE_EDGE_SMOOTHING_CURVATURE);
}

int PwStyle::GetEdgeSmoothingSteps(host::TimeValue t) const {
  return StyleValue(Block(), STYLE_EDGE_SMOOTHING_STEPS, t, 6);
}

void PwStyle::SetEdgeSmoothingSteps(int v, host::TimeValue t) {
  if (host::IParamBlock2* pb = Block()) pb->SetValue(STYLE_EDGE_SMOOTHING_STEPS, t, v);
}

bool PwStyle::IsEdgeSmoothingStepsAnimated() const {
  const host::IParamBlock2* pb = Block();
  return pb && pb->IsAnimated(STYLE_EDGE_SMOOTHING_STEPS);
}

// ---- what the renderer asks -----------------------------------------------

bool PwStyle::DrawsSurface() const {
  if (!IsSurfaceOn()) return false;
  const PwObject* surface = GetSurface();
  return surface && SurfaceKindOf(*surface) != SURFACE_KIND_NONE;
}

bool PwStyle::OnlyVisibleLinesWanted() const {
  if (GetForceAllLinesVisible()) return false;
  for (int kind = 0; kind < kLineKindCount; ++kind) {
    const PwStyleTreeItem* item = GetLineKindItem(kind);
    if (!ItemOn(item)) continue;
    const int subs = GetSubItemCount(kind);
    if (subs > 0) {
      for (int s = 0; s < subs; ++s) {
        const PwStyleTreeItem* sub = item->GetChild(s);
        if (ItemOn(sub) && HiddenOn(sub)) return false;
      }
    } else if (HiddenOn(item)) {
      return false;
    }
  }
  return true;
}

LinePieceTools PwStyle::GetLinePieceTools(int kind, int sub) const {
  LinePieceTools tools;
  const PwStyleTreeItem* item = GetLineKindItem(kind, sub);
  const PwStyleTreeItem* visible = Child(item, STYLE_WHERE_VISIBLE);
  const PwStyleTreeItem* hidden = Child(item, STYLE_WHERE_HIDDEN);
  if (ItemOn(visible)) {
    tools.visible = ToolsOf(visible);
    if (GetForceAllLinesVisible()) {
      tools.hidden = tools.visible;
      return tools;
    }
  }
  if (ItemOn(hidden)) tools.hidden = ToolsOf(hidden);
  return tools;
}

PwStyleEdgeAngle* PwStyle::GetEdgeAngle() const {
  const PwStyleTreeItem* item = GetLineKindItem(LINE_KIND_ANGLE);
  return item ? dynamic_cast<PwStyleEdgeAngle*>(item->GetData()) : nullptr;
}

EdgeAngleRange PwStyle::GetEdgeAngleRange(host::TimeValue t) const {
  const PwStyleEdgeAngle* angle = GetEdgeAngle();
  return angle ? angle->GetRange(t) : EdgeAngleRange{};
}

PwStyleLineContour* PwStyle::GetLineContour(int sub) const {
  if (sub < 0) return nullptr;
  const PwStyleTreeItem* item = GetLineKindItem(LINE_KIND_CONTOURS, sub);
  return item ? dynamic_cast<PwStyleLineContour*>(item->GetData()) : nullptr;
}

int PwStyle::EdgeIdSubItem(int edgeId) const {
  const int n = GetSubItemCount(LINE_KIND_EDGE_IDS);
  if (n <= 0) return -1;
  const int r = edgeId % n;
  return r < 0 ? r + n : r;
}

bool PwStyle::IsEdgeIdDrawn(int edgeId) const {
  const int sub = EdgeIdSubItem(edgeId);
  return sub >= 0 && ItemOn(GetLineKindItem(LINE_KIND_EDGE_IDS, sub));
}

}  // namespace pw
