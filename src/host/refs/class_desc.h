// Class descriptors and the registry that creates objects by class id.
//
// Files store a class id for every object; loading asks the registry for the
// descriptor and lets it create an empty object that then loads itself.
#pragma once

#include <string>
#include <vector>

#include "host/core/types.h"

namespace host {

class ReferenceTarget;

class ClassDesc {
 public:
  virtual ~ClassDesc() = default;
  virtual bool IsPublic() const { return true; }
  // A new object, or null when the class cannot be created (yet). `loading`
  // says the object is about to load itself from a file, so it should not
  // build the defaults a fresh object gets.
  virtual ReferenceTarget* Create(bool loading) = 0;
  virtual std::string ClassName() const = 0;
  virtual SClass_ID SuperClassID() const = 0;
  virtual Class_ID ClassID() const = 0;
  virtual std::string Category() const { return ""; }
  virtual std::string InternalName() const { return ClassName(); }
};

// Every class the program knows, by super class id and class id.
class ClassRegistry {
 public:
  // Adds a descriptor; a second descriptor for the same ids replaces the first.
  void Register(ClassDesc* desc);
  void Unregister(ClassDesc* desc);
  ClassDesc* Find(SClass_ID superClass, Class_ID id) const;
  ReferenceTarget* Create(SClass_ID superClass, Class_ID id, bool loading) const;
  const std::vector<ClassDesc*>& All() const { return classes_; }

  // The process-wide registry the program's classes register with.
  static ClassRegistry& Global();

 private:
  std::vector<ClassDesc*> classes_;
};

}  // namespace host
