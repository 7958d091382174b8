#include "render_run.h"

#include <cstdio>
#include <optional>
#include <string>

#include <unistd.h>

#include "host/imaging/bitmap.h"
#include "host/refs/class_desc.h"
#include "host/imaging/image_io.h"
#include "host/services/interface.h"
#include "host/refs/reference.h"
#include "host/scene/scene_model.h"
#include "interrupt.h"
#include "progress_bar.h"
#include "render/renderer.h"
#include "render_job.h"
#include "render_setup.h"
#include "vector_options.h"

namespace pw::cli {

namespace {

int Refuse(const std::string& message) {
  PrintError(message);
  return ExitUsage;
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

RunOutcome FailedOrCancelled(const CliProgress& progress) {
  return InterruptRequested() || progress.CancelAnswered() ? RunOutcome::Cancelled : RunOutcome::Failed;
}

// One frame rendered into `image` and, only when that succeeded, written to
// its file. WriteImage writes beside the target and renames, so an existing
// file is replaced by a whole picture or not at all.
RunOutcome RenderFrame(PenwrightRenderer& renderer, const RenderJob& job, const host::FrameRendParams& frameParams,
                       int frame, host::Bitmap& image, CliProgress& progress, bool quiet) {
  const host::TimeValue t = host::FrameToTime(frame);
  const host::ViewParams view = CameraViewParams(job.camera, t);
  image.Fill({});
  const int rendered = renderer.Render(t, &image, frameParams, &progress, &view);
  progress.Clear();
  if (!rendered) {
    const RunOutcome outcome = FailedOrCancelled(progress);
    if (outcome == RunOutcome::Failed) PrintError("frame " + std::to_string(frame) + " could not be rendered");
    return outcome;
  }
  if (IsVectorPlan(job.plan)) {
    // The vector writer wrote (and named) the frame's file itself.
    const std::optional<std::string> drawing =
        VectorFileForFrame(renderer.Settings(), frame, job.frames.numbered);
    if (!quiet && drawing) {
      std::printf("%s\n", drawing->c_str());
      std::fflush(stdout);
    }
    return RunOutcome::Done;
  }
  // The folder was checked before rendering; only a name the frame number
  // cannot be added to fails here.
  const std::optional<std::string> path = OutputPathForFrame(job.plan.outputPath, frame, job.frames.numbered);
  if (!job.plan.keepAlpha) {
    for (int y = 0; y < image.Height(); ++y)
      for (host::BMM_Color_64& px : image.Row(y)) px.a = 65535;
  }
  std::string error;
  if (!path || !host::WriteImage(*path, image, {job.plan.bitsPerChannel}, &error)) {
    PrintError(path ? error : "no file name for the frame");
    return RunOutcome::Failed;
  }
  if (!quiet) {
    std::printf("%s\n", path->c_str());
    std::fflush(stdout);
  }
  return RunOutcome::Done;
}

// Open, the frames in order, Close. Stops at the first frame that fails or
// at a Ctrl-C; the files of the frames before it stay.
RunOutcome RenderFrames(PenwrightRenderer& renderer, const RenderJob& job, CliProgress& progress, bool quiet) {
  host::Bitmap image;
  if (!image.Create(job.size.width, job.size.height)) {
    PrintError("not enough memory for a " + std::to_string(job.size.width) + " x " + std::to_string(job.size.height) +
               " picture");
    return RunOutcome::Failed;
  }
  renderer.OutputSequence() = {job.frames.numbered, 0};
  const host::RendParams rendParams = MakeRendParams(job);
  const host::FrameRendParams frameParams = MakeFrameParams(job);
  const host::ViewParams firstView = CameraViewParams(job.camera, rendParams.firstFrame);
  host::SceneRoot* root = job.scene.Root();
  const std::vector<host::DefaultLight>& lights = root->defaultLights;
  if (!renderer.Open(root, job.camera, &firstView, rendParams, lights.data(), static_cast<int>(lights.size()),
                     &progress)) {
    progress.Clear();
    const RunOutcome outcome = FailedOrCancelled(progress);
    if (outcome == RunOutcome::Failed) PrintError("the render could not start");
    return outcome;
  }

  RunOutcome outcome = RunOutcome::Done;
  const int count = job.frames.Count();
  for (int i = 0; i < count && outcome == RunOutcome::Done; ++i) {
    progress.SetFrame(i, count);
    outcome = InterruptRequested() ? RunOutcome::Cancelled
                                   : RenderFrame(renderer, job, frameParams, job.frames.range.first + i, image,
                                                 progress, quiet);
  }

  // The outcome is told by the caller, in its own words; the renderer's
  // closing caption would only repeat it.
  CliProgress closing(ProgressStyle::Silent, [](std::string_view) {}, nullptr);
  renderer.Close(&closing);
  return outcome;
}

}  // namespace

int RunRender(const RenderArgs& args, const GlobalOptions& globals) {
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
