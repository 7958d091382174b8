// The settings of the default style and of the style presets.
#include "library/library_materials.h"
#include "library/object_library.h"
#include "styles/style.h"

namespace pw {

namespace {

constexpr int kPresetOutlines = PresetNumber(PW_PRESET_GROUP_STYLE, 0);
constexpr int kPresetHiddenLine = PresetNumber(PW_PRESET_GROUP_STYLE, 1);
constexpr int kPresetWireframe = PresetNumber(PW_PRESET_GROUP_STYLE, 2);
constexpr int kPresetFlatToon = PresetNumber(PW_PRESET_GROUP_STYLE, 3);
constexpr int kPresetCel = PresetNumber(PW_PRESET_GROUP_STYLE, 4);
constexpr int kPresetComic = PresetNumber(PW_PRESET_GROUP_STYLE, 5);
constexpr int kPresetCartoon = PresetNumber(PW_PRESET_GROUP_STYLE, 6);
constexpr int kPresetMaxMaterial = PresetNumber(PW_PRESET_GROUP_STYLE, 7);

// Presets of other classes the style presets use.
constexpr int kBrushCircle15 = PresetNumber(PW_PRESET_GROUP_BRUSH, 2);       // "Circle (1.5 pixels)"
constexpr int kStrokeDashed = PresetNumber(PW_PRESET_GROUP_STROKE, 1);       // "Dashed"
constexpr int kPaintObjectDiffuse = PresetNumber(PW_PRESET_GROUP_PAINT, 3);  // "Object's Diffuse"
constexpr int kSurfaceMaxMaterial = PresetNumber(PW_PRESET_GROUP_SURFACE, 1);
constexpr int kSurfaceFlat = PresetNumber(PW_PRESET_GROUP_SURFACE, 2);
constexpr int kSurfaceCartoon = PresetNumber(PW_PRESET_GROUP_SURFACE, 3);
constexpr int kSurfaceComic = PresetNumber(PW_PRESET_GROUP_SURFACE, 4);
constexpr int kSurfaceCel = PresetNumber(PW_PRESET_GROUP_SURFACE, 5);

constexpr int kOutlineKinds[] = {LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_SURFACE_INTERSECTION};

PwObject* LibraryPreset(PwObjectLibrary& library, int number) {
  return library.Get(library.Find(PW_ORIGIN_PRESET, number));
}

PwStyleDrawingTools* WhereTools(const PwStyle& style, int kind, int where) {
  PwStyleTreeItem* item = style.GetLineKindItem(kind);
  PwStyleTreeItem* child = item ? item->GetChild(where) : nullptr;
  return child ? dynamic_cast<PwStyleDrawingTools*>(child->GetData()) : nullptr;
}

// Gives one tool to the "Where" item of each kind. A preset missing from the
// library leaves the default tool in place rather than none.
void SetTool(const PwStyle& style, std::initializer_list<int> kinds, int where, int tool, PwObject* obj) {
  if (!obj) return;
  for (int kind : kinds)
    if (PwStyleDrawingTools* tools = WhereTools(style, kind, where)) tools->SetTool(tool, obj);
}

void SetWhereOn(const PwStyle& style, int kind, int where, bool on) {
  PwStyleTreeItem* item = style.GetLineKindItem(kind);
  if (PwStyleTreeItem* child = item ? item->GetChild(where) : nullptr) child->SetOn(on);
}

}  // namespace

void PwStyle::InitLibraryMaterial(PwObjectLibrary& library, int origin, int number) {
  BuildDefaultTree(&library, false);
  if (origin != PW_ORIGIN_PRESET) return;

  int surface = -1;
  switch (number) {
    case kPresetOutlines:
      SetSurfaceOn(false);
      return;
    case kPresetHiddenLine:
      SetSurfaceOn(false);
      for (int kind : kOutlineKinds) SetWhereOn(*this, kind, STYLE_WHERE_HIDDEN, true);
      SetTool(*this, {LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_SURFACE_INTERSECTION}, STYLE_WHERE_HIDDEN,
              DRAWING_TOOLS_STROKE, LibraryPreset(library, kStrokeDashed));
      return;
    case kPresetWireframe:
      SetSurfaceOn(false);
      SetForceAllLinesVisible(true);
      if (PwStyleTreeItem* item = GetLineKindItem(LINE_KIND_SURFACE_INTERSECTION)) item->SetOn(false);
      SetTool(*this, {LINE_KIND_FOLD, LINE_KIND_CREASE}, STYLE_WHERE_VISIBLE, DRAWING_TOOLS_PAINT,
              LibraryPreset(library, kPaintObjectDiffuse));
      return;
    case kPresetFlatToon: surface = kSurfaceFlat; break;
    case kPresetCel: surface = kSurfaceCel; break;
    case kPresetComic: surface = kSurfaceComic; break;
    case kPresetCartoon: surface = kSurfaceCartoon; break;
    case kPresetMaxMaterial: surface = kSurfaceMaxMaterial; break;
    default: return;
  }
  if (PwObject* preset = LibraryPreset(library, surface)) SetSurface(preset);
  SetTool(*this, {LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_SURFACE_INTERSECTION}, STYLE_WHERE_VISIBLE,
          DRAWING_TOOLS_BRUSH, LibraryPreset(library, kBrushCircle15));
}

}  // namespace pw
