// The frame's line store into a bitmap, as the line stage and the
// art-material editor's previews draw it.
#pragma once

#include "frame/projection.h"
#include "lines/line_outline.h"
#include "lines/line_pass.h"
#include "lines/line_rasterizer.h"
#include "lines/line_store.h"

namespace host {
class Bitmap;
}

namespace pw {

// What is kept from frame to frame, so that a frame allocates only when it
// draws more than any frame before it.
struct LineRasterWorkspace {
  LineOutlineList outlines;
  LineRasterizer rasterizer;
};

// Previews are small and drawn over their own backdrop.
inline constexpr int kPreviewSamples = 8;
inline constexpr std::int64_t kPreviewMemoryBudget = 10000000;

// Draws a non-empty store into `target` (which holds the cleared lines
// bitmap): pixels no line reaches are left as they are, the others are
// replaced by the lines' coverage. `sphericalLens` (may be null) re-projects
// the lines through that view's lens. A budget too small for one row of
// subsamples is reported as a warning and the frame goes on without lines.
// False only when the frame cannot go on (memory refused, bad settings);
// the reason was reported.
bool RasterizeLineStore(LineRasterWorkspace& workspace, const LineStore& store, host::Bitmap& target,
                        const PwLineRasterSettings& settings, const PwProjection* sphericalLens);
bool RasterizeLineStore(const LineStore& store, host::Bitmap& target, const PwLineRasterSettings& settings,
                        const PwProjection* sphericalLens);

// The editor's previews: 8 x 8 samples, a 10 MB budget, no perspective, and
// lines composited over what `target` already shows.
bool RasterizePreview(LineRasterWorkspace& workspace, const LineStore& store, host::Bitmap& target);
bool RasterizePreview(const LineStore& store, host::Bitmap& target);

}  // namespace pw
