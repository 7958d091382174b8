// Modifier stacks: an object with modifiers applied on top of it.
//
// Index 0 is the top of the stack, the modifier applied last; the base
// object sits below the last index. Evaluation copies the base object and
// applies the enabled modifiers from the bottom up; the copy belongs to the
// derived object and stays valid until its next evaluation.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/scene/modifier.h"
#include "host/scene/object_base.h"

namespace host {

class DerivedObject : public Object {
 public:
  explicit DerivedObject(Object* base = nullptr);
  ~DerivedObject() override;

  Class_ID ClassID() const override { return DERIVED_OBJECT_CLASS_ID; }
  SClass_ID SuperClassID() const override { return DERIVED_OBJECT_SUPER_CLASS_ID; }
  std::string GetClassName() const override { return "Modified Object"; }

  Object* GetObjRef() const { return dynamic_cast<Object*>(base_); }

  int NumModifiers() const { return static_cast<int>(slots_.size()); }
  Modifier* GetModifier(int i) const;
  ModContext* GetModContext(int i) const;
  // Puts mod at stack index `at` (0: on top; NumModifiers(): just above the
  // base). The stack takes mc, or makes a fresh context. False, taking
  // nothing, when mod is null or `at` is out of range.
  bool AddModifier(Modifier* mod, ModContext* mc = nullptr, int at = 0);
  bool DeleteModifier(int i);

  // The object after the stack, for `node` (which modifiers may look at).
  // A modifier may put a new object of its own making into the state (a
  // conversion); the stack then owns that one instead of its copy.
  ObjectState EvalForNode(TimeValue t, INode* node);
  ObjectState Eval(TimeValue t) override { return EvalForNode(t, nullptr); }
  Object* FindBaseObject() override {
    Object* base = GetObjRef();
    return base ? base->FindBaseObject() : nullptr;
  }
  bool IsRenderable() override {
    Object* base = GetObjRef();
    return base && base->IsRenderable();
  }
  Box3 GetLocalBoundBox(TimeValue t) override;

  int NumRefs() override { return 1 + NumModifiers(); }
  ReferenceTarget* GetReference(int i) override;
  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 protected:
  // A modifier slot set to null (its modifier was deleted) is removed.
  void SetReference(int i, ReferenceTarget* target) override;

 private:
  // Slots hold whatever a file put there; the typed getters check the type.
  struct Slot {
    ReferenceTarget* mod = nullptr;
    std::unique_ptr<ModContext> mc;
  };
  struct PendingLocalData {
    int slot;
    std::vector<std::uint8_t> bytes;
  };
  class LoadFixup;

  // The stack's private copy of `source`, or null when it cannot be copied.
  Object* WorkingCopy(Object* source);
  void SetCache(Object* obj);

  ReferenceTarget* base_ = nullptr;
  std::vector<Slot> slots_;
  Object* cache_ = nullptr;  // owned; referenced by nothing
  std::vector<PendingLocalData> pending_;
};

class INode;
// Puts mod on top of the node's modifier stack, making the stack when the
// node's object has none. Answers the stack, or null (nothing changed) when
// the node has no object or mod is null.
DerivedObject* AddModifierToNode(INode* node, Modifier* mod);

}  // namespace host
