// "Preparing image and channels": a field's background, surfaces and lines
// into their bitmaps.
#include <algorithm>

#include "host/services/interface.h"
#include "render/compose.h"
#include "render/frame_stages.h"
#include "render/line_budget.h"
#include "render/pass_context.h"
#include "render/pixel_buffer_output.h"
#include "render/renderer_paramblock.h"

namespace pw {

namespace {

void recordRenderInfo(PwRenderRun& run) {
  PwRenderInfo& info = run.renderInfo;
  const PwProjection& proj = run.view.proj;
  info.projType = proj.perspective ? host::PROJ_PERSPECTIVE : host::PROJ_PARALLEL;
  info.xscale = proj.xscale;
  info.yscale = proj.yscale;
  info.xc = proj.xc;
  info.yc = proj.yc;
  info.fieldRender = run.params.fieldRender;
  info.fieldOrder = run.params.fieldOrder;
  const std::size_t f = run.field == 0 ? 0 : 1;
  info.renderTime[f] = run.time;
  info.worldToCam[f] = run.view.cameraFromWorld();
  info.camToWorld[f] = host::Inverse(info.worldToCam[f]);
}

PwLineRasterSettings lineRasterSettings(const PwRenderRun& run) {
  PwLineRasterSettings s;
  s.perspective = run.view.proj.perspective;
  if (run.block) {
    s.samples = AntialiasSamples(run.block->GetInt(kLinesAntialiasingQuality, run.time));
    s.memoryBudget = LinesByteBudget(*run.block, run.time);
  } else {
    s.memoryBudget = LinesByteBudget(PhysicalMemoryBytes(), kDefaultLinesMemoryLimit);
  }
  return s;
}

bool surfacesIntoBitmap(PwRenderRun& run, host::Bitmap& bitmap, PwRowSet rows) {
  // A frame without objects has no pixel buffer: the background is all.
  if (run.pixels.pixels.empty()) {
    if (bitmap.HasZ())
      for (int y = rows.first; y < bitmap.Height(); y += rows.step) std::ranges::fill(bitmap.ZRow(y), host::kNoZ);
    return writeBackgroundRows(run.background, bitmap, rows);
  }
  if (run.stages.surfaces) run.stages.surfaces->Resolve(run.pixels);
  if (run.params.dontAntialiasBG) restoreBackground(run.pixels, run.background);
  return writeBufferRows(run.pixels, bitmap, rows);
}

bool linesIntoBitmap(PwRenderRun& run, host::Bitmap& bitmap, PwRowSet rows) {
  if (!run.stages.lines) return true;
  const PwLineRasterSettings settings = lineRasterSettings(run);
  const PwFrameContext frame = frameContextOf(run);
  if (run.field == 0) return run.stages.lines->Rasterize(frame, bitmap, settings);
  // The second field's lines go through a scratch image so that the first
  // field's rows stay as they are.
  host::Bitmap scratch;
  if (!scratch.Create(bitmap.Width(), bitmap.Height())) {
    host::ErrorMessage("not enough memory for the lines of the second field");
    return false;
  }
  scratch.SetAspect(bitmap.Aspect());
  return run.stages.lines->Rasterize(frame, scratch, settings) && copyRows(scratch, bitmap, rows);
}

}  // namespace

bool stagePrepareImage(PwRenderRun& run, const PwFrameSlots& slots) {
  run.progress.push("Preparing image and channels");
  recordRenderInfo(run);
  const PwRowSet rows = rowsOfField(run.field, run.params.fieldOrder);
  bool ok = true;
  if (host::Bitmap* bm = slots[kSlotBackground]) ok = writeBackgroundRows(run.background, *bm, rows);
  if (host::Bitmap* bm = slots[kSlotSurfaces]; ok && bm && !run.vectorMode()) ok = surfacesIntoBitmap(run, *bm, rows);
  if (host::Bitmap* bm = slots[kSlotLines]; ok && bm) ok = linesIntoBitmap(run, *bm, rows);
  if (!ok) return false;
  run.progress.pop();
  return true;
}

}  // namespace pw
