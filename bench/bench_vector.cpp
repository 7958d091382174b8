// One 1920 x 1080 Vector-mode frame of suzanne3.glb with surfaces and lines,
// written as AI, DXF or SWF. Each format runs twice: with the file written
// and with output off, where the vectoriser still builds every polygon and
// generates every line but the writer prints nothing (the SWF writer, which
// builds its polygons itself, builds none when nothing is written). The
// difference is what writing costs; it should stay below the cost of the
// lines, which is output off minus output and lines off.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "host/imaging/bitmap.h"
#include "host/scene/host_classes.h"
#include "host/services/interface.h"
#include "plugin/class_table.h"
#include "program/art_material_classes.h"
#include "program/stages.h"
#include "render/renderer.h"
#include "render/vectoriser.h"
#include "scene_io/scene_input.h"

namespace {

using Clock = std::chrono::steady_clock;

struct VectorScene {
  host::Scene scene;
  bool ok = false;
  std::string error;

  VectorScene() {
    host::SetNetworkRender(true);
    host::SetQuiet(true);
    host::RegisterHostClasses(host::ClassRegistry::Global());
    pw::RegisterPluginClasses(host::ClassRegistry::Global());
    pw::PlugInRenderStages();
    const std::string path =
        (std::filesystem::path(__FILE__).parent_path().parent_path() / "tests/data/meshes/suzanne3.glb").string();
    ok = pw::RegisterArtMaterialClasses() && pw::RegisterRendererClass() &&
         host::LoadSceneInput(path, scene, &error);
  }
};

VectorScene& theScene() {
  static VectorScene s;
  return s;
}

// Arg 0: format index (0 AI, 1 DXF, 2 SWF); arg 1: 1 writes the file, 0 output
// off, 2 output and lines off (so 0 minus 2 is what the lines cost).
void BM_VectorFrame_Suzanne3_1080p(benchmark::State& state) {
  VectorScene& s = theScene();
  if (!s.ok) {
    state.SkipWithError(s.error.c_str());
    return;
  }
  constexpr int w = 1920, h = 1080;
  const int format = static_cast<int>(state.range(0));
  const bool write = state.range(1) == 1;
  host::SceneRoot* root = s.scene.Root();
  host::RefHolder holder(new pw::PenwrightRenderer());
  auto* renderer = static_cast<pw::PenwrightRenderer*>(holder.get());
  pw::PwRendererSettings& settings = renderer->Settings();
  settings.params.renderMode = static_cast<int>(pw::PwRenderMode::Vector);
  settings.params.surfacesOn = true;
  settings.params.linesOn = state.range(1) != 2;
  settings.vector.SelectFormat(format);
  // Every format draws polygons here, so the file holds the surfaces too.
  const int surfaceField = settings.vector.vectorFormatOptions->FindField("surface");
  settings.vector.vectorFormatOptions->Set(surfaceField, 1);
  const char* extension = format == 0 ? ".ai" : format == 1 ? ".dxf" : ".swf";
  const std::string file =
      (std::filesystem::temp_directory_path() / ("pw_bench_vector_" + std::to_string(::getpid()) + extension))
          .string();
  settings.vector.saveVectorFile = write;
  settings.vector.vectorFileName = file;
  host::RendParams rp;
  rp.width = w;
  rp.height = h;
  host::FrameRendParams frp;
  frp.background = root->backgroundColor;
  frp.regxmax = w - 1;
  frp.regymax = h - 1;
  host::Bitmap output;
  output.Create(w, h);

  double seconds = 0;
  long long polygons = 0, segments = 0;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    int ok = renderer->Open(root, s.scene.ActiveCameraNode(), nullptr, rp, root->defaultLights.data(),
                            static_cast<int>(root->defaultLights.size()), nullptr);
    ok = ok && renderer->Render(0, &output, frp, nullptr);
    auto* vectoriser = dynamic_cast<pw::PwVectoriser*>(renderer->Stages().vector.get());
    if (vectoriser) {
      polygons = vectoriser->PolygonCount();
      segments = vectoriser->SegmentCount();
    }
    renderer->Close(nullptr);
    seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    if (!ok || !vectoriser) {
      state.SkipWithError("the vector frame failed");
      return;
    }
  }
  std::error_code ec;
  const auto size = write ? std::filesystem::file_size(file, ec) : 0;
  std::filesystem::remove(file, ec);
  state.counters["frame_ms"] = seconds * 1000.0 / static_cast<double>(state.iterations());
  state.counters["file_bytes"] = static_cast<double>(size);
  state.counters["polygons"] = static_cast<double>(polygons);
  state.counters["segments"] = static_cast<double>(segments);
}

}  // namespace

BENCHMARK(BM_VectorFrame_Suzanne3_1080p)
    ->ArgNames({"format", "write"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Args({0, 2})
    ->Unit(benchmark::kMillisecond);
