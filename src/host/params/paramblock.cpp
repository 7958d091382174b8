#include "host/params/paramblock.h"

namespace host {

IParamBlock2::IParamBlock2(const ParamBlockDesc2* desc) : desc_(desc) { store_.Reset(Defs()); }

std::span<const ParamDef> IParamBlock2::Defs() const {
  return desc_ ? desc_->Params() : std::span<const ParamDef>();
}

void IParamBlock2::Changed(ParamID id) {
  if (quiet_ > 0) return;
  lastNotifyId_ = id;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

// ---- Values -----------------------------------------------------------------

template <class T>
bool IParamBlock2::Get(ParamID id, TimeValue t, T& v, Interval& valid, int tabIndex) const {
  const ParamEntry* e = store_.Entry(Index(id), tabIndex);
  return e && ReadEntry(*e, t, v, valid);
}

template <class T>
bool IParamBlock2::Set(ParamID id, TimeValue t, const T& v, int tabIndex, bool key) {
  const int index = Index(id);
  ParamEntry* e = store_.Entry(index, tabIndex);
  if (!e) return false;
  const ParamDef& def = desc_->Param(index);
  bool done = false;
  if (!key) {
    done = WriteEntry(def.type.kind, *e, t, v);
  } else if constexpr (requires { KeyEntry(def.type.kind, *e, t, v); }) {
    done = def.animatable && KeyEntry(def.type.kind, *e, t, v);
  }
  if (!done) return false;
  Changed(id);
  return true;
}

bool IParamBlock2::GetValue(ParamID id, TimeValue t, float& v, Interval& valid, int tabIndex) const {
  return Get(id, t, v, valid, tabIndex);
}
bool IParamBlock2::GetValue(ParamID id, TimeValue t, int& v, Interval& valid, int tabIndex) const {
  return Get(id, t, v, valid, tabIndex);
}
bool IParamBlock2::GetValue(ParamID id, TimeValue t, bool& v, Interval& valid, int tabIndex) const {
  return Get(id, t, v, valid, tabIndex);
}
bool IParamBlock2::GetValue(ParamID id, TimeValue t, Color& v, Interval& valid, int tabIndex) const {
  return Get(id, t, v, valid, tabIndex);
}
bool IParamBlock2::GetValue(ParamID id, TimeValue t, Point3& v, Interval& valid, int tabIndex) const {
  return Get(id, t, v, valid, tabIndex);
}
bool IParamBlock2::GetValue(ParamID id, TimeValue t, std::string& v, Interval& valid, int tabIndex) const {
  return Get(id, t, v, valid, tabIndex);
}
bool IParamBlock2::GetValue(ParamID id, TimeValue t, ReferenceTarget*& v, Interval& valid, int tabIndex) const {
  return Get(id, t, v, valid, tabIndex);
}
bool IParamBlock2::GetValue(ParamID id, TimeValue t, PBBitmap& v, Interval& valid, int tabIndex) const {
  return Get(id, t, v, valid, tabIndex);
}

bool IParamBlock2::SetValue(ParamID id, TimeValue t, float v, int tabIndex) { return Set(id, t, v, tabIndex, false); }
bool IParamBlock2::SetValue(ParamID id, TimeValue t, int v, int tabIndex) { return Set(id, t, v, tabIndex, false); }
bool IParamBlock2::SetValue(ParamID id, TimeValue t, bool v, int tabIndex) { return Set(id, t, v, tabIndex, false); }
bool IParamBlock2::SetValue(ParamID id, TimeValue t, const Color& v, int tabIndex) {
  return Set(id, t, v, tabIndex, false);
}
bool IParamBlock2::SetValue(ParamID id, TimeValue t, const Point3& v, int tabIndex) {
  return Set(id, t, v, tabIndex, false);
}
bool IParamBlock2::SetValue(ParamID id, TimeValue t, const std::string& v, int tabIndex) {
  return Set(id, t, v, tabIndex, false);
}
bool IParamBlock2::SetValue(ParamID id, TimeValue t, const PBBitmap& v, int tabIndex) {
  return Set(id, t, v, tabIndex, false);
}

bool IParamBlock2::SetValue(ParamID id, TimeValue, ReferenceTarget* v, int tabIndex) {
  const int ref = store_.RefIndex(Defs(), Index(id), tabIndex);
  if (ref < 0) return false;
  if (ReplaceReference(ref, v) != REF_SUCCEED) return false;
  Changed(id);
  return true;
}

bool IParamBlock2::SetKey(ParamID id, TimeValue t, float v, int tabIndex) { return Set(id, t, v, tabIndex, true); }
bool IParamBlock2::SetKey(ParamID id, TimeValue t, int v, int tabIndex) { return Set(id, t, v, tabIndex, true); }
bool IParamBlock2::SetKey(ParamID id, TimeValue t, bool v, int tabIndex) { return Set(id, t, v, tabIndex, true); }
bool IParamBlock2::SetKey(ParamID id, TimeValue t, const Color& v, int tabIndex) {
  return Set(id, t, v, tabIndex, true);
}
bool IParamBlock2::SetKey(ParamID id, TimeValue t, const Point3& v, int tabIndex) {
  return Set(id, t, v, tabIndex, true);
}

namespace {
template <class T>
T ValueOr(const IParamBlock2& pb, ParamID id, TimeValue t, int tabIndex) {
  T v{};
  Interval valid = FOREVER;
  return pb.GetValue(id, t, v, valid, tabIndex) ? v : T{};
}
}  // namespace

float IParamBlock2::GetFloat(ParamID id, TimeValue t, int tabIndex) const {
  return ValueOr<float>(*this, id, t, tabIndex);
}
int IParamBlock2::GetInt(ParamID id, TimeValue t, int tabIndex) const { return ValueOr<int>(*this, id, t, tabIndex); }
Color IParamBlock2::GetColor(ParamID id, TimeValue t, int tabIndex) const {
  return ValueOr<Color>(*this, id, t, tabIndex);
}
Point3 IParamBlock2::GetPoint3(ParamID id, TimeValue t, int tabIndex) const {
  return ValueOr<Point3>(*this, id, t, tabIndex);
}
std::string IParamBlock2::GetStr(ParamID id, TimeValue t, int tabIndex) const {
  return ValueOr<std::string>(*this, id, t, tabIndex);
}
ReferenceTarget* IParamBlock2::GetReferenceTarget(ParamID id, TimeValue t, int tabIndex) const {
  return ValueOr<ReferenceTarget*>(*this, id, t, tabIndex);
}
PBBitmap IParamBlock2::GetBitmap(ParamID id, TimeValue t, int tabIndex) const {
  return ValueOr<PBBitmap>(*this, id, t, tabIndex);
}

// ---- Tables -----------------------------------------------------------------

int IParamBlock2::Count(ParamID id) const { return store_.Count(Index(id)); }

void IParamBlock2::ReleaseRefs(int index, int start, int num) {
  // From the back, so the numbers of the entries still to release stay put.
  for (int tab = start + num - 1; tab >= start; --tab) {
    const int ref = store_.RefIndex(Defs(), index, tab);
    if (ref >= 0) ReplaceReference(ref, nullptr);
  }
}

void IParamBlock2::ReleaseAllRefs() { DeleteAllRefs(); }

bool IParamBlock2::Delete(ParamID id, int start, int num) {
  const int index = Index(id);
  if (index < 0 || !desc_->Param(index).type.table) return false;
  const int count = store_.Count(index);
  if (start < 0 || num < 0 || start > count || num > count - start) return false;
  if (num == 0) return true;
  ReleaseRefs(index, start, num);
  ParamEntries& entries = store_.params[static_cast<std::size_t>(index)];
  entries.erase(entries.begin() + start, entries.begin() + start + num);
  Changed(id);
  return true;
}

bool IParamBlock2::Insert(ParamID id, int at, int num) {
  const int index = Index(id);
  if (index < 0 || !desc_->Param(index).type.table) return false;
  const int count = store_.Count(index);
  if (at < 0 || at > count || num < 0) return false;
  if (num == 0) return true;
  ParamEntries& entries = store_.params[static_cast<std::size_t>(index)];
  entries.insert(entries.begin() + at, static_cast<std::size_t>(num), DefaultEntry(desc_->Param(index)));
  Changed(id);
  return true;
}

bool IParamBlock2::SetCount(ParamID id, int n) {
  const int index = Index(id);
  if (index < 0 || !desc_->Param(index).type.table || n < 0) return false;
  const int count = store_.Count(index);
  if (n < count) return Delete(id, n, count - n);
  return Insert(id, count, n - count);
}

// ---- Animation and defaults -------------------------------------------------

bool IParamBlock2::IsAnimated(ParamID id) const { return store_.IsAnimated(Index(id)); }

bool IParamBlock2::RemoveAnimation(ParamID id, TimeValue t) {
  const int index = Index(id);
  if (index < 0) return false;
  if (!store_.IsAnimated(index)) return true;
  store_.RemoveAnimation(index, t);
  Changed(id);
  return true;
}

void IParamBlock2::RemoveAllAnimation(TimeValue t) {
  if (!store_.AnyAnimated()) return;
  for (int i = 0; i < NumParams(); ++i) store_.RemoveAnimation(i, t);
  Changed(-1);
}

bool IParamBlock2::Reset(ParamID id) {
  const int index = Index(id);
  if (index < 0) return false;
  ReleaseRefs(index, 0, store_.Count(index));
  store_.params[static_cast<std::size_t>(index)] = DefaultEntries(desc_->Param(index));
  Changed(id);
  return true;
}

void IParamBlock2::ResetAll() {
  ReleaseAllRefs();
  store_.Reset(Defs());
  Changed(-1);
}

Interval IParamBlock2::GetValidity(TimeValue t) const { return store_.Validity(t); }

// ---- Reference target -------------------------------------------------------

int IParamBlock2::NumRefs() { return store_.NumRefs(Defs()); }

ReferenceTarget* IParamBlock2::GetReference(int i) {
  ReferenceTarget** slot = store_.RefSlot(Defs(), i);
  return slot ? *slot : nullptr;
}

void IParamBlock2::SetReference(int i, ReferenceTarget* target) {
  if (ReferenceTarget** slot = store_.RefSlot(Defs(), i)) *slot = target;
}

RefResult IParamBlock2::NotifyRefChanged(const Interval&, ReferenceTarget* target, PartID&, RefMessage message) {
  if (message == REFMSG_CHANGE && target) {
    for (int ref = 0; ref < NumRefs(); ++ref) {
      if (GetReference(ref) != target) continue;
      lastNotifyId_ = desc_->Param(store_.RefOwner(Defs(), ref)).id;
      break;
    }
  }
  return REF_SUCCEED;
}

ReferenceTarget* IParamBlock2::Clone(RemapDir& remap) {
  auto* copy = new IParamBlock2(desc_);
  // Registered first, so a target that refers back to this block gets the copy.
  remap.AddEntry(this, copy);
  copy->store_ = store_;
  const int refs = NumRefs();
  for (int ref = 0; ref < refs; ++ref) *copy->store_.RefSlot(Defs(), ref) = nullptr;
  for (int ref = 0; ref < refs; ++ref) copy->ReplaceReference(ref, remap.CloneRef(GetReference(ref)));
  return copy;
}

// ---- Creation ---------------------------------------------------------------

IParamBlock2* CreateParameterBlock2(const ParamBlockDesc2* desc) { return desc ? new IParamBlock2(desc) : nullptr; }

int MakeAutoParamBlocks(ReferenceMaker& owner, SClass_ID ownerSuperClass, Class_ID ownerClass) {
  int made = 0;
  for (const ParamBlockDesc2* desc : ParamBlockDesc2::ForOwner(ownerSuperClass, ownerClass)) {
    if (!desc->AutoConstruct() || desc->RefNumber() < 0) continue;
    IParamBlock2* block = CreateParameterBlock2(desc);
    if (owner.ReplaceReference(desc->RefNumber(), block) == REF_SUCCEED) {
      ++made;
    } else {
      block->DeleteThis();
    }
  }
  return made;
}

namespace {

class ParamBlock2ClassDesc : public ClassDesc {
 public:
  bool IsPublic() const override { return false; }
  // Always empty: a block gets its descriptor from its owner or from the file.
  ReferenceTarget* Create(bool) override { return new IParamBlock2(); }
  std::string ClassName() const override { return "ParamBlock2"; }
  SClass_ID SuperClassID() const override { return PARAMETER_BLOCK2_CLASS_ID; }
  Class_ID ClassID() const override { return PARAMBLOCK2_CLASS_ID; }
};

}  // namespace

ClassDesc* GetParamBlock2ClassDesc() {
  static ParamBlock2ClassDesc desc;
  return &desc;
}

}  // namespace host
