// The canvas embossing a finished 1920 x 1080 frame with the examples'
// paper (examples/paper.png, 256 x 256): megapixels per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "host/imaging/bitmap.h"
#include "host/imaging/image_io.h"
#include "surfaces/canvas_shade.h"

namespace {

void BM_CanvasApply1080p(benchmark::State& state) {
  host::Bitmap paper;
  std::string error;
  const std::string path =
      (std::filesystem::path(__FILE__).parent_path().parent_path() / "examples" / "paper.png").string();
  if (!host::ReadImage(path, paper, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  pw::CanvasSlopeField field;
  if (!pw::BuildCanvasSlopeField(paper, field)) {
    state.SkipWithError("no slope field");
    return;
  }
  const pw::CanvasLight light = pw::MakeCanvasLight(host::Color::White(), 3.9269907f, 0.7853982f);
  host::Bitmap frame;
  if (!frame.Create(1920, 1080)) {
    state.SkipWithError("no frame");
    return;
  }
  frame.Fill({40000, 30000, 20000, 65535});
  for (auto _ : state) {
    pw::ShadeWithCanvas(field, light, frame, nullptr);
    benchmark::DoNotOptimize(frame.Pixels().data());
    benchmark::ClobberMemory();
  }
  const double pixels = 1920.0 * 1080.0;
  state.counters["Mpixel/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CanvasApply1080p)->Unit(benchmark::kMillisecond);

}  // namespace
