// What line generation pays per object for the edge ID and intersection
// restriction modifiers on a million-triangle grid: the stack's evaluation
// (each modifier records its selection; the restriction also copies the
// mesh), and the two queries that lay the recorded selections onto the
// render mesh. Three edge ID modifiers tag every tenth face edge each.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "frame/render_mesh.h"
#include "host/scene/modifier_select.h"
#include "host/scene/node.h"
#include "host/scene/object_derived.h"
#include "host/scene/object_tri.h"
#include "lines/edge_id_modifier.h"
#include "lines/line_modifiers.h"
#include "lines/restrict_si.h"

namespace {

// side x side quads of two triangles.
host::Mesh grid(int side) {
  host::Mesh m;
  const int n = side + 1;
  m.setNumVerts(n * n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) m.setVert(y * n + x, host::Point3(static_cast<float>(x), static_cast<float>(y), 0));
  m.setNumFaces(2 * side * side);
  int f = 0;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const auto a = static_cast<std::uint32_t>(y * n + x);
      const auto c = a + static_cast<std::uint32_t>(n);
      m.faces()[f++].setVerts(a, a + 1, c + 1);
      m.faces()[f++].setVerts(a, c + 1, c);
    }
  return m;
}

struct Scene {
  host::RefHolder hold;
  host::INode* node = nullptr;
  pw::PwRenderMesh mesh;

  explicit Scene(bool restriction) {
    node = new host::INode("Grid");
    hold.reset(node);
    node->SetObjectRef(new host::TriObject(grid(708)));  // 1,002,528 faces
    const int faces = static_cast<host::TriObject*>(node->GetObjectRef())->mesh.getNumFaces();
    std::mt19937 rng(7);
    std::bernoulli_distribution pick(0.1);
    for (int id = 0; id < 3; ++id) {
      host::BitArray edges(3 * faces);
      for (int i = 0; i < 3 * faces; ++i)
        if (pick(rng)) edges.Set(i);
      auto* select = new host::MeshSelectMod();
      select->SetEdgeSelection(edges);
      host::AddModifierToNode(node, select);
      auto* tagger = new pw::PwEdgeIDModifier();
      tagger->SetEdgeID(0, id);
      host::AddModifierToNode(node, tagger);
    }
    if (restriction) {
      host::BitArray selected(faces);
      for (int f = 0; f < faces; f += 2) selected.Set(f);
      auto* select = new host::MeshSelectMod();
      select->SetFaceSelection(selected);
      host::AddModifierToNode(node, select);
      host::AddModifierToNode(node, new pw::PwRestrictSI());
    }
    host::ObjectState os = node->EvalWorldState(0);
    copyHostMesh(static_cast<host::TriObject*>(os.obj)->mesh, mesh);
  }
};

void BM_LineModifiers_Evaluate(benchmark::State& state) {
  Scene s(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(s.node->EvalWorldState(0).obj);
  state.SetItemsProcessed(state.iterations() * s.mesh.numFaces());
}
BENCHMARK(BM_LineModifiers_Evaluate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LineModifiers_ActiveEdgeIds(benchmark::State& state) {
  Scene s(false);
  const std::vector<std::uint8_t> on(5, 1);
  pw::ActiveEdgeIds ids;
  for (auto _ : state) {
    pw::CollectActiveEdgeIds(s.node, 0, s.mesh, on, ids);
    benchmark::DoNotOptimize(ids.faceEdges.data());
  }
  state.SetItemsProcessed(state.iterations() * s.mesh.numFaces());
}
BENCHMARK(BM_LineModifiers_ActiveEdgeIds)->Unit(benchmark::kMillisecond);

void BM_LineModifiers_IntersectionFaces(benchmark::State& state) {
  Scene s(true);
  pw::IntersectionFaces faces;
  for (auto _ : state) {
    pw::ResolveIntersectionFaces(s.node, s.mesh.numFaces(), faces);
    benchmark::DoNotOptimize(faces.faces.data());
  }
  state.SetItemsProcessed(state.iterations() * s.mesh.numFaces());
}
BENCHMARK(BM_LineModifiers_IntersectionFaces)->Unit(benchmark::kMillisecond);

}  // namespace
