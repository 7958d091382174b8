// The frame as the passes see it, made from the render run at the moment a
// stage hands work to a pass (the draw order changes within a field).
#pragma once

#include "frame/frame_context.h"
#include "render/render_run.h"
#include "render/surface_pass.h"

namespace pw {

PwFrameContext frameContextOf(PwRenderRun& run);
// `frame` must outlive the answer: it is held by reference.
PwSurfaceFrame surfaceFrameOf(PwRenderRun& run, const PwFrameContext& frame);

}  // namespace pw
