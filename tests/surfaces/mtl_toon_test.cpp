#include <gtest/gtest.h>

#include "plugin/class_ids.h"
#include "surfaces/mtl_toon.h"
#include "surfaces_fixture.h"
#include "test_materials.h"

using namespace pw;
using host::Color;
using host::RefHolder;

namespace {

PwMtlToon* NewToon(RefHolder& holder) {
  auto* t = new PwMtlToon();
  holder.reset(t);
  return t;
}

Color GradientColour(PwMtlToon* toon, int band, float x = 0.5f) {
  PwGradient* g = toon->GetGradient(band);
  if (!g) return Color(-1, -1, -1);
  host::Interval valid = host::FOREVER;
  g->Update(0, valid);
  return g->Evaluate(x);
}

// The band switches, sizes, brightnesses and blending a preset must leave.
struct PresetRow {
  int preset;
  bool on[3];
  float size[3];
  float brightness[3];
  float blending;
};

const PresetRow kPresetRows[] = {
    {0, {false, true, false}, {0.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, 0.02f},
    {1, {true, true, true}, {0.25f, 0.7f, 0.05f}, {0.75f, 1.0f, 1.25f}, 0.02f},
    {2, {true, true, true}, {0.25f, 0.7f, 0.05f}, {0.3f, 1.0f, 1.5f}, 0.02f},
    {3, {true, true, false}, {0.25f, 0.75f, 0.0f}, {0.75f, 1.0f, 1.0f}, 0.1f},
};

void ExpectPreset(PwMtlToon* t, const PresetRow& row) {
  for (int band = 0; band < 3; ++band) {
    const ToonBand b = t->GetBand(band);
    EXPECT_EQ(b.on != 0, row.on[band]) << "preset " << row.preset << " band " << band;
    EXPECT_EQ(b.colorSource, 7) << "preset " << row.preset << " band " << band;
    EXPECT_EQ(b.colorMapOn, 0);
    EXPECT_EQ(b.opacityMapOn, 0);
    EXPECT_FLOAT_EQ(t->GetParam(ToonBandParam(band, kToonBandSize)), row.size[band]) << row.preset;
    EXPECT_FLOAT_EQ(t->GetParam(ToonBandParam(band, kToonBandBrightness)), row.brightness[band]) << row.preset;
  }
  EXPECT_FLOAT_EQ(t->GetParam(kToonBlendingShadowMain), row.blending);
  EXPECT_FLOAT_EQ(t->GetParam(kToonBlendingMainHighlight), row.blending);
}

}  // namespace

TEST(ToonParams, NamesAndLayout) {
  EXPECT_EQ(ToonParamName(0), "Shadow Size");
  EXPECT_EQ(ToonParamName(9), "Main Opacity Map Amount");
  EXPECT_EQ(ToonParamName(17), "Blending Shadow-Main");
  EXPECT_EQ(ToonParamName(20), "Lights Intensity Shading");
  EXPECT_EQ(ToonParamName(21), "");
  EXPECT_EQ(ToonColorSourceName(7), "Object's Diffuse Color");
  EXPECT_EQ(ToonColorSourceName(17), "Object's MAX Material (Shaded)");
  EXPECT_EQ(ToonColorSourceName(18), "");
  const host::ParamVersionDesc& l = ToonBlockLayout();
  ASSERT_EQ(l.count, 21);
  for (int i = 0; i < l.count; ++i) {
    EXPECT_EQ(l.desc[i].id, i);
    EXPECT_EQ(l.desc[i].type, host::TYPE_PCNT_FRAC);
    EXPECT_TRUE(l.desc[i].animatable);
  }
}

TEST(Toon, ResetState) {
  RefHolder h;
  PwMtlToon* t = NewToon(h);
  EXPECT_EQ(t->GetName(), "Toon");
  EXPECT_EQ(t->ClassID(), PW_MTL_TOON_CLASS_ID);
  EXPECT_EQ(t->SuperClassID(), host::MATERIAL_CLASS_ID);
  ASSERT_NE(t->ParamBlock(), nullptr);
  const float expected[21] = {0.25f, 1, 0.75f, 1, 1, 0.7f, 1, 1, 1, 1, 0.05f, 1, 1.25f, 1, 1, 1, 1, 0.02f, 0.02f, 0, 0};
  for (int id = 0; id < 21; ++id) EXPECT_FLOAT_EQ(t->GetParam(id), expected[id]) << ToonParamName(id);
  for (int band = 0; band < 3; ++band) EXPECT_EQ(t->GetBand(band), ToonBand()) << band;
  EXPECT_EQ(ToonBand().colorSource, 7);
  EXPECT_EQ(ToonBand().on, 1);
  EXPECT_TRUE(t->GetSmoothBlending());
  EXPECT_TRUE(t->GetLockBlending());
  EXPECT_FALSE(t->GetOverallOpacityMapOn());
  EXPECT_EQ(t->GetFurtherSwitch(), 0);
  EXPECT_EQ(t->GetGBufferId(), 0);
  EXPECT_EQ(t->GetObjectMaterial(), nullptr);
  EXPECT_TRUE(t->IsUnusable());
  EXPECT_EQ(GradientColour(t, 0), Color(0.5f, 0.5f, 0.5f));
  EXPECT_EQ(GradientColour(t, 1), Color(0.75f, 0.75f, 0.75f));
  EXPECT_EQ(GradientColour(t, 2), Color(1, 1, 1));
  for (int band = 0; band < 3; ++band) EXPECT_EQ(t->GetGradient(band)->KeyCount(), 1);
}

TEST(Toon, SubAnimsAndMapSlots) {
  RefHolder h;
  PwMtlToon* t = NewToon(h);
  const char* names[] = {"Parameters",       "Shadow Gradient",     "Main Gradient",      "Highlight Gradient",
                         "Shadow Color Map", "Main Color Map",      "Highlight Color Map", "Shadow Opacity Map",
                         "Main Opacity Map", "Highlight Opacity Map", "Overall Opacity Map"};
  for (int i = 0; i < kToonSubAnimCount; ++i) EXPECT_EQ(t->SubAnimName(i), names[i]);
  EXPECT_EQ(t->SubAnimName(11), "");
  EXPECT_EQ(t->NumSubTexmaps(), 7);
  EXPECT_EQ(t->GetSubTexmapSlotName(0), "Shadow Color Map");
  EXPECT_EQ(t->GetSubTexmapSlotName(6), "Overall Opacity Map");
}

TEST(Toon, PresetsFromAnyState) {
  for (const PresetRow& row : kPresetRows) {
    RefHolder h;
    PwMtlToon* t = NewToon(h);
    // Disturb everything a preset must put back.
    t->SetBand(0, ToonBand{0, 1, 1, 1, 1, 3});
    t->SetParam(kToonShadowSize, 0, 0.9f);
    t->SetParam(kToonLightsColorTinting, 0, 0.5f);
    t->SetLockBlending(false);
    t->SetBlending(1, 0, 0.3f);
    t->SetSmoothBlending(false);
    t->SetColorMap(1, new pwtest::SolidMap);
    t->GetGradient(2)->AddKey(new PwGradientColor(false, Color(1, 0, 0), 0.1f));
    ASSERT_TRUE(t->ApplyToonPreset(row.preset));
    ExpectPreset(t, row);
    EXPECT_EQ(t->GetColorMap(1), nullptr);
    EXPECT_EQ(t->GetGradient(2)->KeyCount(), 1);
    EXPECT_EQ(t->GetParam(kToonLightsColorTinting), 0.0f);
    EXPECT_TRUE(t->GetLockBlending());
    EXPECT_TRUE(t->GetSmoothBlending());
  }
}

TEST(Toon, CartoonPresetIsTheResetState) {
  RefHolder a, b;
  PwMtlToon* reset = NewToon(a);
  PwMtlToon* cartoon = NewToon(b);
  cartoon->ApplyToonPreset(static_cast<int>(ToonPreset::Cartoon));
  for (int id = 0; id < kToonParamCount; ++id) EXPECT_EQ(cartoon->GetParam(id), reset->GetParam(id)) << id;
  for (int band = 0; band < 3; ++band) EXPECT_EQ(cartoon->GetBand(band), reset->GetBand(band));
}

TEST(Toon, PresetOutOfRangeChangesNothing) {
  RefHolder h;
  PwMtlToon* t = NewToon(h);
  t->SetParam(kToonMainSize, 0, 0.4f);
  EXPECT_FALSE(t->ApplyToonPreset(4));
  EXPECT_FALSE(t->ApplyToonPreset(-1));
  EXPECT_FLOAT_EQ(t->GetParam(kToonMainSize), 0.4f);
}

TEST(Toon, LockedBlendingSharesOneValue) {
  RefHolder h;
  PwMtlToon* t = NewToon(h);
  ASSERT_TRUE(t->SetBlending(1, 0, 0.2f));
  EXPECT_FLOAT_EQ(t->GetParam(kToonBlendingShadowMain), 0.2f);
  EXPECT_FLOAT_EQ(t->GetParam(kToonBlendingMainHighlight), 0.2f);
  // Animated while locked: unlocking leaves the second with its own copy.
  t->ParamBlock()->SetKey(kToonBlendingShadowMain, 0, 0.0f);
  t->ParamBlock()->SetKey(kToonBlendingShadowMain, 100, 0.5f);
  host::Interval valid = host::FOREVER;
  EXPECT_FLOAT_EQ(t->GetBlending(1, 50, valid), 0.25f);
  t->SetLockBlending(false);
  EXPECT_TRUE(t->ParamBlock()->IsAnimated(kToonBlendingMainHighlight));
  EXPECT_FLOAT_EQ(t->GetParam(kToonBlendingMainHighlight, 50), 0.25f);
  // Unlocked, each goes its own way.
  t->ParamBlock()->RemoveAnimation(kToonBlendingMainHighlight, 0);
  ASSERT_TRUE(t->SetBlending(1, 0, 0.07f));
  EXPECT_FLOAT_EQ(t->GetParam(kToonBlendingMainHighlight), 0.07f);
  EXPECT_FLOAT_EQ(t->GetParam(kToonBlendingShadowMain, 100), 0.5f);
  // Locking again makes the second follow the first.
  t->SetLockBlending(true);
  EXPECT_FLOAT_EQ(t->GetParam(kToonBlendingMainHighlight, 100), 0.5f);
  EXPECT_FALSE(t->SetBlending(2, 0, 0.1f));
  EXPECT_FALSE(t->SetBlending(0, 0, std::numeric_limits<float>::infinity()));
}

TEST(Toon, BandsRefuseUnknownSources) {
  RefHolder h;
  PwMtlToon* t = NewToon(h);
  EXPECT_TRUE(t->SetBandColorSource(2, 17));
  EXPECT_FALSE(t->SetBandColorSource(2, 18));
  EXPECT_FALSE(t->SetBandColorSource(2, -1));
  EXPECT_EQ(t->GetBand(2).colorSource, 17);
  EXPECT_FALSE(t->SetBandOn(3, true));
  // Every band may be off: shading then gets no weights.
  for (int band = 0; band < 3; ++band) EXPECT_TRUE(t->SetBandOn(band, false));
  EXPECT_EQ(t->BandsOn(), 0);
}

TEST(Toon, MapSlotsAreOnOnlyWhenUsed) {
  RefHolder h;
  PwMtlToon* t = NewToon(h);
  ASSERT_TRUE(t->SetColorMap(0, new pwtest::SolidMap));
  EXPECT_NE(t->GetSubTexmap(0), nullptr);
  EXPECT_FALSE(t->SubTexmapOn(0));
  ToonBand b = t->GetBand(0);
  b.colorMapOn = 1;
  t->SetBand(0, b);
  EXPECT_FALSE(t->SubTexmapOn(0)) << "the object material's map is used instead";
  b.useOwnColorMap = 1;
  t->SetBand(0, b);
  EXPECT_TRUE(t->SubTexmapOn(0));
  t->SetBandOn(0, false);
  EXPECT_FALSE(t->SubTexmapOn(0));
  t->SetOverallOpacityMapOn(true);
  EXPECT_TRUE(t->SubTexmapOn(6));
  RefHolder refused(new pwtest::SolidMap);
  EXPECT_FALSE(t->SetColorMap(3, static_cast<host::Texmap*>(refused.get())));
  EXPECT_EQ(refused.get()->NumDependents(), 1) << "a refused map stays the caller's";
}

TEST(Toon, ObjectMaterial) {
  RefHolder h, other;
  PwMtlToon* t = NewToon(h);
  auto* mtl = new pwtest::FlatMtl(Color(0.2f, 0.4f, 0.6f));
  t->SetObjectMaterial(mtl);
  EXPECT_EQ(t->GetObjectMaterial(), mtl);
  EXPECT_FALSE(t->IsUnusable());
  EXPECT_EQ(t->GetDiffuse(), Color(0.2f, 0.4f, 0.6f));
  // Another Toon material, or this one, cannot be wrapped.
  other.reset(new PwMtlToon());
  t->SetObjectMaterial(static_cast<PwMtlToon*>(other.get()));
  EXPECT_TRUE(t->IsUnusable());
  EXPECT_EQ(t->GetObjectMaterial(), nullptr);
  EXPECT_EQ(other.get()->NumDependents(), 1);
  t->SetObjectMaterial(t);
  EXPECT_TRUE(t->IsUnusable());
  EXPECT_EQ(t->NumDependents(), 1);
  EXPECT_EQ(t->GetDiffuse(), Color::Black());
}

TEST(Toon, WrappingAMaterialThatHoldsItDoesNotLoop) {
  RefHolder h;
  PwMtlToon* t = NewToon(h);
  RefHolder hm(new pwtest::FlatMtl(Color(1, 1, 1), 1));
  auto* multi = static_cast<pwtest::FlatMtl*>(hm.get());
  multi->HoldSub(0, t);
  t->SetObjectMaterial(multi);
  // A change on either side reaches the other once and stops.
  ASSERT_TRUE(t->SetParam(kToonMainSize, 0, 0.5f));
  multi->Block()->SetValue(0, 0, 2.0f);
  EXPECT_GE(multi->heard, 1);
  t->SetObjectMaterial(nullptr);
  multi->HoldSub(0, nullptr);
}

TEST(Toon, UpdateTracksValidity) {
  RefHolder h;
  PwMtlToon* t = NewToon(h);
  host::Interval valid = host::FOREVER;
  t->Update(0, valid);
  EXPECT_TRUE(t->CachedValidity().Empty()) << "without an object material nothing is cached";
  auto* mtl = new pwtest::FlatMtl();
  t->SetObjectMaterial(mtl);
  t->Update(0, valid);
  EXPECT_EQ(mtl->updates, 1);
  EXPECT_EQ(valid, host::FOREVER);
  EXPECT_EQ(t->CachedValidity(), host::FOREVER);
  t->SetParam(kToonHighlightSize, 0, 0.1f);
  EXPECT_TRUE(t->CachedValidity().Empty());
  t->ParamBlock()->SetKey(kToonMainBrightness, 0, 1.0f);
  t->ParamBlock()->SetKey(kToonMainBrightness, 100, 2.0f);
  valid = host::FOREVER;
  t->Update(40, valid);
  EXPECT_EQ(valid, host::Interval(40, 40));
  // A gradient changing empties the cache too.
  t->Update(40, valid);
  t->GetGradient(1)->KeyInSlot(0)->SetColor(0, Color(1, 0, 0));
  EXPECT_TRUE(t->CachedValidity().Empty());
}

TEST(Toon, CloneIsIndependentButSharesTheObjectMaterial) {
  RefHolder h, hc, hm(new pwtest::FlatMtl());
  PwMtlToon* t = NewToon(h);
  auto* mtl = static_cast<pwtest::FlatMtl*>(hm.get());
  t->SetObjectMaterial(mtl);
  t->ApplyToonPreset(2);
  EXPECT_EQ(t->GetObjectMaterial(), nullptr) << "a preset starts from Reset";
  t->SetObjectMaterial(mtl);
  t->SetGBufferId(4);
  auto* c = dynamic_cast<PwMtlToon*>(t->Clone());
  ASSERT_NE(c, nullptr);
  hc.reset(c);
  EXPECT_EQ(c->GetObjectMaterial(), mtl);
  EXPECT_EQ(c->GetGBufferId(), 4);
  EXPECT_NE(c->ParamBlock(), t->ParamBlock());
  EXPECT_NE(c->GetGradient(0), t->GetGradient(0));
  ExpectPreset(c, kPresetRows[2]);
  c->SetParam(kToonShadowBrightness, 0, 0.9f);
  c->GetGradient(0)->SetSingleColour(Color(0, 0, 1));
  c->SetBandOn(1, false);
  EXPECT_FLOAT_EQ(t->GetParam(kToonShadowBrightness), 0.3f);
  EXPECT_EQ(GradientColour(t, 0), Color(0.5f, 0.5f, 0.5f));
  EXPECT_EQ(t->GetBand(1).on, 1);
}

TEST(Toon, SaveLoadRoundTrip) {
  pwtest::SurfaceRegistry();
  RefHolder h, back;
  PwMtlToon* t = NewToon(h);
  t->ApplyToonPreset(3);
  t->SetBand(2, ToonBand{0, 1, 1, 0, 1, 16});
  t->SetFurtherSwitch(1);
  t->SetOverallOpacityMapOn(true);
  t->SetSmoothBlending(false);
  t->SetLockBlending(false);
  t->SetBlending(1, 0, 0.04f);
  t->SetName("Renamed");
  t->GetGradient(1)->AddKey(new PwGradientColor(false, Color(0, 1, 0), 0.9f));
  t->ParamBlock()->SetKey(kToonOverallOpacity, 0, 1.0f);
  t->ParamBlock()->SetKey(kToonOverallOpacity, 100, 0.0f);
  auto* r = dynamic_cast<PwMtlToon*>(pwtest::RoundTrip(t, back));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->GetName(), "Renamed");
  for (int band = 0; band < 3; ++band) EXPECT_EQ(r->GetBand(band), t->GetBand(band)) << band;
  EXPECT_EQ(r->GetFurtherSwitch(), 1);
  EXPECT_TRUE(r->GetOverallOpacityMapOn());
  EXPECT_FALSE(r->GetSmoothBlending());
  EXPECT_FALSE(r->GetLockBlending());
  EXPECT_FLOAT_EQ(r->GetParam(kToonBlendingMainHighlight), 0.04f);
  EXPECT_FLOAT_EQ(r->GetParam(kToonBlendingShadowMain), 0.1f);
  EXPECT_FLOAT_EQ(r->GetParam(kToonOverallOpacity, 25), 0.75f);
  EXPECT_EQ(r->GetGradient(1)->KeyCount(), 2);
  EXPECT_EQ(GradientColour(r, 1, 1.0f), Color(0, 1, 0));
  EXPECT_TRUE(r->CachedValidity().Empty());
}

namespace {

// Writes the chunks of a Toon material by hand.
class HandWrittenToon : public host::ReferenceTarget {
 public:
  explicit HandWrittenToon(std::int32_t source) : source_(source) {}
  host::Class_ID ClassID() const override { return PW_MTL_TOON_CLASS_ID; }
  host::SClass_ID SuperClassID() const override { return host::MATERIAL_CLASS_ID; }
  host::IOResult Save(host::ISave* s) override {
    s->WriteChunk(kToonChunkVersion, kToonVersion);
    s->BeginChunk(kToonChunkBands);
    for (int band = 0; band < 3; ++band)
      for (std::int32_t v : {1, 0, 0, 0, 0, source_}) s->WriteValue(v);
    s->EndChunk();
    return host::IO_OK;
  }

 private:
  std::int32_t source_;
};

}  // namespace

TEST(Toon, LoadRepairsWhatTheFileLacksAndRefusesBadSources) {
  pwtest::SurfaceRegistry();
  {
    RefHolder old(new HandWrittenToon(4)), back;
    host::SceneSaveResult saved = host::SaveSceneToBytes(old.get());
    ASSERT_EQ(pwtest::LoadBytes(saved.bytes, back), "");
    auto* r = dynamic_cast<PwMtlToon*>(back.get());
    ASSERT_NE(r, nullptr);
    ASSERT_NE(r->ParamBlock(), nullptr);
    EXPECT_FLOAT_EQ(r->GetParam(kToonHighlightBrightness), 1.25f);
    EXPECT_EQ(r->GetBand(1).colorSource, 4);
    EXPECT_EQ(GradientColour(r, 1), Color(0.75f, 0.75f, 0.75f));
  }
  {
    RefHolder old(new HandWrittenToon(18)), back;
    host::SceneSaveResult saved = host::SaveSceneToBytes(old.get());
    const std::string error = pwtest::LoadBytes(saved.bytes, back);
    EXPECT_NE(error.find("colour source 18"), std::string::npos) << error;
  }
}

TEST(Toon, RequirementsIncludeTheWrappedMaterial) {
  RefHolder h;
  PwMtlToon* t = NewToon(h);
  struct NeedsTwoSides : pwtest::FlatMtl {
    std::uint32_t Requirements(int) override { return host::MTLREQ_2SIDE; }
  };
  EXPECT_EQ(t->Requirements(0) & host::MTLREQ_2SIDE, 0u);
  t->SetObjectMaterial(new NeedsTwoSides);
  EXPECT_NE(t->Requirements(0) & host::MTLREQ_2SIDE, 0u);
  // An own map that is switched on adds its map channel.
  t->SetColorMap(1, new pwtest::SolidMap);
  t->SetBand(1, ToonBand{1, 1, 1, 0, 0, 7});
  EXPECT_NE(t->Requirements(0) & host::MTLREQ_UV, 0u);
}
