#include "scene_io/scene_input.h"

#include <cmath>

#include "host/scene/camera.h"
#include "import/import_defaults.h"
#include "host/io/whole_file.h"
#include "import/import_gltf.h"
#include "import/import_obj.h"
#include "scene_io/scene_json.h"

namespace host {

namespace {

// The first camera node, depth first.
INode* FirstCamera(INode* node) {
  for (int i = 0; i < node->NumberOfChildren(); ++i) {
    INode* child = node->GetChildNode(i);
    if (!child) continue;
    if (dynamic_cast<CameraObject*>(child->GetObjectRef())) return child;
    if (INode* found = FirstCamera(child)) return found;
  }
  return nullptr;
}

// A model file rendered as it is: its camera's shape, its animation's length.
bool ImportModel(const std::string& path, const std::string& ext, Scene& scene, SceneInputInfo& info,
                 std::string* error) {
  ImportSummary summary;
  const bool gltf = ext == ".gltf" || ext == ".glb";
  info.format = gltf ? "gltf" : "obj";
  if (!(gltf ? ImportGltf(path, scene, nullptr, error, &summary) : ImportObj(path, scene, nullptr, error, &summary)))
    return false;
  if (summary.cameraAspect > 0.0f) info.imageHeight = PictureHeightForAspect(info.imageWidth, summary.cameraAspect);
  if (summary.animated)
    info.frameEnd = LastFrameOfKeys(summary.lastKey, TICKS_PER_SECOND / scene.Root()->GetFrameRate());
  return true;
}

bool LoadScene(const std::string& path, Scene& out, std::string* error, SceneInputInfo* info) {
  SceneInputInfo local;
  SceneInputInfo& in = info ? *info : local;
  in = SceneInputInfo();

  Scene scene;
  const std::string ext = LowerExtension(path);
  bool ok = false;
  if (ext == ".json") {
    ok = ReadSceneJson(path, scene, in, error);
  } else if (ext == ".obj" || ext == ".gltf" || ext == ".glb") {
    ok = ImportModel(path, ext, scene, in, error);
  } else {
    *error = path + ": unknown kind of scene file (expected .json, .obj, .gltf or .glb)";
    return false;
  }
  if (!ok) return false;

  SceneRoot* root = scene.Root();
  root->ApplyFrameRate();
  if (root->activeCamera.empty()) {
    INode* cam = FirstCamera(root);
    if (!cam) {
      cam = AddFramingCamera(scene, static_cast<float>(in.imageWidth) / static_cast<float>(in.imageHeight));
      in.framingCamera = true;
    }
    if (cam) root->activeCamera = cam->GetName();
  }
  if (root->defaultLights.empty()) root->defaultLights = HostDefaultLights();
  out = std::move(scene);
  return true;
}

}  // namespace

int PictureHeightForAspect(int width, float aspect) {
  return std::max(1, static_cast<int>(std::lround(static_cast<float>(width) / aspect)));
}

int LastFrameOfKeys(TimeValue lastKey, int ticksPerFrame) { return (lastKey + ticksPerFrame - 1) / ticksPerFrame; }

bool LoadSceneInput(const std::string& path, Scene& out, std::string* error, SceneInputInfo* info) {
  std::string ignored;
  if (!error) error = &ignored;
  try {
    return LoadScene(path, out, error, info);
  } catch (const std::exception& e) {
    // Only running out of memory gets here: every bad input has its message.
    *error = path + ": " + e.what();
    return false;
  }
}

}  // namespace host
