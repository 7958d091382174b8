// Modifier stacks. Chunks, in the stack's data:
//   0x3000 modifier count (u32)
//   0x3010 one per modifier slot (container): 0x3011 slot (u32),
//          0x3012 context transform (12 f32), 0x3013 context box (6 f32),
//          0x3014 the modifier's local data (container of its own chunks)
// The base object and the modifiers are references. Local data is read once
// the references are restored, since only the modifier can read it.
#include "host/scene/object_derived.h"

#include <cmath>

#include "host/services/interface.h"
#include "host/scene/node.h"
#include "host/scene/object_tri.h"

namespace host {

namespace {

enum DerivedChunk : std::uint16_t {
  DERIVED_COUNT = 0x3000,
  DERIVED_SLOT = 0x3010,
  DERIVED_SLOT_INDEX = 0x3011,
  DERIVED_SLOT_TM = 0x3012,
  DERIVED_SLOT_BOX = 0x3013,
  DERIVED_SLOT_LOCAL = 0x3014,
};

// More modifiers than any stack holds; a larger count is damage.
constexpr std::uint32_t kMaxModifiers = 1u << 16;

}  // namespace

// Reads each slot's local data through its modifier, then drops the slots
// the file left empty.
class DerivedObject::LoadFixup : public PostLoadCallback {
 public:
  explicit LoadFixup(DerivedObject* obj) : obj_(obj) {}
  void proc(ILoad* iload) override {
    for (PendingLocalData& pending : obj_->pending_) {
      Modifier* mod = obj_->GetModifier(pending.slot);
      if (!mod) continue;
      MemoryLoad in(pending.bytes, [iload](int id) { return iload->GetObjectByRefID(id); });
      LocalModData* data = nullptr;
      if (mod->LoadLocalData(&in, &data) != IO_OK || !in.Error().empty()) {
        delete data;
        WarningText("The data of modifier \"" + mod->GetName() + "\" could not be read (" + in.Error() +
                    "); the modifier starts afresh.");
        continue;
      }
      ModContext* mc = obj_->GetModContext(pending.slot);
      delete mc->localData;
      mc->localData = data;
    }
    obj_->pending_.clear();
    for (int i = obj_->NumModifiers() - 1; i >= 0; --i) {
      if (!obj_->slots_[i].mod)
        obj_->slots_.erase(obj_->slots_.begin() + i);
      else if (!obj_->GetModifier(i))
        obj_->ReplaceReference(1 + i, nullptr);  // something that is no modifier
    }
    delete this;
  }
  void Abandon() override { delete this; }

 private:
  DerivedObject* obj_;
};

DerivedObject::DerivedObject(Object* base) {
  if (base) ReplaceReference(0, base);
}

DerivedObject::~DerivedObject() {
  if (cache_) cache_->DeleteThis();
}

Modifier* DerivedObject::GetModifier(int i) const {
  return i >= 0 && i < NumModifiers() ? dynamic_cast<Modifier*>(slots_[i].mod) : nullptr;
}

ModContext* DerivedObject::GetModContext(int i) const {
  return i >= 0 && i < NumModifiers() ? slots_[i].mc.get() : nullptr;
}

bool DerivedObject::AddModifier(Modifier* mod, ModContext* mc, int at) {
  if (!mod || at < 0 || at > NumModifiers()) return false;
  Slot slot;
  slot.mc.reset(mc ? mc : new ModContext());
  slots_.insert(slots_.begin() + at, std::move(slot));
  ReplaceReference(1 + at, mod);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
  return true;
}

bool DerivedObject::DeleteModifier(int i) {
  if (i < 0 || i >= NumModifiers()) return false;
  ReplaceReference(1 + i, nullptr);  // removes the slot
  NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
  return true;
}

ReferenceTarget* DerivedObject::GetReference(int i) {
  if (i == 0) return base_;
  return i >= 1 && i <= NumModifiers() ? slots_[i - 1].mod : nullptr;
}

void DerivedObject::SetReference(int i, ReferenceTarget* target) {
  if (i == 0) {
    base_ = target;
    return;
  }
  const int s = i - 1;
  if (s < 0 || s >= NumModifiers()) return;
  if (!target) {
    slots_.erase(slots_.begin() + s);
    return;
  }
  slots_[s].mod = target;
}

// ---- Evaluation ----------------------------------------------------------------------

void DerivedObject::SetCache(Object* obj) {
  if (cache_ == obj) return;
  if (cache_) cache_->DeleteThis();
  cache_ = obj;
}

Object* DerivedObject::WorkingCopy(Object* source) {
  if (auto* tri = dynamic_cast<TriObject*>(source)) {
    // Reused, so a state handed out earlier keeps pointing at a live object.
    auto* copy = dynamic_cast<TriObject*>(cache_);
    if (!copy) {
      copy = new TriObject();
      SetCache(copy);
    }
    copy->mesh = tri->mesh;
    copy->SetGenUVW(tri->GetGenUVW());
    return copy;
  }
  auto* copy = dynamic_cast<Object*>(source->Clone());
  if (copy) SetCache(copy);
  return copy;
}

ObjectState DerivedObject::EvalForNode(TimeValue t, INode* node) {
  Object* base = GetObjRef();
  if (!base) return ObjectState();
  ObjectState os = dynamic_cast<DerivedObject*>(base) ? static_cast<DerivedObject*>(base)->EvalForNode(t, node)
                                                      : base->Eval(t);
  bool any = false;
  for (int i = 0; i < NumModifiers(); ++i)
    if (Modifier* mod = GetModifier(i)) any = any || (mod->IsEnabled() && mod->IsEnabledInRender());
  if (!any || !os.obj) return os;
  Object* const input = os.obj;
  Object* working = WorkingCopy(input);
  if (!working) return os;  // an object that cannot be copied passes unmodified
  os.obj = working;
  for (int i = NumModifiers() - 1; i >= 0; --i) {
    Modifier* mod = GetModifier(i);
    if (!mod || !mod->IsEnabled() || !mod->IsEnabledInRender()) continue;
    mod->ModifyObject(t, *slots_[i].mc, os, node);
    os.validity &= mod->LocalValidity(t);
    if (os.obj == cache_) continue;
    // A modifier replaced the object: the stack keeps a new object nobody
    // else holds, and goes on with its own copy otherwise.
    if (os.obj && os.obj != input && os.obj != base && os.obj->NumDependents() == 0)
      SetCache(os.obj);
    else
      os.obj = cache_;
  }
  return os;
}

Box3 DerivedObject::GetLocalBoundBox(TimeValue t) {
  ObjectState os = Eval(t);
  return os.obj && os.obj != this ? os.obj->GetLocalBoundBox(t) : Box3();
}

// ---- Copies and persistence ---------------------------------------------------------------

ReferenceTarget* DerivedObject::Clone(RemapDir& remap) {
  auto* copy = new DerivedObject();
  copy->ReplaceReference(0, remap.CloneRef(base_));
  for (int i = 0; i < NumModifiers(); ++i) {
    auto* mod = dynamic_cast<Modifier*>(remap.CloneRef(slots_[i].mod));
    if (!mod) continue;  // a modifier that cannot be copied is left out
    copy->AddModifier(mod, new ModContext(*slots_[i].mc), copy->NumModifiers());
  }
  return copy;
}

IOResult DerivedObject::Save(ISave* isave) {
  isave->WriteChunk(DERIVED_COUNT, static_cast<std::uint32_t>(slots_.size()));
  for (int i = 0; i < NumModifiers(); ++i) {
    const ModContext& mc = *slots_[i].mc;
    isave->BeginChunk(DERIVED_SLOT);
    isave->WriteChunk(DERIVED_SLOT_INDEX, static_cast<std::uint32_t>(i));
    float tm[12];
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 3; ++c) tm[r * 3 + c] = mc.tm[r][c];
    isave->WriteChunk(DERIVED_SLOT_TM, tm);
    const float box[6] = {mc.box.pmin.x, mc.box.pmin.y, mc.box.pmin.z, mc.box.pmax.x, mc.box.pmax.y, mc.box.pmax.z};
    isave->WriteChunk(DERIVED_SLOT_BOX, box);
    if (Modifier* mod = GetModifier(i); mod && mc.localData) {
      isave->BeginChunk(DERIVED_SLOT_LOCAL);
      const IOResult r = mod->SaveLocalData(isave, mc.localData);
      isave->EndChunk();
      if (r != IO_OK) {
        isave->EndChunk();
        return r;
      }
    }
    isave->EndChunk();
  }
  return IO_OK;
}

IOResult DerivedObject::Load(ILoad* iload) {
  auto fail = [iload](const std::string& why) {
    iload->SetError("modifier stack: " + why);
    return IO_ERROR;
  };
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    if (iload->CurChunkID() == DERIVED_COUNT) {
      std::uint32_t n = 0;
      if (iload->ReadValue(&n) != IO_OK) return IO_ERROR;
      if (n > kMaxModifiers) return fail(std::to_string(n) + " modifiers is not believable");
      slots_.clear();
      slots_.resize(n);
      for (Slot& slot : slots_) slot.mc = std::make_unique<ModContext>();
    } else if (iload->CurChunkID() == DERIVED_SLOT) {
      std::uint32_t index = 0;
      bool haveIndex = false;
      float tm[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
      float box[6] = {};
      bool haveBox = false;
      std::vector<std::uint8_t> local;
      bool haveLocal = false;
      IOResult sr;
      while ((sr = iload->OpenChunk()) == IO_OK) {
        IOResult res = IO_OK;
        switch (iload->CurChunkID()) {
          case DERIVED_SLOT_INDEX:
            res = iload->ReadValue(&index);
            haveIndex = true;
            break;
          case DERIVED_SLOT_TM:
            res = iload->ReadValue(&tm);
            break;
          case DERIVED_SLOT_BOX:
            res = iload->ReadValue(&box);
            haveBox = true;
            break;
          case DERIVED_SLOT_LOCAL:
            local.resize(iload->CurChunkRemaining());
            res = local.empty() ? IO_OK : iload->Read(local.data(), local.size(), nullptr);
            haveLocal = true;
            break;
          default:
            break;
        }
        if (res != IO_OK || iload->CloseChunk() != IO_OK) return IO_ERROR;
      }
      if (sr == IO_ERROR) return IO_ERROR;
      if (!haveIndex || index >= slots_.size())
        return fail("a modifier slot without a valid index (the count comes first)");
      for (float f : tm)
        if (!std::isfinite(f)) return fail("a modifier transform is not finite");
      ModContext& mc = *slots_[index].mc;
      mc.tm = Matrix3(Point3(tm[0], tm[1], tm[2]), Point3(tm[3], tm[4], tm[5]), Point3(tm[6], tm[7], tm[8]),
                      Point3(tm[9], tm[10], tm[11]));
      if (haveBox) mc.box = Box3(Point3(box[0], box[1], box[2]), Point3(box[3], box[4], box[5]));
      if (haveLocal) pending_.push_back(PendingLocalData{static_cast<int>(index), std::move(local)});
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  if (r == IO_ERROR) return IO_ERROR;
  iload->RegisterPostLoadCallback(new LoadFixup(this));
  return IO_OK;
}

// ---- Node helper ---------------------------------------------------------------------------

DerivedObject* AddModifierToNode(INode* node, Modifier* mod) {
  if (!node || !mod) return nullptr;
  Object* obj = node->GetObjectRef();
  if (!obj) return nullptr;
  auto* stack = dynamic_cast<DerivedObject*>(obj);
  if (!stack) {
    // The stack takes the object before the node lets go of it.
    stack = new DerivedObject(obj);
    node->SetObjectRef(stack);
  }
  stack->AddModifier(mod, nullptr, 0);
  return stack;
}

}  // namespace host
