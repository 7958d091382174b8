#include <gtest/gtest.h>

#include "host/io/chunk_io.h"
#include "host/params/paramblock_legacy.h"
#include "host/refs/scene_file.h"
#include "library/library_materials.h"
#include "plugin/class_ids.h"
#include "style_fixture.h"
#include "styles/stroke.h"
#include "styles/stroke_patterns.h"

namespace pw::test {
namespace {

using StrokeTest = StyleTest;

TEST_F(StrokeTest, NewStrokeIsSolidScaleOneCapped) {
  host::RefHolder hold(new PwStroke());
  auto* stroke = static_cast<PwStroke*>(hold.get());
  EXPECT_EQ(stroke->GetPattern(), -1);
  EXPECT_FLOAT_EQ(stroke->GetScale(), 1.0f);
  EXPECT_EQ(stroke->GetCapping(), 1);
  EXPECT_FALSE(stroke->IsScaleAnimated());
  // Parameters are reachable by their names too (the command line sets them so).
  const host::IParamBlock2* pb = stroke->Block();
  ASSERT_NE(pb, nullptr);
  EXPECT_EQ(pb->GetDesc()->InternalName(), "PwStrokeParameters");
  for (const char* name : {"strokeLinestylePattern", "strokeLinestyleScale", "strokeCapping"})
    EXPECT_NE(pb->FindParamByName(name), nullptr) << name;
  EXPECT_TRUE(pb->FindParamByName("strokeLinestyleScale")->animatable);
  EXPECT_FALSE(pb->FindParamByName("strokeLinestylePattern")->animatable);
}

TEST_F(StrokeTest, PatternPresetsAndRawMasks) {
  host::RefHolder hold(new PwStroke());
  auto* stroke = static_cast<PwStroke*>(hold.get());
  EXPECT_TRUE(stroke->SetPatternPreset(1));
  EXPECT_EQ(stroke->GetPattern(), 0x001FFFFF);
  EXPECT_TRUE(stroke->SetPatternPreset(8));
  EXPECT_EQ(static_cast<std::uint32_t>(stroke->GetPattern()), 0x1C71FFFFu);
  EXPECT_FALSE(stroke->SetPatternPreset(9));
  EXPECT_FALSE(stroke->SetPatternPreset(-1));
  EXPECT_EQ(static_cast<std::uint32_t>(stroke->GetPattern()), 0x1C71FFFFu);
  stroke->SetPattern(0x0F0F0F0F);
  EXPECT_EQ(stroke->GetPattern(), 0x0F0F0F0F);
  stroke->SetPattern(0);
  EXPECT_EQ(stroke->GetPattern(), 0);
}

TEST_F(StrokeTest, ScaleReadsNegativeAsMinimumAndAnimates) {
  host::RefHolder hold(new PwStroke());
  auto* stroke = static_cast<PwStroke*>(hold.get());
  stroke->SetScale(-3.0f);
  EXPECT_FLOAT_EQ(stroke->GetScale(), 1e-4f);
  EXPECT_FLOAT_EQ(stroke->GetStoredScale(), -3.0f);
  stroke->SetScale(2.0f);
  ASSERT_TRUE(stroke->Block()->SetKey(STROKE_LINESTYLE_SCALE, 0, 2.0f));
  ASSERT_TRUE(stroke->Block()->SetKey(STROKE_LINESTYLE_SCALE, 100, 4.0f));
  EXPECT_TRUE(stroke->IsScaleAnimated());
  EXPECT_FLOAT_EQ(stroke->GetScale(50), 3.0f);
}

TEST_F(StrokeTest, ResetKeepsOrDropsAnimationAsAsked) {
  for (bool removeAnimation : {false, true}) {
    host::RefHolder hold(new PwStroke());
    auto* stroke = static_cast<PwStroke*>(hold.get());
    stroke->SetPatternPreset(2);
    stroke->SetCapping(0);
    stroke->Block()->SetKey(STROKE_LINESTYLE_SCALE, 0, 3.0f);
    stroke->Block()->SetKey(STROKE_LINESTYLE_SCALE, 100, 5.0f);
    stroke->ResetToDefaults(removeAnimation);
    EXPECT_EQ(stroke->GetPattern(), -1);
    EXPECT_EQ(stroke->GetCapping(), 0) << "capping is the user's switch; a reset keeps it";
    EXPECT_FLOAT_EQ(stroke->GetScale(0), 1.0f);
    EXPECT_EQ(stroke->IsScaleAnimated(), !removeAnimation);
    if (!removeAnimation) {
      EXPECT_FLOAT_EQ(stroke->GetScale(100), 5.0f);
    }
  }
}

TEST_F(StrokeTest, CloneCopiesNameAndBlock) {
  host::RefHolder hold(new PwStroke());
  auto* stroke = static_cast<PwStroke*>(hold.get());
  stroke->SetName("Long dash");
  stroke->SetPattern(0x00FFFFFF);
  stroke->SetScale(2.5f);
  stroke->SetCapping(0);
  host::RefHolder holdCopy(stroke->Clone());
  auto* copy = dynamic_cast<PwStroke*>(holdCopy.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetName(), "Long dash");
  EXPECT_EQ(copy->GetPattern(), 0x00FFFFFF);
  EXPECT_FLOAT_EQ(copy->GetScale(), 2.5f);
  EXPECT_EQ(copy->GetCapping(), 0);
  EXPECT_NE(copy->Block(), stroke->Block());
  copy->SetPattern(0);
  EXPECT_EQ(stroke->GetPattern(), 0x00FFFFFF);
}

TEST_F(StrokeTest, LibraryPresetsCarryTheirPatterns) {
  PwObjectLibrary* lib = MakeLibrary();
  ASSERT_NE(lib, nullptr);
  for (int i = 0; i < kStrokePatternCount; ++i) {
    auto* stroke = dynamic_cast<PwStroke*>(Material(*lib, PW_ORIGIN_PRESET, 100 + i));
    ASSERT_NE(stroke, nullptr) << i;
    EXPECT_EQ(stroke->GetName(), GetStrokePattern(i)->name);
    EXPECT_EQ(static_cast<std::uint32_t>(stroke->GetPattern()), GetStrokePattern(i)->mask) << i;
  }
  auto* def = dynamic_cast<PwStroke*>(Material(*lib, PW_ORIGIN_DEFAULT, PW_DEFAULT_STROKE));
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->GetPattern(), -1);
}

TEST_F(StrokeTest, SaveAndLoadKeepEverything) {
  host::RefHolder hold(new PwStroke());
  auto* stroke = static_cast<PwStroke*>(hold.get());
  stroke->SetName("Mine");
  stroke->SetPatternPreset(6);
  stroke->SetCapping(2);
  stroke->Block()->SetKey(STROKE_LINESTYLE_SCALE, 0, 0.5f);
  stroke->Block()->SetKey(STROKE_LINESTYLE_SCALE, 30, 1.5f);
  auto* loaded = dynamic_cast<PwStroke*>(RoundTrip(stroke));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetName(), "Mine");
  EXPECT_EQ(loaded->LoadedVersion(), PW_STROKE_VERSION);
  EXPECT_EQ(static_cast<std::uint32_t>(loaded->GetPattern()), 0x0303FFFFu);
  EXPECT_EQ(loaded->GetCapping(), 2);
  EXPECT_TRUE(loaded->IsScaleAnimated());
  EXPECT_FLOAT_EQ(loaded->GetScale(15), 1.0f);
}

// A stroke of the first format: the common chunks, chunk 100 holding 1 and
// chunk 101 holding the pattern; its reference 0 was not a block of today's.
class FormatOneStroke : public PwObject {
 public:
  host::Class_ID ClassID() const override { return PW_STROKE_CLASS_ID; }
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  int NumExtraSaveChunks() const override { return 2; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override {
    if (i == 0) return isave->WriteChunk(PW_STROKE_CHUNK_VERSION, std::uint16_t{1});
    return isave->WriteChunk(PW_STROKE_CHUNK_OLD_PATTERN, pattern);
  }
  std::int32_t pattern = 0x07070707;
};

TEST_F(StrokeTest, FormatOneGetsAFreshBlockAndItsPattern) {
  host::RefHolder hold(new FormatOneStroke());
  // Whatever the old file linked as reference 0 is replaced.
  static const host::ParamBlockDescID oldLayout[] = {{host::TYPE_FLOAT, nullptr, true, 0}};
  static_cast<FormatOneStroke*>(hold.get())->ReplaceReference(0, host::IParamBlock::Create(oldLayout, 1, 1));
  static_cast<FormatOneStroke*>(hold.get())->SetName("Old dots");
  auto* loaded = dynamic_cast<PwStroke*>(RoundTrip(hold.get()));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->LoadedVersion(), 1);
  ASSERT_NE(loaded->Block(), nullptr);
  EXPECT_EQ(loaded->GetPattern(), 0x07070707);
  EXPECT_FLOAT_EQ(loaded->GetScale(), 1.0f);
  EXPECT_EQ(loaded->GetCapping(), 1);
  EXPECT_EQ(loaded->GetName(), "Old dots");
}

TEST_F(StrokeTest, TruncatedVersionChunkFailsTheLoad) {
  class BadVersion : public FormatOneStroke {
   public:
    int NumExtraSaveChunks() const override { return 1; }
    host::IOResult SaveExtraChunk(host::ISave* isave, int) override {
      return isave->WriteChunk(PW_STROKE_CHUNK_VERSION, std::uint8_t{2});
    }
  };
  host::RefHolder hold(new BadVersion());
  host::SceneSaveResult saved = host::SaveSceneToBytes(hold.get());
  ASSERT_TRUE(saved.ok());
  host::SceneLoadResult loaded = host::LoadSceneFromBytes(saved.bytes, host::ClassRegistry::Global());
  EXPECT_FALSE(loaded.ok());
  EXPECT_EQ(loaded.root, nullptr);
}

}  // namespace
}  // namespace pw::test
