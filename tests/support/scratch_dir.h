// A folder of the running test's own, empty at the start and removed after.
#pragma once

#include <filesystem>
#include <string>

namespace pw::test {

class ScratchDir {
 public:
  // Named after `prefix`, the process and the running test.
  explicit ScratchDir(const std::string& prefix);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace pw::test
