// The renderer's Open/Render/Close cycle and the frame body, driven through
// the host-facing calls on small scenes, with recording stand-ins for the
// surface, line, canvas, vector and auxiliary-file stages.
#include <gtest/gtest.h>

#include <filesystem>
#include <numbers>

#include "host/imaging/image_io.h"
#include "host/shading/mtl_std.h"
#include "host/shading/texmap_bitmap.h"
#include "library/holder.h"
#include "library/library_materials.h"
#include "library/style_assignment.h"
#include "render/frame_stages.h"
#include "render/materials_in_use.h"
#include "render/render_lifecycle.h"
#include "render/render_notify.h"
#include "render/renderer_paramblock.h"
#include "frame_fixture.h"
#include "support/test_node.h"

namespace pwtest {
namespace {

constexpr host::BMM_Color_64 kBlueBackground{0, 0, 65535, 0};
constexpr host::BMM_Color_64 kRed{65535, 0, 0, 65535};
constexpr host::BMM_Color_64 kGreen{0, 65535, 0, 65535};
constexpr host::BMM_Color_64 kMarker{1, 2, 3, 4};
constexpr host::TimeValue kHalfFrame = 80;  // 160 ticks a frame at 30 fps

bool sameColour(host::BMM_Color_64 a, host::BMM_Color_64 b) { return a == b; }

// ---- Life cycle ------------------------------------------------------------------

struct LifecycleCase {
  const char* script;  // O open, R render, C close
  std::vector<int> results;  // of each O and R, in order
  std::vector<const char*> messages;
  const char* finalTitle;
};

class LifecycleTest : public FrameTest, public ::testing::WithParamInterface<LifecycleCase> {};

TEST_P(LifecycleTest, MessagesResultsAndFinalTitle) {
  const LifecycleCase& c = GetParam();
  box("Box", {0, 0, 0});
  std::vector<int> results;
  for (const char* s = c.script; *s; ++s) {
    if (*s == 'O') results.push_back(open());
    if (*s == 'R') results.push_back(render());
    if (*s == 'C') close();
  }
  EXPECT_EQ(results, c.results);
  std::vector<std::string> expected(c.messages.begin(), c.messages.end());
  EXPECT_EQ(messages, expected);
  EXPECT_EQ(progress.lastTitle(), c.finalTitle);
  EXPECT_FALSE(renderer->Run().flags.opened);
}

INSTANTIATE_TEST_SUITE_P(
    Frame, LifecycleTest,
    ::testing::Values(LifecycleCase{"ORC", {1, 1}, {}, "Finished"},
                      // A second Open keeps the run and only forgets the renders.
                      LifecycleCase{"OORC", {1, 1, 1}, {pw::kMsgOpenTwice}, "Finished"},
                      LifecycleCase{"OROC", {1, 1, 1}, {pw::kMsgOpenTwice}, "Failed"},
                      LifecycleCase{"RC", {0}, {pw::kMsgRenderBeforeOpen, pw::kMsgCloseBeforeOpen}, "Failed"},
                      LifecycleCase{"C", {}, {pw::kMsgCloseBeforeOpen}, "Failed"},
                      LifecycleCase{"OC", {1}, {}, "Failed"},
                      LifecycleCase{"ORCRC", {1, 1, 0}, {pw::kMsgRenderBeforeOpen, pw::kMsgCloseBeforeOpen},
                                    "Failed"}));

TEST_F(FrameTest, RenderWithoutOutputBitmapFailsQuietly) {
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(renderer->Render(0, nullptr, frameParams, &progress), 0);
  close();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(progress.lastTitle(), "Cancelled");
}

// ---- Stages -----------------------------------------------------------------------

TEST_F(FrameTest, StagesRunInOrderAndObjectsNearestFirst) {
  box("Far", {0, 0, -3});
  box("Near", {0, 0, 2}, 0.5f);
  ASSERT_EQ(renderOnce(), 1);

  const std::vector<std::string> expected{"Preparing View", "Loading Auxillary Files", "Preparing Background",
                                          "Preparing Scene", "Preparing Objects", "Illustrating",
                                          "Preparing image and channels", "Finished"};
  EXPECT_EQ(progress.topLevelTitles(), expected);
  EXPECT_NE(std::find(progress.titles.begin(), progress.titles.end(), "Illustrating (0%)  ->  Near"),
            progress.titles.end());
  EXPECT_EQ(surfaces->drawn, (std::vector<std::string>{"Near", "Far"}));
  EXPECT_EQ(lines->extracted, (std::vector<std::string>{"Near", "Far"}));
  EXPECT_EQ(surfaces->resolved, 1);
  EXPECT_EQ(progress.sceneObjects, 2);
  EXPECT_EQ(progress.sceneFaces, 24);
  EXPECT_EQ(progress.fields, std::vector<int>{-1});
  EXPECT_EQ(canvas->applied, std::vector<host::TimeValue>{0});
  EXPECT_EQ(aux->loads, std::vector<bool>{true});
  EXPECT_EQ(aux->builds, 1);
  EXPECT_EQ(aux->unloads, 1);
}

TEST_F(FrameTest, LaterFramesAreNotFirstFramesAndKeepTheirSize) {
  box("Box", {0, 0, 0});
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(render(0), 1);
  EXPECT_EQ(render(160), 1);
  host::Bitmap smaller;
  ASSERT_TRUE(smaller.Create(20, 10));
  EXPECT_EQ(renderer->Render(320, &smaller, frameParams, &progress), 0);
  close();
  EXPECT_EQ(aux->loads, (std::vector<bool>{true, false}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "PenwrightRenderer: every frame must be 40x30 pixels like the first, not 20x10");
}

TEST_F(FrameTest, EveryFrameIsTheBackgroundWhereNothingIsDrawn) {
  frameParams.background = {1.0f, 0.5f, 0.0f};
  ASSERT_EQ(renderOnce(), 1);
  for (const host::BMM_Color_64& p : output.Pixels()) ASSERT_TRUE(sameColour(p, {65535, 32767, 0, 0}));
}

TEST_F(FrameTest, CameraThatSeesNothingDrawsOnlyTheBackground) {
  box("Box", {0, 0, 0});
  ASSERT_EQ(open(), 1);
  ASSERT_EQ(render(), 1);
  EXPECT_EQ(renderer->Run().visibleCount, 1);
  EXPECT_TRUE(sameColour(output.GetPixel(kImageWidth / 2, kImageHeight / 2), kRed));

  place(camera, {0, 0, 10}, std::numbers::pi_v<float>);  // now facing away
  surfaces->drawn.clear();
  ASSERT_EQ(render(160), 1);
  EXPECT_EQ(renderer->Run().visibleCount, 0);
  EXPECT_EQ(progress.sceneObjects, 0);
  EXPECT_TRUE(surfaces->drawn.empty());
  for (const host::BMM_Color_64& p : output.Pixels()) ASSERT_TRUE(sameColour(p, kBlueBackground));
  close();
}

TEST_F(FrameTest, SortOrdersVisibleInstancesByDepthKey) {
  struct Case {
    bool vectorMode;
    std::vector<int> expected;  // gathering indices in drawing order
  };
  for (const Case& c : {Case{false, {1, 3, 0, 2}}, Case{true, {0, 3, 1, 2}}}) {
    std::vector<std::unique_ptr<pw::PwRenderInstance>> owned;
    const float keys[] = {-9.0f, -1.0f, -2.0f, -5.0f};
    const bool visible[] = {true, true, false, true};
    std::vector<pw::PwRenderInstance*> order;
    for (int i = 0; i < 4; ++i) {
      owned.push_back(std::make_unique<pw::PwRenderInstance>(nullptr, static_cast<std::int16_t>(i)));
      owned.back()->depthKey = keys[i];
      owned.back()->visible = visible[i];
      order.push_back(owned.back().get());
    }
    EXPECT_EQ(pw::sortForDrawing(order, c.vectorMode), 3);
    std::vector<int> got;
    for (const pw::PwRenderInstance* p : order) got.push_back(p->index);
    EXPECT_EQ(got, c.expected) << (c.vectorMode ? "vector" : "raster");
  }
}

TEST(HalfFrameTicks, IntegerProductHalvedByShift) {
  struct Case {
    int ticksPerFrame;
    float duration;
    host::TimeValue expected;
  };
  for (const Case& c : {Case{160, 1.0f, 80}, Case{160, 0.5f, 40}, Case{160, 1.3f, 104}, Case{161, 1.0f, 80},
                        Case{200, 0.0f, 0}}) {
    EXPECT_EQ(pw::halfFrameTicks(c.ticksPerFrame, c.duration), c.expected) << c.ticksPerFrame << " " << c.duration;
  }
}

// ---- Cancellation -------------------------------------------------------------------

class CancelTest : public FrameTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CancelTest, RenderFailsWithoutCompositionOrCanvasAndCloseSaysCancelled) {
  box("Teapot", {0, 0, 0});
  lines->paint = [](const pw::PwFrameContext&, host::Bitmap& bm) { bm.Fill(kGreen); };
  progress.cancelAt = GetParam();
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(render(), 0);
  EXPECT_TRUE(canvas->applied.empty());
  EXPECT_FALSE(sameColour(output.GetPixel(0, 0), kGreen)) << "lines were composited";

  // The next frame starts uncancelled.
  progress.cancelAt.clear();
  EXPECT_EQ(render(160), 1);
  progress.cancelAt = GetParam();
  EXPECT_EQ(render(320), 0);
  close();
  EXPECT_EQ(progress.lastTitle(), "Cancelled");
}

INSTANTIATE_TEST_SUITE_P(Frame, CancelTest,
                         ::testing::Values("Preparing View", "Loading Auxillary Files", "Preparing Background",
                                           "Preparing Scene", "Preparing Objects", "Illustrating", "Teapot",
                                           "Preparing image and channels"));

TEST_F(FrameTest, RefusedAuxFilesEndTheFrame) {
  box("Box", {0, 0, 0});
  aux->loadAnswer = false;
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(render(), 0);
  EXPECT_TRUE(surfaces->drawn.empty());
  close();
  EXPECT_EQ(progress.lastTitle(), "Cancelled");
}

// ---- Composition -----------------------------------------------------------------

// An opaque green line at (0, 0) over the background and a half-transparent
// white one over the box in the middle.
void paintTwoLines(const pw::PwFrameContext&, host::Bitmap& bm) {
  bm.SetPixel(0, 0, kGreen);
  bm.SetPixel(kImageWidth / 2, kImageHeight / 2, {32768, 32768, 32768, 32768});
}

TEST_F(FrameTest, LinesOverSurfaces) {
  box("Box", {0, 0, 0});
  lines->paint = paintTwoLines;
  ASSERT_EQ(renderOnce(), 1);
  EXPECT_TRUE(sameColour(output.GetPixel(0, 0), kGreen));
  EXPECT_TRUE(sameColour(output.GetPixel(kImageWidth / 2, kImageHeight / 2), {65535, 32768, 32768, 65535}));
  EXPECT_TRUE(sameColour(output.GetPixel(1, 0), kBlueBackground));
}

TEST_F(FrameTest, DontAntialiasBackgroundKeepsLinesOffUncoveredPixels) {
  box("Box", {0, 0, 0});
  lines->paint = paintTwoLines;
  rendParams.dontAntialiasBG = true;
  ASSERT_EQ(renderOnce(), 1);
  EXPECT_TRUE(sameColour(output.GetPixel(0, 0), kBlueBackground));
  EXPECT_TRUE(sameColour(output.GetPixel(kImageWidth / 2, kImageHeight / 2), {65535, 32768, 32768, 65535}));
}

TEST_F(FrameTest, SurfacesOffShowsTheBackgroundUnderTheLines) {
  box("Box", {0, 0, 0});
  lines->paint = paintTwoLines;
  settings().surfacesOn = false;
  ASSERT_EQ(renderOnce(), 1);
  EXPECT_TRUE(surfaces->drawn.empty());
  EXPECT_TRUE(sameColour(output.GetPixel(0, 0), kGreen));
  EXPECT_TRUE(sameColour(output.GetPixel(kImageWidth / 2, kImageHeight / 2), {32768, 32768, 65535, 32768}));
  EXPECT_TRUE(sameColour(output.GetPixel(1, 0), kBlueBackground));
}

TEST_F(FrameTest, LinesOffDrawsNoLinesButStillTheCanvas) {
  box("Box", {0, 0, 0});
  lines->paint = paintTwoLines;
  settings().linesOn = false;
  ASSERT_EQ(renderOnce(), 1);
  EXPECT_TRUE(lines->rasterized.empty());
  EXPECT_TRUE(lines->extracted.empty());
  EXPECT_TRUE(sameColour(output.GetPixel(0, 0), kBlueBackground));
  EXPECT_EQ(canvas->applied.size(), 1u);
}

TEST_F(FrameTest, NothingToDrawOnlyAppliesTheCanvas) {
  box("Box", {0, 0, 0});
  settings().linesOn = false;
  settings().surfacesOn = false;
  output.Fill(kMarker);
  ASSERT_EQ(renderOnce(), 1);
  for (const host::BMM_Color_64& p : output.Pixels()) ASSERT_TRUE(sameColour(p, kMarker));
  EXPECT_EQ(canvas->applied.size(), 1u);
  EXPECT_EQ(progress.topLevelTitles(), std::vector<std::string>{"Finished"});
}

TEST_F(FrameTest, LineRasterizerGetsTheQualityAndBudgetOfTheSettings) {
  box("Box", {0, 0, 0});  // a run without objects makes no lines image to rasterize into
  ASSERT_TRUE(renderer->ParamBlock()->SetValue(pw::kLinesAntialiasingQuality, 0, 1));
  ASSERT_EQ(renderOnce(), 1);
  EXPECT_EQ(lines->lastSettings.samples, 2);
  EXPECT_GT(lines->lastSettings.memoryBudget, 0);
  EXPECT_TRUE(lines->lastSettings.perspective);
}

TEST_F(FrameTest, LinePassSeesTheSortedFrameAndTheRunsSwitches) {
  box("Far", {0, 0, -3});
  box("Near", {0, 0, 2}, 0.5f);
  settings().hiddenLinesWithOthers = false;
  settings().intersectionsWithinItself = false;
  rendParams.force2Side = true;
  ASSERT_EQ(renderOnce(960), 1);
  EXPECT_EQ(lines->visibleSeen, (std::vector<std::string>{"Near", "Far"}));
  EXPECT_EQ(lines->timeSeen, 960);
  const pw::PwFrameSettings& seen = lines->settingsSeen;
  EXPECT_FALSE(seen.hiddenLinesWithOthers);
  EXPECT_TRUE(seen.hiddenLinesWithinItself);
  EXPECT_FALSE(seen.intersectionsWithinItself);
  EXPECT_TRUE(seen.intersectionsWithOthers);
  EXPECT_TRUE(seen.force2Side);
  EXPECT_TRUE(seen.linesOn && seen.surfacesOn && !seen.vectorMode);
}

// ---- Fields ---------------------------------------------------------------------

class FieldTest : public FrameTest, public ::testing::WithParamInterface<int> {};

TEST_P(FieldTest, SecondFieldIsHalfAFrameLaterAndOwnsItsRows) {
  const int order = GetParam();
  box("Box", {0, 0, 0}, 3.0f);
  rendParams.fieldRender = true;
  rendParams.fieldOrder = order;
  const host::BMM_Color_64 yellow{65535, 65535, 0, 65535};
  surfaces->colourOf = [&](const pw::PwFrameContext& frame) { return frame.field == 0 ? kRed : yellow; };
  lines->paint = [&](const pw::PwFrameContext& frame, host::Bitmap& bm) {
    for (int y = 0; y < 2; ++y) bm.SetPixel(0, y, frame.field == 0 ? kGreen : kRed);
  };
  const host::TimeValue t = 480;
  ASSERT_EQ(renderOnce(t), 1);

  EXPECT_EQ(progress.fields, (std::vector<int>{0, 1}));
  EXPECT_EQ(surfaces->frames, (std::vector<host::TimeValue>{t, t + kHalfFrame}));
  EXPECT_EQ(lines->rasterized, (std::vector<host::TimeValue>{t, t + kHalfFrame}));
  const int x = kImageWidth / 2;
  for (int y = 10; y < 20; ++y) {
    const bool secondField = (y % 2 == 1) == (order == 0);
    EXPECT_TRUE(sameColour(output.GetPixel(x, y), secondField ? yellow : kRed)) << "row " << y;
  }
  // The second field's lines replace only the second field's rows.
  const int secondRow = order == 0 ? 1 : 0;
  EXPECT_TRUE(sameColour(output.GetPixel(0, secondRow), kRed));
  EXPECT_TRUE(sameColour(output.GetPixel(0, 1 - secondRow), kGreen));
}

INSTANTIATE_TEST_SUITE_P(Frame, FieldTest, ::testing::Values(0, 1));

// ---- Regions ----------------------------------------------------------------------

TEST_F(FrameTest, RegionsAreClampedScaledAndRefreshed) {
  struct Case {
    int type;
    pw::PwRegion asked;
    int renderWidth;
    pw::PwRegion region;
    pw::PwRegion refresh;
    int typeAfter;
  };
  const pw::PwRegion whole{0, 0, kImageWidth - 1, kImageHeight - 1};
  const Case cases[] = {
      {host::RENDTYPE_NORMAL, {5, 4, 20, 12}, kImageWidth, whole, whole, host::RENDTYPE_NORMAL},
      {host::RENDTYPE_REGION, {5, 4, 20, 12}, kImageWidth, {5, 4, 20, 12}, {5, 4, 20, 12}, host::RENDTYPE_REGION},
      {host::RENDTYPE_REGION, {-5, -5, 100, 100}, kImageWidth, whole, whole, host::RENDTYPE_REGION},
      {host::RENDTYPE_REGION, {20, 12, 5, 4}, kImageWidth, {5, 4, 20, 12}, {5, 4, 20, 12}, host::RENDTYPE_REGION},
      {host::RENDTYPE_BLOWUP, {5, 4, 20, 12}, kImageWidth, {5, 4, 20, 12}, whole, host::RENDTYPE_BLOWUP},
      // Region-crop: the region is given at the render size (twice the bitmap's).
      {host::RENDTYPE_REGIONCROP, {5, 4, 21, 13}, 2 * kImageWidth, {2, 2, 10, 6}, whole, host::RENDTYPE_BLOWUP},
  };
  for (const Case& c : cases) {
    rendParams.rendType = c.type;
    rendParams.width = c.renderWidth;
    rendParams.height = c.renderWidth * kImageHeight / kImageWidth;
    frameParams.regxmin = c.asked.x0;
    frameParams.regymin = c.asked.y0;
    frameParams.regxmax = c.asked.x1;
    frameParams.regymax = c.asked.y1;
    ASSERT_EQ(open(), 1);
    ASSERT_EQ(render(), 1);
    const pw::PwRenderRun& run = renderer->Run();
    const auto same = [](const pw::PwRegion& a, const pw::PwRegion& b) {
      return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
    };
    EXPECT_TRUE(same(run.view.region, c.region)) << "type " << c.type << " region " << run.view.region.x0 << ","
                                                 << run.view.region.y0 << "," << run.view.region.x1 << ","
                                                 << run.view.region.y1;
    EXPECT_TRUE(same(run.refreshRect, c.refresh)) << "type " << c.type;
    EXPECT_EQ(run.params.rendType, c.typeAfter);
    EXPECT_EQ(run.view.proj.blowUp, c.typeAfter == host::RENDTYPE_BLOWUP);
    close();
  }
}

// ---- Vector mode ------------------------------------------------------------------

TEST_F(FrameTest, VectorModeDrawsFarthestFirstThroughTheVectorRenderer) {
  auto vector = std::make_shared<RecordingVector>();
  renderer->Stages().vector = vector;
  settings().renderMode = static_cast<int>(pw::PwRenderMode::Vector);
  box("Far", {0, 0, -3});
  box("Near", {0, 0, 2}, 0.5f);
  output.Fill(kMarker);
  ASSERT_EQ(renderOnce(), 1);

  const std::vector<std::string> expected{"Open",      "BeginFrame",    "Begin Far", "Surfaces Far",
                                          "Lines Far", "End Far",       "Begin Near", "Surfaces Near",
                                          "Lines Near", "End Near",     "EndFrame",  "Finish"};
  EXPECT_EQ(vector->calls, expected);
  const std::vector<std::string> stages{"Preparing View",    "Loading Auxillary Files",
                                        "Preparing Scene",   "Preparing Objects",
                                        "Illustrating",      "Preparing image and channels",
                                        "Finished"};
  EXPECT_EQ(progress.topLevelTitles(), stages);
  EXPECT_TRUE(surfaces->drawn.empty());
  EXPECT_TRUE(canvas->applied.empty());
  for (const host::BMM_Color_64& p : output.Pixels()) ASSERT_TRUE(sameColour(p, kMarker));
}

TEST_F(FrameTest, VectorFileIsAbandonedUnlessTheLastFrameSucceeded) {
  auto vector = std::make_shared<RecordingVector>();
  renderer->Stages().vector = vector;
  settings().renderMode = static_cast<int>(pw::PwRenderMode::Vector);
  ASSERT_EQ(open(), 1);
  close();  // never rendered: the begun sequence must still end
  EXPECT_EQ(vector->calls, (std::vector<std::string>{"Open", "Abandon"}));

  vector->calls.clear();
  progress.cancelAt = "Preparing Scene";
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(render(), 0);
  close();
  EXPECT_EQ(vector->calls.back(), "Abandon");
}

TEST_F(FrameTest, VectorModeNeedsAVectorRenderer) {
  settings().renderMode = static_cast<int>(pw::PwRenderMode::Vector);
  EXPECT_EQ(open(), 0);
  close();
  EXPECT_EQ(messages, (std::vector<std::string>{"PenwrightRenderer: vector output is not available in this build",
                                                pw::kMsgCloseAfterFailedOpen}));

  auto vector = std::make_shared<RecordingVector>();
  vector->openAnswer = false;
  renderer->Stages().vector = vector;
  EXPECT_EQ(open(), 0);
  close();
  EXPECT_EQ(progress.lastTitle(), "Failed");
}

// ---- Custom outputs -----------------------------------------------------------------

class CustomOutputFrameTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    dir = std::filesystem::temp_directory_path() /
          ("pw_frame_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir);
    FrameTest::TearDown();
  }
  void want(host::ParamID on, host::ParamID file, const std::string& name) {
    host::IParamBlock2* block = renderer->ParamBlock();
    ASSERT_TRUE(block->SetValue(on, 0, true));
    ASSERT_TRUE(block->SetValue(file, 0, host::PBBitmap{name.empty() ? "" : (dir / name).string()}));
  }
  std::filesystem::path dir;
};

TEST_F(CustomOutputFrameTest, SurfacesAndLinesFilesAreNumberedByTheFrameAskedFor) {
  box("Box", {0, 0, 0});
  lines->paint = paintTwoLines;
  want(pw::kSurfaceCustomOutputOn, pw::kSurfaceCustomOutput, "surf.png");
  want(pw::kLinesCustomOutputOn, pw::kLinesCustomOutput, "lines.png");
  renderer->OutputSequence() = {true, 0};
  rendParams.fieldRender = true;  // the fields move the time on by a whole frame
  ASSERT_EQ(renderOnce(12 * 160), 1);

  host::Bitmap surf, lineImage;
  std::string error;
  ASSERT_TRUE(host::ReadImage((dir / "surf0012.png").string(), surf, &error)) << error;
  ASSERT_TRUE(host::ReadImage((dir / "lines0012.png").string(), lineImage, &error)) << error;
  EXPECT_TRUE(sameColour(surf.GetPixel(0, 0), kBlueBackground)) << "surfaces are written before the lines";
  EXPECT_TRUE(sameColour(lineImage.GetPixel(0, 0), kGreen));
  EXPECT_TRUE(sameColour(output.GetPixel(0, 0), kGreen));
  EXPECT_FALSE(std::filesystem::exists(dir / "surf0013.png"));
}

TEST_F(CustomOutputFrameTest, AFileThatCannotBeWrittenFailsTheFrame) {
  want(pw::kSurfaceCustomOutputOn, pw::kSurfaceCustomOutput, "");
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(render(), 0);
  close();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0].rfind("Unable to output surfaces to custom file.", 0), 0u) << messages[0];
  EXPECT_TRUE(canvas->applied.empty());
}

// ---- Alternate surface renderer ---------------------------------------------------------

constexpr host::Class_ID kOtherRendererId{0x7E57AAA1, 0x00000002};
constexpr host::BMM_Color_64 kOtherColour{1000, 2000, 3000, 65535};

class OtherRenderer : public pw::Renderer {
 public:
  static inline std::vector<std::string> log;
  static inline int created = 0;
  static inline host::INode* openedScene = nullptr;

  OtherRenderer() { ++created; }
  host::Class_ID ClassID() const override { return kOtherRendererId; }
  std::string GetClassName() const override { return "Other Renderer"; }
  int Open(host::INode* scene, host::INode*, const host::ViewParams*, const host::RendParams&,
           const host::DefaultLight*, int, host::RendProgressCallback*) override {
    log.push_back("Open");
    openedScene = scene;
    return 1;
  }
  int Render(host::TimeValue, host::Bitmap* output, const host::FrameRendParams&, host::RendProgressCallback*,
             const host::ViewParams*) override {
    log.push_back("Render");
    output->Fill(kOtherColour);
    return 1;
  }
  void Close(host::RendProgressCallback*) override { log.push_back("Close"); }
};

class OtherRendererDesc : public host::ClassDesc {
 public:
  host::ReferenceTarget* Create(bool) override { return new OtherRenderer(); }
  std::string ClassName() const override { return "Other Renderer"; }
  host::SClass_ID SuperClassID() const override { return host::RENDERER_CLASS_ID; }
  host::Class_ID ClassID() const override { return kOtherRendererId; }
};

class AlternateRendererTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    host::ClassRegistry::Global().Register(&desc_);
    OtherRenderer::log.clear();
    OtherRenderer::created = 0;
    settings().alternateRendererClass = kOtherRendererId;
    box("Box", {0, 0, 0});
  }
  void TearDown() override {
    host::ClassRegistry::Global().Unregister(&desc_);
    FrameTest::TearDown();
  }

 private:
  OtherRendererDesc desc_;
};

TEST_F(AlternateRendererTest, DrawsTheSurfacesAndPenwrightTheLines) {
  lines->paint = paintTwoLines;
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(OtherRenderer::openedScene, scene->Root());
  ASSERT_EQ(render(), 1);
  EXPECT_TRUE(surfaces->drawn.empty()) << "the own surface pass must be skipped";
  EXPECT_EQ(lines->extracted, std::vector<std::string>{"Box"});
  EXPECT_TRUE(sameColour(output.GetPixel(0, 0), kGreen));
  EXPECT_TRUE(sameColour(output.GetPixel(1, 0), kOtherColour));
  close();
  EXPECT_EQ(OtherRenderer::log, (std::vector<std::string>{"Open", "Render", "Close"}));
  EXPECT_EQ(OtherRenderer::created, 1);
  EXPECT_EQ(progress.lastTitle(), "Finished");

  // The switch was only suspended for the frame.
  settings().alternateRendererClass = pw::PENWRIGHT_RENDERER_CLASS_ID;
  surfaces->drawn.clear();
  ASSERT_EQ(renderOnce(), 1);
  EXPECT_EQ(surfaces->drawn, std::vector<std::string>{"Box"});
}

TEST_F(AlternateRendererTest, WithoutLinesItDoesAllTheWork) {
  settings().linesOn = false;
  ASSERT_EQ(renderOnce(), 1);
  EXPECT_EQ(OtherRenderer::log, (std::vector<std::string>{"Open", "Render", "Close"}));
  EXPECT_EQ(progress.topLevelTitles(), std::vector<std::string>{"Finished"});
  EXPECT_TRUE(sameColour(output.GetPixel(5, 5), kOtherColour));
  EXPECT_EQ(canvas->applied.size(), 1u);
}

TEST_F(AlternateRendererTest, TheRendererHeldByTheBlockIsUsed) {
  auto* held = new OtherRenderer();
  ASSERT_TRUE(renderer->ParamBlock()->SetValue(pw::kAlternateSurfaceRenderer, 0, held));
  ASSERT_EQ(renderOnce(), 1);
  EXPECT_EQ(OtherRenderer::created, 1);
  EXPECT_EQ(OtherRenderer::log, (std::vector<std::string>{"Open", "Render", "Close"}));
}

TEST_F(AlternateRendererTest, AMissingClassFailsOpen) {
  settings().alternateRendererClass = host::Class_ID(0x7E57AAA1, 0x99);
  EXPECT_EQ(open(), 0);
  EXPECT_EQ(render(), 0);
  close();
  EXPECT_EQ(messages, (std::vector<std::string>{pw::kMsgNoSurfaceRenderer, pw::kMsgCloseAfterFailedOpen}));
  EXPECT_EQ(progress.lastTitle(), "Cancelled");
  EXPECT_TRUE(OtherRenderer::log.empty());
}

// ---- Scene gathering and notifications ------------------------------------------------

class NotedMtl : public host::StdMat, public pw::PwRenderNotifiable {
 public:
  int begins = 0;
  int ends = 0;
  void RenderBegin(host::TimeValue) override { ++begins; }
  void RenderEnd(host::TimeValue) override { ++ends; }
};

TEST_F(FrameTest, SharedMaterialHearsBeginAndEndOnce) {
  auto* mtl = new NotedMtl();
  host::RefHolder keep(mtl);
  box("A", {-2, 0, 0})->SetMtl(mtl);
  box("B", {2, 0, 0})->SetMtl(mtl);
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(mtl->begins, 1);
  EXPECT_EQ(mtl->ends, 0);
  ASSERT_EQ(render(), 1);
  close();
  EXPECT_EQ(mtl->begins, 1);
  EXPECT_EQ(mtl->ends, 1);
}

// A reference target that counts the notices it hears.
class NotedNode : public TestNode, public pw::PwRenderNotifiable {
 public:
  using TestNode::TestNode;
  std::vector<pw::PwRenderNotice> heardNotices;
  void BeforeRender(host::TimeValue) override { heardNotices.push_back(pw::PwRenderNotice::BeforeRender); }
  void AfterRender(host::TimeValue) override { heardNotices.push_back(pw::PwRenderNotice::AfterRender); }
};

TEST(RenderNotify, EachObjectOnceAcrossRootsAndAgainNextTime) {
  auto* shared = new NotedNode("shared");
  auto* a = new NotedNode("a", 1);
  auto* b = new NotedNode("b", 2);
  host::RefHolder holdA(a), holdB(b);
  a->ReplaceReference(0, shared);
  b->ReplaceReference(0, shared);
  b->ReplaceReference(1, a);  // a is reached again through b
  std::vector<host::ReferenceMaker*> roots{a, nullptr, b};
  pw::notifyRender(roots, pw::PwRenderNotice::BeforeRender, 0);
  pw::notifyRender(roots, pw::PwRenderNotice::AfterRender, 0);
  const std::vector<pw::PwRenderNotice> once{pw::PwRenderNotice::BeforeRender, pw::PwRenderNotice::AfterRender};
  for (NotedNode* n : {shared, a, b}) EXPECT_EQ(n->heardNotices, once) << n->name_;
}

TEST_F(FrameTest, TextureMapsAreTheInstanceMaterialsThenTheEnvironmentEachOnce) {
  auto* mtl = new host::StdMat();
  auto* map = new host::BitmapTex();
  ASSERT_TRUE(mtl->SetSubTexmap(1, map));
  auto* env = new host::BitmapTex();
  host::RefHolder keepMtl(mtl), keepEnv(env);
  box("A", {-2, 0, 0})->SetMtl(mtl);
  box("B", {2, 0, 0})->SetMtl(mtl);
  rendParams.envMap = env;
  ASSERT_EQ(open(), 1);
  const pw::PwRenderRun& run = renderer->Run();
  EXPECT_EQ(run.textureMaps, (std::vector<host::MtlBase*>{mtl, env}));
  EXPECT_EQ(run.environmentMap, env);
  EXPECT_EQ(run.shade.nLights, 0);
  close();
}

TEST_F(FrameTest, MaterialsInUseAreTheCanvasThenEachStyleOnce) {
  box("A", {-2, 0, 0});
  host::INode* b = box("B", {2, 0, 0});
  box("C", {0, 2, 0});
  pw::PwObjectLibrary* library = pw::GetCurrentLibrary(scene->Root());
  ASSERT_NE(library, nullptr);
  int other = -1;
  for (int i = 0; i < library->Capacity() && other < 0; ++i)
    if (pw::IsStyle(library->Get(i)) && i != pw::DefaultStyleSlot(*library)) other = i;
  ASSERT_GE(other, 0);
  ASSERT_TRUE(pw::AssignStyle(*b, *library, other));

  ASSERT_EQ(open(), 1);
  const std::vector<pw::PwObject*>& used = renderer->Run().materialsInUse;
  ASSERT_EQ(used.size(), 3u);
  EXPECT_EQ(used[0], library->Get(library->Find(pw::PW_ORIGIN_DEFAULT, pw::PW_DEFAULT_CANVAS)));
  EXPECT_EQ(used[1], library->Get(pw::DefaultStyleSlot(*library)));
  EXPECT_EQ(used[2], library->Get(other));
  close();
}

TEST_F(FrameTest, ClonedRendererKeepsItsSettingsAndBlock) {
  settings().linesOn = false;
  settings().customFovDegrees = 33.0f;
  ASSERT_TRUE(renderer->ParamBlock()->SetValue(pw::kLinesAntialiasingQuality, 0, 4));
  host::RefHolder copyHolder(renderer->Clone());
  auto* copy = dynamic_cast<pw::PenwrightRenderer*>(copyHolder.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Settings().params.Switches(), settings().Switches());
  ASSERT_NE(copy->ParamBlock(), renderer->ParamBlock());
  EXPECT_EQ(copy->ParamBlock()->GetInt(pw::kLinesAntialiasingQuality), 4);
  EXPECT_EQ(copy->SuperClassID(), host::RENDERER_CLASS_ID);

  host::RefHolder made(host::ClassRegistry::Global().Create(host::RENDERER_CLASS_ID,
                                                             pw::PENWRIGHT_RENDERER_CLASS_ID, false));
  auto* fresh = dynamic_cast<pw::PenwrightRenderer*>(made.get());
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(fresh->ParamBlock(), nullptr);
}

TEST_F(FrameTest, RendererRoundTripsThroughASceneFile) {
  settings().sphericalLens = true;
  settings().renderMode = static_cast<int>(pw::PwRenderMode::Vector);
  ASSERT_TRUE(renderer->ParamBlock()->SetValue(pw::kLinesAntialiasingQuality, 0, 2));
  scene->Root()->SetRenderSettings(renderer);
  const host::SceneSaveResult saved = scene->SaveToBytes();
  ASSERT_TRUE(saved.ok()) << saved.error;

  host::Scene loaded;
  std::string error;
  ASSERT_TRUE(host::Scene::LoadFromBytes(saved.bytes, host::ClassRegistry::Global(), &loaded, &error)) << error;
  auto* back = dynamic_cast<pw::PenwrightRenderer*>(loaded.Root()->GetRenderSettings());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Settings().params.Switches(), settings().Switches());
  ASSERT_NE(back->ParamBlock(), nullptr);
  EXPECT_EQ(back->ParamBlock()->GetInt(pw::kLinesAntialiasingQuality), 2);
}

// Per-frame data lives for its frame: an instance that is not drawn this
// frame keeps no copy of an earlier frame's mesh.
TEST_F(FrameTest, AnInstanceHiddenThisFrameLetsGoOfItsMeshCopy) {
  host::INode* node = box("Box", {0, 0, 0});
  ASSERT_EQ(open(), 1);
  ASSERT_EQ(render(0), 1);
  const pw::PwRenderInstance& inst = *renderer->Run().instances[0];
  EXPECT_EQ(inst.mesh.numFaces(), 12);
  node->SetVisibility(0, 0.0f);
  ASSERT_EQ(render(0), 1);
  EXPECT_FALSE(inst.visible);
  EXPECT_EQ(inst.mesh.numFaces(), 0);
  EXPECT_EQ(inst.mesh.verts.capacity(), 0u);
  node->SetVisibility(0, 1.0f);
  ASSERT_EQ(render(0), 1);
  EXPECT_EQ(inst.mesh.numFaces(), 12) << "seen again, it is copied again";
  close();
}

// A frame without objects is its background: no pixel buffer, no
// background image (one colour is all it holds), no lines image, and the
// same picture as before.
TEST_F(FrameTest, ABackgroundOnlyFrameMakesOnlyThePicture) {
  ASSERT_EQ(open(), 1);
  ASSERT_EQ(render(0), 1);
  EXPECT_EQ(renderer->Run().pixels.pixels.capacity(), 0u);
  EXPECT_EQ(renderer->Run().background.pixels.capacity(), 0u);
  EXPECT_TRUE(lines->rasterized.empty()) << "no lines image was made to draw into";
  for (int y = 0; y < output.Height(); ++y)
    for (int x = 0; x < output.Width(); ++x) ASSERT_EQ(output.GetPixel(x, y), (host::BMM_Color_64{0, 0, 65535, 0}));
  close();
  // With an object the buffer is there for the frame.
  box("Box", {0, 0, 0});
  ASSERT_EQ(open(), 1);
  ASSERT_EQ(render(0), 1);
  EXPECT_EQ(renderer->Run().pixels.pixels.size(), static_cast<std::size_t>(output.Width() * output.Height()));
  close();
}

TEST_F(FrameTest, NodeWithoutMaterialRendersWithItsWireColour) {
  host::INode* node = box("Plain", {0, 0, 0});
  node->SetMtl(nullptr);
  node->SetWireColorRGB(host::Color(0.25f, 0.5f, 1.0f));
  ASSERT_EQ(open(), 1);
  ASSERT_EQ(renderer->Run().instances.size(), 1u);
  const pw::PwRenderInstance& inst = *renderer->Run().instances[0];
  ASSERT_NE(inst.mtl, nullptr);
  EXPECT_TRUE(inst.ownsMaterial());
  EXPECT_EQ(inst.mtl->GetClassName(), "PwMtlStandin");
  const host::Color diffuse = inst.mtl->GetDiffuse();
  EXPECT_NEAR(diffuse.r, 0.25f, 1e-2);
  EXPECT_NEAR(diffuse.g, 0.5f, 1e-2);
  EXPECT_NEAR(diffuse.b, 1.0f, 1e-2);
  close();
  EXPECT_TRUE(renderer->Run().instances.empty());
}

}  // namespace
}  // namespace pwtest
