#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host/refs/reference.h"
#include "render/line_budget.h"
#include "plugin/class_ids.h"
#include "render/renderer_paramblock.h"

using namespace pw;

namespace {

class RendererBlockTest : public ::testing::Test {
 protected:
  RendererBlockTest() : holder_(CreateRendererParamBlock()) {}
  host::IParamBlock2& pb() { return *static_cast<host::IParamBlock2*>(holder_.get()); }
  host::RefHolder holder_;
};

constexpr std::int64_t kGiB = std::int64_t{1} << 30;

}  // namespace

TEST_F(RendererBlockTest, DescriptorDeclaresTheSevenParameters) {
  const host::ParamBlockDesc2& desc = RendererParamBlockDesc();
  EXPECT_TRUE(desc.Problems().empty());
  EXPECT_EQ(desc.InternalName(), "PenwrightRendererParameters");
  EXPECT_EQ(desc.ID(), 0);
  EXPECT_TRUE(desc.AutoConstruct());
  EXPECT_EQ(desc.RefNumber(), 0);
  // Loading finds the block through its owner's ids.
  EXPECT_EQ(host::ParamBlockDesc2::Find(host::RENDERER_CLASS_ID, PENWRIGHT_RENDERER_CLASS_ID, 0), &desc);

  struct Row {
    host::ParamID id;
    const char* name;
    host::ParamType type;
  };
  const Row rows[] = {
      {0, "alternateSurfaceRenderer", host::TYPE_REFTARG}, {1, "surfaceCustomOutputOn", host::TYPE_BOOL},
      {2, "surfaceCustomOutput", host::TYPE_BITMAP},       {3, "linesCustomOutputOn", host::TYPE_BOOL},
      {4, "linesCustomOutput", host::TYPE_BITMAP},         {5, "linesAntialiasingQuality", host::TYPE_INT},
      {6, "linesMemoryLimit", host::TYPE_FLOAT},
  };
  ASSERT_EQ(desc.Count(), 7);
  for (const Row& r : rows) {
    const host::ParamDef* def = desc.FindParam(r.id);
    ASSERT_NE(def, nullptr) << r.id;
    EXPECT_EQ(def->name, r.name);
    EXPECT_TRUE(def->type == r.type) << r.name;
  }
}

TEST_F(RendererBlockTest, FreshBlockHoldsTheDefaults) {
  EXPECT_EQ(pb().GetReferenceTarget(kAlternateSurfaceRenderer), nullptr);
  EXPECT_EQ(pb().GetInt(kSurfaceCustomOutputOn), 0);
  EXPECT_EQ(pb().GetBitmap(kSurfaceCustomOutput).fileName, "");
  EXPECT_EQ(pb().GetInt(kLinesCustomOutputOn), 0);
  EXPECT_EQ(pb().GetBitmap(kLinesCustomOutput).fileName, "");
  EXPECT_EQ(pb().GetInt(kLinesAntialiasingQuality), 3);
  EXPECT_EQ(pb().GetFloat(kLinesMemoryLimit), 0.5f);
  EXPECT_EQ(AntialiasSamples(pb().GetInt(kLinesAntialiasingQuality)), 8);
}

TEST(AntialiasQuality, QualityToSamples) {
  const std::pair<int, int> cases[] = {{0, 1}, {1, 2}, {2, 4}, {3, 8}, {4, 16},
                                       {5, -1}, {7, -1}, {-1, -1}, {INT32_MIN, -1}};
  for (const auto& [quality, samples] : cases) EXPECT_EQ(AntialiasSamples(quality), samples) << quality;
  EXPECT_EQ(static_cast<std::uint32_t>(kInvalidAntialiasSamples), 0xFFFFFFFFu);
  EXPECT_STREQ(AntialiasQualityName(4), "Extreme");
  EXPECT_EQ(AntialiasQualityName(5), nullptr);
}

TEST_F(RendererBlockTest, MemoryLimitIsClampedOnWriteAndOnRead) {
  const std::pair<float, float> writes[] = {{0.05f, 0.1f}, {1.5f, 1.0f}, {0.3f, 0.3f}, {0.1f, 0.1f},
                                            {1.0f, 1.0f},  {-2.0f, 0.1f}, {NAN, 0.5f}};
  for (const auto& [written, read] : writes) {
    ASSERT_TRUE(SetLinesMemoryLimit(pb(), written));
    EXPECT_EQ(pb().GetFloat(kLinesMemoryLimit), read) << written;  // stored clamped
    EXPECT_EQ(GetLinesMemoryLimit(pb()), read) << written;
  }
  // A value that bypassed the clamp (written raw, or read from a file) still
  // reads back within the range.
  ASSERT_TRUE(pb().SetValue(kLinesMemoryLimit, 0, 0.05f));
  EXPECT_EQ(GetLinesMemoryLimit(pb()), 0.1f);
  ASSERT_TRUE(pb().SetValue(kLinesMemoryLimit, 0, 7.0f));
  EXPECT_EQ(GetLinesMemoryLimit(pb()), 1.0f);
}

// The budget is single precision truncated to 32 bits: pinned values that
// double precision would get wrong, and the saturation at 2^31.
TEST(LineBudget, SinglePrecisionTruncatedAndSaturatedAt2To31) {
  struct Row {
    std::int64_t physical;
    float fraction;
    std::int64_t budget;
  };
  const Row rows[] = {
      {kGiB, 0.5f, 536870912},
      {kGiB, 0.1f, 107374184},          // double precision would give 107374182
      {kGiB, 0.3f, 322122560},          // ... and 322122547
      {4 * kGiB - 256, 0.5f, 2147483520},  // just under 2^31
      {4 * kGiB, 0.5f, std::int64_t{1} << 31},  // exactly 2^31
      {64 * kGiB, 1.0f, std::int64_t{1} << 31},
      {3 * kGiB, 0.7f, std::int64_t{1} << 31},
      {kGiB, 0.05f, 107374184},         // the fraction is clamped first
      {kGiB, 4.0f, kGiB},
      {0, 0.5f, kAssumedPhysicalMemory / 2},  // unknown memory
      {-1, 1.0f, kAssumedPhysicalMemory},
  };
  for (const Row& r : rows)
    EXPECT_EQ(LinesByteBudget(r.physical, r.fraction), r.budget) << r.physical << " x " << r.fraction;
}

TEST_F(RendererBlockTest, BudgetOfThisMachineFollowsTheBlock) {
  const std::int64_t physical = PhysicalMemoryBytes();
  ASSERT_GT(physical, 0);
  ASSERT_TRUE(SetLinesMemoryLimit(pb(), 0.2f));
  EXPECT_EQ(LinesByteBudget(pb()), LinesByteBudget(physical, 0.2f));
  EXPECT_GT(LinesByteBudget(pb()), 0);
  EXPECT_LE(LinesByteBudget(pb()), std::int64_t{1} << 31);
}

TEST(LineBudget, MemoryChoicesAndTheirLabels) {
  EXPECT_EQ(MemoryLimitChoice(0), 0.1f);
  EXPECT_EQ(MemoryLimitChoice(4), 0.5f);
  EXPECT_EQ(MemoryLimitChoice(9), 1.0f);
  EXPECT_EQ(MemoryLimitChoice(12), 1.0f);
  EXPECT_EQ(MemoryLimitChoice(-3), 0.1f);
  for (int i = 0; i < kMemoryLimitChoiceCount; ++i) EXPECT_EQ(MemoryLimitChoiceIndex(MemoryLimitChoice(i)), i);
  EXPECT_EQ(MemoryLimitChoiceIndex(0.33f), 2);
  EXPECT_EQ(MemoryLimitChoiceIndex(0.01f), 0);

  EXPECT_EQ(MemoryLimitLabel(536870912), "= 512.0M");
  EXPECT_EQ(MemoryLimitLabel(std::int64_t{1} << 31), "= 2048.0M");
  EXPECT_EQ(MemoryLimitLabel(3 << 19), "= 1.5M");
  EXPECT_EQ(MemoryLimitLabel(LinesByteBudget(kGiB, MemoryLimitChoice(0))), "= 102.4M");
}
