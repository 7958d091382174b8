// The canvas embossing a finished frame: the flat factor, the tiling of the
// texture's interior, the clamps at both ends, and the fast row-by-row
// shading against a literal per-pixel reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "frame/progress.h"
#include "surfaces/canvas.h"
#include "surfaces/canvas_shade.h"

using namespace pw;
using host::BMM_Color_64;

namespace {

constexpr float kDefaultAngle = 3.9269907f;      // 225 degrees
constexpr float kDefaultElevation = 0.7853982f;  // 45 degrees

host::Bitmap Uniform(int w, int h, BMM_Color_64 c) {
  host::Bitmap bmp;
  EXPECT_TRUE(bmp.Create(w, h));
  bmp.Fill(c);
  return bmp;
}

host::Bitmap RandomImage(int w, int h, std::mt19937& rng) {
  host::Bitmap bmp;
  EXPECT_TRUE(bmp.Create(w, h));
  std::uniform_int_distribution<int> v(0, 65535);
  for (BMM_Color_64& p : bmp.Pixels())
    p = {static_cast<std::uint16_t>(v(rng)), static_cast<std::uint16_t>(v(rng)), static_cast<std::uint16_t>(v(rng)),
         static_cast<std::uint16_t>(v(rng))};
  return bmp;
}

// The slope field of a random grey relief (only its own interior has slopes).
CanvasSlopeField RandomField(int w, int h, std::mt19937& rng, int greyRange) {
  host::Bitmap tex;
  EXPECT_TRUE(tex.Create(w, h));
  std::uniform_int_distribution<int> v(32768 - greyRange / 2, 32767 + greyRange / 2);
  for (BMM_Color_64& p : tex.Pixels()) {
    const auto g = static_cast<std::uint16_t>(v(rng));
    p = {g, g, g, 65535};
  }
  CanvasSlopeField f;
  EXPECT_TRUE(BuildCanvasSlopeField(tex, f));
  return f;
}

// The embossing written out pixel by pixel from its definition, in 64-bit
// arithmetic so an overflow in the fast path cannot hide behind the same one.
void ReferenceShade(const CanvasSlopeField& f, host::Color colour, double angle, double elevation,
                    host::Bitmap& image) {
  const std::int64_t lr = static_cast<std::int64_t>(colour.r * 65535.0f);
  const std::int64_t lg = static_cast<std::int64_t>(colour.g * 65535.0f);
  const std::int64_t lb = static_cast<std::int64_t>(colour.b * 65535.0f);
  const std::int64_t lx = static_cast<std::int64_t>(std::cos(angle) * std::cos(elevation) * 32767.0);
  const std::int64_t ly = static_cast<std::int64_t>(std::sin(angle) * std::cos(elevation) * 32767.0);
  const std::int64_t lz = static_cast<std::int64_t>(std::sin(elevation) * 32767.0);
  const std::int64_t flat = lz / 3;
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const int tx = x % (f.width - 2) + 1, ty = y % (f.height - 2) + 1;
      const std::int64_t sx = f.SlopeX(tx, ty), sy = f.SlopeY(tx, ty);
      std::int64_t s = flat;
      if (sx != 0 || sy != 0) {
        // The shifts floor, as an arithmetic shift of a negative number does.
        const auto floorShift = [](std::int64_t v) { return v >= 0 ? v / 32768 : -((-v + 32767) / 32768); };
        s = (lz + floorShift((sy + 1) * ly) + floorShift(lx * (sx + 1))) / 3;
        if (s < 0) s = 0;
      }
      const std::int64_t k = 2 * s + 1;
      BMM_Color_64 p = image.GetPixel(x, y);
      auto lit = [&](std::uint16_t c, std::int64_t l) -> std::uint16_t {
        const std::int64_t t = std::int64_t{c} * (l * k / 65536 + 1);
        EXPECT_LT(t, std::int64_t{1} << 32);
        return t < (std::int64_t{1} << 30) ? static_cast<std::uint16_t>(t / 65536 * 4) : 65535;
      };
      p = {lit(p.r, lr), lit(p.g, lg), lit(p.b, lb), p.a};
      image.SetPixel(x, y, p);
    }
  }
}

class CountingProgress : public host::RendProgressCallback {
 public:
  std::vector<std::string> titles;
  int reports = 0;
  void SetTitle(const char* title) override { titles.emplace_back(title); }
  int Progress(int, int) override {
    ++reports;
    return 1;
  }
};

}  // namespace

TEST(CanvasShade, AllGreyTextureScalesEveryPixelByTheFlatFactorOnly) {
  host::Bitmap tex = Uniform(9, 7, {30000, 30000, 30000, 65535});
  CanvasSlopeField f;
  ASSERT_TRUE(BuildCanvasSlopeField(tex, f));
  const CanvasLight light = MakeCanvasLight(host::Color::White(), kDefaultAngle, kDefaultElevation);

  host::Bitmap image = Uniform(23, 19, {65535, 32768, 1000, 1234});
  ShadeWithCanvas(f, light, image, nullptr);
  // White light from 45 degrees up: sin 45 x 32767 = 23169, a third 7723,
  // k = 15447, 65535 x 15447 / 65536 = 15446, so a channel P becomes
  // floor(P x 15447 / 65536) x 4: about 0.94 of it.
  const auto flatLit = [](std::uint32_t p) { return static_cast<std::uint16_t>(p * 15447u / 65536u * 4u); };
  for (const BMM_Color_64& p : image.Pixels())
    ASSERT_EQ(p, (BMM_Color_64{flatLit(65535), flatLit(32768), flatLit(1000), 1234}));
  EXPECT_NEAR(flatLit(65535) / 65535.0, 0.94, 0.005);
}

TEST(CanvasShade, ALargerImageRepeatsTheTexturesInteriorWithPeriodWidthAndHeightLessTwo) {
  std::mt19937 rng(11);
  const CanvasSlopeField f = RandomField(7, 5, rng, 20000);
  const CanvasLight light = MakeCanvasLight(host::Color(1.0f, 0.8f, 0.6f), 1.0f, 0.6f);
  host::Bitmap image = Uniform(40, 31, {40000, 40000, 40000, 65535});
  ShadeWithCanvas(f, light, image, nullptr);
  bool varied = false;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const BMM_Color_64 p = image.GetPixel(x, y);
      varied |= p != image.GetPixel(0, 0);
      if (x + 5 < image.Width()) {
        ASSERT_EQ(p, image.GetPixel(x + 5, y)) << x << "," << y;
      }
      if (y + 3 < image.Height()) {
        ASSERT_EQ(p, image.GetPixel(x, y + 3)) << x << "," << y;
      }
    }
  EXPECT_TRUE(varied) << "a relief that shades nothing tests no tiling";
  // The image's corner pixel takes the first interior texel, not the border.
  host::Bitmap one = Uniform(1, 1, {40000, 40000, 40000, 65535});
  CanvasSlopeField only = f;
  ShadeWithCanvas(only, light, one, nullptr);
  EXPECT_EQ(one.GetPixel(0, 0), image.GetPixel(0, 0));
}

TEST(CanvasShade, MatchesTheLiteralReferenceOnRandomReliefsAndLights) {
  std::mt19937 rng(2024);
  std::uniform_real_distribution<float> angle(0.0f, 6.2831853f), elevation(0.0f, 1.5707963f), part(0.0f, 1.0f);
  std::uniform_int_distribution<int> size(3, 12), extent(1, 40);
  for (int round = 0; round < 200; ++round) {
    const int greyRange = round % 4 == 0 ? 65535 : 4000;  // steep reliefs reach both clamps
    const CanvasSlopeField f = RandomField(size(rng), size(rng), rng, greyRange);
    const host::Color colour(part(rng), part(rng), round % 5 == 0 ? 1.0f : part(rng));
    const float a = angle(rng), e = elevation(rng);
    host::Bitmap fast = RandomImage(extent(rng), extent(rng), rng);
    host::Bitmap slow;
    ASSERT_TRUE(slow.CopyImage(fast));
    ShadeWithCanvas(f, MakeCanvasLight(colour, a, e), fast, nullptr);
    ReferenceShade(f, colour, a, e, slow);
    for (int y = 0; y < fast.Height(); ++y)
      for (int x = 0; x < fast.Width(); ++x)
        ASSERT_EQ(fast.GetPixel(x, y), slow.GetPixel(x, y))
            << "round " << round << ": field " << f.width << "x" << f.height << ", light (" << colour.r << ", "
            << colour.g << ", " << colour.b << ") angle " << a << " elevation " << e << ", pixel " << x << "," << y;
  }
}

TEST(CanvasShade, SteepReliefSaturatesTowardsTheLightAndBlackensAwayFromIt) {
  // The light straight overhead doubles a flat texel's shade past the
  // 2^30 limit: the channel saturates.
  const CanvasLight overhead = MakeCanvasLight(host::Color::White(), 0.0f, 1.5707964f);
  EXPECT_EQ(CanvasLitChannel(65535, overhead.r, CanvasTexelShade(overhead, 0, 0)), 65535);
  EXPECT_EQ(CanvasLitChannel(20000, overhead.r, CanvasTexelShade(overhead, 0, 0)), 26664);
  // A low light (angle 0: along +x) meets a slope facing away: the shade
  // goes negative and is held at 0; k = 1 leaves t = P, below 65536: black.
  const CanvasLight low = MakeCanvasLight(host::Color::White(), 0.0f, 0.05f);
  EXPECT_EQ(CanvasTexelShade(low, -32768, 0), 0);
  EXPECT_EQ(CanvasLitChannel(65535, low.r, 0), 0);
  // Facing it brightens instead.
  EXPECT_GT(CanvasTexelShade(low, 30000, 0), low.flat);
}

TEST(CanvasShade, OutOfRangeLightColoursAreClampedNotWrapped) {
  const CanvasLight l = MakeCanvasLight(host::Color(2.0f, -1.0f, 0.5f), kDefaultAngle, kDefaultElevation);
  EXPECT_EQ(l.r, 65535u);
  EXPECT_EQ(l.g, 0u);
  EXPECT_EQ(l.b, 32767u);
}

TEST(CanvasShade, FieldsWithoutInteriorTexelsLeaveTheImageAlone) {
  for (auto [w, h] : {std::pair{2, 9}, std::pair{9, 2}, std::pair{1, 1}}) {
    host::Bitmap tex = Uniform(w, h, {1000, 1000, 1000, 65535});
    tex.SetPixel(0, 0, {65535, 65535, 65535, 65535});
    CanvasSlopeField f;
    ASSERT_TRUE(BuildCanvasSlopeField(tex, f));
    host::Bitmap image = Uniform(5, 5, {30000, 20000, 10000, 500});
    ShadeWithCanvas(f, MakeCanvasLight(host::Color::White(), 1.0f, 1.0f), image, nullptr);
    for (const BMM_Color_64& p : image.Pixels()) ASSERT_EQ(p, (BMM_Color_64{30000, 20000, 10000, 500}));
  }
}

TEST(CanvasApply, ShadesUnderItsOwnCaptionWithTheLightAtTheFramesTime) {
  host::RefHolder holder;
  auto* canvas = new PwCanvas();
  holder.reset(canvas);
  CountingProgress callback;
  PwRenderProgress progress;
  progress.reset(&callback);

  host::Bitmap image = Uniform(6, 4, {50000, 50000, 50000, 65535});
  canvas->Apply(image, 0, progress);
  EXPECT_TRUE(callback.titles.empty()) << "no texture: no caption, no change";
  EXPECT_EQ(image.GetPixel(0, 0), (BMM_Color_64{50000, 50000, 50000, 65535}));

  ASSERT_TRUE(canvas->SetTextureImage(Uniform(4, 4, {9000, 9000, 9000, 65535})));
  // Animated light: dark at frame 0, white later; the frame's time decides.
  canvas->ParamBlock()->SetKey(kCanvasLightColor, 0, host::Color(0, 0, 0));
  canvas->ParamBlock()->SetKey(kCanvasLightColor, 4800, host::Color::White());
  host::Bitmap dark = image;
  canvas->Apply(dark, 0, progress);
  canvas->Apply(image, 4800, progress);
  ASSERT_FALSE(callback.titles.empty());
  EXPECT_EQ(callback.titles.front(), "Applying Canvas Texture");
  EXPECT_EQ(callback.titles.back(), "") << "the caption is popped";
  EXPECT_EQ(progress.depth(), 0);
  // A black light: t = P x (0 + 1), below 65536, so black; alpha stays.
  EXPECT_EQ(dark.GetPixel(3, 2), (BMM_Color_64{0, 0, 0, 65535}));
  EXPECT_EQ(image.GetPixel(3, 2).r, 50000u * 15447u / 65536u * 4u);
}
