// The surface pass inside whole frames: boxes before a camera, filled
// through the renderer's Open/Render/Close with the real pass plugged in,
// and the pictures checked pixel by pixel against what the camera sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "frame/projection.h"
#include "host/shading/mtl.h"
#include "library/holder.h"
#include "library/library_materials.h"
#include "library/style_assignment.h"
#include "render/def_light_desc.h"
#include "render/surface_stage.h"
#include "styles/style.h"
#include "surfaces/surface.h"
#include "frame_fixture.h"

namespace pwtest {
namespace {

// A material of one colour and transparency, which checks on every pixel it
// shades that the context describes that pixel.
class ProbeMtl : public host::Mtl {
 public:
  static constexpr host::Class_ID kId{0x7E570003, 0x00000001};
  ProbeMtl(host::Color c, float transparency, std::uint32_t req = 0) : colour(c), xp(transparency), reqs(req) {}

  host::Class_ID ClassID() const override { return kId; }
  std::string GetClassName() const override { return "ProbeMtl"; }
  host::Color GetAmbient(int = 0, bool = false) override { return colour; }
  host::Color GetDiffuse(int = 0, bool = false) override { return colour; }
  host::Color GetSpecular(int = 0, bool = false) override { return colour; }
  float GetShininess(int = 0, bool = false) override { return 0.0f; }
  float GetShinStr(int = 0, bool = false) override { return 0.0f; }
  float GetXParency(int = 0, bool = false) override { return xp; }
  void SetAmbient(const host::Color&, host::TimeValue) override {}
  void SetDiffuse(const host::Color&, host::TimeValue) override {}
  void SetSpecular(const host::Color&, host::TimeValue) override {}
  void SetShininess(float, host::TimeValue) override {}
  std::uint32_t Requirements(int) override { return reqs; }

  void Shade(host::ShadeContext& sc) override {
    ++shaded;
    int x, y;
    sc.ScreenCoord(x, y);
    // The point projects onto the pixel's centre.
    const host::Point2 s = pw::project(*proj, sc.P());
    worst = std::max({worst, std::fabs(s.x - (x + 0.5f)), std::fabs(s.y - (y + 0.5f))});
    const host::Point3 b = sc.BarycentricCoords();
    worst = std::max(worst, std::fabs(b.x + b.y + b.z - 1.0f));
    worst = std::max(worst, std::fabs(sc.Normal().Length() - 1.0f));
    worst = std::max(worst, std::fabs(host::Normalize(sc.P()).x - sc.V().x));
    // Seen from the front: the shading normal faces the viewer.
    if (host::DotProd(sc.Normal(), sc.V()) > 0.0f) ++facingAway;
    // Materials hand back colour already multiplied by their opacity.
    sc.out.c = colour * (1.0f - xp);
    sc.out.t = host::Color(xp, xp, xp);
  }

  host::Color colour;
  float xp;
  std::uint32_t reqs;
  const pw::PwProjection* proj = nullptr;
  int shaded = 0;
  int facingAway = 0;
  float worst = 0.0f;
};

class SurfaceFrameTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    renderer->Stages().surfaces = stage;
    settings().linesOn = false;
  }

  // The default style's surface, which every node draws with.
  pw::PwSurface& surface() {
    pw::PwObjectLibrary* library = pw::GetCurrentLibrary(scene->Root());
    EXPECT_NE(library, nullptr);
    auto* style = dynamic_cast<pw::PwStyle*>(library->Get(pw::DefaultStyleSlot(*library)));
    EXPECT_NE(style, nullptr);
    auto* s = dynamic_cast<pw::PwSurface*>(style->GetSurface());
    EXPECT_NE(s, nullptr);
    return *s;
  }

  ProbeMtl* probe(host::INode* node, host::Color c, float xp = 0.0f, std::uint32_t req = 0) {
    auto* m = new ProbeMtl(c, xp, req);
    m->proj = &renderer->Run().view.proj;
    node->SetMtl(m);
    return m;
  }

  host::BMM_Color_64 pixel(int x, int y) { return output.Row(y)[static_cast<std::size_t>(x)]; }

  // Pixels whose centre lies inside the convex hull of a box's projected
  // corners by more than a margin (+1), outside by more than it (-1), or
  // near the outline (0).
  std::vector<int> silhouette(const host::Box3& box, const host::Matrix3& objToWorld) {
    const pw::PwViewState& view = renderer->Run().view;
    std::vector<host::Point2> pts;
    for (int i = 0; i < 8; ++i) pts.push_back(pw::project(view.proj, box[i] * objToWorld * view.cameraFromWorld()));
    std::sort(pts.begin(), pts.end(), [](auto a, auto b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    std::vector<host::Point2> hull;
    auto cross = [](host::Point2 o, host::Point2 a, host::Point2 b) {
      return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    };
    for (int pass = 0; pass < 2; ++pass) {
      const std::size_t start = hull.size();
      for (const host::Point2& p : pts) {
        while (hull.size() >= start + 2 && cross(hull[hull.size() - 2], hull.back(), p) <= 0) hull.pop_back();
        hull.push_back(p);
      }
      hull.pop_back();
      std::reverse(pts.begin(), pts.end());
    }
    std::vector<int> out(kImageWidth * kImageHeight);
    for (int y = 0; y < kImageHeight; ++y)
      for (int x = 0; x < kImageWidth; ++x) {
        const host::Point2 c{x + 0.5f, y + 0.5f};
        float inside = 1e30f;
        for (std::size_t i = 0; i < hull.size(); ++i) {
          const host::Point2 a = hull[i], b = hull[(i + 1) % hull.size()];
          inside = std::min(inside, cross(a, b, c) / (b - a).Length());
        }
        out[static_cast<std::size_t>(y * kImageWidth + x)] = inside > 0.01f ? 1 : inside < -0.01f ? -1 : 0;
      }
    return out;
  }

  std::shared_ptr<pw::PwSurfaceStage> stage = std::make_shared<pw::PwSurfaceStage>();
};

constexpr host::BMM_Color_64 kBackground{0, 0, 65535, 0};

TEST_F(SurfaceFrameTest, BoxCoversExactlyWhatTheCameraSeesOfIt) {
  ASSERT_TRUE(surface().SetKind(static_cast<int>(pw::SurfaceKind::MaxMaterial)));
  host::INode* node = box("Box", {0.4f, -0.3f, 0.0f}, 1.5f);
  node->SetNodeTM(0, host::RotateYMatrix(0.6f) * host::RotateXMatrix(0.4f));
  ProbeMtl* m = probe(node, {1.0f, 0.5f, 0.25f});
  ASSERT_EQ(renderOnce(), 1);
  const host::Box3 b({-1.1f, -1.8f, -1.5f}, {1.9f, 1.2f, 1.5f});
  const std::vector<int> expect = silhouette(b, node->GetObjectTM(0));
  int inside = 0;
  for (int y = 0; y < kImageHeight; ++y)
    for (int x = 0; x < kImageWidth; ++x) {
      const int e = expect[static_cast<std::size_t>(y * kImageWidth + x)];
      const host::BMM_Color_64 p = pixel(x, y);
      if (e > 0) {
        ++inside;
        EXPECT_EQ(p, (host::BMM_Color_64{65535, 32767, 16383, 65535})) << x << "," << y;
      } else if (e < 0) {
        EXPECT_EQ(p, kBackground) << x << "," << y;
      }
    }
  EXPECT_GT(inside, 100);
  EXPECT_LT(m->worst, 2e-3f) << "the shading context described another pixel";
  EXPECT_EQ(m->facingAway, 0);
  EXPECT_EQ(stage->Stats().shaded, m->shaded);
  EXPECT_LE(stage->Stats().covered, 3 * inside) << "a closed box is shaded from the front only";
}

TEST_F(SurfaceFrameTest, MatteBoxCutsTheBackgroundIntoWhatIsBehindIt) {
  // The matte box is nearer and drawn first; the far box shows round it.
  host::INode* far = box("Far", {0.0f, 0.0f, -4.0f}, 3.0f);
  host::INode* near = box("Near", {0.0f, 0.0f, 2.0f}, 0.8f);
  probe(far, {1.0f, 0.0f, 0.0f});
  probe(near, {0.0f, 1.0f, 0.0f});
  ASSERT_TRUE(surface().SetKind(static_cast<int>(pw::SurfaceKind::Matte)));
  ASSERT_EQ(renderOnce(), 1);
  // Everything drawn is the background colour, opaque where a box is.
  int opaque = 0;
  for (int y = 0; y < kImageHeight; ++y)
    for (int x = 0; x < kImageWidth; ++x) {
      const host::BMM_Color_64 p = pixel(x, y);
      EXPECT_EQ(p.r, 0);
      EXPECT_EQ(p.g, 0);
      EXPECT_EQ(p.b, 65535);
      opaque += p.a == 65535;
    }
  EXPECT_GT(opaque, 200);
}

TEST_F(SurfaceFrameTest, MatteObjectCutsTheBackgroundOutOfAShadedOneBehind) {
  host::INode* far = box("Far", {0.0f, 0.0f, -4.0f}, 3.0f);
  host::INode* near = box("Near", {0.0f, 0.0f, 2.0f}, 0.8f);
  probe(far, {1.0f, 0.0f, 0.0f});
  probe(near, {0.0f, 1.0f, 0.0f});
  // The far box keeps its own material through another style; the near one
  // draws with the default style, made matte.
  ASSERT_TRUE(surface().SetKind(static_cast<int>(pw::SurfaceKind::Matte)));
  pw::PwObjectLibrary* library = pw::GetCurrentLibrary(scene->Root());
  int own = -1;
  for (int i = 0; i < library->Capacity() && own < 0; ++i)
    if (pw::IsStyle(library->Get(i)) && library->Get(i)->GetName() == "Max Material") own = i;
  ASSERT_GE(own, 0);
  ASSERT_TRUE(pw::AssignStyle(*far, *library, own));
  ASSERT_EQ(renderOnce(), 1);
  const host::BMM_Color_64 cut{0, 0, 65535, 65535};
  const host::BMM_Color_64 red{65535, 0, 0, 65535};
  EXPECT_EQ(pixel(kImageWidth / 2, kImageHeight / 2), cut) << "the matte box shows the background, opaque";
  int cutCount = 0, redCount = 0;
  for (int y = 0; y < kImageHeight; ++y)
    for (int x = 0; x < kImageWidth; ++x) {
      const host::BMM_Color_64 p = pixel(x, y);
      cutCount += p == cut;
      redCount += p == red;
      EXPECT_TRUE(p == cut || p == red || p == kBackground) << x << "," << y;
    }
  EXPECT_GT(cutCount, 20);
  EXPECT_GT(redCount, cutCount) << "the far box shows round the cut";
}

TEST_F(SurfaceFrameTest, NoneKindDrawsNothing) {
  host::INode* far = box("Far", {0.0f, 0.0f, -4.0f}, 3.0f);
  probe(far, {1.0f, 0.0f, 0.0f});
  ASSERT_TRUE(surface().SetKind(static_cast<int>(pw::SurfaceKind::None)));
  ASSERT_EQ(renderOnce(), 1);
  for (int y = 0; y < kImageHeight; ++y)
    for (int x = 0; x < kImageWidth; ++x) ASSERT_EQ(pixel(x, y), kBackground);
  EXPECT_EQ(stage->Stats().faces, 0);
}

TEST_F(SurfaceFrameTest, HalfVisibleNodeHasHalfTheAlphaOverTheBackground) {
  ASSERT_TRUE(surface().SetKind(static_cast<int>(pw::SurfaceKind::MaxMaterial)));
  host::INode* node = box("Box", {0.0f, 0.0f, 0.0f}, 1.0f);
  probe(node, {1.0f, 1.0f, 1.0f});
  node->SetVisibility(0, 0.5f);
  ASSERT_EQ(renderOnce(), 1);
  // alpha 0.5 x 65535 truncated; white premultiplied, laid over the blue
  // background: ((65535 x 32769) >> 16) + 32767 in blue.
  const host::BMM_Color_64 centre = pixel(kImageWidth / 2, kImageHeight / 2);
  EXPECT_EQ(centre, (host::BMM_Color_64{32767, 32767, 65535, 32767}));
}

TEST_F(SurfaceFrameTest, TranslucentBoxOverOpaqueBoxComposites) {
  ASSERT_TRUE(surface().SetKind(static_cast<int>(pw::SurfaceKind::MaxMaterial)));
  probe(box("Far", {0.0f, 0.0f, -3.0f}, 2.0f), {1.0f, 0.0f, 0.0f});
  // Two-sided: its back faces lie between as well.
  probe(box("Near", {0.0f, 0.0f, 2.0f}, 0.5f), {0.0f, 1.0f, 0.0f}, 0.5f, host::MTLREQ_2SIDE | host::MTLREQ_TRANSP);
  ASSERT_EQ(renderOnce(), 1);
  const host::BMM_Color_64 c = pixel(kImageWidth / 2, kImageHeight / 2);
  // Green at alpha 32767 twice over red: red 65535 -> x (32769/65536) twice.
  // The material's half green arrives premultiplied and is not multiplied
  // by its alpha a second time.
  const std::uint32_t g1 = static_cast<std::uint32_t>(0.5f * 65535.0f);
  std::uint32_t r = 65535, g = 0;
  for (int i = 0; i < 2; ++i) {
    r = (r * (65536u - 32767u)) >> 16;
    g = ((g * (65536u - 32767u)) >> 16) + g1;
  }
  EXPECT_EQ(c.r, r);
  EXPECT_EQ(c.g, g);
  EXPECT_EQ(c.b, 0);
  EXPECT_EQ(c.a, 65535);
}

TEST_F(SurfaceFrameTest, MirroredBoxShadesItsFrontWithNormalsTowardsTheViewer) {
  ASSERT_TRUE(surface().SetKind(static_cast<int>(pw::SurfaceKind::MaxMaterial)));
  host::INode* node = box("Box", {0.0f, 0.0f, 0.0f}, 1.0f);
  node->SetNodeTM(0, host::ScaleMatrix({-1.0f, 1.0f, 1.0f}) * host::RotateYMatrix(0.5f));
  ProbeMtl* m = probe(node, {1.0f, 1.0f, 1.0f});
  ASSERT_EQ(renderOnce(), 1);
  EXPECT_GT(m->shaded, 50);
  EXPECT_EQ(m->facingAway, 0);
}

// ---- Default lights --------------------------------------------------------------

TEST(DefLightDesc, ZeroTransformRidesWithTheCamera) {
  host::DefaultLight light;
  light.tm = host::kCameraAttachedLightTM;
  light.ls.color = {0.5f, 0.25f, 1.0f};
  pw::PwDefLightDesc desc(light);
  ASSERT_TRUE(desc.cameraAttached());
  struct AtPoint : host::ShadeContext {
    host::Point3 p;
    host::TimeValue CurTime() override { return 0; }
    host::LightDesc* Light(int) override { return nullptr; }
    host::Point3 P() override { return p; }
    host::Point3 V() override { return {}; }
    void SetView(const host::Point3&) override {}
    host::Point3 Normal() override { return {}; }
    void SetNormal(const host::Point3&) override {}
    void ScreenUV(host::Point2&, host::Point2&) override {}
    host::Point3 UVW(int) override { return {}; }
  } sc;
  sc.p = {3.0f, 0.0f, -4.0f};
  for (const host::Matrix3& camera : {host::Matrix3(), host::RotateYMatrix(1.0f) * host::TransMatrix({5, -2, 7})}) {
    desc.UpdateViewDepParams(camera);
    EXPECT_EQ(desc.lightPos, host::Point3());
    host::Color c;
    host::Point3 dir;
    float dotNL = 0, diffuse = 0;
    ASSERT_TRUE(desc.Illuminate(sc, {0.0f, 0.0f, 1.0f}, c, dir, dotNL, diffuse));
    EXPECT_NEAR(dir.x, -0.6f, 1e-6f);
    EXPECT_NEAR(dir.z, 0.8f, 1e-6f);
    EXPECT_FLOAT_EQ(dotNL, 0.8f);
    EXPECT_FLOAT_EQ(diffuse, 0.8f);
    EXPECT_EQ(c, light.ls.color);
    EXPECT_FALSE(desc.Illuminate(sc, {1.0f, 0.0f, 0.0f}, c, dir, dotNL, diffuse)) << "turned away: N.L < 0";
    EXPECT_FALSE(desc.Illuminate(sc, {0.0f, 0.0f, -1.0f}, c, dir, dotNL, diffuse));
  }
  // A light placed in the world stays there as the camera moves.
  light.tm = host::TransMatrix({0, 0, 10});
  pw::PwDefLightDesc fixed(light);
  fixed.UpdateViewDepParams(host::TransMatrix({0, 0, -10}));
  EXPECT_EQ(fixed.lightPos, host::Point3());
  fixed.UpdateViewDepParams(host::TransMatrix({1, 0, -10}));
  EXPECT_EQ(fixed.lightPos, host::Point3(1, 0, 0));
}

}  // namespace
}  // namespace pwtest
