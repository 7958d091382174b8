#include <gtest/gtest.h>

#include <random>

#include "surfaces/band_ramp.h"

using pw::BandRamp;
using pw::BandWeights;
using pw::NormalizeBandSizes;

namespace {

constexpr float kEps = 1e-5f;

void ExpectWeights(const BandWeights& got, const BandWeights& want, const char* what = "") {
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], kEps) << what << " band " << i;
}

void ExpectInterval(const BandRamp& ramp, int seg, float start, float end) {
  const pw::BandSegment& s = ramp.Segment(seg);
  EXPECT_TRUE(s.enabled) << "segment " << seg;
  EXPECT_NEAR(s.start, start, kEps) << "segment " << seg;
  EXPECT_NEAR(s.end, end, kEps) << "segment " << seg;
}

}  // namespace

TEST(BandSizes, NormalisedWithoutAnEditedBand) {
  struct Case {
    std::array<float, 3> in;
    std::array<bool, 3> on;
    std::array<float, 3> out;
  } cases[] = {
      {{0.2f, 0.2f, 0.2f}, {true, true, true}, {1 / 3.0f, 1 / 3.0f, 1 / 3.0f}},
      {{0.0f, 0.0f, 0.0f}, {false, true, true}, {0.0f, 1.0f, 0.0f}},  // the first band on takes all
      {{0.5f, 0.5f, 0.5f}, {true, false, true}, {0.5f, 0.0f, 0.5f}},  // an off band gets nothing
      {{3.0f, -1.0f, 1.0f}, {true, true, true}, {0.5f, 0.0f, 0.5f}},  // clamped to 0..1 first
      {{0.25f, 0.7f, 0.05f}, {true, true, true}, {0.25f, 0.7f, 0.05f}},
  };
  for (const Case& c : cases) {
    std::array<float, 3> s = c.in;
    NormalizeBandSizes(s.data(), c.on.data(), 3, -1);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(s[i], c.out[i], kEps) << i;
  }
}

TEST(BandSizes, TheEditedBandKeepsItsSize) {
  const std::array<bool, 3> all = {true, true, true};
  std::array<float, 3> s = {0.1f, 0.5f, 0.3f};
  NormalizeBandSizes(s.data(), all.data(), 3, 1);  // the others share 0.5 in their ratio 1 : 3
  EXPECT_NEAR(s[0], 0.125f, kEps);
  EXPECT_NEAR(s[1], 0.5f, kEps);
  EXPECT_NEAR(s[2], 0.375f, kEps);

  s = {0.0f, 0.4f, 0.0f};
  NormalizeBandSizes(s.data(), all.data(), 3, 1);  // nothing to scale: an even share
  EXPECT_NEAR(s[0], 0.3f, kEps);
  EXPECT_NEAR(s[2], 0.3f, kEps);

  const std::array<bool, 3> mainAndHighlight = {false, true, true};
  s = {0.0f, 0.4f, 0.0f};
  NormalizeBandSizes(s.data(), mainAndHighlight.data(), 3, 1);  // a band that is off stays at 0
  EXPECT_EQ(s[0], 0.0f);
  EXPECT_NEAR(s[2], 0.6f, kEps);

  const std::array<bool, 3> onlyHighlight = {false, false, true};
  s = {0.3f, 0.3f, 0.2f};
  NormalizeBandSizes(s.data(), onlyHighlight.data(), 3, 2);
  EXPECT_EQ(s, (std::array<float, 3>{0.0f, 0.0f, 1.0f}));
}

TEST(BandSizes, AnySizesAndSwitchesSumToOne) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> size(-0.5f, 1.5f);
  for (int n = 0; n < 2000; ++n) {
    std::array<float, 3> s = {size(rng), size(rng), size(rng)};
    const std::array<bool, 3> on = {(rng() & 1) != 0, (rng() & 2) != 0, (rng() & 4) != 0};
    const int edited = static_cast<int>(rng() % 4) - 1;
    const std::array<float, 3> before = s;
    NormalizeBandSizes(s.data(), on.data(), 3, edited);
    if (!on[0] && !on[1] && !on[2]) continue;
    const float sum = s[0] + s[1] + s[2];
    EXPECT_NEAR(sum, 1.0f, 1e-5f) << before[0] << " " << before[1] << " " << before[2] << " edited " << edited;
    for (std::size_t i = 0; i < 3; ++i) {
      if (!on[i] && static_cast<int>(i) != edited) {
        EXPECT_EQ(s[i], 0.0f);
      }
      EXPECT_GE(s[i], 0.0f);
    }
  }
}

TEST(BandRamp, ThreeBandsWithTwoBlendZones) {
  BandRamp ramp;
  ramp.Build(0.1f, 0.8f, 0.1f, 0.02f, 0.02f, pw::kBandSmoothstep);
  ExpectInterval(ramp, pw::kSegShadow, 0.0f, 0.09f);
  ExpectInterval(ramp, pw::kSegMainShadow, 0.09f, 0.11f);
  ExpectInterval(ramp, pw::kSegMain, 0.11f, 0.89f);
  ExpectInterval(ramp, pw::kSegMainHighlight, 0.89f, 0.91f);
  ExpectInterval(ramp, pw::kSegHighlight, 0.91f, 1.0f);
  ExpectWeights(ramp.Lookup(0.1f), {0.5f, 0.5f, 0.0f}, "middle of the lower zone");
  ExpectWeights(ramp.Lookup(0.9f), {0.0f, 0.5f, 0.5f}, "middle of the upper zone");
  ExpectWeights(ramp.Lookup(0.05f), {1.0f, 0.0f, 0.0f});
  ExpectWeights(ramp.Lookup(0.5f), {0.0f, 1.0f, 0.0f});
  ExpectWeights(ramp.Lookup(0.95f), {0.0f, 0.0f, 1.0f});
  // Smoothstep a quarter into the zone: 3t² - 2t³ at t = 0.25.
  ExpectWeights(ramp.Lookup(0.095f), {1.0f - 0.15625f, 0.15625f, 0.0f}, "smoothstep");
  ramp.Build(0.1f, 0.8f, 0.1f, 0.02f, 0.02f, pw::kBandLinear);
  ExpectWeights(ramp.Lookup(0.095f), {0.75f, 0.25f, 0.0f}, "linear");
  // Outside 0..1 the ends hold.
  ExpectWeights(ramp.Lookup(3.5f), {0.0f, 0.0f, 1.0f});
  ExpectWeights(ramp.Lookup(-2.0f), {1.0f, 0.0f, 0.0f});
}

TEST(BandRamp, OneBandOverEverythingHasNoZones) {
  BandRamp ramp;
  ramp.Build(0.0f, 1.0f, 0.0f, 0.02f, 0.02f, pw::kBandSmoothstep);
  ExpectInterval(ramp, pw::kSegMain, 0.0f, 1.0f);
  for (int seg : {pw::kSegShadow, pw::kSegHighlight, pw::kSegMainShadow, pw::kSegMainHighlight})
    EXPECT_FALSE(ramp.Segment(seg).enabled) << seg;
  for (float x : {0.0f, 0.3f, 1.0f}) ExpectWeights(ramp.Lookup(x), {0.0f, 1.0f, 0.0f});
  // Every band off: no segment holds any intensity.
  ramp.Build(0.0f, 0.0f, 0.0f, 0.02f, 0.02f, pw::kBandSmoothstep);
  ExpectWeights(ramp.Lookup(0.5f), {0.0f, 0.0f, 0.0f});
}

TEST(BandRamp, AWideZoneSwallowsANarrowBand) {
  BandRamp ramp;
  // Shadow 0.005 is narrower than half of 0.02: its zone starts at 0 and
  // the Shadow band itself is gone.
  ramp.Build(0.005f, 0.9f, 0.095f, 0.02f, 0.0f, pw::kBandLinear);
  EXPECT_FALSE(ramp.Segment(pw::kSegShadow).enabled);
  ExpectInterval(ramp, pw::kSegMainShadow, 0.0f, 0.015f);
  ExpectWeights(ramp.Lookup(0.0f), {1.0f, 0.0f, 0.0f});
  EXPECT_FALSE(ramp.Segment(pw::kSegMainHighlight).enabled) << "width 0 makes no zone";
}

TEST(BandRamp, OverlappingZonesMeetAtTheirMidpoint) {
  BandRamp ramp;
  // A Main band of 0.01 with zones of 0.02 on both sides.
  ramp.Build(0.49f, 0.01f, 0.5f, 0.02f, 0.02f, pw::kBandLinear);
  EXPECT_FALSE(ramp.Segment(pw::kSegMain).enabled);
  const pw::BandSegment& lower = ramp.Segment(pw::kSegMainShadow);
  const pw::BandSegment& upper = ramp.Segment(pw::kSegMainHighlight);
  EXPECT_NEAR(lower.end, 0.495f, kEps);
  EXPECT_EQ(lower.end, upper.start);
  ExpectInterval(ramp, pw::kSegMainShadow, 0.48f, 0.495f);
  ExpectInterval(ramp, pw::kSegMainHighlight, 0.495f, 0.51f);
  ExpectWeights(ramp.Lookup(0.495f), {0.0f, 1.0f, 0.0f}, "the zones meet in pure Main");
}

// Over many band layouts: weights are a partition of one, each band's
// weight moves one way as the light grows, and neighbouring segments agree
// where they meet.
TEST(BandRamp, WeightsAreAMonotonePartitionOfOne) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int n = 0; n < 500; ++n) {
    std::array<float, 3> s = {unit(rng), unit(rng), unit(rng)};
    const std::array<bool, 3> on = {(rng() & 1) != 0, true, (rng() & 2) != 0};
    NormalizeBandSizes(s.data(), on.data(), 3, -1);
    const float wS = unit(rng) * 0.4f, wH = unit(rng) * 0.4f;
    const int mode = n % 2 ? pw::kBandSmoothstep : pw::kBandLinear;
    BandRamp ramp;
    ramp.Build(s[0], s[1], s[2], wS, wH, mode);
    const auto repro = [&] {
      return testing::Message() << "Build(" << s[0] << ", " << s[1] << ", " << s[2] << ", " << wS << ", " << wH
                                << ", " << mode << ")";
    };
    BandWeights prev = ramp.Lookup(0.0f);
    for (int k = 0; k <= 1000; ++k) {
      const float x = static_cast<float>(k) / 1000.0f;
      const BandWeights w = ramp.Lookup(x);
      ASSERT_NEAR(w[0] + w[1] + w[2], 1.0f, 1e-5f) << repro() << " at " << x;
      for (float v : w) ASSERT_TRUE(v >= -1e-6f && v <= 1.0f + 1e-6f) << repro() << " at " << x;
      ASSERT_LE(w[0], prev[0] + 1e-5f) << repro() << " shadow grows at " << x;
      ASSERT_GE(w[2], prev[2] - 1e-5f) << repro() << " highlight shrinks at " << x;
      prev = w;
    }
    for (int a = 0; a < pw::kBandSegmentCount; ++a)
      for (int b = 0; b < pw::kBandSegmentCount; ++b) {
        const pw::BandSegment& sa = ramp.Segment(a);
        const pw::BandSegment& sb = ramp.Segment(b);
        if (a == b || !sa.enabled || !sb.enabled || sa.end != sb.start) continue;
        const BandWeights wa = sa.At(sa.end), wb = sb.At(sb.start);
        for (std::size_t i = 0; i < 3; ++i) ASSERT_NEAR(wa[i], wb[i], 1e-4f) << repro() << " seam " << a << "|" << b;
      }
  }
}

// Sizes whose float sum falls just short of 1 once left full light in no
// band at all, and the point came out black.
TEST(BandRamp, FullLightLandsInTheTopBandDespiteRounding) {
  BandRamp ramp;
  ramp.Build(0.0f, 0.99999994f, 0.0f, 0.005f, 0.35f, pw::kBandSmoothstep);
  ExpectWeights(ramp.Lookup(1.0f), {0.0f, 1.0f, 0.0f});
  ramp.Build(0.3f, 0.69999994f, 0.0f, 0.02f, 0.02f, pw::kBandSmoothstep);
  ExpectWeights(ramp.Lookup(1.0f), {0.0f, 1.0f, 0.0f});
  ramp.Build(0.99999994f, 0.0f, 0.0f, 0.02f, 0.02f, pw::kBandSmoothstep);
  ExpectWeights(ramp.Lookup(1.0f), {1.0f, 0.0f, 0.0f});
}
