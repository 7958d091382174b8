// Descriptors of parameter blocks: which parameters a class's block holds.
//
// A class declares its block once, statically, in a few lines:
//
//   const ParamBlockDesc2 kBrushBlock(
//       BlockSpec(0, "PwBrushParameters", kBrushClassID, REF_TARGET_CLASS_ID).AutoConstruct(0),
//       {
//           ParamDef(0, "brushShape", TYPE_INT).Ui("Brush Shape"),
//           ParamDef(1, "brushSize", TYPE_WORLD).Animatable().Default(35.0f).Ui("Brush Size"),
//           ParamDef(2, "brushSizeUnits", TYPE_INT).Range(0, 6),
//       });
//
// A descriptor registers itself, keyed by its owner's class and its block id,
// for as long as it lives; a block read from a file finds its descriptor
// through that key. Ranges are kept for editors and for callers that clamp;
// setting a value never clamps.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/params/paramblock_types.h"
#include "host/core/types.h"

namespace host {

struct ParamDef {
  ParamID id = -1;
  std::string name;  // lowerCamelCase, unique in its block; the CLI sets values by it
  ParamType type;
  ParamValue defaultValue;  // converted to the kind when the descriptor is built
  bool animatable = false;
  bool hasRange = false;
  double rangeMin = 0.0;
  double rangeMax = 0.0;
  std::string uiText;
  int tableSize = 0;  // entries of a fresh table; ignored for plain parameters

  ParamDef() = default;
  ParamDef(ParamID paramId, std::string internalName, ParamType paramType)
      : id(paramId), name(std::move(internalName)), type(paramType) {}

  ParamDef& Animatable(bool on = true) { animatable = on; return *this; }
  ParamDef& Default(float v) { defaultValue = v; return *this; }
  ParamDef& Default(double v) { defaultValue = static_cast<float>(v); return *this; }
  ParamDef& Default(int v) { defaultValue = v; return *this; }
  ParamDef& Default(bool v) { defaultValue = v ? 1 : 0; return *this; }
  ParamDef& Default(const Color& v) { defaultValue = v; return *this; }
  ParamDef& Default(const Point3& v) { defaultValue = v; return *this; }
  ParamDef& Default(const char* v) { defaultValue = std::string(v ? v : ""); return *this; }
  ParamDef& Default(std::string v) { defaultValue = std::move(v); return *this; }
  ParamDef& Default(PBBitmap v) { defaultValue = std::move(v); return *this; }
  ParamDef& Range(double lo, double hi) {
    hasRange = true;
    rangeMin = lo;
    rangeMax = hi;
    return *this;
  }
  ParamDef& Ui(std::string text) { uiText = std::move(text); return *this; }
  ParamDef& TableSize(int n) { tableSize = n; return *this; }

  // v limited to the range, for callers that clamp; v itself without a range.
  double Clamp(double v) const;
};

struct BlockSpec {
  BlockID id = 0;
  std::string internalName;
  Class_ID ownerClassID;
  SClass_ID ownerSuperClassID = 0;
  bool autoConstruct = false;
  int refNumber = -1;  // the owner's reference that holds an auto-constructed block

  BlockSpec(BlockID blockId, std::string name, Class_ID ownerClass, SClass_ID ownerSuperClass)
      : id(blockId), internalName(std::move(name)), ownerClassID(ownerClass), ownerSuperClassID(ownerSuperClass) {}
  // The owner's class descriptor builds this block with every new object and
  // keeps it as reference `ref`.
  BlockSpec& AutoConstruct(int ref) {
    autoConstruct = true;
    refNumber = ref;
    return *this;
  }
};

class ParamBlockDesc2 {
 public:
  ParamBlockDesc2(BlockSpec spec, std::vector<ParamDef> params);
  ~ParamBlockDesc2();
  ParamBlockDesc2(const ParamBlockDesc2&) = delete;
  ParamBlockDesc2& operator=(const ParamBlockDesc2&) = delete;

  BlockID ID() const { return spec_.id; }
  const std::string& InternalName() const { return spec_.internalName; }
  Class_ID OwnerClassID() const { return spec_.ownerClassID; }
  SClass_ID OwnerSuperClassID() const { return spec_.ownerSuperClassID; }
  bool AutoConstruct() const { return spec_.autoConstruct; }
  int RefNumber() const { return spec_.refNumber; }

  int Count() const { return static_cast<int>(params_.size()); }
  std::span<const ParamDef> Params() const { return params_; }
  // index must be in [0, Count()).
  const ParamDef& Param(int index) const { return params_[static_cast<std::size_t>(index)]; }
  int IdToIndex(ParamID id) const;  // -1 when unknown
  ParamID IndexToId(int index) const;  // -1 when out of range
  const ParamDef* FindParam(ParamID id) const;
  const ParamDef* FindParamByName(std::string_view name) const;

  // What is wrong with the declaration (duplicate ids or names, a default of
  // the wrong kind, keys on a kind that cannot hold them, ...); empty when
  // all is well. The descriptor is usable either way, with the faults
  // replaced by the nearest sound choice.
  const std::vector<std::string>& Problems() const { return problems_; }

  // The descriptor registered for an owner class and block id, or null.
  // When two are registered under one key the newer one answers.
  static const ParamBlockDesc2* Find(SClass_ID ownerSuperClass, Class_ID ownerClass, BlockID id);
  // Every registered descriptor of an owner class, oldest first.
  static std::vector<const ParamBlockDesc2*> ForOwner(SClass_ID ownerSuperClass, Class_ID ownerClass);

 private:
  void Validate();

  BlockSpec spec_;
  std::vector<ParamDef> params_;
  std::vector<std::string> problems_;
};

}  // namespace host
