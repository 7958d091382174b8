// "Preparing Scene", and the field's set-up of materials, lights and
// shading that follows it.
#include "render/frame_stages.h"
#include "render/pass_context.h"
#include "render/render_notify.h"

namespace pw {

namespace {

PwPrepareSettings prepareSettings(const PwRenderRun& run) {
  PwPrepareSettings s;
  s.vectorMode = run.vectorMode();
  if (run.vectorSettings) s.zDepthPosition = static_cast<PwZDepthPosition>(run.vectorSettings->zDepthPosition);
  s.boundingBoxes = run.params.renderAsBoundingBoxes;
  return s;
}

// Lights are shaded with only when something is shaded at all.
bool shadesSurfaces(const PwRenderRun& run) { return !(run.vectorMode() && !run.params.surfacesOn); }

bool updateLights(PwRenderRun& run) {
  PwLightRendContext context(run);
  const host::Matrix3& worldToCam = run.view.cameraFromWorld();
  for (PwLightRenderContext& light : run.lights.entries) {
    host::ObjLightDesc& desc = *light.desc;
    if (!desc.Update(run.time, context, &run.globalContext, false, false)) return false;
    desc.UpdateGlobalLightLevel(run.frameParams.globalLightLevel);
    desc.UpdateViewDepParams(worldToCam);
  }
  return true;
}

}  // namespace

bool stagePrepareScene(PwRenderRun& run) {
  run.progress.push("Preparing Scene");
  run.stats = PwSceneStats();
  const PwPrepareSettings settings = prepareSettings(run);
  const std::size_t count = run.instances.size();
  for (std::size_t i = 0; i < count; ++i) {
    prepareInstance(*run.instances[i], run.time, run.view, settings, run.stats);
    run.progress.update(static_cast<double>(i) / static_cast<double>(count));
    if (run.progress.cancelled()) return false;
  }
  run.progress.pop();
  if (host::RendProgressCallback* cb = run.progress.callback())
    cb->SetSceneStats(static_cast<int>(run.lights.entries.size()), 0, 0, run.stats.objects, run.stats.faces);
  return true;
}

bool stageFrameSetup(PwRenderRun& run, host::ReferenceTarget* renderer) {
  const std::vector<host::ReferenceMaker*> materials(run.materialsInUse.begin(), run.materialsInUse.end());
  notifyRender(materials, PwRenderNotice::BeforeRender, run.time);
  fillGlobalContext(run, renderer);
  run.shade.ambient = run.frameParams.ambient;
  if (shadesSurfaces(run)) {
    if (!updateLights(run)) return false;
    if (!run.vectorMode() && run.stages.surfaces) {
      const PwFrameContext frame = frameContextOf(run);
      run.stages.surfaces->PrepareFrame(surfaceFrameOf(run, frame));
    }
  }
  if (run.stages.auxFiles) run.stages.auxFiles->BuildMaps(run);
  return !run.progress.cancelled();
}

}  // namespace pw
