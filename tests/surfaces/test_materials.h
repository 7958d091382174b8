// Small stand-ins for the scene's own materials and maps, for the tests of
// the Toon material and the surface.
#pragma once

#include <vector>

#include "host/shading/mtl.h"
#include "host/params/paramblock_legacy.h"
#include "host/shading/texmap.h"

namespace pwtest {

// A material with fixed colours and one animatable float in an older-style
// block (reference 0), plus any number of sub-material references after it.
class FlatMtl : public host::Mtl {
 public:
  static constexpr host::Class_ID kId{0x7E570002, 0x00000001};
  explicit FlatMtl(host::Color diffuse = host::Color(0.5f, 0.5f, 0.5f), int subSlots = 0);

  host::Class_ID ClassID() const override { return kId; }
  std::string GetClassName() const override { return "FlatMtl"; }
  host::Color GetAmbient(int = 0, bool = false) override { return diffuse * 0.5f; }
  host::Color GetDiffuse(int = 0, bool = false) override { return diffuse; }
  host::Color GetSpecular(int = 0, bool = false) override { return host::Color::White(); }
  float GetShininess(int = 0, bool = false) override { return 0.25f; }
  float GetShinStr(int = 0, bool = false) override { return 0.5f; }
  float GetXParency(int = 0, bool = false) override { return 0.0f; }
  void SetAmbient(const host::Color&, host::TimeValue) override {}
  void SetDiffuse(const host::Color& c, host::TimeValue) override { diffuse = c; }
  void SetSpecular(const host::Color&, host::TimeValue) override {}
  void SetShininess(float, host::TimeValue) override {}
  void Update(host::TimeValue, host::Interval&) override { ++updates; }

  int NumRefs() override { return static_cast<int>(refs_.size()); }
  host::ReferenceTarget* GetReference(int i) override { return refs_[static_cast<std::size_t>(i)]; }
  host::IParamBlock* Block() { return static_cast<host::IParamBlock*>(refs_[0]); }
  // Puts a target (another material, a Toon material) into sub slot k.
  void HoldSub(int k, host::ReferenceTarget* t) { ReplaceReference(1 + k, t); }
  host::RefResult NotifyRefChanged(const host::Interval&, host::ReferenceTarget*, host::PartID&,
                                   host::RefMessage) override {
    ++heard;
    return host::REF_SUCCEED;
  }

  host::Color diffuse;
  int updates = 0;
  int heard = 0;

 protected:
  void SetReference(int i, host::ReferenceTarget* t) override { refs_[static_cast<std::size_t>(i)] = t; }

 private:
  std::vector<host::ReferenceTarget*> refs_;
};

// A map of one colour.
class SolidMap : public host::Texmap {
 public:
  static constexpr host::Class_ID kId{0x7E570002, 0x00000002};
  host::Class_ID ClassID() const override { return kId; }
  std::string GetClassName() const override { return "SolidMap"; }
  host::AColor EvalColor(host::ShadeContext&) override { return host::AColor(1, 0, 0, 1); }
};

}  // namespace pwtest
