#include "scene_io/scene_json.h"

#include <charconv>
#include <filesystem>

#include "host/scene/camera.h"
#include "host/io/whole_file.h"
#include "scene_io/scene_json_build.h"

namespace host {

namespace {

constexpr int kFormatVersion = 1;
constexpr int kMaxImageSide = 32768;
constexpr int kMaxFrame = 1000000;

std::string SettingText(const JsonValue& v) {
  if (v.IsString()) return v.text;
  if (v.IsBool()) return v.boolean ? "true" : "false";
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v.number);
  return std::string(buf, r.ptr);
}

bool FramePair(JsonContext& ctx, const JsonValue& v, const std::string& path, int* first, int* last) {
  if (!v.IsArray() || v.items.size() != 2) return ctx.Fail(path, "expected [first, last]");
  if (!JsonInt(ctx, v.items[0], JsonItem(path, 0), -kMaxFrame, kMaxFrame, first) ||
      !JsonInt(ctx, v.items[1], JsonItem(path, 1), -kMaxFrame, kMaxFrame, last))
    return false;
  if (*last < *first) return ctx.Fail(path, "the last frame comes before the first");
  return true;
}

bool TimeOutputChoice(JsonContext& ctx, const JsonValue& v, const std::string& path, SceneInputInfo& info) {
  std::string word;
  if (!JsonString(ctx, v, path, &word)) return false;
  if (word == "single") {
    info.timeOutput = TimeOutput::Single;
  } else if (word == "active") {
    info.timeOutput = TimeOutput::Active;
  } else if (word == "range") {
    info.timeOutput = TimeOutput::Range;
  } else {
    return ctx.Fail(path, "'" + word + "' is not one of 'single', 'active', 'range'");
  }
  return true;
}

// "render": every member a setting by name; an object member holds the
// settings below that name ("vectorFormatOptions": {"colorMode": ...}).
bool RenderSettings(JsonContext& ctx, const JsonValue& v, const std::string& path, const std::string& prefix,
                    SceneInputInfo& info) {
  if (!v.IsObject()) return ctx.Fail(path, "expected an object of settings by name");
  for (const auto& [key, value] : v.members) {
    const std::string p = JsonMember(path, key);
    // The frames to render are the host's settings, not the renderer's.
    if (prefix.empty() && key == "timeOutput") {
      if (!TimeOutputChoice(ctx, value, p, info)) return false;
      continue;
    }
    if (prefix.empty() && key == "timeRange") {
      if (!FramePair(ctx, value, p, &info.rangeStart, &info.rangeEnd)) return false;
      continue;
    }
    if (value.IsObject() && prefix.empty()) {
      if (!RenderSettings(ctx, value, p, key + ".", info)) return false;
      continue;
    }
    if (!value.IsString() && !value.IsNumber() && !value.IsBool())
      return ctx.Fail(p, "a setting's value is a string, a number, true or false");
    info.renderSettings.push_back({prefix + key, SettingText(value), ctx.Where(p)});
  }
  return true;
}


bool Image(JsonContext& ctx, const JsonValue& v, const std::string& path, SceneInputInfo& info) {
  JsonObject o(ctx, v, path);
  return o.Check({"width", "height"}) && o.Int("width", 1, kMaxImageSide, &info.imageWidth) &&
         o.Int("height", 1, kMaxImageSide, &info.imageHeight);
}

bool ActiveCamera(JsonSceneBuild& b, const JsonValue& v, const std::string& path) {
  std::string name;
  if (!JsonString(b.ctx, v, path, &name)) return false;
  INode* node = FindNodeByName(b.scene.Root(), name);
  if (!node) return b.ctx.Fail(path, "no node is named '" + name + "'");
  if (!dynamic_cast<CameraObject*>(node->GetObjectRef())) return b.ctx.Fail(path, "'" + name + "' is no camera");
  b.scene.Root()->activeCamera = name;
  return true;
}

bool ReadTop(JsonSceneBuild& b, const JsonValue& top, SceneInputInfo& info) {
  JsonContext& ctx = b.ctx;
  JsonObject o(ctx, top, "");
  int version = kFormatVersion, fps = b.scene.Root()->GetFrameRate();
  SceneRoot* root = b.scene.Root();
  // "artMaterials" belongs to the art-material library: it is handed back
  // in info and applied once the scene stands.
  if (!o.Check({"version", "frameRate", "frames", "currentFrame", "image", "background", "ambient", "camera", "render", "materials",
                "include",
                "meshes", "nodes", "artMaterials"}) ||
      !o.Int("version", kFormatVersion, kFormatVersion, &version) || !o.Int("frameRate", 1, TICKS_PER_SECOND, &fps) ||
      !o.Color("background", &root->backgroundColor) || !o.Color("ambient", &root->ambientLight))
    return false;
  root->SetFrameRate(fps);
  ctx.ticksPerFrame = TICKS_PER_SECOND / fps;
  if (const JsonValue* v = o.Has("frames");
      v && !FramePair(ctx, *v, o.PathOf("frames"), &info.frameStart, &info.frameEnd))
    return false;
  if (const JsonValue* v = o.Has("currentFrame")) {
    int frame = 0;
    if (!JsonInt(ctx, *v, o.PathOf("currentFrame"), -kMaxFrame, kMaxFrame, &frame)) return false;
    info.currentFrame = frame;
  }
  if (const JsonValue* v = o.Has("image"); v && !Image(ctx, *v, o.PathOf("image"), info)) return false;
  if (const JsonValue* v = o.Has("render"); v && !RenderSettings(ctx, *v, o.PathOf("render"), "", info)) return false;
  if (const JsonValue* v = o.Has("render"); v && info.timeOutput == TimeOutput::Range && !v->Find("timeRange"))
    return ctx.Fail(JsonMember(o.PathOf("render"), "timeOutput"),
                    "'range' renders the frames of render.timeRange, which is missing");
  if (const JsonValue* v = o.Has("materials"); v && !ReadJsonMaterials(b, *v, o.PathOf("materials"))) return false;
  if (const JsonValue* v = o.Has("meshes"); v && !ReadJsonMeshes(b, *v, o.PathOf("meshes"))) return false;
  JsonIncluded included;
  if (const JsonValue* v = o.Has("include"); v && !ReadJsonIncludes(b, *v, o.PathOf("include"), &included))
    return false;
  if (const JsonValue* v = o.Has("nodes"); v && !ReadJsonNodes(b, *v, o.PathOf("nodes"), root)) return false;
  if (!FinishJsonNodes(b)) return false;
  if (const JsonValue* v = o.Has("camera"); v && !ActiveCamera(b, *v, o.PathOf("camera"))) return false;
  FinishJsonIncludes(b, included, o.Has("image") != nullptr, o.Has("frames") != nullptr, info);
  if (const JsonValue* v = o.Has("artMaterials")) info.artMaterials = *v;
  return true;
}

}  // namespace

bool ReadSceneJson(const std::string& path, Scene& scene, SceneInputInfo& info, std::string* error) {
  std::string text;
  if (!ReadWholeFile(path, text, error)) return false;
  JsonValue top;
  std::string parseError;
  if (!ParseJson(text, top, &parseError)) {
    *error = path + ": " + parseError;
    return false;
  }
  JsonSceneBuild b{{}, scene, {}, {}, {}, {}, {}, {}};
  b.ctx.file = path;
  b.ctx.folder = std::filesystem::path(path).parent_path();
  info.format = "json";
  if (!ReadTop(b, top, info)) {
    *error = b.ctx.error;
    return false;
  }
  return true;
}

}  // namespace host
