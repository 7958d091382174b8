// What a user does to the materials of a library: make, copy, rename,
// delete, reset. Refusals are reported through the warning reporter and
// questions are asked through the host's question service; every operation
// answers whether it did what was asked.
#pragma once

#include <functional>
#include <string>

#include "host/core/types.h"
#include "library/object_library.h"

namespace pw {

// The automatic rename: trailing decimal digits of `proposed` are read as a
// number n (0 when there are none) and replaced by n + 1 printed with at
// least two digits: Brush -> Brush01, Brush07 -> Brush08, Surface9 ->
// Surface10, Brush99 -> Brush100. Any number of digits works.
std::string AutoRenameName(const std::string& proposed);

// `proposed`, or its automatic renames in turn until no material of the
// class in the library carries the name.
std::string UniqueNameInClass(const PwObjectLibrary& library, host::Class_ID classId, const std::string& proposed);

// Checks a name the user typed for a material that clashed with `existing`
// (same class): refused with "Enter a new name for the art material" when it
// is the existing name, with "A <class> object with the given name already
// exisits." when another material of the class has it.
bool CheckNewMaterialName(const PwObjectLibrary& library, const PwObject& existing, const std::string& newName);

// A new material of the class, named "New <class display name>", origin 2,
// added to the library. Its slot, or -1 when the class cannot be created or
// is no art material.
int NewLibraryMaterial(PwObjectLibrary& library, host::SClass_ID superClass, host::Class_ID classId);

// A copy of the material in slot index, named "Copy of <name>", origin 2 and
// number -1, added to the library. Its slot, or -1.
int DuplicateLibraryMaterial(PwObjectLibrary& library, int index);

// Renames the material in slot index. Refused for defaults ("Default art
// materials can't have their name changed."), for an empty name, and for a
// name another material of the same class already has.
bool RenameLibraryMaterial(PwObjectLibrary& library, int index, const std::string& name);

// Deletes the material in slot index. Defaults are refused ("\"<name>\" is
// the default <class>. It can't be deleted, only modified."). A material with
// more than two dependents (the library counts as one) is deleted only when
// the user agrees. Everything that referred to it then refers to the default
// of its class (style 5, canvas 6, brush 2, stroke 3, surface 4, paint 1).
bool DeleteLibraryMaterial(PwObjectLibrary& library, int index);

// Told by DeleteLibraryMaterial once a deletion is decided (the user agreed),
// while the material still sits in slot `index` and everything still refers
// to it. Things that name materials by slot rather than by reference (node
// style assignments) move to the replacement here.
using MaterialDeleteListener = std::function<void(PwObjectLibrary& library, int index, PwObject& material)>;
// Returns a handle for RemoveMaterialDeleteListener.
int AddMaterialDeleteListener(MaterialDeleteListener listener);
void RemoveMaterialDeleteListener(int handle);

// Resets the material in slot index to a new material's settings. An
// animated material asks first whether to remove its animation tracks (the
// answer becomes ResetToDefaults' argument; it is true when nothing is
// animated).
bool ResetLibraryMaterial(PwObjectLibrary& library, int index);

}  // namespace pw
