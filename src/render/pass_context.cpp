#include "render/pass_context.h"

namespace pw {

PwFrameContext frameContextOf(PwRenderRun& run) {
  PwFrameContext f;
  f.instances = run.instances;
  f.drawOrder = run.drawOrder;
  f.visibleCount = run.visibleCount;
  f.view = &run.view;
  f.time = run.time;
  f.field = run.field;
  f.progress = &run.progress;
  const PwPenwrightRenderParams& p = run.params;
  f.settings.vectorMode = run.vectorMode();
  f.settings.surfacesOn = run.ownSurfaces();
  f.settings.linesOn = run.linesOn();
  f.settings.force2Side = p.force2Side;
  f.settings.hiddenLinesWithinItself = p.hiddenLinesWithinItself;
  f.settings.hiddenLinesWithOthers = p.hiddenLinesWithOthers;
  f.settings.intersectionsWithinItself = p.intersectionsWithinItself;
  f.settings.intersectionsWithOthers = p.intersectionsWithOthers;
  f.settings.sphericalLens = p.sphericalLens;
  return f;
}

PwSurfaceFrame surfaceFrameOf(PwRenderRun& run, const PwFrameContext& frame) {
  return {frame, run.pixels, run.background, run.globalContext, run.lights, run.shade, &run.progress};
}

}  // namespace pw
