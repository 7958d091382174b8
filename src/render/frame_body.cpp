#include "render/frame_body.h"

#include "render/frame_stages.h"
#include "render/render_notify.h"

namespace pw {

namespace {

std::vector<host::ReferenceMaker*> materialRoots(const PwRenderRun& run) {
  return {run.materialsInUse.begin(), run.materialsInUse.end()};
}

void notifyMaterials(const PwRenderRun& run, PwRenderNotice notice) {
  const std::vector<host::ReferenceMaker*> roots = materialRoots(run);
  notifyRender(roots, notice, run.time);
}

// What a field leaves behind on its instances.
void freeFieldData(PwRenderRun& run) {
  if (run.stages.lines)
    for (auto& inst : run.instances) run.stages.lines->FreeFaceData(*inst);
  run.currentInstance = nullptr;
  run.currentStyle = nullptr;
}

bool runField(PwRenderRun& run, const PwFrameSlots& slots, host::ReferenceTarget* renderer) {
  stagePrepareView(run);
  if (!stageLoadAuxFiles(run)) return false;
  if (!run.vectorMode() && !stagePrepareBackground(run)) return false;
  if (!stagePrepareScene(run)) return false;
  if (!stageFrameSetup(run, renderer)) return false;
  if (run.vectorMode() && run.stages.vector && !run.stages.vector->BeginFrame(run, slots[kSlotOutput]))
    return false;
  if (!stageObjects(run)) return false;
  if (!stagePrepareImage(run, slots)) return false;
  if (run.vectorMode() && run.stages.vector && !run.stages.vector->EndFrame(run)) return false;
  return true;
}

}  // namespace

std::vector<host::ReferenceMaker*> renderNoticeRoots(const PwRenderRun& run) {
  std::vector<host::ReferenceMaker*> roots;
  for (const auto& inst : run.instances) roots.push_back(inst->node);
  for (PwObject* material : run.materialsInUse) roots.push_back(material);
  if (!run.vectorMode()) {
    for (const PwLightRenderContext& light : run.lights.entries) roots.push_back(light.node);
    roots.push_back(run.environmentMap);
  }
  return roots;
}

bool runFrameBody(PwRenderRun& run, const PwFrameRequest& request, host::ReferenceTarget* renderer) {
  run.time = request.t;
  run.frameParams = request.frameParams;
  run.progress.reset(request.progress);
  if (request.viewParams) run.view.params = *request.viewParams;
  run.halfFrameTicks = halfFrameTicks(run.ticksPerFrame(), run.frameParams.frameDuration);

  if (!setupFrameImage(run, request.slots)) {
    notifyMaterials(run, PwRenderNotice::AfterRender);
    return false;
  }

  const int fields = run.params.fieldRender ? 2 : 1;
  for (int f = 0; f < fields; ++f) {
    run.field = f;
    if (host::RendProgressCallback* cb = run.progress.callback()) cb->SetCurField(run.params.fieldRender ? f : -1);
    const bool ok = runField(run, request.slots, renderer);
    freeFieldData(run);
    notifyMaterials(run, PwRenderNotice::AfterRender);
    if (!ok) return false;
    run.firstFrame = false;
    run.time += run.halfFrameTicks;
  }
  return !run.progress.cancelled();
}

}  // namespace pw
