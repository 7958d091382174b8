#include "styles/style_part.h"

#include <variant>

namespace pw {

namespace {

// The default a descriptor declares for a parameter, as T.
template <class T>
T DefaultOf(const host::ParamBlockDesc2& desc, host::ParamID id) {
  const host::ParamDef* def = desc.FindParam(id);
  if (!def) return T{};
  if (const auto* f = std::get_if<float>(&def->defaultValue)) return static_cast<T>(*f);
  if (const auto* i = std::get_if<int>(&def->defaultValue)) return static_cast<T>(*i);
  return T{};
}

}  // namespace

host::IParamBlock2* PwStylePart::Block() const {
  auto* pb = dynamic_cast<host::IParamBlock2*>(block_);
  return pb && pb->GetDesc() == &desc_ ? pb : nullptr;
}

void PwStylePart::MakeFreshBlock() { ReplaceReference(PARAMBLOCK_REF, host::CreateParameterBlock2(&desc_)); }

bool PwStylePart::IsParamAnimated(host::ParamID id) const {
  const host::IParamBlock2* pb = Block();
  return pb && pb->IsAnimated(id);
}

void PwStylePart::CloneBlockInto(PwStylePart& copy, host::RemapDir& remap) {
  remap.AddEntry(this, &copy);
  copy.ReplaceReference(PARAMBLOCK_REF, remap.CloneRef(block_));
}

bool PwStylePart::GetBool(host::ParamID id, host::TimeValue t, int tab) const {
  return GetIntParam(id, t, tab) != 0;
}

int PwStylePart::GetIntParam(host::ParamID id, host::TimeValue t, int tab) const {
  const host::IParamBlock2* pb = Block();
  int v = 0;
  host::Interval valid = host::FOREVER;
  if (pb && pb->GetValue(id, t, v, valid, tab)) return v;
  return DefaultOf<int>(desc_, id);
}

float PwStylePart::GetFloatParam(host::ParamID id, host::TimeValue t, int tab) const {
  const host::IParamBlock2* pb = Block();
  float v = 0.0f;
  host::Interval valid = host::FOREVER;
  if (pb && pb->GetValue(id, t, v, valid, tab)) return v;
  return DefaultOf<float>(desc_, id);
}

std::string PwStylePart::GetStrParam(host::ParamID id, host::TimeValue t, int tab) const {
  const host::IParamBlock2* pb = Block();
  return pb ? pb->GetStr(id, t, tab) : std::string();
}

host::ReferenceTarget* PwStylePart::GetRefParam(host::ParamID id, int tab) const {
  const host::IParamBlock2* pb = Block();
  return pb ? pb->GetReferenceTarget(id, 0, tab) : nullptr;
}

}  // namespace pw
