// Cameras and lights of a scene description.
#include <cmath>
#include <numbers>

#include "host/scene/camera.h"
#include "host/scene/light.h"
#include "scene_io/scene_json_build.h"

namespace host {

namespace {

constexpr float kRadiansPerDegree = std::numbers::pi_v<float> / 180.0f;
constexpr float kDefaultFovDegrees = 45.0f;
constexpr float kMinFovDegrees = 0.1f;
constexpr float kMaxFovDegrees = 179.0f;
constexpr float kMaxDistance = 1.0e30f;
constexpr float kNoFarClip = 1.0e30f;
constexpr float kMaxMultiplier = 1000.0f;
constexpr float kMaxConeDegrees = 179.5f;

}  // namespace

Object* JsonCamera(JsonSceneBuild& b, const JsonValue& v, const std::string& path, bool hasTarget) {
  JsonObject o(b.ctx, v, path);
  int type = 0;
  float fovDeg = kDefaultFovDegrees, width = 0.0f, nearClip = 0.0f, farClip = kNoFarClip, tdist = 0.0f;
  if (!o.Check({"type", "fov", "width", "near", "far", "targetDistance"}) ||
      !o.Choice("type", {"perspective", "orthographic"}, &type) ||
      !o.Float("fov", kMinFovDegrees, kMaxFovDegrees, &fovDeg) || !o.Float("width", 0.0f, kMaxDistance, &width) ||
      !o.Float("near", 0.0f, kMaxDistance, &nearClip) || !o.Float("far", 0.0f, kMaxDistance, &farClip) ||
      !o.Float("targetDistance", 0.0f, kMaxDistance, &tdist))
    return nullptr;
  const bool ortho = type == 1;
  if (o.Has("width") && !ortho) {
    b.ctx.Fail(o.PathOf("width"), "only an orthographic camera has a width");
    return nullptr;
  }
  if (ortho && o.Has("width") && !(width > 0.0f)) {
    b.ctx.Fail(o.PathOf("width"), "the view must be wider than 0");
    return nullptr;
  }
  if ((o.Has("near") || o.Has("far")) && !(farClip > nearClip)) {
    b.ctx.Fail(o.PathOf("far"), "the far clipping distance must lie beyond the near one");
    return nullptr;
  }
  auto* cam = b.Keep(new GenCamera(hasTarget));
  const float fov = fovDeg * kRadiansPerDegree;
  cam->SetOrtho(ortho);
  cam->SetFOV(0, fov);
  // An orthographic view spans 2 x targetDistance x tan(fov / 2).
  if (ortho && o.Has("width")) cam->SetTDist(0, width / 2.0f / std::tan(fov / 2.0f));
  if (o.Has("targetDistance")) cam->SetTDist(0, tdist);
  if (o.Has("near") || o.Has("far")) {
    cam->SetManualClip(true);
    cam->SetClipDist(0, nearClip, farClip);
  }
  return cam;
}

Object* JsonLight(JsonSceneBuild& b, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  int type = 0, shape = 0;
  Color color(1.0f, 1.0f, 1.0f);
  float multiplier = 1.0f, hotspot = 43.0f, falloff = 45.0f, aspect = 1.0f;
  bool on = true, shadow = false, overshoot = false, diffuse = true, specular = true, ambientOnly = false;
  if (!o.Check({"type", "color", "multiplier", "hotspot", "falloff", "aspect", "shape", "on", "shadow", "overshoot",
                "affectDiffuse", "affectSpecular", "ambientOnly"}) ||
      !o.Choice("type", {"omni", "spot", "directional"}, &type) || !o.Color("color", &color) ||
      !o.Float("multiplier", -kMaxMultiplier, kMaxMultiplier, &multiplier) ||
      !o.Float("hotspot", 0.0f, kMaxConeDegrees, &hotspot) || !o.Float("falloff", 0.1f, kMaxConeDegrees, &falloff) ||
      !o.Float("aspect", 0.001f, 1000.0f, &aspect) || !o.Choice("shape", {"circle", "rectangle"}, &shape) ||
      !o.Bool("on", &on) || !o.Bool("shadow", &shadow) || !o.Bool("overshoot", &overshoot) ||
      !o.Bool("affectDiffuse", &diffuse) || !o.Bool("affectSpecular", &specular) ||
      !o.Bool("ambientOnly", &ambientOnly))
    return nullptr;
  const int lightType = type == 1 ? SPOT_LGT : type == 2 ? DIRECT_LGT : OMNI_LGT;
  if (lightType == OMNI_LGT)
    for (std::string_view k : {"hotspot", "falloff", "aspect", "shape", "overshoot"})
      if (o.Has(k)) {
        b.ctx.Fail(o.PathOf(k), "an omni light has no " + std::string(k));
        return nullptr;
      }
  if (hotspot > falloff) {
    b.ctx.Fail(o.PathOf("hotspot"), "the hotspot cannot be wider than the falloff");
    return nullptr;
  }
  auto* light = b.Keep(new GenLight(lightType));
  light->SetRGBColor(0, color);
  light->SetIntensity(0, multiplier);
  light->SetFallsize(0, falloff);
  light->SetHotspot(0, hotspot);
  light->SetAspect(0, aspect);
  light->SetSpotShape(shape == 1 ? RECT_LIGHT : CIRCLE_LIGHT);
  light->SetUseLight(on);
  light->SetShadow(shadow);
  light->SetOvershoot(overshoot);
  light->SetAffectDiffuse(diffuse);
  light->SetAffectSpecular(specular);
  light->SetAmbientOnly(ambientOnly);
  return light;
}

}  // namespace host
