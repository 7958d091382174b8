// The line pass of the frame driver: each object's lines into the frame's
// line store, then the store into the lines bitmap.
#pragma once

#include "lines/line_generator.h"
#include "lines/line_pass.h"
#include "lines/rasterize_lines.h"
#include "lines/line_store.h"
#include "lines/line_frame_data.h"

namespace pw {

class PwLineStage : public PwLinePass {
 public:
  void ClearLines() override;
  void PrepareFaceData(const PwFrameContext& frame, PwRenderInstance& instance, bool twoSided) override;
  void FreeFaceData(PwRenderInstance& instance) override;
  bool AddObjectLines(const PwFrameContext& frame, PwRenderInstance& instance, PwStyle& style) override;
  bool Rasterize(const PwFrameContext& frame, host::Bitmap& target, const PwLineRasterSettings& settings) override;

  const LineStore& Store() const { return store_; }

 private:
  LineStore store_;
  LineFrameData frameData_;
  LineGenerator generator_;
  LineRasterWorkspace raster_;
};

}  // namespace pw
