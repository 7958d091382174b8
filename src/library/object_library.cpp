#include "library/object_library.h"

#include <algorithm>

#include "host/refs/class_desc.h"
#include "library/library_materials.h"
#include "library/library_state.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"

namespace pw {

PwObjectLibrary::PwObjectLibrary() { TheLibraryState().registry.push_back(this); }

PwObjectLibrary* PwObjectLibrary::Create(bool loading) {
  auto* lib = new PwObjectLibrary();
  LibraryProcessState& state = TheLibraryState();
  // A library read from a file being merged is only a source to import from;
  // it must never take the scene library's place.
  if (state.merging) {
    lib->SetTemporary(true);
  } else if (!loading) {
    lib->id_ = NewLibraryId();
    state.currentId = state.registry.back()->id_;
    PostLibraryMessage(PW_MSG_LIBRARY_CURRENT, state.currentId);
  }
  if (!loading) lib->AddMissingLibraryMaterials();
  return lib;
}

PwObjectLibrary::~PwObjectLibrary() {
  loading_ = false;
  DeleteAllRefs();
  objects_.clear();
  // Only the library that really is current takes the current id with it: a
  // later library that happens to carry the same id (a copy of the scene
  // whose load failed half-way) leaves it alone.
  const bool wasCurrent = IsCurrent();
  std::erase(TheLibraryState().registry, this);
  if (wasCurrent && !CurrentLibrary()) {
    SetCurrentLibraryId(0);
    PostLibraryMessage(PW_MSG_LIBRARY_GONE, id_);
  }
}

host::Class_ID PwObjectLibrary::ClassID() const { return PW_OBJECT_LIBRARY_CLASS_ID; }

int PwObjectLibrary::NumRefs() { return loading_ ? savedCount_ : Capacity(); }

host::ReferenceTarget* PwObjectLibrary::GetReference(int i) {
  return i >= 0 && i < Capacity() ? objects_[static_cast<std::size_t>(i)] : nullptr;
}

void PwObjectLibrary::SetReference(int i, host::ReferenceTarget* target) {
  if (i < 0) return;
  if (i >= Capacity()) {
    if (!target) return;
    objects_.resize(static_cast<std::size_t>(i) + 1, nullptr);
  }
  host::ReferenceTarget*& slot = objects_[static_cast<std::size_t>(i)];
  if (slot && !target) --used_;
  if (!slot && target) ++used_;
  slot = target;
}

host::RefResult PwObjectLibrary::NotifyRefChanged(const host::Interval&, host::ReferenceTarget* target,
                                                  host::PartID&, host::RefMessage message) {
  if (message == host::REFMSG_TARGET_DELETED && target) {
    bool cleared = false;
    for (int i = 0; i < Capacity(); ++i) {
      if (objects_[static_cast<std::size_t>(i)] == target) {
        SetReference(i, nullptr);
        cleared = true;
      }
    }
    if (cleared) NotifyDependents(host::FOREVER, host::PART_ALL, host::REFMSG_SUBANIM_STRUCTURE_CHANGED);
  }
  return host::REF_SUCCEED;
}

int PwObjectLibrary::Add(PwObject* obj) {
  if (!obj) return -1;
  if (int existing = IndexOf(obj); existing >= 0) return existing;
  int slot = -1;
  for (int i = 0; i < Capacity(); ++i) {
    if (!objects_[static_cast<std::size_t>(i)]) {
      slot = i;
      break;
    }
  }
  if (slot < 0) {
    if (Capacity() > MAX_SLOTS - GROW_STEP) return -1;
    slot = Capacity();
    objects_.resize(objects_.size() + GROW_STEP, nullptr);
  }
  if (ReplaceReference(slot, obj) != host::REF_SUCCEED) return -1;
  NotifyDependents(host::FOREVER, host::PART_ALL, host::REFMSG_SUBANIM_STRUCTURE_CHANGED);
  obj->OnAddedToLibrary(*this, slot);
  return slot;
}

bool PwObjectLibrary::ReplaceObject(int index, PwObject* obj) {
  if (index < 0 || index >= Capacity() || !obj) return false;
  const int existing = IndexOf(obj);
  if (existing == index) return true;
  if (existing >= 0) return false;
  if (ReplaceReference(index, obj) != host::REF_SUCCEED) return false;
  NotifyDependents(host::FOREVER, host::PART_ALL, host::REFMSG_SUBANIM_STRUCTURE_CHANGED);
  obj->OnAddedToLibrary(*this, index);
  return true;
}

bool PwObjectLibrary::Remove(int index, bool deleteObject) {
  host::ReferenceTarget* obj = GetReference(index);
  if (!obj) return false;
  if (deleteObject) {
    // Its deletion empties the slot through the target-deleted notification.
    obj->DeleteThis();
  } else {
    DeleteReference(index);
    NotifyDependents(host::FOREVER, host::PART_ALL, host::REFMSG_SUBANIM_STRUCTURE_CHANGED);
  }
  return true;
}

int PwObjectLibrary::IndexOf(const host::ReferenceTarget* obj) const {
  if (!obj) return -1;
  auto it = std::find(objects_.begin(), objects_.end(), obj);
  return it == objects_.end() ? -1 : static_cast<int>(it - objects_.begin());
}

PwObject* PwObjectLibrary::Get(int index) const {
  if (index < 0 || index >= Capacity()) return nullptr;
  return dynamic_cast<PwObject*>(objects_[static_cast<std::size_t>(index)]);
}

int PwObjectLibrary::Find(int origin, int number) const {
  for (int i = 0; i < Capacity(); ++i)
    if (const PwObject* obj = Get(i); obj && obj->GetOrigin() == origin && obj->GetNumber() == number) return i;
  return -1;
}

int PwObjectLibrary::Find(host::Class_ID classId, const std::string& name) const {
  for (int i = 0; i < Capacity(); ++i)
    if (const PwObject* obj = Get(i); obj && obj->ClassID() == classId && obj->GetName() == name) return i;
  return -1;
}

int PwObjectLibrary::FindNextByName(const std::string& name, int previous) const {
  for (int i = std::max(previous + 1, 0); i < Capacity(); ++i)
    if (const PwObject* obj = Get(i); obj && obj->GetName() == name) return i;
  return -1;
}

std::string PwObjectLibrary::SubAnimName(int index) const {
  const PwObject* obj = Get(index);
  if (!obj) return "";
  return obj->GetClassName() + ": " + obj->GetName();
}

int PwObjectLibrary::SlotCount() const {
  for (int i = Capacity() - 1; i >= 0; --i)
    if (objects_[static_cast<std::size_t>(i)]) return i + 1;
  return 0;
}

bool PwObjectLibrary::IsRegistered() const {
  const auto& registry = TheLibraryState().registry;
  return std::find(registry.begin(), registry.end(), this) != registry.end();
}

bool PwObjectLibrary::IsCurrent() const { return CurrentLibrary() == this; }

bool PwObjectLibrary::MakeLibraryMaterial(int origin, int number, host::Class_ID classId, const char* name) {
  host::ReferenceTarget* made = host::ClassRegistry::Global().Create(host::REF_TARGET_CLASS_ID, classId, false);
  if (!made) return false;
  auto* obj = dynamic_cast<PwObject*>(made);
  if (!obj) {
    made->DeleteThis();
    return false;
  }
  obj->SetOrigin(origin);
  obj->SetNumber(number);
  obj->SetName(name);
  if (Add(obj) < 0) {
    obj->DeleteThis();
    return false;
  }
  obj->InitLibraryMaterial(*this, origin, number);
  return true;
}

int PwObjectLibrary::AddMissingLibraryMaterials() {
  int added = 0;
  for (const auto& table : {DefaultMaterials(), PresetMaterials()})
    for (const LibraryMaterialEntry& e : table)
      if (Find(e.origin, e.number) < 0 && MakeLibraryMaterial(e.origin, e.number, e.classId, e.name)) ++added;
  return added;
}

int PwObjectLibrary::AddMissingDefaults() {
  int added = 0;
  for (const LibraryMaterialEntry& e : DefaultMaterials())
    if (Find(e.origin, e.number) < 0 && MakeLibraryMaterial(e.origin, e.number, e.classId, e.name)) ++added;
  return added;
}

bool RegisterLibraryClasses() {
  if (!SetClassFactory(PW_OBJECT_LIBRARY_CLASS_ID, [](bool loading) -> host::ReferenceTarget* {
        return PwObjectLibrary::Create(loading);
      }))
    return false;
  host::ClassRegistry::Global().Register(FindPluginClass(PW_OBJECT_LIBRARY_CLASS_ID));
  return true;
}

}  // namespace pw
