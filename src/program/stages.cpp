#include "program/stages.h"

#include <memory>

#include "lines/line_stage.h"
#include "render/render_stages.h"

namespace pw {

void PlugInRenderStages() {
  PwRenderStages& stages = DefaultRenderStages();
  if (!stages.lines) stages.lines = std::make_shared<PwLineStage>();
}

}  // namespace pw
