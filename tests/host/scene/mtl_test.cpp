#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include <unistd.h>

#include "host/imaging/image_io.h"
#include "host/services/interface.h"
#include "host/scene/light.h"
#include "host/shading/mtl_multi.h"
#include "host/shading/mtl_std.h"
#include "host/shading/scene_aux_files.h"
#include "host/scene/scene_model.h"
#include "host/shading/texmap_bitmap.h"
#include "scene_test_support.h"

using namespace host;

namespace {

constexpr float kEps = 1e-4f;

void ExpectColor(const Color& got, const Color& want, const char* what = "") {
  EXPECT_NEAR(got.r, want.r, kEps) << what;
  EXPECT_NEAR(got.g, want.g, kEps) << what;
  EXPECT_NEAR(got.b, want.b, kEps) << what;
}

BMM_Color_64 Px(float r, float g, float b, float a = 1.0f) {
  return {ToWord16(r), ToWord16(g), ToWord16(b), ToWord16(a)};
}

// 2 × 2: top row red, green; bottom row blue, half-transparent white.
Bitmap Quad() {
  Bitmap image;
  image.Create(2, 2);
  image.SetPixel(0, 0, Px(1, 0, 0));
  image.SetPixel(1, 0, Px(0, 1, 0));
  image.SetPixel(0, 1, Px(0, 0, 1));
  image.SetPixel(1, 1, Px(1, 1, 1, 0.5f));
  return image;
}

// One white omni light straight above the shaded point, camera = world.
struct Lighting {
  Scene scene;
  std::unique_ptr<ObjLightDesc> desc;
  Lighting() {
    auto* light = new GenLight(OMNI_LGT);
    INode* node = scene.CreateNode("light", light);
    node->TMController().SetValue(TransMatrix({0, 0, 10}));
    desc = light->CreateLightDesc(node);
    desc->Update(0, RendContext(), nullptr, false, false);
    desc->UpdateViewDepParams(Matrix3());
  }
};

scenetest::StubShadeContext ContextLitBy(Lighting& lighting, const Point3& normal) {
  scenetest::StubShadeContext sc;
  sc.normal = normal;
  sc.view = {0, 0, -1};
  sc.AddLight(lighting.desc.get());
  return sc;
}

// ---- Standard material ----------------------------------------------------------------

TEST(StdMat, DiffuseFollowsTheLightAndOpacityPremultiplies) {
  Lighting lighting;
  auto* mtl = new StdMat();
  RefHolder hold(mtl);
  mtl->SetAmbient(Color(0, 0, 0), 0);
  mtl->SetDiffuse(Color(0.8f, 0.4f, 0.2f), 0);
  const float c60 = 0.5f;
  struct Case {
    Point3 normal;
    float opacity;
    Color c;
    float t;
  } cases[] = {
      {{0, 0, 1}, 1.0f, {0.8f, 0.4f, 0.2f}, 0.0f},
      {Normalize(Point3(std::sqrt(3.0f), 0, 1)), 1.0f, {0.8f * c60, 0.4f * c60, 0.2f * c60}, 0.0f},
      {{0, 0, -1}, 1.0f, {0, 0, 0}, 0.0f},  // facing away: no light, no ambient
      {{0, 0, 1}, 0.5f, {0.4f, 0.2f, 0.1f}, 0.5f},
  };
  for (const Case& c : cases) {
    mtl->SetOpacity(c.opacity, 0);
    auto sc = ContextLitBy(lighting, c.normal);
    mtl->Shade(sc);
    ExpectColor(sc.out.c, c.c);
    ExpectColor(sc.out.t, Color(c.t, c.t, c.t));
    EXPECT_EQ(sc.normal, c.normal) << "the normal is restored";
  }
}

TEST(StdMat, AmbientLightSelfIlluminationAndHighlight) {
  auto* mtl = new StdMat();
  RefHolder hold(mtl);
  mtl->SetAmbient(Color(0.5f, 0.5f, 0.5f), 0);
  mtl->SetDiffuse(Color(0.2f, 0.4f, 0.6f), 0);
  scenetest::StubShadeContext dark;
  dark.ambientLight = Color(0.2f, 0.2f, 0.2f);
  mtl->Shade(dark);
  ExpectColor(dark.out.c, Color(0.1f, 0.1f, 0.1f), "ambient light × ambient colour");

  mtl->GetShader()->SetSelfIllum(1.0f, 0);
  mtl->Shade(dark);
  ExpectColor(dark.out.c, Color(0.2f, 0.4f, 0.6f), "fully self-illuminated shows the diffuse colour");
  mtl->GetShader()->SetSelfIllum(0.0f, 0);

  // A light straight behind the eye, the normal towards it: the highlight
  // adds the specular colour times the level.
  Lighting lighting;
  mtl->SetAmbient(Color(0, 0, 0), 0);
  mtl->SetSpecular(Color(1, 1, 1), 0);
  mtl->SetShinStr(0.5f, 0);
  auto sc = ContextLitBy(lighting, {0, 0, 1});
  mtl->Shade(sc);
  ExpectColor(sc.out.c, Color(0.7f, 0.9f, 1.1f));
}

// A light from a fixed camera-space direction.
class FixedDirLight : public LightDesc {
 public:
  explicit FixedDirLight(Point3 towards) : towards_(Normalize(towards)) {}
  bool Illuminate(ShadeContext&, const Point3& n, Color& color, Point3& dir, float& dotNL, float& k) override {
    color = Color(1, 1, 1);
    dir = towards_;
    dotNL = k = DotProd(n, dir);
    return dotNL > 0.0f;
  }

 private:
  Point3 towards_;
};

// The highlight is brightest where the normal halves the light and the eye
// directions, wherever they are.
TEST(StdMat, HighlightsSitWhereTheLightReflectsTowardsTheEye) {
  auto* mtl = new StdMat();
  RefHolder hold(mtl);
  mtl->SetAmbient(Color(0, 0, 0), 0);
  mtl->SetDiffuse(Color(0, 0, 0), 0);
  mtl->SetSpecular(Color(1, 1, 1), 0);
  mtl->SetShinStr(1.0f, 0);
  mtl->SetShininess(0.4f, 0);
  const Point3 views[] = {{0, 0, -1}, Normalize(Point3(0.3f, 0.1f, -1)), Normalize(Point3(-0.5f, 0.2f, -1))};
  const Point3 lights[] = {Normalize(Point3(1, 0, 1)), Normalize(Point3(-1, 1, 2)), Normalize(Point3(0.2f, -1, 1))};
  for (const Point3& v : views)
    for (const Point3& l : lights) {
      FixedDirLight light(l);
      const Point3 half = Normalize(l - v);
      float best = -1.0f;
      Point3 bestNormal;
      // Normals over the hemisphere facing the eye, one degree apart.
      for (int a = 0; a < 90; ++a)
        for (int b = 0; b < 360; ++b) {
          const float theta = static_cast<float>(a) * 3.14159265f / 180.0f;
          const float phi = static_cast<float>(b) * 3.14159265f / 180.0f;
          const Point3 n(std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta));
          scenetest::StubShadeContext sc;
          sc.normal = n;
          sc.view = v;
          sc.AddLight(&light);
          mtl->Shade(sc);
          if (sc.out.c.r > best) {
            best = sc.out.c.r;
            bestNormal = n;
          }
        }
      EXPECT_GT(DotProd(bestNormal, half), std::cos(1.5f * 3.14159265f / 180.0f))
          << "view " << v.x << "," << v.y << "," << v.z << " light " << l.x << "," << l.y << "," << l.z;
      EXPECT_NEAR(best, 1.0f, 0.01f) << "full strength at the mirror normal";
    }
}

TEST(StdMat, ColourMapsAreLaidOverTheirChannelByAmountAndAlpha) {
  Lighting lighting;
  auto* mtl = new StdMat();
  RefHolder hold(mtl);
  mtl->SetAmbient(Color(0, 0, 0), 0);
  mtl->SetDiffuse(Color(0, 0, 1), 0);
  auto* map = new BitmapTex();
  map->SetBitmap(Quad());
  map->SetName("quad");
  mtl->SetSubTexmap(ID_DI, map);
  struct Case {
    const char* what;
    Point3 uvw;
    float amount;
    bool doMaps;
    Color want;
  } cases[] = {
      {"opaque red texel, full amount", {0.25f, 0.75f, 0}, 1.0f, true, {1, 0, 0}},
      {"opaque red texel, half amount", {0.25f, 0.75f, 0}, 0.5f, true, {0.5f, 0, 0.5f}},
      {"half-transparent white over blue", {0.75f, 0.25f, 0}, 1.0f, true, {0.5f, 0.5f, 1.0f}},
      {"maps off", {0.25f, 0.75f, 0}, 1.0f, false, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    mtl->SetTexmapAmt(ID_DI, c.amount, 0);
    auto sc = ContextLitBy(lighting, {0, 0, 1});
    sc.filterMaps = false;
    sc.doMaps = c.doMaps;
    sc.uvw = c.uvw;
    mtl->Shade(sc);
    ExpectColor(sc.out.c, c.want, c.what);
  }
  mtl->EnableMap(ID_DI, false);
  auto sc = ContextLitBy(lighting, {0, 0, 1});
  sc.uvw = {0.25f, 0.75f, 0};
  mtl->Shade(sc);
  ExpectColor(sc.out.c, Color(0, 0, 1), "switched off");
}

TEST(StdMat, RequirementsAndMappingChannels) {
  auto* mtl = new StdMat();
  RefHolder hold(mtl);
  EXPECT_EQ(mtl->Requirements(-1) & MTLREQ_2SIDE, 0u);
  mtl->SetTwoSided(true);
  // The renderer reads two-sidedness from bit 0.
  EXPECT_EQ(mtl->Requirements(-1) & 1u, 1u);
  EXPECT_EQ(mtl->Requirements(-1) & MTLREQ_TRANSP, 0u);
  mtl->SetOpacity(0.9f, 0);
  EXPECT_NE(mtl->Requirements(-1) & MTLREQ_TRANSP, 0u);

  auto* diffuse = new BitmapTex();
  diffuse->SetMapChannel(3);
  auto* bump = new BitmapTex();
  bump->SetMapChannel(5);
  mtl->SetSubTexmap(ID_DI, diffuse);
  mtl->SetSubTexmap(ID_BU, bump);
  BitArray mapreq(MAX_MESHMAPS), bumpreq(MAX_MESHMAPS);
  mtl->MappingsRequired(-1, mapreq, bumpreq);
  EXPECT_TRUE(mapreq[3]);
  EXPECT_TRUE(mapreq[5]);
  EXPECT_EQ(mapreq.NumberSet(), 2);
  EXPECT_TRUE(bumpreq[5]);
  EXPECT_EQ(bumpreq.NumberSet(), 1);
  EXPECT_NE(mtl->Requirements(-1) & MTLREQ_BUMPUV, 0u);
  mtl->EnableMap(ID_BU, false);
  BitArray mapreq2(MAX_MESHMAPS), bumpreq2(MAX_MESHMAPS);
  mtl->MappingsRequired(-1, mapreq2, bumpreq2);
  EXPECT_FALSE(mapreq2[5]);
  EXPECT_FALSE(mtl->SetSubTexmap(NUM_STD_MAPS, diffuse));
}

TEST(StdMat, APluggedInShaderTakesOverTheColours) {
  auto* mtl = new StdMat();
  RefHolder hold(mtl);
  mtl->SetDiffuse(Color(0.9f, 0.1f, 0.1f), 0);
  mtl->SetShininess(0.6f, 0);
  Shader* old = mtl->GetShader();
  auto* fresh = new BlinnShader();
  ASSERT_TRUE(mtl->SetShader(fresh));
  EXPECT_NE(mtl->GetShader(), old);
  EXPECT_EQ(mtl->GetDiffuse(), Color(0.9f, 0.1f, 0.1f));
  EXPECT_FLOAT_EQ(mtl->GetShininess(), 0.6f);
  EXPECT_FALSE(mtl->SetShader(nullptr));
  EXPECT_EQ(mtl->GetShader(), fresh);
}

TEST(BlinnShader, LocksTieColoursTogether) {
  BlinnShader s;
  s.SetLockAD(true);
  s.SetDiffuseClr(Color(0.3f, 0.3f, 0.3f), 0);
  EXPECT_EQ(s.GetAmbientClr(0), Color(0.3f, 0.3f, 0.3f));
  EXPECT_NE(s.GetSpecularClr(0), Color(0.3f, 0.3f, 0.3f));
  s.SetLockDS(true);
  s.SetSpecularClr(Color(0.7f, 0.7f, 0.7f), 0);
  EXPECT_EQ(s.GetDiffuseClr(0), Color(0.7f, 0.7f, 0.7f));
  EXPECT_EQ(s.GetAmbientClr(0), Color(0.7f, 0.7f, 0.7f));
  s.SetGlossiness(2.0f, 0);
  EXPECT_EQ(s.GetGlossiness(0), 1.0f);
  EXPECT_EQ(s.StdIDToChannel(ID_SH), 4);
  EXPECT_EQ(s.StdIDToChannel(ID_BU), -1);
  EXPECT_EQ(s.ChannelType(s.StdIDToChannel(ID_OP)), MONO_CHANNEL);
}

// ---- Multi/sub-object --------------------------------------------------------------------

TEST(MultiMtl, MaterialIdsSelectSlotsModuloTheirCount) {
  auto* multi = new MultiMtl();
  RefHolder hold(multi);
  // Lit by ambient light alone, each slot shows its ambient colour, which
  // is set to its diffuse colour; an empty slot shades mid grey.
  auto* red = new StdMat();
  red->SetDiffuse(Color(1, 0, 0), 0);
  red->SetAmbient(Color(1, 0, 0), 0);
  auto* green = new StdMat();
  green->SetDiffuse(Color(0, 1, 0), 0);
  green->SetAmbient(Color(0, 1, 0), 0);
  green->SetTwoSided(true);
  EXPECT_EQ(multi->AddSubMtl(red, "red"), 0);
  EXPECT_EQ(multi->AddSubMtl(green, "green"), 1);
  EXPECT_EQ(multi->AddSubMtl(nullptr, "empty"), 2);
  struct Case {
    int id;
    Color diffuse;
  } cases[] = {{0, {1, 0, 0}}, {1, {0, 1, 0}}, {2, {0.5f, 0.5f, 0.5f}}, {3, {1, 0, 0}}, {7, {0, 1, 0}}};
  for (const Case& c : cases) {
    EXPECT_EQ(multi->GetDiffuse(c.id), c.diffuse) << c.id;
    scenetest::StubShadeContext sc;
    sc.mtlNum = c.id;
    sc.ambientLight = Color(1, 1, 1);
    multi->Shade(sc);
    ExpectColor(sc.out.c, c.diffuse);
  }
  EXPECT_EQ(multi->GetSubMtlSlotName(1), "green");
  EXPECT_EQ(multi->Requirements(0) & MTLREQ_2SIDE, 0u);
  EXPECT_EQ(multi->Requirements(4) & MTLREQ_2SIDE, MTLREQ_2SIDE);
  EXPECT_EQ(multi->Requirements(-1) & MTLREQ_2SIDE, MTLREQ_2SIDE);
  EXPECT_FALSE(multi->SetNumSubMtls(MultiMtl::kMaxSlots + 1));
  EXPECT_TRUE(multi->SetNumSubMtls(1));  // releases green
  EXPECT_EQ(multi->NumSubMtls(), 1);
  EXPECT_EQ(multi->GetSubMtl(0), red);
  EXPECT_EQ(multi->GetSubMtl(1), nullptr);
}

// ---- Bitmap texture ------------------------------------------------------------------------

TEST(BitmapTex, TilingOffsetAndWrapPickTheTexel) {
  auto* map = new BitmapTex();
  RefHolder hold(map);
  map->SetBitmap(Quad());
  struct Case {
    const char* what;
    float uTile, uOffset;
    bool wrap;
    float u, v;
    AColor want;
  } cases[] = {
      {"top left", 1, 0, true, 0.25f, 0.75f, {1, 0, 0, 1}},
      {"top right", 1, 0, true, 0.75f, 0.75f, {0, 1, 0, 1}},
      {"bottom left", 1, 0, true, 0.25f, 0.25f, {0, 0, 1, 1}},
      {"half-transparent is premultiplied", 1, 0, true, 0.75f, 0.25f, {0.5f, 0.5f, 0.5f, 0.5f}},
      {"tiled twice wraps back to the left", 2, 0, true, 0.6f, 0.75f, {1, 0, 0, 1}},
      {"offset by half moves to the right", 1, 0.5f, true, 0.25f, 0.75f, {0, 1, 0, 1}},
      {"negative coordinates wrap", 1, 0, true, -0.25f, 0.75f, {0, 1, 0, 1}},
      {"outside without wrap is transparent", 1, 0, false, 1.5f, 0.75f, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    map->SetTiling(c.uTile, 1);
    map->SetOffset(c.uOffset, 0);
    map->SetWrap(c.wrap, c.wrap);
    const AColor got = map->Sample(c.u, c.v, false);
    EXPECT_NEAR(got.r, c.want.r, 1e-3f) << c.what;
    EXPECT_NEAR(got.g, c.want.g, 1e-3f) << c.what;
    EXPECT_NEAR(got.b, c.want.b, 1e-3f) << c.what;
    EXPECT_NEAR(got.a, c.want.a, 1e-3f) << c.what;
  }
  // Filtered at the middle: the mean of the four texels.
  map->SetTiling(1, 1);
  map->SetOffset(0, 0);
  const AColor mid = map->Sample(0.5f, 0.5f, true);
  EXPECT_NEAR(mid.r, 1.5f / 4, 1e-3f);
  EXPECT_NEAR(mid.a, 3.5f / 4, 1e-3f);

  // Screen coordinates for a background.
  map->SetUVWSource(UVWSRC_SCREEN);
  scenetest::StubShadeContext sc;
  sc.filterMaps = false;
  sc.screenUV = {0.75f, 0.75f};
  EXPECT_NEAR(map->EvalColor(sc).g, 1.0f, 1e-3f);
}

class BitmapFiles : public ::testing::Test {
 protected:
  BitmapFiles() {
    saved_ = TheInterfaceState();
    SetNetworkRender(true);
    SetLogSink([this](std::string_view text) { warnings_.emplace_back(text); });
    dir_ = std::filesystem::temp_directory_path() / ("pw_bitmaptex_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  ~BitmapFiles() override {
    TheInterfaceState() = saved_;
    ClearMapSearchDirs();
    std::filesystem::remove_all(dir_);
  }
  InterfaceState saved_;
  std::vector<std::string> warnings_;
  std::filesystem::path dir_;
};

TEST_F(BitmapFiles, AMissingFileIsReportedOnceAndShowsNothing) {
  auto* map = new BitmapTex();
  RefHolder hold(map);
  map->SetName("wood");
  map->SetMapName((dir_ / "missing.png").string());
  scenetest::StubShadeContext sc;
  sc.uvw = {0.5f, 0.5f, 0};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(map->EvalColor(sc), AColor(0, 0, 0, 0));
  EXPECT_FALSE(map->IsLoaded());
  EXPECT_NE(map->LoadError().find("not found"), std::string::npos) << map->LoadError();
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_NE(warnings_[0].find("wood"), std::string::npos) << warnings_[0];
}

TEST_F(BitmapFiles, FilesAreFoundInSearchFoldersAndListedOnce) {
  ASSERT_TRUE(WriteImage((dir_ / "quad.png").string(), Quad(), {}, nullptr));
  Scene scene;
  auto* mtl = new StdMat();
  auto* found = new BitmapTex();
  found->SetMapName("textures/quad.png");  // not where the name says
  auto* missing = new BitmapTex();
  missing->SetMapName("gone.png");
  auto* missingToo = new BitmapTex();
  missingToo->SetMapName("gone.png");
  mtl->SetSubTexmap(ID_DI, found);
  mtl->SetSubTexmap(ID_SP, missing);
  mtl->SetSubTexmap(ID_AM, missingToo);
  scene.CreateNode("n", new TriObject())->SetMtl(mtl);

  // Slot order: ambient, then diffuse; the shared missing name once.
  EXPECT_EQ(CollectAuxFiles(scene.Root(), true), (std::vector<std::string>{"gone.png", "textures/quad.png"}));
  AddMapSearchDir(dir_);
  EXPECT_EQ(CollectAuxFiles(scene.Root(), true), (std::vector<std::string>{"gone.png"}));
  EXPECT_EQ(CollectAuxFiles(scene.Root(), false),
            (std::vector<std::string>{"gone.png", std::filesystem::absolute(dir_ / "quad.png").string()}));

  mtl->LoadMapFiles(0);
  EXPECT_TRUE(found->IsLoaded());
  EXPECT_EQ(found->GetBitmap().Width(), 2);
  EXPECT_FALSE(missing->IsLoaded());
}

}  // namespace
