#include "program/stages.h"

#include <memory>

#include "lines/line_stage.h"
#include "program/canvas_stage.h"
#include "render/aux_files.h"
#include "render/render_stages.h"
#include "render/surface_stage.h"
#include "render/vectoriser.h"

namespace pw {

void PlugInRenderStages() {
  PwRenderStages& stages = DefaultRenderStages();
  if (!stages.lines) stages.lines = std::make_shared<PwLineStage>();
  if (!stages.canvas) stages.canvas = std::make_shared<PwCanvasStage>();
  if (!stages.auxFiles) stages.auxFiles = std::make_shared<PwSceneAuxFiles>();
  if (!stages.surfaces) stages.surfaces = std::make_shared<PwSurfaceStage>();
  if (!stages.vector) stages.vector = std::make_shared<PwVectoriser>();
}

}  // namespace pw
