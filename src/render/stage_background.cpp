// "Preparing Background" of a raster field.
#include "render/frame_stages.h"

namespace pw {

bool stagePrepareBackground(PwRenderRun& run) {
  if (run.environmentMap) {
    host::Interval valid = host::FOREVER;
    run.environmentMap->Update(run.time, valid);
  }
  PwBackgroundSource source;
  source.environmentMap = run.environmentMap;
  source.colour = run.frameParams.background;
  source.time = run.time;
  source.camToWorld = host::Inverse(run.view.cameraFromWorld());
  source.projection = run.view.proj;
  return prepareBackground(run.pixels, run.background, source, run.progress);
}

}  // namespace pw
