// Files a scene needs besides itself (texture images, art-material
// images), and the folders bitmaps are looked for in.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace host {

class ReferenceMaker;

// Implemented by anything that reads files at render time.
class AuxFileProvider {
 public:
  virtual ~AuxFileProvider() = default;
  // Appends the files this object uses (with missingOnly, only those that
  // cannot be found), as full paths where they can be resolved.
  virtual void EnumAuxFiles(std::vector<std::string>& files, bool missingOnly) = 0;
};

// Every file of every AuxFileProvider reachable from root, each path once,
// in first-seen order.
std::vector<std::string> CollectAuxFiles(ReferenceMaker* root, bool missingOnly);

// Folders searched, in order, for a bitmap that is not found where its name
// says (a relative name, or a file moved with its scene).
void AddMapSearchDir(const std::filesystem::path& dir);
void ClearMapSearchDirs();
const std::vector<std::filesystem::path>& MapSearchDirs();

// The file a bitmap name refers to: the name itself when it exists, else
// the first search folder holding a file of that name (its last path
// component), else nothing.
std::optional<std::filesystem::path> ResolveMapPath(const std::string& name);

}  // namespace host
