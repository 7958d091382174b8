// Hidden-line removal and surface-intersection pairs at 1920 x 1080: the
// occluder build, the hidden intervals of every mesh edge (through the grid
// and by the plain loop), and an object's own intersection pairs (grid and
// quadrant walk) with their segments. Three objects: suzanne3.glb (62,976
// triangles), sixteen overlapping copies of it in one mesh, and it split
// twice into four (both 1,007,616 triangles). Edges are taken in the order
// of their lower vertex, as line generation's edge table walks them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/scene/camera.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"
#include "host/services/interface.h"
#include "import/import_gltf.h"
#include "lines/intersections.h"
#include "lines/occluder.h"
#include "lines/visibility.h"
#include "render/gather.h"
#include "render/prepare.h"
#include "render/view_setup.h"

#include "bench_meshes.h"

namespace {


struct Edge {
  pw::MeshVertex a;
  pw::MeshVertex b;
};

// One prepared object in front of a camera at the origin.
struct BenchObject {
  host::Scene scene;
  pw::PwViewState view;
  std::vector<std::unique_ptr<pw::PwRenderInstance>> instances;
  std::vector<pw::InstanceOccluders> occluders;
  std::vector<Edge> edges;  // each mesh edge once, clipped pieces included
  int faces = 0;

  explicit BenchObject(host::Mesh mesh) {
    faces = mesh.getNumFaces();
    // Turned to face the camera.
    if (!placeBeforeCamera(std::move(mesh), 0.0f, scene, view, instances)) return;
    pw::PwRenderInstance& inst = *instances.at(0);
    occluders.resize(instances.size());
    pw::BuildOccluders(inst, false, occluders[0]);
    collectEdges(inst.mesh);
  }

  void collectEdges(const pw::PwRenderMesh& mesh) {
    std::vector<std::uint64_t> keys;
    for (const pw::MeshFace& f : mesh.faces) {
      if (f.faceFlags & pw::FaceExcluded) continue;
      if (f.faceFlags & pw::FaceClipped) {
        const auto poly = pw::clippedPolygon(mesh, f);
        for (std::size_t j = 0; j < poly.size(); ++j)
          if (poly[j].edgeTag() != pw::kClipEdgeNone) edges.push_back({poly[j].pos, poly[(j + 1) % poly.size()].pos});
        continue;
      }
      for (int k = 0; k < 3; ++k) {
        const std::uint64_t a = f.v[k], b = f.v[(k + 1) % 3];
        keys.push_back(std::min(a, b) << 32 | std::max(a, b));
      }
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (std::uint64_t k : keys) edges.push_back({mesh.verts[k >> 32], mesh.verts[k & 0xFFFFFFFFu]});
  }

  pw::VisibilityContext context() const { return {&view.proj, occluders, 0, {}, true, true}; }
};

enum Which { kSuzanne = 0, kCopies = 1, kSubdivided = 2 };

BenchObject& object(Which which) {
  static std::unique_ptr<BenchObject> objects[3];
  if (!objects[which]) {
    host::Mesh suzanne = loadWorldMesh("suzanne3.glb");
    objects[which] = std::make_unique<BenchObject>(which == kSuzanne  ? std::move(suzanne)
                                                   : which == kCopies ? shiftedCopies(suzanne, 4)
                                                                      : subdivided(suzanne, 2));
  }
  return *objects[which];
}

// False (and the benchmark skipped) when the object could not be made.
bool ready(benchmark::State& state, const BenchObject& o) {
  if (!o.occluders.empty() && !o.edges.empty()) return true;
  state.SkipWithError("test mesh missing or not in view");
  return false;
}

void setCounters(benchmark::State& state, const BenchObject& o) {
  state.counters["faces"] = o.faces;
  state.counters["occluders"] = o.occluders.empty() ? 0 : o.occluders[0].Size();
}

void BM_BuildOccluders(benchmark::State& state, Which which) {
  BenchObject& o = object(which);
  if (!ready(state, o)) return;
  pw::InstanceOccluders io;
  for (auto _ : state) {
    pw::BuildOccluders(*o.instances[0], false, io);
    benchmark::DoNotOptimize(io.grid.items.data());
  }
  setCounters(state, o);
  state.counters["gridEntries"] = static_cast<double>(io.grid.items.size());
}

template <bool kGrid>
void BM_HiddenEdges(benchmark::State& state, Which which) {
  BenchObject& o = object(which);
  if (!ready(state, o)) return;
  const pw::VisibilityContext c = o.context();
  pw::VisibilityScratch scratch;
  pw::HiddenIntervals hidden;
  std::size_t none = 0, all = 0;
  for (auto _ : state) {
    none = all = 0;
    for (const Edge& e : o.edges) {
      if (kGrid) {
        pw::HiddenIntervalsOf(c, e.a, e.b, pw::PlaneTolerance::Tight, hidden, scratch);
      } else {
        pw::HiddenIntervalsReference(c, e.a, e.b, pw::PlaneTolerance::Tight, hidden, scratch);
      }
      none += hidden.Empty();
      all += hidden.CoversAll();
    }
  }
  setCounters(state, o);
  state.counters["edges"] = static_cast<double>(o.edges.size());
  state.counters["visible"] = static_cast<double>(none);
  state.counters["hidden"] = static_cast<double>(all);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(o.edges.size()));
}

template <bool kGrid, bool kSegments>
void BM_OwnIntersections(benchmark::State& state, Which which) {
  BenchObject& o = object(which);
  if (!ready(state, o)) return;
  const pw::InstanceOccluders& io = o.occluders[0];
  const pw::IntersectionView view = pw::MakeIntersectionView(o.view);
  const pw::PwRenderMesh& mesh = o.instances[0]->mesh;
  pw::PairScratch scratch;
  std::size_t pairs = 0, segments = 0;
  for (auto _ : state) {
    pairs = segments = 0;
    auto onPair = [&](std::uint32_t w, std::uint32_t e) {
      ++pairs;
      if (!kSegments) return;
      pw::MeshVertex a, b;
      segments += pw::IntersectionSegment(view, mesh, io.occluders[e], io, io.occluders[w], &a, &b);
    };
    if (kGrid) {
      pw::ForEachIntersectionPair(io, nullptr, scratch, onPair);
    } else {
      pw::ForEachIntersectionPairReference(io, nullptr, scratch, onPair);
    }
  }
  setCounters(state, o);
  state.counters["pairs"] = static_cast<double>(pairs);
  if (kSegments) state.counters["segments"] = static_cast<double>(segments);
}

void BM_HiddenEdgesGrid(benchmark::State& state, Which which) { BM_HiddenEdges<true>(state, which); }
void BM_HiddenEdgesPlain(benchmark::State& state, Which which) { BM_HiddenEdges<false>(state, which); }
void BM_OwnPairsGrid(benchmark::State& state, Which which) { BM_OwnIntersections<true, false>(state, which); }
void BM_OwnPairsQuadrants(benchmark::State& state, Which which) { BM_OwnIntersections<false, false>(state, which); }
void BM_OwnSegmentsGrid(benchmark::State& state, Which which) { BM_OwnIntersections<true, true>(state, which); }

}  // namespace

BENCHMARK_CAPTURE(BM_BuildOccluders, suzanne3, kSuzanne)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BuildOccluders, copies1M, kCopies)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BuildOccluders, subdivided1M, kSubdivided)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HiddenEdgesGrid, suzanne3, kSuzanne)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HiddenEdgesPlain, suzanne3, kSuzanne)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_HiddenEdgesGrid, copies1M, kCopies)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HiddenEdgesGrid, subdivided1M, kSubdivided)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OwnPairsGrid, suzanne3, kSuzanne)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OwnPairsQuadrants, suzanne3, kSuzanne)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_OwnSegmentsGrid, suzanne3, kSuzanne)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OwnPairsGrid, copies1M, kCopies)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OwnPairsGrid, subdivided1M, kSubdivided)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OwnSegmentsGrid, copies1M, kCopies)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OwnSegmentsGrid, subdivided1M, kSubdivided)->Unit(benchmark::kMillisecond);
