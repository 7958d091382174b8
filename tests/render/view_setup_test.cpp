// Working out the projection from cameras, lights and viewports.
#include "render/view_setup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "scene_fixture.h"

namespace {

using host::Point3;
constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kDeg = kPi / 180.0f;

pw::PwViewState imageView(float w, float h) {
  pw::PwViewState v;
  v.imageWidth = w;
  v.imageHeight = h;
  v.pixelAspect = 1.0f;
  v.region = {0, 0, int(w) - 1, int(h) - 1};
  return v;
}

TEST(ViewSetup, FovIsClampedInDegrees) {
  struct Case {
    float in;
    float out;
  };
  const Case cases[] = {
      {0.0f, 0.1f * kDeg}, {-1.0f, 0.1f * kDeg}, {std::nanf(""), 0.1f * kDeg},
      {1.0f, 1.0f},        {kPi, 179.0f * kDeg}, {10.0f, 179.0f * kDeg},
  };
  for (const Case& c : cases) EXPECT_NEAR(pw::clampFov(c.in), c.out, 1e-6f) << c.in;
}

TEST(ViewSetup, PerspectiveCamera) {
  host::Scene scene;
  auto* cam = new host::GenCamera();
  cam->SetFOV(0, 60.0f * kDeg);
  host::INode* node = scene.CreateNode("cam", cam);
  pwtest::place(node, {1, 2, 10});
  pw::PwViewState view = imageView(640, 480);
  view.pixelAspect = 1.5f;
  pw::setupView(view, 0, node);

  EXPECT_TRUE(view.proj.perspective);
  EXPECT_EQ(view.params.projType, host::PROJ_PERSPECTIVE);
  EXPECT_FLOAT_EQ(view.proj.xc, 320.0f);
  EXPECT_FLOAT_EQ(view.proj.yc, 240.0f);
  EXPECT_NEAR(view.proj.xscale, -320.0f / std::tan(30.0f * kDeg), 1e-3f);
  EXPECT_NEAR(view.proj.yscale, -view.proj.xscale * 1.5f, 1e-3f);
  EXPECT_FLOAT_EQ(view.params.hither, 0.1f);  // no manual clipping
  EXPECT_EQ(view.params.yon, pw::kNoYon);
  // World points ahead of the camera are ahead in camera space.
  Point3 ahead = Point3(1, 2, 4) * view.cameraFromWorld();
  EXPECT_NEAR(ahead.x, 0, 1e-5f);
  EXPECT_NEAR(ahead.y, 0, 1e-5f);
  EXPECT_NEAR(ahead.z, -6, 1e-5f);
}

TEST(ViewSetup, ManualClippingAndEnvironmentRangesComeFromTheCamera) {
  host::Scene scene;
  auto* cam = new host::GenCamera();
  cam->SetManualClip(true);
  cam->SetClipDist(0, 2.5f, 40.0f);
  cam->SetEnvRange(0, 3.0f, 30.0f);
  host::INode* node = scene.CreateNode("cam", cam);
  pw::PwViewState view = imageView(100, 100);
  pw::setupView(view, 0, node);
  EXPECT_FLOAT_EQ(view.params.hither, 2.5f);
  EXPECT_FLOAT_EQ(view.params.yon, 40.0f);
  EXPECT_FLOAT_EQ(view.params.nearRange, 3.0f);
  EXPECT_FLOAT_EQ(view.params.farRange, 30.0f);

  pw::rebuildClipWindow(view, false);
  EXPECT_FLOAT_EQ(view.clipWindow.zNear, -2.5f);
  EXPECT_FLOAT_EQ(view.clipWindow.zFar, -40.0f);
}

TEST(ViewSetup, ScaledCameraNodeDoesNotStretchTheView) {
  host::Scene scene;
  host::INode* node = scene.CreateNode("cam", new host::GenCamera());
  node->SetNodeTM(0, host::ScaleMatrix({3, 3, 3}) * host::TransMatrix({0, 0, 10}));
  pw::PwViewState view = imageView(100, 100);
  pw::setupView(view, 0, node);
  EXPECT_NEAR((Point3(0, 1, 5) * view.cameraFromWorld()).y, 1.0f, 1e-5f);
  EXPECT_NEAR((Point3(0, 1, 5) * view.cameraFromWorld()).z, -5.0f, 1e-5f);
}

TEST(ViewSetup, OrthographicCameraScalesByDistance) {
  host::Scene scene;
  auto* freeCam = new host::GenCamera();
  freeCam->SetOrtho(true);
  freeCam->SetFOV(0, 90.0f * kDeg);
  freeCam->SetTDist(0, 25.0f);
  host::INode* freeNode = scene.CreateNode("free", freeCam);
  pw::PwViewState view = imageView(200, 100);
  pw::setupView(view, 0, freeNode);
  EXPECT_FALSE(view.proj.perspective);
  // 90 degrees at distance 25: the view spans 50 units over 200 pixels.
  EXPECT_NEAR(view.proj.xscale, 4.0f, 1e-4f);
  EXPECT_NEAR(view.proj.yscale, -4.0f, 1e-4f);
  EXPECT_EQ(view.params.hither, pw::kNoHither);  // parallel views clip nothing near by default

  auto* targetCam = new host::GenCamera(true);
  targetCam->SetOrtho(true);
  targetCam->SetFOV(0, 90.0f * kDeg);
  targetCam->SetTDist(0, 25.0f);  // ignored: the target decides
  host::INode* targetNode = scene.CreateNode("target cam", targetCam);
  host::INode* target = scene.CreateNode("target");
  pwtest::place(targetNode, {0, 0, 10});
  pwtest::place(target, {0, 0, -40});
  ASSERT_TRUE(targetNode->SetTarget(target));
  pw::setupView(view, 0, targetNode);
  EXPECT_NEAR(view.proj.xscale, 2.0f, 1e-4f);  // 100 units over 200 pixels

  // A target on the camera has no distance: the scale stays finite.
  pwtest::place(target, {0, 0, 10});
  pw::setupView(view, 0, targetNode);
  EXPECT_TRUE(std::isfinite(view.proj.xscale));
}

TEST(ViewSetup, LightsAsViews) {
  host::Scene scene;
  auto* spot = new host::GenLight(host::SPOT_LGT);
  spot->SetFallsize(0, 90.0f);
  host::INode* spotNode = scene.CreateNode("spot", spot);
  pw::PwViewState view = imageView(400, 200);
  pw::setupView(view, 0, spotNode);
  EXPECT_TRUE(view.proj.perspective);
  EXPECT_NEAR(view.params.fov, 90.0f * kDeg, 1e-5f);
  EXPECT_FLOAT_EQ(view.params.hither, 0.1f);
  EXPECT_FLOAT_EQ(view.params.nearRange, 0.0f);
  EXPECT_FLOAT_EQ(view.params.farRange, 500.0f);
  EXPECT_FLOAT_EQ(view.pixelAspect, 0.5f);  // image height / width

  // A rectangular beam widens the field by the square root of its aspect.
  spot->SetSpotShape(host::RECT_LIGHT);
  spot->SetAspect(0, 4.0f);
  pw::setupView(view, 0, spotNode);
  EXPECT_NEAR(view.params.fov, 2.0f * std::atan(2.0f), 1e-5f);
  EXPECT_FLOAT_EQ(view.pixelAspect, 2.0f);

  host::INode* sun = pwtest::addLight(scene, "sun", host::DIRECT_LGT);
  view = imageView(400, 200);
  view.params.zoom = 2.0f;
  pw::setupView(view, 0, sun);
  EXPECT_FALSE(view.proj.perspective);
  EXPECT_FLOAT_EQ(view.proj.xscale, 400.0f / (2.0f * 400.0f));
}

TEST(ViewSetup, ViewportWithoutNodeUsesTheHostsParameters) {
  pw::PwViewState view = imageView(320, 240);
  view.params.affineTM = host::TransMatrix({0, 0, -5});
  view.params.projType = host::PROJ_PERSPECTIVE;
  view.params.fov = 90.0f * kDeg;
  pw::setupView(view, 0, nullptr);
  EXPECT_NEAR(view.proj.xscale, -160.0f, 1e-3f);
  EXPECT_EQ(view.params.affineTM, host::TransMatrix({0, 0, -5}));
  EXPECT_EQ(view.params.hither, pw::kNoHither);
  // Without a near distance a perspective view still keeps off the eye.
  pw::rebuildClipWindow(view, false);
  EXPECT_LT(pw::effectiveNear(view.clipWindow, true), 0.0f);

  view.params.projType = host::PROJ_PARALLEL;
  view.params.zoom = 0.0f;  // nonsense zoom falls back to 1
  pw::setupView(view, 0, nullptr);
  EXPECT_FLOAT_EQ(view.proj.xscale, 320.0f / 400.0f);
}

}  // namespace
