// The text `penwright info` prints: the scene's node tree, the instances the
// renderer gathers from it with their face counts, the lights (or the
// default lights standing in), the camera and its view, and the render
// settings after the scene's own.
#include <algorithm>
#include "scene_io/scene_describe.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <numbers>
#include <vector>

#include "host/scene/camera.h"
#include "host/scene/light.h"
#include "host/scene/mesh.h"
#include "host/scene/object_base.h"
#include "host/shading/mtl.h"
#include "library/holder.h"
#include "library/style_assignment.h"
#include "render/gather.h"
#include "scene_io/modifier_describe.h"
#include "scene_io/render_settings_by_name.h"

namespace pw {

namespace {

// printf into the description.
[[gnu::format(printf, 2, 3)]] void Put(std::string& out, const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buf) {
    out.append(buf, static_cast<std::size_t>(n));
    return;
  }
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  out.append(big.data(), static_cast<std::size_t>(n));
}


constexpr float kDegreesPerRadian = 180.0f / std::numbers::pi_v<float>;

// Objects are asked for their render mesh through a view; counting faces
// needs no projection.
class CountingView : public host::View {
 public:
  host::Point2 ViewToScreen(const host::Point3&) override { return {}; }
};

std::string Vec(const host::Point3& p) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "(%.4g, %.4g, %.4g)", p.x, p.y, p.z);
  return buf;
}

std::string Rgb(const host::Color& c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "(%.3g, %.3g, %.3g)", c.r, c.g, c.b);
  return buf;
}

// What the node's render mesh at time 0 is: its faces (-1 when it has none)
// and its painted line thickness, with values outside 0..1 taken as 1 as the
// renderer takes them.
struct MeshFacts {
  int faces = -1;
  int verts = 0;
  bool painted = false;   // the mesh carries vertex-data channel 2
  int thinner = 0;        // vertices drawn below full thickness
  float least = 1.0f;
};

MeshFacts RenderMeshFacts(host::INode* node) {
  MeshFacts facts;
  host::Object* obj = node->EvalWorldState(0).obj;
  auto* geom = dynamic_cast<host::GeomObject*>(obj);
  if (!geom) return facts;
  CountingView view;
  bool needDelete = false;
  host::Mesh* mesh = geom->GetRenderMesh(0, node, view, needDelete);
  if (!mesh) return facts;
  facts.faces = mesh->getNumFaces();
  facts.verts = mesh->getNumVerts();
  if (mesh->vDataSupport(host::VDATA_ALPHA)) {
    facts.painted = true;
    for (float v : mesh->vertexFloat(host::VDATA_ALPHA)) {
      if (!(v >= 0.0f && v < 1.0f)) continue;
      ++facts.thinner;
      facts.least = std::min(facts.least, v);
    }
  }
  if (needDelete) delete mesh;
  return facts;
}

std::string PaintedText(const MeshFacts& facts) {
  if (!facts.painted) return "";
  if (facts.thinner == 0) return ", painted thickness: full on all " + std::to_string(facts.verts) + " vertices";
  char buf[96];
  std::snprintf(buf, sizeof buf, ", painted thickness: %d of %d vertices thinner, down to %.3g", facts.thinner,
                facts.verts, facts.least);
  return buf;
}

std::string MaterialText(host::Mtl* m) {
  if (!m) return "none (wire colour)";
  std::string text = "'" + m->GetName() + "' (" + m->GetClassName();
  if (m->NumSubMtls() > 0) {
    text += ":";
    for (int i = 0; i < m->NumSubMtls(); ++i) text += (i ? ", " : " ") + m->GetSubMtlSlotName(i);
  }
  return text + ")";
}

const char* LightTypeName(int type) {
  switch (type) {
    case host::OMNI_LGT: return "omni";
    case host::SPOT_LGT: return "spot";
    case host::DIRECT_LGT: return "directional";
    default: return "ambient";
  }
}

std::string ObjectText(host::INode* node) {
  host::Object* obj = node->GetObjectRef();
  if (!obj) return "group";
  host::Object* base = obj->FindBaseObject();
  if (auto* cam = dynamic_cast<host::GenCamera*>(base))
    return std::string(cam->IsTargetCamera() ? "target " : "free ") +
           (cam->IsOrtho() ? "orthographic" : "perspective") + " camera";
  if (auto* light = dynamic_cast<host::GenLight*>(base))
    return std::string(LightTypeName(light->Type())) + " light" + (light->GetUseLight() ? "" : " (off)");
  if (base && base->SuperClassID() == host::GEOMOBJECT_CLASS_ID) {
    const MeshFacts facts = RenderMeshFacts(node);
    return "mesh, " + std::to_string(facts.faces < 0 ? 0 : facts.faces) + " faces" + PaintedText(facts);
  }
  return obj->GetClassName();
}

void PrintTree(std::string& out, host::INode* node, int depth, SceneDescribeDetail detail) {
  for (int i = 0; i < node->NumberOfChildren(); ++i) {
    host::INode* child = node->GetChildNode(i);
    if (!child) continue;
    if (detail == SceneDescribeDetail::ForUsers && HolderOfNode(child)) continue;
    std::string style;
    const bool hasStyle = child->GetUserPropString(PW_PROP_STYLE_NAME, style);
    Put(out, "  %*s%s: %s", depth * 2, "", child->GetName().c_str(), ObjectText(child).c_str());
    host::Object* base = child->GetObjectRef() ? child->GetObjectRef()->FindBaseObject() : nullptr;
    if (base && base->SuperClassID() == host::GEOMOBJECT_CLASS_ID) {
      Put(out, ", material %s, style %s", MaterialText(child->GetMtl()).c_str(),
                  hasStyle ? ("'" + style + "'").c_str() : "default");
    }
    if (child->IsNodeHidden(true)) Put(out, ", hidden");
    if (!child->Renderable()) Put(out, ", not renderable");
    if (child->TMController().IsAnimated()) Put(out, ", animated");
    Put(out, "\n");
    out += DescribeNodeModifiers(child, 0, depth * 2 + 4);
    PrintTree(out, child, depth + 1, detail);
  }
}

void PrintInstances(std::string& out, host::INode* root, const PwGatherOptions& options) {
  std::vector<std::unique_ptr<PwRenderInstance>> instances;
  const bool all = gatherObjects(root, options, instances);
  long long total = 0;
  Put(out, "\nInstances gathered for rendering: %zu%s\n", instances.size(),
              all ? "" : " (more renderable nodes than a render can draw; the rest are left out)");
  for (const auto& inst : instances) {
    const int faces = RenderMeshFacts(inst->node).faces;
    total += faces > 0 ? faces : 0;
    Put(out, "  %3d  %-24s %8d faces  %s\n", inst->index, inst->node->GetName().c_str(), faces < 0 ? 0 : faces,
                MaterialText(inst->node->GetMtl()).c_str());
  }
  Put(out, "  total: %lld faces\n", total);
}

void PrintLights(std::string& out, host::SceneRoot* root, const PwGatherOptions& options) {
  PwLightList lights;
  gatherLights(root, root->defaultLights.data(), static_cast<int>(root->defaultLights.size()), options, lights);
  Put(out, "\nLights: %zu%s\n", lights.entries.size(),
              lights.usingDefaultLights ? " (the scene has none: the host's default lighting applies)" : "");
  for (const PwLightRenderContext& e : lights.entries) {
    if (!e.node) {
      const host::LightState& ls = e.desc->ls;
      Put(out, "  default: %s, colour %s x %.3g, riding with the camera\n", LightTypeName(ls.type),
                  Rgb(ls.color).c_str(), ls.intens);
      continue;
    }
    auto* light =
        dynamic_cast<host::GenLight*>(e.node->GetObjectRef() ? e.node->GetObjectRef()->FindBaseObject() : nullptr);
    const host::Matrix3 tm = e.node->GetNodeTM(0);
    Put(out, "  %s: %s, at %s", e.node->GetName().c_str(), light ? LightTypeName(light->Type()) : "light",
                Vec(tm.GetTrans()).c_str());
    if (light) Put(out, ", colour %s x %.3g", Rgb(light->GetRGBColor(0)).c_str(), light->GetIntensity(0));
    if (light && light->Type() == host::SPOT_LGT)
      Put(out, ", hotspot %.3g, falloff %.3g degrees", light->GetHotspot(0), light->GetFallsize(0));
    Put(out, "\n");
  }
}

void PrintCamera(std::string& out, const host::Scene& scene, const host::SceneInputInfo& info) {
  host::INode* node = scene.ActiveCameraNode();
  Put(out, "\nCamera: %s%s\n", node ? node->GetName().c_str() : "none",
              info.framingCamera ? " (added to frame the scene)" : "");
  auto* cam = node ? dynamic_cast<host::CameraObject*>(node->EvalWorldState(0).obj) : nullptr;
  if (!cam) return;
  host::CameraState cs;
  host::Interval valid = host::FOREVER;
  cam->EvalCameraState(0, valid, &cs);
  const host::Matrix3 tm = node->GetNodeTM(0);
  Put(out, "  %s, horizontal field of view %.4g degrees", cs.isOrtho ? "orthographic" : "perspective",
              cs.fov * kDegreesPerRadian);
  if (cs.isOrtho) Put(out, ", view width %.4g", 2.0f * cs.tdist * std::tan(cs.fov / 2.0f));
  Put(out, "\n  at %s, looking along %s", Vec(tm.GetTrans()).c_str(), Vec(host::Normalize(-tm.GetRow(2))).c_str());
  if (host::INode* target = node->GetTarget()) Put(out, ", aimed at '%s'", target->GetName().c_str());
  Put(out, "\n  clipping: %s", cs.manualClip ? "" : "automatic");
  if (cs.manualClip) Put(out, "%.4g to %.4g", cs.hither, cs.yon);
  Put(out, "\n  picture: %d x %d pixels\n", info.imageWidth, info.imageHeight);
}

}  // namespace

std::string DescribeScene(const std::string& path, const host::Scene& scene, const host::SceneInputInfo& info,
                          const PwRendererSettings& settings, host::IParamBlock2* block,
                          SceneDescribeDetail detail) {
  std::string out;
  host::SceneRoot* root = scene.Root();
  Put(out, "Scene: %s (%s)\n", path.c_str(),
      info.format == "json"  ? "scene description"
      : info.format == "obj" ? "OBJ model"
                             : "glTF model");
  Put(out, "  frames %d to %d at %d frames per second\n", info.frameStart, info.frameEnd, root->GetFrameRate());
  Put(out, "\nNodes:\n");
  PrintTree(out, root, 0, detail);
  const PwGatherOptions options = gatherOptions(settings.params);
  PrintInstances(out, root, options);
  PrintLights(out, root, options);
  PrintCamera(out, scene, info);
  Put(out, "\nRender settings:\n");
  const std::string described =
      DescribeRenderSettings(settings, block,
                             detail == SceneDescribeDetail::WithInternals ? RenderSettingSelection::All
                                                                          : RenderSettingSelection::Settable);
  std::size_t start = 0;
  while (start < described.size()) {
    std::size_t end = described.find('\n', start);
    if (end == std::string::npos) end = described.size();
    out += "  " + described.substr(start, end - start) + "\n";
    start = end + 1;
  }
  return out;
}

}  // namespace pw
