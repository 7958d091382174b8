#include "lines/line_stage.h"

namespace pw {

void PwLineStage::ClearLines() { store_.Clear(); }

void PwLineStage::PrepareFaceData(const PwFrameContext&, PwRenderInstance& instance, bool twoSided) {
  // A new frame's objects have intersected nobody yet.
  instance.workFlags &= ~kWorkIntersectionsDone;
  frameData_.Build(instance, twoSided);
}

void PwLineStage::FreeFaceData(PwRenderInstance& instance) { frameData_.Free(instance.index); }

bool PwLineStage::AddObjectLines(const PwFrameContext& frame, PwRenderInstance& instance, PwStyle& style) {
  return generator_.Generate(frame, instance, style, frameData_, store_);
}

bool PwLineStage::Rasterize(const PwFrameContext& frame, host::Bitmap& target, const PwLineRasterSettings& settings) {
  const PwProjection* lens = frame.settings.sphericalLens && frame.view ? &frame.view->proj : nullptr;
  // An empty store leaves the cleared lines bitmap as it is.
  if (store_.Empty()) return true;
  return RasterizeLineStore(raster_, store_, target, settings, lens);
}

}  // namespace pw
