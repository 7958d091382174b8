// The canvas step of a raster frame: the scene's canvas art material
// embosses its paper texture into the finished image.
#pragma once

#include "host/core/time.h"

namespace host {
class Bitmap;
}

namespace pw {

class PwObject;
class PwRenderProgress;

class PwCanvasPainter {
 public:
  virtual ~PwCanvasPainter() = default;
  // Shades `image` in place with the canvas at t, under its own caption.
  virtual void Apply(PwObject& canvas, host::Bitmap& image, host::TimeValue t, PwRenderProgress& progress) = 0;
};

}  // namespace pw
