// "Loading Auxillary Files": what the frame needs from disk.
#include "render/frame_stages.h"

namespace pw {

bool stageLoadAuxFiles(PwRenderRun& run) {
  run.progress.push("Loading Auxillary Files");
  const bool loaded = !run.stages.auxFiles || run.stages.auxFiles->Load(run, run.firstFrame);
  run.progress.pop();
  return loaded && !run.progress.cancelled();
}

}  // namespace pw
