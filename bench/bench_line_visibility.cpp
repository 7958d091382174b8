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
#include <numbers>
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

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// __FILE__ may be relative to the build folder (bench/ under it); run from
// there or from the repository.
std::string meshPath(const char* name) {
  const std::filesystem::path fromSource =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "tests/data/meshes" / name;
  if (std::filesystem::exists(fromSource)) return fromSource.string();
  return (std::filesystem::path("tests/data/meshes") / name).string();
}

// Every mesh of the file in world space, as one mesh.
host::Mesh loadWorldMesh(const char* name) {
  host::Scene scene;
  host::TheInterfaceState().logSink = [](std::string_view) {};
  host::TheInterfaceState().networkRender = true;
  std::string error;
  host::Mesh out;
  if (!host::ImportGltf(meshPath(name), scene, nullptr, &error)) {
    std::fprintf(stderr, "%s: %s\n", name, error.c_str());
    return out;
  }
  std::vector<host::Point3> verts;
  std::vector<host::Face> faces;
  std::vector<host::INode*> stack{scene.Root()};
  while (!stack.empty()) {
    host::INode* node = stack.back();
    stack.pop_back();
    for (int i = 0; i < node->NumberOfChildren(); ++i) stack.push_back(node->GetChildNode(i));
    auto* tri = dynamic_cast<host::TriObject*>(node->GetObjectRef());
    if (!tri) continue;
    const host::Matrix3 tm = node->GetObjectTM(0);
    const auto base = static_cast<std::uint32_t>(verts.size());
    for (int v = 0; v < tri->mesh.getNumVerts(); ++v) verts.push_back(tri->mesh.getVert(v) * tm);
    for (int f = 0; f < tri->mesh.getNumFaces(); ++f) {
      host::Face face = tri->mesh.faces()[f];
      for (std::uint32_t& v : face.v) v += base;
      faces.push_back(face);
    }
  }
  out.setNumVerts(static_cast<int>(verts.size()));
  out.setNumFaces(static_cast<int>(faces.size()));
  for (std::size_t i = 0; i < verts.size(); ++i) out.setVert(static_cast<int>(i), verts[i]);
  for (std::size_t i = 0; i < faces.size(); ++i) out.faces()[i] = faces[i];
  return out;
}

// n x n copies, each a little further back and overlapping its neighbours
// on screen.
host::Mesh shiftedCopies(const host::Mesh& m, int n) {
  const host::Box3 b = m.getBoundingBox();
  const host::Point3 w = b.Width();
  host::Mesh out;
  const int nv = m.getNumVerts(), nf = m.getNumFaces();
  out.setNumVerts(nv * n * n);
  out.setNumFaces(nf * n * n);
  int copy = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j, ++copy) {
      const host::Point3 shift((i - (n - 1) * 0.5f) * 0.7f * w.x, (j - (n - 1) * 0.5f) * 0.7f * w.y,
                               -((i + j) % 3) * 0.6f * w.z);
      for (int v = 0; v < nv; ++v) out.setVert(copy * nv + v, m.getVert(v) + shift);
      for (int f = 0; f < nf; ++f) {
        host::Face face = m.faces()[f];
        for (std::uint32_t& v : face.v) v += static_cast<std::uint32_t>(copy * nv);
        out.faces()[copy * nf + f] = face;
      }
    }
  }
  return out;
}

// Every triangle split into four at its edge midpoints, n times: the same
// surface in smaller faces.
host::Mesh subdivided(const host::Mesh& m, int times) {
  std::vector<host::Point3> verts(static_cast<std::size_t>(m.getNumVerts()));
  for (int v = 0; v < m.getNumVerts(); ++v) verts[static_cast<std::size_t>(v)] = m.getVert(v);
  std::vector<std::array<std::uint32_t, 3>> faces;
  for (const host::Face& f : m.faces()) faces.push_back({f.v[0], f.v[1], f.v[2]});
  for (int t = 0; t < times; ++t) {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> mids;  // edge key -> midpoint, sorted
    for (const auto& f : faces)
      for (int k = 0; k < 3; ++k) {
        const std::uint64_t a = f[k], b = f[(k + 1) % 3];
        mids.emplace_back(std::min(a, b) << 32 | std::max(a, b), 0);
      }
    std::sort(mids.begin(), mids.end());
    mids.erase(std::unique(mids.begin(), mids.end()), mids.end());
    for (auto& [key, index] : mids) {
      index = static_cast<std::uint32_t>(verts.size());
      verts.push_back((verts[key >> 32] + verts[key & 0xFFFFFFFFu]) * 0.5f);
    }
    auto mid = [&](std::uint64_t a, std::uint64_t b) {
      const std::uint64_t key = std::min(a, b) << 32 | std::max(a, b);
      return std::lower_bound(mids.begin(), mids.end(), std::make_pair(key, 0u))->second;
    };
    std::vector<std::array<std::uint32_t, 3>> next;
    next.reserve(faces.size() * 4);
    for (const auto& f : faces) {
      const std::uint32_t m01 = mid(f[0], f[1]), m12 = mid(f[1], f[2]), m20 = mid(f[2], f[0]);
      next.push_back({f[0], m01, m20});
      next.push_back({m01, f[1], m12});
      next.push_back({m20, m12, f[2]});
      next.push_back({m01, m12, m20});
    }
    faces.swap(next);
  }
  host::Mesh out;
  out.setNumVerts(static_cast<int>(verts.size()));
  out.setNumFaces(static_cast<int>(faces.size()));
  for (std::size_t i = 0; i < verts.size(); ++i) out.setVert(static_cast<int>(i), verts[i]);
  for (std::size_t i = 0; i < faces.size(); ++i) {
    out.faces()[i].setVerts(faces[i][0], faces[i][1], faces[i][2]);
    out.faces()[i].setEdgeVisFlags(true, true, true);
  }
  return out;
}

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
    // Turned to face the camera and set back far enough to fill the height.
    const host::Box3 box = mesh.getBoundingBox();
    const float radius = box.Width().Length() * 0.5f;
    host::INode* node = scene.CreateNode("object", new host::TriObject(std::move(mesh)));
    const host::Matrix3 turn = host::TransMatrix(-box.Center()) * host::RotateXMatrix(-kPi / 2);
    node->SetNodeTM(0, turn * host::TransMatrix({0, 0, -2.6f * radius}));
    auto* cam = new host::GenCamera();
    cam->SetFOV(0, kPi / 3);
    cam->SetManualClip(true);
    cam->SetClipDist(0, 0.01f * radius, 100.0f * radius);
    host::INode* camNode = scene.CreateNode("camera", cam);
    view.imageWidth = 1920;
    view.imageHeight = 1080;
    view.region = {0, 0, 1919, 1079};
    pw::setupView(view, 0, camNode);
    pw::rebuildClipWindow(view, false);
    pw::gatherObjects(scene.Root(), pw::PwGatherOptions(), instances);
    pw::PwSceneStats stats;
    pw::PwRenderInstance& inst = *instances.at(0);
    if (!pw::prepareInstance(inst, 0, view, pw::PwPrepareSettings(), stats) || !pw::placeInstance(inst, view)) return;
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
