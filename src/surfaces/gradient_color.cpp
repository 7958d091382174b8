#include "surfaces/gradient_color.h"

#include "plugin/class_ids.h"
#include "surfaces/legacy_block.h"

namespace pw {

namespace {

const host::ParamBlockDescID kLayout[] = {
    {host::TYPE_RGBA, nullptr, true, kGradientColorColor},
    {host::TYPE_PCNT_FRAC, nullptr, true, kGradientColorPosition},
};

}  // namespace

const host::ParamVersionDesc& GradientColorBlockLayout() {
  static const host::ParamVersionDesc desc{kLayout, 2, kGradientColorBlockVersion};
  return desc;
}

PwGradientColor::PwGradientColor(bool loading, host::Color color, float position) {
  if (!loading) BuildBlock(color, position);
}

host::Class_ID PwGradientColor::ClassID() const { return PW_GRADIENT_COLOR_CLASS_ID; }

void PwGradientColor::BuildBlock(const host::Color& color, float position) {
  const host::ParamVersionDesc& layout = GradientColorBlockLayout();
  host::IParamBlock* block = host::CreateParameterBlock(layout.desc, layout.count, layout.version);
  block->SetValue(kGradientColorColor, 0, color);
  block->SetValue(kGradientColorPosition, 0, position);
  ReplaceReference(0, block);
}

host::Color PwGradientColor::GetColor(host::TimeValue t, host::Interval& valid) const {
  host::Color c;
  if (block_) block_->GetValue(kGradientColorColor, t, c, valid);
  return c;
}

float PwGradientColor::GetPosition(host::TimeValue t, host::Interval& valid) const {
  float p = 0.0f;
  if (block_) block_->GetValue(kGradientColorPosition, t, p, valid);
  return p;
}

bool PwGradientColor::SetColor(host::TimeValue t, const host::Color& color) {
  return block_ && block_->SetValue(kGradientColorColor, t, color);
}

bool PwGradientColor::SetPosition(host::TimeValue t, float position) {
  return block_ && block_->SetValue(kGradientColorPosition, t, position);
}

host::ReferenceTarget* PwGradientColor::GetReference(int i) { return i == 0 ? blockRef_ : nullptr; }

void PwGradientColor::SetReference(int i, host::ReferenceTarget* target) {
  if (i != 0) return;
  blockRef_ = target;
  block_ = AsLegacyBlock(target);
}

host::ReferenceTarget* PwGradientColor::Clone(host::RemapDir& remap) {
  auto* copy = new PwGradientColor(true);
  remap.AddEntry(this, copy);
  copy->ReplaceReference(0, remap.CloneRef(blockRef_));
  return copy;
}

host::IOResult PwGradientColor::Load(host::ILoad* iload) {
  RepairLegacyBlockAfterLoad(iload, GradientColorBlockLayout(), this, 0,
                             [this] { BuildBlock(host::Color::White(), 0.5f); });
  return host::IO_OK;
}

}  // namespace pw
