#include "render_setup.h"

#include <cmath>
#include <numbers>

#include "host/imaging/bitmap.h"
#include "host/scene/camera.h"
#include "import/import_defaults.h"
#include "render/custom_output.h"
#include "scene_io/render_settings_by_name.h"
#include "vector_options.h"
#include "render/renderer_paramblock.h"

namespace pw::cli {

namespace {

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

host::CameraObject* CameraOf(host::INode* node) {
  host::Object* obj = node ? node->GetObjectRef() : nullptr;
  return dynamic_cast<host::CameraObject*>(obj ? obj->FindBaseObject() : nullptr);
}

void CollectCameras(host::INode* node, std::vector<std::string>& names) {
  for (int i = 0; i < node->NumberOfChildren(); ++i) {
    host::INode* child = node->GetChildNode(i);
    if (!child) continue;
    if (CameraOf(child)) names.push_back(child->GetName());
    CollectCameras(child, names);
  }
}

std::string CameraList(const host::Scene& scene) {
  std::vector<std::string> names;
  CollectCameras(scene.Root(), names);
  if (names.empty()) return "the scene has no cameras";
  std::string list = "cameras: ";
  for (std::size_t i = 0; i < names.size(); ++i) list += (i ? ", '" : "'") + names[i] + "'";
  return list;
}

// Proportional side, at least one pixel.
int Scaled(int given, int sceneOther, int sceneSame) {
  const double v = std::round(static_cast<double>(given) * sceneOther / sceneSame);
  return v < 1.0 ? 1 : v > host::Bitmap::kMaxSide ? host::Bitmap::kMaxSide : static_cast<int>(v);
}

}  // namespace

std::optional<ImageSize> ResolveImageSize(const RenderPlan& plan, ImageSize scene, std::string* error) {
  ImageSize size = scene;
  if (plan.width && plan.height) {
    size = {*plan.width, *plan.height};
  } else if (plan.width) {
    size = {*plan.width, scene.width > 0 ? Scaled(*plan.width, scene.height, scene.width) : *plan.width};
  } else if (plan.height) {
    size = {scene.height > 0 ? Scaled(*plan.height, scene.width, scene.height) : *plan.height, *plan.height};
  }
  if (!host::Bitmap::ValidSize(size.width, size.height)) {
    Fail(error, "a picture of " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                    " pixels cannot be made (each side 1 to " + std::to_string(host::Bitmap::kMaxSide) + ")");
    return std::nullopt;
  }
  return size;
}

bool CheckRegionInside(const PixelRegion& r, ImageSize size, std::string* error) {
  if (r.x1 < size.width && r.y1 < size.height) return true;
  return Fail(error, "--region " + std::to_string(r.x0) + "," + std::to_string(r.y0) + "," + std::to_string(r.x1) +
                         "," + std::to_string(r.y1) + " reaches outside the " + std::to_string(size.width) + " x " +
                         std::to_string(size.height) + " picture (the last pixel is " +
                         std::to_string(size.width - 1) + "," + std::to_string(size.height - 1) + ")");
}

host::INode* FindCameraNode(const host::Scene& scene, const std::string& name, std::string* error) {
  if (name.empty()) {
    host::INode* node = scene.ActiveCameraNode();
    if (!CameraOf(node)) Fail(error, "the scene has no camera to render through");
    return CameraOf(node) ? node : nullptr;
  }
  host::INode* node = host::FindNodeByName(scene.Root(), name);
  if (!node) {
    Fail(error, "--camera: no node is named '" + name + "' (" + CameraList(scene) + ")");
    return nullptr;
  }
  if (!CameraOf(node)) {
    Fail(error, "--camera: '" + name + "' is no camera (" + CameraList(scene) + ")");
    return nullptr;
  }
  return node;
}

bool RefitFramingCamera(host::Scene& scene, const host::SceneInputInfo& info, ImageSize size) {
  if (!info.framingCamera || info.imageWidth <= 0 || info.imageHeight <= 0) return false;
  // Same shape, same camera (compared without division).
  if (static_cast<long long>(size.width) * info.imageHeight == static_cast<long long>(size.height) * info.imageWidth)
    return false;
  host::INode* cam = host::AddFramingCamera(scene, static_cast<float>(size.width) / static_cast<float>(size.height));
  if (!cam) return false;
  scene.Root()->activeCamera = cam->GetName();
  return true;
}

host::ViewParams CameraViewParams(host::INode* cameraNode, host::TimeValue t) {
  host::ViewParams vp;
  const host::Matrix3 tm = cameraNode->GetObjTMAfterWSM(t);
  // The camera looks through its node's axes, not stretched by its scale.
  const host::Matrix3 unscaled(host::Normalize(tm[0]), host::Normalize(tm[1]), host::Normalize(tm[2]), tm[3]);
  vp.affineTM = host::Inverse(unscaled);
  host::CameraObject* cam = CameraOf(cameraNode);
  host::CameraState cs;
  host::Interval valid = host::FOREVER;
  if (!cam || !cam->EvalCameraState(t, valid, &cs)) return vp;
  vp.projType = cs.isOrtho ? host::PROJ_PARALLEL : host::PROJ_PERSPECTIVE;
  vp.fov = cs.fov;
  vp.distance = cs.tdist;
  if (cs.isOrtho) vp.zoom = 2.0f * cs.tdist * std::tan(cs.fov / 2.0f) / 400.0f;
  if (cs.manualClip) {
    vp.hither = cs.hither;
    vp.yon = cs.yon;
  }
  vp.nearRange = cs.nearRange;
  vp.farRange = cs.farRange;
  return vp;
}

bool ApplyRenderSettings(PwRendererSettings& settings, host::IParamBlock2* block,
                         const std::vector<host::RenderSettingText>& sceneSettings, const RenderPlan& plan,
                         std::string* error) {
  // The reasons do not name the setting: a scene's place ends in its name,
  // the command line's options are followed by it.
  std::string why;
  for (const host::RenderSettingText& s : sceneSettings)
    if (!SetRenderSetting(settings, block, s.name, s.value, &why)) return Fail(error, s.place + ": " + why);
  for (const auto& [name, value] : VectorPlanSettings(plan))
    if (!SetRenderSetting(settings, block, name, value, &why)) return Fail(error, "-o/--output: " + name + ": " + why);
  for (const SettingAssignment& a : plan.settings)
    if (!SetRenderSetting(settings, block, a.name, a.value, &why)) return Fail(error, "--set " + a.name + ": " + why);
  struct CustomFile {
    const std::string& path;
    const char* onName;
    const char* fileName;
    const char* option;
  };
  const CustomFile custom[] = {{plan.linesOut, "linesCustomOutputOn", "linesCustomOutput", "--lines-out"},
                               {plan.surfacesOut, "surfaceCustomOutputOn", "surfaceCustomOutput", "--surfaces-out"}};
  for (const CustomFile& c : custom) {
    if (c.path.empty()) continue;
    if (!SetRenderSetting(settings, block, c.onName, "true", &why))
      return Fail(error, std::string(c.option) + ": " + c.onName + ": " + why);
    if (!SetRenderSetting(settings, block, c.fileName, c.path, &why))
      return Fail(error, std::string(c.option) + ": " + c.fileName + ": " + why);
  }
  return true;
}

std::vector<PlannedFile> PlannedFiles(const RenderPlan& plan, const host::IParamBlock2& block) {
  std::vector<PlannedFile> files{{plan.outputPath, "-o/--output"}};
  const std::pair<PwCustomPass, const char*> passes[] = {{PwCustomPass::Lines, "linesCustomOutput"},
                                                        {PwCustomPass::Surfaces, "surfaceCustomOutput"}};
  for (const auto& [pass, name] : passes) {
    if (!CustomOutputOn(block, pass)) continue;
    const bool fromCli = pass == PwCustomPass::Lines ? !plan.linesOut.empty() : !plan.surfacesOut.empty();
    files.push_back({CustomOutputFileName(block, pass),
                     fromCli ? (pass == PwCustomPass::Lines ? "--lines-out" : "--surfaces-out") : name});
  }
  return files;
}

}  // namespace pw::cli
