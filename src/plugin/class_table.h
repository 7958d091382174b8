// The plug-in's class descriptors, in the order the host enumerates them.
//
// Every class is listed from the start with its ids and names, so scene files
// can be read and written against the full table even while some classes have
// no implementation yet. The module that implements a class plugs its
// constructor in with SetClassFactory; until then Create answers null.
#pragma once

#include <functional>
#include <string>

#include "host/refs/class_desc.h"

namespace pw {

using ClassFactory = std::function<host::ReferenceTarget*(bool loading)>;

class PluginClassDesc final : public host::ClassDesc {
 public:
  struct Facts {
    host::SClass_ID superClass = 0;
    host::Class_ID id;
    std::string className;     // what the host shows and GetClassName answers
    std::string displayName;   // name in creation lists, when it differs from the class name
    std::string internalName;  // the scripting name
    std::string category;
    bool isPublic = false;     // offered to users in the host's creation lists
  };

  explicit PluginClassDesc(Facts facts) : facts_(std::move(facts)) {}

  bool IsPublic() const override { return facts_.isPublic; }
  host::ReferenceTarget* Create(bool loading) override { return factory_ ? factory_(loading) : nullptr; }
  std::string ClassName() const override { return facts_.className; }
  host::SClass_ID SuperClassID() const override { return facts_.superClass; }
  host::Class_ID ClassID() const override { return facts_.id; }
  std::string Category() const override { return facts_.category; }
  std::string InternalName() const override { return facts_.internalName; }
  std::string DisplayName() const { return facts_.displayName.empty() ? facts_.className : facts_.displayName; }

  bool HasFactory() const { return static_cast<bool>(factory_); }
  const ClassFactory& Factory() const { return factory_; }
  void SetFactory(ClassFactory factory) { factory_ = std::move(factory); }

 private:
  Facts facts_;
  ClassFactory factory_;
};

inline constexpr int PLUGIN_CLASS_COUNT = 21;

// The i-th descriptor, or null when i is out of range.
PluginClassDesc* PluginClass(int i);
// The descriptor with this class id, or null.
PluginClassDesc* FindPluginClass(host::Class_ID id);

// Makes the class with this id create its objects through `factory` (an
// empty function takes the factory away again). False when no class of the
// plug-in has this id.
bool SetClassFactory(host::Class_ID id, ClassFactory factory);

// Makes class `id` create a T (constructed with the loading flag) and adds
// its descriptor to the host's global registry. False when no class of the
// plug-in has this id.
template <class T>
bool PlugInClass(host::Class_ID id) {
  if (!SetClassFactory(id, [](bool loading) -> host::ReferenceTarget* { return new T(loading); })) return false;
  host::ClassRegistry::Global().Register(FindPluginClass(id));
  return true;
}

// Adds all the plug-in's classes to `registry`.
void RegisterPluginClasses(host::ClassRegistry& registry);

}  // namespace pw
