// The stages of a render run whose work lives in other modules: surfaces,
// lines, vector output, the canvas and auxiliary files. A stage left empty
// does nothing, so a frame without it draws no surfaces (or no lines, or no
// canvas) rather than anything made up.
#pragma once

#include <memory>

#include "render/aux_file_stage.h"
#include "render/canvas_painter.h"
#include "lines/line_pass.h"
#include "render/surface_pass.h"
#include "render/vector_renderer.h"

namespace pw {

struct PwRenderStages {
  std::shared_ptr<PwSurfacePass> surfaces;
  std::shared_ptr<PwLinePass> lines;
  std::shared_ptr<PwVectorRenderer> vector;
  std::shared_ptr<PwCanvasPainter> canvas;
  std::shared_ptr<PwAuxFileStage> auxFiles;
};

// The stages every new renderer starts with. Modules plug theirs in at
// start-up; a renderer's own set can be changed through
// PenwrightRenderer::Stages().
PwRenderStages& DefaultRenderStages();

}  // namespace pw
