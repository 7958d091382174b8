#include "render/pw_view.h"

namespace pw {

PwView::PwView(const PwViewState& view) : proj_(view.proj) {
  worldToView = view.cameraFromWorld();
  screenW = view.imageWidth;
  screenH = view.imageHeight;
  projType = view.proj.perspective ? host::PROJ_PERSPECTIVE : host::PROJ_PARALLEL;
  fov = view.params.fov;
  pixelSize = 1.0f;
}

}  // namespace pw
