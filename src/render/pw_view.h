// The view handed to objects that build their render mesh for a particular
// view (tessellation by screen size and the like).
#pragma once

#include "host/render_api/rendering.h"
#include "frame/view_state.h"

namespace pw {

class PwView : public host::View {
 public:
  explicit PwView(const PwViewState& view);

  // Without the blow-up remapping: objects see the image as a whole.
  host::Point2 ViewToScreen(const host::Point3& p) override { return projectUnmapped(proj_, p); }
  // A render mesh is always wanted in full.
  bool CheckForRenderAbort() override { return false; }

 private:
  PwProjection proj_;
};

}  // namespace pw
