// The vectoriser between the frame driver and a writer: file checks, faces
// into polygons farthest first, colours per sub-material and side, and the
// numeric locale around the run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <clocale>
#include <cmath>
#include <memory>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/instance.h"
#include "host/refs/reference.h"
#include "host/scene/light.h"
#include "host/services/interface.h"
#include "host/shading/mtl.h"
#include "render/render_run.h"
#include "render/vector_output_settings.h"
#include "render/vectoriser.h"
#include "vector/vector_format_swf.h"
#include "vector/vector_params_ai.h"
#include "vector/vector_params_swf.h"

using namespace pw;
namespace fs = std::filesystem;

namespace {

// Sub-material i's front is (i / 4, 0, 0), its back (0, 0, 1); counts lookups.
class SidedMtl final : public host::Mtl {
 public:
  int lookups = 0;
  int subs = 3;
  host::Color GetAmbient(int, bool) override { return {}; }
  host::Color GetDiffuse(int mtlNum, bool backFace) override {
    ++lookups;
    return backFace ? host::Color(0, 0, 1) : host::Color(static_cast<float>(mtlNum) / 4.0f, 0, 0);
  }
  host::Color GetSpecular(int, bool) override { return {}; }
  float GetShininess(int, bool) override { return 0; }
  float GetShinStr(int, bool) override { return 0; }
  float GetXParency(int, bool) override { return 0; }
  void SetAmbient(const host::Color&, host::TimeValue) override {}
  void SetDiffuse(const host::Color&, host::TimeValue) override {}
  void SetSpecular(const host::Color&, host::TimeValue) override {}
  void SetShininess(float, host::TimeValue) override {}
  int NumSubMtls() override { return subs; }
  host::Class_ID ClassID() const override { return {0x1234, 0x5678}; }
  std::string GetClassName() const override { return "SidedMtl"; }
};

// One diffuse colour for everything; counts lookups.
class DiffuseMtl final : public host::Mtl {
 public:
  explicit DiffuseMtl(host::Color c) : diffuse_(c) {}
  int lookups = 0;
  host::Color GetAmbient(int, bool) override { return {}; }
  host::Color GetDiffuse(int, bool) override {
    ++lookups;
    return diffuse_;
  }
  host::Color GetSpecular(int, bool) override { return {}; }
  float GetShininess(int, bool) override { return 0; }
  float GetShinStr(int, bool) override { return 0; }
  float GetXParency(int, bool) override { return 0; }
  void SetAmbient(const host::Color&, host::TimeValue) override {}
  void SetDiffuse(const host::Color&, host::TimeValue) override {}
  void SetSpecular(const host::Color&, host::TimeValue) override {}
  void SetShininess(float, host::TimeValue) override {}
  host::Class_ID ClassID() const override { return {0x1234, 0x5679}; }
  std::string GetClassName() const override { return "DiffuseMtl"; }

 private:
  host::Color diffuse_;
};

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Fixture {
  PwRenderRun run;
  PwVectorOutputSettings settings;
  PwRenderInstance inst{nullptr, 0};
  fs::path dir;

  Fixture() {
    dir = fs::temp_directory_path() / ("pw_vectoriser_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    settings.saveVectorFile = true;
    settings.vectorFileName = (dir / "plate.ai").string();
    PwVectorFormatParamsAI o;
    o.lines = false;
    o.groupSurface = false;
    o.groupTogether = false;
    settings.vectorFormatOptions = o.Clone();
    run.vectorSettings = &settings;
    run.params.surfacesOn = true;
    run.params.linesOn = false;
    run.view.region = {0, 0, 99, 49};
  }
  ~Fixture() { fs::remove_all(dir); }

  int AddVertex(float sx, float sy, float z) {
    inst.mesh.verts.push_back({sx, sy, z, sx, sy});
    return static_cast<int>(inst.mesh.verts.size()) - 1;
  }
  void AddFace(float z, float x0, std::uint8_t flags, int matId = 0) {
    MeshFace f;
    f.v[0] = static_cast<std::uint32_t>(AddVertex(x0, 10, z));
    f.v[1] = static_cast<std::uint32_t>(AddVertex(x0 + 5, 10, z));
    f.v[2] = static_cast<std::uint32_t>(AddVertex(x0, 20, z));
    f.faceFlags = flags;
    f.flags = static_cast<std::uint32_t>(matId) << kFaceMatIdShift;
    inst.mesh.faces.push_back(f);
  }
  // A face whose camera-space normal leans `degrees` from the view axis
  // (towards -y), at screen x0.
  void AddTiltedFace(float degrees, float x0) {
    const float t = degrees * 3.14159265f / 180.0f;
    const float ax = x0, ay = 10, az = -5;
    const float p[3][3] = {{ax, ay, az}, {ax + 5, ay, az}, {ax, ay + 10 * std::cos(t), az + 10 * std::sin(t)}};
    MeshFace f;
    for (int i = 0; i < 3; ++i) {
      inst.mesh.verts.push_back({p[i][0], p[i][1], p[i][2], p[i][0], p[i][1]});
      f.v[i] = static_cast<std::uint32_t>(inst.mesh.verts.size() - 1);
    }
    f.faceFlags = FaceFront;
    inst.mesh.faces.push_back(f);
  }
  // One frame of the instance's surfaces, written: the file's text.
  std::string DrawOneFrame() {
    PwVectoriser v;
    EXPECT_TRUE(v.Open(run));
    EXPECT_TRUE(v.BeginFrame(run, nullptr));
    v.BeginObject(run, inst);
    EXPECT_TRUE(v.DrawObjectSurfaces(run, inst));
    v.EndObject(run, inst);
    EXPECT_TRUE(v.EndFrame(run));
    v.Finish(run);
    return ReadAll(dir / "plate.ai");
  }
  // The operands of every line ending in `op` (" k" fills), in file order.
  std::vector<std::vector<double>> Operands(const std::string& text, const std::string& op) {
    std::vector<std::vector<double>> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line, '\r')) {
      if (line.size() <= op.size() || line.compare(line.size() - op.size(), op.size(), op) != 0) continue;
      std::istringstream words(line.substr(0, line.size() - op.size()));
      std::vector<double> v;
      for (double d; words >> d;) v.push_back(d);
      out.push_back(v);
    }
    return out;
  }
  // Polygon start points ("x y m") in file order.
  std::vector<std::string> Moves(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line, '\r'))
      if (line.size() > 2 && line.compare(line.size() - 2, 2, " m") == 0) out.push_back(line);
    return out;
  }
};

}  // namespace

TEST(Vectoriser, FacesBecomePolygonsFarthestFirstWithClippedPointsKept) {
  Fixture fx;
  fx.AddFace(-5, 10, FaceFront);                    // near
  fx.AddFace(-20, 20, FaceFront);                   // far
  fx.AddFace(-1, 30, 0);                            // back-facing, one-sided: dropped
  fx.AddFace(-1, 40, FaceFront | FaceExcluded);     // excluded
  fx.AddFace(-10, 50, FaceFront | FaceClipped);     // clipped: its five points
  MeshFace& clipped = fx.inst.mesh.faces.back();
  clipped.clipFirst = 0;
  clipped.numClip = 5;
  for (int i = 0; i < 5; ++i) {
    ClipPoint p;
    p.pos = {60.0f + static_cast<float>(i), 30, -12.0f + static_cast<float>(i), 60.0f + static_cast<float>(i), 30};
    fx.inst.mesh.clipPoints.push_back(p);
  }

  PwVectoriser v;
  ASSERT_TRUE(v.Open(fx.run));
  ASSERT_TRUE(v.BeginFrame(fx.run, nullptr));
  v.BeginObject(fx.run, fx.inst);
  ASSERT_TRUE(v.WantsSurfaces());
  EXPECT_FALSE(v.WantsLines());
  ASSERT_TRUE(v.DrawObjectSurfaces(fx.run, fx.inst));
  v.EndObject(fx.run, fx.inst);
  ASSERT_TRUE(v.EndFrame(fx.run));
  EXPECT_EQ(v.PolygonCount(), 3);
  v.Finish(fx.run);

  const std::string text = ReadAll(fx.dir / "plate.ai");
  const std::vector<std::string> moves = fx.Moves(text);
  // far (-20), clipped (largest z -8), near (-5); y is flipped against 50.
  ASSERT_EQ(moves.size(), 3u) << text;
  EXPECT_EQ(moves[0], "20.000000 40.000000 m");
  EXPECT_EQ(moves[1], "60.000000 20.000000 m");
  EXPECT_EQ(moves[2], "10.000000 40.000000 m");
  // The clipped polygon: five points, then back to the first.
  const std::size_t at = text.find("60.000000 20.000000 m");
  EXPECT_NE(text.find("\r64.000000 20.000000 L\r60.000000 20.000000 L\rb", at), std::string::npos);
}

TEST(Vectoriser, ColoursAreFetchedAgainOnlyWhenSubMaterialOrSideChanges) {
  Fixture fx;
  auto* mtl = new SidedMtl;
  host::RefHolder holder(mtl);
  fx.inst.setMaterial(mtl);
  fx.run.params.force2Side = true;
  fx.AddFace(-5, 10, FaceFront, 1);
  fx.AddFace(-5, 10, FaceFront, 4);  // 4 mod 3 = 1: same colour, no lookup
  fx.AddFace(-5, 10, 0, 4);          // back side
  fx.AddFace(-5, 10, FaceFront, 2);
  std::vector<PwVectorPolygonRecord> polygons;
  mtl->lookups = 0;
  PwVectoriser::BuildPolygons(fx.run, fx.inst, false, polygons);
  ASSERT_EQ(polygons.size(), 4u);
  EXPECT_EQ(mtl->lookups, 1 + 3);  // the start colour, then three changes
  EXPECT_EQ(polygons[0].color.r, static_cast<std::uint16_t>(0.25f * 65535.0f));
  EXPECT_EQ(polygons[1].color, polygons[0].color);
  EXPECT_EQ(polygons[2].color, (PwVectorColor{0, 0, 0xFFFF, 0xFFFF}));
  EXPECT_EQ(polygons[3].color.r, static_cast<std::uint16_t>(0.5f * 65535.0f));

  // One-sided, the back face is gone.
  fx.run.params.force2Side = false;
  PwVectoriser::BuildPolygons(fx.run, fx.inst, false, polygons);
  EXPECT_EQ(polygons.size(), 3u);
}

// A directional light from the viewer: a face turned 60 degrees from it gets
// half the light of a face square to it (Lambert's cosine), per channel of
// diffuse colour times light colour, and a face turned away gets none. Read
// back from the written file's process colours (r = (1 - C)(1 - K)).
TEST(Vectoriser, FacettedShadingFollowsTheCosineOfTheLightAngle) {
  Fixture fx;
  PwVectorFormatParamsAI o;
  o.lines = false;
  o.groupSurface = o.groupTogether = false;
  o.shading = static_cast<std::int32_t>(PwAIShading::Facetted);
  fx.settings.vectorFormatOptions = o.Clone();
  auto* mtl = new DiffuseMtl(host::Color(0.8f, 0.6f, 0.4f));
  host::RefHolder holdMtl(mtl);
  fx.inst.setMaterial(mtl);
  auto* light = new host::GenLight(host::DIRECT_LGT);
  host::RefHolder holdLight(light);
  light->SetRGBColor(0, host::Color(1.0f, 0.5f, 0.25f));
  std::unique_ptr<host::ObjLightDesc> desc = light->CreateLightDesc(nullptr);
  ASSERT_EQ(desc->Update(0, host::RendContext{}, nullptr, false, false), 1);
  desc->UpdateViewDepParams(host::Matrix3());  // the camera is the world: the light shines along -z
  fx.run.lights.entries.push_back({nullptr, std::move(desc)});
  // Nearer as they turn, so they are written in this order.
  fx.AddTiltedFace(0, 10);
  fx.AddTiltedFace(60, 30);
  fx.AddTiltedFace(100, 50);

  const std::string text = fx.DrawOneFrame();
  const auto fills = fx.Operands(text, " k");
  ASSERT_EQ(fills.size(), 4u) << text;  // the header's black, then one per face
  std::vector<std::array<double, 3>> rgb;
  for (std::size_t i = 1; i < fills.size(); ++i) {
    ASSERT_EQ(fills[i].size(), 4u);
    const double k = fills[i][3];
    rgb.push_back({(1 - fills[i][0]) * (1 - k), (1 - fills[i][1]) * (1 - k), (1 - fills[i][2]) * (1 - k)});
  }
  // 16-bit colours written with six decimals.
  constexpr double kEps = 3e-5;
  const double lit[3] = {0.8 * 1.0, 0.6 * 0.5, 0.4 * 0.25};
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(rgb[0][static_cast<std::size_t>(c)], lit[c], kEps) << "channel " << c;
    EXPECT_NEAR(rgb[1][static_cast<std::size_t>(c)], 0.5 * lit[c], kEps) << "channel " << c;
    EXPECT_NEAR(rgb[2][static_cast<std::size_t>(c)], 0.0, kEps) << "channel " << c;
  }
}

// The Flash writer builds an object's polygons itself, from a source that
// stays good until the object ends: an object whose surface is not drawn
// costs no polygons at all, one that is drawn gets them all.
TEST(Vectoriser, FlashWriterBuildsPolygonsOnlyForDrawnSurfaces) {
  Fixture fx;
  fx.settings.vectorFormatIndex = 2;
  fx.settings.vectorFileName = (fx.dir / "movie.swf").string();
  PwVectorFormatParamsSWF o;
  o.lines = false;
  fx.settings.vectorFormatOptions = o.Clone();
  auto* mtl = new DiffuseMtl(host::Color(1.0f, 0.0f, 0.0f));
  host::RefHolder holdMtl(mtl);
  fx.inst.setMaterial(mtl);
  fx.AddFace(-5, 10, FaceFront);
  fx.AddFace(-6, 20, FaceFront);

  PwVectoriser v;
  ASSERT_TRUE(v.Open(fx.run));
  ASSERT_TRUE(v.BeginFrame(fx.run, nullptr));
  auto* swf = dynamic_cast<PwVectorFormatSWF*>(v.Writer());
  ASSERT_NE(swf, nullptr);
  // A style without a surface: no surface calls come.
  v.BeginObject(fx.run, fx.inst);
  v.EndObject(fx.run, fx.inst);
  EXPECT_EQ(mtl->lookups, 0);
  EXPECT_EQ(v.PolygonCount(), 0);
  // Drawn: the polygons are built when the surfaces come, after BeginObject.
  v.BeginObject(fx.run, fx.inst);
  ASSERT_TRUE(v.WantsSurfaces());
  ASSERT_TRUE(v.DrawObjectSurfaces(fx.run, fx.inst));
  v.EndObject(fx.run, fx.inst);
  EXPECT_EQ(v.PolygonCount(), 2);
  EXPECT_EQ(swf->Movie().PolygonCount(), 2u);
  ASSERT_TRUE(v.EndFrame(fx.run));
  v.Finish(fx.run);
  EXPECT_GT(fs::file_size(fx.dir / "movie.swf"), 0u);
}

TEST(Vectoriser, OpenRefusesMissingNamesAsksBeforeReplacingAndKeepsTheOldFileOnAbandon) {
  host::InterfaceState saved = host::TheInterfaceState();
  std::vector<std::string> messages;
  host::SetQuiet(true);
  host::SetNetworkRender(true);
  host::SetLogSink([&](std::string_view t) { messages.emplace_back(t); });
  {
    Fixture fx;
    fx.settings.vectorFileName.clear();
    PwVectoriser v;
    EXPECT_FALSE(v.Open(fx.run));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "No output filename given.");

    fx.settings.vectorFileName = (fx.dir / "plate.ai").string();
    { std::ofstream(fx.settings.vectorFileName) << "old"; }
    host::SetQuestionPolicy(host::QuestionPolicy::AlwaysNo);
    EXPECT_FALSE(v.Open(fx.run));
    host::SetQuestionPolicy(host::QuestionPolicy::AlwaysYes);
    ASSERT_TRUE(v.Open(fx.run));
    ASSERT_TRUE(v.BeginFrame(fx.run, nullptr));
    v.Abandon(fx.run);  // a cancelled frame
    EXPECT_EQ(ReadAll(fx.settings.vectorFileName), "old");

    // Numbered frames of a sequence never ask and each get their own file.
    host::SetQuestionPolicy(host::QuestionPolicy::AlwaysNo);
    fx.run.sequence.multiFrame = true;
    ASSERT_TRUE(v.Open(fx.run));
    for (int frame : {0, 1, 2}) {
      fx.run.time = frame * fx.run.ticksPerFrame();
      ASSERT_TRUE(v.BeginFrame(fx.run, nullptr));
      ASSERT_TRUE(v.EndFrame(fx.run));
    }
    v.Finish(fx.run);
    for (const char* name : {"plate0000.ai", "plate0001.ai", "plate0002.ai"})
      EXPECT_TRUE(fs::exists(fx.dir / name)) << name;
    EXPECT_EQ(ReadAll(fx.settings.vectorFileName), "old");

    // A name no number can be added to fails the frame.
    messages.clear();
    fx.settings.vectorFileName = (fx.dir / "").string();
    ASSERT_TRUE(v.Open(fx.run));
    EXPECT_FALSE(v.BeginFrame(fx.run, nullptr));
    v.Abandon(fx.run);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Unable to append number to filename");
  }
  host::TheInterfaceState() = saved;
}

TEST(Vectoriser, NumbersKeepTheirDecimalPointUnderACommaLocaleWhichIsRestored) {
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  const char* comma = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
    if (std::setlocale(LC_NUMERIC, name)) {
      comma = name;
      break;
    }
  if (!comma) GTEST_SKIP() << "no German locale on this machine (scripts/install-deps makes one)";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  ASSERT_STREQ(probe, "1,5");
  const std::string inForce = std::setlocale(LC_NUMERIC, nullptr);
  {
    Fixture fx;
    fx.AddFace(-5, 10.5f, FaceFront);
    const std::string text = fx.DrawOneFrame();
    EXPECT_NE(text.find("\r10.500000 40.000000 m"), std::string::npos) << text;
    EXPECT_EQ(text.find(','), std::string::npos);
  }
  EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), inForce);
  std::setlocale(LC_NUMERIC, before.c_str());
}
