// Projection, blow-up remapping and the spherical lens.
#include "frame/projection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "frame/clip_window.h"
#include "view_fixture.h"

namespace {

using host::Point2;
using host::Point3;

TEST(Projection, PerspectiveAndParallelPinnedValues) {
  pw::PwProjection persp;
  persp.perspective = true;
  persp.xscale = -32.0f;
  persp.yscale = 32.0f;
  persp.xc = 32.0f;
  persp.yc = 24.0f;
  EXPECT_EQ(pw::project(persp, {1, 2, -4}), Point2(40, 8));
  EXPECT_EQ(pw::project(persp, {0, 0, -7}), Point2(32, 24));

  pw::PwProjection par = persp;
  par.perspective = false;
  par.xscale = 2.0f;
  par.yscale = -2.0f;
  EXPECT_EQ(pw::project(par, {3, 4, -7}), Point2(38, 16));
  EXPECT_EQ(pw::project(par, {3, 4, -700}), Point2(38, 16));
}

TEST(Projection, BlowUpStretchesTheRegionOverTheImage) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  pw::PwRegion region{16, 12, 47, 35};  // the middle 32 x 24 pixels
  pw::PwClipWindow win = pw::buildClipWindow(view.proj, region, 1.0f, 100.0f, true, 64, 48);
  ASSERT_TRUE(view.proj.blowUp);
  // Camera points on the window's corners land on the image's corners.
  const float z = -10.0f;
  struct Case {
    Point3 cam;
    Point2 screen;
  };
  const Case cases[] = {
      {{win.xmin * -z, win.ymax * -z, z}, {0, 0}},      // top left
      {{win.xmax * -z, win.ymin * -z, z}, {64, 48}},    // bottom right
      {{0, 0, z}, {32, 24}},                            // centre stays
  };
  for (const Case& c : cases) {
    Point2 s = pw::project(view.proj, c.cam);
    // The window's inset of a thousandth of a pixel, stretched.
    EXPECT_NEAR(s.x, c.screen.x, 0.02f);
    EXPECT_NEAR(s.y, c.screen.y, 0.02f);
  }
  // The host-facing projection ignores the blow-up.
  EXPECT_NEAR(pw::projectUnmapped(view.proj, {win.xmin * -z, 0, z}).x, 16.0f, 0.01f);
}

TEST(Projection, SphericalLensAxisToCentreHalfFovToBorder) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  const float h = std::tan(view.proj.fov / 2) * 5;  // half the field of view at z = -5
  struct Case {
    const char* what;
    Point3 cam;
    Point2 screen;
  };
  const Case cases[] = {
      {"on the axis", {0, 0, -5}, {32, 24}},
      {"far down the axis", {0, 0, -5000}, {32, 24}},
      {"half fov right", {h, 0, -5}, {64, 24}},
      {"half fov left", {-h, 0, -5}, {0, 24}},
      {"half fov up", {0, h, -5}, {32, 0}},
      {"half fov down", {0, -h, -5}, {32, 48}},
      {"quarter fov right", {5 * std::tan(view.proj.fov / 4), 0, -5}, {48, 24}},
      {"sideways, beyond a perspective's reach", {1, 0, 0}, {96, 24}},  // 90 degrees off axis
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Point2 s = pw::projectSpherical(view.proj, c.cam);
    EXPECT_NEAR(s.x, c.screen.x, 1e-3f);
    EXPECT_NEAR(s.y, c.screen.y, 1e-3f);
  }
}

TEST(Projection, SphericalLensHonoursBlowUp) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  pw::buildClipWindow(view.proj, {0, 0, 31, 23}, 1.0f, 100.0f, true, 64, 48);  // top-left quarter
  // The image centre is the corner of the quarter: it moves to the far corner.
  Point2 s = pw::projectSpherical(view.proj, {0, 0, -5});
  EXPECT_NEAR(s.x, 64.0f, 0.01f);
  EXPECT_NEAR(s.y, 48.0f, 0.1f);
}

TEST(ClipWindow, PerspectiveWindowBoundsTheRegionOnTheUnitPlane) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 2.0f, 50.0f);
  // 90 degrees: the unit plane spans x -1..1; square pixels: y -0.75..0.75.
  EXPECT_NEAR(view.window.xmin, -1.0f, 1e-4f);
  EXPECT_NEAR(view.window.xmax, 1.0f, 1e-4f);
  EXPECT_NEAR(view.window.ymin, -0.75f, 1e-4f);
  EXPECT_NEAR(view.window.ymax, 0.75f, 1e-4f);
  EXPECT_EQ(view.window.zNear, -2.0f);
  EXPECT_EQ(view.window.zFar, -50.0f);
  EXPECT_LT(view.window.xmin, view.window.xmax);
  EXPECT_LT(view.window.ymin, view.window.ymax);
}

TEST(ClipWindow, PerspectiveNearPlaneNeverReachesTheEye) {
  pw::PwClipWindow win;
  win.zNear = 1e30f;  // hither -1e30: no near clipping asked for
  EXPECT_LT(pw::effectiveNear(win, true), 0.0f);
  EXPECT_EQ(pw::effectiveNear(win, false), 1e30f);
}

}  // namespace
