// One whole raster frame of a real mesh (suzanne2.glb, 15,744 triangles)
// through the renderer's Open, Render and Close, with the time spent under
// each progress caption reported as a counter (milliseconds per frame).
// Only the stages the frame driver owns run: no surface, line or canvas
// stage is plugged in, so "Illustrating" measures the driver's own walk.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "host/imaging/bitmap.h"
#include "host/scene/host_classes.h"
#include "scene_io/scene_input.h"
#include "host/services/interface.h"
#include "plugin/class_table.h"
#include "program/art_material_classes.h"
#include "render/background.h"
#include "render/compose.h"
#include "render/pixel_buffer_output.h"
#include "render/renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Charges the time between title changes to the top-level caption shown.
class StageClock : public host::RendProgressCallback {
 public:
  std::map<std::string, double> seconds;

  void SetTitle(const char* title) override {
    std::string top(title);
    top = top.substr(0, top.find(" ("));
    if (top == current_) return;
    const Clock::time_point now = Clock::now();
    if (!current_.empty()) seconds[current_] += std::chrono::duration<double>(now - since_).count();
    current_ = top;
    since_ = now;
  }
  int Progress(int, int) override { return 1; }

 private:
  std::string current_;
  Clock::time_point since_;
};

std::string meshPath(const char* name) {
  return (std::filesystem::path(__FILE__).parent_path().parent_path() / "tests/data/meshes" / name).string();
}

struct FrameScene {
  host::Scene scene;
  bool ok = false;
  std::string error;

  FrameScene() {
    host::SetNetworkRender(true);
    host::SetQuiet(true);
    host::RegisterHostClasses(host::ClassRegistry::Global());
    pw::RegisterPluginClasses(host::ClassRegistry::Global());
    ok = pw::RegisterArtMaterialClasses() && pw::RegisterRendererClass() &&
         host::LoadSceneInput(meshPath("suzanne2.glb"), scene, &error);
  }
};

FrameScene& theScene() {
  static FrameScene s;
  return s;
}

void BM_RasterFrame_Suzanne2(benchmark::State& state) {
  FrameScene& s = theScene();
  if (!s.ok) {
    state.SkipWithError(s.error.c_str());
    return;
  }
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  host::SceneRoot* root = s.scene.Root();
  host::RefHolder holder(new pw::PenwrightRenderer());
  auto* renderer = static_cast<pw::PenwrightRenderer*>(holder.get());
  host::RendParams rp;
  rp.width = w;
  rp.height = h;
  host::FrameRendParams frp;
  frp.background = root->backgroundColor;
  frp.regxmax = w - 1;
  frp.regymax = h - 1;
  host::Bitmap output;
  output.Create(w, h);

  StageClock clock;
  double openSeconds = 0, renderSeconds = 0, closeSeconds = 0;
  int faces = 0;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    int ok = renderer->Open(root, s.scene.ActiveCameraNode(), nullptr, rp, root->defaultLights.data(),
                            static_cast<int>(root->defaultLights.size()), &clock);
    const Clock::time_point t1 = Clock::now();
    ok = ok && renderer->Render(0, &output, frp, &clock);
    const Clock::time_point t2 = Clock::now();
    faces = renderer->Run().stats.faces;
    renderer->Close(&clock);
    const Clock::time_point t3 = Clock::now();
    if (!ok) {
      state.SkipWithError("the frame failed");
      return;
    }
    openSeconds += std::chrono::duration<double>(t1 - t0).count();
    renderSeconds += std::chrono::duration<double>(t2 - t1).count();
    closeSeconds += std::chrono::duration<double>(t3 - t2).count();
  }
  const double n = static_cast<double>(state.iterations());
  for (const auto& [caption, seconds] : clock.seconds) {
    if (caption == "Finished") continue;
    state.counters[caption] = benchmark::Counter(seconds * 1000.0 / n);
  }
  state.counters["Open"] = openSeconds * 1000.0 / n;
  state.counters["Render"] = renderSeconds * 1000.0 / n;
  state.counters["Close"] = closeSeconds * 1000.0 / n;
  state.counters["faces"] = faces;
}

// The per-pixel passes of a raster frame on their own, at 1920 x 1080.
constexpr int kW = 1920;
constexpr int kH = 1080;

void BM_PixelBufferAllocate(benchmark::State& state) {
  for (auto _ : state) {
    pw::PwPixelBuffer buffer;
    benchmark::DoNotOptimize(buffer.resize(kW, kH));
  }
}

void BM_PrepareBackground(benchmark::State& state) {
  pw::PwPixelBuffer buffer;
  buffer.resize(kW, kH);
  pw::PwBackgroundImage image;
  pw::PwRenderProgress progress;
  pw::PwBackgroundSource source;
  source.colour = {0.2f, 0.4f, 0.6f};
  for (auto _ : state) benchmark::DoNotOptimize(pw::prepareBackground(buffer, image, source, progress));
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_WriteBufferRows(benchmark::State& state) {
  pw::PwPixelBuffer buffer;
  buffer.resize(kW, kH);
  host::Bitmap bitmap;
  bitmap.Create(kW, kH);
  for (auto _ : state) benchmark::DoNotOptimize(pw::writeBufferRows(buffer, bitmap, {0, 1}));
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

// Arg 1: every line pixel half covered (the worst case); 0: an empty lines
// image (most of a real one).
void BM_ComposeLines(benchmark::State& state) {
  host::Bitmap surfaces, lines;
  surfaces.Create(kW, kH);
  lines.Create(kW, kH);
  surfaces.Fill({1000, 2000, 3000, 65535});
  if (state.range(0)) lines.Fill({100, 100, 100, 20000});
  for (auto _ : state) benchmark::DoNotOptimize(pw::composeLines(surfaces, lines, false));
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_LinesBitmapCreate(benchmark::State& state) {
  for (auto _ : state) {
    host::Bitmap bm;
    benchmark::DoNotOptimize(bm.Create(kW, kH));
  }
}

}  // namespace

BENCHMARK(BM_PixelBufferAllocate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareBackground)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBufferRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinesBitmapCreate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RasterFrame_Suzanne2)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
