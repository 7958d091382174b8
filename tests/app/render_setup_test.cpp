#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "host/scene/camera.h"
#include "import/import_defaults.h"
#include "host/scene/light.h"
#include "host/params/paramblock.h"
#include "host/refs/reference.h"
#include "host/scene/scene_model.h"
#include "render/custom_output.h"
#include "render/renderer_paramblock.h"
#include "render_setup.h"

using namespace pw::cli;

namespace {

RenderPlan PlanWithSize(std::optional<int> width, std::optional<int> height) {
  RenderPlan plan;
  plan.width = width;
  plan.height = height;
  return plan;
}

TEST(ResolveImageSize, CommandLineThenSceneKeepingItsShape) {
  struct Case {
    std::optional<int> width, height;
    ImageSize want;
  };
  const ImageSize scene{640, 480};
  const Case cases[] = {
      {std::nullopt, std::nullopt, {640, 480}},
      {320, std::nullopt, {320, 240}},
      {std::nullopt, 240, {320, 240}},
      {100, 100, {100, 100}},
      {1, std::nullopt, {1, 1}},  // 0.75 rounds to 1, never to 0
      {std::nullopt, 3, {4, 3}},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<ImageSize> got = ResolveImageSize(PlanWithSize(c.width, c.height), scene, &error);
    ASSERT_TRUE(got.has_value()) << error;
    EXPECT_EQ(*got, c.want) << c.width.value_or(-1) << " x " << c.height.value_or(-1);
  }
}

TEST(ResolveImageSize, AShapeThatCannotBeMadeFails) {
  std::string error;
  // Only the width given, for a scene 1 pixel wide and 1000 tall: the height
  // would run past the largest bitmap.
  EXPECT_FALSE(ResolveImageSize(PlanWithSize(65535, std::nullopt), {1, 1000}, &error).has_value());
  EXPECT_EQ(ResolveImageSize(PlanWithSize(65535, std::nullopt), {65535, 1000}, &error), (ImageSize{65535, 1000}));
  EXPECT_FALSE(ResolveImageSize(PlanWithSize(60000, 60000), {640, 480}, &error).has_value());
  EXPECT_NE(error.find("60000 x 60000"), std::string::npos) << error;
}

TEST(CheckRegionInside, TheLastPixelIsInsideOnePastIsNot) {
  std::string error;
  EXPECT_TRUE(CheckRegionInside({0, 0, 639, 479}, {640, 480}, &error));
  EXPECT_FALSE(CheckRegionInside({0, 0, 640, 479}, {640, 480}, &error));
  EXPECT_NE(error.find("639,479"), std::string::npos) << error;
  EXPECT_FALSE(CheckRegionInside({0, 0, 10, 480}, {640, 480}, &error));
}

TEST(ResolveFrames, WhichFramesAndWhetherNumbered) {
  struct Case {
    FrameChoice choice;
    FrameRange asked, scene;
    std::optional<int> current;
    host::TimeOutput output;
    FrameRange given, want;
    bool numbered;
  };
  using host::TimeOutput;
  const Case cases[] = {
      {FrameChoice::Scene, {}, {0, 0}, {}, TimeOutput::Single, {}, {0, 0}, false},
      {FrameChoice::Scene, {}, {5, 5}, {}, TimeOutput::Single, {}, {5, 5}, false},
      // One frame unless the scene asks for more: the first, or the current one.
      {FrameChoice::Scene, {}, {3, 47}, {}, TimeOutput::Single, {}, {3, 3}, false},
      {FrameChoice::Scene, {}, {0, 47}, 12, TimeOutput::Single, {}, {12, 12}, false},
      {FrameChoice::Scene, {}, {0, 47}, 12, TimeOutput::Active, {}, {0, 47}, true},
      {FrameChoice::Scene, {}, {0, 47}, 12, TimeOutput::Range, {5, 9}, {5, 9}, true},
      {FrameChoice::Scene, {}, {0, 47}, {}, TimeOutput::Range, {7, 7}, {7, 7}, false},
      {FrameChoice::One, {12, 12}, {0, 47}, {}, TimeOutput::Active, {}, {12, 12}, false},
      {FrameChoice::Range, {3, 3}, {0, 47}, {}, TimeOutput::Single, {}, {3, 3}, true},  // --frames always numbers
      {FrameChoice::Range, {-2, 4}, {0, 0}, {}, TimeOutput::Single, {}, {-2, 4}, true},
  };
  for (const Case& c : cases) {
    RenderPlan plan;
    plan.frameChoice = c.choice;
    plan.frames = c.asked;
    host::SceneInputInfo scene;
    scene.frameStart = c.scene.first;
    scene.frameEnd = c.scene.last;
    scene.currentFrame = c.current;
    scene.timeOutput = c.output;
    scene.rangeStart = c.given.first;
    scene.rangeEnd = c.given.last;
    const FrameSequence got = ResolveFrames(plan, scene);
    EXPECT_EQ(got.range, c.want);
    EXPECT_EQ(got.numbered, c.numbered);
    EXPECT_EQ(got.Count(), c.want.last - c.want.first + 1);
  }
}

TEST(OutputPathForFrame, NumberBeforeTheExtension) {
  EXPECT_EQ(OutputPathForFrame("shot.png", 0, true), "shot0000.png");
  EXPECT_EQ(OutputPathForFrame("out/shot.png", 12, true), "out/shot0012.png");
  EXPECT_EQ(OutputPathForFrame("out.d/shot.v2.tga", 12345, true), "out.d/shot.v212345.tga");
  EXPECT_EQ(OutputPathForFrame("shot.png", -3, true), "shot-0003.png");
  EXPECT_EQ(OutputPathForFrame("shot.png", 12, false), "shot.png");
  EXPECT_FALSE(OutputPathForFrame("out/", 1, true).has_value());
  EXPECT_FALSE(OutputPathForFrame("", 1, false).has_value());
  // '#' runs are the number's field, single frame or not, in the file's name only.
  EXPECT_EQ(OutputPathForFrame("shot_####.png", 12, true), "shot_0012.png");
  EXPECT_EQ(OutputPathForFrame("shot_####.png", 12, false), "shot_0012.png");
  EXPECT_EQ(OutputPathForFrame("shot_##.png", 12345, true), "shot_12345.png");
  EXPECT_EQ(OutputPathForFrame("shot_###.png", -3, true), "shot_-003.png");
  EXPECT_EQ(OutputPathForFrame("s#_v#.png", 7, true), "s7_v7.png");
  EXPECT_EQ(OutputPathForFrame("take#1/shot.png", 2, true), "take#1/shot0002.png");
  EXPECT_EQ(OutputPathForFrame("take#1/shot.png", 2, false), "take#1/shot.png");
}

class CameraSceneTest : public ::testing::Test {
 protected:
  CameraSceneTest() {
    front_ = scene_.CreateNode("Front", new host::GenCamera());
    side_ = scene_.CreateNode("Side", new host::GenCamera(), scene_.CreateNode("Rig"));
    scene_.CreateNode("Sun", new host::GenLight(host::DIRECT_LGT));
    scene_.Root()->activeCamera = "Side";
  }
  host::Scene scene_;
  host::INode* front_ = nullptr;
  host::INode* side_ = nullptr;
};

TEST_F(CameraSceneTest, FindsCamerasByNameOrTheActiveOne) {
  std::string error;
  EXPECT_EQ(FindCameraNode(scene_, "Front", &error), front_);
  EXPECT_EQ(FindCameraNode(scene_, "Side", &error), side_) << "found below a group";
  EXPECT_EQ(FindCameraNode(scene_, "", &error), side_);
}

TEST_F(CameraSceneTest, UnknownOrNotACameraNamesTheCameras) {
  for (const char* name : {"Back", "Sun", "Rig"}) {
    std::string error;
    EXPECT_EQ(FindCameraNode(scene_, name, &error), nullptr) << name;
    EXPECT_EQ(error.rfind("--camera: ", 0), 0u) << error;
    EXPECT_NE(error.find("'Front', 'Side'"), std::string::npos) << error;
  }
  scene_.Root()->activeCamera = "Sun";
  std::string error;
  EXPECT_EQ(FindCameraNode(scene_, "", &error), nullptr) << "an active camera that is a light";
  EXPECT_FALSE(error.empty());
}

TEST_F(CameraSceneTest, ViewParamsLookThroughTheUnscaledCamera) {
  auto* cam = static_cast<host::GenCamera*>(front_->GetObjectRef());
  cam->SetFOV(0, 1.0f);
  cam->SetManualClip(true);
  cam->SetClipDist(0, 2.0f, 50.0f);
  // Scaled by 3 and standing at z = 10: the view must not be scaled with it.
  front_->SetNodeTM(0, host::ScaleMatrix({3.0f, 3.0f, 3.0f}) * host::TransMatrix({0.0f, 0.0f, 10.0f}));
  const host::ViewParams vp = CameraViewParams(front_, 0);
  const host::Point3 origin = host::Point3(0.0f, 0.0f, 0.0f) * vp.affineTM;
  const host::Point3 right = host::Point3(1.0f, 0.0f, 0.0f) * vp.affineTM;
  EXPECT_NEAR(origin.z, -10.0f, 1e-5f) << "the origin lies 10 units in front (negative z)";
  EXPECT_NEAR(right.x - origin.x, 1.0f, 1e-5f);
  EXPECT_EQ(vp.projType, host::PROJ_PERSPECTIVE);
  EXPECT_FLOAT_EQ(vp.fov, 1.0f);
  EXPECT_FLOAT_EQ(vp.hither, 2.0f);
  EXPECT_FLOAT_EQ(vp.yon, 50.0f);

  cam->SetOrtho(true);
  cam->SetTDist(0, 100.0f);
  const host::ViewParams ortho = CameraViewParams(front_, 0);
  EXPECT_EQ(ortho.projType, host::PROJ_PARALLEL);
  // The view's width across, 2 * 100 * tan(0.5), is what 400 x zoom spans.
  EXPECT_NEAR(400.0f * ortho.zoom, 200.0f * std::tan(0.5f), 1e-3f);
}

TEST(RefitFramingCamera, OnlyAnAddedCameraForAnotherShape) {
  host::Scene scene;
  scene.CreateNode("Lamp", new host::GenLight(host::OMNI_LGT));  // framing needs no geometry
  host::INode* added = host::AddFramingCamera(scene, 640.0f / 480.0f);
  ASSERT_NE(added, nullptr);
  scene.Root()->activeCamera = added->GetName();
  host::SceneInputInfo info;
  info.imageWidth = 640;
  info.imageHeight = 480;
  info.framingCamera = true;

  EXPECT_FALSE(RefitFramingCamera(scene, info, {320, 240})) << "same shape, smaller";
  EXPECT_EQ(scene.ActiveCameraNode(), added);
  info.framingCamera = false;
  EXPECT_FALSE(RefitFramingCamera(scene, info, {480, 640})) << "the scene's own camera is never replaced";
  EXPECT_EQ(scene.ActiveCameraNode(), added);

  info.framingCamera = true;
  ASSERT_TRUE(RefitFramingCamera(scene, info, {480, 640}));
  host::INode* portrait = scene.ActiveCameraNode();
  ASSERT_NE(portrait, nullptr);
  EXPECT_NE(portrait, added);
  std::string error;
  EXPECT_EQ(FindCameraNode(scene, "", &error), portrait);
}

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() : holder_(pw::CreateRendererParamBlock()) {}
  host::IParamBlock2* block() { return static_cast<host::IParamBlock2*>(holder_.get()); }
  pw::PwRendererSettings settings_;
  host::RefHolder holder_;
};

TEST_F(SettingsTest, SceneFirstThenCommandLineInOrder) {
  RenderPlan plan;
  plan.settings = {{"linesOn", "false"}, {"surfacesOn", "false"}, {"linesOn", "on"}};
  const std::vector<host::RenderSettingText> scene = {{"surfacesOn", "true", "s.json: render.surfacesOn"},
                                                      {"linesOn", "true", "s.json: render.linesOn"},
                                                      {"mapsOn", "false", "s.json: render.mapsOn"}};
  std::string error;
  ASSERT_TRUE(ApplyRenderSettings(settings_, block(), scene, plan, &error)) << error;
  EXPECT_TRUE(settings_.params.linesOn);
  EXPECT_FALSE(settings_.params.surfacesOn) << "the command line overrides the scene";
  EXPECT_FALSE(settings_.params.mapsOn) << "the scene's own setting stays";
}

TEST_F(SettingsTest, RefusalsSayWhereTheSettingCameFrom) {
  struct Case {
    std::vector<host::RenderSettingText> scene;
    std::vector<SettingAssignment> cli;
    const char* startsWith;
    const char* mentions;
  };
  const Case cases[] = {
      {{}, {{"linesOm", "true"}}, "--set linesOm: ", "linesOn"},  // the known names are listed
      {{}, {{"linesOn", "maybe"}}, "--set linesOn: ", "true/false"},
      {{}, {{"linesAntialiasingQuality", "ultra"}}, "--set linesAntialiasingQuality: 'ultra'", "extreme"},
      {{}, {{"linesMemoryLimit", "0"}}, "--set linesMemoryLimit: '0' is out of range", "0.1 to 1"},
      {{{"bogus", "1", "s.json: render.bogus"}}, {}, "s.json: render.bogus: ", "unknown render setting"},
      {{{"linesAntialiasingQuality", "ultra", "s.json: render.linesAntialiasingQuality"}},
       {},
       "s.json: render.linesAntialiasingQuality: 'ultra' is not one of",
       "extreme"},
      {{{"linesMemoryLimit", "1000", "s.json: render.linesMemoryLimit"}},
       {},
       "s.json: render.linesMemoryLimit: '1000' is out of range",
       "0.1 to 1"},
  };
  for (const Case& c : cases) {
    RenderPlan plan;
    plan.settings = c.cli;
    std::string error;
    EXPECT_FALSE(ApplyRenderSettings(settings_, block(), c.scene, plan, &error));
    EXPECT_EQ(error.rfind(c.startsWith, 0), 0u) << error;
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    // The place names the setting; the reason does not say it again.
    const std::string& name = c.cli.empty() ? c.scene.front().name : c.cli.front().name;
    EXPECT_EQ(error.find(name + ": " + name), std::string::npos) << error;
  }
}

TEST_F(SettingsTest, CustomOutputsFromTheCommandLineAndTheScene) {
  RenderPlan plan;
  plan.outputPath = "out.png";
  plan.linesOut = "lines.png";
  std::string error;
  ASSERT_TRUE(ApplyRenderSettings(settings_, block(), {}, plan, &error)) << error;
  EXPECT_TRUE(pw::CustomOutputOn(*block(), pw::PwCustomPass::Lines));
  EXPECT_EQ(pw::CustomOutputFileName(*block(), pw::PwCustomPass::Lines), "lines.png");
  EXPECT_FALSE(pw::CustomOutputOn(*block(), pw::PwCustomPass::Surfaces));

  std::vector<PlannedFile> files = PlannedFiles(plan, *block());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].path, "out.png");
  EXPECT_EQ(files[1].path, "lines.png");
  EXPECT_EQ(files[1].origin, "--lines-out");

  // A scene that switches the surfaces' file on gets it checked as well.
  const std::vector<host::RenderSettingText> scene = {{"surfaceCustomOutputOn", "true", "s"},
                                                      {"surfaceCustomOutput", "surf.tga", "s"}};
  ASSERT_TRUE(ApplyRenderSettings(settings_, block(), scene, plan, &error)) << error;
  files = PlannedFiles(plan, *block());
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[2].path, "surf.tga");
  EXPECT_EQ(files[2].origin, "surfaceCustomOutput");
}

}  // namespace
