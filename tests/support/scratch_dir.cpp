#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <system_error>

#include <unistd.h>

namespace pw::test {

ScratchDir::ScratchDir(const std::string& prefix) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  path_ = std::filesystem::temp_directory_path() /
          (prefix + std::to_string(getpid()) + "_" + (test ? test->name() : "outside_a_test"));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace pw::test
