// The line rasterizer on one 1920 x 1080 frame at 8 x 8 samples, with the
// frame driver's budget (half the physical memory):
//   ShortSegments: 50,000 mesh-edge-like segments 2 to 20 pixels long,
//     1 to 2 pixels wide, round brush and caps, one tenth dashed, spread
//     over the frame in 1 or 3 colours (the argument) with random depths;
//   LongLines: 1,000 lines between random points of the frame, 1 to 2
//     pixels wide, 3 colours (about half the frame's area under lines);
//   LongLinesDense: 2,000 such lines 1 to 3 pixels wide (one and a half
//     times the frame's area: a stress case, not a picture anyone draws).
// The second argument limits the band height (0: the rasterizer's own
// choice), to see what the band height costs. Counters: bands drawn, rows
// per band, outlines and the band memory held (MiB).
#include <benchmark/benchmark.h>

#include <random>

#include "host/imaging/bitmap.h"
#include "lines/rasterize_lines.h"
#include "render/line_budget.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::int32_t kHiddenPattern = 0x07FE0FFF;

const host::BMM_Color_64 kColours[3] = {{0, 0, 0, 65535}, {52000, 8000, 8000, 65535}, {10000, 20000, 45000, 65535}};

pw::LineSegment Segment(float x0, float y0, float x1, float y1, float width, const host::BMM_Color_64& c, float z0,
                        float z1) {
  pw::LineSegment s;
  s.brushShape = 0;
  s.capping = 1;
  s.red = c.r;
  s.green = c.g;
  s.blue = c.b;
  s.alpha = c.a;
  s.brushWidth = width;
  s.start = {x0 * 0.01f, y0 * 0.01f, z0, x0, y0, width};
  s.end = {x1 * 0.01f, y1 * 0.01f, z1, x1, y1, width};
  return s;
}

void ShortSegments(pw::LineStore& store, int colours) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> x(0.0f, kWidth), y(0.0f, kHeight), angle(0.0f, 6.2831853f);
  std::uniform_real_distribution<float> length(2.0f, 20.0f), width(1.0f, 2.0f), z(-50.0f, -5.0f);
  std::uniform_int_distribution<int> colour(0, colours - 1);
  for (int i = 0; i < 50000; ++i) {
    const float x0 = x(rng), y0 = y(rng), a = angle(rng), l = length(rng);
    pw::LineSegment s = Segment(x0, y0, x0 + l * std::cos(a), y0 + l * std::sin(a), width(rng),
                                kColours[colour(rng)], z(rng), z(rng));
    if (i % 10 == 0) s.pattern = kHiddenPattern;
    store.Insert(s);
  }
}

void LongLines(pw::LineStore& store, int count, float maxWidth) {
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> x(0.0f, kWidth), y(0.0f, kHeight), width(1.0f, maxWidth), z(-50.0f, -5.0f);
  std::uniform_int_distribution<int> colour(0, 2);
  for (int i = 0; i < count; ++i) {
    store.Insert(Segment(x(rng), y(rng), x(rng), y(rng), width(rng), kColours[colour(rng)], z(rng), z(rng)));
  }
}

void Run(benchmark::State& state, const pw::LineStore& store) {
  pw::LineRasterWorkspace workspace;
  workspace.rasterizer.SetBandRowLimit(static_cast<int>(state.range(1)));
  const pw::PwLineRasterSettings settings{8, pw::LinesByteBudget(pw::PhysicalMemoryBytes(), 0.5f), true};
  host::Bitmap target;
  target.Create(kWidth, kHeight);
  for (auto _ : state) {
    state.PauseTiming();
    target.Fill({});
    state.ResumeTiming();
    if (!pw::RasterizeLineStore(workspace, store, target, settings, nullptr)) state.SkipWithError("rasterizer failed");
    benchmark::DoNotOptimize(target.Pixels().data());
  }
  state.counters["bands"] = workspace.rasterizer.BandsDrawn();
  state.counters["bandRows"] = workspace.rasterizer.BandRows();
  state.counters["outlines"] = workspace.outlines.Size();
  state.counters["MiB"] = static_cast<double>(workspace.rasterizer.HeldBytes()) / (1 << 20);
}

void BM_LineRaster_ShortSegments(benchmark::State& state) {
  pw::LineStore store;
  ShortSegments(store, static_cast<int>(state.range(0)));
  Run(state, store);
}

void BM_LineRaster_LongLines(benchmark::State& state) {
  pw::LineStore store;
  LongLines(store, 1000, 2.0f);
  Run(state, store);
}

void BM_LineRaster_LongLinesDense(benchmark::State& state) {
  pw::LineStore store;
  LongLines(store, 2000, 3.0f);
  Run(state, store);
}

}  // namespace

// Band heights: the rasterizer's choice, the whole frame in one band, and
// a range in between.
#define PW_BAND_ROWS {0, 1080, 256, 64, 32, 16, 8, 4, 2}
BENCHMARK(BM_LineRaster_ShortSegments)->ArgsProduct({{1, 3}, PW_BAND_ROWS})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineRaster_LongLines)->ArgsProduct({{3}, PW_BAND_ROWS})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineRaster_LongLinesDense)->ArgsProduct({{3}, PW_BAND_ROWS})->Unit(benchmark::kMillisecond);
