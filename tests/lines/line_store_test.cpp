// The frame's line store: newest first, records reused after Clear.
#include "lines/line_store.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(LineStore, WalksNewestFirstAndReusesRecordsAfterClear) {
  pw::LineStore store;
  EXPECT_TRUE(store.Empty());
  EXPECT_EQ(store.Head(), -1);
  pw::LineSegment s;
  const int n = pw::LineStore::kGrowStep + 10;  // forces one growth
  for (int i = 0; i < n; ++i) {
    s.brushWidth = static_cast<float>(i);
    store.Insert(s);
  }
  EXPECT_EQ(store.Count(), n);
  std::vector<float> seen;
  store.ForEach([&](const pw::LineSegment& seg) { seen.push_back(seg.brushWidth); });
  ASSERT_EQ(static_cast<int>(seen.size()), n);
  for (int i = 0; i < n; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], static_cast<float>(n - 1 - i));

  const std::size_t capacity = store.Capacity();
  store.Clear();
  EXPECT_TRUE(store.Empty());
  for (int i = 0; i < n; ++i) store.Insert(s);
  EXPECT_EQ(store.Capacity(), capacity) << "a second frame of the same size allocates nothing";
  EXPECT_EQ(store.Count(), n);
}

}  // namespace
