// One key of a colour gradient: a colour at a position in 0..1.
#pragma once

#include <string>

#include "host/core/color.h"
#include "host/params/paramblock_legacy.h"
#include "host/refs/reference.h"

namespace pw {

// Entries of the key's block.
enum GradientColorParam : int {
  kGradientColorColor = 0,     // "Color", colour, animatable
  kGradientColorPosition = 1,  // "Position", float shown as a percentage, animatable
};
inline constexpr std::uint32_t kGradientColorBlockVersion = 1;
const host::ParamVersionDesc& GradientColorBlockLayout();

class PwGradientColor : public host::ReferenceTarget {
 public:
  // A key holding `color` at `position`. With loading set the key starts
  // without a block: the file supplies it.
  explicit PwGradientColor(bool loading = false, host::Color color = host::Color::White(), float position = 0.5f);

  host::Class_ID ClassID() const override;
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "GradientColor"; }

  host::IParamBlock* ParamBlock() const { return block_; }

  // valid is narrowed to the times the value holds. Black / 0 without a block.
  host::Color GetColor(host::TimeValue t, host::Interval& valid) const;
  float GetPosition(host::TimeValue t, host::Interval& valid) const;
  bool SetColor(host::TimeValue t, const host::Color& color);
  bool SetPosition(host::TimeValue t, float position);

  int NumRefs() override { return 1; }
  host::ReferenceTarget* GetReference(int i) override;
  std::string SubAnimName(int i) const { return i == 0 ? "Parameters" : ""; }
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Load(host::ILoad* iload) override;

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override;

 private:
  void BuildBlock(const host::Color& color, float position);

  host::ReferenceTarget* blockRef_ = nullptr;  // as linked
  host::IParamBlock* block_ = nullptr;         // blockRef_ when it is a usable block
};

}  // namespace pw
