#include "render/materials_in_use.h"

#include <algorithm>
#include <unordered_set>

#include "library/library_materials.h"
#include "library/style_assignment.h"

namespace pw {

PwObject* sceneCanvas(const PwObjectLibrary& library) {
  return library.Get(library.Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_CANVAS));
}

PwStyle* styleOfInstance(const PwRenderInstance& instance, const PwObjectLibrary& library) {
  if (!instance.node) return nullptr;
  return dynamic_cast<PwStyle*>(StyleOfNode(*instance.node, library));
}

std::vector<PwObject*> gatherMaterialsInUse(const PwObjectLibrary& library,
                                            const std::vector<std::unique_ptr<PwRenderInstance>>& instances) {
  std::vector<PwObject*> used;
  if (PwObject* canvas = sceneCanvas(library)) used.push_back(canvas);
  for (const auto& inst : instances) {
    PwStyle* style = styleOfInstance(*inst, library);
    if (style && std::find(used.begin(), used.end(), style) == used.end()) used.push_back(style);
  }
  return used;
}

namespace {

// Collects the texture maps a walk reaches, each once across walks.
struct AddTexMaps : host::RefEnumProc {
  std::vector<host::MtlBase*>* out;
  std::unordered_set<const host::MtlBase*>* seen;

  int proc(host::ReferenceMaker* maker) override {
    if (auto* map = dynamic_cast<host::Texmap*>(maker); map && seen->insert(map).second) out->push_back(map);
    return host::REF_ENUM_CONTINUE;
  }
};

}  // namespace

std::vector<host::MtlBase*> gatherTextureMaps(const std::vector<std::unique_ptr<PwRenderInstance>>& instances,
                                              const std::vector<PwObject*>& materialsInUse,
                                              const PwLightList& lights, host::Texmap* environmentMap) {
  std::vector<host::MtlBase*> maps;
  std::unordered_set<const host::MtlBase*> seen;
  for (const auto& inst : instances) {
    host::Mtl* mtl = inst->material();
    if (mtl && seen.insert(mtl).second) maps.push_back(mtl);
  }
  AddTexMaps walk;
  walk.out = &maps;
  walk.seen = &seen;
  for (PwObject* material : materialsInUse) material->EnumRefHierarchy(walk);
  for (const PwLightRenderContext& light : lights.entries)
    if (light.node) light.node->EnumRefHierarchy(walk);
  if (environmentMap) environmentMap->EnumRefHierarchy(walk);
  return maps;
}

}  // namespace pw
