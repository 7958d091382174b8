#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/imaging/image_io.h"
#include "host/refs/reference.h"
#include "render/custom_output.h"
#include "render/renderer_paramblock.h"

using namespace pw;
namespace fs = std::filesystem;

namespace {

class CustomOutputTest : public ::testing::Test {
 protected:
  CustomOutputTest() : holder_(CreateRendererParamBlock()) {
    dir_ = fs::temp_directory_path() / ("pw_custom_output_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    image_.Create(3, 2);
    image_.SetAspect(1.25f);
    image_.SetPixel(0, 0, {0x1234, 0xABCD, 0x0001, 0xFFFF});
    image_.SetPixel(2, 1, {65535, 0, 0, 32768});
  }
  ~CustomOutputTest() override { fs::remove_all(dir_); }

  host::IParamBlock2& pb() { return *static_cast<host::IParamBlock2*>(holder_.get()); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  void SetFile(PwCustomPass pass, const std::string& name) {
    ASSERT_TRUE(pb().SetValue(pass == PwCustomPass::Surfaces ? kSurfaceCustomOutput : kLinesCustomOutput, 0,
                              host::PBBitmap{name}));
  }
  static PwCustomOutputFrame Frame(int frame, bool multi, int base = 0) {
    PwCustomOutputFrame f;
    f.ticksPerFrame = 160;
    f.time = frame * 160;
    f.fileNumberBase = base;
    f.multiFrame = multi;
    return f;
  }

  host::RefHolder holder_;
  fs::path dir_;
  host::Bitmap image_;
};

}  // namespace

TEST_F(CustomOutputTest, SequenceFramesGetANumberedFileInTheSameFolder) {
  SetFile(PwCustomPass::Surfaces, Path("out.tga"));
  const PwCustomOutputResult r = WriteCustomOutput(pb(), PwCustomPass::Surfaces, image_, Frame(12, true));
  ASSERT_TRUE(r.ok) << r.message << " " << r.detail;
  EXPECT_EQ(r.path, Path("out0012.tga"));
  EXPECT_TRUE(fs::exists(dir_ / "out0012.tga"));
  EXPECT_FALSE(fs::exists(dir_ / "out.tga"));
  // The block keeps the name the user gave.
  EXPECT_EQ(CustomOutputFileName(pb(), PwCustomPass::Surfaces), Path("out.tga"));

  host::Bitmap back;
  ASSERT_TRUE(host::ReadImage(r.path, back, nullptr));
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(back.Height(), 2);
  EXPECT_EQ(back.GetPixel(2, 1), (host::BMM_Color_64{65535, 0, 0, 32896}));  // 8 bits a channel in TGA
}

TEST_F(CustomOutputTest, FileNumberBaseShiftsTheNumber) {
  SetFile(PwCustomPass::Lines, Path("lines.png"));
  const PwCustomOutputResult r = WriteCustomOutput(pb(), PwCustomPass::Lines, image_, Frame(3, true, 100));
  ASSERT_TRUE(r.ok) << r.detail;
  EXPECT_EQ(r.path, Path("lines0103.png"));
}

TEST_F(CustomOutputTest, SingleFrameKeepsTheNameAndPngKeeps16Bits) {
  SetFile(PwCustomPass::Lines, Path("lines.png"));
  const PwCustomOutputResult r = WriteCustomOutput(pb(), PwCustomPass::Lines, image_, Frame(12, false));
  ASSERT_TRUE(r.ok) << r.detail;
  EXPECT_EQ(r.path, Path("lines.png"));
  host::Bitmap back;
  host::BitmapInfo info;
  ASSERT_TRUE(host::ReadImage(r.path, back, nullptr, &info));
  EXPECT_EQ(info.bitsPerChannel, 16);
  EXPECT_EQ(back.GetPixel(0, 0), (host::BMM_Color_64{0x1234, 0xABCD, 0x0001, 0xFFFF}));
  EXPECT_NEAR(back.Aspect(), 1.25f, 1e-3f);
}

TEST_F(CustomOutputTest, FailuresCarryThePassMessage) {
  struct Row {
    PwCustomPass pass;
    std::string file;
    bool multi;
    const char* message;
  };
  const Row rows[] = {
      // An empty name gets no number, and there is nothing to write to.
      {PwCustomPass::Surfaces, "", true, "Unable to output surfaces to custom file."},
      {PwCustomPass::Lines, "", false, "Unable to output lines to custom file."},
      // A folder is no file to number.
      {PwCustomPass::Surfaces, Path("sub") + "/", true, "Unable to append frame number to custom surfaces filename"},
      {PwCustomPass::Lines, Path("sub") + "/", true, "Unable to append frame number to custom lines filename"},
      {PwCustomPass::Lines, Path("missing/dir/out.png"), false, "Unable to output lines to custom file."},
      {PwCustomPass::Surfaces, Path("out.jpg"), false, "Unable to output surfaces to custom file."},  // read-only format
  };
  for (const Row& r : rows) {
    SetFile(r.pass, r.file);
    const PwCustomOutputResult got = WriteCustomOutput(pb(), r.pass, image_, Frame(1, r.multi));
    EXPECT_FALSE(got.ok) << r.file;
    EXPECT_EQ(got.message, r.message) << r.file;
    EXPECT_FALSE(got.detail.empty()) << r.file;
  }
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(CustomOutputTest, EmptyImageIsNotWritten) {
  SetFile(PwCustomPass::Surfaces, Path("out.png"));
  const PwCustomOutputResult r = WriteCustomOutput(pb(), PwCustomPass::Surfaces, host::Bitmap(), Frame(0, false));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Unable to output surfaces to custom file.");
  EXPECT_FALSE(fs::exists(dir_ / "out.png"));
}

TEST_F(CustomOutputTest, SwitchesAreReadPerPass) {
  EXPECT_FALSE(CustomOutputOn(pb(), PwCustomPass::Surfaces));
  ASSERT_TRUE(pb().SetValue(kLinesCustomOutputOn, 0, true));
  EXPECT_TRUE(CustomOutputOn(pb(), PwCustomPass::Lines));
  EXPECT_FALSE(CustomOutputOn(pb(), PwCustomPass::Surfaces));
}
