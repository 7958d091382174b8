// What the two line modifiers (edge IDs, intersection restriction) share:
// an object-space modifier for triangle meshes that leaves the object as it
// is, keeps its settings in one parameter block (reference 0) and saves,
// after the modifier header, only a version chunk. What they record of the
// mesh is taken afresh by every evaluation, so it is never saved.
#pragma once

#include <cstdint>

#include "host/params/paramblock.h"
#include "host/scene/modifier.h"

namespace pw {

// The chunk both modifiers write after the modifier header, and its value.
// Any value is accepted on reading.
inline constexpr std::uint16_t kLineModifierChunkVersion = 100;  // i32
inline constexpr std::int32_t kLineModifierVersion = 1;

class PwLineModifier : public host::Modifier {
 public:
  static constexpr int PARAMBLOCK_REF = 0;

  host::Class_ID InputType() override { return host::triObjectClassID; }
  // The block's validity at t: the modifier's effect changes only with its
  // parameters.
  host::Interval LocalValidity(host::TimeValue t) override;

  // The modifier's block, or null when its slot holds anything else (a
  // damaged file).
  host::IParamBlock2* ParamBlock() const;

  int NumRefs() override { return 1; }
  host::ReferenceTarget* GetReference(int i) override { return i == PARAMBLOCK_REF ? paramBlock_ : nullptr; }
  // The modifier header, then the version chunk.
  host::IOResult Save(host::ISave* isave) override;
  // The header and the version chunk; other chunks are skipped. A file
  // without a usable block leaves the modifier with a fresh one.
  host::IOResult Load(host::ILoad* iload) override;

 protected:
  // A fresh modifier (loading false) gets a block of desc at its defaults;
  // a loading one gets its block from the file.
  PwLineModifier(const host::ParamBlockDesc2& desc, bool loading);

  void SetReference(int i, host::ReferenceTarget* target) override {
    if (i == PARAMBLOCK_REF) paramBlock_ = target;
  }
  // For Clone: the base fields and a copy of the block through remap.
  void CloneBaseInto(PwLineModifier& to, host::RemapDir& remap);
  // Parameter at t; false when the block is missing. valid is narrowed.
  int GetIntParam(host::ParamID id, host::TimeValue t, host::Interval& valid) const;
  bool SetIntParam(host::ParamID id, host::TimeValue t, int v);

 private:
  class EnsureBlockAfterLoad;
  void EnsureBlock();

  const host::ParamBlockDesc2& desc_;
  host::ReferenceTarget* paramBlock_ = nullptr;
};

}  // namespace pw
