#include "surfaces/mtl_standin.h"

#include <cmath>

namespace pw {

namespace {

// Below this diffuse share a light is grazing: its highlight fades in rather
// than switching on at full strength.
constexpr float kGrazingShare = 0.1f;
constexpr float kHighlightScale = 0.05f;

}  // namespace

float StandinHighlightExponent() { return 4.0f * std::pow(2.0f, 2.5f); }

PwMtlStandin::PwMtlStandin(const host::Color& colour)
    : ambient_(colour * 0.3333f),
      diffuse_(colour),
      specular_(0.9f, 0.9f, 0.9f),
      shininess_(std::pow(2.0f, 2.5f)) {}

host::Color PwMtlStandin::GetAmbient(int, bool) { return ambient_; }
host::Color PwMtlStandin::GetDiffuse(int, bool) { return diffuse_; }
host::Color PwMtlStandin::GetSpecular(int, bool) { return specular_; }
float PwMtlStandin::GetShininess(int, bool) { return shininess_; }
float PwMtlStandin::GetShinStr(int, bool) { return 1.0f; }
float PwMtlStandin::GetXParency(int, bool) { return 0.0f; }

void PwMtlStandin::Shade(host::ShadeContext& sc) {
  const host::Point3 n = sc.Normal();
  const host::Point3 v = sc.V();
  const float exponent = StandinHighlightExponent();
  host::Color diffuseSum(0.0f, 0.0f, 0.0f);
  host::Color specularSum(0.0f, 0.0f, 0.0f);
  for (int i = 0; i < sc.nLights; ++i) {
    host::LightDesc* light = sc.Light(i);
    if (!light) continue;
    host::Color lc;
    host::Point3 l;
    float dotNL = 0.0f, k = 0.0f;
    if (!light->Illuminate(sc, n, lc, l, dotNL, k) || dotNL <= 0.0f) continue;
    if (light->affectDiffuse) diffuseSum += lc * k;
    if (light->affectSpecular) {
      const host::Point3 h = host::Normalize(l - v);
      const float f = host::DotProd(n, h);
      if (f > 0.0f) {
        float base = f;
        if (k < kGrazingShare) {
          const float g = k / kGrazingShare;
          base = f * (2.0f - g) * g;
        }
        specularSum += lc * (std::pow(base, exponent) * kHighlightScale);
      }
    }
  }
  sc.out.c = sc.ambientLight * ambient_ + diffuseSum * diffuse_ + specularSum * specular_;
  sc.out.t = host::Color(0.0f, 0.0f, 0.0f);
}

host::Mtl* MakeMtlStandin(const host::Color& wireColour) { return new PwMtlStandin(wireColour); }

}  // namespace pw
