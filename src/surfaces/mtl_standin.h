// The material an object without one of its own renders with, made from its
// wire colour, so the surfaces and paints that read an object's material
// have something to read, and the object still looks shaded.
#pragma once

#include <string>

#include "host/shading/mtl.h"

namespace pw {

// Class id of our own: the stand-in lives only for a render run and is never
// saved, but the host still asks every material for its identity.
inline constexpr host::Class_ID kMtlStandinClassID{0x50575301, 0x50575301};

// The highlight exponent 4 × 2^2.5, in single precision as shading uses it.
float StandinHighlightExponent();

class PwMtlStandin final : public host::Mtl {
 public:
  explicit PwMtlStandin(const host::Color& colour);

  host::Class_ID ClassID() const override { return kMtlStandinClassID; }
  std::string GetClassName() const override { return "PwMtlStandin"; }

  host::Color GetAmbient(int mtlNum = 0, bool backFace = false) override;
  host::Color GetDiffuse(int mtlNum = 0, bool backFace = false) override;
  host::Color GetSpecular(int mtlNum = 0, bool backFace = false) override;
  float GetShininess(int mtlNum = 0, bool backFace = false) override;
  float GetShinStr(int mtlNum = 0, bool backFace = false) override;
  float GetXParency(int mtlNum = 0, bool backFace = false) override;
  // Fixed at creation: nothing edits a stand-in.
  void SetAmbient(const host::Color&, host::TimeValue) override {}
  void SetDiffuse(const host::Color&, host::TimeValue) override {}
  void SetSpecular(const host::Color&, host::TimeValue) override {}
  void SetShininess(float, host::TimeValue) override {}

  void Shade(host::ShadeContext& sc) override;

 private:
  host::Color ambient_;
  host::Color diffuse_;
  host::Color specular_;
  float shininess_;
};

// Makes a stand-in for a wire colour; the render run owns and deletes it.
host::Mtl* MakeMtlStandin(const host::Color& wireColour);

}  // namespace pw
