// Scene root chunks, after the node's own:
//   0x2100 frame rate (i32)
//   0x2101 background colour, 0x2102 ambient light, 0x2103 global light level (3 f32 each)
//   0x2104 active camera (string)
//   0x2105 default light, one each: i32 type, i32 shape, u32 flags (1 on,
//          2 overshoot, 4 shadow, 8 diffuse, 16 specular, 32 ambient only),
//          f32 colour (3), intensity, hotspot, falloff, aspect, then the light
//          state's matrix and the light's matrix (12 f32 each)
#include "host/scene/scene_model.h"

#include <cmath>
#include <cstring>

#include "host/shading/texmap.h"

namespace host {

namespace {

enum SceneRootChunk : std::uint16_t {
  ROOT_FRAME_RATE = 0x2100,
  ROOT_BACKGROUND = 0x2101,
  ROOT_AMBIENT = 0x2102,
  ROOT_LIGHT_LEVEL = 0x2103,
  ROOT_ACTIVE_CAMERA = 0x2104,
  ROOT_DEFAULT_LIGHT = 0x2105,
};

// The saved form of a DefaultLight: 3 words, 7 floats, two matrices.
constexpr std::size_t kDefaultLightBytes = 3 * 4 + 7 * 4 + 24 * 4;

void PutMatrix(std::vector<float>& out, const Matrix3& m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) out.push_back(m[r][c]);
}

Matrix3 GetMatrix(const float* f) {
  return Matrix3(Point3(f[0], f[1], f[2]), Point3(f[3], f[4], f[5]), Point3(f[6], f[7], f[8]),
                 Point3(f[9], f[10], f[11]));
}

void WriteColor(ISave* isave, std::uint16_t id, const Color& c) {
  const float v[3] = {c.r, c.g, c.b};
  isave->WriteChunk(id, v);
}

IOResult ReadColor(ILoad* iload, Color* c) {
  float v[3] = {};
  if (iload->ReadValue(&v) != IO_OK) return IO_ERROR;
  if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) {
    iload->SetError("scene root: a colour is not finite");
    return IO_ERROR;
  }
  *c = Color(v[0], v[1], v[2]);
  return IO_OK;
}

void WriteDefaultLight(ISave* isave, const DefaultLight& light) {
  const LightState& ls = light.ls;
  const std::int32_t words[2] = {ls.type, ls.shape};
  const std::uint32_t flags = (ls.on ? 1u : 0u) | (ls.overshoot ? 2u : 0u) | (ls.shadow ? 4u : 0u) |
                              (ls.affectDiffuse ? 8u : 0u) | (ls.affectSpecular ? 16u : 0u) |
                              (ls.ambientOnly ? 32u : 0u);
  std::vector<float> floats = {ls.color.r, ls.color.g, ls.color.b, ls.intens, ls.hotsize, ls.fallsize, ls.aspect};
  PutMatrix(floats, ls.tm);
  PutMatrix(floats, light.tm);
  isave->BeginChunk(ROOT_DEFAULT_LIGHT);
  isave->WriteValue(words);
  isave->WriteValue(flags);
  isave->Write(floats.data(), floats.size() * sizeof(float), nullptr);
  isave->EndChunk();
}

IOResult ReadDefaultLight(ILoad* iload, DefaultLight* light) {
  if (iload->CurChunkRemaining() != kDefaultLightBytes) {
    iload->SetError("scene root: a default light of " + std::to_string(iload->CurChunkRemaining()) +
                    " bytes, not " + std::to_string(kDefaultLightBytes));
    return IO_ERROR;
  }
  std::int32_t words[2] = {};
  std::uint32_t flags = 0;
  float f[31] = {};
  if (iload->ReadValue(&words) != IO_OK || iload->ReadValue(&flags) != IO_OK || iload->ReadValue(&f) != IO_OK)
    return IO_ERROR;
  for (float v : f)
    if (!std::isfinite(v)) {
      iload->SetError("scene root: a default light holds a number that is not finite");
      return IO_ERROR;
    }
  if (words[0] < OMNI_LGT || words[0] > AMBIENT_LGT) {
    iload->SetError("scene root: a default light of unknown type " + std::to_string(words[0]));
    return IO_ERROR;
  }
  LightState& ls = light->ls;
  ls.type = words[0];
  ls.shape = words[1] == RECT_LIGHT ? RECT_LIGHT : CIRCLE_LIGHT;
  ls.on = flags & 1u;
  ls.overshoot = flags & 2u;
  ls.shadow = flags & 4u;
  ls.affectDiffuse = flags & 8u;
  ls.affectSpecular = flags & 16u;
  ls.ambientOnly = flags & 32u;
  ls.color = Color(f[0], f[1], f[2]);
  ls.intens = f[3];
  ls.hotsize = f[4];
  ls.fallsize = f[5];
  ls.aspect = f[6];
  ls.tm = GetMatrix(f + 7);
  light->tm = GetMatrix(f + 19);
  return IO_OK;
}

}  // namespace

// ---- SceneRoot -------------------------------------------------------------------

bool SceneRoot::SetFrameRate(int fps) {
  if (fps < 1 || fps > TICKS_PER_SECOND) return false;
  frameRate_ = fps;
  return true;
}

Texmap* SceneRoot::GetEnvironmentMap() const { return dynamic_cast<Texmap*>(envMap_); }

void SceneRoot::SetEnvironmentMap(Texmap* map) { ReplaceReference(ExtraRefIndex(kEnvMapRef), map); }

ReferenceTarget* SceneRoot::GetExtraRef(int i) {
  if (i == kRenderSettingsRef) return renderSettings_;
  if (i == kEnvMapRef) return envMap_;
  return nullptr;
}

void SceneRoot::SetExtraRef(int i, ReferenceTarget* target) {
  if (i == kRenderSettingsRef) renderSettings_ = target;
  if (i == kEnvMapRef) envMap_ = target;
}

IOResult SceneRoot::SaveExtraChunks(ISave* isave) {
  isave->WriteChunk(ROOT_FRAME_RATE, static_cast<std::int32_t>(frameRate_));
  WriteColor(isave, ROOT_BACKGROUND, backgroundColor);
  WriteColor(isave, ROOT_AMBIENT, ambientLight);
  WriteColor(isave, ROOT_LIGHT_LEVEL, globalLightLevel);
  isave->WriteStringChunk(ROOT_ACTIVE_CAMERA, activeCamera);
  for (const DefaultLight& light : defaultLights) WriteDefaultLight(isave, light);
  return IO_OK;
}

IOResult SceneRoot::LoadExtraChunk(ILoad* iload) {
  switch (iload->CurChunkID()) {
    case ROOT_FRAME_RATE: {
      std::int32_t fps = 0;
      if (iload->ReadValue(&fps) != IO_OK) return IO_ERROR;
      if (!SetFrameRate(fps)) {
        iload->SetError("scene root: frame rate " + std::to_string(fps) + " is out of range");
        return IO_ERROR;
      }
      return IO_OK;
    }
    case ROOT_BACKGROUND:
      return ReadColor(iload, &backgroundColor);
    case ROOT_AMBIENT:
      return ReadColor(iload, &ambientLight);
    case ROOT_LIGHT_LEVEL:
      return ReadColor(iload, &globalLightLevel);
    case ROOT_ACTIVE_CAMERA:
      return iload->ReadCStringChunk(&activeCamera);
    case ROOT_DEFAULT_LIGHT: {
      DefaultLight light;
      if (ReadDefaultLight(iload, &light) != IO_OK) return IO_ERROR;
      defaultLights.push_back(light);
      return IO_OK;
    }
    default:
      return IO_OK;
  }
}

// ---- Scene -----------------------------------------------------------------------------

Scene::Scene() : holder_(std::make_unique<RefHolder>(new SceneRoot())) {}

Scene::Scene(SceneRoot* root) : holder_(std::make_unique<RefHolder>(root)) {}

Scene::Scene(Scene&&) noexcept = default;
Scene& Scene::operator=(Scene&&) noexcept = default;
Scene::~Scene() = default;

SceneRoot* Scene::Root() const { return holder_ ? static_cast<SceneRoot*>(holder_->get()) : nullptr; }

INode* Scene::CreateNode(std::string name, Object* obj, INode* parent) {
  auto* node = new INode(std::move(name));
  if (obj) node->SetObjectRef(obj);
  INode* under = parent ? parent : Root();
  if (!under || !under->AttachChild(node)) {
    node->DeleteThis();
    return nullptr;
  }
  return node;
}

INode* Scene::ActiveCameraNode() const {
  SceneRoot* root = Root();
  if (!root || root->activeCamera.empty()) return nullptr;
  return FindNodeByName(root, root->activeCamera);
}

SceneSaveResult Scene::SaveToBytes() const { return SaveSceneToBytes(Root()); }

bool Scene::Adopt(SceneLoadResult loaded, Scene* out, std::string* error) {
  if (!loaded.ok()) {
    if (error) *error = loaded.error;
    return false;
  }
  auto* root = dynamic_cast<SceneRoot*>(loaded.root);
  if (!root) {
    if (error) *error = "the file holds a " + loaded.root->GetClassName() + ", not a scene";
    loaded.root->DeleteThis();
    return false;
  }
  root->ApplyFrameRate();
  *out = Scene(root);
  return true;
}

bool Scene::LoadFromBytes(std::span<const std::uint8_t> bytes, const ClassRegistry& registry, Scene* out,
                          std::string* error) {
  return Adopt(LoadSceneFromBytes(bytes, registry), out, error);
}

bool Scene::LoadFromFile(const std::string& path, const ClassRegistry& registry, Scene* out, std::string* error) {
  SceneLoadResult loaded = LoadSceneFile(path, registry);
  if (loaded.ok() && !dynamic_cast<SceneRoot*>(loaded.root)) {
    if (error) *error = path + ": the file holds a " + loaded.root->GetClassName() + ", not a scene";
    loaded.root->DeleteThis();
    return false;
  }
  return Adopt(std::move(loaded), out, error);
}

}  // namespace host
