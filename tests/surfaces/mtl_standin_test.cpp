#include <gtest/gtest.h>

#include <cmath>

#include "host/render_api/render_interfaces.h"
#include "surfaces/mtl_standin.h"

using namespace host;
using pw::PwMtlStandin;

namespace {

// A light from a fixed direction with a chosen diffuse share.
class FixedLight : public LightDesc {
 public:
  FixedLight(Point3 dir, float share, Color colour) : dir_(dir), share_(share), colour_(colour) {}
  bool Illuminate(ShadeContext&, const Point3& normal, Color& color, Point3& dir, float& dotNL,
                  float& diffuseCoef) override {
    dir = dir_;
    color = colour_;
    dotNL = DotProd(normal, dir_);
    diffuseCoef = share_;
    return dotNL > 0.0f;
  }

 private:
  Point3 dir_;
  float share_;
  Color colour_;
};

class PointContext : public ShadeContext {
 public:
  std::vector<LightDesc*> lights;
  Point3 normal{0, 0, 1};
  Point3 view{0, 0, -1};
  TimeValue CurTime() override { return 0; }
  LightDesc* Light(int n) override { return lights[n]; }
  Point3 P() override { return {}; }
  Point3 V() override { return view; }
  void SetView(const Point3& v) override { view = v; }
  Point3 Normal() override { return normal; }
  void SetNormal(const Point3& n) override { normal = n; }
  void ScreenUV(Point2& uv, Point2& duv) override { uv = duv = Point2(); }
  Point3 UVW(int) override { return {}; }
};

}  // namespace

TEST(MtlStandin, ColoursComeFromTheWireColour) {
  PwMtlStandin m(Color(0.9f, 0.6f, 0.3f));
  EXPECT_NEAR(m.GetAmbient().r, 0.9f * 0.3333f, 1e-6);
  EXPECT_EQ(m.GetDiffuse(), Color(0.9f, 0.6f, 0.3f));
  EXPECT_EQ(m.GetSpecular(), Color(0.9f, 0.9f, 0.9f));
  EXPECT_NEAR(pw::StandinHighlightExponent(), 22.627417f, 1e-5);
}

TEST(MtlStandin, WithoutLightsOnlyAmbientShows) {
  PwMtlStandin m(Color(0.9f, 0.6f, 0.3f));
  PointContext sc;
  sc.ambientLight = Color(1.0f, 1.0f, 1.0f);
  m.Shade(sc);
  EXPECT_NEAR(sc.out.c.r, 0.3f, 1e-3);
  EXPECT_NEAR(sc.out.c.g, 0.2f, 1e-3);
  EXPECT_NEAR(sc.out.c.b, 0.1f, 1e-3);
  EXPECT_EQ(sc.out.t, Color(0.0f, 0.0f, 0.0f));
}

TEST(MtlStandin, HeadOnLightGivesDiffuseAndFullHighlight) {
  PwMtlStandin m(Color(0.5f, 0.5f, 0.5f));
  FixedLight light(Point3(0, 0, 1), 1.0f, Color(1, 1, 1));
  PointContext sc;
  sc.lights = {&light};
  sc.nLights = 1;
  m.Shade(sc);
  // N = L = -V: the half vector is N, f = 1, highlight = 0.05 × 0.9.
  EXPECT_NEAR(sc.out.c.r, 0.5f + 0.05f * 0.9f, 1e-5);
}

TEST(MtlStandin, GrazingHighlightFadesInSmoothly) {
  PwMtlStandin m(Color(0.0f, 0.0f, 0.0f));
  PointContext sc;
  sc.nLights = 1;
  float previous = -1.0f;
  // As the diffuse share grows to the grazing limit the highlight grows
  // steadily and meets the full highlight without a jump.
  for (float k : {0.0f, 0.02f, 0.05f, 0.08f, 0.0999f, 0.1f}) {
    FixedLight light(Point3(0, 0, 1), k, Color(1, 1, 1));
    sc.lights = {&light};
    m.Shade(sc);
    EXPECT_GT(sc.out.c.r, previous) << "k = " << k;
    previous = sc.out.c.r;
  }
  EXPECT_NEAR(previous, 0.05f * 0.9f, 1e-5);
  FixedLight nearLimit(Point3(0, 0, 1), 0.0999f, Color(1, 1, 1));
  sc.lights = {&nearLimit};
  m.Shade(sc);
  EXPECT_NEAR(sc.out.c.r, previous, 1e-4);
}

TEST(MtlStandin, LightBehindTheFaceAddsNothing) {
  PwMtlStandin m(Color(1.0f, 1.0f, 1.0f));
  FixedLight light(Point3(0, 0, -1), 1.0f, Color(1, 1, 1));
  PointContext sc;
  sc.lights = {&light};
  sc.nLights = 1;
  m.Shade(sc);
  EXPECT_EQ(sc.out.c, Color(0.0f, 0.0f, 0.0f));
}
