// The pixel buffer's records, sizing and fragment pool.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "render/pixel_buffer.h"

namespace {

TEST(PixelBuffer, RecordLayoutIsTwentyBytesInOrder) {
  EXPECT_EQ(offsetof(pw::PwFragment, depth), 0u);
  EXPECT_EQ(offsetof(pw::PwFragment, red), 4u);
  EXPECT_EQ(offsetof(pw::PwFragment, alpha), 10u);
  EXPECT_EQ(offsetof(pw::PwFragment, instance), 12u);
  EXPECT_EQ(offsetof(pw::PwFragment, flags), 14u);
  EXPECT_EQ(offsetof(pw::PwFragment, next), 16u);
  const pw::PwFragment empty;
  EXPECT_TRUE(empty.empty());
  EXPECT_FALSE(empty.opaque());
  EXPECT_EQ(empty.instance, -1);
  EXPECT_EQ(empty.next, pw::kNoFragment);
}

TEST(PixelBuffer, ResizeKeepsTheAllocationForTheSameCount) {
  pw::PwPixelBuffer b;
  ASSERT_TRUE(b.resize(8, 6));
  const pw::PwFragment* first = b.pixels.data();
  ASSERT_TRUE(b.resize(6, 8));
  EXPECT_EQ(b.pixels.data(), first);
  EXPECT_EQ(b.width, 6);
  EXPECT_EQ(b.index(5, 7), 47u);
  ASSERT_TRUE(b.resize(2, 2));
  EXPECT_EQ(b.pixels.size(), 4u);
  EXPECT_FALSE(b.resize(-1, 5));
  EXPECT_EQ(b.width, 0);
  EXPECT_EQ(b.height, 0);
  EXPECT_TRUE(b.pixels.empty());
}

TEST(PixelBuffer, PoolGrowsInStepsWithAnAscendingFreeList) {
  pw::PwPixelBuffer b;
  std::vector<std::int32_t> taken;
  for (int i = 0; i < pw::PwPixelBuffer::kPoolGrowth + 1; ++i) taken.push_back(b.allocFragment());
  for (int i = 0; i < static_cast<int>(taken.size()); ++i) ASSERT_EQ(taken[static_cast<std::size_t>(i)], i);
  EXPECT_EQ(b.total, 2 * pw::PwPixelBuffer::kPoolGrowth);
  EXPECT_EQ(b.freeHead, pw::PwPixelBuffer::kPoolGrowth + 1);

  // A chain handed back is reused before the pool grows again, newest first.
  b.pool[3].next = 7;
  b.pool[7].next = pw::kNoFragment;
  b.pool[7].alpha = 123;
  b.releaseChain(3);
  EXPECT_EQ(b.allocFragment(), 7);
  EXPECT_EQ(b.pool[7].alpha, 0) << "a reused record starts empty";
  EXPECT_EQ(b.allocFragment(), 3);
  EXPECT_EQ(b.allocFragment(), pw::PwPixelBuffer::kPoolGrowth + 1);
  EXPECT_EQ(b.total, 2 * pw::PwPixelBuffer::kPoolGrowth);

  b.freePool();
  EXPECT_EQ(b.total, 0);
  EXPECT_EQ(b.freeHead, pw::kNoFragment);
  EXPECT_EQ(b.allocFragment(), 0);
}

}  // namespace
