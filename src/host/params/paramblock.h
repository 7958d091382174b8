// Parameter blocks: a class's named, typed, animatable settings.
//
// A block belongs to one descriptor (paramblock_desc.h) and holds a value
// for each of its parameters, or a list of values for a table parameter.
// Parameters are addressed by their id; tables also by an entry index.
//
// Values and time. Numbers (float, int, bool, time, colour, point3) can be
// animated when their parameter is animatable. SetValue changes the value
// seen at t: on a parameter with keys it sets the key at t (adding one if
// there is none), without keys it sets the constant, so the value changes at
// all times. SetKey adds a key explicitly and is how a parameter becomes
// animated; a single key holds its value at all times. RemoveAnimation
// freezes a parameter at its value at t.
//
// Failures never crash: an unknown id, an entry index out of range, or a
// value of another kind than the parameter's (a float asked of a string) make
// the call answer false and change nothing. Ints, bools and times read and
// write each other; nothing else converts. Values are never clamped to the
// descriptor's range; callers that need a limit apply ParamDef::Clamp.
//
// Every successful change tells the block's dependents (REFMSG_CHANGE);
// LastNotifyParamID says which parameter it was.
//
// References. Reference-target parameters are the block's references,
// numbered through the reference parameters in descriptor order and through
// each table's entries in order; they are set through ReplaceReference, so
// the targets know the block depends on them, and a deleted target leaves its
// entry empty. Growing or shrinking a table renumbers the references after it.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "host/refs/class_desc.h"
#include "host/params/paramblock_desc.h"
#include "host/params/paramblock_store.h"
#include "host/refs/reference.h"

namespace host {

inline constexpr Class_ID PARAMBLOCK2_CLASS_ID{PARAMETER_BLOCK2_CLASS_ID, 0};

class IParamBlock2 : public ReferenceTarget {
 public:
  // A block of `desc` at its defaults. Without a descriptor the block is
  // empty until Load gives it one (what the scene loader creates).
  explicit IParamBlock2(const ParamBlockDesc2* desc = nullptr);

  Class_ID ClassID() const override { return PARAMBLOCK2_CLASS_ID; }
  SClass_ID SuperClassID() const override { return PARAMETER_BLOCK2_CLASS_ID; }
  std::string GetClassName() const override { return "ParamBlock2"; }

  // ---- Layout ----
  BlockID ID() const { return desc_ ? desc_->ID() : BlockID{-1}; }
  const ParamBlockDesc2* GetDesc() const { return desc_; }
  int NumParams() const { return desc_ ? desc_->Count() : 0; }
  ParamID IndexToId(int index) const { return desc_ ? desc_->IndexToId(index) : ParamID{-1}; }
  int IdToIndex(ParamID id) const { return desc_ ? desc_->IdToIndex(id) : -1; }
  const ParamDef* GetParamDef(ParamID id) const { return desc_ ? desc_->FindParam(id) : nullptr; }
  const ParamDef* FindParamByName(std::string_view name) const {
    return desc_ ? desc_->FindParamByName(name) : nullptr;
  }

  // ---- Values at a time ----
  // valid is intersected with the times over which the value holds.
  bool GetValue(ParamID id, TimeValue t, float& v, Interval& valid, int tabIndex = 0) const;
  bool GetValue(ParamID id, TimeValue t, int& v, Interval& valid, int tabIndex = 0) const;
  bool GetValue(ParamID id, TimeValue t, bool& v, Interval& valid, int tabIndex = 0) const;
  bool GetValue(ParamID id, TimeValue t, Color& v, Interval& valid, int tabIndex = 0) const;
  bool GetValue(ParamID id, TimeValue t, Point3& v, Interval& valid, int tabIndex = 0) const;
  bool GetValue(ParamID id, TimeValue t, std::string& v, Interval& valid, int tabIndex = 0) const;
  bool GetValue(ParamID id, TimeValue t, ReferenceTarget*& v, Interval& valid, int tabIndex = 0) const;
  bool GetValue(ParamID id, TimeValue t, PBBitmap& v, Interval& valid, int tabIndex = 0) const;

  bool SetValue(ParamID id, TimeValue t, float v, int tabIndex = 0);
  bool SetValue(ParamID id, TimeValue t, double v, int tabIndex = 0) {
    return SetValue(id, t, static_cast<float>(v), tabIndex);
  }
  bool SetValue(ParamID id, TimeValue t, int v, int tabIndex = 0);
  bool SetValue(ParamID id, TimeValue t, bool v, int tabIndex = 0);
  bool SetValue(ParamID id, TimeValue t, const Color& v, int tabIndex = 0);
  bool SetValue(ParamID id, TimeValue t, const Point3& v, int tabIndex = 0);
  bool SetValue(ParamID id, TimeValue t, const std::string& v, int tabIndex = 0);
  bool SetValue(ParamID id, TimeValue t, const char* v, int tabIndex = 0) {
    return SetValue(id, t, std::string(v ? v : ""), tabIndex);
  }
  bool SetValue(ParamID id, TimeValue t, ReferenceTarget* v, int tabIndex = 0);
  bool SetValue(ParamID id, TimeValue t, std::nullptr_t, int tabIndex = 0) {
    return SetValue(id, t, static_cast<ReferenceTarget*>(nullptr), tabIndex);
  }
  bool SetValue(ParamID id, TimeValue t, const PBBitmap& v, int tabIndex = 0);

  // Adds or replaces a key at t. False on a parameter that is not animatable.
  bool SetKey(ParamID id, TimeValue t, float v, int tabIndex = 0);
  bool SetKey(ParamID id, TimeValue t, double v, int tabIndex = 0) {
    return SetKey(id, t, static_cast<float>(v), tabIndex);
  }
  bool SetKey(ParamID id, TimeValue t, int v, int tabIndex = 0);
  bool SetKey(ParamID id, TimeValue t, bool v, int tabIndex = 0);
  bool SetKey(ParamID id, TimeValue t, const Color& v, int tabIndex = 0);
  bool SetKey(ParamID id, TimeValue t, const Point3& v, int tabIndex = 0);

  // Conveniences: the value, or the kind's zero when GetValue would fail.
  float GetFloat(ParamID id, TimeValue t = 0, int tabIndex = 0) const;
  int GetInt(ParamID id, TimeValue t = 0, int tabIndex = 0) const;
  Color GetColor(ParamID id, TimeValue t = 0, int tabIndex = 0) const;
  Point3 GetPoint3(ParamID id, TimeValue t = 0, int tabIndex = 0) const;
  std::string GetStr(ParamID id, TimeValue t = 0, int tabIndex = 0) const;
  ReferenceTarget* GetReferenceTarget(ParamID id, TimeValue t = 0, int tabIndex = 0) const;
  PBBitmap GetBitmap(ParamID id, TimeValue t = 0, int tabIndex = 0) const;

  // ---- Tables ----
  // Entries of a table; 1 for a plain parameter, 0 for an unknown id.
  int Count(ParamID id) const;
  // Resizes a table: new entries take the default, dropped references are
  // released. False for plain parameters and negative counts.
  bool SetCount(ParamID id, int n);
  // Removes num entries from start on; false (nothing removed) when the range
  // does not lie within the table.
  bool Delete(ParamID id, int start, int num);
  // Inserts num default entries before entry `at` (at == Count appends).
  bool Insert(ParamID id, int at, int num);
  // Appends one entry holding v (set at time t). The new entry's index, or -1
  // (the table unchanged) when the id is no table or v is of another kind.
  template <class T>
  int Append(ParamID id, const T& v, TimeValue t = 0) {
    const ParamDef* def = GetParamDef(id);
    if (!def || !def->type.table) return -1;
    const int n = Count(id);
    // One notification for the whole step, none when it fails.
    ++quiet_;
    bool ok = SetCount(id, n + 1);
    if (ok && !SetValue(id, t, v, n)) {
      SetCount(id, n);
      ok = false;
    }
    --quiet_;
    if (!ok) return -1;
    Changed(id);
    return n;
  }

  // ---- Animation and defaults ----
  bool IsAnimated(ParamID id) const;
  // Keys of the parameter (every entry of a table) replaced by their value at t.
  bool RemoveAnimation(ParamID id, TimeValue t);
  void RemoveAllAnimation(TimeValue t);
  // One parameter, or all of them, back to the defaults (tables to their
  // initial size, references released, keys gone).
  bool Reset(ParamID id);
  void ResetAll();
  // The times around t over which every value of the block holds.
  Interval GetValidity(TimeValue t) const;
  // Which parameter the last change notification was about (-1: none yet).
  ParamID LastNotifyParamID() const { return lastNotifyId_; }

  // ---- Reference target ----
  int NumRefs() override;
  ReferenceTarget* GetReference(int i) override;
  RefResult NotifyRefChanged(const Interval& changeInt, ReferenceTarget* target, PartID& partID,
                             RefMessage message) override;
  // Values, keys and table sizes copied; targets cloned through remap.
  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 protected:
  void SetReference(int i, ReferenceTarget* target) override;

 private:
  std::span<const ParamDef> Defs() const;
  // Index of the parameter id, or -1.
  int Index(ParamID id) const { return IdToIndex(id); }
  template <class T>
  bool Get(ParamID id, TimeValue t, T& v, Interval& valid, int tabIndex) const;
  template <class T>
  bool Set(ParamID id, TimeValue t, const T& v, int tabIndex, bool key);
  void Changed(ParamID id);
  // Releases the references of entries [start, start + num) of parameter index.
  void ReleaseRefs(int index, int start, int num);
  void ReleaseAllRefs();

  const ParamBlockDesc2* desc_ = nullptr;
  ParamStore store_;
  ParamID lastNotifyId_ = -1;
  int quiet_ = 0;  // while nonzero, changes are not announced
};

// A block of desc at its defaults, or null without a descriptor.
IParamBlock2* CreateParameterBlock2(const ParamBlockDesc2* desc);

// Builds every auto-constructed block registered for the owner's class and
// makes each the owner's reference of its descriptor. Answers how many.
int MakeAutoParamBlocks(ReferenceMaker& owner, SClass_ID ownerSuperClass, Class_ID ownerClass);

// Descriptor of the block class, for the class registry (see host_classes.h).
ClassDesc* GetParamBlock2ClassDesc();

}  // namespace host
