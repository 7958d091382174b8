// The object stage: "Preparing Objects" (each visible instance moved into
// the view and clipped), the drawing order, and "Illustrating" (each
// visible object's surfaces and lines).
#include <algorithm>

#include "frame/render_mesh.h"
#include "host/shading/mtl.h"
#include "render/frame_stages.h"
#include "render/materials_in_use.h"
#include "render/pass_context.h"

namespace pw {

namespace {

// When the faces' intersection data is built.
enum class FacePrep { None, PerObject, AllAtOnce };

FacePrep facePreparation(const PwRenderRun& run) {
  const PwPenwrightRenderParams& p = run.params;
  if (!run.stages.lines || !run.linesOn()) return FacePrep::None;
  if (p.hiddenLinesWithOthers || p.intersectionsWithOthers || !run.ownSurfaces()) return FacePrep::AllAtOnce;
  if (p.hiddenLinesWithinItself || p.intersectionsWithinItself) return FacePrep::PerObject;
  return FacePrep::None;
}

bool twoSided(const PwRenderRun& run, const PwRenderInstance& inst) {
  if (run.params.force2Side) return true;
  host::Mtl* mtl = inst.material();
  return mtl && (mtl->Requirements(-1) & host::MTLREQ_2SIDE) != 0;
}

bool prepareObjects(PwRenderRun& run) {
  run.progress.push("Preparing Objects");
  const std::size_t count = run.instances.size();
  for (std::size_t i = 0; i < count; ++i) {
    PwRenderInstance& inst = *run.instances[i];
    if (inst.visible) {
      placeInstance(inst, run.view);
    } else {
      // An instance not drawn this frame lets go of an earlier frame's copy.
      freeRenderMesh(inst.mesh);
      inst.meshChanged();
    }
    run.progress.update(static_cast<double>(i + 1) / static_cast<double>(count));
    if (run.progress.cancelled()) return false;
  }
  run.progress.pop();
  return true;
}

// The style's surface, raster or vector. False ends the frame.
bool drawSurfaces(PwRenderRun& run, const PwFrameContext& frame, PwRenderInstance& inst, PwStyle& style) {
  if (!run.ownSurfaces() || !style.DrawsSurface()) return true;
  if (run.vectorMode()) {
    PwVectorRenderer* vector = run.stages.vector.get();
    return !vector || !vector->WantsSurfaces() || vector->DrawSurfaces(run, inst, style);
  }
  return !run.stages.surfaces || run.stages.surfaces->RenderObjectSurfaces(surfaceFrameOf(run, frame), inst, style);
}

bool drawLines(PwRenderRun& run, const PwFrameContext& frame, PwRenderInstance& inst, PwStyle& style) {
  if (!run.linesOn() || !style.AreLinesOn()) return true;
  if (run.vectorMode()) {
    PwVectorRenderer* vector = run.stages.vector.get();
    return !vector || !vector->WantsLines() || vector->DrawLines(run, inst, style);
  }
  return !run.stages.lines || run.stages.lines->AddObjectLines(frame, inst, style);
}

bool illustrateObject(PwRenderRun& run, const PwFrameContext& frame, PwRenderInstance& inst, FacePrep prep) {
  PwVectorRenderer* vector = run.vectorMode() ? run.stages.vector.get() : nullptr;
  run.currentInstance = &inst;
  run.progress.push(inst.node ? inst.node->GetName() : "");
  run.currentStyle = run.library ? styleOfInstance(inst, *run.library) : nullptr;
  if (vector) vector->BeginObject(run, inst);
  if (prep == FacePrep::PerObject) run.stages.lines->PrepareFaceData(frame, inst, twoSided(run, inst));

  if (PwStyle* style = run.currentStyle) {
    if (!drawSurfaces(run, frame, inst, *style)) return false;
    run.progress.update(0.5);
    if (run.progress.cancelled()) return false;
    if (!drawLines(run, frame, inst, *style)) return false;
  }

  if (prep == FacePrep::PerObject) run.stages.lines->FreeFaceData(inst);
  if (vector) vector->EndObject(run, inst);
  run.progress.pop();
  return true;
}

bool illustrate(PwRenderRun& run) {
  run.progress.push("Illustrating");
  if (run.stages.lines) run.stages.lines->ClearLines();
  const FacePrep prep = facePreparation(run);
  const PwFrameContext frame = frameContextOf(run);
  if (prep == FacePrep::AllAtOnce)
    for (int i = 0; i < run.visibleCount; ++i)
      run.stages.lines->PrepareFaceData(frame, *run.drawOrder[i], twoSided(run, *run.drawOrder[i]));

  for (int i = 0; i < run.visibleCount; ++i) {
    if (!illustrateObject(run, frame, *run.drawOrder[i], prep)) return false;
    run.progress.update(static_cast<double>(i + 1) / run.visibleCount);
    if (run.progress.cancelled()) return false;
  }
  run.currentInstance = nullptr;
  run.currentStyle = nullptr;
  run.progress.pop();
  return true;
}

}  // namespace

int sortForDrawing(std::vector<PwRenderInstance*>& order, bool vectorMode) {
  std::stable_sort(order.begin(), order.end(), [vectorMode](const PwRenderInstance* a, const PwRenderInstance* b) {
    if (a->visible != b->visible) return a->visible;
    if (!a->visible) return false;
    return vectorMode ? a->depthKey < b->depthKey : a->depthKey > b->depthKey;
  });
  return static_cast<int>(std::count_if(order.begin(), order.end(), [](const PwRenderInstance* p) { return p->visible; }));
}

bool stageObjects(PwRenderRun& run) {
  if (!prepareObjects(run)) return false;
  run.drawOrder.clear();
  for (auto& inst : run.instances) run.drawOrder.push_back(inst.get());
  run.visibleCount = sortForDrawing(run.drawOrder, run.vectorMode());
  return illustrate(run);
}

}  // namespace pw
