// "materials" and material references of a scene description.
#include <cmath>
#include <filesystem>

#include "host/shading/mtl_multi.h"
#include "host/shading/mtl_std.h"
#include "scene_io/scene_json_build.h"
#include "host/shading/texmap_bitmap.h"
#include "surfaces/cel_shader.h"

namespace host {

namespace {

constexpr float kMaxSpecularLevel = 10.0f;  // highlights ten times the light's strength at most
constexpr float kMaxTiling = 1.0e6f;

// "file.png", or {"file", "channel", "tiling", "offset", "repeat"}.
BitmapTex* JsonTexture(JsonSceneBuild& b, const JsonValue& v, const std::string& path) {
  JsonContext& ctx = b.ctx;
  std::string file;
  int channel = 1;
  Point2 tiling(1.0f, 1.0f), offset;
  bool repeat = true;
  std::string filePath = path;
  if (v.IsString()) {
    file = v.text;
  } else {
    JsonObject o(ctx, v, path);
    if (!o.Check({"file", "channel", "tiling", "offset", "repeat"}) || !o.String("file", &file) ||
        !o.Int("channel", 0, 99, &channel) || !o.Bool("repeat", &repeat))
      return nullptr;
    if (!o.Has("file")) {
      ctx.Fail(path, "a texture needs a file");
      return nullptr;
    }
    filePath = o.PathOf("file");
    if (const JsonValue* t = o.Has("tiling"); t && !JsonPoint2(ctx, *t, o.PathOf("tiling"), &tiling)) return nullptr;
    if (const JsonValue* t = o.Has("offset"); t && !JsonPoint2(ctx, *t, o.PathOf("offset"), &offset)) return nullptr;
    if (std::fabs(tiling.x) > kMaxTiling || std::fabs(tiling.y) > kMaxTiling) {
      ctx.Fail(o.PathOf("tiling"), "too large");
      return nullptr;
    }
  }
  if (file.empty()) {
    ctx.Fail(filePath, "the file name is empty");
    return nullptr;
  }
  const std::string resolved = ctx.Resolve(file);
  // Found beside the description or, by its file name, in a map folder.
  if (!host::ResolveMapPath(resolved)) ctx.Warn(filePath, "texture '" + resolved + "' not found");
  auto* tex = b.Keep(new BitmapTex());
  tex->SetMapName(resolved);
  tex->SetMapChannel(channel);
  tex->SetTiling(tiling.x, tiling.y);
  tex->SetOffset(offset.x, offset.y);
  tex->SetWrap(repeat, repeat);
  return tex;
}

Mtl* JsonStandard(JsonSceneBuild& b, JsonObject& o, const std::string& name) {
  if (!o.Check({"name", "type", "diffuse", "ambient", "specular", "glossiness", "specularLevel", "opacity", "twoSided",
                "faceted", "wire", "diffuseMap", "shader", "celPreset"}))
    return nullptr;
  int shader = 0, celPreset = -1;
  if (!o.Choice("shader", {"blinn", "cel"}, &shader) ||
      !o.Choice("celPreset", {"Flat", "Cartoon", "Comic", "Cel"}, &celPreset))
    return nullptr;
  if (celPreset >= 0 && shader != 1) {
    b.ctx.Fail(o.PathOf("celPreset"), "a cel preset needs \"shader\": \"cel\"");
    return nullptr;
  }
  auto* m = b.Keep(new StdMat());
  m->SetName(name);
  Color diffuse = m->GetDiffuse(), ambient, specular = m->GetSpecular();
  float gloss = m->GetShininess(), level = m->GetShinStr(), opacity = 1.0f;
  bool twoSided = false, faceted = false, wire = false;
  if (!o.Color("diffuse", &diffuse) || !o.Color("ambient", &ambient) || !o.Color("specular", &specular) ||
      !o.Float("glossiness", 0.0f, 1.0f, &gloss) || !o.Float("specularLevel", 0.0f, kMaxSpecularLevel, &level) ||
      !o.Float("opacity", 0.0f, 1.0f, &opacity) || !o.Bool("twoSided", &twoSided) || !o.Bool("faceted", &faceted) ||
      !o.Bool("wire", &wire))
    return nullptr;
  m->SetDiffuse(diffuse, 0);
  // Without its own ambient colour a material's shadows take its diffuse colour.
  m->SetAmbient(o.Has("ambient") ? ambient : diffuse, 0);
  m->SetSpecular(specular, 0);
  m->SetShininess(gloss, 0);
  m->SetShinStr(level, 0);
  m->SetOpacity(opacity, 0);
  m->SetTwoSided(twoSided);
  m->SetFaceted(faceted);
  m->SetWire(wire);
  if (const JsonValue* map = o.Has("diffuseMap")) {
    BitmapTex* tex = JsonTexture(b, *map, o.PathOf("diffuseMap"));
    if (!tex) return nullptr;
    m->SetSubTexmap(ID_DI, tex);
  }
  if (shader == 1) {
    // The cel shader takes the colours over as its Shadow, Main and
    // Highlight; a preset then sets the bands (and may match the colours).
    auto* cel = new pw::PwCelShader();
    m->SetShader(cel);
    if (celPreset >= 0) cel->ApplyCelPreset(celPreset);
  }
  return m;
}

Mtl* JsonMulti(JsonSceneBuild& b, JsonObject& o, const std::string& name) {
  if (!o.Check({"name", "type", "slots"})) return nullptr;
  const JsonValue* slots = o.Has("slots");
  if (!slots || !slots->IsArray() || slots->items.empty()) {
    b.ctx.Fail(o.PathOf("slots"), "a multi material needs an array of slots");
    return nullptr;
  }
  if (slots->items.size() > static_cast<std::size_t>(MultiMtl::kMaxSlots)) {
    b.ctx.Fail(o.PathOf("slots"), "more than " + std::to_string(MultiMtl::kMaxSlots) + " slots");
    return nullptr;
  }
  auto* multi = b.Keep(new MultiMtl());
  multi->SetName(name);
  for (std::size_t i = 0; i < slots->items.size(); ++i) {
    const std::string sp = JsonItem(o.PathOf("slots"), i);
    JsonObject slot(b.ctx, slots->items[i], sp);
    std::string slotName;
    if (!slot.Check({"name", "material"}) || !slot.String("name", &slotName)) return nullptr;
    Mtl* sub = nullptr;
    if (const JsonValue* m = slot.Has("material"); m && !m->IsNull()) {
      sub = JsonMaterialRef(b, *m, slot.PathOf("material"));
      if (!sub) return nullptr;
    }
    if (slotName.empty() && sub) slotName = sub->GetName();
    multi->AddSubMtl(sub, slotName);
  }
  return multi;
}

// A material definition; named ones need their name.
Mtl* JsonMaterialDef(JsonSceneBuild& b, const JsonValue& v, const std::string& path, bool needName) {
  JsonObject o(b.ctx, v, path);
  if (!v.IsObject()) {
    b.ctx.Fail(path, "expected a material (an object)");
    return nullptr;
  }
  std::string name;
  int type = 0;
  if (!o.String("name", &name) || !o.Choice("type", {"standard", "multi"}, &type)) return nullptr;
  if (needName && name.empty()) {
    b.ctx.Fail(o.PathOf("name"), o.Has("name") ? "the name is empty" : "a material here needs a name");
    return nullptr;
  }
  return type == 0 ? JsonStandard(b, o, name) : JsonMulti(b, o, name);
}

}  // namespace

bool ReadJsonMaterials(JsonSceneBuild& b, const JsonValue& v, const std::string& path) {
  if (!v.IsArray()) return b.ctx.Fail(path, "expected an array of materials");
  for (std::size_t i = 0; i < v.items.size(); ++i) {
    const std::string p = JsonItem(path, i);
    Mtl* m = JsonMaterialDef(b, v.items[i], p, true);
    if (!m) return false;
    if (!b.materials.emplace(m->GetName(), m).second)
      return b.ctx.Fail(JsonMember(p, "name"), "another material is named '" + m->GetName() + "' already");
  }
  return true;
}

Mtl* JsonMaterialRef(JsonSceneBuild& b, const JsonValue& v, const std::string& path) {
  if (v.IsString()) {
    auto it = b.materials.find(v.text);
    if (it == b.materials.end()) {
      b.ctx.Fail(path, "no material is named '" + v.text + "'");
      return nullptr;
    }
    return it->second;
  }
  return JsonMaterialDef(b, v, path, false);
}

}  // namespace host
