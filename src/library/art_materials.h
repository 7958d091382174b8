// Finding and listing the art materials of a library the way people name
// them: by class word ("brush", "style"), by name, or by slot ("#12").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/types.h"
#include "library/object_library.h"

namespace pw {

// The six art-material classes, in the order lists show them.
inline constexpr int kArtMaterialClassCount = 6;

struct ArtMaterialClass {
  host::Class_ID id;
  std::string_view word;     // "brush": how a person names the class
  std::string_view plural;   // "brushes"
  std::string_view display;  // "Brush": the class's display name
};

// Brush, paint, stroke, surface, style, canvas.
const ArtMaterialClass* ArtMaterialClasses();
// The class with this word or plural (any letter case), or null.
const ArtMaterialClass* FindArtMaterialClass(std::string_view word);
// The class with this id, or null.
const ArtMaterialClass* FindArtMaterialClass(host::Class_ID id);

// "default", "preset", "user"; "?" for anything else.
std::string_view OriginName(int origin);

// One line of a library listing.
struct LibraryListEntry {
  int slot = -1;
  std::string className;  // the display name: "Brush", "Style", ...
  std::string name;
  int origin = 0;
  int number = -1;
};

// Every material of the library in slot order.
std::vector<LibraryListEntry> ListLibrary(const PwObjectLibrary& library);

// Names of the library's materials of one class, in slot order, each once.
std::vector<std::string> MaterialNamesOfClass(const PwObjectLibrary& library, host::Class_ID classId);

// "'A', 'B' and 'C'" for messages; "none" for an empty list.
std::string QuotedNameList(const std::vector<std::string>& names);

// The slots a person may mean by `what`: "#N" is slot N (when it holds a
// material), anything else a name matched exactly; with a class, only
// materials of that class count.
std::vector<int> FindMaterials(const PwObjectLibrary& library, const std::string& what,
                               std::optional<host::Class_ID> classId = std::nullopt);

}  // namespace pw
