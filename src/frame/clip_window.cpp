#include "frame/clip_window.h"

#include <utility>

namespace pw {

namespace {

// Screen to the window's camera-space measure: x itself for parallel views,
// x / -z for perspective ones (hence the negation).
float unprojectX(const PwProjection& proj, float sx) {
  float u = (sx - proj.xc) / proj.xscale;
  return proj.perspective ? -u : u;
}

float unprojectY(const PwProjection& proj, float sy) {
  float v = (sy - proj.yc) / proj.yscale;
  return proj.perspective ? -v : v;
}

}  // namespace

PwClipWindow buildClipWindow(PwProjection& proj, const PwRegion& region, float hither, float yon,
                             bool blowUp, float imageWidth, float imageHeight) {
  float pxMin = static_cast<float>(region.x0) + kClipWindowInset;
  float pyMin = static_cast<float>(region.y0) + kClipWindowInset;
  float pxMax = static_cast<float>(region.x1) + 1.0f - kClipWindowInset;
  float pyMax = static_cast<float>(region.y1) + 1.0f - kClipWindowInset;

  proj.blowUp = blowUp;
  if (blowUp) {
    proj.blowCentre = {(pxMin + pxMax) * 0.5f, (pyMin + pyMax) * 0.5f};
    proj.blowScale = {imageWidth / static_cast<float>(region.x1 - region.x0 + 1),
                      imageHeight / (static_cast<float>(region.y1 - region.y0 + 1) + 0.01f)};
  }

  PwClipWindow win;
  win.xmin = unprojectX(proj, pxMin);
  win.xmax = unprojectX(proj, pxMax);
  win.ymin = unprojectY(proj, pyMin);
  win.ymax = unprojectY(proj, pyMax);
  if (win.xmin > win.xmax) std::swap(win.xmin, win.xmax);
  if (win.ymin > win.ymax) std::swap(win.ymin, win.ymax);
  win.zFar = -yon;
  win.zNear = -hither;
  return win;
}

}  // namespace pw
