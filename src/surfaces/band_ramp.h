// Light intensity to Shadow / Main / Highlight band weights, shared by the
// cel shader and the Toon material.
//
// The intensity axis 0..1 is split into up to three constant bands and two
// blend zones between them. A zone eats half its width out of each
// neighbour; a band narrower than that half disappears into its zone, and
// two zones that would overlap meet at the midpoint between them.
#pragma once

#include <array>

namespace pw {

// Weights of the Shadow, Main and Highlight bands, in that order.
using BandWeights = std::array<float, 3>;

// How a segment moves from its start weights to its end weights.
enum BandInterpolation : int { kBandConstant = 0, kBandLinear = 1, kBandSmoothstep = 2 };

struct BandSegment {
  float start = 0.0f;
  float end = 0.0f;
  BandWeights startWeights{};
  BandWeights endWeights{};
  int mode = kBandConstant;
  bool enabled = false;
  // Derived by Prepare.
  float invWidth = 0.0f;
  BandWeights delta{};

  // Clamps the interval to 0..1, disables an empty one, derives the rest.
  void Prepare();
  bool Contains(float x) const { return enabled && start <= x && x <= end; }
  BandWeights At(float x) const;
};

// Segment indices.
enum BandSegmentIndex : int {
  kSegShadow = 0,
  kSegMain = 1,
  kSegHighlight = 2,
  kSegMainShadow = 3,
  kSegMainHighlight = 4,
};
inline constexpr int kBandSegmentCount = 5;

class BandRamp {
 public:
  // From band sizes that sum to 1 (see NormalizeBandSizes), the Main-Shadow
  // and Main-Highlight blend widths and the zones' interpolation mode.
  void Build(float shadow, float main, float highlight, float blendMainShadow, float blendMainHighlight,
             int blendMode);
  // The first enabled segment holding x (clamped to 0..1), in segment order;
  // all zero when none does (every band off).
  BandWeights Lookup(float x) const;
  const BandSegment& Segment(int i) const { return segments_[static_cast<std::size_t>(i)]; }

 private:
  std::array<BandSegment, kBandSegmentCount> segments_{};
};

// Brings band sizes to a sum of 1: bands that are off get 0, the others are
// clamped to 0..1. With edited = -1 all are scaled alike (nothing on at a
// total of 0 gives the first band that is on everything); otherwise size
// `edited` is kept and the others share what it leaves.
void NormalizeBandSizes(float* sizes, const bool* on, int count, int edited);

}  // namespace pw
