// Per-point cost of the surface materials: what the surface pass pays per
// covered pixel, with one light and normals that sweep every band.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "host/shading/mtl_std.h"
#include "surfaces/cel_shader.h"
#include "surfaces/mtl_toon.h"

namespace {

using namespace host;

class BenchLight : public LightDesc {
 public:
  bool Illuminate(ShadeContext&, const Point3& n, Color& color, Point3& dir, float& dotNL, float& k) override {
    color = Color(1, 1, 1);
    dir = Point3(0, 0, 1);
    dotNL = k = n.z;
    return dotNL > 0.0f;
  }
  Point3 LightPosition() override { return {0, 0, 1000}; }
};

class BenchContext : public ShadeContext {
 public:
  Point3 normal{0, 0, 1};
  BenchLight light;
  BenchContext() { nLights = 1; }
  TimeValue CurTime() override { return 0; }
  LightDesc* Light(int) override { return &light; }
  Point3 P() override { return {}; }
  Point3 V() override { return {0, 0, -1}; }
  void SetView(const Point3&) override {}
  Point3 Normal() override { return normal; }
  void SetNormal(const Point3& n) override { normal = n; }
  void ScreenUV(Point2& uv, Point2& duv) override { uv = duv = Point2(); }
  Point3 UVW(int) override { return {}; }
};

std::vector<Point3> SweepNormals() {
  std::vector<Point3> normals(4096);
  for (std::size_t i = 0; i < normals.size(); ++i) {
    const float a = static_cast<float>(i) / static_cast<float>(normals.size()) * 3.14159265f;
    normals[i] = Point3(std::cos(a), 0.0f, std::sin(a));
  }
  return normals;
}

void ShadeLoop(benchmark::State& state, Mtl* mtl) {
  const std::vector<Point3> normals = SweepNormals();
  Interval valid = FOREVER;
  mtl->Update(0, valid);
  BenchContext sc;
  std::size_t i = 0;
  for (auto _ : state) {
    sc.normal = normals[i++ & 4095];
    mtl->Shade(sc);
    benchmark::DoNotOptimize(sc.out.c);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ShadeStandardBlinn(benchmark::State& state) {
  auto* mtl = new StdMat();
  RefHolder hold(mtl);
  mtl->SetShinStr(0.5f, 0);
  ShadeLoop(state, mtl);
}
BENCHMARK(BM_ShadeStandardBlinn);

void BM_ShadeStandardCel(benchmark::State& state) {
  auto* mtl = new StdMat();
  RefHolder hold(mtl);
  auto* cel = new pw::PwCelShader();
  mtl->SetShader(cel);
  cel->ApplyCelPreset(static_cast<int>(pw::CelPreset::Cartoon));
  ShadeLoop(state, mtl);
}
BENCHMARK(BM_ShadeStandardCel);

void BM_ShadeToonCartoon(benchmark::State& state) {
  auto* object = new StdMat();
  RefHolder holdObject(object);
  auto* toon = new pw::PwMtlToon();
  RefHolder hold(toon);
  toon->ApplyToonPreset(static_cast<int>(pw::ToonPreset::Cartoon));
  toon->SetObjectMaterial(object);
  ShadeLoop(state, toon);
}
BENCHMARK(BM_ShadeToonCartoon);

}  // namespace
