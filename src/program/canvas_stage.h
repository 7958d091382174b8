// The canvas step of a raster frame, done by the canvas art material.
#pragma once

#include "render/canvas_painter.h"

namespace pw {

class PwCanvasStage : public PwCanvasPainter {
 public:
  // Does nothing unless `canvas` is a canvas with a usable texture loaded.
  void Apply(PwObject& canvas, host::Bitmap& image, host::TimeValue t, PwRenderProgress& progress) override;
};

}  // namespace pw
