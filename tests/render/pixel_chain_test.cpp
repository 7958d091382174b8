// Fragments chained behind a pixel's front record, and their compositing.
#include <gtest/gtest.h>

#include <vector>

#include "render/pixel_buffer.h"

namespace {

using pw::PwFragment;
using pw::PwPixelBuffer;

PwFragment frag(float depth, std::uint16_t r, std::uint16_t g, std::uint16_t b, std::uint16_t a,
                std::uint8_t flags = 0) {
  PwFragment f;
  f.depth = depth;
  f.red = r;
  f.green = g;
  f.blue = b;
  f.alpha = a;
  f.flags = flags;
  return f;
}

// The depths of a pixel's chain, front first.
std::vector<float> chainDepths(const PwPixelBuffer& buf, std::size_t pixel) {
  std::vector<float> out;
  const PwFragment* f = &buf.pixels[pixel];
  while (true) {
    out.push_back(f->depth);
    if (f->next == pw::kNoFragment) break;
    f = &buf.pool[static_cast<std::size_t>(f->next)];
  }
  return out;
}

class PixelChain : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(buf.resize(2, 1));
    for (PwFragment& f : buf.pixels) f = pw::backgroundRecord(1000, 2000, 3000);
  }
  PwPixelBuffer buf;
};

TEST_F(PixelChain, OpaqueInFrontCutsOffTheTranslucentChainAndHidesWhatComesLater) {
  ASSERT_TRUE(buf.insert(frag(-5, 100, 0, 0, 30000), 0));
  ASSERT_TRUE(buf.insert(frag(-7, 0, 100, 0, 20000), 0));
  EXPECT_EQ(chainDepths(buf, 0), (std::vector<float>{-5, -7, pw::kEmptyDepth}));
  EXPECT_FALSE(buf.isHidden(-6, 0)) << "only opaque records hide";

  ASSERT_TRUE(buf.insert(frag(-3, 9, 9, 9, 65535), 0));
  EXPECT_EQ(chainDepths(buf, 0), (std::vector<float>{-3}));
  EXPECT_TRUE(buf.isHidden(-4, 0));
  EXPECT_FALSE(buf.isHidden(-2, 0));
  ASSERT_TRUE(buf.insert(frag(-4, 1, 1, 1, 30000), 0));
  EXPECT_EQ(chainDepths(buf, 0), (std::vector<float>{-3})) << "a farther fragment is dropped";

  // The freed records are used again before the pool grows.
  const int total = buf.total;
  ASSERT_TRUE(buf.insert(frag(-1, 1, 1, 1, 100), 1));
  ASSERT_TRUE(buf.insert(frag(-2, 1, 1, 1, 100), 1));
  EXPECT_EQ(buf.total, total);
}

TEST_F(PixelChain, OpaqueBehindTranslucentEndsTheChainAndIsHiddenTestedThroughIt) {
  ASSERT_TRUE(buf.insert(frag(-2, 0, 0, 0, 1000), 0));
  ASSERT_TRUE(buf.insert(frag(-4, 0, 0, 0, 1000), 0));
  ASSERT_TRUE(buf.insert(frag(-3, 5, 5, 5, 65535), 0));  // between: cuts off -4 and the background
  EXPECT_EQ(chainDepths(buf, 0), (std::vector<float>{-2, -3}));
  EXPECT_TRUE(buf.isHidden(-3.5f, 0));
  EXPECT_FALSE(buf.isHidden(-2.5f, 0));
  ASSERT_TRUE(buf.insert(frag(-2.5f, 0, 0, 0, 1000), 0));
  EXPECT_EQ(chainDepths(buf, 0), (std::vector<float>{-2, -2.5f, -3}));
}

TEST_F(PixelChain, TwoTranslucentFacesOverTheBackgroundCompositeFarthestFirst) {
  const PwFragment nearer = frag(-2, 16384, 0, 0, 32768);  // half-covering red, premultiplied
  const PwFragment farther = frag(-6, 0, 32768, 0, 32768);
  // Arrival order must not matter.
  ASSERT_TRUE(buf.insert(farther, 0));
  ASSERT_TRUE(buf.insert(nearer, 0));
  ASSERT_TRUE(buf.insert(nearer, 1));
  ASSERT_TRUE(buf.insert(farther, 1));
  buf.resolve();
  for (int p = 0; p < 2; ++p) {
    const PwFragment& f = buf.pixels[static_cast<std::size_t>(p)];
    // Background (1000, 2000, 3000; alpha 0), then the farther, then the nearer.
    std::uint32_t r = 1000, g = 2000, b = 3000, a = 0;
    r = ((r * 32768) >> 16) + 0, g = ((g * 32768) >> 16) + 32768, b = (b * 32768) >> 16, a = 32768 + ((a * 32768) >> 16);
    r = ((r * 32768) >> 16) + 16384, g = (g * 32768) >> 16, b = (b * 32768) >> 16, a = 32768 + ((a * 32768) >> 16);
    EXPECT_EQ(f.red, r);
    EXPECT_EQ(f.green, g);
    EXPECT_EQ(f.blue, b);
    EXPECT_EQ(f.alpha, a);
    EXPECT_EQ(f.alpha, 49152);
    EXPECT_EQ(f.next, pw::kNoFragment);
  }
  EXPECT_EQ(buf.total, 0) << "the pool is freed";
}

TEST_F(PixelChain, AdditiveFragmentsSaturateOverWhite) {
  for (PwFragment& f : buf.pixels) f = pw::backgroundRecord(65535, 65535, 60000);
  ASSERT_TRUE(buf.insert(frag(-3, 40000, 0, 10000, 20000, pw::kFragmentAdditive), 0));
  ASSERT_TRUE(buf.insert(frag(-2, 40000, 0, 10000, 65535, pw::kFragmentAdditive), 1));
  buf.resolve();
  const PwFragment& f = buf.pixels[0];
  EXPECT_EQ(f.red, 65535);
  EXPECT_EQ(f.green, 65535);
  EXPECT_EQ(f.blue, 65535);
  EXPECT_EQ(f.alpha, 20000);
  EXPECT_EQ(buf.pixels[1].red, 40000) << "an opaque record is left as it is";
}

TEST_F(PixelChain, LongChainsSurviveThePoolMovingWhileInserting) {
  // Each translucent fragment goes in the middle of the chain; the pool
  // grows (and moves) several times under the walk.
  const int n = 2 * PwPixelBuffer::kPoolGrowth + 7;
  for (int i = 0; i < n; ++i) ASSERT_TRUE(buf.insert(frag(-1.0f - static_cast<float>(i % 2 ? n + i : i), 1, 1, 1, 1), 0));
  const std::vector<float> depths = chainDepths(buf, 0);
  ASSERT_EQ(depths.size(), static_cast<std::size_t>(n + 1));
  for (std::size_t i = 1; i < depths.size(); ++i) EXPECT_GT(depths[i - 1], depths[i]);
  EXPECT_EQ(depths.back(), pw::kEmptyDepth);
  EXPECT_EQ(buf.total % PwPixelBuffer::kPoolGrowth, 0);
}

}  // namespace
