// A whole scene: the root node with the scene-wide settings, owned by a
// Scene value that saves and loads it as a scene file.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/refs/class_desc.h"
#include "host/scene/node.h"
#include "host/render_api/rendering.h"
#include "host/refs/scene_file.h"

namespace host {

class Texmap;

// The top of the node tree. Besides its children it holds what belongs to
// the scene as a whole: the frame rate, the environment (background and
// ambient colours, global light level, environment map), the lights to use
// when the scene has none, the active camera's name and the renderer with
// its settings (any reference target; saved with the scene).
class SceneRoot : public INode {
 public:
  SceneRoot() : INode("Scene Root") {}

  Class_ID ClassID() const override { return SCENE_ROOT_CLASS_ID; }
  std::string GetClassName() const override { return "Scene Root"; }

  int GetFrameRate() const { return frameRate_; }
  // 1..TICKS_PER_SECOND frames per second; false (unchanged) otherwise.
  bool SetFrameRate(int fps);
  // Makes this scene's frame rate the one time conversions use.
  void ApplyFrameRate() const { FrameRate::SetFramesPerSecond(frameRate_); }

  Color backgroundColor;
  Color ambientLight;
  Color globalLightLevel{1.0f, 1.0f, 1.0f};
  std::vector<DefaultLight> defaultLights;
  std::string activeCamera;  // node name; empty: none

  Texmap* GetEnvironmentMap() const;
  void SetEnvironmentMap(Texmap* map);
  ReferenceTarget* GetRenderSettings() const { return renderSettings_; }
  void SetRenderSettings(ReferenceTarget* settings) { ReplaceReference(ExtraRefIndex(kRenderSettingsRef), settings); }

 protected:
  int NumExtraRefs() const override { return 2; }
  ReferenceTarget* GetExtraRef(int i) override;
  void SetExtraRef(int i, ReferenceTarget* target) override;
  IOResult SaveExtraChunks(ISave* isave) override;
  IOResult LoadExtraChunk(ILoad* iload) override;

 private:
  static constexpr int kRenderSettingsRef = 0;
  static constexpr int kEnvMapRef = 1;

  int frameRate_ = 30;
  ReferenceTarget* renderSettings_ = nullptr;
  ReferenceTarget* envMap_ = nullptr;
};

class Scene {
 public:
  // An empty scene.
  Scene();
  // Takes a root nothing else holds (a loaded one, for instance).
  explicit Scene(SceneRoot* root);
  Scene(Scene&&) noexcept;
  Scene& operator=(Scene&&) noexcept;
  ~Scene();

  SceneRoot* Root() const;

  // A new node named `name` showing obj, made the last child of parent (the
  // root when null).
  INode* CreateNode(std::string name, Object* obj = nullptr, INode* parent = nullptr);
  // The node named by the root's activeCamera, or null.
  INode* ActiveCameraNode() const;

  SceneSaveResult SaveToBytes() const;
  // Replace *out with the scene read, and make its frame rate current. On
  // failure *out is unchanged and error says why (naming the file).
  static bool LoadFromBytes(std::span<const std::uint8_t> bytes, const ClassRegistry& registry, Scene* out,
                            std::string* error);
  static bool LoadFromFile(const std::string& path, const ClassRegistry& registry, Scene* out,
                           std::string* error);

 private:
  static bool Adopt(SceneLoadResult loaded, Scene* out, std::string* error);
  std::unique_ptr<RefHolder> holder_;
};

}  // namespace host
