#include <gtest/gtest.h>

#include "render/frame_suffix.h"

using namespace pw;

TEST(FrameSuffix, InsertsTheNumberBeforeTheExtension) {
  struct Row {
    const char* path;
    std::int64_t frame;
    int width;
    bool strip;
    const char* expected;  // null: fails
  };
  const Row rows[] = {
      {"out.tga", 12, 4, false, "out0012.tga"},  // no folder: stays relative
      {"dir/sub/out.tga", 12, 4, false, "dir/sub/out0012.tga"},
      {"/out.tga", 5, 4, false, "/out0005.tga"},
      {"./out.png", 2, 4, false, "./out0002.png"},
      {"a.b/c", 3, 4, false, "a.b/c0003"},  // a dot in the folder is no extension
      {"archive.tar.gz", 1, 4, false, "archive.tar0001.gz"},
      {"out", 123456, 4, false, "out123456"},  // more digits than the width
      {"out.tga", -3, 4, false, "out-0003.tga"},
      {"f.png", 5, 2, false, "f05.png"},
      {"shot0007.png", 12, 4, false, "shot00070012.png"},
      {"shot0007.png", 12, 4, true, "shot0012.png"},
      {"dir/9lives12.png", 3, 4, true, "dir/9lives0003.png"},
      {"0007.png", 12, 4, true, nullptr},  // nothing but digits
      {"0007.png", 12, 4, false, "00070012.png"},
      {".png", 1, 4, true, "0001.png"},
      {"", 1, 4, false, nullptr},
      {"dir/", 1, 4, false, nullptr},
      {"out.tga", 1, 0, false, nullptr},
      {"out.tga", 1, kMaxFrameDigits + 1, false, nullptr},
  };
  for (const Row& r : rows) {
    const auto got = AppendFrameNumber(r.path, r.frame, r.width, r.strip);
    if (r.expected) {
      ASSERT_TRUE(got.has_value()) << r.path;
      EXPECT_EQ(*got, r.expected) << r.path;
    } else {
      EXPECT_FALSE(got.has_value()) << r.path << " gave " << got.value_or("");
    }
  }
}

TEST(FrameSuffix, HashRunsAreTheNumbersField) {
  struct Row {
    const char* path;
    std::int64_t frame;
    bool sequence;
    const char* expected;  // null: fails
  };
  const Row rows[] = {
      {"shot_####.png", 12, true, "shot_0012.png"},
      {"shot_####.png", 12, false, "shot_0012.png"},  // filled for a single frame too
      {"shot_#.png", 12, true, "shot_12.png"},       // never cut
      {"shot_###.png", -3, true, "shot_-003.png"},
      {"a##b###.tga", 5, true, "a05b005.tga"},  // every run
      {"#.png", 0, false, "0.png"},
      {"my#dir/shot.png", 2, true, "my#dir/shot0002.png"},  // a folder's '#' is no field
      {"my#dir/shot.png", 2, false, "my#dir/shot.png"},
      {"shot.png", 2, false, "shot.png"},
      {"shot.png", 2, true, "shot0002.png"},
      {"dir/", 2, true, nullptr},
      {"", 2, false, nullptr},
  };
  for (const Row& r : rows) {
    const auto got = FrameFileName(r.path, r.frame, r.sequence);
    if (r.expected) {
      ASSERT_TRUE(got.has_value()) << r.path;
      EXPECT_EQ(*got, r.expected) << r.path;
    } else {
      EXPECT_FALSE(got.has_value()) << r.path << " gave " << got.value_or("");
    }
  }
}

TEST(FrameSuffix, FrameNumberIsWholeFramesPlusTheBase) {
  struct Row {
    host::TimeValue t;
    int ticksPerFrame;
    int base;
    std::int64_t frame;
  };
  const Row rows[] = {
      {12 * 160, 160, 0, 12},
      {12 * 160 + 159, 160, 0, 12},  // within the frame
      {-100, 160, 0, 0},             // truncated towards zero
      {-160, 160, 0, -1},
      {10 * 160, 160, 1, 11},
      {4800, 200, 100, 124},
      {7, 0, 0, 7},  // a broken rate never divides by zero
  };
  for (const Row& r : rows) EXPECT_EQ(FrameNumber(r.t, r.ticksPerFrame, r.base), r.frame) << r.t;
}
