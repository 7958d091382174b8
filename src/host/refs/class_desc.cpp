#include "host/refs/class_desc.h"

#include <algorithm>

namespace host {

void ClassRegistry::Register(ClassDesc* desc) {
  if (!desc) return;
  for (ClassDesc*& known : classes_) {
    if (known->SuperClassID() == desc->SuperClassID() && known->ClassID() == desc->ClassID()) {
      known = desc;
      return;
    }
  }
  classes_.push_back(desc);
}

void ClassRegistry::Unregister(ClassDesc* desc) {
  classes_.erase(std::remove(classes_.begin(), classes_.end(), desc), classes_.end());
}

ClassDesc* ClassRegistry::Find(SClass_ID superClass, Class_ID id) const {
  for (ClassDesc* desc : classes_)
    if (desc->SuperClassID() == superClass && desc->ClassID() == id) return desc;
  return nullptr;
}

ReferenceTarget* ClassRegistry::Create(SClass_ID superClass, Class_ID id, bool loading) const {
  ClassDesc* desc = Find(superClass, id);
  return desc ? desc->Create(loading) : nullptr;
}

ClassRegistry& ClassRegistry::Global() {
  static ClassRegistry registry;
  return registry;
}

}  // namespace host
