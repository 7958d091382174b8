#include "render/global_context.h"

#include "render/render_run.h"

namespace pw {

host::RenderInstance* PwRenderGlobalContext::GetRenderInstance(int i) {
  if (!instances || i < 0 || i >= NumRenderInstances()) return nullptr;
  return (*instances)[static_cast<std::size_t>(i)].get();
}

void fillGlobalContext(PwRenderRun& run, host::ReferenceTarget* renderer) {
  PwRenderGlobalContext& g = run.globalContext;
  const PwViewState& view = run.view;
  g.instances = &run.instances;
  g.renderer = renderer;
  g.projType = view.proj.perspective ? host::PROJ_PERSPECTIVE : host::PROJ_PARALLEL;
  g.devWidth = static_cast<int>(view.imageWidth);
  g.devHeight = static_cast<int>(view.imageHeight);
  g.xscale = view.proj.xscale;
  g.yscale = view.proj.yscale;
  g.xc = view.proj.xc;
  g.yc = view.proj.yc;
  g.antialias = true;
  g.worldToCam = view.cameraFromWorld();
  g.camToWorld = host::Inverse(g.worldToCam);
  g.nearRange = view.params.nearRange;
  g.farRange = view.params.farRange;
  g.devAspect = view.pixelAspect;
  g.frameDur = run.frameParams.frameDuration;
  g.envMap = run.environmentMap;
  g.globalLightLevel = run.frameParams.globalLightLevel;
  g.time = run.time;
  g.wireMode = false;
  g.wireThickness = 1.0f;
  g.inMtlEdit = run.params.inMtlEdit;
  g.fieldRender = run.params.fieldRender;
  g.firstField = run.field == 0;
  g.fieldOrder = run.params.fieldOrder;
  g.objMotBlur = false;
}

int PwLightRendContext::Progress(int done, int total) const {
  return run_->progress.ask(done, total);
}

host::Color PwLightRendContext::GlobalLightLevel() const { return run_->frameParams.globalLightLevel; }

}  // namespace pw
