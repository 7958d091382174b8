#include "lines/line_frame_data.h"

namespace pw {

void LineFrameData::Build(const PwRenderInstance& instance, bool twoSided) {
  if (instance.index < 0) return;
  const auto i = static_cast<std::size_t>(instance.index);
  if (occluders_.size() <= i) occluders_.resize(i + 1);
  BuildOccluders(instance, twoSided, occluders_[i]);
}

void LineFrameData::Free(int index) {
  // Emptied, not released: the next frame refills the same arrays.
  if (index >= 0 && static_cast<std::size_t>(index) < occluders_.size())
    occluders_[static_cast<std::size_t>(index)].Clear();
}

}  // namespace pw
