#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "render_output_check.h"

using namespace pw::cli;
namespace fs = std::filesystem;

namespace {

class OutputCheckTest : public ::testing::Test {
 protected:
  OutputCheckTest() {
    dir_ = fs::temp_directory_path() / ("pw_output_check_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "sub");
  }
  ~OutputCheckTest() override {
    fs::permissions(dir_ / "sub", fs::perms::owner_all);
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(OutputCheckTest, WritableFolderLeavesNoTrace) {
  std::string error;
  EXPECT_TRUE(CheckWritableTarget(Path("out.png"), &error)) << error;
  EXPECT_TRUE(CheckWritableTarget(Path("sub/out.png"), &error)) << error;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "sub"), fs::directory_iterator()), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1) << "only sub/";
}

TEST_F(OutputCheckTest, AnExistingFileMayBeReplaced) {
  std::ofstream(Path("out.png")) << "old";
  std::string error;
  EXPECT_TRUE(CheckWritableTarget(Path("out.png"), &error)) << error;
  std::ifstream in(Path("out.png"));
  std::string content;
  in >> content;
  EXPECT_EQ(content, "old");
}

TEST_F(OutputCheckTest, RefusesWhatCannotHoldAFile) {
  std::ofstream(Path("plain")) << "x";
  struct Case {
    std::string path;
    const char* says;
  };
  const Case cases[] = {
      {Path("missing/out.png"), "does not exist"},
      {Path("sub"), "is a folder"},
      {Path("sub/"), "names no file"},
      {Path("plain/out.png"), "is not a folder"},
      {"", "names no file"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(CheckWritableTarget(c.path, &error)) << c.path;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.path << ": " << error;
  }
}

TEST_F(OutputCheckTest, RefusesAFolderThatTakesNoFiles) {
  // A folder no one may create files in, root included.
  if (!fs::is_directory("/proc")) GTEST_SKIP() << "no /proc";
  std::string error;
  EXPECT_FALSE(CheckWritableTarget("/proc/penwright-out.png", &error));
  EXPECT_NE(error.find("cannot write in the folder '/proc'"), std::string::npos) << error;
}

TEST_F(OutputCheckTest, RefusesAFolderWithoutWritePermission) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  fs::permissions(dir_ / "sub", fs::perms::owner_read | fs::perms::owner_exec);
  std::string error;
  EXPECT_FALSE(CheckWritableTarget(Path("sub/out.png"), &error));
  EXPECT_NE(error.find("cannot write in the folder"), std::string::npos) << error;
}

}  // namespace
