// Animation time: ticks and validity intervals.
#pragma once

#include <algorithm>
#include <climits>

namespace host {

// Time in ticks; 4800 ticks make a second whatever the frame rate.
using TimeValue = int;

inline constexpr int TICKS_PER_SECOND = 4800;
inline constexpr TimeValue TIME_NegInfinity = INT_MIN;
inline constexpr TimeValue TIME_PosInfinity = INT_MAX;

// Frame rate of the scene, 30 frames per second unless a scene says otherwise.
class FrameRate {
 public:
  static int FramesPerSecond() { return fps_; }
  static void SetFramesPerSecond(int fps) { fps_ = fps > 0 ? fps : 30; }
  static int TicksPerFrame() { return TICKS_PER_SECOND / fps_; }

 private:
  static inline int fps_ = 30;
};

inline int GetTicksPerFrame() { return FrameRate::TicksPerFrame(); }
inline TimeValue FrameToTime(int frame) { return frame * GetTicksPerFrame(); }

// A closed range of times over which a value holds. An empty interval
// (start > end) means "valid nowhere"; FOREVER means "valid always".
class Interval {
 public:
  constexpr Interval() : start_(TIME_NegInfinity + 1), end_(TIME_NegInfinity) {}  // empty
  constexpr Interval(TimeValue s, TimeValue e) : start_(s), end_(e) {}

  constexpr bool Empty() const { return start_ > end_; }
  constexpr bool InInterval(TimeValue t) const { return t >= start_ && t <= end_; }
  void SetEmpty() { *this = Interval(); }

  // Intersection: what remains valid when both hold.
  Interval& operator&=(const Interval& o) {
    start_ = std::max(start_, o.start_);
    end_ = std::min(end_, o.end_);
    return *this;
  }
  friend Interval operator&(Interval a, const Interval& b) { return a &= b; }
  friend constexpr bool operator==(const Interval&, const Interval&) = default;

 private:
  TimeValue start_;
  TimeValue end_;
};

inline constexpr Interval FOREVER{TIME_NegInfinity, TIME_PosInfinity};

}  // namespace host
