// A point to shade and lights to shade it with, for the tests of the
// shaders and materials: a normal, a view vector, map coordinates and any
// number of lights, all in camera space.
#pragma once

#include <vector>

#include "host/render_api/render_interfaces.h"

namespace pwtest {

// A point light. Illuminate answers what a plain renderer light does: the
// direction towards it, dotNL = diffuse share = N · L, lit when positive.
// `blocked` (0..1) is the share of its light that a shadow takes away while
// the context casts shadows.
class TestLight : public host::LightDesc {
 public:
  TestLight(host::Point3 at, host::Color c) : position(at), colour(c) {}

  host::Point3 position;
  host::Color colour;
  float blocked = 0.0f;
  int calls = 0;

  bool Illuminate(host::ShadeContext& sc, const host::Point3& normal, host::Color& color, host::Point3& dir,
                  float& dotNL, float& diffuseCoef) override {
    ++calls;
    dir = host::Normalize(position - sc.P());
    color = sc.shadow ? colour * (1.0f - blocked) : colour;
    dotNL = diffuseCoef = host::DotProd(normal, dir);
    return ambientOnly || dotNL > 0.0f;
  }
  host::Point3 LightPosition() override { return position; }
};

class TestContext : public host::ShadeContext {
 public:
  host::Point3 p;
  host::Point3 view{0.0f, 0.0f, -1.0f};
  host::Point3 normal{0.0f, 0.0f, 1.0f};
  host::Point3 uvw;
  bool inMtlEditor = false;
  std::vector<host::LightDesc*> lights;

  bool InMtlEditor() override { return inMtlEditor; }
  host::TimeValue CurTime() override { return 0; }
  host::LightDesc* Light(int n) override {
    return n >= 0 && n < static_cast<int>(lights.size()) ? lights[static_cast<std::size_t>(n)] : nullptr;
  }
  host::Point3 P() override { return p; }
  host::Point3 V() override { return view; }
  void SetView(const host::Point3& v) override { view = v; }
  host::Point3 Normal() override { return normal; }
  void SetNormal(const host::Point3& n) override { normal = n; }
  void ScreenUV(host::Point2& uv, host::Point2& duv) override { uv = duv = host::Point2(); }
  host::Point3 UVW(int) override { return uvw; }

  void AddLight(host::LightDesc* light) {
    lights.push_back(light);
    nLights = static_cast<int>(lights.size());
  }
};

// A light far along `towards` (from the origin) whose diffuse share at a
// point at the origin with normal n is n · towards.
inline TestLight LightFrom(host::Point3 towards, host::Color colour = host::Color(1.0f, 1.0f, 1.0f)) {
  return TestLight(host::Normalize(towards) * 1000.0f, colour);
}

}  // namespace pwtest
