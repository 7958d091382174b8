// Render: one frame into the host's bitmap, then the custom output files,
// lines over surfaces and the canvas.
#include <memory>

#include "host/services/interface.h"
#include "library/holder.h"
#include "render/compose.h"
#include "render/custom_output.h"
#include "render/frame_body.h"
#include "render/materials_in_use.h"
#include "render/render_lifecycle.h"

namespace pw {

namespace {

// A bitmap of the output's size and aspect, cleared to 0.
std::unique_ptr<host::Bitmap> companionBitmap(const host::Bitmap& output) {
  auto bm = std::make_unique<host::Bitmap>();
  if (!bm->Create(output.Width(), output.Height())) return nullptr;
  bm->SetAspect(output.Aspect());
  return bm;
}

bool writeCustomOutput(PwRenderRun& run, PwCustomPass pass, const host::Bitmap& image, host::TimeValue t) {
  if (!run.block || !CustomOutputOn(*run.block, pass, t)) return true;
  PwCustomOutputFrame frame;
  frame.time = t;
  frame.ticksPerFrame = host::GetTicksPerFrame();
  frame.fileNumberBase = run.sequence.fileNumberBase;
  frame.multiFrame = run.sequence.multiFrame;
  // A big picture takes seconds to write: the caption names it, the bar
  // moves with its rows, and a cancel still stops it before it replaces
  // the old file.
  bool captioned = false;
  frame.starting = [&](const std::string& path) {
    run.progress.push("Writing " + path);
    captioned = true;
  };
  frame.progress = [&](int done, int total) {
    run.progress.update(static_cast<double>(done) / total);
    return !run.progress.cancelled();
  };
  const PwCustomOutputResult result = WriteCustomOutput(*run.block, pass, image, frame);
  if (captioned) run.progress.pop();
  if (result.ok) {
    run.filesWritten.push_back(result.path);
    return true;
  }
  if (run.progress.cancelled()) return false;
  if (result.detail.empty()) {
    host::WarningText(result.message);
  } else {
    host::WarningMessage("%s\n%s", result.message.c_str(), result.detail.c_str());
  }
  return false;
}

void applyCanvas(PwRenderRun& run, host::Bitmap& output, host::TimeValue t) {
  if (!run.stages.canvas) return;
  if (!run.library && run.sceneRoot) run.library = GetCurrentLibrary(run.sceneRoot);
  PwObject* canvas = run.library ? sceneCanvas(*run.library) : nullptr;
  if (canvas) run.stages.canvas->Apply(*canvas, output, t, run.progress);
}

int renderVector(PwRenderRun& run, const PwRenderArgs& args, host::ReferenceTarget* renderer) {
  PwFrameRequest request{args.t, {nullptr, nullptr, nullptr, args.output}, *args.frameParams, args.progress,
                         args.viewParams};
  if (!runFrameBody(run, request, renderer)) return 0;
  run.flags.renderSucceeded = true;
  return 1;
}

// The surface renderer's surfaces, when there is one, then the frame body
// for whatever is left. False ends Render.
bool drawFrame(PwRenderRun& run, const PwRenderArgs& args, host::Bitmap* background, host::Bitmap* lines,
               host::ReferenceTarget* renderer) {
  host::Bitmap& output = *args.output;
  const bool byAlternate = run.params.surfacesOn && run.alternate;
  if (byAlternate && !run.alternate->Render(args.t, &output, *args.frameParams, args.progress, args.viewParams))
    return false;
  // The own surface pass sits this frame out when the other renderer drew.
  run.surfacesByAlternate = byAlternate;
  bool ok = true;
  if (run.ownSurfaces() || run.params.linesOn || background) {
    PwFrameRequest request{args.t,
                           {background, run.ownSurfaces() ? &output : nullptr, lines, &output},
                           *args.frameParams,
                           args.progress,
                           args.viewParams};
    ok = runFrameBody(run, request, renderer);
  }
  run.surfacesByAlternate = false;
  return ok;
}

int renderRaster(PwRenderRun& run, const PwRenderArgs& args, host::ReferenceTarget* renderer) {
  host::Bitmap& output = *args.output;
  const bool surfacesOn = run.params.surfacesOn;
  const bool linesOn = run.params.linesOn;

  // A run without objects draws no lines: its lines image, a whole
  // picture's worth of memory, is made only when a lines file wants it.
  const bool linesImage =
      linesOn && (!run.instances.empty() || (run.block && CustomOutputOn(*run.block, PwCustomPass::Lines, args.t)));
  std::unique_ptr<host::Bitmap> background;
  std::unique_ptr<host::Bitmap> lines;
  auto outOfMemory = [&](const char* what) {
    const double megabytes = static_cast<double>(output.Width()) * output.Height() * sizeof(host::BMM_Color_64) /
                             (1024.0 * 1024.0);
    host::ErrorMessage("not enough memory for the %s of a %dx%d frame (%.0f MB)", what, output.Width(),
                       output.Height(), megabytes);
    return 0;
  };
  if (!surfacesOn && linesImage && !(background = companionBitmap(output))) return outOfMemory("background layer");
  if (linesImage && !(lines = companionBitmap(output))) return outOfMemory("line layer");
  // Without surfaces or a lines image the background goes straight to the output.
  host::Bitmap* backgroundSlot = background ? background.get() : (!surfacesOn && linesOn ? &output : nullptr);

  if (!drawFrame(run, args, backgroundSlot, lines.get(), renderer)) return 0;

  // Files are numbered by the frame asked for, not by the time the fields
  // advanced to.
  if (surfacesOn && !writeCustomOutput(run, PwCustomPass::Surfaces, output, args.t)) return 0;
  if (lines && !writeCustomOutput(run, PwCustomPass::Lines, *lines, args.t)) return 0;

  if (lines) {
    const host::Bitmap* surfaces = surfacesOn ? &output : background.get();
    if (surfaces != &output) copyRows(*surfaces, output, {0, 1});
    composeLines(output, *lines, run.params.dontAntialiasBG);
  }
  applyCanvas(run, output, args.t);
  if (run.progress.cancelled()) return 0;
  run.flags.renderSucceeded = true;
  return 1;
}

}  // namespace

int renderRun(PwRenderRun& run, const PwRenderArgs& args, host::ReferenceTarget* renderer) {
  run.flags.renderCalled = true;
  run.flags.renderSucceeded = false;
  if (!run.flags.opened) {
    host::WarningText(kMsgRenderBeforeOpen);
    return 0;
  }
  if (!args.output || !args.frameParams || !run.flags.openSucceeded) return 0;
  if (args.output->Empty()) {
    host::WarningText("PenwrightRenderer: Render() was given an output image without pixels");
    return 0;
  }
  run.progress.reset(args.progress);
  run.filesWritten.clear();
  return run.vectorMode() ? renderVector(run, args, renderer) : renderRaster(run, args, renderer);
}

}  // namespace pw
