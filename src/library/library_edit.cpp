#include "library/library_edit.h"

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/refs/class_desc.h"
#include "host/services/interface.h"
#include "library/library_materials.h"

namespace pw {

namespace {

// n + 1 for a decimal string n of any length (leading zeros allowed), with
// at least two digits, as "%0.2d" prints small numbers.
std::string IncrementDecimal(const std::string& digits) {
  std::string n = digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
  int i = static_cast<int>(n.size()) - 1;
  for (; i >= 0 && n[static_cast<std::size_t>(i)] == '9'; --i) n[static_cast<std::size_t>(i)] = '0';
  if (i < 0)
    n.insert(n.begin(), '1');
  else
    ++n[static_cast<std::size_t>(i)];
  if (n.size() < 2) n.insert(n.begin(), 2 - n.size(), '0');
  return n;
}

bool NameTakenInClass(const PwObjectLibrary& library, host::Class_ID classId, const std::string& name,
                      int exceptIndex = -1) {
  for (int i = library.Find(classId, name); i >= 0; i = library.FindNextByName(name, i)) {
    const PwObject* obj = library.Get(i);
    if (i != exceptIndex && obj && obj->ClassID() == classId) return true;
  }
  return false;
}

struct DeleteListeners {
  std::vector<std::pair<int, MaterialDeleteListener>> list;
  int nextHandle = 1;
};

DeleteListeners& TheDeleteListeners() {
  static DeleteListeners listeners;
  return listeners;
}

// Distinct makers referring to the target.
int CountUsers(const host::ReferenceTarget& target) {
  std::unordered_set<const host::ReferenceMaker*> users(target.Dependents().begin(), target.Dependents().end());
  return static_cast<int>(users.size());
}

}  // namespace

std::string AutoRenameName(const std::string& proposed) {
  const std::size_t keep = proposed.find_last_not_of("0123456789") + 1;  // npos + 1 == 0: all digits
  return proposed.substr(0, keep) + IncrementDecimal(proposed.substr(keep));
}

std::string UniqueNameInClass(const PwObjectLibrary& library, host::Class_ID classId, const std::string& proposed) {
  std::string name = proposed;
  while (NameTakenInClass(library, classId, name)) name = AutoRenameName(name);
  return name;
}

bool CheckNewMaterialName(const PwObjectLibrary& library, const PwObject& existing, const std::string& newName) {
  if (newName.empty() || newName == existing.GetName()) {
    host::WarningMessage("Enter a new name for the art material");
    return false;
  }
  if (NameTakenInClass(library, existing.ClassID(), newName)) {
    host::WarningMessage("A %s object with the given name already exisits.", existing.DisplayClassName().c_str());
    return false;
  }
  return true;
}

int NewLibraryMaterial(PwObjectLibrary& library, host::SClass_ID superClass, host::Class_ID classId) {
  host::ReferenceTarget* made = host::ClassRegistry::Global().Create(superClass, classId, false);
  if (!made) return -1;
  auto* obj = dynamic_cast<PwObject*>(made);
  if (!obj) {
    made->DeleteThis();
    return -1;
  }
  obj->SetOrigin(PW_ORIGIN_USER);
  obj->SetNumber(PW_NUMBER_NONE);
  obj->SetName("New " + obj->DisplayClassName());
  const int slot = library.Add(obj);
  if (slot < 0) obj->DeleteThis();
  return slot;
}

int DuplicateLibraryMaterial(PwObjectLibrary& library, int index) {
  PwObject* source = library.Get(index);
  if (!source || !source->CanBeDuplicated()) return -1;
  host::ReferenceTarget* made = source->Clone();
  if (!made) return -1;
  auto* copy = dynamic_cast<PwObject*>(made);
  if (!copy) {
    made->DeleteThis();
    return -1;
  }
  copy->SetOrigin(PW_ORIGIN_USER);
  copy->SetNumber(PW_NUMBER_NONE);
  copy->SetName("Copy of " + source->GetName());
  const int slot = library.Add(copy);
  if (slot < 0) copy->DeleteThis();
  return slot;
}

bool RenameLibraryMaterial(PwObjectLibrary& library, int index, const std::string& name) {
  PwObject* obj = library.Get(index);
  if (!obj) return false;
  if (obj->GetOrigin() == PW_ORIGIN_DEFAULT) {
    host::WarningMessage("Default art materials can't have their name changed.");
    return false;
  }
  if (name == obj->GetName()) return true;
  if (name.empty()) {
    host::WarningMessage("Enter a new name for the art material");
    return false;
  }
  if (NameTakenInClass(library, obj->ClassID(), name, index)) {
    host::WarningMessage("A %s object with the given name already exisits.", obj->DisplayClassName().c_str());
    return false;
  }
  obj->SetName(name);
  return true;
}

bool DeleteLibraryMaterial(PwObjectLibrary& library, int index) {
  PwObject* obj = library.Get(index);
  if (!obj) return false;
  const std::string name = obj->GetName();
  const std::string kind = obj->DisplayClassName();
  if (obj->GetOrigin() == PW_ORIGIN_DEFAULT) {
    host::WarningMessage("\"%s\" is the default %s. It can't be deleted, only modified.", name.c_str(), kind.c_str());
    return false;
  }
  if (CountUsers(*obj) > 2 &&
      host::YesNoQuestion(host::Answer::Yes, "The %s \"%s\" is used by others.\nDo you want to delete it?",
                          kind.c_str(), name.c_str()) != host::Answer::Yes)
    return false;

  // A copy: a listener may add or remove listeners while being told.
  const auto listeners = TheDeleteListeners().list;
  for (const auto& entry : listeners)
    if (entry.second) entry.second(library, index, *obj);
  if (library.Get(index) != obj) return false;  // a listener took it away

  // Users move to the default of the class; the library's own slot is not a
  // user and is emptied by the deletion instead.
  const int defaultNumber = ReplacementDefaultNumber(obj->ClassID());
  PwObject* replacement = defaultNumber >= 0 ? library.Get(library.Find(PW_ORIGIN_DEFAULT, defaultNumber)) : nullptr;
  if (replacement && replacement->ClassID() != obj->ClassID()) replacement = nullptr;
  std::vector<host::ReferenceMaker*> users(obj->Dependents().begin(), obj->Dependents().end());
  std::unordered_set<host::ReferenceMaker*> moved;
  for (host::ReferenceMaker* user : users) {
    if (user == &library || !moved.insert(user).second) continue;
    for (int slot : user->FindRefs(obj)) user->ReplaceReference(slot, replacement);
  }
  return library.Remove(index, true);
}

int AddMaterialDeleteListener(MaterialDeleteListener listener) {
  DeleteListeners& l = TheDeleteListeners();
  const int handle = l.nextHandle++;
  l.list.emplace_back(handle, std::move(listener));
  return handle;
}

void RemoveMaterialDeleteListener(int handle) {
  std::erase_if(TheDeleteListeners().list, [handle](const auto& entry) { return entry.first == handle; });
}

bool ResetLibraryMaterial(PwObjectLibrary& library, int index) {
  PwObject* obj = library.Get(index);
  if (!obj) return false;
  bool removeAnimation = true;
  if (obj->IsAnimated()) {
    removeAnimation = host::YesNoQuestion(host::Answer::Yes,
                                          "The %s \"%s\" is animated. Do you want to remove all animation tracks?",
                                          obj->DisplayClassName().c_str(), obj->GetName().c_str()) == host::Answer::Yes;
  }
  obj->ResetToDefaults(removeAnimation);
  // A default or preset goes back to what the library made, not to a blank
  // material of its class (default paint 0 keeps painting its custom colour).
  if (obj->GetOrigin() == PW_ORIGIN_DEFAULT || obj->GetOrigin() == PW_ORIGIN_PRESET)
    obj->InitLibraryMaterial(library, obj->GetOrigin(), obj->GetNumber());
  obj->NotifyChanged(0);
  return true;
}

}  // namespace pw
