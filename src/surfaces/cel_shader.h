// The cel shader: a shader of the Standard material that replaces smooth
// diffuse and specular light with at most three flat bands, Shadow, Main
// and Highlight, picked by how much light reaches the point.
//
// Its settings live in a parameter block (reference 0); Update resolves
// them once per frame into plain fields and the band ramp, so shading a
// point reads no parameter.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "host/params/paramblock.h"
#include "host/shading/mtl_shader.h"
#include "surfaces/band_ramp.h"

namespace pw {

enum CelParamID : host::ParamID {
  kCelShadowOn = 0,
  kCelMainOn = 1,
  kCelHighlightOn = 2,
  kCelShadowSize = 3,
  kCelMainSize = 4,
  kCelHighlightSize = 5,
  kCelAmbient = 6,   // the Shadow colour
  kCelDiffuse = 7,   // the Main colour
  kCelSpecular = 8,  // the Highlight colour
  kCelShadowOpacity = 9,
  kCelMainOpacity = 10,
  kCelHighlightOpacity = 11,
  kCelShadowBrightness = 12,
  kCelMainBrightness = 13,
  kCelHighlightBrightness = 14,
  kCelBlendingMainShadow = 15,
  kCelBlendingMainHighlight = 16,
  kCelLockBlending = 17,
  kCelLightColorTinting = 18,
  kCelShading = 19,
  kCelDesaturate = 20,
  kCelShadowMainTexLock = 21,
  kCelADLock = 22,
  kCelDSLock = 23,
  kCelUseSelfIllumColor = 24,
  kCelSelfIllumAmount = 25,
  kCelSelfIllumColor = 26,
  kCelSpecularLevel = 27,
  kCelGlossiness = 28,
  kCelSoften = 29,
};
// Band on-switch, size, colour, opacity and brightness ids from the band (0..2).
constexpr host::ParamID CelBandOn(int band) { return static_cast<host::ParamID>(kCelShadowOn + band); }
constexpr host::ParamID CelBandSize(int band) { return static_cast<host::ParamID>(kCelShadowSize + band); }
constexpr host::ParamID CelBandColor(int band) { return static_cast<host::ParamID>(kCelAmbient + band); }
constexpr host::ParamID CelBandOpacity(int band) { return static_cast<host::ParamID>(kCelShadowOpacity + band); }
constexpr host::ParamID CelBandBrightness(int band) {
  return static_cast<host::ParamID>(kCelShadowBrightness + band);
}

inline constexpr std::uint16_t kCelChunkVersion = 100;  // i32, 0
inline constexpr std::uint32_t kCelStdParams = 0x1E41DF6u;

enum class CelPreset : int { Flat = 0, Cartoon = 1, Comic = 2, Cel = 3 };
inline constexpr int kCelPresetCount = 4;

const host::ParamBlockDesc2& CelShaderBlockDesc();

class PwCelShader : public host::Shader {
 public:
  // A fresh shader has its block at the defaults; one made for loading
  // waits for the file's block.
  explicit PwCelShader(bool loading = false);

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "Penwright! Cel"; }
  static const char* Description();

  host::IParamBlock2* ParamBlock() const;

  // ---- shader protocol ----
  void Update(host::TimeValue t, host::Interval& valid) override;
  void Reset() override { Reset(true); }
  // Back to the defaults; the three colours only when resetColours.
  void Reset(bool resetColours);
  // Reset without colours, then a quick preset (0 Flat, 1 Cartoon, 2 Comic,
  // 3 Cel). False, with nothing changed, for a preset out of range.
  bool ApplyCelPreset(int preset);
  std::uint32_t SupportStdParams() override { return kCelStdParams; }
  std::uint32_t GetRequirements(int subMtlNum) override;
  void GetIllumParams(host::ShadeContext& sc, host::IllumParams& ip) override;
  void Illum(host::ShadeContext& sc, host::IllumParams& ip) override;
  void AffectReflMap(host::ShadeContext& sc, host::IllumParams& ip, host::Color& reflColor) override;

  int NTexChannelsSupported() override { return 8; }
  std::string GetTexChannelName(int ch) override;
  std::string GetTexChannelInternalName(int ch) override;
  int ChannelType(int ch) override;
  int StdIDToChannel(int stdID) override;

  // ---- standard parameters (the block at t) ----
  void SetAmbientClr(const host::Color& c, host::TimeValue t) override;
  host::Color GetAmbientClr(host::TimeValue t) override;
  void SetDiffuseClr(const host::Color& c, host::TimeValue t) override;  // clamped to 0..1
  host::Color GetDiffuseClr(host::TimeValue t) override;
  void SetSpecularClr(const host::Color& c, host::TimeValue t) override;
  host::Color GetSpecularClr(host::TimeValue t) override;
  void SetSelfIllumClr(const host::Color& c, host::TimeValue t) override;
  host::Color GetSelfIllumClr(host::TimeValue t) override;
  void SetSelfIllum(float v, host::TimeValue t) override;
  float GetSelfIllum(host::TimeValue t) override;
  void SetSelfIllumClrOn(bool on) override;
  bool IsSelfIllumClrOn() override;
  void SetGlossiness(float v, host::TimeValue t) override;
  float GetGlossiness(host::TimeValue t) override;
  void SetSpecularLevel(float v, host::TimeValue t) override;
  float GetSpecularLevel(host::TimeValue t) override;
  void SetSoftenLevel(float v, host::TimeValue t) override;
  float GetSoftenLevel(host::TimeValue t) override;
  void SetLockDS(bool on) override;
  bool GetLockDS() override;
  void SetLockAD(bool on) override;
  bool GetLockAD() override;
  void SetLockADTex(bool on) override;
  bool GetLockADTex() override;
  void CopyStdParams(host::Shader* from) override;
  float EvalHiliteCurve(float x) override;

  // What the last Update resolved, for callers that band with it.
  const BandRamp& Ramp() const { return ramp_; }
  const host::Interval& CachedValidity() const { return validity_; }
  // The band-weighted opacity of the last shaded point.
  float LastBandOpacity() const { return lastOpacity_; }

  // ---- references ----
  int NumRefs() override { return 1; }
  host::ReferenceTarget* GetReference(int i) override { return i == 0 ? block_ : nullptr; }
  host::RefResult NotifyRefChanged(const host::Interval& changeInt, host::ReferenceTarget* target,
                                   host::PartID& partID, host::RefMessage message) override;
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Save(host::ISave* isave) override;
  host::IOResult Load(host::ILoad* iload) override;

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override;

 private:
  // Everything shading reads, resolved by Update.
  struct Resolved {
    std::array<bool, 3> on{};
    std::array<float, 3> size{};
    std::array<float, 3> opacity{};
    std::array<float, 3> brightness{};
    std::array<host::Color, 3> colour{};
    float blendMainShadow = 0.0f;
    float blendMainHighlight = 0.0f;
    float tinting = 0.0f;
    float shading = 0.0f;
    float desaturate = 0.0f;
    float glossiness = 0.0f;
    float specularLevel = 0.0f;
    float soften = 0.0f;
    float selfIllum = 0.0f;
    host::Color selfIllumColour;
    bool useSelfIllumColour = false;
  };

  void EnsureBlock();
  void Resolve(host::TimeValue t);
  void Invalidate() { validity_.SetEmpty(); }
  template <class T>
  T Get(host::ParamID id, host::TimeValue t, T fallback) const;
  template <class T>
  void Set(host::ParamID id, host::TimeValue t, const T& v);
  // Light blocked from the point, summed over the lights (0: not shadowed).
  float ShadowAmount(host::ShadeContext& sc) const;
  // What the lights would deliver to a surface facing each of them.
  host::Color LightColour(host::ShadeContext& sc) const;

  host::ReferenceTarget* block_ = nullptr;
  host::Interval validity_;
  host::TimeValue curTime_ = 0;
  Resolved r_;
  BandRamp ramp_;
  float lastOpacity_ = 1.0f;
};

}  // namespace pw
