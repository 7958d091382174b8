#include "render/render_stages.h"

namespace pw {

// The one process-wide place the stage implementations are plugged into.
PwRenderStages& DefaultRenderStages() {
  static PwRenderStages stages;
  return stages;
}

}  // namespace pw
