#include "surfaces/gradient_keys.h"

#include <algorithm>

namespace pw {

namespace {

host::Color ColorOf(const GradientKey& k) { return {k.r, k.g, k.b}; }

}  // namespace

void SortGradientKeys(std::vector<GradientKey>& keys) {
  std::sort(keys.begin(), keys.end(),
            [](const GradientKey& a, const GradientKey& b) { return a.position < b.position; });
}

host::Color EvaluateGradient(std::span<const GradientKey> keys, float x) {
  if (keys.empty()) return host::Color::Black();
  if (keys.size() == 1 || x <= keys.front().position) return ColorOf(keys.front());
  if (x >= keys.back().position) return ColorOf(keys.back());
  for (std::size_t i = 0; i + 1 < keys.size(); ++i) {
    const GradientKey& lo = keys[i];
    const GradientKey& hi = keys[i + 1];
    if (!(lo.position <= x && x <= hi.position)) continue;
    const float width = hi.position - lo.position;
    // Both ends are x here, which the first match makes unreachable in a
    // sorted table; answer the key rather than divide by zero.
    if (!(width > 0.0f)) return ColorOf(hi);
    const float t = (x - lo.position) / width;
    return ColorOf(lo) * (1.0f - t) + ColorOf(hi) * t;
  }
  // A NaN position or an unsorted table.
  return host::Color::Black();
}

}  // namespace pw
