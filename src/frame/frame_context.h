// What a per-frame pass (surfaces, lines, vector output) is given of the
// frame: the instances with their render meshes, the view and projection,
// the settings it reads, the time, and progress with the cancel flag.
//
// The frame driver fills one per field, after the object stage has placed
// and sorted the instances; passes read it and never the render run, so a
// pass module needs nothing of the renderer's own records.
#pragma once

#include <memory>
#include <span>

#include "frame/instance.h"
#include "frame/progress.h"
#include "frame/view_state.h"
#include "host/core/time.h"

namespace pw {

// The render settings the passes read, copied from the run's settings once
// per frame so no pass looks them up per object.
struct PwFrameSettings {
  bool vectorMode = false;
  bool surfacesOn = true;  // this renderer draws surfaces (no alternate renderer does)
  bool linesOn = true;
  bool force2Side = false;
  bool hiddenLinesWithinItself = true;
  bool hiddenLinesWithOthers = true;
  bool intersectionsWithinItself = true;
  bool intersectionsWithOthers = true;
  bool sphericalLens = false;  // line outlines follow the fish-eye mapping
};

struct PwFrameContext {
  // Every instance of the run, in gathering order.
  std::span<const std::unique_ptr<PwRenderInstance>> instances;
  // The instances to draw: the first visibleCount are the visible ones, in
  // drawing order.
  std::span<PwRenderInstance* const> drawOrder;
  int visibleCount = 0;

  const PwViewState* view = nullptr;  // projection, image size, region, clip window
  host::TimeValue time = 0;
  int field = 0;  // 0, or 1 for the second field
  PwFrameSettings settings;
  PwRenderProgress* progress = nullptr;

  std::span<PwRenderInstance* const> visible() const { return drawOrder.first(visibleCount); }
  bool perspective() const { return !view || view->proj.perspective; }
  bool cancelled() const { return progress && progress->cancelled(); }
};

}  // namespace pw
