#include "lines/line_modifier.h"

namespace pw {

// Files of a damaged scene may lack the block; the modifier then works with
// its defaults rather than with nothing.
class PwLineModifier::EnsureBlockAfterLoad : public host::PostLoadCallback {
 public:
  explicit EnsureBlockAfterLoad(PwLineModifier* mod) : mod_(mod) {}
  void proc(host::ILoad*) override {
    mod_->EnsureBlock();
    delete this;
  }
  void Abandon() override { delete this; }

 private:
  PwLineModifier* mod_;
};

PwLineModifier::PwLineModifier(const host::ParamBlockDesc2& desc, bool loading) : desc_(desc) {
  if (!loading) EnsureBlock();
}

void PwLineModifier::EnsureBlock() {
  if (ParamBlock()) return;
  host::IParamBlock2* block = host::CreateParameterBlock2(&desc_);
  if (ReplaceReference(PARAMBLOCK_REF, block) != host::REF_SUCCEED) block->DeleteThis();
}

host::IParamBlock2* PwLineModifier::ParamBlock() const {
  if (!paramBlock_ || paramBlock_->ClassID() != host::PARAMBLOCK2_CLASS_ID) return nullptr;
  auto* block = static_cast<host::IParamBlock2*>(paramBlock_);
  return block->GetDesc() == &desc_ ? block : nullptr;
}

host::Interval PwLineModifier::LocalValidity(host::TimeValue t) {
  host::Interval valid = host::FOREVER;
  if (const host::IParamBlock2* pb = ParamBlock()) valid &= pb->GetValidity(t);
  return valid;
}

int PwLineModifier::GetIntParam(host::ParamID id, host::TimeValue t, host::Interval& valid) const {
  const host::IParamBlock2* pb = ParamBlock();
  int v = 0;
  if (pb && pb->GetValue(id, t, v, valid)) return v;
  const host::ParamDef* def = desc_.FindParam(id);
  const int* fallback = def ? std::get_if<int>(&def->defaultValue) : nullptr;
  return fallback ? *fallback : 0;
}

bool PwLineModifier::SetIntParam(host::ParamID id, host::TimeValue t, int v) {
  host::IParamBlock2* pb = ParamBlock();
  return pb && pb->SetValue(id, t, v);
}

void PwLineModifier::CloneBaseInto(PwLineModifier& to, host::RemapDir& remap) {
  to.CopyModifierBase(*this);
  to.ReplaceReference(PARAMBLOCK_REF, remap.CloneRef(paramBlock_));
}

host::IOResult PwLineModifier::Save(host::ISave* isave) {
  const host::IOResult r = SaveHeader(isave);
  if (r != host::IO_OK) return r;
  return isave->WriteChunk(kLineModifierChunkVersion, kLineModifierVersion);
}

host::IOResult PwLineModifier::Load(host::ILoad* iload) {
  host::IOResult r;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    if (iload->CurChunkID() == host::MODIFIER_HDR_CHUNK && LoadHeader(iload) != host::IO_OK) return host::IO_ERROR;
    if (iload->CurChunkID() == kLineModifierChunkVersion) {
      std::int32_t version = 0;
      if (iload->ReadValue(&version) != host::IO_OK) return host::IO_ERROR;
    }
    if (iload->CloseChunk() != host::IO_OK) return host::IO_ERROR;
  }
  if (r == host::IO_ERROR) return host::IO_ERROR;
  iload->RegisterPostLoadCallback(new EnsureBlockAfterLoad(this));
  return host::IO_OK;
}

}  // namespace pw
