// The background stage, its shading context, and the pixel buffer's way
// into the output bitmap.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "host/shading/texmap.h"
#include "render/background.h"
#include "render/pixel_buffer_output.h"

namespace {

// A map answering whatever `colour` says for the context it is given.
class FunctionMap : public host::Texmap {
 public:
  std::function<host::AColor(host::ShadeContext&)> colour;
  int evaluations = 0;
  host::AColor EvalColor(host::ShadeContext& sc) override {
    ++evaluations;
    return colour(sc);
  }
};

class CancelAfter : public host::RendProgressCallback {
 public:
  int okCalls;  // Progress calls answered 1 before answering 0
  explicit CancelAfter(int n) : okCalls(n) {}
  void SetTitle(const char*) override {}
  int Progress(int, int) override { return okCalls-- > 0 ? 1 : 0; }
};

pw::PwProjection perspective(int w, int h, float fovDeg) {
  pw::PwProjection p;
  p.xc = w / 2.0f;
  p.yc = h / 2.0f;
  p.xscale = -p.xc / std::tan(fovDeg * 3.14159265f / 360.0f);
  p.yscale = -p.xscale;
  return p;
}

struct BackgroundFixture {
  pw::PwPixelBuffer buffer;
  pw::PwBackgroundImage image;
  pw::PwRenderProgress progress;
  pw::PwBackgroundSource source;

  explicit BackgroundFixture(int w = 6, int h = 4) {
    EXPECT_TRUE(buffer.resize(w, h));
    source.projection = perspective(w, h, 60.0f);
  }
  bool run() { return pw::prepareBackground(buffer, image, source, progress); }
};

TEST(Background, ColourFillsImageAndBufferTemplate) {
  BackgroundFixture f;
  // Leftovers of the last field must go.
  f.buffer.at(2, 1).depth = -3.0f;
  f.buffer.at(2, 1).alpha = 65535;
  f.buffer.at(2, 1).next = 7;
  f.source.colour = {1.0f, 0.5f, 0.0f};
  ASSERT_TRUE(f.run());
  ASSERT_EQ(f.image.width, 6);
  ASSERT_EQ(f.image.height, 4);
  // A plain colour needs no image of its own, only the colour.
  EXPECT_TRUE(f.image.pixels.empty());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(f.image.at(x, y), (host::BMM_Color_64{65535, 32767, 0, 0}));
  for (const pw::PwFragment& r : f.buffer.pixels) {
    EXPECT_EQ(r.depth, pw::kEmptyDepth);
    EXPECT_EQ(r.red, 65535);
    EXPECT_EQ(r.green, 32767);
    EXPECT_EQ(r.blue, 0);
    EXPECT_EQ(r.alpha, 0);
    EXPECT_EQ(r.instance, -1);
    EXPECT_EQ(r.flags, 0);
    EXPECT_EQ(r.next, pw::kNoFragment);
  }
}

TEST(Background, EnvironmentMapIsClampedPerChannel) {
  struct Case {
    host::AColor in;
    host::BMM_Color_64 out;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {{2.0f, -1.0f, 0.25f, 1.0f}, {65535, 0, 16383, 0}},
      {{1.0f, 0.0f, 0.5f, 0.0f}, {65535, 0, 32767, 0}},
      {{nan, 7.0f, -0.0f, 1.0f}, {0, 65535, 0, 0}},
  };
  for (const Case& c : cases) {
    BackgroundFixture f(3, 2);
    FunctionMap map;
    map.colour = [&](host::ShadeContext&) { return c.in; };
    f.source.environmentMap = &map;
    ASSERT_TRUE(f.run());
    EXPECT_EQ(map.evaluations, 6);
    for (std::size_t i = 0; i < f.image.pixels.size(); ++i) {
      EXPECT_EQ(f.image.pixels[i], c.out);
      EXPECT_EQ(f.buffer.pixels[i].green, c.out.g);
      EXPECT_EQ(f.buffer.pixels[i].alpha, 0);
    }
  }
}

TEST(Background, MapSeesEachPixelCentreOnScreen) {
  BackgroundFixture f(4, 2);
  FunctionMap map;
  map.colour = [](host::ShadeContext& sc) {
    host::Point2 uv, duv;
    sc.ScreenUV(uv, duv);
    EXPECT_FLOAT_EQ(duv.x, 0.25f);
    EXPECT_FLOAT_EQ(duv.y, 0.5f);
    return host::AColor(uv.x, uv.y, 0.0f);
  };
  f.source.environmentMap = &map;
  ASSERT_TRUE(f.run());
  // Column 1, row 0: centre (1.5, 0.5) -> u = 1.5 / 4, v = 1 - 0.5 / 2 (v grows upwards).
  EXPECT_EQ(f.image.at(1, 0).r, host::ToWord16(0.375f));
  EXPECT_EQ(f.image.at(1, 0).g, host::ToWord16(0.75f));
  EXPECT_EQ(f.image.at(3, 1).r, host::ToWord16(0.875f));
  EXPECT_EQ(f.image.at(3, 1).g, host::ToWord16(0.25f));
}

TEST(Background, ViewDirectionPointsThroughThePixel) {
  const pw::PwProjection proj = perspective(64, 48, 50.0f);
  for (const host::Point2 s : {host::Point2{32, 24}, host::Point2{0.5f, 0.5f}, host::Point2{63.5f, 10.5f}}) {
    const host::Point3 d = pw::viewDirection(proj, s.x, s.y);
    EXPECT_NEAR(host::Length(d), 1.0f, 1e-5f);
    EXPECT_LT(d.z, 0.0f);
    const host::Point2 back = pw::project(proj, d);
    EXPECT_NEAR(back.x, s.x, 1e-3f);
    EXPECT_NEAR(back.y, s.y, 1e-3f);
  }
  pw::PwProjection parallel = proj;
  parallel.perspective = false;
  EXPECT_EQ(pw::viewDirection(parallel, 3.0f, 40.0f), host::Point3(0.0f, 0.0f, -1.0f));
}

TEST(Background, ContextAnswersWithTheViewDirection) {
  pw::PwBGContext sc;
  sc.setCamera(host::RotateZMatrix(1.0f) * host::TransMatrix({5, 6, 7}));
  sc.view = {0.0f, 0.6f, -0.8f};
  EXPECT_EQ(sc.Normal(), -sc.view);
  EXPECT_EQ(sc.P(), sc.view * 100.0f);
  const host::Point3 world = sc.VectorTo(sc.view, host::REF_WORLD);
  EXPECT_NEAR(host::Length(sc.VectorFrom(world, host::REF_WORLD) - sc.view), 0.0f, 1e-5f);
  EXPECT_EQ(sc.VectorTo(sc.view, host::REF_CAMERA), sc.view);
  EXPECT_EQ(sc.Light(0), nullptr);
  EXPECT_EQ(sc.UVW(1), host::Point3());

  FunctionMap map;
  host::Point3 seen;
  map.colour = [&](host::ShadeContext& c) {
    seen = c.V();
    return host::AColor();
  };
  sc.EvalEnvironMap(&map, {1.0f, 0.0f, 0.0f});
  EXPECT_EQ(seen, host::Point3(1.0f, 0.0f, 0.0f));
  EXPECT_EQ(sc.view, host::Point3(0.0f, 0.6f, -0.8f)) << "the direction is restored";
}

TEST(Background, CancelStopsAtTheNextRow) {
  BackgroundFixture f(5, 4);
  CancelAfter callback(2);  // push and the first row pass; the second row cancels
  f.progress.reset(&callback);
  f.progress.setStep(1);
  FunctionMap map;
  map.colour = [](host::ShadeContext&) { return host::AColor(); };
  f.source.environmentMap = &map;
  EXPECT_FALSE(f.run());
  EXPECT_TRUE(f.progress.cancelled());
  EXPECT_EQ(map.evaluations, 10);
}

// ---- The buffer into the bitmap -------------------------------------------------------

pw::PwFragment covered(std::uint16_t alpha, float depth) {
  pw::PwFragment f = pw::backgroundRecord(alpha, alpha, alpha);
  f.alpha = alpha;
  f.depth = depth;
  f.instance = 3;
  return f;
}

TEST(PixelBufferOutput, DontAntialiasRestoresEveryPartlyCoveredPixel) {
  BackgroundFixture f(3, 1);
  f.source.colour = {0.0f, 1.0f, 0.0f};
  ASSERT_TRUE(f.run());
  f.buffer.at(0, 0) = covered(65535, -5.0f);
  f.buffer.at(1, 0) = covered(65534, -5.0f);
  pw::restoreBackground(f.buffer, f.image);
  EXPECT_EQ(f.buffer.at(0, 0).alpha, 65535);
  EXPECT_EQ(f.buffer.at(0, 0).instance, 3);
  for (int x : {1, 2}) {
    const pw::PwFragment& r = f.buffer.at(x, 0);
    EXPECT_EQ(r.green, 65535);
    EXPECT_EQ(r.red, 0);
    EXPECT_EQ(r.alpha, 0);
    EXPECT_EQ(r.depth, pw::kEmptyDepth);
    EXPECT_EQ(r.instance, -1);
  }
}

TEST(PixelBufferOutput, RowsOfTheFieldWithTheirDepths) {
  struct Case {
    pw::PwRowSet rows;
    std::vector<int> written;
  };
  for (const Case& c : {Case{pw::rowsOfField(0, 0), {0, 1, 2, 3}}, Case{pw::rowsOfField(1, 0), {1, 3}},
                        Case{pw::rowsOfField(1, 1), {0, 2}}}) {
    pw::PwPixelBuffer buffer;
    ASSERT_TRUE(buffer.resize(2, 4));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 2; ++x) buffer.at(x, y) = covered(static_cast<std::uint16_t>(1000 * (y + 1)), -1.0f - y);
    host::Bitmap bm;
    ASSERT_TRUE(bm.Create(2, 4));
    ASSERT_TRUE(bm.CreateZ());
    ASSERT_TRUE(pw::writeBufferRows(buffer, bm, c.rows));
    for (int y = 0; y < 4; ++y) {
      const bool written = std::find(c.written.begin(), c.written.end(), y) != c.written.end();
      const std::uint16_t v = written ? static_cast<std::uint16_t>(1000 * (y + 1)) : 0;
      EXPECT_EQ(bm.GetPixel(1, y), (host::BMM_Color_64{v, v, v, v})) << "row " << y;
      EXPECT_EQ(bm.Z(1, y), written ? -1.0f - y : host::kNoZ) << "row " << y;
    }
  }
  pw::PwPixelBuffer buffer;
  ASSERT_TRUE(buffer.resize(2, 4));
  host::Bitmap wrongSize;
  ASSERT_TRUE(wrongSize.Create(4, 2));
  EXPECT_FALSE(pw::writeBufferRows(buffer, wrongSize, {0, 1}));
}

}  // namespace
