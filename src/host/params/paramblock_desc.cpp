#include "host/params/paramblock_desc.h"

#include <algorithm>
#include <cmath>

namespace host {

namespace {

// The one process-wide list of block descriptors: static descriptors add
// themselves while the program starts, and loading looks blocks up here.
// Deliberately never destroyed: static descriptors unregister themselves at
// exit in an order no one controls, and must always find the list alive.
std::vector<const ParamBlockDesc2*>& Registry() {
  static auto* descs = new std::vector<const ParamBlockDesc2*>;
  return *descs;
}

bool SameKey(const ParamBlockDesc2& d, SClass_ID ownerSuperClass, Class_ID ownerClass, BlockID id) {
  return d.OwnerSuperClassID() == ownerSuperClass && d.OwnerClassID() == ownerClass && d.ID() == id;
}

std::string Describe(const ParamDef& def) { return "parameter " + std::to_string(def.id) + " '" + def.name + "'"; }

// The default converted to the alternative the kind stores (float; int for
// ints, bools and times; Color; Point3; string; PBBitmap; none for targets).
// Answers false when the given default cannot stand for the kind.
bool NormaliseDefault(ParamKind kind, ParamValue& v) {
  const bool unset = std::holds_alternative<std::monostate>(v);
  switch (kind) {
    case ParamKind::Float:
      if (unset) v = 0.0f;
      else if (auto* i = std::get_if<int>(&v)) v = static_cast<float>(*i);
      return std::holds_alternative<float>(v);
    case ParamKind::Int:
    case ParamKind::Bool:
    case ParamKind::Time:
      if (unset) v = 0;
      if (!std::holds_alternative<int>(v)) return false;
      if (kind == ParamKind::Bool) v = std::get<int>(v) != 0 ? 1 : 0;
      return true;
    case ParamKind::Color:
      if (unset) v = Color();
      else if (auto* p = std::get_if<Point3>(&v)) v = Color(*p);
      return std::holds_alternative<Color>(v);
    case ParamKind::Point3:
      if (unset) v = Point3();
      else if (auto* c = std::get_if<Color>(&v)) v = Point3(c->r, c->g, c->b);
      return std::holds_alternative<Point3>(v);
    case ParamKind::String:
    case ParamKind::Filename:
      if (unset) v = std::string();
      return std::holds_alternative<std::string>(v);
    case ParamKind::Bitmap:
      if (unset) v = PBBitmap();
      else if (auto* s = std::get_if<std::string>(&v)) v = PBBitmap{*s};
      return std::holds_alternative<PBBitmap>(v);
    case ParamKind::RefTarget:
      return unset;
  }
  return false;
}

ParamValue ZeroOf(ParamKind kind) {
  ParamValue v;
  NormaliseDefault(kind, v);
  return v;
}

bool ValidKind(ParamKind k) { return static_cast<int>(k) < kParamKindCount; }

bool ValidName(const std::string& name) {
  return !name.empty() &&
         std::none_of(name.begin(), name.end(), [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
}

}  // namespace

const char* ParamKindName(ParamKind kind) {
  switch (kind) {
    case ParamKind::Float: return "float";
    case ParamKind::Int: return "int";
    case ParamKind::Bool: return "bool";
    case ParamKind::Color: return "colour";
    case ParamKind::Point3: return "point3";
    case ParamKind::String: return "string";
    case ParamKind::Filename: return "filename";
    case ParamKind::RefTarget: return "reference target";
    case ParamKind::Bitmap: return "bitmap";
    case ParamKind::Time: return "time";
  }
  return "unknown";
}

double ParamDef::Clamp(double v) const {
  if (!hasRange) return v;
  return std::clamp(v, rangeMin, rangeMax);
}

ParamBlockDesc2::ParamBlockDesc2(BlockSpec spec, std::vector<ParamDef> params)
    : spec_(std::move(spec)), params_(std::move(params)) {
  Validate();
  if (Find(spec_.ownerSuperClassID, spec_.ownerClassID, spec_.id))
    problems_.push_back("another descriptor is registered for the same owner class and block id " +
                        std::to_string(spec_.id));
  Registry().push_back(this);
}

ParamBlockDesc2::~ParamBlockDesc2() {
  auto& all = Registry();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void ParamBlockDesc2::Validate() {
  for (std::size_t i = 0; i < params_.size(); ++i) {
    ParamDef& def = params_[i];
    if (!ValidKind(def.type.kind)) {
      problems_.push_back(Describe(def) + " has an unknown kind; it holds a float instead");
      def.type.kind = ParamKind::Float;
    }
    if (static_cast<int>(def.type.unit) >= kParamUnitCount ||
        (def.type.unit != ParamUnit::None && def.type.kind != ParamKind::Float)) {
      problems_.push_back(Describe(def) + " has a unit but is not a float");
      def.type.unit = ParamUnit::None;
    }
    if (!ValidName(def.name)) problems_.push_back(Describe(def) + " needs a name without spaces");
    for (std::size_t j = 0; j < i; ++j) {
      if (params_[j].id == def.id) problems_.push_back(Describe(def) + " repeats the id of an earlier one");
      if (params_[j].name == def.name) problems_.push_back(Describe(def) + " repeats the name of an earlier one");
    }
    if (!NormaliseDefault(def.type.kind, def.defaultValue)) {
      problems_.push_back(Describe(def) + " has a default that is not a " + ParamKindName(def.type.kind));
      def.defaultValue = ZeroOf(def.type.kind);
    }
    if (def.animatable && !IsAnimatableKind(def.type.kind)) {
      problems_.push_back(Describe(def) + " is marked animatable, but a " + ParamKindName(def.type.kind) +
                          " cannot hold keys");
      def.animatable = false;
    }
    if (def.hasRange && !(def.rangeMin <= def.rangeMax)) {
      problems_.push_back(Describe(def) + " has an empty range");
      def.hasRange = false;
    }
    if (def.tableSize < 0 || (def.tableSize > 0 && !def.type.table)) {
      problems_.push_back(Describe(def) + " has a table size but is not a table, or a negative one");
      def.tableSize = 0;
    }
  }
}

int ParamBlockDesc2::IdToIndex(ParamID id) const {
  for (std::size_t i = 0; i < params_.size(); ++i)
    if (params_[i].id == id) return static_cast<int>(i);
  return -1;
}

ParamID ParamBlockDesc2::IndexToId(int index) const {
  return index >= 0 && index < Count() ? Param(index).id : ParamID{-1};
}

const ParamDef* ParamBlockDesc2::FindParam(ParamID id) const {
  const int i = IdToIndex(id);
  return i < 0 ? nullptr : &Param(i);
}

const ParamDef* ParamBlockDesc2::FindParamByName(std::string_view name) const {
  for (const ParamDef& def : params_)
    if (def.name == name) return &def;
  return nullptr;
}

const ParamBlockDesc2* ParamBlockDesc2::Find(SClass_ID ownerSuperClass, Class_ID ownerClass, BlockID id) {
  const auto& all = Registry();
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (SameKey(**it, ownerSuperClass, ownerClass, id)) return *it;
  return nullptr;
}

std::vector<const ParamBlockDesc2*> ParamBlockDesc2::ForOwner(SClass_ID ownerSuperClass, Class_ID ownerClass) {
  std::vector<const ParamBlockDesc2*> found;
  for (const ParamBlockDesc2* d : Registry())
    if (d->OwnerSuperClassID() == ownerSuperClass && d->OwnerClassID() == ownerClass) found.push_back(d);
  return found;
}

}  // namespace host
