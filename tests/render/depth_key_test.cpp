// The depth key instances are sorted by, drawn from their depth range.
#include "render/depth_key.h"

#include <gtest/gtest.h>

namespace {

TEST(DepthKey, RasterUsesTheNearestVectorFollowsTheSetting) {
  struct Case {
    bool vector;
    pw::PwZDepthPosition position;
    float key;
  };
  const Case cases[] = {
      {false, pw::PwZDepthPosition::Front, -2.0f},
      {false, pw::PwZDepthPosition::Back, -2.0f},  // Raster ignores the vector setting
      {true, pw::PwZDepthPosition::Front, -2.0f},
      {true, pw::PwZDepthPosition::Centre, -6.0f},
      {true, pw::PwZDepthPosition::Back, -10.0f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pw::depthKey(c.vector, c.position, -10.0f, -2.0f), c.key);
  }
}

}  // namespace
