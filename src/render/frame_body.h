// One frame of a render run: every field through the stages, in order.
#pragma once

#include "host/refs/reference.h"
#include "render/render_run.h"

namespace pw {

struct PwFrameRequest {
  host::TimeValue t = 0;
  PwFrameSlots slots{};
  host::FrameRendParams frameParams;
  host::RendProgressCallback* progress = nullptr;
  const host::ViewParams* viewParams = nullptr;  // replaces the view when given
};

// Renders the frame into the slots' bitmaps. False when a stage refused,
// memory ran out or the user cancelled; the field's art materials are told
// it ended either way. `renderer` is what the global context names.
bool runFrameBody(PwRenderRun& run, const PwFrameRequest& request, host::ReferenceTarget* renderer);

// The roots every render notice reaches: the instances' nodes, the
// materials in use and, in raster mode, the lights' nodes and the
// environment map.
std::vector<host::ReferenceMaker*> renderNoticeRoots(const PwRenderRun& run);

}  // namespace pw
