#include "surfaces/band_ramp.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

float Clamp01(float v) { return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f); }

constexpr BandWeights kOnlyShadow = {1.0f, 0.0f, 0.0f};
constexpr BandWeights kOnlyMain = {0.0f, 1.0f, 0.0f};
constexpr BandWeights kOnlyHighlight = {0.0f, 0.0f, 1.0f};

BandSegment ConstantBand(float start, float end, const BandWeights& w) {
  BandSegment s;
  s.start = start;
  s.end = end;
  s.startWeights = s.endWeights = w;
  s.mode = kBandConstant;
  s.enabled = true;
  return s;
}

BandSegment BlendZone(const BandWeights& from, const BandWeights& to, int mode) {
  BandSegment s;
  s.startWeights = from;
  s.endWeights = to;
  s.mode = mode;
  s.enabled = true;
  return s;
}

}  // namespace

void BandSegment::Prepare() {
  start = Clamp01(start);
  end = Clamp01(end);
  if (start == end) {
    enabled = false;
    return;
  }
  invWidth = 1.0f / (end - start);
  for (std::size_t i = 0; i < 3; ++i) delta[i] = endWeights[i] - startWeights[i];
}

BandWeights BandSegment::At(float x) const {
  if (mode == kBandConstant) return startWeights;
  float t = (x - start) * invWidth;
  if (mode == kBandSmoothstep) t = (3.0f - 2.0f * t) * t * t;
  BandWeights w;
  for (std::size_t i = 0; i < 3; ++i) w[i] = startWeights[i] + t * delta[i];
  return w;
}

void BandRamp::Build(float s, float m, float h, float wS, float wH, int blendMode) {
  segments_ = {};
  BandSegment& shadow = segments_[kSegShadow];
  BandSegment& main = segments_[kSegMain];
  BandSegment& highlight = segments_[kSegHighlight];
  // The topmost band reaches 1 whatever the rounding of the sizes: sizes
  // that sum to 0.99999994 must not leave full light in no band at all.
  if (s != 0.0f) shadow = ConstantBand(0.0f, m == 0.0f && h == 0.0f ? 1.0f : s, kOnlyShadow);
  if (m != 0.0f) main = ConstantBand(s, h == 0.0f ? 1.0f : s + m, kOnlyMain);
  if (h != 0.0f) highlight = ConstantBand(s + m, 1.0f, kOnlyHighlight);
  // One band over the whole axis leaves nothing to blend.
  for (BandSegment* band : {&shadow, &main, &highlight}) {
    if (!band->enabled) continue;
    band->Prepare();
    if (band->enabled && band->start == 0.0f && band->end == 1.0f) return;
  }

  bool removeShadow = false, removeMain = false, removeHighlight = false;
  BandSegment& lower = segments_[kSegMainShadow];
  if (wS != 0.0f && shadow.enabled && main.enabled) {
    lower = BlendZone(kOnlyShadow, kOnlyMain, blendMode);
    const float half = wS / 2.0f;
    if (shadow.start >= shadow.end - half) {
      lower.start = shadow.start;
      removeShadow = true;
    } else {
      shadow.end -= half;
      lower.start = shadow.end;
    }
    if (main.end <= main.start + half) {
      lower.end = main.end;
      removeMain = true;
    } else {
      main.start += half;
      lower.end = main.start;
    }
  }
  BandSegment& upper = segments_[kSegMainHighlight];
  if (wH != 0.0f && main.enabled && highlight.enabled) {
    upper = BlendZone(kOnlyMain, kOnlyHighlight, blendMode);
    const float half = wH / 2.0f;
    if (main.start >= main.end - half) {
      upper.start = main.start;
      removeMain = true;
    } else {
      main.end -= half;
      upper.start = main.end;
    }
    if (highlight.end <= highlight.start + half) {
      upper.end = highlight.end;
      removeHighlight = true;
    } else {
      highlight.start += half;
      upper.end = highlight.start;
    }
  }
  if (lower.enabled) lower.Prepare();
  if (upper.enabled) upper.Prepare();
  // A Main band narrower than both half-widths: the zones meet halfway.
  if (lower.enabled && upper.enabled && lower.end > upper.start) {
    const float mid = (lower.end + upper.start) / 2.0f;
    lower.end = mid;
    upper.start = mid;
    lower.Prepare();
    upper.Prepare();
  }
  if (removeShadow) shadow.enabled = false;
  if (removeMain) main.enabled = false;
  if (removeHighlight) highlight.enabled = false;
}

BandWeights BandRamp::Lookup(float x) const {
  x = Clamp01(x);
  for (const BandSegment& s : segments_)
    if (s.Contains(x)) return s.At(x);
  return {};
}

void NormalizeBandSizes(float* sizes, const bool* on, int count, int edited) {
  int enabled = 0;
  float sum = 0.0f;
  for (int i = 0; i < count; ++i) {
    if (on[i]) {
      sizes[i] = Clamp01(sizes[i]);
      ++enabled;
    } else {
      sizes[i] = 0.0f;
    }
    sum += sizes[i];
  }
  if (edited < 0 || edited >= count) {
    if (sum == 0.0f) {
      for (int i = 0; i < count; ++i)
        if (on[i]) {
          sizes[i] = 1.0f;
          break;
        }
    } else if (sum != 1.0f) {
      const float scale = 1.0f / sum;
      for (int i = 0; i < count; ++i) sizes[i] *= scale;
    }
    return;
  }
  if (enabled == 1) {
    for (int i = 0; i < count; ++i) sizes[i] = i == edited ? 1.0f : 0.0f;
    return;
  }
  const float kept = sizes[edited];
  const float others = sum - kept;
  if (others != 0.0f) {
    const float scale = (1.0f - kept) / others;
    for (int i = 0; i < count; ++i)
      if (i != edited) sizes[i] *= scale;
  } else if (kept < 1.0f) {
    // Spread evenly over the other bands that are on: a band that is off
    // keeps 0, or it would take part in the ramp.
    const int sharing = enabled - (on[edited] ? 1 : 0);
    if (sharing <= 0) return;
    const float share = (1.0f - kept) / static_cast<float>(sharing);
    for (int i = 0; i < count; ++i)
      if (i != edited && on[i]) sizes[i] = share;
  }
}

}  // namespace pw
