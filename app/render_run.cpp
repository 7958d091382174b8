#include "render_run.h"

#include <cstdio>
#include <optional>
#include <string>

#include <unistd.h>

#include "host/bitmap.h"
#include "host/class_desc.h"
#include "host/host_classes.h"
#include "host/image_io.h"
#include "host/interface.h"
#include "host/reference.h"
#include "host/scene_model.h"
#include "interrupt.h"
#include "progress_bar.h"
#include "render/art_material_classes.h"
#include "render/art_materials_json.h"
#include "render/renderer.h"
#include "render_output_check.h"
#include "render_setup.h"

namespace pw::cli {

namespace {

int Refuse(const std::string& message) {
  std::fprintf(stderr, "penwright: %s\n", message.c_str());
  return ExitUsage;
}

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

// Everything worked out before the first frame is rendered.
struct RenderJob {
  RenderPlan plan;
  host::Scene scene;
  host::SceneInputInfo info;
  ImageSize size;
  FrameSequence frames;
  host::INode* camera = nullptr;
};

// Each file the render writes: a format penwright writes, in a folder that
// takes new files.
bool CheckFiles(const RenderJob& job, const host::IParamBlock2& block, std::string* error) {
  for (const PlannedFile& f : PlannedFiles(job.plan, block)) {
    std::string why;
    if (!OutputFormatOf(f.path, f.origin, &why)) return Fail(error, why);
    // A sequence writes its numbered files into the same folder, so the
    // first one stands for them all.
    const std::optional<std::string> first = OutputPathForFrame(f.path, job.frames.range.first, job.frames.numbered);
    if (!first) return Fail(error, f.origin + ": '" + f.path + "' names no file");
    if (!CheckWritableTarget(*first, &why)) return Fail(error, f.origin + ": " + why);
  }
  return true;
}

// The command line, the scene and the renderer's settings, checked against
// one another. False with one line in *error; nothing is rendered or written.
bool PrepareJob(const RenderArgs& args, PenwrightRenderer& renderer, RenderJob& job, std::string* error) {
  if (!ParseRenderArgs(args, &job.plan, error)) return false;
  if (!host::LoadSceneInput(job.plan.scenePath, job.scene, error, &job.info) ||
      !LoadSceneArtMaterials(job.plan.scenePath, job.scene, error))
    return false;
  host::IParamBlock2* block = renderer.ParamBlock();
  if (!block) return Fail(error, "the renderer has no parameter block");
  if (!ApplyRenderSettings(renderer.Settings(), block, job.info.renderSettings, job.plan, error)) return false;

  const std::optional<ImageSize> size =
      ResolveImageSize(job.plan, {job.info.imageWidth, job.info.imageHeight}, error);
  if (!size) return false;
  job.size = *size;
  if (job.plan.region && !CheckRegionInside(*job.plan.region, job.size, error)) return false;
  job.frames = ResolveFrames(job.plan, {job.info.frameStart, job.info.frameEnd});
  job.camera = FindCameraNode(job.scene, job.plan.camera, error);
  if (!job.camera) return false;
  return CheckFiles(job, *block, error);
}

host::RendParams MakeRendParams(const RenderJob& job) {
  host::RendParams rp;
  rp.width = job.size.width;
  rp.height = job.size.height;
  rp.devAspect = 1.0f;
  rp.firstFrame = host::FrameToTime(job.frames.range.first);
  rp.envMap = job.scene.Root()->GetEnvironmentMap();
  if (job.plan.region) {
    rp.rendType = host::RENDTYPE_REGION;
    rp.nMinx = job.plan.region->x0;
    rp.nMiny = job.plan.region->y0;
    rp.nMaxx = job.plan.region->x1;
    rp.nMaxy = job.plan.region->y1;
  }
  return rp;
}

host::FrameRendParams MakeFrameParams(const RenderJob& job) {
  const host::SceneRoot& root = *job.scene.Root();
  host::FrameRendParams fp;
  fp.ambient = root.ambientLight;
  fp.background = root.backgroundColor;
  fp.globalLightLevel = root.globalLightLevel;
  fp.devWidth = job.size.width;
  fp.devHeight = job.size.height;
  const PixelRegion whole{0, 0, job.size.width - 1, job.size.height - 1};
  const PixelRegion r = job.plan.region.value_or(whole);
  fp.regxmin = r.x0;
  fp.regymin = r.y0;
  fp.regxmax = r.x1;
  fp.regymax = r.y1;
  return fp;
}

// Warnings printed while the bar is up would share its line: the bar is
// wiped first and drawn again at the next report. Printed as the warning
// reporter does on its own, title first.
class WarningsClearOfBar {
 public:
  explicit WarningsClearOfBar(CliProgress& progress) : saved_(host::TheInterfaceState().terminalSink) {
    host::SetTerminalSink([&progress](std::string_view title, std::string_view text) {
      progress.Clear();
      std::string lead(title);
      while (!lead.empty() && lead.back() == ' ') lead.pop_back();
      if (!lead.empty()) lead += ": ";
      std::string out;
      while (true) {
        const std::size_t nl = text.find('\n');
        out.append(lead).append(text.substr(0, nl)).append("\n");
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
        lead = "  ";
      }
      std::fputs(out.c_str(), stderr);
      std::fflush(stderr);
    });
  }
  ~WarningsClearOfBar() { host::SetTerminalSink(saved_); }
  WarningsClearOfBar(const WarningsClearOfBar&) = delete;
  WarningsClearOfBar& operator=(const WarningsClearOfBar&) = delete;

 private:
  host::TerminalSink saved_;
};

enum class RunOutcome { Done, Failed, Cancelled };

// Open, one Render and one file per frame, Close. A frame's file is written
// only when its Render succeeded, and replaces an existing file only once
// complete (WriteImage writes beside it and renames).
RunOutcome RenderFrames(PenwrightRenderer& renderer, RenderJob& job, CliProgress& progress, bool quiet) {
  renderer.OutputSequence() = {job.frames.numbered, 0};
  const host::RendParams rendParams = MakeRendParams(job);
  const host::FrameRendParams frameParams = MakeFrameParams(job);
  const host::ViewParams firstView = CameraViewParams(job.camera, rendParams.firstFrame);
  host::SceneRoot* root = job.scene.Root();
  const std::vector<host::DefaultLight>& lights = root->defaultLights;

  if (!renderer.Open(root, job.camera, &firstView, rendParams, lights.data(), static_cast<int>(lights.size()),
                     &progress)) {
    progress.Clear();
    return InterruptRequested() || progress.CancelAnswered() ? RunOutcome::Cancelled : RunOutcome::Failed;
  }

  RunOutcome outcome = RunOutcome::Done;
  host::Bitmap image;
  if (!image.Create(job.size.width, job.size.height)) {
    std::fprintf(stderr, "penwright: not enough memory for a %d x %d picture\n", job.size.width, job.size.height);
    outcome = RunOutcome::Failed;
  }
  const int count = job.frames.Count();
  for (int i = 0; i < count && outcome == RunOutcome::Done; ++i) {
    if (InterruptRequested()) {
      outcome = RunOutcome::Cancelled;
      break;
    }
    const int frame = job.frames.range.first + i;
    const host::TimeValue t = host::FrameToTime(frame);
    const host::ViewParams view = CameraViewParams(job.camera, t);
    progress.SetFrame(i, count);
    image.Fill({});
    const int rendered = renderer.Render(t, &image, frameParams, &progress, &view);
    progress.Clear();
    if (!rendered) {
      if (InterruptRequested() || progress.CancelAnswered()) {
        outcome = RunOutcome::Cancelled;
      } else {
        std::fprintf(stderr, "penwright: frame %d could not be rendered\n", frame);
        outcome = RunOutcome::Failed;
      }
      break;
    }
    // Checked before rendering; only a frame number too long for a name fails here.
    const std::optional<std::string> path = OutputPathForFrame(job.plan.outputPath, frame, job.frames.numbered);
    std::string error;
    if (!path || !host::WriteImage(*path, image, {job.plan.bitsPerChannel}, &error)) {
      std::fprintf(stderr, "penwright: %s\n", path ? error.c_str() : "no file name for the frame");
      outcome = RunOutcome::Failed;
      break;
    }
    if (!quiet) std::printf("%s\n", path->c_str());
    std::fflush(stdout);
  }

  // The outcome is told by the caller, in its own words; the renderer's
  // closing caption would only repeat it.
  CliProgress closing(ProgressStyle::Silent, [](std::string_view) {}, nullptr);
  renderer.Close(&closing);
  return outcome;
}

// The classes the renderer and the scene's art materials are made from.
bool StartRenderer() {
  host::RegisterHostClasses(host::ClassRegistry::Global());
  return RegisterArtMaterialClasses() && RegisterRendererClass();
}

}  // namespace

int RunRender(const RenderArgs& args, const GlobalOptions& globals) {
  if (!StartRenderer()) {
    std::fprintf(stderr, "penwright: the renderer's classes could not be set up\n");
    return ExitFailed;
  }
  auto* renderer = new PenwrightRenderer();
  host::RefHolder holder(renderer);
  RenderJob job;
  std::string error;
  if (!PrepareJob(args, *renderer, job, &error)) return Refuse(error);

  const bool toTerminal = isatty(STDERR_FILENO) == 1 && !host::IsNetworkRender();
  CliProgress progress(
      ChooseProgressStyle(globals.quiet, toTerminal),
      [](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
      },
      InterruptRequested, TerminalColumns(STDERR_FILENO));
  InterruptGuard interrupt;
  RunOutcome outcome;
  {
    std::optional<WarningsClearOfBar> warnings;
    if (toTerminal && !globals.quiet) warnings.emplace(progress);
    outcome = RenderFrames(*renderer, job, progress, globals.quiet);
  }
  switch (outcome) {
    case RunOutcome::Done: return ExitOk;
    case RunOutcome::Cancelled: std::fprintf(stderr, "Cancelled\n"); return ExitFailed;
    case RunOutcome::Failed: break;
  }
  return ExitFailed;
}

}  // namespace pw::cli
