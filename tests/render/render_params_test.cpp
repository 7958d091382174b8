#include <gtest/gtest.h>

#include "render/render_params.h"
#include "render/renderer_settings.h"

using namespace pw;

TEST(RenderParams, HostPartStartsZeroExceptRadiosity) {
  const PwPenwrightRenderParams p;
  const host::RendParams& h = p.HostPart();
  EXPECT_EQ(h.rendType, host::RENDTYPE_NORMAL);
  EXPECT_FALSE(h.fieldRender);
  EXPECT_EQ(h.fieldOrder, 0);
  EXPECT_EQ(h.firstFrame, 0);
  EXPECT_FALSE(h.renderHidden);
  EXPECT_FALSE(h.force2Side);
  EXPECT_FALSE(h.dontAntialiasBG);
  EXPECT_EQ(h.envMap, nullptr);
  EXPECT_EQ(h.width, 0);
  EXPECT_EQ(h.height, 0);
  EXPECT_TRUE(h.computeRadiosity);
  EXPECT_TRUE(h.useRadiosity);
}

TEST(RenderParams, OwnSwitchesStartAtTheirDefaults) {
  const PwPenwrightRenderParams p;
  EXPECT_EQ(p.RenderMode(), PwRenderMode::Raster);
  EXPECT_TRUE(p.hiddenLinesWithinItself && p.hiddenLinesWithOthers);
  EXPECT_TRUE(p.intersectionsWithinItself && p.intersectionsWithOthers);
  EXPECT_TRUE(p.surfacesOn && p.linesOn && p.mapsOn && p.filterMaps);
  EXPECT_FALSE(p.sphericalLens || p.customFovOn || p.renderAsBoundingBoxes);
  EXPECT_EQ(p.customFovDegrees, 90.0f);
  EXPECT_EQ(p.alternateRendererClass, PENWRIGHT_RENDERER_CLASS_ID);
  EXPECT_FALSE(p.UsesAlternateRenderer());
}

TEST(RenderParams, ResettingSwitchesLeavesTheHostPart) {
  PwPenwrightRenderParams p;
  p.width = 640;
  p.computeRadiosity = false;
  p.linesOn = false;
  p.customFovDegrees = 12.0f;
  p.alternateRendererClass = host::Class_ID(1, 2);
  EXPECT_TRUE(p.UsesAlternateRenderer());
  p.ResetSwitches();
  EXPECT_EQ(p.Switches(), PwRenderSwitches());
  EXPECT_EQ(p.width, 640);
  EXPECT_FALSE(p.computeRadiosity);
}

TEST(VectorOutputSettings, DefaultsAndFormatChoice) {
  PwVectorOutputSettings v;
  EXPECT_FALSE(v.saveVectorFile);
  EXPECT_EQ(v.vectorFormatIndex, 0);
  EXPECT_EQ(v.vectorFileName, "");
  EXPECT_EQ(v.zDepthPosition, static_cast<int>(PwZDepthPosition::Front));
  ASSERT_NE(v.vectorFormatOptions, nullptr);
  EXPECT_EQ(v.vectorFormatOptions->Format(), PwVectorFormatId::Illustrator);

  // Choosing the same format keeps the user's options; another one starts fresh.
  ASSERT_TRUE(v.vectorFormatOptions->Set(v.vectorFormatOptions->FindField("paths"), 1));
  ASSERT_TRUE(v.SelectFormat(0));
  EXPECT_EQ(v.vectorFormatOptions->Get(v.vectorFormatOptions->FindField("paths")), 1);
  ASSERT_TRUE(v.SelectFormat(1));
  EXPECT_EQ(v.vectorFormatIndex, 1);
  EXPECT_EQ(v.vectorFormatOptions->Format(), PwVectorFormatId::Dxf);
  EXPECT_FALSE(v.SelectFormat(3));
  EXPECT_FALSE(v.SelectFormat(-1));
  EXPECT_EQ(v.vectorFormatIndex, 1);
  EXPECT_EQ(v.vectorFormatOptions->Format(), PwVectorFormatId::Dxf);
}

// A duplicated renderer must not share its options with the original.
TEST(VectorOutputSettings, CopiesCloneTheOptions) {
  PwRendererSettings original;
  original.vector.SelectFormat(1);
  original.vector.vectorFileName = "plate.dxf";
  PwRendererSettings copy = original;
  ASSERT_NE(copy.vector.vectorFormatOptions.get(), original.vector.vectorFormatOptions.get());
  EXPECT_TRUE(copy.vector == original.vector);

  auto& options = *copy.vector.vectorFormatOptions;
  ASSERT_TRUE(options.Set(options.FindField("lines"), 0));
  copy.vector.vectorFileName = "other.dxf";
  copy.params.linesOn = false;
  EXPECT_FALSE(copy.vector == original.vector);
  EXPECT_EQ(original.vector.vectorFileName, "plate.dxf");
  EXPECT_EQ(original.vector.vectorFormatOptions->Get(options.FindField("lines")), 1);
  EXPECT_TRUE(original.params.linesOn);

  // Assignment clones too.
  PwRendererSettings assigned;
  assigned = copy;
  ASSERT_NE(assigned.vector.vectorFormatOptions.get(), copy.vector.vectorFormatOptions.get());
  EXPECT_TRUE(assigned.vector == copy.vector);
}
