// The canvas's texture as a file of the render: listed when missing, found
// in the bitmap search folders, read once, and a file that cannot be read
// reported once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/imaging/image_io.h"
#include "host/services/interface.h"
#include "host/shading/scene_aux_files.h"
#include "surfaces/canvas.h"

using namespace pw;
namespace fs = std::filesystem;

namespace {

class CanvasFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = host::TheInterfaceState();
    savedDirs_ = host::MapSearchDirs();
    host::ClearMapSearchDirs();
    host::SetNetworkRender(true);
    host::SetLogSink([this](std::string_view text) { logged.emplace_back(text); });
    dir_ = fs::temp_directory_path() /
           ("pw_canvas_files_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "maps");
    canvas = new PwCanvas();
    holder_.reset(canvas);
  }
  void TearDown() override {
    holder_.reset();
    host::ClearMapSearchDirs();
    for (const fs::path& d : savedDirs_) host::AddMapSearchDir(d);
    host::TheInterfaceState() = saved_;
    fs::remove_all(dir_);
  }
  std::string WriteGrey(const fs::path& path, int w, int h) {
    host::Bitmap img;
    EXPECT_TRUE(img.Create(w, h));
    img.Fill({20000, 20000, 20000, 65535});
    img.SetPixel(1, 1, {60000, 60000, 60000, 65535});
    EXPECT_TRUE(host::WriteImage(path.string(), img, {}, nullptr));
    return path.string();
  }
  std::vector<std::string> Missing() {
    std::vector<std::string> files;
    canvas->EnumAuxFiles(files, true);
    return files;
  }

  fs::path dir_;
  PwCanvas* canvas = nullptr;
  std::vector<std::string> logged;

 private:
  host::InterfaceState saved_;
  std::vector<fs::path> savedDirs_;
  host::RefHolder holder_;
};

}  // namespace

TEST_F(CanvasFiles, AMissingTextureIsListedByItsFullPathOnlyWhileItIsUsed) {
  canvas->SetTextureName((dir_ / "sub" / ".." / "paper.png").string());
  EXPECT_EQ(Missing(), std::vector<std::string>{(dir_ / "paper.png").string()});
  canvas->SetTextureOn(false);
  EXPECT_TRUE(Missing().empty()) << "a texture switched off is not needed";
  std::vector<std::string> all;
  canvas->EnumAuxFiles(all, false);
  EXPECT_EQ(all.size(), 1u) << "but it is still one of the canvas's files";
  canvas->SetTextureOn(true);
  canvas->SetNameIsFile(false);
  EXPECT_TRUE(Missing().empty()) << "a device name is no file";
}

TEST_F(CanvasFiles, ATextureNotWhereItsNameSaysIsFoundInASearchFolder) {
  WriteGrey(dir_ / "maps" / "paper.png", 6, 5);
  canvas->SetTextureName("/somewhere/else/paper.png");
  EXPECT_EQ(Missing().size(), 1u);
  host::AddMapSearchDir(dir_ / "maps");
  EXPECT_TRUE(Missing().empty());
  EXPECT_TRUE(canvas->LoadAuxFiles(0));
  EXPECT_EQ(canvas->SlopeField().width, 6);
  EXPECT_NE(canvas->SlopeField().SlopeX(2, 1), 0);
  EXPECT_TRUE(logged.empty());
}

TEST_F(CanvasFiles, AFileThatCannotBeReadIsReportedOnceUntilTheNameChanges) {
  const fs::path broken = dir_ / "broken.png";
  std::ofstream(broken) << "not a picture";
  canvas->SetName("Paper");
  canvas->SetTextureName(broken.string());
  EXPECT_TRUE(Missing().empty()) << "it exists";
  EXPECT_FALSE(canvas->LoadAuxFiles(0));
  EXPECT_FALSE(canvas->LoadAuxFiles(160));
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].rfind("Unable to load texture image \"" + broken.string() + "\" for canvas \"Paper\"", 0), 0u)
      << logged[0];
  EXPECT_TRUE(canvas->SlopeField().Empty());

  // A missing file is the render's missing-file report's to name, not this.
  canvas->SetTextureName((dir_ / "gone.png").string());
  EXPECT_FALSE(canvas->LoadAuxFiles(0));
  EXPECT_EQ(logged.size(), 1u);

  // Loaded, then let go: the next load reads the file again.
  const std::string good = WriteGrey(dir_ / "good.png", 4, 4);
  canvas->SetTextureName(good);
  ASSERT_TRUE(canvas->LoadAuxFiles(0));
  fs::remove(good);
  EXPECT_TRUE(canvas->LoadAuxFiles(0)) << "already loaded: not read again";
  canvas->UnloadAuxFiles();
  EXPECT_TRUE(canvas->SlopeField().Empty());
  EXPECT_FALSE(canvas->LoadAuxFiles(0));
}
