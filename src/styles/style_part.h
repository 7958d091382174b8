// What the four kinds of style-tree objects have in common: a reference
// target of the host whose only reference is one parameter block of a fixed
// descriptor, holding everything the object stores.
#pragma once

#include <string>

#include "host/params/paramblock.h"
#include "host/refs/reference.h"

namespace pw {

class PwStylePart : public host::ReferenceTarget {
 public:
  static constexpr int PARAMBLOCK_REF = 0;

  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  int NumRefs() override { return 1; }
  host::ReferenceTarget* GetReference(int i) override { return i == PARAMBLOCK_REF ? block_ : nullptr; }

  // The block, or null when it is missing or is not a block of this class
  // (a damaged file). Every accessor then reads the descriptor's default and
  // every setter does nothing.
  host::IParamBlock2* Block() const;
  const host::ParamBlockDesc2& Desc() const { return desc_; }

  // Puts a fresh block at its defaults in place, dropping the old one.
  void MakeFreshBlock();

  // Whether a parameter of the block carries keys.
  bool IsParamAnimated(host::ParamID id) const;

  // What editors call reference i: "Parameters" for the block, else "".
  std::string SubAnimName(int i) const { return i == PARAMBLOCK_REF ? "Parameters" : ""; }

 protected:
  explicit PwStylePart(const host::ParamBlockDesc2& desc) : desc_(desc) {}

  void SetReference(int i, host::ReferenceTarget* target) override {
    if (i == PARAMBLOCK_REF) block_ = target;
  }
  // For Clone overrides: registers the copy, then gives it a clone of this
  // object's block (which clones whatever the block refers to through remap).
  void CloneBlockInto(PwStylePart& copy, host::RemapDir& remap);

  // Reads that fall back to the parameter's default without a usable block.
  bool GetBool(host::ParamID id, host::TimeValue t = 0, int tab = 0) const;
  int GetIntParam(host::ParamID id, host::TimeValue t = 0, int tab = 0) const;
  float GetFloatParam(host::ParamID id, host::TimeValue t = 0, int tab = 0) const;
  std::string GetStrParam(host::ParamID id, host::TimeValue t = 0, int tab = 0) const;
  host::ReferenceTarget* GetRefParam(host::ParamID id, int tab = 0) const;

  template <class T>
  bool SetParam(host::ParamID id, host::TimeValue t, const T& v, int tab = 0) {
    host::IParamBlock2* pb = Block();
    return pb && pb->SetValue(id, t, v, tab);
  }

 private:
  const host::ParamBlockDesc2& desc_;
  host::ReferenceTarget* block_ = nullptr;
};

}  // namespace pw
