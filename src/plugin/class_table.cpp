#include "plugin/class_table.h"

#include <vector>

#include "plugin/class_ids.h"
#include "plugin/names.h"

namespace pw {
namespace {

// The modifiers share one category so they group together in the host's lists.
constexpr const char* MODIFIER_CATEGORY = "PENWRIGHT!";

std::vector<PluginClassDesc> BuildTable() {
  using F = PluginClassDesc::Facts;
  std::vector<PluginClassDesc> t;
  t.reserve(PLUGIN_CLASS_COUNT);
  // Public classes are the ones users pick in the host: the renderer, the
  // shader and the modifiers. Art materials are made through the library,
  // the Toon material by its surface, the style parts by their style.
  t.emplace_back(F{host::ACTION_TABLE_CLASS_ID, PW_ACTIONS_CLASS_ID, "PwActions", "", "PwActions", "", false});
  t.emplace_back(F{host::RENDERER_CLASS_ID, PENWRIGHT_RENDERER_CLASS_ID, RendererName(), "", "PenwrightRenderer", "", true});
  t.emplace_back(F{host::HELPER_CLASS_ID, PW_OBJ_LIB_HOLDER_CLASS_ID, "PwObjLibHolder", "", "PwObjLibHolder", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_OBJECT_LIBRARY_CLASS_ID, "PwObjectLibrary", "", "PwObjectLibrary", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_STYLE_CLASS_ID, "Style", "", "PwStyle", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_STYLE_DRAWING_TOOLS_CLASS_ID, "PwStyleDrawingTools", "", "PwStyleDrawingTools", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_STYLE_TREE_ITEM_CLASS_ID, "PwStyleTreeItem", "", "PwStyleTreeItem", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_STYLE_EDGE_ANGLE_CLASS_ID, "PwStyleEdgeAngle", "", "PwStyleEdgeAngle", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_STYLE_LINE_CONTOUR_CLASS_ID, "PwStyleLineContour", "", "PwStyleLineContour", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_PAINT_CLASS_ID, "Paint", "", "PwPaint", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_BRUSH_CLASS_ID, "Brush", "", "PwBrush", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_STROKE_CLASS_ID, "Stroke", "", "PwStroke", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_CANVAS_CLASS_ID, "Canvas", "", "PwCanvas", "", false});
  // The surface is the one art material whose scripting name is its class name.
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_SURFACE_CLASS_ID, "Surface", "", "Surface", "", false});
  t.emplace_back(F{host::MATERIAL_CLASS_ID, PW_MTL_TOON_CLASS_ID, "Toon", "", "PwMtlToon", "", false});
  t.emplace_back(F{host::SHADER_CLASS_ID, PW_CEL_SHADER_CLASS_ID, "Penwright! Cel", "", "PwCelShader", "", true});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_GRADIENT_COLOR_CLASS_ID, "GradientColor", "", "PwGradientColor", "", false});
  t.emplace_back(F{host::REF_TARGET_CLASS_ID, PW_GRADIENT_CLASS_ID, "Gradient", "", "PwGradient", "", false});
  t.emplace_back(F{host::OSM_CLASS_ID, PW_PAINT_ON_CLASS_ID, "Penwright! Paint On", "", "PwPaintOn", MODIFIER_CATEGORY, true});
  t.emplace_back(F{host::OSM_CLASS_ID, PW_RESTRICT_SI_CLASS_ID, "Penwright! RestrictSI", "Penwright! Restrict SI", "PwRestrictSI",
                   MODIFIER_CATEGORY, true});
  t.emplace_back(F{host::OSM_CLASS_ID, PW_EDGE_ID_MODIFIER_CLASS_ID, "Penwright! Edge ID", "", "PwEdgeIDModifier",
                   MODIFIER_CATEGORY, true});
  return t;
}

std::vector<PluginClassDesc>& Table() {
  static std::vector<PluginClassDesc> table = BuildTable();
  return table;
}

}  // namespace

PluginClassDesc* PluginClass(int i) {
  std::vector<PluginClassDesc>& table = Table();
  if (i < 0 || i >= static_cast<int>(table.size())) return nullptr;
  return &table[static_cast<std::size_t>(i)];
}

PluginClassDesc* FindPluginClass(host::Class_ID id) {
  for (PluginClassDesc& desc : Table())
    if (desc.ClassID() == id) return &desc;
  return nullptr;
}

bool SetClassFactory(host::Class_ID id, ClassFactory factory) {
  PluginClassDesc* desc = FindPluginClass(id);
  if (!desc) return false;
  desc->SetFactory(std::move(factory));
  return true;
}

void RegisterPluginClasses(host::ClassRegistry& registry) {
  for (PluginClassDesc& desc : Table()) registry.Register(&desc);
}

}  // namespace pw
