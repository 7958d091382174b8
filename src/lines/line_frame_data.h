// What line generation keeps for the whole frame: every visible instance's
// occluders (its faces as hidden-line removal and intersections see them),
// by instance index, built before any line of the frame.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/instance.h"
#include "lines/occluder.h"

namespace pw {

// PwRenderInstance::workFlags: the instance's intersections with the other
// objects were found this frame.
inline constexpr std::uint32_t kWorkIntersectionsDone = 0x1;

class LineFrameData {
 public:
  // The instance's occluders for this frame (its memory is kept from the
  // last frame).
  void Build(const PwRenderInstance& instance, bool twoSided);
  void Free(int index);
  // Room for n instances, so every instance index of the frame can be asked.
  void EnsureSize(std::size_t n) {
    if (occluders_.size() < n) occluders_.resize(n);
  }

  // By instance index; instances without occluders have an empty entry.
  const std::vector<InstanceOccluders>& Occluders() const { return occluders_; }
  const InstanceOccluders* Of(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < occluders_.size()
               ? &occluders_[static_cast<std::size_t>(index)]
               : nullptr;
  }

 private:
  std::vector<InstanceOccluders> occluders_;
};

}  // namespace pw
