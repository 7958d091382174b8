#include "program/stages.h"

#include <memory>

#include "lines/line_stage.h"
#include "render/render_stages.h"
#include "render/surface_stage.h"

namespace pw {

void PlugInRenderStages() {
  PwRenderStages& stages = DefaultRenderStages();
  if (!stages.lines) stages.lines = std::make_shared<PwLineStage>();
  if (!stages.surfaces) stages.surfaces = std::make_shared<PwSurfaceStage>();
}

}  // namespace pw
