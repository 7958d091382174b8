#include "host/params/paramblock_legacy.h"

#include <algorithm>

namespace host {

namespace {

constexpr std::uint16_t kHeaderChunk = 0x0001;
constexpr int kMaxLegacyId = 32767;

bool LegacyKind(ParamKind kind) {
  return kind == ParamKind::Float || kind == ParamKind::Int || kind == ParamKind::Bool ||
         kind == ParamKind::Color || kind == ParamKind::Point3;
}

// The reason a layout cannot make a block, or "" when it can.
std::string LayoutProblem(const std::vector<ParamDef>& layout) {
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const ParamDef& def = layout[i];
    if (!LegacyKind(def.type.kind) || def.type.table)
      return "entry " + std::to_string(i) + " is a " + (def.type.table ? "table" : ParamKindName(def.type.kind)) +
             ", which an older-style block cannot hold";
    for (std::size_t j = 0; j < i; ++j)
      if (layout[j].id == def.id) return "entry " + std::to_string(i) + " repeats id " + std::to_string(def.id);
  }
  return "";
}

bool MakeLayout(const ParamBlockDescID* descs, int count, std::vector<ParamDef>& layout) {
  if (count < 0 || (count > 0 && !descs)) return false;
  layout.clear();
  for (int i = 0; i < count; ++i) {
    const ParamBlockDescID& d = descs[i];
    if (d.id < 0 || d.id > kMaxLegacyId) return false;
    ParamDef def(static_cast<ParamID>(d.id), "", d.type);
    def.animatable = d.animatable && IsAnimatableKind(d.type.kind);
    layout.push_back(std::move(def));
  }
  return LayoutProblem(layout).empty();
}

bool SameLayout(const std::vector<ParamDef>& a, const std::vector<ParamDef>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ParamDef& x, const ParamDef& y) {
    return x.id == y.id && x.type == y.type && x.animatable == y.animatable;
  });
}

template <class T>
T ValueOr(const IParamBlock& pb, int index, TimeValue t) {
  T v{};
  Interval valid = FOREVER;
  return pb.GetValue(index, t, v, valid) ? v : T{};
}

}  // namespace

IParamBlock* IParamBlock::Create(const ParamBlockDescID* descs, int count, std::uint32_t version) {
  std::vector<ParamDef> layout;
  if (!MakeLayout(descs, count, layout)) return nullptr;
  auto* block = new IParamBlock();
  block->layout_ = std::move(layout);
  block->version_ = version;
  block->store_.Reset(block->layout_);
  return block;
}

ParamType IParamBlock::GetParameterType(int index) const {
  return index >= 0 && index < NumParams() ? layout_[static_cast<std::size_t>(index)].type : TYPE_FLOAT;
}

int IParamBlock::GetParamID(int index) const {
  return index >= 0 && index < NumParams() ? layout_[static_cast<std::size_t>(index)].id : -1;
}

bool IParamBlock::IsParamAnimatable(int index) const {
  return index >= 0 && index < NumParams() && layout_[static_cast<std::size_t>(index)].animatable;
}

int IParamBlock::IdToIndex(int id) const {
  for (int i = 0; i < NumParams(); ++i)
    if (layout_[static_cast<std::size_t>(i)].id == id) return i;
  return -1;
}

// ---- Values -----------------------------------------------------------------

template <class T>
bool IParamBlock::Get(int index, TimeValue t, T& v, Interval& valid) const {
  const ParamEntry* e = store_.Entry(index, 0);
  return e && ReadEntry(*e, t, v, valid);
}

template <class T>
bool IParamBlock::Set(int index, TimeValue t, const T& v, bool key) {
  ParamEntry* e = store_.Entry(index, 0);
  if (!e) return false;
  const ParamDef& def = layout_[static_cast<std::size_t>(index)];
  if (key && !def.animatable) return false;
  if (!(key ? KeyEntry(def.type.kind, *e, t, v) : WriteEntry(def.type.kind, *e, t, v))) return false;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  return true;
}

bool IParamBlock::GetValue(int index, TimeValue t, float& v, Interval& ivalid) const { return Get(index, t, v, ivalid); }
bool IParamBlock::GetValue(int index, TimeValue t, int& v, Interval& ivalid) const { return Get(index, t, v, ivalid); }
bool IParamBlock::GetValue(int index, TimeValue t, bool& v, Interval& ivalid) const { return Get(index, t, v, ivalid); }
bool IParamBlock::GetValue(int index, TimeValue t, Color& v, Interval& ivalid) const { return Get(index, t, v, ivalid); }
bool IParamBlock::GetValue(int index, TimeValue t, Point3& v, Interval& ivalid) const {
  return Get(index, t, v, ivalid);
}

bool IParamBlock::SetValue(int index, TimeValue t, float v) { return Set(index, t, v, false); }
bool IParamBlock::SetValue(int index, TimeValue t, int v) { return Set(index, t, v, false); }
bool IParamBlock::SetValue(int index, TimeValue t, bool v) { return Set(index, t, v, false); }
bool IParamBlock::SetValue(int index, TimeValue t, const Color& v) { return Set(index, t, v, false); }
bool IParamBlock::SetValue(int index, TimeValue t, const Point3& v) { return Set(index, t, v, false); }

bool IParamBlock::SetKey(int index, TimeValue t, float v) { return Set(index, t, v, true); }
bool IParamBlock::SetKey(int index, TimeValue t, int v) { return Set(index, t, v, true); }
bool IParamBlock::SetKey(int index, TimeValue t, bool v) { return Set(index, t, v, true); }
bool IParamBlock::SetKey(int index, TimeValue t, const Color& v) { return Set(index, t, v, true); }
bool IParamBlock::SetKey(int index, TimeValue t, const Point3& v) { return Set(index, t, v, true); }

float IParamBlock::GetFloat(int index, TimeValue t) const { return ValueOr<float>(*this, index, t); }
int IParamBlock::GetInt(int index, TimeValue t) const { return ValueOr<int>(*this, index, t); }
Color IParamBlock::GetColor(int index, TimeValue t) const { return ValueOr<Color>(*this, index, t); }
Point3 IParamBlock::GetPoint3(int index, TimeValue t) const { return ValueOr<Point3>(*this, index, t); }

bool IParamBlock::RemoveAnimation(int index, TimeValue t) {
  if (index < 0 || index >= NumParams()) return false;
  if (!store_.IsAnimated(index)) return true;
  store_.RemoveAnimation(index, t);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  return true;
}

void IParamBlock::RemoveAllAnimation(TimeValue t) {
  if (!store_.AnyAnimated()) return;
  for (int i = 0; i < NumParams(); ++i) store_.RemoveAnimation(i, t);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

ReferenceTarget* IParamBlock::Clone(RemapDir& remap) {
  auto* copy = new IParamBlock();
  remap.AddEntry(this, copy);
  copy->layout_ = layout_;
  copy->store_ = store_;
  copy->version_ = version_;
  return copy;
}

// ---- Persistence ------------------------------------------------------------

IOResult IParamBlock::Save(ISave* isave) {
  if (!isave) return IO_ERROR;
  const std::uint32_t v = version_;
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  isave->BeginChunk(kHeaderChunk);
  std::size_t written = 0;
  IOResult result = isave->Write(bytes, sizeof bytes, &written);
  isave->EndChunk();
  for (std::size_t i = 0; i < layout_.size(); ++i) {
    IOResult r = SaveParam(*isave, layout_[i], store_.params[i]);
    if (result == IO_OK) result = r;
  }
  return result;
}

IOResult IParamBlock::Load(ILoad* iload) {
  if (!iload) return IO_ERROR;
  std::uint32_t version = 0;
  std::vector<ParamDef> layout;
  ParamStore store;
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    if (iload->CurChunkID() == kHeaderChunk) {
      std::uint8_t b[4];
      std::size_t n = 0;
      if (iload->CurChunkRemaining() < sizeof b || iload->Read(b, sizeof b, &n) != IO_OK) {
        iload->SetError("parameter block: its version chunk is too short");
        return IO_ERROR;
      }
      version = std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
                (std::uint32_t{b[3]} << 24);
    } else if (iload->CurChunkID() == kParamChunk) {
      LoadedParam param;
      if (LoadParam(*iload, param) != IO_OK) return IO_ERROR;
      layout.push_back(param.def);
      store.params.push_back(std::move(param.entries));
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  if (r == IO_ERROR) return IO_ERROR;
  if (std::string problem = LayoutProblem(layout); !problem.empty()) {
    iload->SetError("parameter block: " + problem);
    return IO_ERROR;
  }
  for (std::size_t i = 0; i < layout.size(); ++i)
    if (!layout[i].animatable) store.RemoveAnimation(static_cast<int>(i), 0);
  layout_ = std::move(layout);
  store_ = std::move(store);
  version_ = version;
  return IO_OK;
}

// ---- Conversion between layouts ---------------------------------------------

IParamBlock* UpdateParameterBlock(const IParamBlock& old, const ParamBlockDescID* descs, int count,
                                  std::uint32_t version) {
  IParamBlock* block = IParamBlock::Create(descs, count, version);
  if (!block) return nullptr;
  for (int i = 0; i < block->NumParams(); ++i) {
    const ParamDef& def = block->layout_[static_cast<std::size_t>(i)];
    const ParamEntry* from = old.Store().Entry(old.IdToIndex(def.id), 0);
    ParamEntry converted;
    if (!from || !ConvertEntry(*from, def.type.kind, converted)) continue;
    if (!def.animatable) RemoveEntryAnimation(converted, 0);
    *block->store_.Entry(i, 0) = std::move(converted);
  }
  return block;
}

void ParamBlockPLCB::proc(ILoad*) {
  ReferenceTarget* ref = owner_ && refIndex_ >= 0 && refIndex_ < owner_->NumRefs() ? owner_->GetReference(refIndex_)
                                                                                    : nullptr;
  std::vector<ParamDef> current;
  if (ref && ref->SuperClassID() == PARAMETER_BLOCK_CLASS_ID && ref->ClassID() == PARAMBLOCK_CLASS_ID &&
      MakeLayout(current_.desc, current_.count, current)) {
    auto* old = static_cast<IParamBlock*>(ref);
    if (old->GetVersion() != current_.version || !SameLayout(old->Layout(), current)) {
      IParamBlock* updated = UpdateParameterBlock(*old, current_.desc, current_.count, current_.version);
      if (updated && owner_->ReplaceReference(refIndex_, updated) != REF_SUCCEED) updated->DeleteThis();
    }
  }
  delete this;
}

namespace {

class ParamBlockClassDesc : public ClassDesc {
 public:
  bool IsPublic() const override { return false; }
  ReferenceTarget* Create(bool) override { return new IParamBlock(); }
  std::string ClassName() const override { return "ParamBlock"; }
  SClass_ID SuperClassID() const override { return PARAMETER_BLOCK_CLASS_ID; }
  Class_ID ClassID() const override { return PARAMBLOCK_CLASS_ID; }
};

}  // namespace

ClassDesc* GetParamBlockClassDesc() {
  static ParamBlockClassDesc desc;
  return &desc;
}

}  // namespace host
