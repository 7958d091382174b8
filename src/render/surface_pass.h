// The surface pass of a raster frame: scan conversion and shading of an
// object's faces into the frame's pixel buffer. The frame driver decides
// when and for which objects; an implementation does the drawing.
//
// The pass sees the frame through PwSurfaceFrame: the common frame context
// plus the records only surfaces use (pixel buffer, background, lights and
// the shading set-up), never the whole render run.
#pragma once

#include "frame/frame_context.h"
#include "render/background.h"
#include "render/gather.h"
#include "render/global_context.h"
#include "render/pixel_buffer.h"

namespace pw {

class PwRenderInstance;
class PwStyle;

// What the shading context takes from the run (the "Maps" switches and the
// light count).
struct PwShadeSetup {
  bool doMaps = true;
  bool filterMaps = true;
  int nLights = 0;
  host::Color ambient;  // the frame's ambient light
};

struct PwSurfaceFrame {
  const PwFrameContext& frame;
  PwPixelBuffer& pixels;
  const PwBackgroundImage& background;  // what a matte surface shows
  PwRenderGlobalContext& globalContext;
  PwLightList& lights;
  const PwShadeSetup& shade;
  // The object's progress level: a big object's surfaces take seconds, so
  // the first half of the level follows the pixels filled. May be null.
  PwRenderProgress* progress = nullptr;
};

class PwSurfacePass {
 public:
  virtual ~PwSurfacePass() = default;

  // Once per field, after the lights are updated: the shading context's
  // frame-wide facts (camera placement, image size).
  virtual void PrepareFrame(const PwSurfaceFrame& frame) = 0;
  // The object's faces into frame.pixels, shaded with the style's surface.
  // False when the frame cannot go on (memory ran out).
  virtual bool RenderObjectSurfaces(const PwSurfaceFrame& frame, PwRenderInstance& instance, PwStyle& style) = 0;
  // Composites every pixel's fragment chain into its front record and
  // empties the pool.
  virtual void Resolve(PwPixelBuffer& buffer) = 0;
};

}  // namespace pw
