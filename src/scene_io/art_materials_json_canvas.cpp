// "artMaterials.canvas": the paper texture and light of the scene's canvas.
#include <numbers>

#include "host/shading/scene_aux_files.h"
#include "library/library_materials.h"
#include "scene_io/art_materials_json_build.h"
#include "surfaces/canvas.h"

namespace pw {

namespace {

constexpr float kMaxAngleDegrees = 360.0f;
constexpr float kMaxElevationDegrees = 90.0f;

float Radians(float degrees) { return static_cast<float>(degrees * std::numbers::pi / 180.0); }

}  // namespace

bool ReadJsonCanvas(ArtJsonBuild& b, const host::JsonValue& v, const std::string& path) {
  host::JsonObject o(b.ctx, v, path);
  std::string texture;
  bool textureOn = true;
  host::Color color;
  float angle = 0.0f, elevation = 0.0f;
  if (!o.Check({"texture", "textureOn", "lightColor", "lightAngle", "lightElevation"}) ||
      !o.String("texture", &texture) || !o.Bool("textureOn", &textureOn) || !o.Color("lightColor", &color) ||
      !o.Float("lightAngle", 0.0f, kMaxAngleDegrees, &angle) ||
      !o.Float("lightElevation", 0.0f, kMaxElevationDegrees, &elevation))
    return false;
  auto* canvas = dynamic_cast<PwCanvas*>(b.library.Get(b.library.Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_CANVAS)));
  if (!canvas) return b.ctx.Fail(path, "the library has no canvas");
  if (o.Has("texture")) {
    if (texture.empty()) {
      canvas->SetTextureName("");
    } else {
      const std::string resolved = b.ctx.Resolve(texture);
      // Rendering reports it missing; warned here too, at the place it is named.
      if (!host::ResolveMapPath(resolved)) b.ctx.Warn(o.PathOf("texture"), "texture '" + resolved + "' not found");
      canvas->SetTextureName(resolved);
      canvas->SetNameIsFile(true);
    }
  }
  if (o.Has("textureOn")) canvas->SetTextureOn(textureOn);
  if (o.Has("lightColor")) canvas->SetLightColor(0, color);
  if (o.Has("lightAngle")) canvas->SetLightAngle(0, Radians(angle));
  if (o.Has("lightElevation")) canvas->SetLightElevation(0, Radians(elevation));
  return true;
}

}  // namespace pw
