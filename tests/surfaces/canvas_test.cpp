#include <gtest/gtest.h>

#include <filesystem>

#include "host/imaging/image_io.h"
#include "plugin/class_ids.h"
#include "surfaces/canvas.h"
#include "surfaces_fixture.h"

using namespace pw;
using host::BMM_Color_64;
using host::Color;
using host::RefHolder;

namespace {

PwCanvas* NewCanvas(RefHolder& holder) {
  auto* c = new PwCanvas();
  holder.reset(c);
  return c;
}

BMM_Color_64 Grey(std::uint16_t v) { return {v, v, v, 65535}; }

// A w x h image whose grey is given per texel.
host::Bitmap GreyImage(int w, int h, const std::vector<std::uint16_t>& values) {
  host::Bitmap bmp;
  EXPECT_TRUE(bmp.Create(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.SetPixel(x, y, Grey(values[static_cast<std::size_t>(y * w + x)]));
  return bmp;
}

class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("pw_canvas_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace

TEST(Canvas, NewCanvas) {
  RefHolder h;
  PwCanvas* c = NewCanvas(h);
  EXPECT_EQ(c->GetClassName(), "Canvas");
  EXPECT_EQ(c->ClassID(), PW_CANVAS_CLASS_ID);
  EXPECT_FALSE(c->IsDrawingTool());
  EXPECT_FALSE(c->CanPreviewAsLine());
  ASSERT_NE(c->ParamBlock(), nullptr);
  host::Interval valid = host::FOREVER;
  EXPECT_EQ(c->GetLightColor(0, valid), Color::White());
  EXPECT_FLOAT_EQ(c->GetLightAngle(0, valid), 3.9269907f);
  EXPECT_FLOAT_EQ(c->GetLightElevation(0, valid), 0.7853982f);
  EXPECT_TRUE(c->GetTextureOn());
  EXPECT_TRUE(c->GetNameIsFile());
  EXPECT_EQ(c->GetTextureName(), "");
  EXPECT_TRUE(c->SlopeField().Empty());
  const host::ParamVersionDesc& l = CanvasBlockLayout();
  ASSERT_EQ(l.count, 3);
  EXPECT_EQ(l.desc[0].type, host::TYPE_RGBA);
  EXPECT_EQ(l.desc[1].type, host::TYPE_ANGLE);
  EXPECT_EQ(l.desc[2].type, host::TYPE_ANGLE);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(l.desc[i].animatable);
}

TEST(CanvasSlopes, InteriorTexelsFromTheirNeighbourhood) {
  // Columns 0..3 rising to the right: x slope negative, y slope zero.
  const std::vector<std::uint16_t> rampX = {0, 300, 600, 900,  //
                                            0, 300, 600, 900,  //
                                            0, 300, 600, 900};
  CanvasSlopeField f;
  ASSERT_TRUE(BuildCanvasSlopeField(GreyImage(4, 3, rampX), f));
  EXPECT_EQ(f.width, 4);
  EXPECT_EQ(f.height, 3);
  // ((0+0+0) - (600*3)) / 3 = -600, shifted: -300.
  EXPECT_EQ(f.SlopeX(1, 1), -300);
  EXPECT_EQ(f.SlopeY(1, 1), 0);
  EXPECT_EQ(f.SlopeX(2, 1), -300);
  // The border keeps zero.
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(f.SlopeX(x, 0), 0);
    EXPECT_EQ(f.SlopeX(x, 2), 0);
  }
  EXPECT_EQ(f.SlopeX(0, 1), 0);
  EXPECT_EQ(f.SlopeX(3, 1), 0);
}

TEST(CanvasSlopes, DivisionTruncatesThenShiftRoundsDown) {
  // Top row brighter by 1 in one texel: (1 - 0) / 3 = 0; by 7: 7 / 3 = 2, >> 1 = 1.
  // Bottom brighter by 7: -7 / 3 = -2 (towards zero), >> 1 = -1; by 5: -1 >> 1 = -1.
  struct Case {
    std::uint16_t top, bottom;
    int slopeY;
  } cases[] = {{1, 0, 0}, {7, 0, 1}, {0, 7, -1}, {0, 5, -1}, {0, 2, 0}, {9, 0, 1}, {0, 9, -2}};
  for (const Case& c : cases) {
    const std::vector<std::uint16_t> v = {0, c.top, 0, 0, 0, 0, 0, c.bottom, 0};
    CanvasSlopeField f;
    ASSERT_TRUE(BuildCanvasSlopeField(GreyImage(3, 3, v), f));
    EXPECT_EQ(f.SlopeY(1, 1), c.slopeY) << c.top << " " << c.bottom;
    EXPECT_EQ(f.SlopeX(1, 1), 0);
  }
}

TEST(CanvasSlopes, FlatGreyGivesNoSlopeAnywhere) {
  host::Bitmap bmp;
  ASSERT_TRUE(bmp.Create(6, 5));
  bmp.Fill(Grey(40000));
  CanvasSlopeField f;
  ASSERT_TRUE(BuildCanvasSlopeField(bmp, f));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_TRUE(f.SlopeX(x, y) == 0 && f.SlopeY(x, y) == 0) << x << "," << y;
  EXPECT_TRUE(f.Usable());
}

TEST(CanvasSlopes, ColourIsWeightedToGrey) {
  EXPECT_EQ(GreyOf(Grey(12345)), 12345);
  EXPECT_EQ(GreyOf({65535, 0, 0, 0}), 19660);
  EXPECT_EQ(GreyOf({0, 65535, 0, 0}), 38665);
  EXPECT_EQ(GreyOf({0, 0, 65535, 0}), 7208);
}

TEST(CanvasSlopes, TinyAndEmptyImages) {
  CanvasSlopeField f;
  EXPECT_FALSE(BuildCanvasSlopeField(host::Bitmap(), f));
  EXPECT_TRUE(f.Empty());
  host::Bitmap bmp;
  ASSERT_TRUE(bmp.Create(2, 7));
  ASSERT_TRUE(BuildCanvasSlopeField(bmp, f));
  EXPECT_FALSE(f.Empty());
  EXPECT_FALSE(f.Usable()) << "no interior texel to tile with";
}

TEST(Canvas, LoadTextureFromAFile) {
  TempDir dir;
  host::Bitmap img = GreyImage(3, 3, {0, 0, 0, 0, 0, 0, 65535, 65535, 65535});
  const std::string path = dir.File("paper.png");
  ASSERT_TRUE(host::WriteImage(path, img, {}, nullptr));

  RefHolder h;
  PwCanvas* c = NewCanvas(h);
  EXPECT_TRUE(c->LoadTexture()) << "nothing named: nothing to do";
  EXPECT_TRUE(c->SlopeField().Empty());
  c->SetTextureName(path);
  std::string error;
  ASSERT_TRUE(c->LoadTexture(&error)) << error;
  EXPECT_EQ(c->SlopeField().width, 3);
  EXPECT_EQ(c->SlopeField().SlopeY(1, 1), -32768);  // -65535 / 3 * 3, shifted down
  EXPECT_EQ(c->AuxFiles(), std::vector<std::string>{path});
  c->UnloadTexture();
  EXPECT_TRUE(c->SlopeField().Empty());
}

TEST(Canvas, TextureThatCannotBeLoaded) {
  RefHolder h;
  PwCanvas* c = NewCanvas(h);
  c->SetTextureName("/no/such/dir/paper.png");
  std::string error;
  EXPECT_FALSE(c->LoadTexture(&error));
  EXPECT_NE(error.find("paper.png"), std::string::npos) << error;
  EXPECT_TRUE(c->SlopeField().Empty());
  // Switched off, the missing file does not matter.
  c->SetTextureOn(false);
  EXPECT_TRUE(c->LoadTexture(&error));
  // A device name cannot be read by the stand-alone program.
  c->SetTextureOn(true);
  c->SetNameIsFile(false);
  error.clear();
  EXPECT_FALSE(c->LoadTexture(&error));
  EXPECT_NE(error.find("device"), std::string::npos) << error;
  EXPECT_TRUE(c->AuxFiles().empty());
}

TEST(Canvas, RenamingDropsTheLoadedField) {
  RefHolder h;
  PwCanvas* c = NewCanvas(h);
  c->SetTextureName("a.png");
  ASSERT_TRUE(c->SetTextureImage(GreyImage(3, 3, std::vector<std::uint16_t>(9, 100))));
  EXPECT_TRUE(c->LoadTexture()) << "already loaded";
  c->SetTextureName("a.png");
  EXPECT_FALSE(c->SlopeField().Empty()) << "the same name keeps it";
  c->SetTextureName("b.png");
  EXPECT_TRUE(c->SlopeField().Empty());
}

TEST(Canvas, CloneSaveAndLoad) {
  pwtest::SurfaceRegistry();
  RefHolder h, hc, back;
  PwCanvas* c = NewCanvas(h);
  c->SetName("Paper");
  c->SetTextureName("maps/paper.png");
  c->SetTextureOn(false);
  c->SetNameIsFile(false);
  c->SetLightColor(0, Color(1, 0.9f, 0.8f));
  c->ParamBlock()->SetKey(kCanvasLightAngle, 0, 0.0f);
  c->ParamBlock()->SetKey(kCanvasLightAngle, 100, 1.0f);

  auto* copy = dynamic_cast<PwCanvas*>(c->Clone());
  ASSERT_NE(copy, nullptr);
  hc.reset(copy);
  copy->SetTextureName("other.png");
  copy->SetLightColor(0, Color(0, 0, 0));
  EXPECT_EQ(c->GetTextureName(), "maps/paper.png");

  auto* r = dynamic_cast<PwCanvas*>(pwtest::RoundTrip(c, back));
  ASSERT_NE(r, nullptr);
  host::Interval valid = host::FOREVER;
  EXPECT_EQ(r->GetName(), "Paper");
  EXPECT_EQ(r->GetTextureName(), "maps/paper.png");
  EXPECT_FALSE(r->GetTextureOn());
  EXPECT_FALSE(r->GetNameIsFile());
  EXPECT_EQ(r->GetLightColor(0, valid), Color(1, 0.9f, 0.8f));
  EXPECT_FLOAT_EQ(r->GetLightAngle(50, valid), 0.5f);
  EXPECT_FLOAT_EQ(r->GetLightElevation(0, valid), 0.7853982f);
}

TEST(Canvas, ResetRestoresANewCanvas) {
  RefHolder h;
  PwCanvas* c = NewCanvas(h);
  c->SetTextureName("x.png");
  c->SetTextureOn(false);
  c->SetLightElevation(0, 1.0f);
  c->ResetToDefaults(true);
  host::Interval valid = host::FOREVER;
  EXPECT_EQ(c->GetTextureName(), "");
  EXPECT_TRUE(c->GetTextureOn());
  EXPECT_FLOAT_EQ(c->GetLightElevation(0, valid), 0.7853982f);
}
