#include "surfaces/cel_shader.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/shading/mtl.h"
#include "plugin/class_ids.h"
#include "surfaces/legacy_block.h"

namespace pw {

namespace {

using host::Color;
using host::Interval;
using host::ParamDef;
using host::Point3;
using host::TimeValue;

const host::ParamBlockDesc2 kCelBlock(
    host::BlockSpec(0, "shaderParameters", PW_CEL_SHADER_CLASS_ID, host::SHADER_CLASS_ID).AutoConstruct(0),
    {
        ParamDef(kCelShadowOn, "shadowOn", host::TYPE_BOOL).Default(true).Ui("Shadow On"),
        ParamDef(kCelMainOn, "mainOn", host::TYPE_BOOL).Default(true).Ui("Main On"),
        ParamDef(kCelHighlightOn, "highlightOn", host::TYPE_BOOL).Default(true).Ui("Highlight On"),
        ParamDef(kCelShadowSize, "shadowSize", host::TYPE_FLOAT).Animatable().Default(0.1f).Ui("Shadow Size"),
        ParamDef(kCelMainSize, "mainSize", host::TYPE_FLOAT).Animatable().Default(0.8f).Ui("Main Size"),
        ParamDef(kCelHighlightSize, "highlightSize", host::TYPE_FLOAT).Animatable().Default(0.1f).Ui("Highlight Size"),
        ParamDef(kCelAmbient, "ambient", host::TYPE_RGBA).Animatable().Default(Color(0.0f, 0.0f, 0.0f)).Ui("Shadow"),
        ParamDef(kCelDiffuse, "diffuse", host::TYPE_RGBA).Animatable().Default(Color(0.5f, 0.5f, 0.5f)).Ui("Main"),
        ParamDef(kCelSpecular, "specular", host::TYPE_RGBA).Animatable().Default(Color(1.0f, 1.0f, 1.0f)).Ui("Highlight"),
        ParamDef(kCelShadowOpacity, "shadowOpacity", host::TYPE_FLOAT).Animatable().Default(1.0f).Ui("Shadow Opacity"),
        ParamDef(kCelMainOpacity, "mainOpacity", host::TYPE_FLOAT).Animatable().Default(1.0f).Ui("Main Opacity"),
        ParamDef(kCelHighlightOpacity, "highlightOpacity", host::TYPE_FLOAT)
            .Animatable()
            .Default(1.0f)
            .Ui("Highlight Opacity"),
        ParamDef(kCelShadowBrightness, "shadowBrightness", host::TYPE_FLOAT)
            .Animatable()
            .Default(1.0f)
            .Ui("Shadow Brightness"),
        ParamDef(kCelMainBrightness, "mainBrightness", host::TYPE_FLOAT).Animatable().Default(1.0f).Ui("Main Brightness"),
        ParamDef(kCelHighlightBrightness, "highlightBrightness", host::TYPE_FLOAT)
            .Animatable()
            .Default(1.0f)
            .Ui("Highlight Brightness"),
        ParamDef(kCelBlendingMainShadow, "blendingMainShadow", host::TYPE_FLOAT)
            .Animatable()
            .Default(0.02f)
            .Ui("Blending Main and Shadow"),
        ParamDef(kCelBlendingMainHighlight, "blendingMainHighlight", host::TYPE_FLOAT)
            .Animatable()
            .Default(0.02f)
            .Ui("Blending Main and Highlight"),
        ParamDef(kCelLockBlending, "lockBlending", host::TYPE_BOOL).Default(true).Ui("Lock Blending"),
        ParamDef(kCelLightColorTinting, "lightColorTinting", host::TYPE_FLOAT)
            .Animatable()
            .Default(0.0f)
            .Ui("Light Color Tinting"),
        ParamDef(kCelShading, "shading", host::TYPE_FLOAT).Animatable().Default(0.0f).Ui("Shading"),
        ParamDef(kCelDesaturate, "desaturate", host::TYPE_FLOAT).Animatable().Default(0.0f).Ui("Desaturate"),
        ParamDef(kCelShadowMainTexLock, "shadowMainTexLock", host::TYPE_BOOL)
            .Default(true)
            .Ui("Ambient-Diffuse Texture Lock"),
        ParamDef(kCelADLock, "adLock", host::TYPE_BOOL).Default(false).Ui("Ambient-Diffuse Lock"),
        ParamDef(kCelDSLock, "dsLock", host::TYPE_BOOL).Default(false).Ui("Diffuse-Specular Lock"),
        ParamDef(kCelUseSelfIllumColor, "useSelfIllumColor", host::TYPE_BOOL).Default(false).Ui("Use Self Illum Color"),
        ParamDef(kCelSelfIllumAmount, "selfIllumAmount", host::TYPE_PCNT_FRAC)
            .Animatable()
            .Default(0.0f)
            .Range(0.0, 1.0)
            .Ui("Self-Illumination"),
        ParamDef(kCelSelfIllumColor, "selfIllumColor", host::TYPE_RGBA)
            .Animatable()
            .Default(Color(0.0f, 0.0f, 0.0f))
            .Ui("Self-Illum Color"),
        ParamDef(kCelSpecularLevel, "specularLevel", host::TYPE_PCNT_FRAC)
            .Animatable()
            .Default(0.0f)
            .Range(0.0, 9.99)
            .Ui("Specular Level"),
        ParamDef(kCelGlossiness, "glossiness", host::TYPE_PCNT_FRAC)
            .Animatable()
            .Default(0.0f)
            .Range(0.0, 1.0)
            .Ui("Glossiness"),
        ParamDef(kCelSoften, "soften", host::TYPE_FLOAT).Animatable().Default(0.0f).Range(0.0, 1.0).Ui("Soften Level"),
    });

enum CelChannel : int {
  kChShadow = 0,
  kChMain = 1,
  kChHighlight = 2,
  kChSpecularLevel = 3,
  kChGlossiness = 4,
  kChSelfIllum = 5,
  kChOpacity = 6,
  kChFilter = 7,
  kChannelCount = 8,
};

struct ChannelInfo {
  const char* name;
  const char* internalName;
  int type;
};

constexpr ChannelInfo kChannels[kChannelCount] = {
    {"Shadow", "ambientMap", host::CLR_CHANNEL},
    {"Main", "diffuseMap", host::CLR_CHANNEL},
    {"Highlight", "specularMap", host::CLR_CHANNEL},
    {"Specular Level", "specularLevelMap", host::MONO_CHANNEL},
    {"Glossiness", "glossinessMap", host::MONO_CHANNEL},
    {"Self-Illumination", "selfIllumMap", host::CLR_CHANNEL},
    {"Opacity", "opacityMap", host::MONO_CHANNEL},
    {"Filter Color", "filterMap", host::CLR_CHANNEL},
};

constexpr int kStdToChannel[host::NUM_STD_MAPS] = {
    kChShadow, kChMain, kChHighlight, kChGlossiness, kChSpecularLevel, kChSelfIllum, kChOpacity, kChFilter,
    -1,        -1,      -1,           -1,
};

constexpr float kMaxSpecularLevel = 9.99f;

float Clamp(float v, float lo, float hi) { return std::isnan(v) ? lo : std::clamp(v, lo, hi); }
float Clamp01(float v) { return Clamp(v, 0.0f, 1.0f); }
Color Clamp01(const Color& c) { return {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}; }
float Mean(const Color& c) { return (c.r + c.g + c.b) / 3.0f; }

}  // namespace

const host::ParamBlockDesc2& CelShaderBlockDesc() { return kCelBlock; }

const char* PwCelShader::Description() {
  return "This shader produces a more stylistic shading of the surface. Among the styles you can simulate are "
         "flat, cartoon, comic, and cel animation.";
}

PwCelShader::PwCelShader(bool loading) {
  if (loading) return;
  EnsureBlock();
  Reset(true);
}

host::Class_ID PwCelShader::ClassID() const { return PW_CEL_SHADER_CLASS_ID; }

host::IParamBlock2* PwCelShader::ParamBlock() const {
  if (!block_ || block_->ClassID() != host::PARAMBLOCK2_CLASS_ID) return nullptr;
  auto* block = static_cast<host::IParamBlock2*>(block_);
  return block->GetDesc() == &kCelBlock ? block : nullptr;
}

void PwCelShader::EnsureBlock() {
  if (!ParamBlock()) host::MakeAutoParamBlocks(*this, host::SHADER_CLASS_ID, PW_CEL_SHADER_CLASS_ID);
}

void PwCelShader::SetReference(int i, host::ReferenceTarget* target) {
  if (i == 0) {
    block_ = target;
    Invalidate();
  }
}

host::RefResult PwCelShader::NotifyRefChanged(const Interval&, host::ReferenceTarget*, host::PartID&,
                                              host::RefMessage message) {
  if (message == host::REFMSG_CHANGE || message == host::REFMSG_TARGET_DELETED) Invalidate();
  return host::REF_SUCCEED;
}

template <class T>
T PwCelShader::Get(host::ParamID id, TimeValue t, T fallback) const {
  Interval ignored = host::FOREVER;
  const host::IParamBlock2* pb = ParamBlock();
  T v = fallback;
  if (!pb || !pb->GetValue(id, t, v, ignored)) return fallback;
  return v;
}

template <class T>
void PwCelShader::Set(host::ParamID id, TimeValue t, const T& v) {
  if (host::IParamBlock2* pb = ParamBlock()) pb->SetValue(id, t, v);
}

// ---- Update ---------------------------------------------------------------------

void PwCelShader::Resolve(TimeValue t) {
  validity_ = host::FOREVER;
  const host::IParamBlock2* pb = ParamBlock();
  auto f = [&](host::ParamID id, float fallback) {
    float v = fallback;
    if (pb) pb->GetValue(id, t, v, validity_);
    return v;
  };
  auto b = [&](host::ParamID id, bool fallback) {
    bool v = fallback;
    if (pb) pb->GetValue(id, t, v, validity_);
    return v;
  };
  auto c = [&](host::ParamID id) {
    Color v;
    if (pb) pb->GetValue(id, t, v, validity_);
    return v;
  };
  Resolved& r = r_;
  for (int band = 0; band < 3; ++band) {
    const auto i = static_cast<std::size_t>(band);
    r.on[i] = b(CelBandOn(band), true);
    r.size[i] = Clamp01(f(CelBandSize(band), 0.0f));
    r.opacity[i] = Clamp01(f(CelBandOpacity(band), 1.0f));
    r.brightness[i] = f(CelBandBrightness(band), 1.0f);
    r.colour[i] = c(CelBandColor(band));
  }
  r.blendMainShadow = Clamp01(f(kCelBlendingMainShadow, 0.0f));
  r.blendMainHighlight = Clamp01(f(kCelBlendingMainHighlight, 0.0f));
  b(kCelLockBlending, true);
  r.tinting = Clamp01(f(kCelLightColorTinting, 0.0f));
  r.shading = Clamp01(f(kCelShading, 0.0f));
  r.desaturate = Clamp01(f(kCelDesaturate, 0.0f));
  r.glossiness = Clamp01(f(kCelGlossiness, 0.0f));
  r.specularLevel = Clamp(f(kCelSpecularLevel, 0.0f), 0.0f, kMaxSpecularLevel);
  r.soften = Clamp01(f(kCelSoften, 0.0f));
  r.selfIllum = Clamp01(f(kCelSelfIllumAmount, 0.0f));
  r.selfIllumColour = c(kCelSelfIllumColor);
  r.useSelfIllumColour = b(kCelUseSelfIllumColor, false);
  b(kCelShadowMainTexLock, true);
  b(kCelADLock, false);
  b(kCelDSLock, false);
  curTime_ = t;

  std::array<float, 3> sizes = r.size;
  NormalizeBandSizes(sizes.data(), r.on.data(), 3, -1);
  ramp_.Build(sizes[0], sizes[1], sizes[2], r.blendMainShadow, r.blendMainHighlight, kBandSmoothstep);
}

void PwCelShader::Update(TimeValue t, Interval& valid) {
  if (!validity_.InInterval(t)) Resolve(t);
  valid &= validity_;
}

std::uint32_t PwCelShader::GetRequirements(int) { return host::MTLREQ_PHONG; }

// ---- Shading ----------------------------------------------------------------------

void PwCelShader::GetIllumParams(host::ShadeContext&, host::IllumParams& ip) {
  ip.stdParams = kCelStdParams;
  ip.pShader = this;
  ip.channels[kChShadow] = r_.colour[0];
  ip.channels[kChMain] = r_.colour[1];
  ip.channels[kChHighlight] = r_.colour[2];
  ip.channels[kChGlossiness].r = r_.glossiness;
  ip.channels[kChSpecularLevel].r = r_.specularLevel;
  ip.channels[kChSelfIllum] =
      r_.useSelfIllumColour ? r_.selfIllumColour : Color(r_.selfIllum, r_.selfIllum, r_.selfIllum);
}

float PwCelShader::ShadowAmount(host::ShadeContext& sc) const {
  const Point3 n = sc.Normal();
  Color blocked;
  for (int i = 0; i < sc.nLights; ++i) {
    host::LightDesc* light = sc.Light(i);
    if (!light) continue;
    Color open, shadowed;
    Point3 dir;
    float dotNL = 0.0f, k = 0.0f;
    sc.shadow = false;
    if (!light->Illuminate(sc, n, open, dir, dotNL, k) || !(dotNL > 0.0f)) continue;
    sc.shadow = true;
    if (!light->Illuminate(sc, n, shadowed, dir, dotNL, k)) shadowed = Color();
    sc.shadow = false;
    // One light that reaches the point unblocked keeps it out of shadow.
    if (open == shadowed) return 0.0f;
    blocked += open - shadowed;
  }
  sc.shadow = false;
  return Mean(blocked);
}

Color PwCelShader::LightColour(host::ShadeContext& sc) const {
  Color sum = sc.ambientLight;
  const Point3 normal = sc.Normal();
  const Point3 p = sc.P();
  for (int i = 0; i < sc.nLights; ++i) {
    host::LightDesc* light = sc.Light(i);
    if (!light) continue;
    const Point3 toLight = host::Normalize(light->LightPosition() - p);
    sc.SetNormal(toLight);
    Color c;
    Point3 dir;
    float dotNL = 0.0f, k = 0.0f;
    if (light->Illuminate(sc, toLight, c, dir, dotNL, k)) sum += c;
    sc.SetNormal(normal);
  }
  return Clamp01(sum);
}

void PwCelShader::Illum(host::ShadeContext& sc, host::IllumParams& ip) {
  const bool castShadows = sc.shadow;
  sc.shadow = false;

  // How much light arrives.
  const Point3 n = sc.Normal();
  Color arriving;
  for (int i = 0; i < sc.nLights; ++i) {
    host::LightDesc* light = sc.Light(i);
    Color c;
    Point3 dir;
    float dotNL = 0.0f, k = 0.0f;
    if (!light || !light->Illuminate(sc, n, c, dir, dotNL, k)) continue;
    if (light->ambientOnly)
      arriving += c;
    else if (dotNL > 0.0f && light->affectDiffuse)
      arriving += c * k;
  }
  const float intensity = std::min(Mean(arriving), 1.0f);

  // The bands.
  const BandWeights w = ramp_.Lookup(intensity);
  const Color& shadowCh = ip.channels[kChShadow];
  const Color& mainCh = ip.channels[kChMain];
  const Color& highlightCh = ip.channels[kChHighlight];
  Color colour = Clamp01(shadowCh * (w[0] * r_.brightness[0]) + mainCh * (w[1] * r_.brightness[1]) +
                         highlightCh * (w[2] * r_.brightness[2]));

  if (castShadows) {
    const float u = ShadowAmount(sc);
    if (u > 0.0f) colour += (shadowCh * r_.brightness[0] - colour) * u;
  }
  if (r_.tinting > 0.0f) colour += (colour * LightColour(sc) - colour) * r_.tinting;
  if (r_.shading > 0.0f) colour += (colour * intensity - colour) * r_.shading;
  if (r_.desaturate > 0.0f) {
    const float grey = Mean(colour);
    colour += (Color(grey, grey, grey) - colour) * r_.desaturate;
  }

  ip.diffIllumOut = colour;
  lastOpacity_ = Clamp01(w[0] * r_.opacity[0] + w[1] * r_.opacity[1] + w[2] * r_.opacity[2]);
  // The material's opacity carries the bands' own, so a see-through band
  // shows in what the material leaves behind.
  ip.finalOpac *= lastOpacity_;

  const Color& si = ip.channels[kChSelfIllum];
  if (r_.useSelfIllumColour) {
    ip.selfIllumOut += si;
  } else {
    float a = (si.r + si.g + si.b) * 0.3333333f;
    if (a > 0.0f) {
      a = std::min(a, 1.0f);
      ip.selfIllumOut = mainCh * a;
      ip.diffIllumOut *= 1.0f - a;
    }
  }
  ip.ambIllumOut = Color();
  ip.specIllumOut = Color();
  ip.diffIllumIntens = Mean(ip.diffIllumOut);

  sc.shadow = castShadows;
  CombineComponents(sc, ip);
}

void PwCelShader::AffectReflMap(host::ShadeContext&, host::IllumParams& ip, Color& reflColor) {
  reflColor *= ip.channels[kChHighlight];
}

// ---- Channels -----------------------------------------------------------------------

std::string PwCelShader::GetTexChannelName(int ch) {
  return ch >= 0 && ch < kChannelCount ? kChannels[ch].name : "";
}
std::string PwCelShader::GetTexChannelInternalName(int ch) {
  return ch >= 0 && ch < kChannelCount ? kChannels[ch].internalName : "";
}
int PwCelShader::ChannelType(int ch) { return ch >= 0 && ch < kChannelCount ? kChannels[ch].type : 0; }
int PwCelShader::StdIDToChannel(int stdID) {
  return stdID >= 0 && stdID < host::NUM_STD_MAPS ? kStdToChannel[stdID] : -1;
}

// ---- Standard parameters ------------------------------------------------------------
//
// The material asks for its colours per pixel (the Toon material's colour
// sources do); within the cached validity the resolved values answer.

void PwCelShader::SetAmbientClr(const Color& c, TimeValue t) { Set(kCelAmbient, t, c); }
Color PwCelShader::GetAmbientClr(TimeValue t) {
  return validity_.InInterval(t) ? r_.colour[0] : Get(kCelAmbient, t, Color());
}
void PwCelShader::SetDiffuseClr(const Color& c, TimeValue t) { Set(kCelDiffuse, t, Clamp01(c)); }
Color PwCelShader::GetDiffuseClr(TimeValue t) {
  return validity_.InInterval(t) ? r_.colour[1] : Get(kCelDiffuse, t, Color());
}
void PwCelShader::SetSpecularClr(const Color& c, TimeValue t) { Set(kCelSpecular, t, c); }
Color PwCelShader::GetSpecularClr(TimeValue t) {
  return validity_.InInterval(t) ? r_.colour[2] : Get(kCelSpecular, t, Color());
}
void PwCelShader::SetSelfIllumClr(const Color& c, TimeValue t) { Set(kCelSelfIllumColor, t, c); }
Color PwCelShader::GetSelfIllumClr(TimeValue t) { return Get(kCelSelfIllumColor, t, Color()); }
void PwCelShader::SetSelfIllum(float v, TimeValue t) { Set(kCelSelfIllumAmount, t, v); }
float PwCelShader::GetSelfIllum(TimeValue t) { return Get(kCelSelfIllumAmount, t, 0.0f); }
void PwCelShader::SetSelfIllumClrOn(bool on) { Set(kCelUseSelfIllumColor, 0, on); }
bool PwCelShader::IsSelfIllumClrOn() { return Get(kCelUseSelfIllumColor, 0, false); }
void PwCelShader::SetGlossiness(float v, TimeValue t) { Set(kCelGlossiness, t, v); }
float PwCelShader::GetGlossiness(TimeValue t) {
  return validity_.InInterval(t) ? r_.glossiness : Get(kCelGlossiness, t, 0.0f);
}
void PwCelShader::SetSpecularLevel(float v, TimeValue t) { Set(kCelSpecularLevel, t, v); }
float PwCelShader::GetSpecularLevel(TimeValue t) {
  return validity_.InInterval(t) ? r_.specularLevel : Get(kCelSpecularLevel, t, 0.0f);
}
void PwCelShader::SetSoftenLevel(float v, TimeValue t) { Set(kCelSoften, t, v); }
float PwCelShader::GetSoftenLevel(TimeValue t) { return Get(kCelSoften, t, 0.0f); }
void PwCelShader::SetLockDS(bool on) { Set(kCelDSLock, 0, on); }
bool PwCelShader::GetLockDS() { return Get(kCelDSLock, 0, false); }
void PwCelShader::SetLockAD(bool on) { Set(kCelADLock, 0, on); }
bool PwCelShader::GetLockAD() { return Get(kCelADLock, 0, false); }
void PwCelShader::SetLockADTex(bool on) { Set(kCelShadowMainTexLock, 0, on); }
bool PwCelShader::GetLockADTex() { return Get(kCelShadowMainTexLock, 0, true); }

void PwCelShader::CopyStdParams(host::Shader* from) {
  if (!from || from == this) return;
  constexpr TimeValue t = 0;
  Set(kCelDSLock, t, from->GetLockDS());
  Set(kCelADLock, t, from->GetLockAD());
  Set(kCelShadowMainTexLock, t, from->GetLockADTex());
  Set(kCelUseSelfIllumColor, t, from->IsSelfIllumClrOn());
  Set(kCelAmbient, t, from->GetAmbientClr(t));
  Set(kCelDiffuse, t, from->GetDiffuseClr(t));
  Set(kCelSpecular, t, from->GetSpecularClr(t));
  Set(kCelSelfIllumColor, t, from->GetSelfIllumClr(t));
  Set(kCelSelfIllumAmount, t, from->GetSelfIllum(t));
  Set(kCelSpecularLevel, t, from->GetSpecularLevel(t));
  Set(kCelGlossiness, t, from->GetGlossiness(t));
  Set(kCelSoften, t, from->GetSoftenLevel(t));
  Invalidate();
}

float PwCelShader::EvalHiliteCurve(float x) {
  const float c = std::cos(x * std::numbers::pi_v<float>);
  // Past a quarter turn the curve has ended; a negative base has no power.
  if (!(c > 0.0f)) return 0.0f;
  const float level = Get(kCelSpecularLevel, curTime_, 0.0f);
  const float gloss = Get(kCelGlossiness, curTime_, 0.0f);
  return level * std::pow(c, std::exp2(gloss * 10.0f));
}

// ---- Reset and presets ----------------------------------------------------------------

void PwCelShader::Reset(bool resetColours) {
  EnsureBlock();
  constexpr TimeValue t = 0;
  for (int band = 0; band < 3; ++band) {
    Set(CelBandOn(band), t, true);
    Set(CelBandOpacity(band), t, 1.0f);
    Set(CelBandBrightness(band), t, 1.0f);
  }
  Set(kCelShadowSize, t, 0.1f);
  Set(kCelMainSize, t, 0.8f);
  Set(kCelHighlightSize, t, 0.1f);
  if (resetColours) {
    Set(kCelAmbient, t, Color(0.1f, 0.1f, 0.1f));
    Set(kCelDiffuse, t, Color(0.5f, 0.5f, 0.5f));
    Set(kCelSpecular, t, Color(0.9f, 0.9f, 0.9f));
  }
  Set(kCelBlendingMainShadow, t, 0.02f);
  Set(kCelBlendingMainHighlight, t, 0.02f);
  Set(kCelLockBlending, t, true);
  Set(kCelLightColorTinting, t, 0.0f);
  Set(kCelShading, t, 0.0f);
  Set(kCelDesaturate, t, 0.0f);
  Set(kCelSoften, t, 0.1f);
  Set(kCelGlossiness, t, 0.25f);
  Set(kCelSpecularLevel, t, 0.05f);
  Set(kCelSelfIllumAmount, t, 0.0f);
  Set(kCelSelfIllumColor, t, Color(0.0f, 0.0f, 0.0f));
  Set(kCelUseSelfIllumColor, t, false);
  Set(kCelADLock, t, false);
  Set(kCelDSLock, t, false);
  Set(kCelShadowMainTexLock, t, false);
  Invalidate();
}

bool PwCelShader::ApplyCelPreset(int preset) {
  struct Values {
    std::array<bool, 3> on;
    std::array<float, 3> size;
    bool shadowIsMain;
    bool highlightIsMain;
    std::array<float, 3> brightness;
    float blending;
  };
  static constexpr Values kPresets[kCelPresetCount] = {
      {{false, true, false}, {0.0f, 1.0f, 0.0f}, false, false, {1.0f, 1.0f, 1.0f}, 0.02f},
      {{true, true, true}, {0.25f, 0.7f, 0.05f}, true, true, {0.75f, 1.0f, 1.25f}, 0.02f},
      {{true, true, true}, {0.1f, 0.8f, 0.1f}, true, true, {0.3f, 1.0f, 1.5f}, 0.02f},
      {{true, true, false}, {0.25f, 0.75f, 0.0f}, true, false, {0.75f, 1.0f, 1.0f}, 0.01f},
  };
  if (preset < 0 || preset >= kCelPresetCount) return false;
  const Values& v = kPresets[preset];
  Reset(false);
  constexpr TimeValue t = 0;
  for (int band = 0; band < 3; ++band) {
    const auto i = static_cast<std::size_t>(band);
    Set(CelBandOn(band), t, v.on[i]);
    Set(CelBandSize(band), t, v.size[i]);
    Set(CelBandBrightness(band), t, v.brightness[i]);
  }
  const Color main = Get(kCelDiffuse, t, Color());
  if (v.shadowIsMain) Set(kCelAmbient, t, main);
  if (v.highlightIsMain) Set(kCelSpecular, t, main);
  Set(kCelBlendingMainShadow, t, v.blending);
  Set(kCelBlendingMainHighlight, t, v.blending);
  Invalidate();
  return true;
}

// ---- Copying and persistence -------------------------------------------------------------

host::ReferenceTarget* PwCelShader::Clone(host::RemapDir& remap) {
  auto* copy = new PwCelShader(true);
  remap.AddEntry(this, copy);
  copy->ReplaceReference(0, remap.CloneRef(block_));
  copy->Invalidate();
  return copy;
}

host::IOResult PwCelShader::Save(host::ISave* isave) {
  return isave->WriteChunk(kCelChunkVersion, std::int32_t{0});
}

host::IOResult PwCelShader::Load(host::ILoad* iload) {
  host::IOResult r;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    // Chunk 100 holds nothing the shader needs; everything is in the block.
    if (iload->CloseChunk() != host::IO_OK) return host::IO_ERROR;
  }
  if (r == host::IO_ERROR) return r;
  Invalidate();
  RunAfterLoad(iload, [this] {
    // A file without a usable block gets a fresh one at the defaults.
    if (!ParamBlock()) {
      EnsureBlock();
      Reset(true);
    }
    Invalidate();
  });
  return host::IO_OK;
}

}  // namespace pw
