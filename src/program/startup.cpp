#include "program/startup.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "host/services/interface.h"
#include "host/shading/scene_aux_files.h"

namespace pw {

namespace {

bool SameNameIgnoringCase(const std::filesystem::path& a, const std::filesystem::path& b) {
  const std::string x = a.lexically_normal().string(), y = b.lexically_normal().string();
  return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), [](char p, char q) {
           return std::tolower(static_cast<unsigned char>(p)) == std::tolower(static_cast<unsigned char>(q));
         });
}

}  // namespace

void StartUpPlugin() {
  const std::optional<std::filesystem::path> maps = host::MapsDir();
  if (!maps) return;
  const auto& dirs = host::MapSearchDirs();
  if (std::none_of(dirs.begin(), dirs.end(), [&](const auto& d) { return SameNameIgnoringCase(d, *maps); }))
    host::AddMapSearchDir(*maps);
}

}  // namespace pw
