#include <gtest/gtest.h>

#include <cmath>

#include "host/shading/mtl_std.h"
#include "shade_fixture.h"
#include "surfaces/cel_shader.h"
#include "surfaces_fixture.h"

using namespace host;
using pw::PwCelShader;
using pwtest::LightFrom;
using pwtest::TestContext;
using pwtest::TestLight;

namespace {

constexpr float kEps = 1e-4f;

void ExpectColor(const Color& got, const Color& want, const char* what = "") {
  EXPECT_NEAR(got.r, want.r, kEps) << what;
  EXPECT_NEAR(got.g, want.g, kEps) << what;
  EXPECT_NEAR(got.b, want.b, kEps) << what;
}

// A Standard material shading through a cel shader with distinct colours
// for the three bands.
struct CelMaterial {
  StdMat* mtl = new StdMat();
  RefHolder hold{mtl};
  PwCelShader* cel = new PwCelShader();
  static constexpr Color kShadow{0.1f, 0.2f, 0.3f};
  static constexpr Color kMain{0.4f, 0.5f, 0.6f};
  static constexpr Color kHighlight{0.9f, 0.8f, 0.7f};

  CelMaterial() {
    mtl->SetShader(cel);
    cel->SetAmbientClr(kShadow, 0);
    cel->SetDiffuseClr(kMain, 0);
    cel->SetSpecularClr(kHighlight, 0);
  }
  IParamBlock2* Block() { return cel->ParamBlock(); }
  // Shades a point whose normal makes the given intensity with one light from +z.
  Color ShadeAt(float intensity, TestContext* out = nullptr) {
    Interval valid = FOREVER;
    mtl->Update(0, valid);
    TestLight light = LightFrom({0, 0, 1});
    TestContext sc;
    const float c = std::clamp(intensity, -1.0f, 1.0f);
    sc.normal = Point3(std::sqrt(std::max(0.0f, 1.0f - c * c)), 0.0f, c);
    sc.AddLight(&light);
    mtl->Shade(sc);
    if (out) *out = sc;
    return sc.out.c;
  }
};

}  // namespace

TEST(CelShader, PlugsIntoTheStandardMaterialAndBandsFollowTheLight) {
  CelMaterial m;
  EXPECT_EQ(m.mtl->GetShader(), m.cel);
  EXPECT_EQ(m.mtl->GetDiffuse(), CelMaterial::kMain) << "the material's colours are the shader's";
  EXPECT_EQ(m.mtl->Requirements(0) & MTLREQ_PHONG, MTLREQ_PHONG);
  // Default bands 0.1, 0.8, 0.1.
  ExpectColor(m.ShadeAt(0.05f), CelMaterial::kShadow, "shadow");
  ExpectColor(m.ShadeAt(0.5f), CelMaterial::kMain, "main");
  ExpectColor(m.ShadeAt(0.95f), CelMaterial::kHighlight, "highlight");
  ExpectColor(m.ShadeAt(-0.5f), CelMaterial::kShadow, "facing away");
  ExpectColor(m.ShadeAt(0.1f), (CelMaterial::kShadow + CelMaterial::kMain) * 0.5f, "middle of the blend");
  // Brightness scales a band and the result is clamped.
  m.Block()->SetValue(pw::kCelHighlightBrightness, 0, 2.0f);
  ExpectColor(m.ShadeAt(0.95f), Color(1.0f, 1.0f, 1.0f), "bright highlight clamps");
  m.Block()->SetValue(pw::kCelMainBrightness, 0, 0.5f);
  ExpectColor(m.ShadeAt(0.5f), CelMaterial::kMain * 0.5f);
}

TEST(CelShader, IntensityFromSeveralLightsIsLimitedToOne) {
  CelMaterial m;
  Interval valid = FOREVER;
  m.mtl->Update(0, valid);
  // Two lights at 60 degrees give 0.5 each: 1 in all, the Highlight band.
  TestLight a = LightFrom({std::sqrt(3.0f), 0, 1}), b = LightFrom({-std::sqrt(3.0f), 0, 1});
  TestContext sc;
  sc.AddLight(&a);
  sc.AddLight(&b);
  m.mtl->Shade(sc);
  ExpectColor(sc.out.c, CelMaterial::kHighlight);
  // An ambient-only light counts in full whatever the normal.
  TestLight ambient = LightFrom({0, 0, -1}, Color(0.5f, 0.5f, 0.5f));
  ambient.ambientOnly = true;
  TestContext sc2;
  sc2.AddLight(&ambient);
  m.mtl->Shade(sc2);
  ExpectColor(sc2.out.c, CelMaterial::kMain, "0.5 from the ambient light");
}

TEST(CelShader, ShadowsDarkenOnlyWhereNoLightGetsThrough) {
  CelMaterial m;
  Interval valid = FOREVER;
  m.mtl->Update(0, valid);
  TestLight a = LightFrom({std::sqrt(3.0f), 0, 1}), b = LightFrom({-std::sqrt(3.0f), 0, 1});
  TestContext sc;
  sc.shadow = true;
  sc.AddLight(&a);
  sc.AddLight(&b);
  a.blocked = 1.0f;
  m.mtl->Shade(sc);
  ExpectColor(sc.out.c, CelMaterial::kHighlight, "one light still reaches the point");
  EXPECT_TRUE(sc.shadow) << "the caller's shadow switch is restored";

  // Both half blocked: each takes away half of white, u = 1 in all.
  a.blocked = b.blocked = 0.5f;
  m.mtl->Shade(sc);
  ExpectColor(sc.out.c, CelMaterial::kShadow, "two half shadows make a whole one");
  // One light, half blocked: half way from the band to the shadow colour.
  TestLight head = LightFrom({0, 0, 1});
  head.blocked = 0.5f;
  TestContext one;
  one.shadow = true;
  one.AddLight(&head);
  m.mtl->Shade(one);
  ExpectColor(one.out.c, CelMaterial::kHighlight + (CelMaterial::kShadow - CelMaterial::kHighlight) * 0.5f);
  sc.AddLight(&head);
  // Without shadows asked for, blocking changes nothing.
  sc.shadow = false;
  sc.lights.pop_back();
  sc.nLights = 2;
  m.mtl->Shade(sc);
  ExpectColor(sc.out.c, CelMaterial::kHighlight);
}

TEST(CelShader, TintingShadingAndDesaturate) {
  CelMaterial m;
  Interval valid = FOREVER;
  m.mtl->Update(0, valid);
  auto shade = [&](const Color& lightColour, float intensity) {
    valid = FOREVER;
    m.mtl->Update(0, valid);
    TestLight light = LightFrom({0, 0, 1}, lightColour);
    TestContext sc;
    sc.normal = Point3(std::sqrt(1.0f - intensity * intensity), 0.0f, intensity);
    sc.AddLight(&light);
    m.mtl->Shade(sc);
    return sc.out.c;
  };
  m.Block()->SetValue(pw::kCelLightColorTinting, 0, 1.0f);
  // A yellow light at full strength: the Main band (intensity 2/3) tinted.
  ExpectColor(shade(Color(1.0f, 1.0f, 0.0f), 1.0f), CelMaterial::kMain * Color(1, 1, 0), "tinted");
  m.Block()->SetValue(pw::kCelLightColorTinting, 0, 0.0f);
  m.Block()->SetValue(pw::kCelShading, 0, 1.0f);
  ExpectColor(shade(Color(1, 1, 1), 0.5f), CelMaterial::kMain * 0.5f, "shaded by the intensity");
  m.Block()->SetValue(pw::kCelShading, 0, 0.0f);
  m.Block()->SetValue(pw::kCelDesaturate, 0, 1.0f);
  ExpectColor(shade(Color(1, 1, 1), 0.5f), Color(0.5f, 0.5f, 0.5f), "grey");
}

TEST(CelShader, SelfIlluminationAndBandOpacity) {
  CelMaterial m;
  m.cel->SetSelfIllum(1.0f, 0);
  TestContext sc;
  m.ShadeAt(0.05f, &sc);
  ExpectColor(sc.out.c, CelMaterial::kMain, "fully self-illuminated: the Main colour, whatever the band");
  m.cel->SetSelfIllum(0.0f, 0);
  m.cel->SetSelfIllumClrOn(true);
  m.cel->SetSelfIllumClr(Color(0.1f, 0.0f, 0.0f), 0);
  m.ShadeAt(0.5f, &sc);
  ExpectColor(sc.out.c, CelMaterial::kMain + Color(0.1f, 0.0f, 0.0f), "a self-illumination colour adds");
  m.cel->SetSelfIllumClrOn(false);

  m.Block()->SetValue(pw::kCelMainOpacity, 0, 0.5f);
  m.ShadeAt(0.5f, &sc);
  ExpectColor(sc.out.c, CelMaterial::kMain * 0.5f, "premultiplied");
  ExpectColor(sc.out.t, Color(0.5f, 0.5f, 0.5f));
  EXPECT_FLOAT_EQ(m.cel->LastBandOpacity(), 0.5f);
  m.mtl->SetOpacity(0.5f, 0);
  m.ShadeAt(0.5f, &sc);
  ExpectColor(sc.out.t, Color(0.75f, 0.75f, 0.75f), "the material's opacity and the band's multiply");
}

TEST(CelShader, UpdateResolvesTheBlockOncePerChange) {
  PwCelShader cel;
  Interval valid = FOREVER;
  cel.Update(0, valid);
  EXPECT_TRUE(cel.CachedValidity().InInterval(0));
  EXPECT_TRUE(cel.Ramp().Segment(pw::kSegMainShadow).enabled);
  // Turning the Highlight off rebuilds the ramp on the next Update.
  cel.ParamBlock()->SetValue(pw::kCelHighlightOn, 0, false);
  EXPECT_FALSE(cel.CachedValidity().InInterval(0)) << "a change empties the cache";
  cel.Update(0, valid);
  EXPECT_FALSE(cel.Ramp().Segment(pw::kSegHighlight).enabled);
  EXPECT_NEAR(cel.Ramp().Segment(pw::kSegMain).end, 1.0f, 1e-6f) << "Main takes the highlight's share";
  // An animated size narrows the validity to the instant.
  cel.ParamBlock()->SetKey(pw::kCelShadowSize, 0, 0.1f);
  cel.ParamBlock()->SetKey(pw::kCelShadowSize, 4800, 0.5f);
  valid = FOREVER;
  cel.Update(2400, valid);
  EXPECT_FALSE(valid.InInterval(0));
  EXPECT_TRUE(valid.InInterval(2400));
}

TEST(CelShader, PresetsAndReset) {
  PwCelShader cel;
  cel.SetDiffuseClr(Color(0.2f, 0.6f, 0.4f), 0);
  cel.SetAmbientClr(Color(0, 0, 0), 0);
  cel.SetSpecularClr(Color(1, 1, 1), 0);
  IParamBlock2* pb = cel.ParamBlock();
  ASSERT_TRUE(cel.ApplyCelPreset(static_cast<int>(pw::CelPreset::Cartoon)));
  EXPECT_EQ(cel.GetAmbientClr(0), Color(0.2f, 0.6f, 0.4f)) << "Shadow takes the Main colour";
  EXPECT_EQ(cel.GetSpecularClr(0), Color(0.2f, 0.6f, 0.4f));
  EXPECT_FLOAT_EQ(pb->GetFloat(pw::kCelShadowSize), 0.25f);
  EXPECT_FLOAT_EQ(pb->GetFloat(pw::kCelHighlightBrightness), 1.25f);
  EXPECT_FLOAT_EQ(cel.GetGlossiness(0), 0.25f) << "the preset starts from a reset";

  cel.SetSpecularClr(Color(1, 0, 0), 0);
  ASSERT_TRUE(cel.ApplyCelPreset(static_cast<int>(pw::CelPreset::Cel)));
  EXPECT_EQ(cel.GetSpecularClr(0), Color(1, 0, 0)) << "Cel leaves the Highlight colour";
  EXPECT_EQ(pb->GetInt(pw::kCelHighlightOn), 0);
  EXPECT_FLOAT_EQ(pb->GetFloat(pw::kCelBlendingMainShadow), 0.01f);

  ASSERT_TRUE(cel.ApplyCelPreset(static_cast<int>(pw::CelPreset::Flat)));
  Interval valid = FOREVER;
  cel.Update(0, valid);
  EXPECT_EQ(cel.Ramp().Lookup(0.0f), (pw::BandWeights{0, 1, 0}));
  EXPECT_EQ(cel.Ramp().Lookup(1.0f), (pw::BandWeights{0, 1, 0}));
  EXPECT_FALSE(cel.ApplyCelPreset(4));

  cel.Reset();
  EXPECT_EQ(cel.GetAmbientClr(0), Color(0.1f, 0.1f, 0.1f));
  EXPECT_FALSE(cel.GetLockADTex());
  EXPECT_FLOAT_EQ(cel.GetSpecularLevel(0), 0.05f);
  cel.SetDiffuseClr(Color(2.0f, -1.0f, 0.5f), 0);
  EXPECT_EQ(cel.GetDiffuseClr(0), Color(1.0f, 0.0f, 0.5f)) << "the Main colour is clamped";
}

TEST(CelShader, ChannelsHighlightCurveAndSwitchingShaders) {
  PwCelShader cel;
  EXPECT_EQ(cel.GetTexChannelName(0), "Shadow");
  EXPECT_EQ(cel.GetTexChannelInternalName(6), "opacityMap");
  EXPECT_EQ(cel.ChannelType(4), MONO_CHANNEL);
  EXPECT_EQ(cel.StdIDToChannel(ID_SH), 4);
  EXPECT_EQ(cel.StdIDToChannel(ID_SS), 3);
  EXPECT_EQ(cel.StdIDToChannel(ID_BU), -1);
  // The curve peaks at the level and falls away on both sides.
  cel.SetSpecularLevel(0.8f, 0);
  cel.SetGlossiness(0.3f, 0);
  EXPECT_FLOAT_EQ(cel.EvalHiliteCurve(0.0f), 0.8f);
  EXPECT_LT(cel.EvalHiliteCurve(0.2f), cel.EvalHiliteCurve(0.1f));
  EXPECT_FLOAT_EQ(cel.EvalHiliteCurve(0.2f), cel.EvalHiliteCurve(-0.2f));
  EXPECT_EQ(cel.EvalHiliteCurve(0.75f), 0.0f);

  // A material that had Blinn hands its colours and locks to the cel shader.
  StdMat* mtl = new StdMat();
  RefHolder hold(mtl);
  mtl->SetDiffuse(Color(0.7f, 0.1f, 0.2f), 0);
  mtl->SetShinStr(0.4f, 0);
  mtl->SetLockADTex(true);
  auto* fresh = new PwCelShader();
  mtl->SetShader(fresh);
  EXPECT_EQ(fresh->GetDiffuseClr(0), Color(0.7f, 0.1f, 0.2f));
  EXPECT_FLOAT_EQ(fresh->GetSpecularLevel(0), 0.4f);
  EXPECT_TRUE(fresh->GetLockADTex());
}

TEST(CelShader, SaveLoadAndClone) {
  (void)pwtest::SurfaceRegistry();
  auto* mtl = new StdMat();
  RefHolder hold(mtl);
  auto* cel = new PwCelShader();
  mtl->SetShader(cel);
  cel->ApplyCelPreset(static_cast<int>(pw::CelPreset::Comic));
  cel->ParamBlock()->SetValue(pw::kCelDesaturate, 0, 0.3f);
  RefHolder loadedHold;
  auto* loaded = dynamic_cast<StdMat*>(pwtest::RoundTrip(mtl, loadedHold));
  ASSERT_NE(loaded, nullptr);
  auto* back = dynamic_cast<PwCelShader*>(loaded->GetShader());
  ASSERT_NE(back, nullptr);
  ASSERT_NE(back->ParamBlock(), nullptr);
  EXPECT_FLOAT_EQ(back->ParamBlock()->GetFloat(pw::kCelDesaturate), 0.3f);
  EXPECT_FLOAT_EQ(back->ParamBlock()->GetFloat(pw::kCelShadowBrightness), 0.3f);

  auto* copy = dynamic_cast<PwCelShader*>(cel->Clone());
  ASSERT_NE(copy, nullptr);
  RefHolder copyHold(copy);
  ASSERT_NE(copy->ParamBlock(), cel->ParamBlock());
  cel->ParamBlock()->SetValue(pw::kCelDesaturate, 0, 0.9f);
  EXPECT_FLOAT_EQ(copy->ParamBlock()->GetFloat(pw::kCelDesaturate), 0.3f);
}
