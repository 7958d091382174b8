// A renderer over a small scene (a camera looking at boxes), with a
// progress callback that records what it is told and recording stand-ins
// for the stages other modules provide.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "host/scene/camera.h"
#include "host/refs/class_desc.h"
#include "host/scene/host_classes.h"
#include "host/services/interface.h"
#include "host/scene/scene_model.h"
#include "library/library_state.h"
#include "plugin/class_table.h"
#include "program/art_material_classes.h"
#include "render/renderer.h"
#include "render/scene_fixture.h"

namespace pwtest {

// The part of a shown title after the last "  ->  ": the innermost caption.
inline std::string innermost(const std::string& title) {
  const std::size_t at = title.rfind("  ->  ");
  return at == std::string::npos ? title : title.substr(at + 6);
}

class RecordingProgress : public host::RendProgressCallback {
 public:
  std::vector<std::string> titles;  // every SetTitle, in order
  std::vector<int> fields;          // every SetCurField
  int progressCalls = 0;
  int sceneObjects = -1;
  int sceneFaces = -1;
  int sceneLights = -1;
  // Answers 0 while the innermost caption is this one.
  std::string cancelAt;

  void SetTitle(const char* title) override {
    titles.emplace_back(title);
    current_ = title;
  }
  int Progress(int, int) override {
    ++progressCalls;
    return !cancelAt.empty() && innermost(current_) == cancelAt ? 0 : 1;
  }
  void SetCurField(int field) override { fields.push_back(field); }
  void SetSceneStats(int lights, int, int, int objects, int faces) override {
    sceneLights = lights;
    sceneObjects = objects;
    sceneFaces = faces;
  }

  // The captions the stack started with, in order, each time it was shown
  // at the top level.
  std::vector<std::string> topLevelTitles() const {
    std::vector<std::string> out;
    for (const std::string& t : titles)
      if (!t.empty() && t.find("  ->  ") == std::string::npos && (out.empty() || out.back() != t)) out.push_back(t);
    return out;
  }
  const std::string& lastTitle() const { return titles.back(); }

 private:
  std::string current_;
};

// Fills the screen rectangle around each object's projected vertices with
// an opaque colour, nearest wins: enough of a surface pass to see which
// objects the driver hands over, and where.
class BoxSurfaces : public pw::PwSurfacePass {
 public:
  host::BMM_Color_64 colour{65535, 0, 0, 65535};
  std::vector<std::string> drawn;
  std::vector<host::TimeValue> frames;  // the frame time at each PrepareFrame
  int resolved = 0;
  // Varies the colour per field when set.
  std::function<host::BMM_Color_64(const pw::PwFrameContext&)> colourOf;

  void PrepareFrame(const pw::PwSurfaceFrame& s) override { frames.push_back(s.frame.time); }
  bool RenderObjectSurfaces(const pw::PwSurfaceFrame& s, pw::PwRenderInstance& inst, pw::PwStyle&) override {
    drawn.push_back(inst.node->GetName());
    const host::BMM_Color_64 c = colourOf ? colourOf(s.frame) : colour;
    float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
    for (const pw::MeshVertex& v : inst.mesh.verts) {
      x0 = std::min(x0, v.sx);
      y0 = std::min(y0, v.sy);
      x1 = std::max(x1, v.sx);
      y1 = std::max(y1, v.sy);
    }
    const pw::PwRegion& r = s.frame.view->region;
    for (int y = std::max(r.y0, int(y0)); y <= std::min(r.y1, int(y1)); ++y) {
      for (int x = std::max(r.x0, int(x0)); x <= std::min(r.x1, int(x1)); ++x) {
        pw::PwFragment& f = s.pixels.at(x, y);
        if (f.depth >= inst.zMax) continue;
        f.depth = inst.zMax;
        f.red = c.r;
        f.green = c.g;
        f.blue = c.b;
        f.alpha = c.a;
        f.instance = inst.index;
      }
    }
    return true;
  }
  void Resolve(pw::PwPixelBuffer&) override { ++resolved; }
};

// Paints the lines bitmap with whatever `paint` says.
class PaintedLines : public pw::PwLinePass {
 public:
  std::function<void(const pw::PwFrameContext&, host::Bitmap&)> paint;
  std::vector<std::string> extracted;
  std::vector<host::TimeValue> rasterized;  // the frame time of each Rasterize
  pw::PwLineRasterSettings lastSettings;
  int cleared = 0;
  int prepared = 0;
  int freed = 0;

  void ClearLines() override { ++cleared; }
  void PrepareFaceData(const pw::PwFrameContext&, pw::PwRenderInstance&, bool) override { ++prepared; }
  void FreeFaceData(pw::PwRenderInstance&) override { ++freed; }
  // What the last AddObjectLines was shown of the frame.
  std::vector<std::string> visibleSeen;
  pw::PwFrameSettings settingsSeen;
  host::TimeValue timeSeen = -1;

  bool AddObjectLines(const pw::PwFrameContext& frame, pw::PwRenderInstance& inst, pw::PwStyle&) override {
    extracted.push_back(inst.node->GetName());
    visibleSeen.clear();
    for (const pw::PwRenderInstance* v : frame.visible()) visibleSeen.push_back(v->node->GetName());
    settingsSeen = frame.settings;
    timeSeen = frame.time;
    return true;
  }
  bool Rasterize(const pw::PwFrameContext& frame, host::Bitmap& target, const pw::PwLineRasterSettings& s) override {
    rasterized.push_back(frame.time);
    lastSettings = s;
    if (paint) paint(frame, target);
    return true;
  }
};

class RecordingCanvas : public pw::PwCanvasPainter {
 public:
  std::vector<host::TimeValue> applied;
  void Apply(pw::PwObject&, host::Bitmap&, host::TimeValue t, pw::PwRenderProgress&) override {
    applied.push_back(t);
  }
};

class RecordingVector : public pw::PwVectorRenderer {
 public:
  std::vector<std::string> calls;
  bool openAnswer = true;

  bool Open(pw::PwRenderRun&) override {
    calls.push_back("Open");
    return openAnswer;
  }
  bool BeginFrame(pw::PwRenderRun&, host::Bitmap*) override {
    calls.push_back("BeginFrame");
    return true;
  }
  void BeginObject(pw::PwRenderRun&, pw::PwRenderInstance& i) override { calls.push_back("Begin " + name(i)); }
  bool WantsSurfaces() const override { return true; }
  bool WantsLines() const override { return true; }
  bool DrawSurfaces(pw::PwRenderRun&, pw::PwRenderInstance& i, pw::PwStyle&) override {
    calls.push_back("Surfaces " + name(i));
    return true;
  }
  bool DrawLines(pw::PwRenderRun&, pw::PwRenderInstance& i, pw::PwStyle&) override {
    calls.push_back("Lines " + name(i));
    return true;
  }
  void EndObject(pw::PwRenderRun&, pw::PwRenderInstance& i) override { calls.push_back("End " + name(i)); }
  bool EndFrame(pw::PwRenderRun&) override {
    calls.push_back("EndFrame");
    return true;
  }
  void Finish(pw::PwRenderRun&) override { calls.push_back("Finish"); }
  void Abandon(pw::PwRenderRun&) override { calls.push_back("Abandon"); }

 private:
  static std::string name(const pw::PwRenderInstance& i) { return i.node->GetName(); }
};

class RecordingAuxFiles : public pw::PwAuxFileStage {
 public:
  bool loadAnswer = true;
  std::vector<bool> loads;  // firstFrame of each Load
  int builds = 0;
  int unloads = 0;
  bool Load(pw::PwRenderRun&, bool firstFrame) override {
    loads.push_back(firstFrame);
    return loadAnswer;
  }
  void BuildMaps(pw::PwRenderRun&) override { ++builds; }
  void Unload(pw::PwRenderRun&) override { ++unloads; }
};

inline constexpr int kImageWidth = 40;
inline constexpr int kImageHeight = 30;

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedInterface_ = host::TheInterfaceState();
    host::SetNetworkRender(true);
    host::SetLogSink([this](std::string_view text) { messages.emplace_back(text); });
    host::RegisterHostClasses(host::ClassRegistry::Global());
    pw::RegisterPluginClasses(host::ClassRegistry::Global());
    ASSERT_TRUE(pw::RegisterArtMaterialClasses());
    ASSERT_TRUE(pw::RegisterRendererClass());
    pw::SetCurrentLibraryId(0);
    pw::SeedLibraryIds(7000);

    scene = std::make_unique<host::Scene>();
    auto* cam = new host::GenCamera();
    cam->SetFOV(0, std::numbers::pi_v<float> / 3.0f);
    camera = scene->CreateNode("Camera", cam);
    camera->SetNodeTM(0, host::TransMatrix({0.0f, 0.0f, 10.0f}));

    renderer = new pw::PenwrightRenderer();
    holder_.reset(renderer);
    renderer->Stages() = {};
    renderer->Stages().surfaces = surfaces;
    renderer->Stages().lines = lines;
    renderer->Stages().canvas = canvas;
    renderer->Stages().auxFiles = aux;

    rendParams.width = kImageWidth;
    rendParams.height = kImageHeight;
    frameParams.background = {0.0f, 0.0f, 1.0f};
    frameParams.regxmax = kImageWidth - 1;
    frameParams.regymax = kImageHeight - 1;
    ASSERT_TRUE(output.Create(kImageWidth, kImageHeight));
  }

  void TearDown() override {
    holder_.reset();
    scene.reset();
    EXPECT_TRUE(pw::TheLibraryState().registry.empty()) << "libraries leaked";
    pw::SetCurrentLibraryId(0);
    host::TheInterfaceState() = savedInterface_;
  }

  pw::PwPenwrightRenderParams& settings() { return renderer->Settings().params; }
  host::INode* box(const std::string& name, const host::Point3& centre, float half = 1.0f) {
    const host::Point3 h{half, half, half};
    return addBox(*scene, name, host::Box3(centre - h, centre + h));
  }

  int open() { return renderer->Open(scene->Root(), camera, nullptr, rendParams, nullptr, 0, &progress); }
  int render(host::TimeValue t = 0) { return renderer->Render(t, &output, frameParams, &progress); }
  void close() { renderer->Close(&progress); }
  // Open, one frame at t, Close; answers Render's result.
  int renderOnce(host::TimeValue t = 0) {
    if (!open()) return 0;
    const int result = render(t);
    close();
    return result;
  }

  bool hasMessage(const std::string& text) const {
    return std::find(messages.begin(), messages.end(), text) != messages.end();
  }

  std::unique_ptr<host::Scene> scene;
  host::INode* camera = nullptr;
  pw::PenwrightRenderer* renderer = nullptr;
  std::shared_ptr<BoxSurfaces> surfaces = std::make_shared<BoxSurfaces>();
  std::shared_ptr<PaintedLines> lines = std::make_shared<PaintedLines>();
  std::shared_ptr<RecordingCanvas> canvas = std::make_shared<RecordingCanvas>();
  std::shared_ptr<RecordingAuxFiles> aux = std::make_shared<RecordingAuxFiles>();
  RecordingProgress progress;
  host::RendParams rendParams;
  host::FrameRendParams frameParams;
  host::Bitmap output;
  std::vector<std::string> messages;

 private:
  host::InterfaceState savedInterface_;
  host::RefHolder holder_;
};

}  // namespace pwtest
