// The frame's drawn line pieces: every visible or hidden piece that line
// generation emits, with everything the rasterizer and the vector writers
// need to draw it (brush, colour, stroke, both ends with their widths).
#pragma once

#include <cstdint>
#include <vector>

namespace pw {

// One end of a drawn piece: camera-space position, screen position (pixels)
// and the line width there (pixels).
struct LineEnd {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float sx = 0.0f;
  float sy = 0.0f;
  float width = 0.0f;
};

// A point of an extra path a piece may carry (none of the pieces line
// generation emits has one; vector output of curves may).
struct LinePathPoint {
  float sx = 0.0f;
  float sy = 0.0f;
};

inline constexpr std::int32_t kSolidPattern = -1;
inline constexpr std::int32_t kNoSegment = -1;

struct LineSegment {
  std::int32_t brushShape = 0;  // 0 circle, 1 square
  std::int32_t capping = 0;     // stroke capping
  std::uint16_t red = 0;        // premultiplied by alpha when alpha < 65535
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  std::uint16_t alpha = 65535;
  float brushWidth = 0.0f;  // pixels, before the per-end thickness
  std::uint8_t reserved = 0;
  std::int32_t pattern = kSolidPattern;  // 32-bit dash mask
  float patternScale = 1.0f;
  LineEnd start;
  LineEnd end;
  std::vector<LinePathPoint> path;
  std::int32_t next = kNoSegment;  // the store's list link

  friend bool operator==(const LineSegment& a, const LineSegment& b) {
    auto same = [](const LineEnd& p, const LineEnd& q) {
      return p.x == q.x && p.y == q.y && p.z == q.z && p.sx == q.sx && p.sy == q.sy && p.width == q.width;
    };
    return a.brushShape == b.brushShape && a.capping == b.capping && a.red == b.red && a.green == b.green &&
           a.blue == b.blue && a.alpha == b.alpha && a.brushWidth == b.brushWidth && a.pattern == b.pattern &&
           a.patternScale == b.patternScale && same(a.start, b.start) && same(a.end, b.end);
  }
};

// A pool of segments held as a singly linked list: Insert puts the new one
// at the head, so walking from Head() yields them newest first. Records are
// reused after Clear, so a frame allocates only when it draws more pieces
// than any frame before it.
class LineStore {
 public:
  // The pool grows by this many records when its free list runs dry.
  static constexpr int kGrowStep = 4096;

  // Returns every record to the free list; the list is empty (head -1).
  void Clear();
  // Copies `segment` into a record at the head of the list; its `next` is
  // overwritten. Returns the record's index.
  std::int32_t Insert(const LineSegment& segment);

  std::int32_t Head() const { return head_; }
  bool Empty() const { return head_ == kNoSegment; }
  int Count() const { return count_; }
  const LineSegment& At(std::int32_t index) const { return pool_[static_cast<std::size_t>(index)]; }
  std::size_t Capacity() const { return pool_.size(); }

  // Calls f(segment) from the head on (newest first).
  template <class F>
  void ForEach(F&& f) const {
    for (std::int32_t i = head_; i != kNoSegment; i = pool_[static_cast<std::size_t>(i)].next)
      f(pool_[static_cast<std::size_t>(i)]);
  }

 private:
  std::vector<LineSegment> pool_;
  std::int32_t head_ = kNoSegment;
  std::int32_t free_ = kNoSegment;
  std::int32_t used_ = 0;  // records handed out at least once since the pool grew
  int count_ = 0;
};

}  // namespace pw
