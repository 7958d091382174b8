#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "host/scene/light.h"
#include "host/scene/scene_model.h"
#include "scene_test_support.h"

using namespace host;

namespace {

constexpr float kEps = 1e-5f;

// A light node placed by `tm`, its descriptor updated for a camera at the
// world origin looking down -Z (camera space = world space).
struct LitScene {
  Scene scene;
  GenLight* light;
  INode* node;
  std::unique_ptr<ObjLightDesc> desc;

  explicit LitScene(int type, const Matrix3& tm = TransMatrix({0, 0, 10})) : light(new GenLight(type)) {
    node = scene.CreateNode("light", light);
    node->TMController().SetValue(tm);
  }
  ObjLightDesc& Desc() {
    desc = light->CreateLightDesc(node);
    EXPECT_EQ(desc->Update(0, RendContext(), nullptr, false, false), 1);
    desc->UpdateGlobalLightLevel(Color(1, 1, 1));
    desc->UpdateViewDepParams(Matrix3());
    return *desc;
  }
};

struct Lit {
  bool lit;
  Color color;
  Point3 dir;
  float dotNL;
};

Lit Illuminate(ObjLightDesc& desc, const Point3& p, const Point3& n) {
  scenetest::StubShadeContext sc;
  sc.p = p;
  Lit out{};
  float diffuse = 0;
  out.lit = desc.Illuminate(sc, n, out.color, out.dir, out.dotNL, diffuse);
  EXPECT_EQ(out.dotNL, diffuse);
  return out;
}

TEST(LightDesc, OmniLightsByTheCosineTowardsItsPosition) {
  LitScene s(OMNI_LGT);
  s.light->SetRGBColor(0, Color(1.0f, 0.5f, 0.25f));
  s.light->SetIntensity(0, 2.0f);
  ObjLightDesc& desc = s.Desc();
  EXPECT_EQ(desc.LightPosition(), Point3(0, 0, 10));

  const float c60 = std::cos(std::numbers::pi_v<float> / 3);
  struct Case {
    Point3 normal;
    bool lit;
    float dotNL;
  } cases[] = {
      {{0, 0, 1}, true, 1.0f},
      {{std::sin(std::numbers::pi_v<float> / 3), 0, c60}, true, c60},
      {{1, 0, 0}, false, 0.0f},   // grazing
      {{0, 0, -1}, false, -1.0f}, // facing away
  };
  for (const Case& c : cases) {
    const Lit lit = Illuminate(desc, {0, 0, 0}, c.normal);
    EXPECT_EQ(lit.lit, c.lit);
    EXPECT_NEAR(lit.dotNL, c.dotNL, kEps);
    EXPECT_EQ(lit.dir, Point3(0, 0, 1));
    EXPECT_EQ(lit.color, Color(2.0f, 1.0f, 0.5f));  // colour × multiplier, no attenuation
  }
  desc.UpdateGlobalLightLevel(Color(0.5f, 0.5f, 0.5f));
  EXPECT_EQ(Illuminate(desc, {}, {0, 0, 1}).color, Color(1.0f, 0.5f, 0.25f));

  s.light->SetUseLight(false);
  EXPECT_FALSE(Illuminate(s.Desc(), {}, {0, 0, 1}).lit);
}

TEST(LightDesc, SpotLightsInsideItsConeFadingFromHotspotToFalloff) {
  // Spot at (0, 0, 10) shining down -Z; hotspot 40 and falloff 60 degrees.
  LitScene s(SPOT_LGT);
  s.light->SetHotspot(0, 40.0f);
  s.light->SetFallsize(0, 60.0f);
  ObjLightDesc& desc = s.Desc();
  auto shareAt = [&](float degreesOff) {
    const float x = 10.0f * std::tan(degreesOff * std::numbers::pi_v<float> / 180.0f);
    const Lit lit = Illuminate(desc, {x, 0, 0}, Normalize(Point3(0, 0, 10) - Point3(x, 0, 0)));
    return lit.lit ? lit.color.r : 0.0f;
  };
  EXPECT_NEAR(shareAt(0), 1.0f, kEps);
  EXPECT_NEAR(shareAt(19.9f), 1.0f, kEps);
  EXPECT_NEAR(shareAt(30.1f), 0.0f, kEps);
  float previous = 1.0f;
  for (float a = 20.5f; a < 30.0f; a += 1.0f) {
    const float share = shareAt(a);
    EXPECT_GT(share, 0.0f) << a;
    EXPECT_LT(share, previous) << a;
    previous = share;
  }
  // Behind the light nothing is lit.
  EXPECT_FALSE(Illuminate(desc, {0, 0, 20}, {0, 0, -1}).lit);
  // Overshoot lights beyond the cone.
  s.light->SetOvershoot(true);
  EXPECT_TRUE(Illuminate(s.Desc(), {100, 0, 0}, Normalize(Point3(-100, 0, 10))).lit);
}

TEST(LightDesc, RectangularSpotIsWiderAcrossItsAspect) {
  LitScene s(SPOT_LGT);
  s.light->SetSpotShape(RECT_LIGHT);
  s.light->SetAspect(0, 4.0f);
  s.light->SetFallsize(0, 40.0f);
  s.light->SetHotspot(0, 40.0f);
  ObjLightDesc& desc = s.Desc();
  // Half-widths: tan(20°) × 10 × 2 across x, tan(20°) × 10 / 2 across y.
  const float t = 10.0f * std::tan(20.0f * std::numbers::pi_v<float> / 180.0f);
  EXPECT_TRUE(Illuminate(desc, {1.9f * t, 0, 0}, {0, 0, 1}).lit);
  EXPECT_FALSE(Illuminate(desc, {2.1f * t, 0, 0}, {0, 0, 1}).lit);
  EXPECT_TRUE(Illuminate(desc, {0, 0.45f * t, 0}, {0, 0, 1}).lit);
  EXPECT_FALSE(Illuminate(desc, {0, 0.55f * t, 0}, {0, 0, 1}).lit);
}

TEST(LightDesc, DirectionalLightHasOneDirectionEverywhere) {
  // Turned so its -Z points down and along +x: it shines from (-1, 0, 1).
  LitScene s(DIRECT_LGT, RotateYMatrix(-std::numbers::pi_v<float> / 4) * TransMatrix({0, 0, 50}));
  ObjLightDesc& desc = s.Desc();
  const Point3 expected = Normalize(Point3(-1, 0, 1));
  for (const Point3& p : {Point3(0, 0, 0), Point3(100, -40, 3), Point3(-7, 7, 60)}) {
    const Lit lit = Illuminate(desc, p, {0, 0, 1});
    EXPECT_TRUE(lit.lit);
    EXPECT_NEAR(lit.dir.x, expected.x, kEps);
    EXPECT_NEAR(lit.dir.z, expected.z, kEps);
    EXPECT_NEAR(lit.dotNL, expected.z, kEps);
  }
}

TEST(LightDesc, AmbientOnlyLightIsLitWhateverTheNormalAndScaleDoesNotStretchLights) {
  LitScene s(OMNI_LGT, ScaleMatrix({3, 3, 3}) * TransMatrix({0, 0, 10}));
  s.light->SetAmbientOnly(true);
  ObjLightDesc& desc = s.Desc();
  EXPECT_TRUE(desc.ambientOnly);
  const Lit lit = Illuminate(desc, {}, {0, 0, -1});
  EXPECT_TRUE(lit.lit);
  EXPECT_EQ(lit.color, Color(1, 1, 1));
  EXPECT_NEAR(desc.lightToWorld[0].Length(), 1.0f, kEps);
}

TEST(GenLight, StateClampsConesAndAspect) {
  GenLight light(SPOT_LGT);
  struct Case {
    float hot, fall, aspect;
    float wantHot, wantFall, wantAspect;
  } cases[] = {
      {20, 30, 1, 20, 30, 1},
      {50, 30, 2, 30, 30, 2},          // hotspot wider than falloff
      {-5, 200, 0, 0, 179.5f, 0.001f}, // out of range everywhere
  };
  for (const Case& c : cases) {
    light.SetHotspot(0, c.hot);
    light.SetFallsize(0, c.fall);
    light.SetAspect(0, c.aspect);
    LightState ls;
    Interval valid = FOREVER;
    ASSERT_TRUE(light.EvalLightState(0, valid, &ls));
    EXPECT_EQ(ls.type, SPOT_LGT);
    EXPECT_FLOAT_EQ(ls.hotsize, c.wantHot);
    EXPECT_FLOAT_EQ(ls.fallsize, c.wantFall);
    EXPECT_FLOAT_EQ(ls.aspect, c.wantAspect);
  }
  EXPECT_FALSE(light.SetType(3));
  EXPECT_EQ(light.Type(), SPOT_LGT);
}

}  // namespace
