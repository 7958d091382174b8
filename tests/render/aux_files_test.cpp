// The files a render reads besides the scene: missing ones reported (or
// asked about) on the first frame, art-material and texture files loaded
// before the frames and let go at the end, maps built by materials, the
// canvas embossing the frame, and the installation's Maps folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "host/imaging/image_io.h"
#include "host/shading/mtl_shader.h"
#include "host/shading/mtl_std.h"
#include "host/shading/scene_aux_files.h"
#include "host/shading/texmap_bitmap.h"
#include "library/holder.h"
#include "library/library_materials.h"
#include "program/canvas_stage.h"
#include "program/startup.h"
#include "render/aux_files.h"
#include "surfaces/canvas.h"

namespace fs = std::filesystem;

namespace {

// A canvas that counts what the run asks of it and holds `child` as a
// file-holding reference.
class CountingCanvas : public pw::PwCanvas {
 public:
  int loads = 0;
  int unloads = 0;
  host::ReferenceTarget* child = nullptr;
  bool LoadAuxFiles(host::TimeValue) override {
    ++loads;
    return true;
  }
  void UnloadAuxFiles() override { ++unloads; }
  int NumAuxFileRefs() override { return 2; }
  host::ReferenceTarget* GetAuxFileRef(int i) override { return i == 0 ? child : nullptr; }
};

// A Standard material asking to build a mirror map, recording what it is told.
class MirrorMtl : public host::StdMat {
 public:
  std::vector<std::string> nodes;
  std::vector<std::array<float, 4>> planes;
  int subRenderAnswer = -1;
  host::BMM_Color_64 subRenderPixel;
  std::uint32_t Requirements(int subMtlNum) override {
    return host::StdMat::Requirements(subMtlNum) | host::MTLREQ_AUTOMIRROR;
  }
  int BuildMaps(host::TimeValue, host::RenderMapsContext& rmc) override {
    nodes.push_back(rmc.GetNode() ? rmc.GetNode()->GetName() : "");
    std::array<float, 4> plane{};
    rmc.FindMirrorPlane(plane);
    planes.push_back(plane);
    host::Bitmap bm;
    EXPECT_TRUE(bm.Create(2, 2));
    host::ViewParams vp;
    host::SubRendParams srp;
    rmc.GetSubRendParams(srp);
    subRenderAnswer = rmc.Render(&bm, vp, srp);
    subRenderPixel = bm.GetPixel(1, 1);
    return 1;
  }
};

class AuxFilesTest : public pwtest::FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    renderer->Stages().auxFiles = std::make_shared<pw::PwSceneAuxFiles>();
    renderer->Stages().canvas = std::make_shared<pw::PwCanvasStage>();
    savedDirs_ = host::MapSearchDirs();
    host::ClearMapSearchDirs();
    if (const char* home = std::getenv("PENWRIGHT_HOME")) savedHome_ = home;
    dir_ = fs::temp_directory_path() /
           ("pw_aux_files_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    host::ClearMapSearchDirs();
    for (const fs::path& d : savedDirs_) host::AddMapSearchDir(d);
    if (savedHome_)
      setenv("PENWRIGHT_HOME", savedHome_->c_str(), 1);
    else
      unsetenv("PENWRIGHT_HOME");
    host::ResetInstallDirs();
    fs::remove_all(dir_);
    FrameTest::TearDown();
  }

  // A Standard material whose diffuse map reads `file`.
  host::StdMat* textured(const std::string& file) {
    auto* mtl = new host::StdMat();
    auto* map = new host::BitmapTex();
    map->SetMapName(file);
    EXPECT_TRUE(mtl->SetSubTexmap(host::ID_DI, map));
    keep_.push_back(std::make_unique<host::RefHolder>(mtl));
    return mtl;
  }
  pw::PwCanvas* sceneCanvas() {
    pw::PwObjectLibrary* library = pw::GetCurrentLibrary(scene->Root());
    return library ? dynamic_cast<pw::PwCanvas*>(library->Get(library->Find(pw::PW_ORIGIN_DEFAULT,
                                                                               pw::PW_DEFAULT_CANVAS)))
                   : nullptr;
  }
  std::string writeGrey(const fs::path& path, std::uint16_t grey) {
    host::Bitmap img;
    EXPECT_TRUE(img.Create(5, 5));
    img.Fill({grey, grey, grey, 65535});
    EXPECT_TRUE(host::WriteImage(path.string(), img, {}, nullptr));
    return path.string();
  }
  int missingMessages() const {
    int n = 0;
    for (const std::string& m : messages) n += m.find("Missing file") != std::string::npos;
    return n;
  }

  fs::path dir_;

 private:
  std::vector<fs::path> savedDirs_;
  std::optional<std::string> savedHome_;
  std::vector<std::unique_ptr<host::RefHolder>> keep_;
};

}  // namespace

TEST_F(AuxFilesTest, ABatchRenderNamesEachMissingFileOnceAndFails) {
  const std::string gone = (dir_ / "gone.png").string();
  box("A", {-2, 0, 0})->SetMtl(textured(gone));
  // The same file named another way, and a second missing one.
  box("B", {2, 0, 0})->SetMtl(textured((dir_ / "sub" / ".." / "gone.png").string()));
  box("C", {0, 2, 0})->SetMtl(textured((dir_ / "also_gone.png").string()));
  EXPECT_EQ(renderOnce(), 0);
  EXPECT_TRUE(hasMessage("Penwright!: Missing file \"" + gone + "\"")) << ::testing::PrintToString(messages);
  EXPECT_TRUE(hasMessage("Penwright!: Missing file \"" + (dir_ / "also_gone.png").string() + "\""));
  EXPECT_EQ(missingMessages(), 2);
  EXPECT_TRUE(surfaces->drawn.empty()) << "the frame stopped before drawing";
}

TEST_F(AuxFilesTest, AnsweringYesRendersWithoutTheFilesAndLaterFramesDoNotAskAgain) {
  box("A", {0, 0, 0})->SetMtl(textured((dir_ / "gone.png").string()));
  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysYes);
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(render(0), 1);
  EXPECT_EQ(render(160), 1);
  close();
  EXPECT_EQ(missingMessages(), 1);
  EXPECT_EQ(surfaces->drawn.size(), 2u);
}

TEST_F(AuxFilesTest, SomeonePresentIsShownTheListAndAskedWhetherToGoOn) {
  box("A", {0, 0, 0})->SetMtl(textured((dir_ / "gone.png").string()));
  host::SetNetworkRender(false);
  std::vector<std::string> shown;
  host::SetTerminalSink([&](std::string_view, std::string_view text) { shown.emplace_back(text); });
  std::string answer = "n";
  host::SetAnswerReader([&](std::string& line) {
    line = answer;
    return true;
  });
  EXPECT_EQ(renderOnce(), 0) << "No stops the render";
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[0], "Penwright! Missing Files\nThe following files are missing:\n  " + (dir_ / "gone.png").string());
  EXPECT_NE(shown[1].find("continue rendering"), std::string::npos) << shown[1];

  shown.clear();
  answer = "";  // Enter takes the default: go on
  EXPECT_EQ(renderOnce(), 1);
  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysNo);
  EXPECT_EQ(renderOnce(), 0) << "the command line's answer stands for the user's";
}

TEST_F(AuxFilesTest, ALongListIsSplitIntoMessagesThatFitWithoutCuttingAPath) {
  std::vector<std::string> missing;
  for (int i = 0; i < 12; ++i) missing.push_back((dir_ / ("a_rather_long_texture_name_" + std::to_string(i) + ".png")).string());
  host::SetNetworkRender(false);
  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysNo);
  std::vector<std::string> shown;
  host::SetTerminalSink([&](std::string_view, std::string_view text) { shown.emplace_back(text); });
  EXPECT_FALSE(pw::confirmMissingFiles(missing));
  std::string all;
  for (const std::string& s : shown) {
    EXPECT_LE(s.size(), 255u);
    EXPECT_EQ(s.find("..."), std::string::npos) << "cut: " << s;
    all += s + "\n";
  }
  for (const std::string& m : missing) EXPECT_NE(all.find("  " + m + "\n"), std::string::npos) << m;
  EXPECT_TRUE(pw::confirmMissingFiles({})) << "nothing missing: nothing to ask";
}

TEST_F(AuxFilesTest, ArtMaterialFilesAreLoadedAndUnloadedOncePerWalk) {
  host::RefHolder keepA, keepB;
  auto* shared = new CountingCanvas();
  keepA.reset(shared);
  auto* parent = new CountingCanvas();
  keepB.reset(parent);
  parent->child = shared;
  shared->child = parent;  // a cycle must not loop
  // The shared one is reached directly and through the parent.
  EXPECT_EQ(pw::loadArtMaterialFiles({parent, shared, parent}, 0), 2);
  EXPECT_EQ(pw::unloadArtMaterialFiles({shared, parent}), 2);
  EXPECT_EQ(pw::loadArtMaterialFiles({}, 0), 0);
  for (CountingCanvas* c : {shared, parent}) {
    EXPECT_EQ(c->loads, 1);
    EXPECT_EQ(c->unloads, 1);
  }

  pw::PwCanvas* paper = sceneCanvas();
  ASSERT_NE(paper, nullptr);
  // A render run: the canvas's texture is read before the frame, kept
  // across frames, and let go at Close.
  const std::string file = writeGrey(dir_ / "paper.png", 30000);
  paper->SetTextureName(file);
  box("A", {0, 0, 0});
  ASSERT_EQ(open(), 1);
  ASSERT_EQ(render(0), 1);
  EXPECT_FALSE(paper->SlopeField().Empty());
  fs::remove(file);
  EXPECT_EQ(render(160), 1) << "read once: a file removed mid-run does not matter";
  EXPECT_FALSE(paper->SlopeField().Empty());
  close();
  EXPECT_TRUE(paper->SlopeField().Empty());
  EXPECT_EQ(missingMessages(), 0);
}

TEST_F(AuxFilesTest, MapFilesOfEveryMaterialAndSubMaterialAreReadBeforeTheFrame) {
  const std::string tex = writeGrey(dir_ / "tex.png", 1000);
  host::StdMat* mtl = textured(tex);
  auto* map = dynamic_cast<host::BitmapTex*>(mtl->GetSubTexmap(host::ID_DI));
  ASSERT_NE(map, nullptr);
  box("A", {0, 0, 0})->SetMtl(mtl);
  ASSERT_EQ(open(), 1);
  EXPECT_FALSE(map->IsLoaded());
  ASSERT_EQ(render(0), 1);
  EXPECT_TRUE(map->IsLoaded());
  close();
}

TEST_F(AuxFilesTest, MaterialsThatBuildMapsAreGivenTheInstanceAndGetNoSubRender) {
  auto* mirror = new MirrorMtl();
  host::RefHolder keep(mirror);
  auto* plain = new host::StdMat();
  host::RefHolder keepPlain(plain);
  box("Mirror", {3, 0, 0})->SetMtl(mirror);
  box("Plain", {-3, 0, 0})->SetMtl(plain);
  ASSERT_EQ(renderOnce(), 1);
  ASSERT_EQ(mirror->nodes, std::vector<std::string>{"Mirror"});
  // The plane of the box's first face, its -x side at x = 2 (the camera
  // looks down -z from straight above, so camera x is world x): outward
  // normal (-1, 0, 0), and (-1, 0, 0) . (2, y, z) = -2 = -(the last entry).
  const std::array<float, 4>& p = mirror->planes[0];
  EXPECT_NEAR(p[0], -1.0f, 1e-5f);
  EXPECT_NEAR(p[1], 0.0f, 1e-5f);
  EXPECT_NEAR(p[2], 0.0f, 1e-5f);
  EXPECT_NEAR(p[3], 2.0f, 1e-4f);
  EXPECT_EQ(mirror->subRenderAnswer, 0);
  EXPECT_EQ(mirror->subRenderPixel, (host::BMM_Color_64{0, 0, 0, 65535}));
}

TEST_F(AuxFilesTest, TheCanvasEmbossesTheFinishedFrameUnderItsCaption) {
  pw::PwCanvas* paper = sceneCanvas();
  ASSERT_NE(paper, nullptr);
  paper->SetTextureName(writeGrey(dir_ / "flat.png", 30000));
  settings().linesOn = false;
  settings().surfacesOn = true;
  frameParams.background = {1.0f, 1.0f, 1.0f};
  ASSERT_EQ(renderOnce(), 1);
  // A flat paper under the default light: about 0.94 of the white background.
  EXPECT_EQ(output.GetPixel(0, 0), (host::BMM_Color_64{61784, 61784, 61784, 0}));
  bool captioned = false;
  for (const std::string& t : progress.titles) captioned |= pwtest::innermost(t) == "Applying Canvas Texture";
  EXPECT_TRUE(captioned);
}

TEST_F(AuxFilesTest, AMapNamedElsewhereIsFoundInTheInstallationsMapsFolder) {
  fs::create_directories(dir_ / "home" / "Maps");
  writeGrey(dir_ / "home" / "Maps" / "paper.png", 30000);
  setenv("PENWRIGHT_HOME", (dir_ / "home").c_str(), 1);
  host::ResetInstallDirs();
  pw::StartUpPlugin();
  pw::StartUpPlugin();
  ASSERT_EQ(host::MapSearchDirs(), std::vector<fs::path>{dir_ / "home" / "Maps"}) << "listed once";

  pw::PwCanvas* paper = sceneCanvas();
  ASSERT_NE(paper, nullptr);
  paper->SetTextureName("/where/the/scene/was/made/paper.png");
  box("A", {0, 0, 0})->SetMtl(textured("textures/paper.png"));
  frameParams.background = {1.0f, 1.0f, 1.0f};
  settings().linesOn = false;
  ASSERT_EQ(renderOnce(), 1) << ::testing::PrintToString(messages);
  EXPECT_EQ(missingMessages(), 0);
  EXPECT_EQ(output.GetPixel(0, 0).r, 61784) << "the canvas found its paper";
}

TEST_F(AuxFilesTest, StartUpSkipsAMapsFolderListedUnderAnotherCase) {
  fs::create_directories(dir_ / "home" / "Maps");
  setenv("PENWRIGHT_HOME", (dir_ / "home").c_str(), 1);
  host::ResetInstallDirs();
  host::AddMapSearchDir(dir_ / "home" / "MAPS");
  pw::StartUpPlugin();
  EXPECT_EQ(host::MapSearchDirs().size(), 1u);

  // Without a Maps folder nothing is added, and a program run from its
  // build folder is not told off for it.
  host::ClearMapSearchDirs();
  unsetenv("PENWRIGHT_HOME");
  host::ResetInstallDirs();
  host::TheInterfaceState().executable = dir_ / "bin" / "penwright";
  fs::create_directories(dir_ / "bin");
  messages.clear();
  pw::StartUpPlugin();
  EXPECT_TRUE(host::MapSearchDirs().empty());
  EXPECT_TRUE(messages.empty()) << ::testing::PrintToString(messages);
}
