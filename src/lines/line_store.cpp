#include "lines/line_store.h"

namespace pw {

void LineStore::Clear() {
  // Chain every record handed out so far into the free list, newest first,
  // keeping their path capacity for the next frame.
  for (std::int32_t i = head_; i != kNoSegment;) {
    LineSegment& s = pool_[static_cast<std::size_t>(i)];
    const std::int32_t next = s.next;
    s.path.clear();
    s.next = free_;
    free_ = i;
    i = next;
  }
  head_ = kNoSegment;
  count_ = 0;
}

std::int32_t LineStore::Insert(const LineSegment& segment) {
  std::int32_t index;
  if (free_ != kNoSegment) {
    index = free_;
    free_ = pool_[static_cast<std::size_t>(index)].next;
  } else {
    if (static_cast<std::size_t>(used_) == pool_.size()) pool_.resize(pool_.size() + kGrowStep);
    index = used_++;
  }
  LineSegment& s = pool_[static_cast<std::size_t>(index)];
  s.brushShape = segment.brushShape;
  s.capping = segment.capping;
  s.red = segment.red;
  s.green = segment.green;
  s.blue = segment.blue;
  s.alpha = segment.alpha;
  s.brushWidth = segment.brushWidth;
  s.reserved = 0;
  s.pattern = segment.pattern;
  s.patternScale = segment.patternScale;
  s.start = segment.start;
  s.end = segment.end;
  s.path.assign(segment.path.begin(), segment.path.end());
  s.next = head_;
  head_ = index;
  ++count_;
  return index;
}

}  // namespace pw
