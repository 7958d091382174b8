// Which of two overlapping outlines of different colours shows at a
// subsample: the nearer one, measured on each outline's centre line.
#pragma once

#include <cstdint>
#include <vector>

#include "lines/line_outline.h"

namespace pw {

enum class DepthDecision : std::uint8_t { Undecided = 0, Keep = 1, Replace = 2 };

// Where ties are looked at again: this far further along both centre lines,
// which tells apart two lines that meet at a shared end.
inline constexpr double kDepthTieStep = 1e-4;

// Whether `newer` (drawn later) takes the subsample at screen point (px, py)
// from `older`: the point is projected onto each centre line (clamped to its
// ends; the parameter perspective-corrected when `perspective`), and a
// larger camera z is nearer. A tie that persists keeps `older`.
DepthDecision DecideDepth(const LineOutline& newer, const LineOutline& older, double px, double py, bool perspective);

// Depth decisions of outline pairs, kept for outlines that reach over more
// than one band so that a pair is decided once per frame however the
// picture is cut into bands. Reused from frame to frame.
class PairDecisionMap {
 public:
  void Clear();
  DepthDecision Find(std::uint32_t newer, std::uint32_t older) const;
  void Insert(std::uint32_t newer, std::uint32_t older, DepthDecision decision);
  int Size() const { return count_; }

 private:
  static std::uint64_t Key(std::uint32_t newer, std::uint32_t older) {
    // +1 so that no pair has the free key 0.
    return ((std::uint64_t{newer} << 32) | older) + 1;
  }
  std::size_t SlotOf(std::uint64_t key) const;
  void Grow();

  std::vector<std::uint64_t> keys_;  // 0 = free
  std::vector<DepthDecision> decisions_;
  int count_ = 0;
};

}  // namespace pw
