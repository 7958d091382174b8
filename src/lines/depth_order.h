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
  DepthDecision Find(std::uint32_t newer, std::uint32_t older);
  void Insert(std::uint32_t newer, std::uint32_t older, DepthDecision decision);
  int Size() const { return count_; }

 private:
  // One 64-bit slot per pair: the pair (outline indices are below 2^31)
  // plus one, so that 0 is a free slot, shifted past the decision's two bits.
  static std::uint64_t Key(std::uint32_t newer, std::uint32_t older) {
    return ((std::uint64_t{newer} << 31) | older) + 1;
  }
  std::size_t SlotOf(std::uint64_t key) const;
  void Grow();

  std::vector<std::uint64_t> slots_;  // key << 2 | decision; 0 = free
  int count_ = 0;
  // The slot the last Find probed, which an Insert of the same pair reuses.
  std::uint64_t lastKey_ = 0;
  std::size_t lastSlot_ = 0;
};

}  // namespace pw
