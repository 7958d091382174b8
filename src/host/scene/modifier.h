// Object-space modifiers: steps of a modifier stack that change (or just
// look at) the object passing through them. A DerivedObject holds the stack.
//
// A modifier may sit on several stacks at once; what it keeps per object
// lives in the LocalModData of that stack's ModContext.
#pragma once

#include <memory>
#include <string>

#include "host/core/box3.h"
#include "host/io/chunk_io.h"
#include "host/core/matrix3.h"
#include "host/scene/object_base.h"
#include "host/refs/reference.h"

namespace host {

// Per-object data a modifier keeps with the stack it is applied in.
class LocalModData {
 public:
  virtual ~LocalModData() = default;
  virtual LocalModData* Clone() = 0;
};

// A modifier's place on one stack. Owns its local data.
class ModContext {
 public:
  ModContext() = default;
  ModContext(const ModContext& other);
  ModContext& operator=(const ModContext&) = delete;
  ~ModContext() { delete localData; }

  Matrix3 tm;    // the modifier's space relative to the object
  Box3 box;      // the object's extent when the modifier was applied
  LocalModData* localData = nullptr;  // made by the modifier, freed with the context
};

// Chunk holding the Modifier base's fields, written first by every modifier.
inline constexpr std::uint16_t MODIFIER_HDR_CHUNK = 0x4010;

class Modifier : public ReferenceTarget {
 public:
  SClass_ID SuperClassID() const override { return OSM_CLASS_ID; }

  // Changes the state's object in place (or only reads it). The object is
  // the stack's own copy; node is the node being evaluated, or null.
  virtual void ModifyObject(TimeValue t, ModContext& mc, ObjectState& os, INode* node) = 0;
  // The times over which the modifier's effect holds around t.
  virtual Interval LocalValidity(TimeValue /*t*/) { return FOREVER; }
  // The class of object the modifier works on.
  virtual Class_ID InputType() { return triObjectClassID; }

  // A stack applies a modifier only while it is enabled and enabled for
  // rendering.
  bool IsEnabled() const { return enabled_; }
  void EnableMod() { SetEnabled(true); }
  void DisableMod() { SetEnabled(false); }
  bool IsEnabledInRender() const { return enabledInRender_; }
  void EnableModInRender() { SetEnabledInRender(true); }
  void DisableModInRender() { SetEnabledInRender(false); }

  // The name shown in the stack; the class name until one is given.
  std::string GetName() const { return name_.empty() ? GetClassName() : name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // Per-object data, saved with each stack the modifier is on.
  virtual IOResult SaveLocalData(ISave* /*isave*/, LocalModData* /*ld*/) { return IO_OK; }
  virtual IOResult LoadLocalData(ILoad* /*iload*/, LocalModData** /*pld*/) { return IO_OK; }

  // Subclasses save SaveHeader's chunk before their own and hand chunk
  // MODIFIER_HDR_CHUNK to LoadHeader when they meet it. The defaults below
  // do just that.
  IOResult SaveHeader(ISave* isave);
  IOResult LoadHeader(ILoad* iload);
  IOResult Save(ISave* isave) override { return SaveHeader(isave); }
  IOResult Load(ILoad* iload) override;

 protected:
  // Copies the base fields, for Clone.
  void CopyModifierBase(const Modifier& from) {
    enabled_ = from.enabled_;
    enabledInRender_ = from.enabledInRender_;
    name_ = from.name_;
  }

 private:
  void SetEnabled(bool on);
  void SetEnabledInRender(bool on);

  bool enabled_ = true;
  bool enabledInRender_ = true;
  std::string name_;
};

}  // namespace host
