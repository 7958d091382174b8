#include "program/canvas_stage.h"

#include "surfaces/canvas.h"

namespace pw {

void PwCanvasStage::Apply(PwObject& canvas, host::Bitmap& image, host::TimeValue t, PwRenderProgress& progress) {
  if (auto* c = dynamic_cast<PwCanvas*>(&canvas)) c->Apply(image, t, progress);
}

}  // namespace pw
