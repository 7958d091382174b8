#include "lines/rasterize_lines.h"

#include <new>

#include "host/imaging/bitmap.h"
#include "host/services/interface.h"

namespace pw {

namespace {

struct DrawRequest {
  int samples = 8;
  std::int64_t budget = 0;
  bool perspective = false;
  bool blend = false;
  const PwProjection* sphericalLens = nullptr;
};

bool Rasterize(LineRasterWorkspace& w, const LineStore& store, host::Bitmap& target, const DrawRequest& request) {
  if (store.Empty() || target.Empty()) return true;
  if (request.samples < 1 || request.samples > LineRasterizer::kMaxSamples) {
    host::WarningMessage("Line antialiasing of %d samples per pixel edge is not supported.", request.samples);
    return false;
  }
  try {
    BuildOutlines(store, OutlineOptions{request.perspective, request.sphericalLens}, w.outlines);
  } catch (const std::bad_alloc&) {
    w.outlines.Clear();
    host::WarningMessage("Not enough memory for the outlines of %d lines.", store.Count());
    return false;
  }
  if (w.outlines.Empty()) return true;
  // The budget is a cap on the whole band, not a request: a budget too
  // small has been reported and the frame goes on without lines.
  switch (w.rasterizer.Allocate(target, request.samples, request.budget, request.perspective)) {
    case RasterAllocation::Ok: break;
    case RasterAllocation::TooLittleMemory: return true;
    case RasterAllocation::OutOfMemory:
    case RasterAllocation::InvalidArguments: return false;
  }
  const bool drawn = w.rasterizer.Draw(w.outlines, request.blend);
  if (!drawn) host::WarningMessage("Not enough memory to draw %d line outlines.", w.outlines.Size());
  w.rasterizer.Release();
  return drawn;
}

}  // namespace

bool RasterizeLineStore(LineRasterWorkspace& workspace, const LineStore& store, host::Bitmap& target,
                        const PwLineRasterSettings& settings, const PwProjection* sphericalLens) {
  return Rasterize(workspace, store, target,
                   DrawRequest{settings.samples, settings.memoryBudget, settings.perspective, false, sphericalLens});
}

bool RasterizeLineStore(const LineStore& store, host::Bitmap& target, const PwLineRasterSettings& settings,
                        const PwProjection* sphericalLens) {
  LineRasterWorkspace workspace;
  return RasterizeLineStore(workspace, store, target, settings, sphericalLens);
}

bool RasterizePreview(LineRasterWorkspace& workspace, const LineStore& store, host::Bitmap& target) {
  return Rasterize(workspace, store, target, DrawRequest{kPreviewSamples, kPreviewMemoryBudget, false, true, nullptr});
}

bool RasterizePreview(const LineStore& store, host::Bitmap& target) {
  LineRasterWorkspace workspace;
  return RasterizePreview(workspace, store, target);
}

}  // namespace pw
