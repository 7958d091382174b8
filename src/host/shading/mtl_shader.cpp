#include "host/shading/mtl_shader.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/shading/texmap.h"

namespace host {

// ---- Shader defaults -----------------------------------------------------------

void Shader::CombineComponents(ShadeContext&, IllumParams& ip) {
  ip.finalC = (ip.ambIllumOut + ip.diffIllumOut + ip.selfIllumOut) * ip.finalOpac + ip.specIllumOut +
              ip.reflIllumOut + ip.transIllumOut;
}

void Shader::ShadeReflection(ShadeContext& sc, IllumParams& ip, Color& mapColor) {
  AffectReflMap(sc, ip, mapColor);
  ip.reflIllumOut += mapColor;
}

void Shader::ShadeTransmission(ShadeContext&, IllumParams& ip, Color& mapColor, float amount) {
  ip.transIllumOut += mapColor * amount;
}

void Shader::CopyStdParams(Shader* from) {
  if (!from || from == this) return;
  constexpr TimeValue t = 0;
  // Locks off while copying, or each colour would overwrite the others.
  SetLockAD(false);
  SetLockDS(false);
  SetAmbientClr(from->GetAmbientClr(t), t);
  SetDiffuseClr(from->GetDiffuseClr(t), t);
  SetSpecularClr(from->GetSpecularClr(t), t);
  SetSelfIllumClr(from->GetSelfIllumClr(t), t);
  SetSelfIllum(from->GetSelfIllum(t), t);
  SetSelfIllumClrOn(from->IsSelfIllumClrOn());
  SetGlossiness(from->GetGlossiness(t), t);
  SetSpecularLevel(from->GetSpecularLevel(t), t);
  SetSoftenLevel(from->GetSoftenLevel(t), t);
  SetLockAD(from->GetLockAD());
  SetLockDS(from->GetLockDS());
  SetLockADTex(from->GetLockADTex());
}

// ---- Blinn ------------------------------------------------------------------------

namespace {

enum BlinnChannel : int {
  kChAmbient = 0,
  kChDiffuse = 1,
  kChSpecular = 2,
  kChSpecularLevel = 3,
  kChGlossiness = 4,
  kChSelfIllum = 5,
  kChOpacity = 6,
  kChFilter = 7,
  kNumChannels = 8,
};

struct ChannelInfo {
  const char* name;
  const char* internalName;
  int type;
};

constexpr ChannelInfo kChannels[kNumChannels] = {
    {"Ambient Color", "ambientMap", CLR_CHANNEL},    {"Diffuse Color", "diffuseMap", CLR_CHANNEL},
    {"Specular Color", "specularMap", CLR_CHANNEL},  {"Specular Level", "specularLevelMap", MONO_CHANNEL},
    {"Glossiness", "glossinessMap", MONO_CHANNEL},   {"Self-Illumination", "selfIllumMap", CLR_CHANNEL},
    {"Opacity", "opacityMap", MONO_CHANNEL},         {"Filter Color", "filterMap", CLR_CHANNEL},
};

// Standard id -> channel; bump, reflection, refraction and displacement are
// the material's own business.
constexpr int kStdToChannel[NUM_STD_MAPS] = {
    kChAmbient, kChDiffuse, kChSpecular, kChGlossiness, kChSpecularLevel, kChSelfIllum, kChOpacity, kChFilter,
    -1,         -1,         -1,          -1,
};

// The same standard parameters the cel shader supports: the three colours,
// glossiness, level, soften, self-illumination and the locks.
constexpr std::uint32_t kBlinnStdParams = 0x1E41DF6u;

float Clamp(float v, float lo, float hi) { return std::isnan(v) ? lo : std::clamp(v, lo, hi); }

constexpr float kMaxSpecularLevel = 9.99f;

enum BlinnChunk : std::uint16_t {
  BLINN_COLORS = 0x0100,  // 12 f32: ambient, diffuse, specular, self-illumination colour
  BLINN_VALUES = 0x0101,  // 4 f32: self-illumination, glossiness, specular level, soften
  BLINN_FLAGS = 0x0102,   // u32: 1 self-illum colour on, 2 lock DS, 4 lock AD, 8 lock AD texture
};

}  // namespace

void BlinnShader::Reset() {
  ambient_ = Color(0.1f, 0.1f, 0.1f);
  diffuse_ = Color(0.5f, 0.5f, 0.5f);
  specular_ = Color(0.9f, 0.9f, 0.9f);
  selfIllumColor_ = Color();
  selfIllum_ = 0.0f;
  selfIllumColorOn_ = false;
  glossiness_ = 0.1f;
  specularLevel_ = 0.0f;
  soften_ = 0.1f;
  lockDS_ = false;
  lockAD_ = false;
  lockADTex_ = true;
  Changed();
}

void BlinnShader::Update(TimeValue, Interval&) {}

std::uint32_t BlinnShader::SupportStdParams() { return kBlinnStdParams; }

std::uint32_t BlinnShader::GetRequirements(int) { return 0; }

std::string BlinnShader::GetTexChannelName(int ch) {
  return ch >= 0 && ch < kNumChannels ? kChannels[ch].name : "";
}
std::string BlinnShader::GetTexChannelInternalName(int ch) {
  return ch >= 0 && ch < kNumChannels ? kChannels[ch].internalName : "";
}
int BlinnShader::ChannelType(int ch) { return ch >= 0 && ch < kNumChannels ? kChannels[ch].type : 0; }
int BlinnShader::StdIDToChannel(int stdID) {
  return stdID >= 0 && stdID < NUM_STD_MAPS ? kStdToChannel[stdID] : -1;
}

// The locks make the locked colours one: setting any of them sets the others.
void BlinnShader::SetAmbientClr(const Color& c, TimeValue) {
  ambient_ = c;
  if (lockAD_) {
    diffuse_ = c;
    if (lockDS_) specular_ = c;
  }
  Changed();
}
void BlinnShader::SetDiffuseClr(const Color& c, TimeValue) {
  diffuse_ = c;
  if (lockAD_) ambient_ = c;
  if (lockDS_) specular_ = c;
  Changed();
}
void BlinnShader::SetSpecularClr(const Color& c, TimeValue) {
  specular_ = c;
  if (lockDS_) {
    diffuse_ = c;
    if (lockAD_) ambient_ = c;
  }
  Changed();
}
void BlinnShader::SetSelfIllumClr(const Color& c, TimeValue) {
  selfIllumColor_ = c;
  Changed();
}
void BlinnShader::SetSelfIllum(float v, TimeValue) {
  selfIllum_ = Clamp(v, 0.0f, 1.0f);
  Changed();
}
void BlinnShader::SetSelfIllumClrOn(bool on) {
  selfIllumColorOn_ = on;
  Changed();
}
void BlinnShader::SetGlossiness(float v, TimeValue) {
  glossiness_ = Clamp(v, 0.0f, 1.0f);
  Changed();
}
void BlinnShader::SetSpecularLevel(float v, TimeValue) {
  specularLevel_ = Clamp(v, 0.0f, kMaxSpecularLevel);
  Changed();
}
void BlinnShader::SetSoftenLevel(float v, TimeValue) {
  soften_ = Clamp(v, 0.0f, 1.0f);
  Changed();
}
void BlinnShader::SetLockDS(bool on) {
  lockDS_ = on;
  if (on) specular_ = diffuse_;
  Changed();
}
void BlinnShader::SetLockAD(bool on) {
  lockAD_ = on;
  if (on) ambient_ = diffuse_;
  Changed();
}
void BlinnShader::SetLockADTex(bool on) {
  lockADTex_ = on;
  Changed();
}

float BlinnShader::Exponent(float glossiness) { return 4.0f * std::exp2(10.0f * Clamp(glossiness, 0.0f, 1.0f)); }

float BlinnShader::EvalHiliteCurve(float x) {
  const float c = std::cos(x);
  if (!(c > 0.0f) || std::fabs(x) >= std::numbers::pi_v<float> / 2.0f) return 0.0f;
  return specularLevel_ * std::pow(c, Exponent(glossiness_));
}

void BlinnShader::GetIllumParams(ShadeContext&, IllumParams& ip) {
  ip.stdParams = SupportStdParams();
  ip.pShader = this;
  ip.channels[kChAmbient] = ambient_;
  ip.channels[kChDiffuse] = diffuse_;
  ip.channels[kChSpecular] = specular_;
  ip.channels[kChSpecularLevel] = Color(specularLevel_, specularLevel_, specularLevel_);
  ip.channels[kChGlossiness] = Color(glossiness_, glossiness_, glossiness_);
  ip.channels[kChSelfIllum] = selfIllumColorOn_ ? selfIllumColor_ : Color(selfIllum_, selfIllum_, selfIllum_);
  ip.channels[kChOpacity] = Color(ip.finalOpac, ip.finalOpac, ip.finalOpac);
}

void BlinnShader::Illum(ShadeContext& sc, IllumParams& ip) {
  const Point3 n = sc.Normal();
  const Point3 v = sc.V();
  const float level = ip.channels[kChSpecularLevel].r;
  const float exponent = Exponent(ip.channels[kChGlossiness].r);
  Color ambient = sc.ambientLight, diffuse, specular;
  for (int i = 0; i < sc.nLights; ++i) {
    LightDesc* light = sc.Light(i);
    Color c;
    Point3 l;
    float dotNL = 0.0f, k = 0.0f;
    if (!light || !light->Illuminate(sc, n, c, l, dotNL, k)) continue;
    if (light->ambientOnly) {
      ambient += c;
      continue;
    }
    if (!(dotNL > 0.0f)) continue;
    if (light->affectDiffuse) diffuse += c * k;
    if (light->affectSpecular && level > 0.0f) {
      const float f = DotProd(n, Normalize(l - v));
      if (f > 0.0f) {
        float s = level * std::pow(f, exponent);
        // Soften: highlights fade in at grazing light instead of switching on.
        if (soften_ > 0.0f && k < soften_) s *= k / soften_;
        specular += c * s;
      }
    }
  }
  ip.ambIllumOut = ambient * ip.channels[kChAmbient];
  ip.diffIllumOut = diffuse * ip.channels[kChDiffuse];
  ip.specIllumOut = specular * ip.channels[kChSpecular];
  ip.diffIllumIntens = Intens(diffuse);
  if (selfIllumColorOn_) {
    ip.selfIllumOut = ip.channels[kChSelfIllum];
  } else {
    const float a = Clamp(ip.channels[kChSelfIllum].r, 0.0f, 1.0f);
    ip.selfIllumOut = ip.channels[kChDiffuse] * a;
    ip.diffIllumOut *= 1.0f - a;
    ip.ambIllumOut *= 1.0f - a;
  }
  CombineComponents(sc, ip);
}

// ---- Persistence ---------------------------------------------------------------------

ReferenceTarget* BlinnShader::Clone(RemapDir&) {
  auto* copy = new BlinnShader();
  copy->ambient_ = ambient_;
  copy->diffuse_ = diffuse_;
  copy->specular_ = specular_;
  copy->selfIllumColor_ = selfIllumColor_;
  copy->selfIllum_ = selfIllum_;
  copy->selfIllumColorOn_ = selfIllumColorOn_;
  copy->glossiness_ = glossiness_;
  copy->specularLevel_ = specularLevel_;
  copy->soften_ = soften_;
  copy->lockDS_ = lockDS_;
  copy->lockAD_ = lockAD_;
  copy->lockADTex_ = lockADTex_;
  return copy;
}

IOResult BlinnShader::Save(ISave* isave) {
  const float colors[12] = {ambient_.r,  ambient_.g,  ambient_.b,  diffuse_.r,        diffuse_.g,        diffuse_.b,
                            specular_.r, specular_.g, specular_.b, selfIllumColor_.r, selfIllumColor_.g, selfIllumColor_.b};
  isave->WriteChunk(BLINN_COLORS, colors);
  const float values[4] = {selfIllum_, glossiness_, specularLevel_, soften_};
  isave->WriteChunk(BLINN_VALUES, values);
  const std::uint32_t flags = (selfIllumColorOn_ ? 1u : 0u) | (lockDS_ ? 2u : 0u) | (lockAD_ ? 4u : 0u) |
                              (lockADTex_ ? 8u : 0u);
  isave->WriteChunk(BLINN_FLAGS, flags);
  return IO_OK;
}

IOResult BlinnShader::Load(ILoad* iload) {
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    switch (iload->CurChunkID()) {
      case BLINN_COLORS: {
        float c[12] = {};
        if (iload->ReadValue(&c) != IO_OK) return IO_ERROR;
        for (float f : c)
          if (!std::isfinite(f)) {
            iload->SetError("Blinn shader: a colour is not finite");
            return IO_ERROR;
          }
        ambient_ = Color(c[0], c[1], c[2]);
        diffuse_ = Color(c[3], c[4], c[5]);
        specular_ = Color(c[6], c[7], c[8]);
        selfIllumColor_ = Color(c[9], c[10], c[11]);
        break;
      }
      case BLINN_VALUES: {
        float v[4] = {};
        if (iload->ReadValue(&v) != IO_OK) return IO_ERROR;
        selfIllum_ = Clamp(v[0], 0.0f, 1.0f);
        glossiness_ = Clamp(v[1], 0.0f, 1.0f);
        specularLevel_ = Clamp(v[2], 0.0f, kMaxSpecularLevel);
        soften_ = Clamp(v[3], 0.0f, 1.0f);
        break;
      }
      case BLINN_FLAGS: {
        std::uint32_t flags = 0;
        if (iload->ReadValue(&flags) != IO_OK) return IO_ERROR;
        selfIllumColorOn_ = flags & 1u;
        lockDS_ = flags & 2u;
        lockAD_ = flags & 4u;
        lockADTex_ = flags & 8u;
        break;
      }
      default:
        break;
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  return r == IO_ERROR ? IO_ERROR : IO_OK;
}

}  // namespace host
