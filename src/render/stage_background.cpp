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
  source.width = static_cast<int>(run.view.imageWidth);
  source.height = static_cast<int>(run.view.imageHeight);
  return prepareBackground(run.pixels, run.background, source, run.progress);
}

}  // namespace pw
