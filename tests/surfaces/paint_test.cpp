#include <gtest/gtest.h>

#include "library/library_materials.h"
#include "library/object_library.h"
#include "plugin/class_ids.h"
#include "surfaces/paint.h"
#include "surfaces_fixture.h"

using namespace pw;
using host::Color;
using host::RefHolder;

namespace {

PwPaint* NewPaint(RefHolder& holder) {
  auto* p = new PwPaint();
  holder.reset(p);
  return p;
}

Color16 C16(std::uint16_t r, std::uint16_t g, std::uint16_t b, std::uint16_t a = 65535) { return {r, g, b, a}; }

const MaterialColors kMaterial{Color(0.1f, 0.2f, 0.3f), Color(0.5f, 0.25f, 1.0f), Color(1.0f, 1.0f, 0.0f)};

}  // namespace

TEST(PaintBlock, LayoutIsTwoAnimatableEntries) {
  const host::ParamVersionDesc& l = PaintBlockLayout();
  ASSERT_EQ(l.count, 2);
  EXPECT_EQ(l.desc[0].id, 0);
  EXPECT_EQ(l.desc[0].type, host::TYPE_RGBA);
  EXPECT_TRUE(l.desc[0].animatable);
  EXPECT_EQ(l.desc[1].id, 1);
  EXPECT_EQ(l.desc[1].type, host::TYPE_PCNT_FRAC);
  EXPECT_TRUE(l.desc[1].animatable);
}

TEST(Paint, NewPaintTakesTheDiffuseObjectColour) {
  RefHolder h;
  PwPaint* p = NewPaint(h);
  EXPECT_EQ(p->GetClassName(), "Paint");
  EXPECT_EQ(p->ClassID(), PW_PAINT_CLASS_ID);
  ASSERT_NE(p->ParamBlock(), nullptr);
  EXPECT_EQ(p->GetCustomColor(), Color::Black());
  EXPECT_EQ(p->GetBrightness(), 1.0f);
  EXPECT_TRUE(p->GetUseObjectColor());
  EXPECT_EQ(p->GetObjectColorSource(), ObjectColorSource::Diffuse);
  EXPECT_EQ(p->LineColor(0, kMaterial), ToColor16(kMaterial.diffuse));
}

TEST(Paint, SixteenBitConversionTruncates) {
  struct Case {
    Color in;
    Color16 out;
  } cases[] = {
      {Color(0, 0, 0), C16(0, 0, 0)},
      {Color(1, 1, 1), C16(65535, 65535, 65535)},
      {Color(0.5f, 0.35f, 0.6f), C16(32767, 22937, 39321)},
      // Out of range channels are limited rather than wrapped.
      {Color(1.5f, -0.25f, 0.999999f), C16(65535, 0, 65534)},
  };
  for (const Case& c : cases) EXPECT_EQ(ToColor16(c.in), c.out) << c.in.r << " " << c.in.g << " " << c.in.b;
}

TEST(Paint, BrightnessOnSixteenBitColours) {
  struct Case {
    Color16 in;
    float brightness;
    Color16 out;
  } cases[] = {
      {C16(65535, 40000, 1), 1.25f, C16(65535, 50000, 1)},  // limited at the top, truncated
      {C16(65535, 40000, 3, 1234), 0.75f, C16(49151, 30000, 2, 1234)},
      {C16(65535, 65535, 65535), 0.0f, C16(0, 0, 0)},
      {C16(100, 200, 300, 7), -1.0f, C16(0, 0, 0, 7)},  // alpha untouched
  };
  for (const Case& c : cases) EXPECT_EQ(ApplyBrightness(c.in, c.brightness), c.out) << c.brightness;
  // Exactly 1 leaves every bit alone, whatever the colour.
  for (std::uint16_t v : {0, 1, 12345, 65534, 65535}) {
    const Color16 c = C16(v, static_cast<std::uint16_t>(65535 - v), v, static_cast<std::uint16_t>(v / 2));
    EXPECT_EQ(ApplyBrightness(c, 1.0f), c);
  }
}

TEST(Paint, BrightnessOnFloatColoursClamps) {
  EXPECT_EQ(ApplyBrightness(Color(0.5f, 0.9f, 0.0f), 1.25f), Color(0.625f, 1.0f, 0.0f));
  EXPECT_EQ(ApplyBrightness(Color(0.5f, 0.9f, 0.2f), -1.0f), Color(0, 0, 0));
  RefHolder h;
  PwPaint* p = NewPaint(h);
  p->SetBrightness(0, 0.5f);
  EXPECT_EQ(p->ApplyBrightnessColor(Color(1, 0.5f, 0), 0), Color(0.5f, 0.25f, 0));
}

TEST(Paint, LineColourFollowsTheSourceAndBrightness) {
  RefHolder h;
  PwPaint* p = NewPaint(h);
  p->SetCustomColor(0, Color(0, 0.5f, 1));
  p->SetBrightness(0, 1.25f);
  ASSERT_TRUE(p->SetObjectColorSource(0));
  EXPECT_EQ(p->LineColor(0, kMaterial), ApplyBrightness(ToColor16(kMaterial.ambient), 1.25f));
  ASSERT_TRUE(p->SetObjectColorSource(2));
  EXPECT_EQ(p->LineColor(0, kMaterial), C16(65535, 65535, 0));
  EXPECT_FALSE(p->SetObjectColorSource(3));
  EXPECT_EQ(p->GetObjectColorSource(), ObjectColorSource::Specular);
  // The custom colour was kept all along.
  p->SetUseObjectColor(false);
  EXPECT_EQ(p->LineColor(0, kMaterial), C16(0, 40958, 65535));
}

TEST(Paint, AnimatedCustomColour) {
  RefHolder h;
  PwPaint* p = NewPaint(h);
  p->ParamBlock()->SetKey(kPaintCustomColor, 0, Color(0, 0, 0));
  p->ParamBlock()->SetKey(kPaintCustomColor, 100, Color(1, 0, 0));
  EXPECT_EQ(p->GetCustomColor(50), Color(0.5f, 0, 0));
  EXPECT_EQ(p->GetCustomColor16(100), C16(65535, 0, 0));
}

TEST(Paint, ResetRestoresANewPaint) {
  RefHolder h;
  PwPaint* p = NewPaint(h);
  p->SetUseObjectColor(false);
  p->SetObjectColorSource(2);
  p->SetCustomColor(0, Color(1, 1, 1));
  p->SetBrightness(0, 0.3f);
  p->ResetToDefaults(true);
  EXPECT_TRUE(p->GetUseObjectColor());
  EXPECT_EQ(p->GetObjectColorSource(), ObjectColorSource::Diffuse);
  EXPECT_EQ(p->GetCustomColor(), Color::Black());
  EXPECT_EQ(p->GetBrightness(), 1.0f);
}

TEST(Paint, CloneIsIndependent) {
  RefHolder h, hc;
  PwPaint* p = NewPaint(h);
  p->SetName("Ink");
  p->SetUseObjectColor(false);
  p->SetObjectColorSource(0);
  p->SetCustomColor(0, Color(0.2f, 0.4f, 0.6f));
  auto* c = dynamic_cast<PwPaint*>(p->Clone());
  ASSERT_NE(c, nullptr);
  hc.reset(c);
  EXPECT_EQ(c->GetName(), "Ink");
  EXPECT_FALSE(c->GetUseObjectColor());
  EXPECT_EQ(c->GetObjectColorSource(), ObjectColorSource::Ambient);
  EXPECT_EQ(c->GetCustomColor(), Color(0.2f, 0.4f, 0.6f));
  c->SetCustomColor(0, Color(1, 1, 1));
  c->SetUseObjectColor(true);
  EXPECT_EQ(p->GetCustomColor(), Color(0.2f, 0.4f, 0.6f));
  EXPECT_FALSE(p->GetUseObjectColor());
}

TEST(Paint, SaveLoadRoundTrip) {
  pwtest::SurfaceRegistry();
  RefHolder h, back;
  PwPaint* p = NewPaint(h);
  p->SetName("Keyed");
  p->SetUseObjectColor(false);
  p->SetObjectColorSource(2);
  p->ParamBlock()->SetKey(kPaintBrightness, 0, 0.5f);
  p->ParamBlock()->SetKey(kPaintBrightness, 100, 1.5f);
  p->SetCustomColor(0, Color(0.25f, 0.5f, 0.75f));
  auto* r = dynamic_cast<PwPaint*>(pwtest::RoundTrip(p, back));
  ASSERT_NE(r, nullptr);
  ASSERT_NE(r->ParamBlock(), nullptr);
  EXPECT_EQ(r->GetName(), "Keyed");
  EXPECT_FALSE(r->GetUseObjectColor());
  EXPECT_EQ(r->GetObjectColorSource(), ObjectColorSource::Specular);
  EXPECT_FLOAT_EQ(r->GetBrightness(50), 1.0f);
  EXPECT_EQ(r->GetCustomColor(), Color(0.25f, 0.5f, 0.75f));
}

namespace {

// A paint written with an older block layout: brightness only, under its id.
class OldLayoutPaint : public host::ReferenceTarget {
 public:
  explicit OldLayoutPaint(bool withBlock = true) {
    if (!withBlock) return;
    static const host::ParamBlockDescID kOld[] = {{host::TYPE_FLOAT, nullptr, true, kPaintBrightness}};
    block_ = host::CreateParameterBlock(kOld, 1, 0);
    block_->SetValue(0, 0, 0.4f);
    ReplaceReference(0, block_);
  }
  host::Class_ID ClassID() const override { return PW_PAINT_CLASS_ID; }
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  int NumRefs() override { return 1; }
  host::ReferenceTarget* GetReference(int i) override { return i == 0 ? block_ : nullptr; }
  host::IOResult Save(host::ISave* s) override {
    s->WriteChunk(PW_OBJECT_CHUNK_VERSION, PW_OBJECT_VERSION);
    s->WriteStringChunk(PW_OBJECT_CHUNK_NAME, "Old layout");
    s->BeginChunk(kPaintChunkFields);
    s->WriteValue(std::int32_t{0});
    s->WriteValue(std::int32_t{0});
    s->EndChunk();
    return host::IO_OK;
  }

 protected:
  void SetReference(int i, host::ReferenceTarget* t) override {
    if (i == 0) block_ = static_cast<host::IParamBlock*>(t);
  }

 private:
  host::IParamBlock* block_ = nullptr;
};

}  // namespace

TEST(Paint, OlderBlockLayoutIsConvertedOnLoad) {
  pwtest::SurfaceRegistry();
  RefHolder old(new OldLayoutPaint), back;
  host::SceneSaveResult saved = host::SaveSceneToBytes(old.get());
  ASSERT_TRUE(saved.ok());
  ASSERT_EQ(pwtest::LoadBytes(saved.bytes, back), "");
  auto* r = dynamic_cast<PwPaint*>(back.get());
  ASSERT_NE(r, nullptr);
  ASSERT_NE(r->ParamBlock(), nullptr);
  EXPECT_EQ(r->ParamBlock()->NumParams(), 2);
  EXPECT_EQ(r->ParamBlock()->GetVersion(), kPaintBlockVersion);
  EXPECT_FLOAT_EQ(r->GetBrightness(), 0.4f);         // carried over by id
  EXPECT_EQ(r->GetCustomColor(), Color::Black());    // new in the layout
  EXPECT_FALSE(r->GetUseObjectColor());
  EXPECT_EQ(r->GetObjectColorSource(), ObjectColorSource::Ambient);
}

TEST(Paint, MissingBlockIsRebuiltOnLoad) {
  pwtest::SurfaceRegistry();
  struct NoBlock : OldLayoutPaint {
    NoBlock() : OldLayoutPaint(false) {}
  };
  RefHolder old(new NoBlock), back;
  host::SceneSaveResult saved = host::SaveSceneToBytes(old.get());
  ASSERT_EQ(pwtest::LoadBytes(saved.bytes, back), "");
  auto* r = dynamic_cast<PwPaint*>(back.get());
  ASSERT_NE(r, nullptr);
  ASSERT_NE(r->ParamBlock(), nullptr);
  EXPECT_EQ(r->GetBrightness(), 1.0f);
  EXPECT_FALSE(r->GetUseObjectColor()) << "the fields read from the file stay";
}

TEST(Paint, SourceOutOfRangeInAFileIsAnError) {
  pwtest::SurfaceRegistry();
  struct BadSource : OldLayoutPaint {
    host::IOResult Save(host::ISave* s) override {
      s->BeginChunk(kPaintChunkFields);
      s->WriteValue(std::int32_t{1});
      s->WriteValue(std::int32_t{5});
      s->EndChunk();
      return host::IO_OK;
    }
  };
  RefHolder old(new BadSource), back;
  host::SceneSaveResult saved = host::SaveSceneToBytes(old.get());
  const std::string error = pwtest::LoadBytes(saved.bytes, back);
  EXPECT_NE(error.find("colour source 5"), std::string::npos) << error;
}

TEST(PaintPresets, DefaultsAndPresetsOfALibrary) {
  pwtest::SurfaceRegistry();
  ASSERT_TRUE(RegisterLibraryClasses());
  RefHolder h(PwObjectLibrary::Create(false));
  auto* lib = static_cast<PwObjectLibrary*>(h.get());
  auto paint = [&](int origin, int number) { return dynamic_cast<PwPaint*>(lib->Get(lib->Find(origin, number))); };

  PwPaint* custom = paint(PW_ORIGIN_DEFAULT, PW_DEFAULT_PAINT_CUSTOM);
  PwPaint* object = paint(PW_ORIGIN_DEFAULT, PW_DEFAULT_PAINT);
  ASSERT_TRUE(custom && object);
  EXPECT_FALSE(custom->GetUseObjectColor());
  EXPECT_EQ(custom->GetCustomColor(), Color::Black());
  EXPECT_TRUE(object->GetUseObjectColor());
  EXPECT_EQ(object->GetObjectColorSource(), ObjectColorSource::Diffuse);

  struct Row {
    const char* name;
    bool useObject;
    int source;
    float brightness;
    Color custom;
  } rows[] = {
      {"Object's Ambient", true, 0, 1.0f, Color()},
      {"Object's Ambient (Darkened)", true, 0, 0.75f, Color()},
      {"Object's Ambient (Lightened)", true, 0, 1.25f, Color()},
      {"Object's Diffuse", true, 1, 1.0f, Color()},
      {"Object's Diffuse (Darkened)", true, 1, 0.75f, Color()},
      {"Object's Diffuse (Lightened)", true, 1, 1.25f, Color()},
      {"Object's Specular", true, 2, 1.0f, Color()},
      {"Object's Specular (Darkened)", true, 2, 0.75f, Color()},
      {"Object's Specular (Lightened)", true, 2, 1.25f, Color()},
      {"Blue", false, 1, 1.0f, Color(0, 0, 1)},
      {"Brown", false, 1, 1.0f, Color(0.35f, 0, 0)},
      {"Cyan", false, 1, 1.0f, Color(0, 1, 1)},
      {"Green (Light)", false, 1, 1.0f, Color(0, 1, 0)},
      {"Green (Dark)", false, 1, 1.0f, Color(0, 0.5f, 0)},
      {"Gray (Dark)", false, 1, 1.0f, Color(0.3f, 0.3f, 0.3f)},
      {"Gray (Light)", false, 1, 1.0f, Color(0.6f, 0.6f, 0.6f)},
      {"Orange", false, 1, 1.0f, Color(1, 0.5f, 0)},
      {"Pink", false, 1, 1.0f, Color(1, 0, 1)},
      {"Purple", false, 1, 1.0f, Color(0.5f, 0, 1)},
      {"Red", false, 1, 1.0f, Color(1, 0, 0)},
      {"White", false, 1, 1.0f, Color(1, 1, 1)},
      {"Yellow", false, 1, 1.0f, Color(1, 1, 0)},
  };
  ASSERT_EQ(std::size(rows), static_cast<std::size_t>(kPaintPresetCount));
  for (int i = 0; i < kPaintPresetCount; ++i) {
    PwPaint* p = paint(PW_ORIGIN_PRESET, PresetNumber(PW_PRESET_GROUP_PAINT, i));
    ASSERT_NE(p, nullptr) << i;
    const Row& r = rows[i];
    EXPECT_EQ(p->GetName(), r.name);
    EXPECT_EQ(p->GetUseObjectColor(), r.useObject) << r.name;
    EXPECT_EQ(static_cast<int>(p->GetObjectColorSource()), r.source) << r.name;
    EXPECT_EQ(p->GetBrightness(), r.brightness) << r.name;
    EXPECT_EQ(p->GetCustomColor(), r.custom) << r.name;
  }
}
