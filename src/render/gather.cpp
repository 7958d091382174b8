#include "render/gather.h"

#include <utility>

#include "host/scene/light.h"
#include "host/scene/object_base.h"
#include "render/def_light_desc.h"

namespace pw {

namespace {

// Calls visit(node) for every node below root, each node's children before
// the node itself, children in order. Iterative: scene trees can be deep.
template <typename Visit>
bool forEachBelow(host::INode* root, Visit&& visit) {
  struct Frame {
    host::INode* node;
    int next;  // next child to descend into
  };
  std::vector<Frame> stack;
  stack.push_back({root, 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next < top.node->NumberOfChildren()) {
      host::INode* child = top.node->GetChildNode(top.next++);
      if (child) stack.push_back({child, 0});
      continue;
    }
    host::INode* done = top.node;
    stack.pop_back();
    if (done != root && !visit(done)) return false;
  }
  return true;
}

host::SClass_ID superClassAt(host::INode* node, host::Object** obj) {
  *obj = node->EvalWorldState(kGatherTime, true).obj;
  return *obj ? (*obj)->SuperClassID() : 0;
}

bool isSurface(host::SClass_ID sc) { return sc == host::GEOMOBJECT_CLASS_ID || sc == host::SHAPE_CLASS_ID; }

}  // namespace

PwGatherOptions gatherOptions(const PwPenwrightRenderParams& params) {
  PwGatherOptions o;
  o.renderHidden = params.renderHidden;
  o.selectedOnly = params.rendType == host::RENDTYPE_SELECT;
  o.vectorMode = params.RenderMode() == PwRenderMode::Vector;
  o.surfacesOn = params.surfacesOn;
  return o;
}

bool gatherObjects(host::INode* root, const PwGatherOptions& options,
                   std::vector<std::unique_ptr<PwRenderInstance>>& instances) {
  if (!root) return true;
  return forEachBelow(root, [&](host::INode* node) {
    if (!node->Renderable()) return true;
    host::Object* obj = nullptr;
    if (!isSurface(superClassAt(node, &obj))) return true;
    if (node->IsNodeHidden(true) && !options.renderHidden) return true;
    if (!obj->IsRenderable()) return true;
    if (options.selectedOnly && !node->Selected()) return true;
    if (instances.size() >= static_cast<std::size_t>(kMaxInstances)) return false;

    auto inst = std::make_unique<PwRenderInstance>(node, static_cast<std::int16_t>(instances.size()));
    if (host::Mtl* mtl = node->GetMtl()) {
      inst->setMaterial(mtl);
    } else if (options.makeStandin) {
      inst->setOwnedMaterial(options.makeStandin(node->GetWireColorRGB()));
    }
    instances.push_back(std::move(inst));
    return true;
  });
}

void gatherLights(host::INode* root, const host::DefaultLight* defaultLights, int numDefaultLights,
                  const PwGatherOptions& options, PwLightList& lights) {
  std::size_t before = lights.entries.size();
  if (root) {
    forEachBelow(root, [&](host::INode* node) {
      if (!node->Renderable()) return true;
      host::Object* obj = nullptr;
      if (superClassAt(node, &obj) != host::LIGHT_CLASS_ID) return true;
      auto* light = dynamic_cast<host::LightObject*>(obj);
      if (!light || !light->GetUseLight()) return true;
      std::unique_ptr<host::ObjLightDesc> desc = light->CreateLightDesc(node, false);
      if (desc) lights.entries.push_back({node, std::move(desc)});
      return true;
    });
  }

  bool foundLight = lights.entries.size() > before;
  bool shading = !(options.vectorMode && !options.surfacesOn);
  if (foundLight || !defaultLights || numDefaultLights <= 0 || !shading) return;
  for (int i = 0; i < numDefaultLights; ++i) {
    lights.entries.push_back({nullptr, std::make_unique<PwDefLightDesc>(defaultLights[i])});
  }
  lights.usingDefaultLights = true;
}

}  // namespace pw
