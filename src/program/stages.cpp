#include "program/stages.h"

#include <memory>

#include "lines/line_stage.h"
#include "render/render_stages.h"
#include "render/vectoriser.h"

namespace pw {

void PlugInRenderStages() {
  PwRenderStages& stages = DefaultRenderStages();
  if (!stages.lines) stages.lines = std::make_shared<PwLineStage>();
  if (!stages.vector) stages.vector = std::make_shared<PwVectoriser>();
}

}  // namespace pw
