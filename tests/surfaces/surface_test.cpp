#include <gtest/gtest.h>

#include "library/library_materials.h"
#include "library/object_library.h"
#include "plugin/class_ids.h"
#include "surfaces/surface.h"
#include "surfaces_fixture.h"
#include "test_materials.h"

using namespace pw;
using host::Color;
using host::RefHolder;

namespace {

PwSurface* NewSurface(RefHolder& holder) {
  auto* s = new PwSurface();
  holder.reset(s);
  return s;
}

}  // namespace

TEST(Surface, NewSurfaceIsAToonCartoon) {
  RefHolder h;
  PwSurface* s = NewSurface(h);
  EXPECT_EQ(s->GetClassName(), "Surface");
  EXPECT_EQ(s->ClassID(), PW_SURFACE_CLASS_ID);
  EXPECT_FALSE(s->IsDrawingTool());
  EXPECT_FALSE(s->CanPreviewAsLine());
  EXPECT_EQ(s->GetKind(), SurfaceKind::Toon);
  ASSERT_NE(s->GetToonMaterial(), nullptr);
  EXPECT_EQ(s->SubAnimName(0), "Toon");
  EXPECT_FLOAT_EQ(s->GetToonMaterial()->GetParam(kToonMainSize), 0.7f);
}

TEST(Surface, KindNames) {
  const char* names[] = {"None", "Matte", "MAX Material", "Toon"};
  for (int k = 0; k < kSurfaceKindCount; ++k) {
    EXPECT_EQ(SurfaceKindName(k), names[k]);
    EXPECT_FALSE(SurfaceKindDescription(k).empty());
  }
  EXPECT_EQ(SurfaceKindDescription(0), "The surface isn't rendered.");
  EXPECT_EQ(SurfaceKindName(4), "");
}

TEST(Surface, MaterialToShadeWith) {
  RefHolder h, m1, m2;
  PwSurface* s = NewSurface(h);
  auto* first = new pwtest::FlatMtl(Color(1, 0, 0));
  auto* second = new pwtest::FlatMtl(Color(0, 1, 0));
  m1.reset(first);
  m2.reset(second);
  // Toon: the Toon material, wrapping whichever object came last.
  EXPECT_EQ(s->GetSurfaceMaterial(first), s->GetToonMaterial());
  EXPECT_EQ(s->GetToonMaterial()->GetObjectMaterial(), first);
  EXPECT_EQ(s->GetSurfaceMaterial(second), s->GetToonMaterial());
  EXPECT_EQ(s->GetToonMaterial()->GetObjectMaterial(), second);
  // Every other kind: the object's own material, untouched.
  for (int kind : {0, 1, 2}) {
    ASSERT_TRUE(s->SetKind(kind));
    EXPECT_EQ(s->GetSurfaceMaterial(first), first) << kind;
  }
  EXPECT_EQ(s->GetToonMaterial()->GetObjectMaterial(), second);
  EXPECT_FALSE(s->SetKind(4));
  EXPECT_EQ(s->GetKind(), SurfaceKind::MaxMaterial);
}

TEST(Surface, ChangingKindKeepsTheToonSettings) {
  RefHolder h;
  PwSurface* s = NewSurface(h);
  PwMtlToon* toon = s->GetToonMaterial();
  toon->ApplyToonPreset(2);
  s->SetKind(1);
  s->SetKind(3);
  EXPECT_EQ(s->GetToonMaterial(), toon);
  EXPECT_FLOAT_EQ(toon->GetParam(kToonShadowBrightness), 0.3f);
}

TEST(Surface, ResetLeavesTheSceneMaterialAlone) {
  RefHolder h, hm;
  PwSurface* s = NewSurface(h);
  auto* mtl = new pwtest::FlatMtl();
  hm.reset(mtl);
  mtl->Block()->SetKey(0, 0, 1.0f);
  mtl->Block()->SetKey(0, 100, 2.0f);
  s->SetKind(0);
  s->GetToonMaterial()->ApplyToonPreset(0);
  s->SetKind(3);
  s->GetSurfaceMaterial(mtl);
  EXPECT_FALSE(s->IsAnimated()) << "the object's animation is not the surface's";
  s->GetToonMaterial()->ParamBlock()->SetKey(kToonMainOpacity, 0, 1.0f);
  EXPECT_TRUE(s->IsAnimated());
  s->ResetToDefaults(true);
  EXPECT_TRUE(mtl->Block()->IsAnimated(0));
  EXPECT_FALSE(s->IsAnimated());
  EXPECT_EQ(s->GetKind(), SurfaceKind::Toon);
  EXPECT_EQ(s->GetToonMaterial()->BandsOn(), 3);
  EXPECT_EQ(s->GetToonMaterial()->GetObjectMaterial(), nullptr);
}

TEST(Surface, CloneCopiesTheToonMaterial) {
  RefHolder h, hc;
  PwSurface* s = NewSurface(h);
  s->SetName("Inked");
  s->SetKind(1);
  s->GetToonMaterial()->ApplyToonPreset(3);
  auto* c = dynamic_cast<PwSurface*>(s->Clone());
  ASSERT_NE(c, nullptr);
  hc.reset(c);
  EXPECT_EQ(c->GetName(), "Inked");
  EXPECT_EQ(c->GetKind(), SurfaceKind::Matte);
  ASSERT_NE(c->GetToonMaterial(), nullptr);
  EXPECT_NE(c->GetToonMaterial(), s->GetToonMaterial());
  EXPECT_FLOAT_EQ(c->GetToonMaterial()->GetParam(kToonBlendingShadowMain), 0.1f);
  c->GetToonMaterial()->SetParam(kToonMainSize, 0, 0.3f);
  c->SetKind(2);
  EXPECT_FLOAT_EQ(s->GetToonMaterial()->GetParam(kToonMainSize), 0.75f);
  EXPECT_EQ(s->GetKind(), SurfaceKind::Matte);
}

TEST(Surface, SaveLoadRoundTrip) {
  pwtest::SurfaceRegistry();
  RefHolder h, back;
  PwSurface* s = NewSurface(h);
  s->SetName("Comic, matte for now");
  s->SetKind(1);
  s->GetToonMaterial()->ApplyToonPreset(2);
  auto* r = dynamic_cast<PwSurface*>(pwtest::RoundTrip(s, back));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->GetName(), "Comic, matte for now");
  EXPECT_EQ(r->GetKind(), SurfaceKind::Matte);
  ASSERT_NE(r->GetToonMaterial(), nullptr);
  EXPECT_FLOAT_EQ(r->GetToonMaterial()->GetParam(kToonHighlightBrightness), 1.5f);
}

namespace {

// A surface as a damaged or hand-made file holds it: no Toon material, a kind.
class BareSurface : public host::ReferenceTarget {
 public:
  explicit BareSurface(std::int32_t kind) : kind_(kind) {}
  host::Class_ID ClassID() const override { return PW_SURFACE_CLASS_ID; }
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  host::IOResult Save(host::ISave* s) override {
    s->WriteChunk(PW_OBJECT_CHUNK_VERSION, PW_OBJECT_VERSION);
    s->WriteChunk(kSurfaceChunkVersion, kSurfaceVersion);
    return s->WriteChunk(kSurfaceChunkKind, kind_);
  }

 private:
  std::int32_t kind_;
};

}  // namespace

TEST(Surface, LoadWithoutToonMaterialOrWithABadKind) {
  pwtest::SurfaceRegistry();
  {
    RefHolder old(new BareSurface(2)), back;
    host::SceneSaveResult saved = host::SaveSceneToBytes(old.get());
    ASSERT_EQ(pwtest::LoadBytes(saved.bytes, back), "");
    auto* r = dynamic_cast<PwSurface*>(back.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetKind(), SurfaceKind::MaxMaterial);
    ASSERT_NE(r->GetToonMaterial(), nullptr);
  }
  {
    RefHolder old(new BareSurface(7)), back;
    host::SceneSaveResult saved = host::SaveSceneToBytes(old.get());
    const std::string error = pwtest::LoadBytes(saved.bytes, back);
    EXPECT_NE(error.find("kind 7"), std::string::npos) << error;
  }
}

TEST(SurfacePresets, DefaultsAndPresetsOfALibrary) {
  pwtest::SurfaceRegistry();
  ASSERT_TRUE(RegisterLibraryClasses());
  RefHolder h(PwObjectLibrary::Create(false));
  auto* lib = static_cast<PwObjectLibrary*>(h.get());
  auto surface = [&](int origin, int number) {
    return dynamic_cast<PwSurface*>(lib->Get(lib->Find(origin, number)));
  };
  PwSurface* def = surface(PW_ORIGIN_DEFAULT, PW_DEFAULT_SURFACE);
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->GetKind(), SurfaceKind::Toon);
  EXPECT_EQ(def->GetToonMaterial()->BandsOn(), 3);

  struct Row {
    const char* name;
    SurfaceKind kind;
    int bandsOn;        // Toon preset shows in how many bands are on
    float mainSize;
    float shadowBrightness;
    float shading;
  } rows[] = {
      {"Matte", SurfaceKind::Matte, 3, 0.7f, 0.75f, 0},
      {"Max Material", SurfaceKind::MaxMaterial, 3, 0.7f, 0.75f, 0},
      {"Flat", SurfaceKind::Toon, 1, 1.0f, 1.0f, 0},
      {"Cartoon", SurfaceKind::Toon, 3, 0.7f, 0.75f, 0},
      {"Comic", SurfaceKind::Toon, 3, 0.7f, 0.3f, 0},
      {"Cel", SurfaceKind::Toon, 2, 0.75f, 0.75f, 0},
      {"Flat (Smooth Shaded)", SurfaceKind::Toon, 1, 1.0f, 1.0f, 1.0f},
  };
  for (int i = 0; i < kSurfacePresetCount; ++i) {
    PwSurface* s = surface(PW_ORIGIN_PRESET, PresetNumber(PW_PRESET_GROUP_SURFACE, i));
    ASSERT_NE(s, nullptr) << i;
    const Row& r = rows[i];
    EXPECT_EQ(s->GetName(), r.name);
    EXPECT_EQ(s->GetKind(), r.kind) << r.name;
    PwMtlToon* t = s->GetToonMaterial();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->BandsOn(), r.bandsOn) << r.name;
    EXPECT_FLOAT_EQ(t->GetParam(kToonMainSize), r.mainSize) << r.name;
    EXPECT_FLOAT_EQ(t->GetParam(kToonShadowBrightness), r.shadowBrightness) << r.name;
    EXPECT_FLOAT_EQ(t->GetParam(kToonLightsIntensityShading), r.shading) << r.name;
  }
  // The library's surfaces survive a save and load with their presets.
  RefHolder back;
  auto* loaded = dynamic_cast<PwObjectLibrary*>(pwtest::RoundTrip(lib, back));
  ASSERT_NE(loaded, nullptr);
  auto* smooth = dynamic_cast<PwSurface*>(loaded->Get(loaded->Find(PW_ORIGIN_PRESET, 306)));
  ASSERT_NE(smooth, nullptr);
  EXPECT_FLOAT_EQ(smooth->GetToonMaterial()->GetParam(kToonLightsIntensityShading), 1.0f);
}
