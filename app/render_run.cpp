#include "render_run.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>
#include <set>
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

// "366 MB": what a picture of that size takes, 16 bits a channel.
std::string ImageBytesText(ImageSize size) {
  const double bytes = static_cast<double>(size.width) * size.height * sizeof(host::BMM_Color_64);
  char text[32];
  std::snprintf(text, sizeof text, "%.0f MB", bytes / (1024.0 * 1024.0));
  return text;
}

enum class RunOutcome { Done, Failed, Cancelled };

RunOutcome FailedOrCancelled(const CliProgress& progress) {
  return InterruptRequested() || progress.CancelAnswered() ? RunOutcome::Cancelled : RunOutcome::Failed;
}

// Prints each file written once, one path a line on stdout, for scripts to
// collect (an SWF sequence writes one file however many frames).
class WrittenFiles {
 public:
  explicit WrittenFiles(bool quiet) : quiet_(quiet) {}
  void Tell(const std::string& path) {
    if (quiet_ || !told_.insert(path).second) return;
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
  }

 private:
  bool quiet_;
  std::set<std::string> told_;
};

// The drawing file a frame wrote, when the renderer's settings wrote one:
// --mode vector, or renderMode=vector with saveVectorFile set.
std::optional<std::string> DrawingOfFrame(const PenwrightRenderer& renderer, const RenderJob& job, int frame) {
  const PwRendererSettings& settings = renderer.Settings();
  if (!IsVectorPlan(job.plan) &&
      (settings.params.RenderMode() != PwRenderMode::Vector || !settings.vector.saveVectorFile))
    return std::nullopt;
  if (settings.vector.vectorFileName.empty()) return std::nullopt;
  return VectorFileForFrame(settings, frame, job.frames.numbered);
}

// Writes the frame's picture with the bar following its rows. A Ctrl-C
// while it is written abandons it: the old file stays as it was.
RunOutcome WritePicture(const RenderJob& job, const std::string& path, const host::Bitmap& image,
                        CliProgress& progress) {
  const std::string caption = "Writing " + path;
  progress.SetTitle(caption.c_str());
  host::ImageWriteOptions options;
  options.bitsPerChannel = job.plan.bitsPerChannel;
  options.progress = [&progress](int done, int total) { return progress.Progress(done, total) != 0; };
  std::string error;
  const bool written = host::WriteImage(path, image, options, &error);
  progress.Clear();
  if (written) return RunOutcome::Done;
  if (InterruptRequested()) return RunOutcome::Cancelled;
  PrintError(error);
  return RunOutcome::Failed;
}

// One frame rendered into `image` and, only when that succeeded, written to
// its file. WriteImage writes beside the target and renames, so an existing
// file is replaced by a whole picture or not at all.
RunOutcome RenderFrame(PenwrightRenderer& renderer, const RenderJob& job, const host::FrameRendParams& frameParams,
                       int frame, bool clearImage, host::Bitmap& image, CliProgress& progress,
                       WrittenFiles& written) {
  const host::TimeValue t = host::FrameToTime(frame);
  const host::ViewParams view = CameraViewParams(job.camera, t);
  if (clearImage) image.Fill({});
  const int rendered = renderer.Render(t, &image, frameParams, &progress, &view);
  progress.Clear();
  // The custom line and surface files are written during Render.
  for (const std::string& path : renderer.Run().filesWritten) written.Tell(path);
  if (!rendered) {
    const RunOutcome outcome = FailedOrCancelled(progress);
    if (outcome == RunOutcome::Failed) PrintError("frame " + std::to_string(frame) + " could not be rendered");
    return outcome;
  }
  if (const std::optional<std::string> drawing = DrawingOfFrame(renderer, job, frame)) written.Tell(*drawing);
  if (IsVectorPlan(job.plan)) return RunOutcome::Done;  // the drawing is the frame's file
  if (InterruptRequested()) return RunOutcome::Cancelled;

  // The folder was checked before rendering; only a name the frame number
  // cannot be added to fails here.
  const std::optional<std::string> path = OutputPathForFrame(job.plan.outputPath, frame, job.frames.numbered);
  if (!path) {
    PrintError("-o/--output: no file name for frame " + std::to_string(frame));
    return RunOutcome::Failed;
  }
  if (!job.plan.keepAlpha) {
    for (int y = 0; y < image.Height(); ++y)
      for (host::BMM_Color_64& px : image.Row(y)) px.a = 65535;
  }
  const RunOutcome outcome = WritePicture(job, *path, image, progress);
  if (outcome == RunOutcome::Done) written.Tell(*path);
  return outcome;
}

// Open, the frames in order, Close. Stops at the first frame that fails or
// at a Ctrl-C; the files of the frames before it stay.
RunOutcome RenderFrames(PenwrightRenderer& renderer, const RenderJob& job, CliProgress& progress, bool quiet) {
  // Laying out a big frame's memory takes a while before the renderer's
  // first caption: say what is under way from the start.
  const std::string preparing =
      "Preparing the " + std::to_string(job.size.width) + " x " + std::to_string(job.size.height) + " picture";
  progress.SetTitle(preparing.c_str());
  host::Bitmap image;
  if (!image.Create(job.size.width, job.size.height)) {
    progress.Clear();
    PrintError("not enough memory for the " + std::to_string(job.size.width) + " x " +
               std::to_string(job.size.height) + " picture (" + ImageBytesText(job.size) + ")");
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

  WrittenFiles written(quiet);
  RunOutcome outcome = RunOutcome::Done;
  const long long count = job.frames.Count();
  const int shownCount = static_cast<int>(std::min<long long>(count, INT_MAX));
  for (long long i = 0; i < count && outcome == RunOutcome::Done; ++i) {
    progress.SetFrame(static_cast<int>(std::min<long long>(i, INT_MAX - 1)), shownCount);
    const int frame = static_cast<int>(job.frames.range.first + i);
    outcome = InterruptRequested() ? RunOutcome::Cancelled
                                   : RenderFrame(renderer, job, frameParams, frame, i > 0, image, progress, written);
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
