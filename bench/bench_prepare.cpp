// One frame's preparation of a million-triangle object: the mesh copied
// into the instance, moved into the view, clipped and marked front or back.
// "Whole" sees the object entirely inside the view; "Cut" has the near
// plane and two sides of the window slicing through it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "host/scene/camera.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"
#include "frame/backface.h"
#include "render/gather.h"
#include "frame/mesh_transform.h"
#include "render/prepare.h"
#include "render/view_setup.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// A UV sphere of radius 1 with rings x segments quads (poles as fans):
// 2 * segments * (rings - 1) triangles.
host::Mesh uvSphere(int rings, int segments) {
  host::Mesh m;
  int numVerts = 2 + (rings - 1) * segments;
  int numFaces = 2 * segments * (rings - 1);
  m.setNumVerts(numVerts);
  m.setNumFaces(numFaces);
  m.setVert(0, {0, 0, 1});
  m.setVert(1, {0, 0, -1});
  for (int r = 1; r < rings; ++r) {
    float theta = kPi * r / rings;
    for (int s = 0; s < segments; ++s) {
      float phi = 2 * kPi * s / segments;
      m.setVert(2 + (r - 1) * segments + s,
                {std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta)});
    }
  }
  auto ring = [&](int r, int s) { return static_cast<std::uint32_t>(2 + (r - 1) * segments + (s % segments)); };
  int f = 0;
  for (int s = 0; s < segments; ++s) {
    m.faces()[f++].setVerts(0, ring(1, s), ring(1, s + 1));
    m.faces()[f++].setVerts(1, ring(rings - 1, s + 1), ring(rings - 1, s));
  }
  for (int r = 1; r < rings - 1; ++r) {
    for (int s = 0; s < segments; ++s) {
      m.faces()[f++].setVerts(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1));
      m.faces()[f++].setVerts(ring(r, s), ring(r + 1, s + 1), ring(r, s + 1));
    }
  }
  for (host::Face& face : m.faces()) {
    face.setSmGroup(1);
    face.setEdgeVisFlags(true, true, false);
  }
  m.setMapSupport(1);  // texture coordinates, as real meshes carry them
  m.setNumMapVerts(1, numVerts);
  for (int i = 0; i < numFaces; ++i) {
    const host::Face& face = m.faces()[i];
    m.mapFaces(1)[i].setTVerts(face.v[0], face.v[1], face.v[2]);
  }
  return m;
}

struct BenchScene {
  host::Scene scene;
  pw::PwViewState view;
  std::vector<std::unique_ptr<pw::PwRenderInstance>> instances;
  int faces = 0;

  explicit BenchScene(host::Point3 position) {
    host::Mesh mesh = uvSphere(500, 1000);  // 998,000 triangles
    faces = mesh.getNumFaces();
    host::INode* node = scene.CreateNode("sphere", new host::TriObject(std::move(mesh)));
    node->SetNodeTM(0, host::TransMatrix(position));
    auto* cam = new host::GenCamera();
    cam->SetFOV(0, kPi / 3);
    cam->SetManualClip(true);
    cam->SetClipDist(0, 1.0f, 1000.0f);
    host::INode* camNode = scene.CreateNode("camera", cam);
    view.imageWidth = 1920;
    view.imageHeight = 1080;
    view.region = {0, 0, 1919, 1079};
    pw::setupView(view, 0, camNode);
    pw::rebuildClipWindow(view, false);
    pw::gatherObjects(scene.Root(), pw::PwGatherOptions(), instances);
  }
};

void runFrames(benchmark::State& state, host::Point3 position) {
  BenchScene s(position);
  pw::PwRenderInstance& inst = *s.instances.at(0);
  pw::PwPrepareSettings settings;
  std::size_t clipped = 0;
  for (auto _ : state) {
    pw::PwSceneStats stats;
    bool visible = pw::prepareInstance(inst, 0, s.view, settings, stats) && pw::placeInstance(inst, s.view);
    benchmark::DoNotOptimize(visible);
    clipped = inst.mesh.clipPoints.size();
  }
  state.SetItemsProcessed(state.iterations() * s.faces);
  state.counters["clipPoints"] = static_cast<double>(clipped);
  state.counters["whollyInside"] = inst.whollyInside;
}

void BM_PrepareAndPlace_Whole(benchmark::State& state) { runFrames(state, {0, 0, -6}); }
void BM_PrepareAndPlace_Cut(benchmark::State& state) { runFrames(state, {0.9f, 0.5f, -1.6f}); }

// The steps of the cut frame one by one, on a mesh already copied.
void BM_Steps_Cut(benchmark::State& state) {
  BenchScene s({0.9f, 0.5f, -1.6f});
  pw::PwRenderInstance& inst = *s.instances.at(0);
  pw::PwSceneStats stats;
  pw::prepareInstance(inst, 0, s.view, pw::PwPrepareSettings(), stats);
  pw::PwRenderMesh objectSpace = inst.mesh;
  int step = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    inst.mesh.verts = objectSpace.verts;
    inst.mesh.faces = objectSpace.faces;
    if (step >= 1) pw::transformToCamera(inst.mesh, inst.objToCam, s.view.proj);
    state.ResumeTiming();
    switch (step) {
      case 0: pw::transformToCamera(inst.mesh, inst.objToCam, s.view.proj); break;
      case 1: benchmark::DoNotOptimize(pw::clipMesh(inst.mesh, s.view.proj, s.view.clipWindow)); break;
      case 2:
        pw::clipMesh(inst.mesh, s.view.proj, s.view.clipWindow);
        benchmark::DoNotOptimize(pw::markBackFaces(inst.mesh.verts, inst.mesh.faces, inst.mesh.clipPoints));
        break;
    }
  }
  state.SetItemsProcessed(state.iterations() * s.faces);
  state.SetLabel(step == 0 ? "transform+project" : step == 1 ? "clip" : "clip+mark");
}

}  // namespace

BENCHMARK(BM_PrepareAndPlace_Whole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareAndPlace_Cut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Steps_Cut)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
