// Open: the render run's scene, lights, art materials and notifications.
#include "host/refs/class_desc.h"
#include "host/services/interface.h"
#include "library/holder.h"
#include "render/frame_body.h"
#include "render/materials_in_use.h"
#include "render/render_lifecycle.h"
#include "render/render_notify.h"
#include "render/renderer_paramblock.h"
#include "surfaces/mtl_standin.h"

namespace pw {

namespace {

void takeSettings(PwRenderRun& run, const PwRunSource& source, const PwOpenArgs& args) {
  source.settings->params.HostPart() = *args.rendParams;
  run.params = source.settings->params;
  run.vectorSettings = &source.settings->vector;
  run.block = source.block;
  run.stages = *source.stages;
  run.sequence = source.sequence;
}

// The renderer held by the parameter block, else a new one of the chosen
// class, opened like this one.
bool openAlternate(PwRenderRun& run, const PwOpenArgs& args) {
  host::ReferenceTarget* held = run.block ? run.block->GetReferenceTarget(kAlternateSurfaceRenderer) : nullptr;
  Renderer* alternate = dynamic_cast<Renderer*>(held);
  if (!alternate) {
    host::ReferenceTarget* made =
        host::ClassRegistry::Global().Create(host::RENDERER_CLASS_ID, run.params.alternateRendererClass, false);
    alternate = dynamic_cast<Renderer*>(made);
    if (!alternate) {
      if (made) made->DeleteThis();
      host::WarningText(kMsgNoSurfaceRenderer);
      return false;
    }
    run.alternateHolder.reset(alternate);
  }
  run.alternate = alternate;
  if (!alternate->Open(args.scene, args.viewNode, args.viewParams, *args.rendParams, args.defaultLights,
                       args.numDefaultLights, args.progress)) {
    host::WarningMessage("PenwrightRenderer: the surface renderer %s could not start the render",
                         alternate->GetClassName().c_str());
    return false;
  }
  run.alternateOpened = true;
  return true;
}

bool openVector(PwRenderRun& run) {
  if (!run.stages.vector) {
    host::WarningText("PenwrightRenderer: vector output is not available in this build");
    return false;
  }
  if (!run.stages.vector->Open(run)) return false;
  run.vectorOpened = true;
  return true;
}

bool gatherScene(PwRenderRun& run, const PwOpenArgs& args) {
  run.library = GetCurrentLibrary(run.sceneRoot);
  if (!run.library) {
    host::WarningText("PenwrightRenderer: the scene's art-material library cannot be made");
    return false;
  }
  PwGatherOptions options = gatherOptions(run.params);
  options.makeStandin = MakeMtlStandin;
  if (!gatherObjects(run.sceneRoot, options, run.instances)) {
    host::WarningMessage("PenwrightRenderer: the scene has more than %d objects; only the first %d are rendered",
                         kMaxInstances, kMaxInstances);
  }
  if (args.defaultLights && args.numDefaultLights > 0)
    run.defaultLights.assign(args.defaultLights, args.defaultLights + args.numDefaultLights);
  gatherLights(run.sceneRoot, run.defaultLights.data(), static_cast<int>(run.defaultLights.size()), options,
               run.lights);
  run.environmentMap = run.params.envMap;
  run.materialsInUse = gatherMaterialsInUse(*run.library, run.instances);
  run.textureMaps = gatherTextureMaps(run.instances, run.materialsInUse, run.lights, run.environmentMap);
  notifyRender(renderNoticeRoots(run), PwRenderNotice::RenderBegin, run.time);
  return true;
}

}  // namespace

int openRun(PwRenderRun& run, const PwRunSource& source, const PwOpenArgs& args) {
  run.flags.renderCalled = false;
  run.flags.renderSucceeded = false;
  if (run.flags.opened && run.flags.openSucceeded) {
    host::WarningText(kMsgOpenTwice);
    return 1;
  }
  // Whatever a failed Open left behind.
  endSubRenderers(run, args.progress);
  releaseRun(run);
  run.flags.opened = true;
  run.flags.openSucceeded = false;
  if (!args.rendParams || !source.settings || !source.stages) return 0;
  takeSettings(run, source, args);
  run.progress.setCallback(args.progress);
  run.sceneRoot = args.scene;
  if (!run.sceneRoot) {
    host::WarningText("PenwrightRenderer: Open() was given no scene to render");
    return 0;
  }

  if (!run.vectorMode() && run.params.surfacesOn && run.params.UsesAlternateRenderer()) {
    if (!openAlternate(run, args)) return 0;
    if (!run.params.linesOn) {
      // The surface renderer does all the work.
      run.flags.openSucceeded = true;
      return 1;
    }
  }

  run.firstFrame = true;
  run.time = run.params.firstFrame;
  if (run.vectorMode() && !openVector(run)) return 0;
  if (!gatherScene(run, args)) return 0;

  run.viewNode = args.viewNode;
  if (args.viewParams) run.view.params = *args.viewParams;
  run.shade.doMaps = run.params.mapsOn;
  run.shade.filterMaps = run.params.filterMaps;
  run.shade.nLights = static_cast<int>(run.lights.entries.size());
  run.flags.openSucceeded = true;
  return 1;
}

}  // namespace pw
