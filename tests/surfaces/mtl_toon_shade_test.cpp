#include <gtest/gtest.h>

#include <cmath>

#include "host/shading/mtl_multi.h"
#include "host/shading/mtl_std.h"
#include "shade_fixture.h"
#include "surfaces/mtl_toon.h"
#include "test_materials.h"

using namespace host;
using namespace pw;
using pwtest::LightFrom;
using pwtest::TestContext;
using pwtest::TestLight;

namespace {

constexpr float kEps = 1e-4f;

void ExpectColor(const Color& got, const Color& want, const std::string& what = "") {
  EXPECT_NEAR(got.r, want.r, kEps) << what;
  EXPECT_NEAR(got.g, want.g, kEps) << what;
  EXPECT_NEAR(got.b, want.b, kEps) << what;
}

// A map of one premultiplied colour.
class ConstMap : public Texmap {
 public:
  explicit ConstMap(AColor c) : c_(c) {}
  Class_ID ClassID() const override { return {0x7E570003, 0x00000001}; }
  std::string GetClassName() const override { return "ConstMap"; }
  AColor EvalColor(ShadeContext&) override { return c_; }

 private:
  AColor c_;
};

Color Min1(const Color& c) { return {std::min(c.r, 1.0f), std::min(c.g, 1.0f), std::min(c.b, 1.0f)}; }

// A Toon material wrapping a Standard material, shaded at a chosen light
// intensity by one white light.
struct Toon {
  PwMtlToon* toon = new PwMtlToon();
  RefHolder hold{toon};
  StdMat* object = new StdMat();
  RefHolder holdObject{object};
  static constexpr Color kAmbient{0.1f, 0.2f, 0.3f};
  static constexpr Color kDiffuse{0.4f, 0.5f, 0.6f};
  static constexpr Color kSpecular{0.7f, 0.8f, 0.9f};

  Toon() {
    object->SetAmbient(kAmbient, 0);
    object->SetDiffuse(kDiffuse, 0);
    object->SetSpecular(kSpecular, 0);
    toon->SetObjectMaterial(object);
  }
  TestContext At(float intensity) {
    TestContext sc;
    sc.normal = Point3(std::sqrt(std::max(0.0f, 1.0f - intensity * intensity)), 0.0f, intensity);
    return sc;
  }
  Color Shade(float intensity, TestContext* out = nullptr) {
    Interval valid = FOREVER;
    toon->Update(0, valid);
    TestLight light = LightFrom({0, 0, 1});
    TestContext sc = At(intensity);
    sc.AddLight(&light);
    toon->Shade(sc);
    if (out) {
      *out = sc;
      out->lights.clear();
      out->nLights = 0;
    }
    return sc.out.c;
  }
};

}  // namespace

TEST(ToonShade, WithoutAUsableObjectMaterialItIsBlackAndOpaque) {
  Toon t;
  TestContext sc;
  t.toon->SetObjectMaterial(nullptr);
  ExpectColor(t.Shade(0.5f, &sc), Color());
  ExpectColor(sc.out.t, Color());
  auto* other = new PwMtlToon();
  RefHolder h(other);
  t.toon->SetObjectMaterial(other);  // no Toon inside a Toon
  ExpectColor(t.Shade(0.5f, &sc), Color());
  ExpectColor(sc.out.t, Color());
  t.toon->SetObjectMaterial(t.object);
  ExpectColor(t.Shade(0.5f), Toon::kDiffuse);
}

TEST(ToonShade, CartoonBandsWithTheirBrightness) {
  Toon t;  // the reset state is the Cartoon preset: 0.25, 0.7, 0.05
  ExpectColor(t.Shade(0.1f), Toon::kDiffuse * 0.75f, "shadow");
  ExpectColor(t.Shade(0.5f), Toon::kDiffuse, "main, unmixed");
  ExpectColor(t.Shade(0.99f), Min1(Toon::kDiffuse * 1.25f), "highlight");
  ExpectColor(t.Shade(0.25f), (Toon::kDiffuse * 0.75f + Toon::kDiffuse) * 0.5f, "blend midpoint");
  // Brightness clamps at white; 0.75 on grey 0.5 gives 0.375.
  for (int band = 0; band < 3; ++band) ASSERT_TRUE(t.toon->SetBandColorSource(band, band));
  t.toon->GetGradient(2)->SetSingleColour(Color(1, 1, 1));
  ExpectColor(t.Shade(0.99f), Color(1, 1, 1));
  ExpectColor(t.Shade(0.1f), Color(0.375f, 0.375f, 0.375f));
}

TEST(ToonShade, BrighterLightNeverGivesADarkerBand) {
  for (int preset = 0; preset < kToonPresetCount; ++preset) {
    Toon t;
    ASSERT_TRUE(t.toon->ApplyToonPreset(preset));
    t.toon->SetObjectMaterial(t.object);
    float prev = -1.0f;
    for (int k = 0; k <= 200; ++k) {
      const float x = static_cast<float>(k) / 200.0f;
      const float lum = Intens(t.Shade(x));
      ASSERT_GE(lum, prev - 1e-6f) << "preset " << preset << " at " << x;
      prev = lum;
    }
  }
}

TEST(ToonShade, EveryColourSource) {
  Toon t;
  for (int band = 0; band < 3; ++band) t.toon->SetParam(ToonBandParam(band, kToonBandBrightness), 0, 1.0f);
  // One map in each of the Standard material's slots, told apart by red.
  auto mapColour = [](int id) { return AColor(0.01f * static_cast<float>(id + 1), 0.0f, 0.0f, 0.5f); };
  for (int id = ID_AM; id <= ID_RR; ++id) t.object->SetSubTexmap(id, new ConstMap(mapColour(id)));
  auto over = [&](const Color& base, int id) {
    const AColor m = mapColour(id);
    return base * (1.0f - m.a) + Color(m.r, m.g, m.b);
  };
  t.toon->GetGradient(0)->SetSingleColour(Color(0.3f, 0.0f, 0.0f));
  t.toon->GetGradient(1)->SetSingleColour(Color(0.0f, 0.3f, 0.0f));
  t.toon->GetGradient(2)->SetSingleColour(Color(0.0f, 0.0f, 0.3f));
  t.object->SetLockADTex(false);
  const Color want[kToonColorSourceCount - 1] = {
      {0.3f, 0.0f, 0.0f}, {0.0f, 0.3f, 0.0f}, {0.0f, 0.0f, 0.3f},
      Toon::kAmbient, Toon::kDiffuse, Toon::kSpecular,
      over(Toon::kAmbient, ID_AM), over(Toon::kDiffuse, ID_DI), over(Toon::kSpecular, ID_SP),
      over(Toon::kDiffuse, ID_SH), over(Toon::kDiffuse, ID_SS), over(Toon::kDiffuse, ID_SI),
      over(Toon::kDiffuse, ID_OP), over(Toon::kDiffuse, ID_FI), over(Toon::kDiffuse, ID_BU),
      over(Toon::kDiffuse, ID_RL), over(Toon::kDiffuse, ID_RR),
  };
  for (int source = 0; source < kToonColorSourceCount - 1; ++source) {
    ASSERT_TRUE(t.toon->SetBandColorSource(1, source));
    ExpectColor(t.Shade(0.5f), want[source], "source " + std::to_string(source));
  }
  // The ambient source takes the diffuse map while the texture lock is on.
  t.object->SetLockADTex(true);
  t.toon->SetBandColorSource(1, static_cast<int>(ToonColorSource::ObjectAmbient));
  ExpectColor(t.Shade(0.5f), over(Toon::kAmbient, ID_DI), "locked ambient");
  // A map switched off, or maps off for the render, leave the colour alone.
  t.toon->SetBandColorSource(1, static_cast<int>(ToonColorSource::ObjectSpecular));
  t.object->EnableMap(ID_SP, false);
  ExpectColor(t.Shade(0.5f), Toon::kSpecular, "map off");

  // The object material shaded in full, at the same point with the same light.
  t.toon->SetBandColorSource(1, static_cast<int>(ToonColorSource::ObjectMaterialShaded));
  const Color got = t.Shade(0.5f);
  TestLight light = LightFrom({0, 0, 1});
  TestContext sc = t.At(0.5f);
  sc.AddLight(&light);
  t.object->Shade(sc);
  ExpectColor(got, sc.out.c, "shaded");
}

TEST(ToonShade, GradientsAreReadAtThePositionWithinTheBand) {
  Toon t;
  PwGradient* g = t.toon->GetGradient(1);
  g->SetSingleColour(Color(0, 0, 0));
  g->KeyInSlot(0)->SetPosition(0, 0.0f);
  ASSERT_GE(g->AddKey(new PwGradientColor(false, Color(1, 1, 1), 1.0f)), 0);
  t.toon->SetBandColorSource(1, static_cast<int>(ToonColorSource::MainGradient));
  // Main spans 0.25 .. 0.95: 0.6 is halfway.
  ExpectColor(t.Shade(0.6f), Color(0.5f, 0.5f, 0.5f));
  ExpectColor(t.Shade(0.3f), Color(0.05f / 0.7f, 0.05f / 0.7f, 0.05f / 0.7f));
}

TEST(ToonShade, SubMaterialsByMaterialId) {
  Toon t;
  auto* multi = new MultiMtl();
  RefHolder h(multi);
  multi->AddSubMtl(new pwtest::FlatMtl(Color(1, 0, 0)), "red");
  multi->AddSubMtl(new pwtest::FlatMtl(Color(0, 1, 0)), "green");
  t.toon->SetObjectMaterial(multi);
  Interval valid = FOREVER;
  t.toon->Update(0, valid);
  TestLight light = LightFrom({0, 0, 1});
  for (int id : {0, 1, 2, 3}) {
    TestContext sc = t.At(0.5f);
    sc.AddLight(&light);
    sc.mtlNum = id;
    t.toon->Shade(sc);
    ExpectColor(sc.out.c, id % 2 ? Color(0, 1, 0) : Color(1, 0, 0), "id " + std::to_string(id));
  }
}

TEST(ToonShade, OpacityColourMapsTintingAndShading) {
  Toon t;
  TestContext sc;
  t.toon->SetParam(kToonMainOpacity, 0, 0.5f);
  t.toon->SetParam(kToonOverallOpacity, 0, 0.5f);
  ExpectColor(t.Shade(0.5f, &sc), Toon::kDiffuse * 0.25f, "premultiplied by band × overall");
  ExpectColor(sc.out.t, Color(0.75f, 0.75f, 0.75f));
  t.toon->SetParam(kToonMainOpacity, 0, 1.0f);
  t.toon->SetParam(kToonOverallOpacity, 0, 1.0f);

  // The band's own opacity map (mono 0.2) at amount 0.5.
  t.toon->SetOpacityMap(1, new ConstMap(AColor(0.2f, 0.2f, 0.2f, 1.0f)));
  ToonBand b = t.toon->GetBand(1);
  b.opacityMapOn = 1;
  b.useOwnOpacityMap = 1;
  t.toon->SetBand(1, b);
  t.toon->SetParam(kToonMainOpacityMapAmount, 0, 0.5f);
  t.Shade(0.5f, &sc);
  ExpectColor(sc.out.t, Color(0.4f, 0.4f, 0.4f));
  b.opacityMapOn = 0;

  // Its own colour map at amount 0.5 over the diffuse colour.
  t.toon->SetColorMap(1, new ConstMap(AColor(0.2f, 0.0f, 0.0f, 0.5f)));
  b.colorMapOn = 1;
  b.useOwnColorMap = 1;
  t.toon->SetBand(1, b);
  t.toon->SetParam(kToonMainColorMapAmount, 0, 0.5f);
  ExpectColor(t.Shade(0.5f), Toon::kDiffuse * 0.75f + Color(0.1f, 0.0f, 0.0f), "own colour map");
  // Without its own map it takes the object's diffuse map.
  t.object->SetSubTexmap(ID_DI, new ConstMap(AColor(0.0f, 0.4f, 0.0f, 1.0f)));
  b.useOwnColorMap = 0;
  b.colorSource = static_cast<int>(ToonColorSource::ObjectDiffuseSolid);
  t.toon->SetBand(1, b);
  ExpectColor(t.Shade(0.5f), Toon::kDiffuse * 0.5f + Color(0.0f, 0.2f, 0.0f), "object's map");
  b.colorMapOn = 0;
  t.toon->SetBand(1, b);

  // Tinting by a yellow light, shading by the intensity.
  t.toon->SetParam(kToonLightsColorTinting, 0, 1.0f);
  Interval valid = FOREVER;
  t.toon->Update(0, valid);
  TestLight yellow = LightFrom({0, 0, 1}, Color(1, 1, 0));
  TestContext lit = t.At(0.5f);
  lit.AddLight(&yellow);
  t.toon->Shade(lit);
  ExpectColor(lit.out.c, Toon::kDiffuse * Color(1, 1, 0), "tinted");
  t.toon->SetParam(kToonLightsColorTinting, 0, 0.0f);
  t.toon->SetParam(kToonLightsIntensityShading, 0, 1.0f);
  ExpectColor(t.Shade(0.5f), Toon::kDiffuse * 0.5f, "shaded");
}

TEST(ToonShade, MaterialEditorAndGBuffer) {
  Toon t;
  t.toon->SetGBufferId(7);
  TestContext sc;
  t.Shade(0.5f, &sc);
  EXPECT_EQ(sc.out.gbufId, 7);
  Interval valid = FOREVER;
  t.toon->Update(0, valid);
  TestContext editor = t.At(0.5f);
  editor.inMtlEditor = true;
  t.toon->Shade(editor);
  ExpectColor(editor.out.c, Color());
  EXPECT_EQ(editor.out.gbufId, 0);
}
