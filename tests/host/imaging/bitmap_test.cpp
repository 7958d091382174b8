#include "host/imaging/bitmap.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

namespace host {
namespace {

constexpr BMM_Color_64 kRed{65535, 0, 0, 65535};
constexpr BMM_Color_64 kGrey{1000, 2000, 3000, 4000};

TEST(Bitmap, CreateClearsToTransparentBlackAndResetsState) {
  Bitmap bm;
  EXPECT_TRUE(bm.Empty());
  ASSERT_TRUE(bm.Create(2, 2));
  bm.Fill(kRed);
  bm.SetAspect(2.0f);
  ASSERT_TRUE(bm.CreateZ());
  ASSERT_TRUE(bm.Create(5, 3));
  EXPECT_EQ(bm.Width(), 5);
  EXPECT_EQ(bm.Height(), 3);
  EXPECT_EQ(bm.Pixels().size(), 15u);
  for (const BMM_Color_64& p : bm.Pixels()) EXPECT_EQ(p, BMM_Color_64{});
  EXPECT_EQ(bm.Aspect(), 1.0f);
  EXPECT_FALSE(bm.HasZ());
}

TEST(Bitmap, RefusesBadSizesAndKeepsItsImage) {
  struct Case {
    int w, h;
  };
  const std::array<Case, 7> bad = {{{0, 1}, {1, 0}, {-3, 4}, {65536, 1}, {1, 65536}, {65535, 65535}, {16385, 16384}}};
  Bitmap bm;
  ASSERT_TRUE(bm.Create(3, 2));
  bm.Fill(kGrey);
  for (const Case& c : bad) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    EXPECT_FALSE(bm.Create(c.w, c.h));
    EXPECT_EQ(bm.Width(), 3);
    EXPECT_EQ(bm.GetPixel(2, 1), kGrey);
  }
  EXPECT_TRUE(Bitmap::ValidSize(65535, 4096));  // exactly 2^28 - 4096 pixels
  EXPECT_TRUE(Bitmap::ValidSize(16384, 16384));  // exactly 2^28
}

TEST(Bitmap, RowsAreTopFirstAndOutOfRangeAccessIsHarmless) {
  Bitmap bm;
  ASSERT_TRUE(bm.Create(4, 3));
  EXPECT_TRUE(bm.SetPixel(2, 1, kRed));
  EXPECT_EQ(bm.Row(1)[2], kRed);
  EXPECT_EQ(bm.Pixels()[1 * 4 + 2], kRed);
  EXPECT_EQ(bm.Row(0)[2], BMM_Color_64{});

  for (auto [x, y] : std::array<std::pair<int, int>, 4>{{{-1, 0}, {4, 0}, {0, -1}, {0, 3}}}) {
    EXPECT_FALSE(bm.SetPixel(x, y, kRed));
    EXPECT_EQ(bm.GetPixel(x, y), BMM_Color_64{});
  }
  EXPECT_TRUE(bm.Row(-1).empty());
  EXPECT_TRUE(bm.Row(3).empty());
}

TEST(Bitmap, LinearCopiesRunAcrossRowsAndStopAtTheEnd) {
  Bitmap bm;
  ASSERT_TRUE(bm.Create(3, 2));
  std::array<BMM_Color_64, 8> in{};
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = {static_cast<std::uint16_t>(i + 1), 0, 0, 0};

  // From (2, 0): one pixel left in row 0, then all of row 1, then the end.
  EXPECT_EQ(bm.PutPixels(2, 0, 8, in.data()), 4);
  EXPECT_EQ(bm.GetPixel(1, 0).r, 0);
  EXPECT_EQ(bm.GetPixel(2, 0).r, 1);
  EXPECT_EQ(bm.GetPixel(0, 1).r, 2);
  EXPECT_EQ(bm.GetPixel(2, 1).r, 4);

  std::array<BMM_Color_64, 8> out{};
  EXPECT_EQ(bm.GetLinearPixels(1, 0, 3, out.data()), 3);
  EXPECT_EQ(out[0].r, 0);
  EXPECT_EQ(out[1].r, 1);
  EXPECT_EQ(out[2].r, 2);
  EXPECT_EQ(bm.GetLinearPixels(0, 2, 1, out.data()), 0);
  EXPECT_EQ(bm.PutPixels(3, 0, 1, in.data()), 0);
  EXPECT_EQ(bm.PutPixels(0, 0, -1, in.data()), 0);
}

TEST(Bitmap, ZChannelExistsOnlyOnRequest) {
  Bitmap bm;
  EXPECT_FALSE(bm.CreateZ());  // nothing to attach it to
  ASSERT_TRUE(bm.Create(3, 2));
  EXPECT_FALSE(bm.HasZ());
  EXPECT_EQ(bm.Z(1, 1), kNoZ);
  EXPECT_FALSE(bm.SetZ(1, 1, 5.0f));
  EXPECT_TRUE(bm.ZRow(0).empty());

  ASSERT_TRUE(bm.CreateZ());
  EXPECT_EQ(bm.Z(2, 1), kNoZ);
  EXPECT_TRUE(bm.SetZ(2, 1, -7.5f));
  ASSERT_TRUE(bm.CreateZ());  // a second request keeps the values
  EXPECT_EQ(bm.Z(2, 1), -7.5f);
  EXPECT_EQ(bm.ZRow(1)[2], -7.5f);
  EXPECT_FALSE(bm.SetZ(3, 0, 1.0f));
  EXPECT_EQ(bm.Z(-1, 0), kNoZ);
}

TEST(Bitmap, CopyImageTakesEverythingAndStaysIndependent) {
  Bitmap src;
  ASSERT_TRUE(src.Create(4, 2));
  src.Fill(kGrey);
  src.SetPixel(3, 1, kRed);
  src.SetAspect(0.5f);
  ASSERT_TRUE(src.CreateZ());
  src.SetZ(3, 1, 42.0f);

  Bitmap dst;
  ASSERT_TRUE(dst.Create(9, 9));
  ASSERT_TRUE(dst.CopyImage(src));
  EXPECT_EQ(dst.Width(), 4);
  EXPECT_EQ(dst.Height(), 2);
  EXPECT_EQ(dst.Aspect(), 0.5f);
  EXPECT_EQ(dst.GetPixel(3, 1), kRed);
  EXPECT_EQ(dst.GetPixel(0, 0), kGrey);
  EXPECT_EQ(dst.Z(3, 1), 42.0f);

  dst.SetPixel(0, 0, kRed);
  EXPECT_EQ(src.GetPixel(0, 0), kGrey);
  EXPECT_TRUE(dst.CopyImage(dst));
  EXPECT_EQ(dst.GetPixel(0, 0), kRed);
}

TEST(ChannelConversion, RoundsToNearestAndInvertsTimes257) {
  // |v / 257 - out| <= 1/2 for every 16-bit value, i.e. |257 * out - v| <= 128.
  for (int v = 0; v <= 65535; ++v) {
    const int out = Channel16To8(static_cast<std::uint16_t>(v));
    ASSERT_LE(std::abs(257 * out - v), 128) << v;
  }
  EXPECT_EQ(Channel16To8(32767), 127);
  EXPECT_EQ(Channel16To8(32768), 128);
  for (int k = 0; k < 256; ++k) {
    ASSERT_EQ(Channel8To16(static_cast<std::uint8_t>(k)), 257 * k);
    ASSERT_EQ(Channel16To8(static_cast<std::uint16_t>(257 * k)), k);
  }
}

}  // namespace
}  // namespace host
