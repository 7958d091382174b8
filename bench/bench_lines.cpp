// A frame's lines at 1920 x 1080, one thread: the edge table, each kind pass
// alone, the whole style (Fold, Crease, Material Change and Silhouette with
// hidden lines within the object and with others), the rasterizer at 8 x 8
// samples drawing what that style stored, and angle contours in 20 steps
// (suzanne3, and suzanne4 made smooth). Objects: suzanne3.glb
// (62,976 triangles), suzanne4.glb (251,904; from the shared test data when
// it is there, else suzanne3 split into four) and suzanne3 split twice
// (1,007,616 triangles).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "frame/frame_context.h"
#include "host/imaging/bitmap.h"
#include "host/refs/class_desc.h"
#include "host/scene/camera.h"
#include "host/scene/host_classes.h"
#include "library/holder.h"
#include "library/library_state.h"
#include "lines/edge_table.h"
#include "lines/line_frame_data.h"
#include "lines/line_generator.h"
#include "lines/rasterize_lines.h"
#include "plugin/class_table.h"
#include "program/art_material_classes.h"
#include "render/gather.h"
#include "render/prepare.h"
#include "render/view_setup.h"
#include "styles/style.h"
#include "styles/style_line_contour.h"

#include "bench_meshes.h"

namespace {


host::Mesh suzanne4() {
  const std::filesystem::path shared =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "shared/testdata/suzanne4.glb";
  if (std::filesystem::exists(shared)) return loadWorldMeshFile(shared.string());
  return subdivided(loadWorldMesh("suzanne3.glb"), 1);
}

// One object in front of the camera with the frame's records, and a style.
struct LinesBench {
  host::Scene scene;
  pw::PwViewState view;
  std::vector<std::unique_ptr<pw::PwRenderInstance>> instances;
  std::vector<pw::PwRenderInstance*> order;
  pw::PwStyle* style = nullptr;
  std::unique_ptr<host::RefHolder> styleHolder;
  int faces = 0;

  explicit LinesBench(host::Mesh mesh) {
    faces = mesh.getNumFaces();
    // Three quarters from the front, so the mesh shows folds and hides some
    // of itself.
    placeBeforeCamera(std::move(mesh), 0.6f, scene, view, instances);
    for (auto& i : instances) order.push_back(i.get());

    host::RegisterHostClasses(host::ClassRegistry::Global());
    pw::RegisterPluginClasses(host::ClassRegistry::Global());
    pw::RegisterArtMaterialClasses();
    pw::GetCurrentLibrary(scene.Root());
    style = new pw::PwStyle();
    styleHolder = std::make_unique<host::RefHolder>(style);
  }

  // Only these kinds, visible and hidden.
  void Kinds(std::initializer_list<int> kinds) {
    for (int k = 0; k < pw::kLineKindCount; ++k) style->GetLineKindItem(k)->SetOn(false);
    int position = 0;
    for (int k : kinds) {
      style->GetLineKindItem(k)->SetOn(true);
      style->GetLineKindItem(k)->GetChild(1)->SetOn(true);
      style->SetLineOrder(k, position++);
    }
  }

  pw::PwFrameContext Frame() {
    pw::PwFrameContext f;
    f.instances = instances;
    f.drawOrder = order;
    f.visibleCount = static_cast<int>(order.size());
    f.view = &view;
    return f;
  }
};

// Split faces come without smoothing groups, and flat faces have one normal
// at all three corners, which no angle contour crosses: contours on the
// split mesh need it smooth.
host::Mesh smoothed(host::Mesh mesh) {
  for (host::Face& f : mesh.faces()) f.setSmGroup(1);
  return mesh;
}

enum Which { kSuzanne3 = 0, kSuzanne4 = 1, kMillion = 2, kSuzanne4Smooth = 3 };

LinesBench& Object(Which which) {
  static std::unique_ptr<LinesBench> objects[4];
  if (!objects[which]) {
    host::TheInterfaceState().networkRender = true;
    host::TheInterfaceState().logSink = [](std::string_view) {};
    host::Mesh mesh = which == kSuzanne3         ? loadWorldMesh("suzanne3.glb")
                      : which == kSuzanne4       ? suzanne4()
                      : which == kSuzanne4Smooth ? smoothed(suzanne4())
                                                 : subdivided(loadWorldMesh("suzanne3.glb"), 2);
    objects[which] = std::make_unique<LinesBench>(std::move(mesh));
  }
  return *objects[which];
}

void BM_EdgeTable(benchmark::State& state, Which which) {
  LinesBench& b = Object(which);
  pw::EdgeTable table;
  for (auto _ : state) {
    table.Build(b.instances[0]->mesh, false);
    benchmark::DoNotOptimize(table.Count());
  }
  state.counters["faces"] = b.faces;
  state.counters["edges"] = table.Count();
}

// What a frame keeps for its lines, reused from iteration to iteration.
struct FrameLines {
  pw::LineFrameData data;
  pw::LineGenerator generator;
  pw::LineStore store;

  // The frame's occluders, then every object's lines.
  void Run(LinesBench& b, const pw::PwFrameContext& frame) {
    store.Clear();
    for (pw::PwRenderInstance* inst : b.order) data.Build(*inst, false);
    for (pw::PwRenderInstance* inst : b.order) generator.Generate(frame, *inst, *b.style, data, store);
  }
};

// One kind (or, with kind -1, the whole style), occluders included.
void BM_Lines(benchmark::State& state, Which which, int kind) {
  LinesBench& b = Object(which);
  if (kind < 0) {
    b.Kinds({pw::LINE_KIND_FOLD, pw::LINE_KIND_CREASE, pw::LINE_KIND_MATERIAL_CHANGE, pw::LINE_KIND_SILHOUETTE});
  } else {
    b.Kinds({kind});
  }
  const pw::PwFrameContext frame = b.Frame();
  FrameLines lines;
  for (auto _ : state) lines.Run(b, frame);
  state.counters["faces"] = b.faces;
  state.counters["segments"] = lines.store.Count();
}

// Angle contours against the view axis in 20 steps (21 levels) on the
// first contour sub-item, visible and hidden parts drawn.
void BM_AngleContours(benchmark::State& state, Which which) {
  LinesBench& b = Object(which);
  b.Kinds({pw::LINE_KIND_CONTOURS});
  for (int s = 0; s < b.style->GetSubItemCount(pw::LINE_KIND_CONTOURS); ++s) {
    pw::PwStyleTreeItem* item = b.style->GetLineKindItem(pw::LINE_KIND_CONTOURS, s);
    item->SetOn(s == 0);
    item->GetChild(1)->SetOn(true);
  }
  pw::PwStyleLineContour* contour = b.style->GetLineContour(0);
  contour->SetType(pw::LINE_CONTOUR_BY_ANGLE);
  contour->SetAngleDirB(2);
  contour->SetAngleSteps(20);
  const pw::PwFrameContext frame = b.Frame();
  FrameLines lines;
  for (auto _ : state) lines.Run(b, frame);
  state.counters["faces"] = b.faces;
  state.counters["segments"] = lines.store.Count();
}

void BM_Rasterize(benchmark::State& state, Which which) {
  LinesBench& b = Object(which);
  b.Kinds({pw::LINE_KIND_FOLD, pw::LINE_KIND_CREASE, pw::LINE_KIND_MATERIAL_CHANGE, pw::LINE_KIND_SILHOUETTE});
  FrameLines lines;
  lines.Run(b, b.Frame());
  const pw::LineStore& store = lines.store;
  host::Bitmap bitmap;
  bitmap.Create(1920, 1080);
  pw::PwLineRasterSettings settings;
  settings.samples = 8;
  settings.memoryBudget = std::int64_t{1} << 30;
  pw::LineRasterWorkspace workspace;
  for (auto _ : state) {
    bitmap.Fill({0, 0, 0, 0});
    pw::RasterizeLineStore(workspace, store, bitmap, settings, nullptr);
  }
  state.counters["segments"] = store.Count();
}

}  // namespace

#define PW_LINE_BENCHES(name, which)                                                                      \
  BENCHMARK_CAPTURE(BM_EdgeTable, name, which)->Unit(benchmark::kMillisecond);                            \
  BENCHMARK_CAPTURE(BM_Lines, name##_fold, which, pw::LINE_KIND_FOLD)->Unit(benchmark::kMillisecond);     \
  BENCHMARK_CAPTURE(BM_Lines, name##_crease, which, pw::LINE_KIND_CREASE)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(BM_Lines, name##_material, which, pw::LINE_KIND_MATERIAL_CHANGE)                      \
      ->Unit(benchmark::kMillisecond);                                                                    \
  BENCHMARK_CAPTURE(BM_Lines, name##_silhouette, which, pw::LINE_KIND_SILHOUETTE)                         \
      ->Unit(benchmark::kMillisecond);                                                                    \
  BENCHMARK_CAPTURE(BM_Lines, name##_style, which, -1)->Unit(benchmark::kMillisecond);                    \
  BENCHMARK_CAPTURE(BM_Rasterize, name, which)->Unit(benchmark::kMillisecond)

PW_LINE_BENCHES(suzanne3, kSuzanne3);
PW_LINE_BENCHES(suzanne4, kSuzanne4);
PW_LINE_BENCHES(million, kMillion);
BENCHMARK_CAPTURE(BM_AngleContours, suzanne3, kSuzanne3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AngleContours, suzanne4, kSuzanne4Smooth)->Unit(benchmark::kMillisecond);
