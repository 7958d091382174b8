// The older kind of parameter block, used by classes that address their
// parameters by position in a table of (type, animatable, id) entries.
//
// It holds floats, ints, bools, colours and point3s only, each one value
// that may be animated when its entry says so, and starts with every value
// at zero (the owner sets its own defaults). Values share their storage,
// keys and persistence with IParamBlock2 (paramblock_store.h).
//
// A block saves its layout with its values, so it loads without any table;
// a class whose layout changed between versions registers a ParamBlockPLCB
// while loading, which afterwards swaps an older block for one in the
// current layout, carrying values over by entry id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/io/chunk_io.h"
#include "host/refs/class_desc.h"
#include "host/params/paramblock_store.h"
#include "host/refs/reference.h"

namespace host {

inline constexpr Class_ID PARAMBLOCK_CLASS_ID{PARAMETER_BLOCK_CLASS_ID, 0};

// One entry of a layout. Ids are 0..32767 and unique within a layout.
struct ParamBlockDescID {
  ParamType type;
  const void* user;  // the editor's display conversion; the block ignores it
  bool animatable;
  int id;
};

// A layout and the version number it was introduced with.
struct ParamVersionDesc {
  const ParamBlockDescID* desc;
  int count;
  std::uint32_t version;
};

class IParamBlock : public ReferenceTarget {
 public:
  // An empty block that Load fills (what the scene loader creates).
  IParamBlock() = default;

  // Null when the layout is unusable: a count below zero, an entry of
  // another kind than float, int, bool, colour or point3, a table, an id out
  // of range or repeated.
  static IParamBlock* Create(const ParamBlockDescID* descs, int count, std::uint32_t version);

  Class_ID ClassID() const override { return PARAMBLOCK_CLASS_ID; }
  SClass_ID SuperClassID() const override { return PARAMETER_BLOCK_CLASS_ID; }
  std::string GetClassName() const override { return "ParamBlock"; }

  int NumParams() const { return static_cast<int>(layout_.size()); }
  std::uint32_t GetVersion() const { return version_; }
  // Layout of entry index; TYPE_FLOAT, -1 and false out of range.
  ParamType GetParameterType(int index) const;
  int GetParamID(int index) const;
  bool IsParamAnimatable(int index) const;
  int IdToIndex(int id) const;  // -1 when no entry has the id

  // The same rules as IParamBlock2's (see paramblock.h), by entry index.
  bool GetValue(int index, TimeValue t, float& v, Interval& ivalid) const;
  bool GetValue(int index, TimeValue t, int& v, Interval& ivalid) const;
  bool GetValue(int index, TimeValue t, bool& v, Interval& ivalid) const;
  bool GetValue(int index, TimeValue t, Color& v, Interval& ivalid) const;
  bool GetValue(int index, TimeValue t, Point3& v, Interval& ivalid) const;

  bool SetValue(int index, TimeValue t, float v);
  bool SetValue(int index, TimeValue t, double v) { return SetValue(index, t, static_cast<float>(v)); }
  bool SetValue(int index, TimeValue t, int v);
  bool SetValue(int index, TimeValue t, bool v);
  bool SetValue(int index, TimeValue t, const Color& v);
  bool SetValue(int index, TimeValue t, const Point3& v);

  bool SetKey(int index, TimeValue t, float v);
  bool SetKey(int index, TimeValue t, double v) { return SetKey(index, t, static_cast<float>(v)); }
  bool SetKey(int index, TimeValue t, int v);
  bool SetKey(int index, TimeValue t, bool v);
  bool SetKey(int index, TimeValue t, const Color& v);
  bool SetKey(int index, TimeValue t, const Point3& v);

  float GetFloat(int index, TimeValue t = 0) const;
  int GetInt(int index, TimeValue t = 0) const;
  Color GetColor(int index, TimeValue t = 0) const;
  Point3 GetPoint3(int index, TimeValue t = 0) const;

  bool IsAnimated(int index) const { return store_.IsAnimated(index); }
  bool RemoveAnimation(int index, TimeValue t);
  void RemoveAllAnimation(TimeValue t);
  Interval GetValidity(TimeValue t) const { return store_.Validity(t); }

  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  // Chunks:
  //   0x0001 HEADER: u32 version
  //   0x0010 PARAM, one per entry in layout order (paramblock_store.h); the
  //          heads give the layout back.
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

  // The entry's values, for conversions between layouts.
  const ParamStore& Store() const { return store_; }
  const std::vector<ParamDef>& Layout() const { return layout_; }

 private:
  friend IParamBlock* UpdateParameterBlock(const IParamBlock&, const ParamBlockDescID*, int, std::uint32_t);
  template <class T>
  bool Get(int index, TimeValue t, T& v, Interval& valid) const;
  template <class T>
  bool Set(int index, TimeValue t, const T& v, bool key);

  std::vector<ParamDef> layout_;
  ParamStore store_;
  std::uint32_t version_ = 0;
};

inline IParamBlock* CreateParameterBlock(const ParamBlockDescID* descs, int count, std::uint32_t version) {
  return IParamBlock::Create(descs, count, version);
}

// A new block in the given layout holding old's values: entries are matched
// by id (numbers convert between float, int and bool, colours and point3s
// into each other, keys and all); entries new to the layout start at zero.
// Null when the layout is unusable.
IParamBlock* UpdateParameterBlock(const IParamBlock& old, const ParamBlockDescID* descs, int count,
                                  std::uint32_t version);

// Registered with ILoad::RegisterPostLoadCallback(new ParamBlockPLCB(...))
// by an owner while it loads. Once the whole file is read, if the owner's
// reference refIndex is an older-style block whose version or layout differs
// from `current`, it is replaced by UpdateParameterBlock's conversion. Made
// with new; deletes itself after running or when the load is abandoned.
class ParamBlockPLCB : public PostLoadCallback {
 public:
  ParamBlockPLCB(const ParamVersionDesc& current, ReferenceMaker* owner, int refIndex)
      : current_(current), owner_(owner), refIndex_(refIndex) {}
  // The form that lists the older layouts too. Blocks save their own layout,
  // so the conversion needs only the current one; the list is accepted so a
  // class can hand over its version table as it is.
  ParamBlockPLCB(const ParamVersionDesc* /*older*/, int /*olderCount*/, const ParamVersionDesc* current,
                 ReferenceMaker* owner, int refIndex)
      : current_(current ? *current : ParamVersionDesc{nullptr, 0, 0}), owner_(owner), refIndex_(refIndex) {}

  void proc(ILoad* iload) override;
  void Abandon() override { delete this; }

 private:
  ParamVersionDesc current_;
  ReferenceMaker* owner_;
  int refIndex_;
};

// Descriptor of the block class, for the class registry (see host_classes.h).
ClassDesc* GetParamBlockClassDesc();

}  // namespace host
