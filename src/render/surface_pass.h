// The surface pass of a raster frame: scan conversion and shading of an
// object's faces into the frame's pixel buffer. The frame driver decides
// when and for which objects; an implementation does the drawing.
#pragma once

namespace pw {

struct PwRenderRun;
struct PwPixelBuffer;
class PwRenderInstance;
class PwStyle;

class PwSurfacePass {
 public:
  virtual ~PwSurfacePass() = default;

  // Once per field, after the lights are updated: the shading context's
  // frame-wide facts (camera placement, image size).
  virtual void PrepareFrame(PwRenderRun& run) = 0;
  // The object's faces into run.pixels, shaded with the style's surface.
  // False when the frame cannot go on (memory ran out).
  virtual bool RenderObjectSurfaces(PwRenderRun& run, PwRenderInstance& instance, PwStyle& style) = 0;
  // Composites every pixel's fragment chain into its front record and
  // empties the pool.
  virtual void Resolve(PwPixelBuffer& buffer) = 0;
};

}  // namespace pw
