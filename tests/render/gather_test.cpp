// Gathering instances and lights from a scene tree.
#include "render/gather.h"

#include <gtest/gtest.h>

#include "host/shading/mtl_std.h"
#include "render/def_light_desc.h"
#include "scene_fixture.h"

namespace {

using host::Box3;
using host::INode;

const Box3 kUnit({-1, -1, -1}, {1, 1, 1});

// Materials made for nodes without one: counts the live ones and records
// the colour asked for.
struct StandinLog {
  static inline int live = 0;
  static inline host::Color lastColour;
};

class CountedMtl : public host::StdMat {
 public:
  CountedMtl() { ++StandinLog::live; }
  ~CountedMtl() override { --StandinLog::live; }
};

host::Mtl* makeCountedStandin(const host::Color& c) {
  StandinLog::lastColour = c;
  auto* m = new CountedMtl();
  m->SetDiffuse(c, 0);
  return m;
}

std::vector<std::string> names(const std::vector<std::unique_ptr<pw::PwRenderInstance>>& instances) {
  std::vector<std::string> r;
  for (const auto& inst : instances) r.push_back(inst->node->GetName());
  return r;
}

struct TestScene {
  host::Scene scene;
  INode *a, *a1, *a2, *b, *c, *e, *f, *g;

  TestScene() {
    a = pwtest::addBox(scene, "A", kUnit);
    a1 = pwtest::addBox(scene, "A1", kUnit, a);
    a2 = pwtest::addLight(scene, "A2 light", host::OMNI_LGT, true, a);
    b = pwtest::addBox(scene, "B hidden", kUnit);
    b->Hide(true);
    c = pwtest::addBox(scene, "C not renderable", kUnit);
    c->SetRenderable(false);
    scene.CreateNode("D camera", new host::GenCamera());
    e = pwtest::addBox(scene, "E", kUnit);
    e->SetWireColorRGB({1.0f, 0.0f, 0.0f});
    f = pwtest::addLight(scene, "F light off", host::SPOT_LGT, false);
    g = scene.CreateNode("G helper", new host::DummyObject());
    INode* deep = pwtest::addBox(scene, "Deep", kUnit, a1);
    (void)deep;
    a->SetMtl(new host::StdMat());
    a1->SetMtl(new host::StdMat());
  }
};

TEST(Gather, ChildrenComeBeforeTheirParentAndNonSurfacesAreLeftOut) {
  TestScene s;
  struct Case {
    const char* what;
    bool renderHidden;
    bool selectedOnly;
    std::vector<std::string> expected;
  };
  s.a->Select(true);
  s.b->Select(true);
  s.e->Select(true);
  const Case cases[] = {
      {"default", false, false, {"Deep", "A1", "A", "E"}},
      {"render hidden", true, false, {"Deep", "A1", "A", "B hidden", "E"}},
      {"selected only", false, true, {"A", "E"}},
      {"selected and hidden", true, true, {"A", "B hidden", "E"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pw::PwGatherOptions options;
    options.renderHidden = c.renderHidden;
    options.selectedOnly = c.selectedOnly;
    std::vector<std::unique_ptr<pw::PwRenderInstance>> instances;
    ASSERT_TRUE(pw::gatherObjects(s.scene.Root(), options, instances));
    EXPECT_EQ(names(instances), c.expected);
    for (std::size_t i = 0; i < instances.size(); ++i) {
      EXPECT_EQ(instances[i]->index, static_cast<std::int16_t>(i));
      EXPECT_EQ(instances[i]->depthKey, pw::kNoDepthKey);
      EXPECT_TRUE(instances[i]->visible);
      EXPECT_FALSE(instances[i]->whollyInside);
      EXPECT_EQ(instances[i]->workFlags, 0u);
    }
  }
}

TEST(Gather, NodeWithoutMaterialGetsAStandinOfItsWireColourThatDiesWithTheInstance) {
  TestScene s;
  StandinLog::live = 0;
  pw::PwGatherOptions options;
  options.makeStandin = makeCountedStandin;
  {
    std::vector<std::unique_ptr<pw::PwRenderInstance>> instances;
    ASSERT_TRUE(pw::gatherObjects(s.scene.Root(), options, instances));
    ASSERT_EQ(instances.size(), 4u);
    EXPECT_EQ(instances[2]->material(), s.a->GetMtl());
    EXPECT_FALSE(instances[2]->ownsMaterial());
    pw::PwRenderInstance& e = *instances[3];
    ASSERT_NE(e.material(), nullptr);
    EXPECT_TRUE(e.ownsMaterial());
    EXPECT_EQ(e.material()->GetDiffuse(), host::Color(1, 0, 0));
    EXPECT_EQ(StandinLog::lastColour, host::Color(1, 0, 0));
    EXPECT_EQ(StandinLog::live, 2);  // "Deep" has no material either

    // Replacing the stand-in lets it go at once.
    e.setMaterial(s.a->GetMtl());
    EXPECT_EQ(StandinLog::live, 1);
  }
  EXPECT_EQ(StandinLog::live, 0);
}

TEST(Gather, MoreObjectsThanIndicesIsRefusedKeepingTheFirst) {
  host::Scene scene;
  auto* shared = new host::TriObject(pwtest::boxHostMesh(kUnit));
  for (int i = 0; i <= pw::kMaxInstances; ++i) scene.CreateNode("n", shared);
  std::vector<std::unique_ptr<pw::PwRenderInstance>> instances;
  EXPECT_FALSE(pw::gatherObjects(scene.Root(), pw::PwGatherOptions(), instances));
  ASSERT_EQ(instances.size(), static_cast<std::size_t>(pw::kMaxInstances));
  EXPECT_EQ(instances.back()->index, pw::kMaxInstances - 1);
}

TEST(Gather, LightsThatAreOnInTreeOrder) {
  TestScene s;
  INode* second = pwtest::addLight(s.scene, "Z light", host::DIRECT_LGT);
  pw::PwLightList lights;
  host::DefaultLight defaults[2];
  pw::gatherLights(s.scene.Root(), defaults, 2, pw::PwGatherOptions(), lights);
  ASSERT_EQ(lights.entries.size(), 2u);
  EXPECT_EQ(lights.entries[0].node, s.a2);
  EXPECT_EQ(lights.entries[1].node, second);
  for (const auto& entry : lights.entries) ASSERT_NE(entry.desc, nullptr);
  EXPECT_FALSE(lights.usingDefaultLights);
}

TEST(Gather, DefaultLightsStandInOnlyWhenTheSceneHasNone) {
  host::Scene scene;
  pwtest::addBox(scene, "box", kUnit);
  pwtest::addLight(scene, "off", host::OMNI_LGT, false);
  host::DefaultLight defaults[3];
  defaults[1].tm = host::TransMatrix({0, 10, 0});
  defaults[2].tm = host::kCameraAttachedLightTM;

  struct Case {
    const char* what;
    int count;
    bool vectorMode;
    bool surfacesOn;
    std::size_t expected;
  };
  const Case cases[] = {
      {"none given", 0, false, true, 0},
      {"three given", 3, false, true, 3},
      {"vector mode with surfaces", 3, true, true, 3},
      {"vector mode without surfaces", 3, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pw::PwGatherOptions options;
    options.vectorMode = c.vectorMode;
    options.surfacesOn = c.surfacesOn;
    pw::PwLightList lights;
    pw::gatherLights(scene.Root(), c.count ? defaults : nullptr, c.count, options, lights);
    ASSERT_EQ(lights.entries.size(), c.expected);
    EXPECT_EQ(lights.usingDefaultLights, c.expected > 0);
    for (const auto& entry : lights.entries) {
      EXPECT_EQ(entry.node, nullptr);
      EXPECT_NE(dynamic_cast<pw::PwDefLightDesc*>(entry.desc.get()), nullptr);
    }
  }
}

TEST(Gather, OptionsFromTheRenderSettings) {
  pw::PwPenwrightRenderParams params;
  params.renderHidden = true;
  params.rendType = host::RENDTYPE_SELECT;
  params.renderMode = static_cast<int>(pw::PwRenderMode::Vector);
  params.surfacesOn = false;
  pw::PwGatherOptions o = pw::gatherOptions(params);
  EXPECT_TRUE(o.renderHidden);
  EXPECT_TRUE(o.selectedOnly);
  EXPECT_TRUE(o.vectorMode);
  EXPECT_FALSE(o.surfacesOn);
  params.rendType = host::RENDTYPE_BLOWUP;
  EXPECT_FALSE(pw::gatherOptions(params).selectedOnly);
}

// Default lights: a light riding with the camera stays at the eye; a fixed
// one sits where its transform puts it, seen from the camera.
TEST(DefLightDesc, PositionFollowsTheCameraOrTheWorld) {
  host::Matrix3 worldToCam = host::TransMatrix({0, 0, -10});
  host::DefaultLight attached;
  attached.tm = host::kCameraAttachedLightTM;
  pw::PwDefLightDesc a(attached);
  a.UpdateViewDepParams(worldToCam);
  EXPECT_TRUE(a.cameraAttached());
  EXPECT_EQ(a.LightPosition(), host::Point3(0, 0, 0));

  host::DefaultLight fixed;
  fixed.tm = host::TransMatrix({0, 5, 0});
  pw::PwDefLightDesc b(fixed);
  b.UpdateViewDepParams(worldToCam);
  EXPECT_FALSE(b.cameraAttached());
  EXPECT_EQ(b.LightPosition(), host::Point3(0, 5, -10));
}

}  // namespace

namespace {

// Just a point and nothing else: what a light needs to illuminate it.
class PointContext : public host::ShadeContext {
 public:
  explicit PointContext(host::Point3 p) : p_(p) {}
  host::TimeValue CurTime() override { return 0; }
  host::LightDesc* Light(int) override { return nullptr; }
  host::Point3 P() override { return p_; }
  host::Point3 V() override { return {0, 0, -1}; }
  void SetView(const host::Point3&) override {}
  host::Point3 Normal() override { return {0, 0, 1}; }
  void SetNormal(const host::Point3&) override {}
  void ScreenUV(host::Point2& uv, host::Point2& duv) override { uv = duv = {}; }
  host::Point3 UVW(int) override { return {}; }

 private:
  host::Point3 p_;
};

TEST(DefLightDesc, LightsOnlyWhatFacesIt) {
  host::DefaultLight light;
  light.ls.color = {0.5f, 0.25f, 1.0f};
  light.tm = host::kCameraAttachedLightTM;
  pw::PwDefLightDesc desc(light);
  desc.UpdateViewDepParams(host::Matrix3());
  PointContext sc({0, 0, -4});
  host::Color colour;
  host::Point3 dir;
  float dotNL = 0, diffuse = 0;
  ASSERT_TRUE(desc.Illuminate(sc, {0, 0, 1}, colour, dir, dotNL, diffuse));
  EXPECT_EQ(colour, light.ls.color);
  EXPECT_EQ(dir, host::Point3(0, 0, 1));
  EXPECT_FLOAT_EQ(dotNL, 1.0f);
  EXPECT_FLOAT_EQ(diffuse, 1.0f);
  EXPECT_FALSE(desc.Illuminate(sc, {0, 0, -1}, colour, dir, dotNL, diffuse));
  EXPECT_FALSE(desc.Illuminate(sc, {1, 0, 0}, colour, dir, dotNL, diffuse));  // grazing
}

}  // namespace
