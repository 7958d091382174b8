// Shaders: the exchangeable lighting model of the Standard material.
//
// The protocol, per shaded point: the material calls GetIllumParams (the
// shader puts its colours and values into its channels), applies its texture
// maps to those channels, then calls Illum, which lights the point and ends
// by calling CombineComponents to form ip.finalC.
//
// Standard map ids (the Standard material's map slots) and the shader
// channel each lands in are linked by StdIDToChannel.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "host/core/color.h"
#include "host/refs/reference.h"
#include "host/render_api/render_interfaces.h"
#include "host/core/scene_class_ids.h"
#include "host/core/time.h"

namespace host {

class Mtl;

// Standard map ids.
enum StdMapId : int {
  ID_AM = 0,  // ambient
  ID_DI = 1,  // diffuse
  ID_SP = 2,  // specular
  ID_SH = 3,  // glossiness (shininess)
  ID_SS = 4,  // specular level (shininess strength)
  ID_SI = 5,  // self-illumination
  ID_OP = 6,  // opacity
  ID_FI = 7,  // filter colour
  ID_BU = 8,  // bump
  ID_RL = 9,  // reflection
  ID_RR = 10, // refraction
  ID_DP = 11, // displacement
};
inline constexpr int NUM_STD_MAPS = 12;

// Channel kinds.
inline constexpr int CLR_CHANNEL = 1;
inline constexpr int MONO_CHANNEL = 2;

// Most channels a shader may have.
inline constexpr int STD2_NMAX_TEXMAPS = 24;

struct IllumParams {
  std::uint32_t stdParams = 0;  // the shader's SupportStdParams mask
  class Shader* pShader = nullptr;
  Mtl* pMtl = nullptr;

  // Inputs: the shader's channels after the maps are applied. A mono
  // channel uses red (the material writes it to all three).
  std::array<Color, STD2_NMAX_TEXMAPS> channels{};
  float finalOpac = 1.0f;  // the material's opacity at the point

  // Outputs of Illum.
  Color ambIllumOut;
  Color diffIllumOut;
  Color selfIllumOut;
  Color specIllumOut;
  Color reflIllumOut;
  Color transIllumOut;
  float diffIllumIntens = 0.0f;
  Color finalC;  // after CombineComponents
};

class Shader : public ReferenceTarget {
 public:
  SClass_ID SuperClassID() const override { return SHADER_CLASS_ID; }

  // Brings cached values up to date for t; narrows valid.
  virtual void Update(TimeValue t, Interval& valid) = 0;
  // Back to the defaults.
  virtual void Reset() = 0;
  // Which standard parameters the shader supports, as a bit mask of the
  // standard-parameter flags; the Standard material does not interpret it.
  virtual std::uint32_t SupportStdParams() = 0;
  // Requirement flags (MTLREQ_*) the shader adds to its material's.
  virtual std::uint32_t GetRequirements(int subMtlNum) = 0;

  // ---- The shading protocol ----------------------------------------------
  virtual void GetIllumParams(ShadeContext& sc, IllumParams& ip) = 0;
  virtual void Illum(ShadeContext& sc, IllumParams& ip) = 0;
  // finalC = (ambient + diffuse + self-illumination) × finalOpac + specular
  // + reflection + transmission.
  virtual void CombineComponents(ShadeContext& sc, IllumParams& ip);
  // Lets the shader tint a reflection map's colour before it is used.
  virtual void AffectReflMap(ShadeContext& /*sc*/, IllumParams& /*ip*/, Color& /*reflColor*/) {}
  // Adds a reflection (mapColor already scaled by the map amount).
  virtual void ShadeReflection(ShadeContext& sc, IllumParams& ip, Color& mapColor);
  // Adds what shows through (mapColor scaled by amount).
  virtual void ShadeTransmission(ShadeContext& sc, IllumParams& ip, Color& mapColor, float amount);

  // ---- Channels ------------------------------------------------------------
  virtual int NTexChannelsSupported() = 0;
  virtual std::string GetTexChannelName(int ch) = 0;
  virtual std::string GetTexChannelInternalName(int ch) = 0;
  virtual int ChannelType(int ch) = 0;  // CLR_CHANNEL or MONO_CHANNEL
  // The channel a standard map id lands in, or -1.
  virtual int StdIDToChannel(int stdID) = 0;

  // ---- Standard parameters -----------------------------------------------
  virtual void SetAmbientClr(const Color& c, TimeValue t) = 0;
  virtual Color GetAmbientClr(TimeValue t) = 0;
  virtual void SetDiffuseClr(const Color& c, TimeValue t) = 0;
  virtual Color GetDiffuseClr(TimeValue t) = 0;
  virtual void SetSpecularClr(const Color& c, TimeValue t) = 0;
  virtual Color GetSpecularClr(TimeValue t) = 0;
  virtual void SetSelfIllumClr(const Color& c, TimeValue t) = 0;
  virtual Color GetSelfIllumClr(TimeValue t) = 0;
  virtual void SetSelfIllum(float v, TimeValue t) = 0;  // 0..1
  virtual float GetSelfIllum(TimeValue t) = 0;
  virtual void SetSelfIllumClrOn(bool on) = 0;
  virtual bool IsSelfIllumClrOn() = 0;
  virtual void SetGlossiness(float v, TimeValue t) = 0;  // 0..1
  virtual float GetGlossiness(TimeValue t) = 0;
  virtual void SetSpecularLevel(float v, TimeValue t) = 0;  // 0..9.99
  virtual float GetSpecularLevel(TimeValue t) = 0;
  virtual void SetSoftenLevel(float v, TimeValue t) = 0;  // 0..1
  virtual float GetSoftenLevel(TimeValue t) = 0;
  virtual void SetLockDS(bool on) = 0;  // diffuse-specular colour lock
  virtual bool GetLockDS() = 0;
  virtual void SetLockAD(bool on) = 0;  // ambient-diffuse colour lock
  virtual bool GetLockAD() = 0;
  virtual void SetLockADTex(bool on) = 0;  // the ambient channel uses the diffuse map
  virtual bool GetLockADTex() = 0;

  // Takes over the standard parameters of another shader (when a material
  // switches shaders). The default copies every standard parameter at t = 0.
  virtual void CopyStdParams(Shader* from);
  // The highlight's strength at angle x (radians) off the mirror direction,
  // for drawing its curve.
  virtual float EvalHiliteCurve(float /*x*/) { return 0.0f; }
};

// The default shader: Blinn highlights on Lambert diffuse.
//
// Channels: 0 ambient, 1 diffuse, 2 specular (colour), 3 specular level,
// 4 glossiness (mono), 5 self-illumination (colour), 6 opacity (mono),
// 7 filter colour.
class BlinnShader : public Shader {
 public:
  BlinnShader() { Reset(); }

  Class_ID ClassID() const override { return BLINN_SHADER_CLASS_ID; }
  std::string GetClassName() const override { return "Blinn"; }

  void Update(TimeValue t, Interval& valid) override;
  void Reset() override;
  std::uint32_t SupportStdParams() override;
  std::uint32_t GetRequirements(int subMtlNum) override;

  void GetIllumParams(ShadeContext& sc, IllumParams& ip) override;
  void Illum(ShadeContext& sc, IllumParams& ip) override;

  int NTexChannelsSupported() override { return 8; }
  std::string GetTexChannelName(int ch) override;
  std::string GetTexChannelInternalName(int ch) override;
  int ChannelType(int ch) override;
  int StdIDToChannel(int stdID) override;

  void SetAmbientClr(const Color& c, TimeValue) override;
  Color GetAmbientClr(TimeValue) override { return ambient_; }
  void SetDiffuseClr(const Color& c, TimeValue) override;
  Color GetDiffuseClr(TimeValue) override { return diffuse_; }
  void SetSpecularClr(const Color& c, TimeValue) override;
  Color GetSpecularClr(TimeValue) override { return specular_; }
  void SetSelfIllumClr(const Color& c, TimeValue) override;
  Color GetSelfIllumClr(TimeValue) override { return selfIllumColor_; }
  void SetSelfIllum(float v, TimeValue) override;
  float GetSelfIllum(TimeValue) override { return selfIllum_; }
  void SetSelfIllumClrOn(bool on) override;
  bool IsSelfIllumClrOn() override { return selfIllumColorOn_; }
  void SetGlossiness(float v, TimeValue) override;
  float GetGlossiness(TimeValue) override { return glossiness_; }
  void SetSpecularLevel(float v, TimeValue) override;
  float GetSpecularLevel(TimeValue) override { return specularLevel_; }
  void SetSoftenLevel(float v, TimeValue) override;
  float GetSoftenLevel(TimeValue) override { return soften_; }
  void SetLockDS(bool on) override;
  bool GetLockDS() override { return lockDS_; }
  void SetLockAD(bool on) override;
  bool GetLockAD() override { return lockAD_; }
  void SetLockADTex(bool on) override;
  bool GetLockADTex() override { return lockADTex_; }

  // specularLevel × cos(x)^exponent, exponent from the glossiness.
  float EvalHiliteCurve(float x) override;
  // The Blinn exponent for a glossiness (0..1): 4 × 2^(10 × glossiness).
  static float Exponent(float glossiness);

  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 private:
  void Changed() { NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE); }

  Color ambient_;
  Color diffuse_;
  Color specular_;
  Color selfIllumColor_;
  float selfIllum_ = 0.0f;
  bool selfIllumColorOn_ = false;
  float glossiness_ = 0.0f;
  float specularLevel_ = 0.0f;
  float soften_ = 0.0f;
  bool lockDS_ = false;
  bool lockAD_ = false;
  bool lockADTex_ = false;
};

}  // namespace host
