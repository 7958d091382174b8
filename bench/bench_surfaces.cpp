// The surface pass of whole raster frames at 1920 x 1080, lines off: real
// meshes (suzanne3.glb, 63 k triangles; suzanne4.glb, 252 k) and a
// million-triangle mesh (suzanne3 with every face split in sixteen), each with
// the "Cartoon" and the "Max Material" preset styles. Reported per frame:
// the processor time under each progress caption (ms), megapixels per second of the
// whole Render, faces filled, pixels covered and shaded, pool records
// allocated and the process's peak memory.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "bench_meshes.h"
#include "host/imaging/bitmap.h"
#include "host/scene/host_classes.h"
#include "import/import_defaults.h"
#include "library/holder.h"
#include "plugin/class_table.h"
#include "program/art_material_classes.h"
#include "render/renderer.h"
#include "render/surface_stage.h"
#include "scene_io/art_materials_json.h"
#include "scene_io/scene_input.h"

namespace {

// Processor time of this process: the machine may be shared, and the
// targets are for one thread's work.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

class CaptionClock : public host::RendProgressCallback {
 public:
  std::map<std::string, double> seconds;

  void SetTitle(const char* title) override {
    std::string top(title);
    top = top.substr(0, top.find("  ->  "));
    top = top.substr(0, top.find(" ("));
    if (top == current_) return;
    const double now = cpuSeconds();
    if (!current_.empty()) seconds[current_] += now - since_;
    current_ = top;
    since_ = now;
  }
  int Progress(int, int) override { return 1; }

 private:
  std::string current_;
  double since_ = 0.0;
};

// Peak resident memory of the process so far, in MiB.
double peakMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0.0;
}

struct SurfaceScene {
  std::unique_ptr<host::Scene> scene;
  host::INode* camera = nullptr;
  std::string error;
};

constexpr int kW = 1920;
constexpr int kH = 1080;

// mesh 0: suzanne3, 1: suzanne4, 2: a million triangles.
SurfaceScene& sceneFor(int mesh, const std::string& style) {
  static std::map<std::pair<int, std::string>, SurfaceScene> scenes;
  auto [it, fresh] = scenes.try_emplace({mesh, style});
  SurfaceScene& s = it->second;
  if (!fresh) return s;
  host::SetNetworkRender(true);
  host::SetQuiet(true);
  host::RegisterHostClasses(host::ClassRegistry::Global());
  pw::RegisterPluginClasses(host::ClassRegistry::Global());
  pw::RegisterArtMaterialClasses();
  pw::RegisterRendererClass();
  // suzanne4.glb is suzanne3.glb with every face split in four: the same
  // 251,904 triangles are made here when the file is not at hand.
  const std::filesystem::path shared = "/work/shared/testdata/suzanne4.glb";
  host::Mesh m = loadWorldMesh("suzanne3.glb");
  if (mesh == 1) m = std::filesystem::exists(shared) ? loadWorldMeshFile(shared.string()) : subdivided(m, 1);
  if (mesh == 2) m = subdivided(m, 2);
  if (m.getNumFaces() == 0) {
    s.error = "no mesh";
    return s;
  }
  s.scene = std::make_unique<host::Scene>();
  constexpr float kHalfTurn = 3.14159265f;
  const host::Box3 box = m.getBoundingBox();
  const float radius = box.Width().Length() * 0.5f;
  host::INode* node = s.scene->CreateNode("object", new host::TriObject(std::move(m)));
  node->SetNodeTM(0, host::TransMatrix(-box.Center()) * host::RotateXMatrix(-kHalfTurn / 2) *
                         host::RotateYMatrix(0.4f) * host::TransMatrix({0, 0, -2.0f * radius}));
  auto* cam = new host::GenCamera();
  cam->SetFOV(0, kHalfTurn / 3);
  cam->SetManualClip(true);
  cam->SetClipDist(0, 0.01f * radius, 100.0f * radius);
  s.camera = s.scene->CreateNode("camera", cam);
  s.scene->Root()->defaultLights = host::HostDefaultLights();
  if (!pw::GetCurrentLibrary(s.scene->Root()) || !pw::AssignStyleToAllMeshes(*s.scene, style, &s.error))
    s.scene.reset();
  return s;
}

// firstFrame: each iteration is a whole run (Open, one frame, Close), so the
// frame pays for the run's buffers; otherwise one run renders a frame per
// iteration, as an animation does after its first frame.
void BM_SurfaceFrame(benchmark::State& state, int mesh, const std::string& style, bool firstFrame) {
  SurfaceScene& s = sceneFor(mesh, style);
  if (!s.scene) {
    state.SkipWithError(s.error.c_str());
    return;
  }
  host::SceneRoot* root = s.scene->Root();
  host::RefHolder holder(new pw::PenwrightRenderer());
  auto* renderer = static_cast<pw::PenwrightRenderer*>(holder.get());
  auto stage = std::make_shared<pw::PwSurfaceStage>();
  renderer->Stages() = {};
  renderer->Stages().surfaces = stage;
  renderer->Settings().params.linesOn = false;
  host::RendParams rp;
  rp.width = kW;
  rp.height = kH;
  host::FrameRendParams frp;
  frp.background = {0.2f, 0.3f, 0.4f};
  frp.regxmax = kW - 1;
  frp.regymax = kH - 1;
  host::Bitmap output;
  output.Create(kW, kH);

  CaptionClock clock;
  double renderSeconds = 0;
  auto open = [&] {
    return renderer->Open(root, s.camera, nullptr, rp, root->defaultLights.data(),
                          static_cast<int>(root->defaultLights.size()), &clock);
  };
  if (!firstFrame && (!open() || !renderer->Render(0, &output, frp, &clock))) {
    state.SkipWithError("the first frame failed");
    return;
  }
  clock.seconds.clear();
  for (auto _ : state) {
    stage->ClearStats();
    int ok = !firstFrame || open();
    const double t0 = cpuSeconds();
    ok = ok && renderer->Render(0, &output, frp, &clock);
    renderSeconds += cpuSeconds() - t0;
    if (firstFrame) renderer->Close(&clock);
    if (!ok) {
      state.SkipWithError("the frame failed");
      return;
    }
  }
  if (!firstFrame) renderer->Close(&clock);
  const double n = static_cast<double>(state.iterations());
  for (const auto& [caption, seconds] : clock.seconds)
    if (caption != "Finished") state.counters[caption + " ms"] = seconds * 1000.0 / n;
  state.counters["Render ms"] = renderSeconds * 1000.0 / n;
  state.counters["Mpixel/s"] = kW * kH / 1e6 / (renderSeconds / n);
  const pw::PwSurfaceStats& st = stage->Stats();
  state.counters["faces filled"] = static_cast<double>(st.faces);
  state.counters["pixels covered"] = static_cast<double>(st.covered);
  state.counters["pixels shaded"] = static_cast<double>(st.shaded);
  state.counters["pool records"] = static_cast<double>(st.poolRecords);
  state.counters["peak MiB"] = peakMiB();
}

}  // namespace

BENCHMARK_CAPTURE(BM_SurfaceFrame, Suzanne3_Cartoon, 0, std::string("Cartoon"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Suzanne3_Cartoon_FirstFrame, 0, std::string("Cartoon"), true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Suzanne3_MaxMaterial, 0, std::string("Max Material"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Suzanne3_MaxMaterial_FirstFrame, 0, std::string("Max Material"), true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Suzanne4_Cartoon, 1, std::string("Cartoon"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Suzanne4_Cartoon_FirstFrame, 1, std::string("Cartoon"), true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Suzanne4_MaxMaterial, 1, std::string("Max Material"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Suzanne4_MaxMaterial_FirstFrame, 1, std::string("Max Material"), true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Million_Cartoon, 2, std::string("Cartoon"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Million_Cartoon_FirstFrame, 2, std::string("Cartoon"), true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Million_MaxMaterial, 2, std::string("Max Material"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SurfaceFrame, Million_MaxMaterial_FirstFrame, 2, std::string("Max Material"), true)->Unit(benchmark::kMillisecond);
