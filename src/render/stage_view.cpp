// The frame's image (size, region) and the "Preparing View" stage.
#include <algorithm>
#include <utility>

#include "host/services/interface.h"
#include "render/frame_stages.h"
#include "render/view_setup.h"

namespace pw {

namespace {

host::Bitmap* referenceBitmap(const PwFrameSlots& slots) {
  for (host::Bitmap* bm : slots)
    if (bm && !bm->Empty()) return bm;
  return nullptr;
}

// Scales a coordinate from the render size to the bitmap's, truncating.
int scaled(int v, int bitmapSize, int renderSize) {
  if (renderSize <= 0) return v;
  return static_cast<int>(static_cast<float>(v) * (static_cast<float>(bitmapSize) / static_cast<float>(renderSize)));
}

PwRegion clampedRegion(PwRegion r, int w, int h) {
  if (r.x0 > r.x1) std::swap(r.x0, r.x1);
  if (r.y0 > r.y1) std::swap(r.y0, r.y1);
  r.x0 = std::clamp(r.x0, 0, w - 1);
  r.x1 = std::clamp(r.x1, 0, w - 1);
  r.y0 = std::clamp(r.y0, 0, h - 1);
  r.y1 = std::clamp(r.y1, 0, h - 1);
  return r;
}

// Region and refresh rectangle of the run from the frame's parameters.
void setupRegion(PwRenderRun& run, int w, int h) {
  const host::FrameRendParams& frp = run.frameParams;
  PwRegion r{frp.regxmin, frp.regymin, frp.regxmax, frp.regymax};
  int& type = run.params.rendType;
  if (type == host::RENDTYPE_REGIONCROP) {
    r.x0 = scaled(r.x0, w, run.params.width);
    r.x1 = scaled(r.x1, w, run.params.width);
    r.y0 = scaled(r.y0, h, run.params.height);
    r.y1 = scaled(r.y1, h, run.params.height);
    type = host::RENDTYPE_BLOWUP;
  }
  const PwRegion whole{0, 0, w - 1, h - 1};
  const bool partial = type == host::RENDTYPE_REGION || type == host::RENDTYPE_BLOWUP;
  run.view.region = partial ? clampedRegion(r, w, h) : whole;
  run.refreshRect = type == host::RENDTYPE_REGION ? run.view.region : whole;
}

}  // namespace

host::TimeValue halfFrameTicks(int ticksPerFrame, float frameDuration) {
  const int product = static_cast<int>(static_cast<float>(ticksPerFrame) * frameDuration);
  return product >> 1;
}

bool setupFrameImage(PwRenderRun& run, const PwFrameSlots& slots) {
  host::Bitmap* reference = referenceBitmap(slots);
  if (!reference) return false;
  const int w = reference->Width();
  const int h = reference->Height();
  if (!run.firstFrame) {
    // The pixel buffer, the region and the view were made for the first
    // frame's size; another size would write past them.
    if (w == static_cast<int>(run.view.imageWidth) && h == static_cast<int>(run.view.imageHeight)) return true;
    host::WarningMessage("PenwrightRenderer: every frame must be %dx%d pixels like the first, not %dx%d",
                         static_cast<int>(run.view.imageWidth), static_cast<int>(run.view.imageHeight), w, h);
    return false;
  }
  // Without objects nothing is drawn into the pixel buffer: the background
  // goes straight into the picture, and the buffer (20 bytes a pixel) is
  // not made.
  const bool buffer = !run.vectorMode() && !run.instances.empty();
  if (!buffer) run.pixels.release();
  if (buffer && !run.pixels.resize(w, h)) {
    host::ErrorMessage("not enough memory for the surface buffer of a %dx%d frame (%.0f MB)", w, h,
                       static_cast<double>(w) * h * sizeof(PwFragment) / (1024.0 * 1024.0));
    return false;
  }
  run.view.imageWidth = static_cast<float>(w);
  run.view.imageHeight = static_cast<float>(h);
  run.view.pixelAspect = reference->Aspect();
  run.view.proj.xc = static_cast<float>(w) / 2.0f;
  run.view.proj.yc = static_cast<float>(h) / 2.0f;
  setupRegion(run, w, h);
  return true;
}

void stagePrepareView(PwRenderRun& run) {
  run.progress.push("Preparing View");
  setupView(run.view, run.time, run.viewNode);
  // Rebuilt every field, not only for perspective views: an orthographic
  // camera whose width is animated changes the window too.
  rebuildClipWindow(run.view, run.params.rendType == host::RENDTYPE_BLOWUP);
  run.progress.pop();
}

}  // namespace pw
