#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vector/vector_format.h"
#include "vector/vector_params_ai.h"
#include "vector/vector_params_dxf.h"
#include "vector/vector_params_swf.h"

using namespace pw;

TEST(VectorFormatRegistry, FormatsByIndexNameAndExtension) {
  struct Row {
    int index;
    const char* name;
    const char* extensions;
    PwVectorFormatId id;
  };
  const Row rows[] = {
      {0, "Adobe Illustrator AI", "*.ai,*.ai3", PwVectorFormatId::Illustrator},
      {1, "Autocad DXF", "*.dxf", PwVectorFormatId::Dxf},
      {2, "Shockwave Flash SWF", "*.swf", PwVectorFormatId::Swf},
  };
  for (const Row& r : rows) {
    const PwVectorFormatDesc* desc = GetVectorFormatDesc(r.index);
    ASSERT_NE(desc, nullptr) << r.index;
    EXPECT_EQ(desc->Name(), r.name);
    EXPECT_EQ(desc->Extensions(), r.extensions);
    EXPECT_EQ(desc->Id(), r.id);
    EXPECT_EQ(FindVectorFormat(r.name), r.index);
    auto params = desc->CreateParams();
    ASSERT_NE(params, nullptr);
    EXPECT_EQ(params->Format(), r.id);
  }
  EXPECT_EQ(GetVectorFormatDesc(-1), nullptr);
  EXPECT_EQ(GetVectorFormatDesc(3), nullptr);
  EXPECT_EQ(CreateVectorFormatParams(3), nullptr);
  // Names match exactly; anything else is no format.
  EXPECT_EQ(FindVectorFormat("autocad dxf"), -1);
  EXPECT_EQ(FindVectorFormat(""), -1);
}

TEST(VectorFormatRegistry, FindsFormatsByFileExtension) {
  const std::pair<const char*, int> cases[] = {
      {"ai", 0}, {"AI3", 0}, {".ai", 0}, {"dxf", 1}, {".DXF", 1}, {"swf", 2},
      {"eps", -1}, {"", -1}, {".", -1}, {"a", -1}, {"*.ai", -1},
  };
  for (const auto& [ext, index] : cases) EXPECT_EQ(FindVectorFormatByExtension(ext), index) << ext;
}

namespace {

std::vector<std::string> Names(const PwVectorFormatParams& p) {
  std::vector<std::string> names;
  for (const PwVectorOptionField& f : p.Fields()) names.push_back(f.name);
  return names;
}

std::vector<std::int32_t> Values(const PwVectorFormatParams& p) {
  std::vector<std::int32_t> v;
  for (int i = 0; i < static_cast<int>(p.Fields().size()); ++i) v.push_back(p.Get(i));
  return v;
}

}  // namespace

// Field order is chunk order in saved scenes, so it is pinned with the defaults.
TEST(VectorFormatParams, FieldsInChunkOrderWithTheirDefaults) {
  const PwVectorFormatParamsAI ai;
  EXPECT_EQ(Names(ai), (std::vector<std::string>{"version", "colorMode", "lines", "paths", "lineStyles", "lineWidths",
                                                 "surface", "shading", "overfill", "groupLines", "groupSurface",
                                                 "groupTogether"}));
  EXPECT_EQ(Values(ai), (std::vector<std::int32_t>{300, 0, 1, 0, 1, 1, 1, 0, 1, 1, 1, 1}));

  const PwVectorFormatParamsDXF dxf;
  EXPECT_EQ(Names(dxf), (std::vector<std::string>{"version", "createLayers", "layersBy", "lines", "surface",
                                                  "aciColors", "lineStyles", "lineWidths", "previewLikeAutoCad"}));
  EXPECT_EQ(Values(dxf), (std::vector<std::int32_t>{1000, 1, 0, 1, 0, 1, 1, 1, 1}));

  const PwVectorFormatParamsSWF swf;
  EXPECT_EQ(Names(swf), (std::vector<std::string>{"version", "lines", "surface", "openInPlayer"}));
  EXPECT_EQ(Values(swf), (std::vector<std::int32_t>{100, 1, 1, 0}));
}

TEST(VectorFormatParams, GetAndSetReachTheTypedMembers) {
  PwVectorFormatParamsAI ai;
  ASSERT_TRUE(ai.Set(ai.FindField("colorMode"), 2));
  ASSERT_TRUE(ai.Set(ai.FindField("paths"), 1));
  ASSERT_TRUE(ai.Set(ai.FindField("groupTogether"), 0));
  EXPECT_EQ(ai.ColorMode(), PwAIColorMode::Grayscale);
  EXPECT_TRUE(ai.paths);
  EXPECT_FALSE(ai.groupTogether);
  EXPECT_TRUE(ai.groupSurface);  // the neighbour is untouched

  ai.shading = 1;
  EXPECT_TRUE(ai.FacettedShading());
  EXPECT_EQ(ai.Get(ai.FindField("shading")), 1);
}

TEST(VectorFormatParams, SetRefusesUnknownFieldsAndValuesOutOfRange) {
  PwVectorFormatParamsDXF dxf;
  const PwVectorFormatParamsDXF before;
  EXPECT_FALSE(dxf.Set(dxf.FindField("layersBy"), 2));
  EXPECT_FALSE(dxf.Set(dxf.FindField("lines"), -1));
  EXPECT_FALSE(dxf.Set(-1, 0));
  EXPECT_FALSE(dxf.Set(9, 0));
  EXPECT_EQ(dxf.FindField("colorMode"), -1);
  EXPECT_TRUE(dxf == before);
}

TEST(VectorFormatParams, CloneIsAnIndependentCopyOfTheSameFormat) {
  PwVectorFormatParamsDXF dxf;
  dxf.surface = true;
  auto copy = dxf.Clone();
  ASSERT_EQ(copy->Format(), PwVectorFormatId::Dxf);
  EXPECT_TRUE(*copy == dxf);
  ASSERT_TRUE(copy->Set(copy->FindField("surface"), 0));
  EXPECT_TRUE(dxf.surface);
  EXPECT_FALSE(*copy == dxf);
}

TEST(VectorFormatParams, RecordsOfDifferentFormatsAreNeverEqual) {
  // Same first values would not make an SWF record stand in for an AI one.
  PwVectorFormatParamsSWF swf;
  PwVectorFormatParamsAI ai;
  EXPECT_FALSE(swf == ai);
}
