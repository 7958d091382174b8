#include "render_output_check.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

namespace pw::cli {

namespace fs = std::filesystem;

bool CheckWritableTarget(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = "'" + path + "': " + why;
    return false;
  };
  std::error_code ec;
  if (path.empty() || path.back() == '/') return fail("names no file");
  if (fs::is_directory(path, ec)) return fail("is a folder");
  const fs::path folder = fs::path(path).parent_path().empty() ? fs::path(".") : fs::path(path).parent_path();
  if (!fs::exists(folder, ec)) return fail("the folder '" + folder.string() + "' does not exist");
  if (!fs::is_directory(folder, ec)) return fail("'" + folder.string() + "' is not a folder");

  // Permission bits do not tell the whole story (read-only mounts, ACLs,
  // root): creating a file is the only reliable test.
  std::string scratch = (folder / ".penwright-check-XXXXXX").string();
  std::vector<char> name(scratch.begin(), scratch.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return fail("cannot write in the folder '" + folder.string() + "': " + std::strerror(errno));
  close(fd);
  unlink(name.data());
  return true;
}

}  // namespace pw::cli
