// The three calls of a render run, as functions over the run's record:
// PenwrightRenderer passes the host's calls here.
#pragma once

#include "host/refs/reference.h"
#include "render/render_run.h"
#include "render/renderer_settings.h"

namespace pw {

// What a run takes from its renderer when it opens.
struct PwRunSource {
  PwRendererSettings* settings = nullptr;  // its host part is overwritten by Open
  host::IParamBlock2* block = nullptr;
  const PwRenderStages* stages = nullptr;
  PwOutputSequence sequence;
  host::ReferenceTarget* renderer = nullptr;  // named by the global context
};

struct PwOpenArgs {
  host::INode* scene = nullptr;
  host::INode* viewNode = nullptr;
  const host::ViewParams* viewParams = nullptr;
  const host::RendParams* rendParams = nullptr;
  const host::DefaultLight* defaultLights = nullptr;
  int numDefaultLights = 0;
  host::RendProgressCallback* progress = nullptr;
};

struct PwRenderArgs {
  host::TimeValue t = 0;
  host::Bitmap* output = nullptr;
  const host::FrameRendParams* frameParams = nullptr;
  host::RendProgressCallback* progress = nullptr;
  const host::ViewParams* viewParams = nullptr;
};

int openRun(PwRenderRun& run, const PwRunSource& source, const PwOpenArgs& args);
int renderRun(PwRenderRun& run, const PwRenderArgs& args, host::ReferenceTarget* renderer);
void closeRun(PwRenderRun& run, host::RendProgressCallback* progress);

// Closes the surface renderer and ends (finishes or abandons) the vector
// output, where the run opened them.
void endSubRenderers(PwRenderRun& run, host::RendProgressCallback* progress);

// Everything the run gathered, drawn or opened, let go without telling
// anyone (the lifecycle flags stay).
void releaseRun(PwRenderRun& run);

// The lifecycle messages.
inline constexpr const char* kMsgOpenTwice =
    "PenwrightRenderer: Open() has already been called without corresponding Close()";
inline constexpr const char* kMsgRenderBeforeOpen = "PenwrightRenderer: Open() must be called before Render()";
inline constexpr const char* kMsgCloseBeforeOpen = "PenwrightRenderer: Close() called before Open() called";
inline constexpr const char* kMsgCloseAfterFailedOpen = "PenwrightRenderer: Close() called after failed Open()";
inline constexpr const char* kMsgNoSurfaceRenderer =
    "Unable to create surface renderer. Ensure it is installed on this machine.";

}  // namespace pw
