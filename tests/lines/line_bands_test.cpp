// The rasterizer's memory budget and bands: too small a budget, memory held
// within the budget, pictures that do not depend on the band height, and
// coverage checked against a brute-force count of subsample centres.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <vector>

#include "lines/band_buffer.h"
#include "lines/line_rasterizer.h"
#include "lines/rasterize_lines.h"
#include "raster_fixture.h"

namespace {

using pw_test::CapturedWarnings;
using pw_test::Draw;
using pw_test::OutlinesOf;
using pw_test::Picture;
using pw_test::SegmentSpec;

// Lines of three colours at random places, widths, depths, brushes and
// cappings, some reaching out of the picture.
std::vector<SegmentSpec> RandomScene(std::uint32_t seed, int count, int width, int height) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> x(-10.0f, width + 10.0f);
  std::uniform_real_distribution<float> y(-10.0f, height + 10.0f);
  std::uniform_real_distribution<float> w(0.3f, 7.0f);
  std::uniform_real_distribution<float> z(-30.0f, -2.0f);
  std::uniform_int_distribution<int> pick(0, 2);
  const host::BMM_Color_64 colours[3] = {pw_test::kRed, pw_test::kBlue, {20000, 30000, 5000, 40000}};
  std::vector<SegmentSpec> out;
  for (int i = 0; i < count; ++i) {
    SegmentSpec s{.x0 = x(rng), .y0 = y(rng), .width = w(rng)};
    // Mostly short lines, some long.
    s.x1 = i % 5 ? s.x0 + x(rng) * 0.2f : x(rng);
    s.y1 = i % 5 ? s.y0 + y(rng) * 0.2f : y(rng);
    s.shape = pick(rng) == 0 ? pw::kBrushSquare : pw::kBrushCircle;
    s.capping = pick(rng) == 0 ? 0 : 1;
    s.colour = colours[pick(rng)];
    s.z0 = z(rng);
    s.z1 = z(rng);
    out.push_back(s);
  }
  return out;
}

host::Bitmap DrawScene(const std::vector<SegmentSpec>& scene, int width, int height, int samples, int bandRows,
                       std::int64_t budget, bool perspective, int* bands = nullptr) {
  pw::LineOutlineList list = OutlinesOf(scene, perspective);
  host::Bitmap b = Picture(width, height);
  const int used = Draw(list, b, {.samples = samples, .budget = budget, .bandRowLimit = bandRows,
                                  .perspective = perspective});
  if (bands) *bands = used;
  return b;
}

std::int64_t RowBytes(int width, int samples) { return pw::BandBuffer::SubsampleRowBytes(width, samples); }

class LineBudget : public CapturedWarnings {};

TEST_F(LineBudget, BudgetBelowOneRowOfSubsamplesWarnsAndDrawsNoLines) {
  constexpr int kWidth = 100;
  pw::LineStore store;
  store.Insert(pw_test::MakeSegment({.x0 = 0, .y0 = 5, .x1 = 100, .y1 = 5, .width = 3}));
  pw::PwLineRasterSettings settings{8, 5 * 8 * 8 * kWidth - 1, false};
  host::Bitmap b = Picture(kWidth, 10);
  EXPECT_TRUE(pw::RasterizeLineStore(store, b, settings, nullptr)) << "the frame goes on";
  EXPECT_EQ(messages, (std::vector<std::string>{"Allocate more memory to line rasterizer."}));
  for (const host::BMM_Color_64& p : b.Pixels()) ASSERT_EQ(p, host::BMM_Color_64{});

  // Exactly one row's worth draws, row by row, the same picture as plenty.
  messages.clear();
  settings.memoryBudget += 1;
  EXPECT_TRUE(pw::RasterizeLineStore(store, b, settings, nullptr));
  EXPECT_TRUE(messages.empty());
  host::Bitmap plenty = Picture(kWidth, 10);
  settings.memoryBudget = std::int64_t{1} << 30;
  EXPECT_TRUE(pw::RasterizeLineStore(store, plenty, settings, nullptr));
  EXPECT_EQ(b.GetPixel(50, 5), pw_test::kOpaqueBlack);
  EXPECT_TRUE(std::equal(b.Pixels().begin(), b.Pixels().end(), plenty.Pixels().begin()));
}

TEST_F(LineBudget, MemoryHeldNeverExceedsTheBudget) {
  constexpr int kWidth = 333, kHeight = 77;
  pw::LineOutlineList list = OutlinesOf(RandomScene(3, 40, kWidth, kHeight));
  pw::LineRasterizer r;
  for (int samples : {1, 2, 8}) {
    const std::int64_t row = RowBytes(kWidth, samples);
    for (std::int64_t budget : {row, row + 1, row + 100, 2 * row, 5 * row + 17, 30 * row, 100 * row}) {
      host::Bitmap b = Picture(kWidth, kHeight);
      ASSERT_EQ(r.Allocate(b, samples, budget, false), pw::RasterAllocation::Ok);
      EXPECT_LE(r.HeldBytes(), budget) << samples << " " << budget;
      EXPECT_LE(r.BandRows(), budget / row);
      EXPECT_EQ(r.BudgetBandRows(), std::min<std::int64_t>(budget / row, kHeight));
      EXPECT_TRUE(r.Draw(list, false));
      EXPECT_GE(r.BandsDrawn(), (kHeight + r.BudgetBandRows() - 1) / r.BudgetBandRows());
      r.Release();
    }
  }
  EXPECT_TRUE(messages.empty());
}

TEST(LineBands, PictureIsTheSameAtEveryBandHeight) {
  constexpr int kWidth = 97, kHeight = 61;
  for (int samples : {2, 8}) {
    for (bool perspective : {false, true}) {
      const std::vector<SegmentSpec> scene = RandomScene(samples * 10 + perspective, 120, kWidth, kHeight);
      const host::Bitmap whole = DrawScene(scene, kWidth, kHeight, samples, kHeight, std::int64_t{1} << 30,
                                           perspective);
      for (int rows = 1; rows < kHeight; rows += rows < 8 ? 1 : 9) {
        const host::Bitmap banded = DrawScene(scene, kWidth, kHeight, samples, rows, std::int64_t{1} << 30,
                                              perspective);
        ASSERT_TRUE(std::equal(whole.Pixels().begin(), whole.Pixels().end(), banded.Pixels().begin()))
            << "samples " << samples << " perspective " << perspective << " band rows " << rows;
      }
    }
  }
}

TEST(LineBands, SmallBudgetOnALargePictureDrawsSeveralBandsAndTheSamePicture) {
  constexpr int kWidth = 640, kHeight = 480;
  const std::vector<SegmentSpec> scene = RandomScene(99, 2000, kWidth, kHeight);
  int oneBand = 0, manyBands = 0;
  const host::Bitmap whole = DrawScene(scene, kWidth, kHeight, 8, kHeight, std::int64_t{1} << 31, false, &oneBand);
  // Room for 37 rows of subsamples.
  const host::Bitmap banded =
      DrawScene(scene, kWidth, kHeight, 8, 0, 37 * RowBytes(kWidth, 8) + 1000, false, &manyBands);
  EXPECT_EQ(oneBand, 1);
  EXPECT_GE(manyBands, kHeight / 37);
  EXPECT_TRUE(std::equal(whole.Pixels().begin(), whole.Pixels().end(), banded.Pixels().begin()));
}

TEST(LineBands, RasterizerReusedAcrossFramesDrawsEachFrameAsAFreshOneWould) {
  constexpr int kWidth = 120, kHeight = 90;
  pw::LineRasterWorkspace workspace;
  for (std::uint32_t frame = 0; frame < 4; ++frame) {
    pw::LineStore store;
    for (const SegmentSpec& s : RandomScene(frame + 500, 60, kWidth, kHeight)) store.Insert(pw_test::MakeSegment(s));
    const pw::PwLineRasterSettings settings{frame % 2 ? 4 : 8, std::int64_t{1} << 28, frame % 2 == 0};
    host::Bitmap reused = Picture(kWidth, kHeight);
    host::Bitmap fresh = Picture(kWidth, kHeight);
    ASSERT_TRUE(pw::RasterizeLineStore(workspace, store, reused, settings, nullptr));
    ASSERT_TRUE(pw::RasterizeLineStore(store, fresh, settings, nullptr));
    EXPECT_TRUE(std::equal(fresh.Pixels().begin(), fresh.Pixels().end(), reused.Pixels().begin())) << frame;
  }
}

// The brute-force count: a subsample is covered when its centre lies inside
// or on an outline. Centres within kMargin of an edge may go either way
// (the scan conversion computes the edge's x in floating point).
constexpr double kMargin = 1e-3;

enum class Side { In, Out, Edge };

Side SideOf(std::span<const pw::OutlinePoint> poly, double px, double py) {
  double area = 0.0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const pw::OutlinePoint a = poly[i], b = poly[(i + 1) % poly.size()];
    area += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
  }
  const double sign = area >= 0.0 ? 1.0 : -1.0;
  bool edge = false;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const pw::OutlinePoint a = poly[i], b = poly[(i + 1) % poly.size()];
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double length = std::hypot(ex, ey);
    if (length == 0.0) continue;
    const double d = sign * (ex * (py - a.y) - ey * (px - a.x)) / length;
    if (d < -kMargin) return Side::Out;
    if (d < kMargin) edge = true;
  }
  return edge ? Side::Edge : Side::In;
}

TEST(LineBands, CoverageMatchesABruteForceCountOfSubsampleCentres) {
  constexpr int kWidth = 48, kHeight = 40;
  std::mt19937 rng(5);
  for (int round = 0; round < 40; ++round) {
    const int samples = round % 2 ? 8 : 4;
    // One colour, so coverage is the count of covered subsamples; equal end
    // widths keep every outline convex.
    std::vector<SegmentSpec> scene = RandomScene(1000 + static_cast<std::uint32_t>(round), 6, kWidth, kHeight);
    for (SegmentSpec& s : scene) s.colour = pw_test::kWhite;
    pw::LineOutlineList list = OutlinesOf(scene);
    host::Bitmap b = Picture(kWidth, kHeight);
    Draw(list, b, {.samples = samples, .bandRowLimit = 1 + round % 13});

    const int n = samples * samples;
    for (int py = 0; py < kHeight; ++py) {
      for (int px = 0; px < kWidth; ++px) {
        int sure = 0, unsure = 0;
        for (int j = 0; j < samples; ++j) {
          for (int i = 0; i < samples; ++i) {
            const double cx = px + (i + 0.5) / samples, cy = py + (j + 0.5) / samples;
            Side best = Side::Out;
            for (const pw::LineOutline& o : list.outlines) {
              const Side side = SideOf(list.PointsOf(o), cx, cy);
              if (side == Side::In) best = Side::In;
              if (side == Side::Edge && best == Side::Out) best = Side::Edge;
            }
            sure += best == Side::In;
            unsure += best == Side::Edge;
          }
        }
        auto alpha = [n](int count) { return (count * 65535 + n / 2) / n; };
        const int got = b.GetPixel(px, py).a;
        if (got < alpha(sure) || got > alpha(sure + unsure)) {
          std::ostringstream repro;
          for (const SegmentSpec& s : scene)
            repro << "{" << s.x0 << ", " << s.y0 << ", " << s.x1 << ", " << s.y1 << ", w " << s.width << ", shape "
                  << s.shape << ", cap " << s.capping << "} ";
          FAIL() << "round " << round << " pixel " << px << "," << py << ": alpha " << got << ", expected "
                 << alpha(sure) << ".." << alpha(sure + unsure) << "\n" << repro.str();
        }
      }
    }
  }
}

}  // namespace
