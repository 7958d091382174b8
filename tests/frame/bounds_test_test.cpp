// Visibility from the bounding box: outcodes, the twelve-triangle test and
// the depth range.
#include "frame/bounds_test.h"

#include <gtest/gtest.h>

#include "view_fixture.h"

namespace {

using host::Box3;
using host::Point3;

TEST(BoundsTest, VisibilityOfBoxesAroundTheView) {
  // 90 degrees, hither 1, yon 100: at z = -10 the view spans x -10..10, y -7.5..7.5.
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  struct Case {
    const char* what;
    Box3 box;
    bool visible;
    bool whollyInside;
  };
  const Case cases[] = {
      {"inside", Box3({-1, -1, -12}, {1, 1, -8}), true, true},
      {"wholly behind the near plane", Box3({-1, -1, -0.9f}, {1, 1, -0.2f}), false, false},
      {"behind the camera", Box3({-1, -1, 1}, {1, 1, 3}), false, false},
      {"straddling the near plane", Box3({-0.2f, -0.2f, -3}, {0.2f, 0.2f, -0.5f}), true, false},
      {"straddling the eye, off to the side", Box3({30, -1, -3}, {40, 1, 2}), true, false},
      {"beyond the far plane", Box3({-1, -1, -300}, {1, 1, -101}), false, false},
      {"straddling the far plane", Box3({-1, -1, -300}, {1, 1, -50}), true, false},
      {"right of the view", Box3({12, -1, -11}, {14, 1, -9}), false, false},
      {"above the view", Box3({-1, 9, -11}, {1, 10, -9}), false, false},
      {"crossing the right edge", Box3({8, -1, -11}, {14, 1, -9}), true, false},
      // Every corner is outside, left or right, yet the box spans the view.
      {"wider than the view", Box3({-100, -1, -11}, {100, 1, -9}), true, false},
      {"empty", Box3(), false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pw::BoundsTest r = pw::testBounds(c.box, host::Matrix3(), view.proj, view.region, view.window);
    EXPECT_EQ(r.visible, c.visible);
    EXPECT_EQ(r.whollyInside, c.whollyInside);
  }
}

TEST(BoundsTest, DepthRangeOfTheTransformedCorners) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  host::Matrix3 cameraFromObject = host::TransMatrix({0, 0, -20});
  pw::BoundsTest r =
      pw::testBounds(Box3({-1, -1, -2}, {1, 1, 3}), cameraFromObject, view.proj, view.region, view.window);
  EXPECT_TRUE(r.whollyInside);
  EXPECT_EQ(r.zMin, -22.0f);
  EXPECT_EQ(r.zMax, -17.0f);
}

TEST(BoundsTest, RegionRenderJudgesByTheRegion) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  view.region = {0, 0, 31, 47};  // left half
  Box3 rightHalf({2, -1, -11}, {4, 1, -9});
  EXPECT_FALSE(pw::testBounds(rightHalf, host::Matrix3(), view.proj, view.region, view.window).visible);
  Box3 leftHalf({-4, -1, -11}, {-2, 1, -9});
  EXPECT_TRUE(pw::testBounds(leftHalf, host::Matrix3(), view.proj, view.region, view.window).whollyInside);
}

TEST(BoundsTest, BlowUpJudgesByTheRegionBeforeStretching) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  view.region = {0, 0, 31, 23};  // top-left quarter, stretched over the image
  view.window = pw::buildClipWindow(view.proj, view.region, 1.0f, 100.0f, true, 64, 48);
  Box3 inQuarter({-8, 1, -11}, {-2, 6, -9});
  Box3 outsideQuarter({2, -6, -11}, {8, -1, -9});
  EXPECT_TRUE(pw::testBounds(inQuarter, host::Matrix3(), view.proj, view.region, view.window).whollyInside);
  EXPECT_FALSE(pw::testBounds(outsideQuarter, host::Matrix3(), view.proj, view.region, view.window).visible);
}

}  // namespace
