#include "lines/depth_order.h"

#include <algorithm>

#include "lines/hidden_intervals.h"

namespace pw {

namespace {

constexpr std::size_t kFirstMapSize = 1024;

// The parameter of the point of the centre line nearest to p, held to the
// line's ends; a line of no length has its start there.
double Project(const LineOutline& o, double px, double py) {
  const double dx = static_cast<double>(o.end.sx) - o.start.sx;
  const double dy = static_cast<double>(o.end.sy) - o.start.sy;
  const double length2 = dx * dx + dy * dy;
  if (!(length2 > 0.0)) return 0.0;
  const double t = ((px - o.start.sx) * dx + (py - o.start.sy) * dy) / length2;
  return std::clamp(t, 0.0, 1.0);
}

double DepthAt(const LineOutline& o, double t, bool perspective) {
  const double u = perspective ? PerspectiveParameter(t, o.start.z, o.end.z) : t;
  return o.start.z + (static_cast<double>(o.end.z) - o.start.z) * u;
}

}  // namespace

DepthDecision DecideDepth(const LineOutline& newer, const LineOutline& older, double px, double py,
                          bool perspective) {
  const double tn = Project(newer, px, py);
  const double to = Project(older, px, py);
  double zn = DepthAt(newer, tn, perspective);
  double zo = DepthAt(older, to, perspective);
  if (zn == zo) {
    zn = DepthAt(newer, tn + kDepthTieStep, perspective);
    zo = DepthAt(older, to + kDepthTieStep, perspective);
  }
  return zn > zo ? DepthDecision::Replace : DepthDecision::Keep;
}

void PairDecisionMap::Clear() {
  std::fill(slots_.begin(), slots_.end(), 0);
  count_ = 0;
  lastKey_ = 0;
}

std::size_t PairDecisionMap::SlotOf(std::uint64_t key) const {
  std::uint64_t h = key ^ (key >> 31);
  h *= 0x9E3779B97F4A7C15ull;
  h ^= h >> 29;
  const std::size_t mask = slots_.size() - 1;
  std::size_t s = static_cast<std::size_t>(h) & mask;
  while (slots_[s] != 0 && (slots_[s] >> 2) != key) s = (s + 1) & mask;
  return s;
}

DepthDecision PairDecisionMap::Find(std::uint32_t newer, std::uint32_t older) {
  if (count_ == 0) return DepthDecision::Undecided;
  const std::uint64_t key = Key(newer, older);
  const std::size_t s = SlotOf(key);
  lastKey_ = key;
  lastSlot_ = s;
  return slots_[s] ? static_cast<DepthDecision>(slots_[s] & 3) : DepthDecision::Undecided;
}

void PairDecisionMap::Insert(std::uint32_t newer, std::uint32_t older, DepthDecision decision) {
  const std::uint64_t key = Key(newer, older);
  if (static_cast<std::size_t>(count_ + 1) * 2 > slots_.size()) {
    Grow();
    lastKey_ = 0;
  }
  const std::size_t s = key == lastKey_ ? lastSlot_ : SlotOf(key);
  if (slots_[s] == 0) ++count_;
  slots_[s] = key << 2 | static_cast<std::uint64_t>(decision);
}

void PairDecisionMap::Grow() {
  std::vector<std::uint64_t> old = std::move(slots_);
  slots_.assign(std::max(kFirstMapSize, old.size() * 2), 0);
  for (const std::uint64_t slot : old) {
    if (slot) slots_[SlotOf(slot >> 2)] = slot;
  }
}

}  // namespace pw
