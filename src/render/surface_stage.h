// The raster surface pass: each object's faces scan-converted into the
// frame's pixel buffer and shaded the way its style's surface says (not at
// all, cut out of the background, with the object's own material, or with
// the surface's Toon material), and the buffer resolved at the end of the
// field.
#pragma once

#include <cstdint>
#include <vector>

#include "render/polygon_fill.h"
#include "render/shade_context.h"
#include "render/surface_pass.h"

namespace pw {

// What one run of the pass did, for benchmarks and tests.
struct PwSurfaceStats {
  long long faces = 0;      // faces filled
  long long covered = 0;    // pixels whose centre a face covered
  long long shaded = 0;     // of those, pixels shaded (not hidden)
  long long poolRecords = 0;  // pool records the chains needed, at their most
};

class PwSurfaceStage : public PwSurfacePass {
 public:
  void PrepareFrame(const PwSurfaceFrame& frame) override;
  bool RenderObjectSurfaces(const PwSurfaceFrame& frame, PwRenderInstance& instance, PwStyle& style) override;
  void Resolve(PwPixelBuffer& buffer) override;

  const PwSurfaceStats& Stats() const { return stats_; }
  void ClearStats() { stats_ = PwSurfaceStats(); }
  PwShadeContext& ShadeContext() { return shade_; }

 private:
  PwShadeContext shade_;
  std::vector<PwFillVertex> polygon_;  // the face being filled
  PwSurfaceStats stats_;
};

}  // namespace pw
