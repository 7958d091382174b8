#include "host/shading/scene_aux_files.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>

#include "host/refs/reference.h"

namespace host {

namespace {

// Process-wide like the host's bitmap search paths: set up once at start-up.
std::vector<std::filesystem::path>& Dirs() {
  static std::vector<std::filesystem::path> dirs;
  return dirs;
}

bool IsFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

std::vector<std::string> CollectAuxFiles(ReferenceMaker* root, bool missingOnly) {
  struct Walk : RefEnumProc {
    bool missing = false;
    std::vector<std::string> files;
    int proc(ReferenceMaker* maker) override {
      if (auto* provider = dynamic_cast<AuxFileProvider*>(maker)) provider->EnumAuxFiles(files, missing);
      return REF_ENUM_CONTINUE;
    }
  } walk;
  walk.missing = missingOnly;
  if (root) root->EnumRefHierarchy(walk);
  std::vector<std::string> unique;
  std::unordered_set<std::string> seen;
  for (std::string& f : walk.files)
    if (seen.insert(f).second) unique.push_back(std::move(f));
  return unique;
}

void AddMapSearchDir(const std::filesystem::path& dir) {
  auto& dirs = Dirs();
  if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) dirs.push_back(dir);
}

void ClearMapSearchDirs() { Dirs().clear(); }

const std::vector<std::filesystem::path>& MapSearchDirs() { return Dirs(); }

std::optional<std::filesystem::path> ResolveMapPath(const std::string& name) {
  if (name.empty()) return std::nullopt;
  const std::filesystem::path path(name);
  if (IsFile(path)) return path;
  // Names written on another system may use either separator.
  const std::size_t cut = name.find_last_of("/\\");
  const std::filesystem::path leaf = cut == std::string::npos ? name : name.substr(cut + 1);
  if (leaf.empty()) return std::nullopt;
  for (const auto& dir : Dirs())
    if (IsFile(dir / leaf)) return dir / leaf;
  return std::nullopt;
}

}  // namespace host
