// Close: the end of a render run, and letting go of everything it held.
#include "host/services/interface.h"
#include "render/frame_body.h"
#include "render/render_lifecycle.h"
#include "render/render_notify.h"

namespace pw {

namespace {

const char* finalTitle(const PwRunFlags& flags) {
  if (flags.openSucceeded && flags.renderSucceeded) return "Finished";
  if (flags.opened && flags.renderCalled) return "Cancelled";
  return "Failed";
}

void endVectorOutput(PwRenderRun& run) {
  if (!run.vectorOpened || !run.stages.vector) return;
  // A sequence begun but never rendered into is abandoned too: its writer
  // must not be left with an open file.
  const PwRunFlags& f = run.flags;
  if (f.openSucceeded && f.renderCalled && f.renderSucceeded) {
    run.stages.vector->Finish(run);
  } else {
    run.stages.vector->Abandon(run);
  }
  run.vectorOpened = false;
}

}  // namespace

void endSubRenderers(PwRenderRun& run, host::RendProgressCallback* progress) {
  if (run.alternate && run.alternateOpened) run.alternate->Close(progress);
  run.alternateOpened = false;
  endVectorOutput(run);
}

void releaseRun(PwRenderRun& run) {
  run.pixels.release();
  run.background.pixels.clear();
  run.background.width = run.background.height = 0;
  run.drawOrder.clear();
  run.visibleCount = 0;
  run.currentInstance = nullptr;
  run.currentStyle = nullptr;
  run.instances.clear();
  run.lights.entries.clear();
  run.lights.usingDefaultLights = false;
  run.materialsInUse.clear();
  run.textureMaps.clear();
  run.environmentMap = nullptr;
  run.defaultLights.clear();
  run.library = nullptr;
  run.sceneRoot = nullptr;
  run.viewNode = nullptr;
  run.alternate = nullptr;
  run.alternateHolder.reset();
  run.alternateOpened = false;
  run.vectorOpened = false;
  run.firstFrame = false;
  run.surfacesByAlternate = false;
  run.globalContext.instances = nullptr;
}

void closeRun(PwRenderRun& run, host::RendProgressCallback* progress) {
  if (progress) run.progress.setCallback(progress);
  if (!run.flags.opened) {
    host::WarningText(kMsgCloseBeforeOpen);
  } else if (!run.flags.openSucceeded) {
    host::WarningText(kMsgCloseAfterFailedOpen);
  }

  endSubRenderers(run, progress ? progress : run.progress.callback());

  run.pixels.release();
  if (run.stages.lines) run.stages.lines->ClearLines();
  notifyRender(renderNoticeRoots(run), PwRenderNotice::RenderEnd, run.time);
  if (run.stages.auxFiles && run.flags.opened) run.stages.auxFiles->Unload(run);
  releaseRun(run);

  run.progress.clearLevels();
  run.progress.push(finalTitle(run.flags));
  run.progress.setCallback(nullptr);
  run.flags.opened = false;
  run.flags.openSucceeded = false;
}

}  // namespace pw

