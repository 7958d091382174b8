// The line pass of a raster frame: lines extracted object by object into
// the frame's line list, then rasterized once per field into the lines
// bitmap. An implementation owns the line list.
//
// The pass sees the frame through PwFrameContext (instances, view, settings,
// time, progress), never the renderer's run record, so it can be written
// without anything of render/.
#pragma once

#include <cstdint>

#include "frame/frame_context.h"

namespace host {
class Bitmap;
}

namespace pw {

class PwRenderInstance;
class PwStyle;

// How the frame's lines are rasterized.
struct PwLineRasterSettings {
  int samples = 8;                 // antialiasing samples per pixel edge
  std::int64_t memoryBudget = 0;   // bytes the rasterizer may use
  bool perspective = true;
};

class PwLinePass {
 public:
  virtual ~PwLinePass() = default;

  // Empties the frame's line list.
  virtual void ClearLines() = 0;
  // Intersection data of an instance's faces, for hidden lines and surface
  // intersections; FreeFaceData drops it.
  virtual void PrepareFaceData(const PwFrameContext& frame, PwRenderInstance& instance, bool twoSided) = 0;
  virtual void FreeFaceData(PwRenderInstance& instance) = 0;
  // The instance's lines, as its style asks, added to the line list. False
  // when the frame cannot go on.
  virtual bool AddObjectLines(const PwFrameContext& frame, PwRenderInstance& instance, PwStyle& style) = 0;
  // The line list into `target` (cleared to 0 beforehand). False on failure.
  virtual bool Rasterize(const PwFrameContext& frame, host::Bitmap& target, const PwLineRasterSettings& settings) = 0;
};

}  // namespace pw
