// Importing model files: a generated OBJ of about a million triangles (as
// quads, so the polygon cutting is paid for) and the everyday glTF test mesh
// suzanne3.glb (62,976 triangles, whose hard edges come from its normals).
// The counter sec_per_Mtri is the import time per million triangles.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>

#include "import/import_gltf.h"
#include "import/import_obj.h"
#include "host/services/interface.h"
#include "host/scene/object_tri.h"

namespace {

namespace fs = std::filesystem;

// A torus of 708 x 707 quads: 1,001,112 triangles, with texture
// coordinates, two smoothing groups (inner and outer half) and two
// materials.
constexpr int kRing = 708;
constexpr int kTube = 707;

struct GeneratedObj {
  fs::path dir;
  std::string path;
  long triangles = 0;

  GeneratedObj() {
    dir = fs::temp_directory_path() / ("pw_bench_import_" + std::to_string(getpid()));
    fs::create_directories(dir);
    path = (dir / "torus.obj").string();
    std::ofstream mtl(dir / "torus.mtl");
    mtl << "newmtl Inner\nKd 0.8 0.3 0.2\nnewmtl Outer\nKd 0.2 0.4 0.8\n";
    std::ofstream out(path);
    out << "mtllib torus.mtl\no Torus\n";
    char line[128];
    for (int i = 0; i < kRing; ++i)
      for (int j = 0; j < kTube; ++j) {
        const double u = 2.0 * std::numbers::pi * i / kRing, v = 2.0 * std::numbers::pi * j / kTube;
        const double r = 3.0 + std::cos(v);
        std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", r * std::cos(u), std::sin(v), r * std::sin(u));
        out << line;
      }
    for (int i = 0; i <= kRing; ++i)
      for (int j = 0; j <= kTube; ++j) {
        std::snprintf(line, sizeof line, "vt %.6f %.6f\n", static_cast<double>(i) / kRing,
                      static_cast<double>(j) / kTube);
        out << line;
      }
    auto vert = [](int i, int j) { return (i % kRing) * kTube + (j % kTube) + 1; };
    auto tex = [](int i, int j) { return i * (kTube + 1) + j + 1; };
    for (int half = 0; half < 2; ++half) {
      out << "usemtl " << (half ? "Outer" : "Inner") << "\ns " << (half + 1) << "\n";
      for (int i = 0; i < kRing; ++i)
        for (int j = half ? kTube / 2 : 0; j < (half ? kTube : kTube / 2); ++j) {
          std::snprintf(line, sizeof line, "f %d/%d %d/%d %d/%d %d/%d\n", vert(i, j), tex(i, j), vert(i + 1, j),
                        tex(i + 1, j), vert(i + 1, j + 1), tex(i + 1, j + 1), vert(i, j + 1), tex(i, j + 1));
          out << line;
          triangles += 2;
        }
    }
  }
  ~GeneratedObj() { fs::remove_all(dir); }
};

const GeneratedObj& Torus() {
  static const GeneratedObj obj;
  return obj;
}

int TotalFaces(host::INode* node) {
  int n = 0;
  for (int i = 0; i < node->NumberOfChildren(); ++i) {
    host::INode* child = node->GetChildNode(i);
    if (auto* tri = dynamic_cast<host::TriObject*>(child->GetObjectRef())) n += tri->mesh.getNumFaces();
    n += TotalFaces(child);
  }
  return n;
}

void Report(benchmark::State& state, double triangles) {
  state.counters["triangles"] = triangles;
  state.counters["sec_per_Mtri"] =
      benchmark::Counter(triangles / 1e6, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ImportObjMillionTriangles(benchmark::State& state) {
  const GeneratedObj& obj = Torus();
  host::SetQuiet(true);
  int faces = 0;
  for (auto _ : state) {
    host::Scene scene;
    std::string error;
    if (!host::ImportObj(obj.path, scene, nullptr, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    faces = TotalFaces(scene.Root());
    benchmark::DoNotOptimize(faces);
  }
  if (faces != obj.triangles) state.SkipWithError("the import lost triangles");
  Report(state, static_cast<double>(faces));
}
BENCHMARK(BM_ImportObjMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportGltfSuzanne3(benchmark::State& state) {
  const std::string path =
      (fs::path(__FILE__).parent_path().parent_path() / "tests" / "data" / "meshes" / "suzanne3.glb").string();
  host::SetQuiet(true);
  int faces = 0;
  for (auto _ : state) {
    host::Scene scene;
    std::string error;
    if (!host::ImportGltf(path, scene, nullptr, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    faces = TotalFaces(scene.Root());
    benchmark::DoNotOptimize(faces);
  }
  Report(state, static_cast<double>(faces));
}
BENCHMARK(BM_ImportGltfSuzanne3)->Unit(benchmark::kMillisecond);

}  // namespace
