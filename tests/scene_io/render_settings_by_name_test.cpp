#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "host/refs/class_desc.h"
#include "host/refs/reference.h"
#include "scene_io/render_settings_by_name.h"
#include "render/renderer_paramblock.h"

using namespace pw;

namespace {

class ByNameTest : public ::testing::Test {
 protected:
  ByNameTest() : holder_(CreateRendererParamBlock()) {}
  host::IParamBlock2* pb() { return static_cast<host::IParamBlock2*>(holder_.get()); }

  // Sets and reads back; "" on success, else the error.
  std::string Set(std::string_view name, std::string_view value) {
    std::string error;
    return SetRenderSetting(settings_, pb(), name, value, &error) ? "" : error;
  }
  std::string Get(std::string_view name) {
    std::string error;
    return GetRenderSetting(settings_, pb(), name, &error).value_or("<" + error + ">");
  }

  PwRendererSettings settings_;
  host::RefHolder holder_;
};

// A renderer class the registry offers, to be chosen as the surface renderer.
constexpr host::Class_ID kOtherRendererID{0x7E570002, 0x1};
class OtherRenderer : public host::ReferenceTarget {
 public:
  host::Class_ID ClassID() const override { return kOtherRendererID; }
  host::SClass_ID SuperClassID() const override { return host::RENDERER_CLASS_ID; }
  std::string GetClassName() const override { return "OtherRenderer"; }
};
class OtherRendererDesc : public host::ClassDesc {
 public:
  host::ReferenceTarget* Create(bool) override { return new OtherRenderer(); }
  std::string ClassName() const override { return "OtherRenderer"; }
  host::SClass_ID SuperClassID() const override { return host::RENDERER_CLASS_ID; }
  host::Class_ID ClassID() const override { return kOtherRendererID; }
};

}  // namespace

TEST_F(ByNameTest, SetsAndReadsBackEverySetting) {
  struct Row {
    const char* name;
    const char* value;
    const char* readBack;
  };
  const Row rows[] = {
      {"renderMode", "vector", "vector"},
      {"renderMode", "0", "raster"},
      {"renderMode", "VECTOR", "vector"},
      {"hiddenLinesWithinItself", "off", "false"},
      {"hiddenLinesWithOthers", "no", "false"},
      {"intersectionsWithinItself", "0", "false"},
      {"intersectionsWithOthers", "False", "false"},
      {"surfacesOn", "false", "false"},
      {"linesOn", "false", "false"},
      {"sphericalLens", "yes", "true"},
      {"customFovOn", "1", "true"},
      {"mapsOn", "off", "false"},
      {"filterMaps", "off", "false"},
      {"renderAsBoundingBoxes", "on", "true"},
      {"customFovDegrees", "45.5", "45.5"},
      {"customFovDegrees", " 180 ", "180"},
      {"saveVectorFile", "true", "true"},
      {"vectorFileName", "out/plate.ai", "out/plate.ai"},
      {"zDepthPosition", "center", "centre"},
      {"zDepthPosition", "2", "back"},
      {"vectorFormatIndex", "dxf", "1"},
      {"vectorFormatIndex", "Adobe Illustrator AI", "0"},
      {"vectorFormatIndex", "shockwave flash swf", "2"},
      {"vectorFormatIndex", "1", "1"},
      {"vectorFormatOptions.layersBy", "1", "1"},
      {"vectorFormatOptions.surface", "on", "true"},
      {"surfaceCustomOutputOn", "true", "true"},
      {"surfaceCustomOutput", "shots/surf.png", "shots/surf.png"},
      {"linesCustomOutputOn", "on", "true"},
      {"linesCustomOutput", "shots/lines.tga", "shots/lines.tga"},
      {"linesAntialiasingQuality", "extreme", "extreme"},
      {"linesAntialiasingQuality", "0", "none"},
      {"linesMemoryLimit", "0.25", "0.25"},
      {"linesMemoryLimit", "0.1", "0.1"},  // the ends of the range belong to it
      {"linesMemoryLimit", "1", "1"},
      {"alternateSurfaceRenderer", "none", "none"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Set(r.name, r.value), "") << r.name << "=" << r.value;
    EXPECT_EQ(Get(r.name), r.readBack) << r.name << "=" << r.value;
  }
  // They reached the records the renderer reads.
  EXPECT_EQ(settings_.vector.vectorFormatOptions->Format(), PwVectorFormatId::Dxf);
  EXPECT_EQ(pb()->GetBitmap(kLinesCustomOutput).fileName, "shots/lines.tga");
  EXPECT_EQ(AntialiasSamples(pb()->GetInt(kLinesAntialiasingQuality)), 1);
  EXPECT_TRUE(settings_.params.renderAsBoundingBoxes);
}

TEST_F(ByNameTest, BadValuesChangeNothingAndSayWhatIsAccepted) {
  struct Row {
    const char* name;
    const char* value;
    const char* mentions;
  };
  const Row rows[] = {
      {"renderMode", "2", "raster, vector"},
      {"renderMode", "lines", "raster, vector"},
      {"linesOn", "maybe", "true/false"},
      {"linesOn", "", "true/false"},
      {"customFovDegrees", "0.05", "0.1"},
      {"customFovDegrees", "181", "180"},
      {"customFovDegrees", "nan", "degrees"},
      {"customFovDegrees", "12deg", "degrees"},
      {"zDepthPosition", "middle", "front, centre, back"},
      {"vectorFormatIndex", "3", "Autocad DXF"},
      {"vectorFormatIndex", "eps", "dxf"},
      {"linesAntialiasingQuality", "7", "none, low, medium, high, extreme"},
      {"linesAntialiasingQuality", "ultra", "extreme"},
      {"linesMemoryLimit", "half", "0.1 to 1"},
      {"linesMemoryLimit", "inf", "0.1 to 1"},
      // Typed values are refused outside the range, not held to it as the
      // block holds what files give it.
      {"linesMemoryLimit", "0.05", "out of range (0.1 to 1, a fraction of physical memory)"},
      {"linesMemoryLimit", "1.5", "out of range (0.1 to 1"},
      {"linesMemoryLimit", "0", "out of range (0.1 to 1"},
      {"linesMemoryLimit", "-1", "out of range (0.1 to 1"},
      {"linesMemoryLimit", "1000", "out of range (0.1 to 1"},
      {"customFovDegrees", "-90", "out of range (0.1 to 180 degrees)"},
      {"vectorFormatOptions.colorMode", "3", "0 to 2"},
      {"vectorFormatOptions.lines", "2", "true/false"},
      {"vectorFormatOptions.version", "400", "colorMode"},  // files set the version, users do not
      {"vectorFormatOptions.layersBy", "1", "Adobe Illustrator AI"},  // a DXF option
      {"alternateRendererClass", "0x1,0x2", "alternateSurfaceRenderer"},
      {"alternateSurfaceRenderer", "NoSuchRenderer", "none"},
  };
  const std::string before = DescribeRenderSettings(settings_, pb());
  for (const Row& r : rows) {
    const std::string error = Set(r.name, r.value);
    EXPECT_NE(error.find(r.mentions), std::string::npos) << r.name << "=" << r.value << ": " << error;
    // Callers put the name (or the place that holds it) before the reason.
    EXPECT_NE(error.rfind(r.name, 0), 0u) << error;
  }
  EXPECT_EQ(DescribeRenderSettings(settings_, pb()), before);
}

TEST_F(ByNameTest, UnknownNamesListTheKnownOnes) {
  for (const char* name : {"lineson", "linesMemory", "vectorFormatOptions", ""}) {
    std::string error;
    EXPECT_FALSE(SetRenderSetting(settings_, pb(), name, "1", &error)) << name;
    EXPECT_NE(error.find("renderMode"), std::string::npos) << error;
    EXPECT_NE(error.find("linesMemoryLimit"), std::string::npos) << error;
    EXPECT_NE(error.find("vectorFormatOptions.colorMode"), std::string::npos) << error;
  }
  // The nearest names come first; names that follow others are not offered.
  std::string near;
  EXPECT_FALSE(SetRenderSetting(settings_, pb(), "linesMemoryLimt", "1", &near));
  EXPECT_EQ(near.rfind("unknown render setting (did you mean 'linesMemoryLimit'?); the settings are renderMode, ", 0), 0u)
      << near;
  EXPECT_EQ(near.find("alternateRendererClass"), std::string::npos) << near;
  EXPECT_EQ(near.find("vectorFormatOptions.version"), std::string::npos) << near;
  // An unknown option lists the options of the current format.
  EXPECT_NE(Set("vectorFormatOptions.nothing", "1").find("groupTogether"), std::string::npos);
  std::string error;
  EXPECT_FALSE(GetRenderSetting(settings_, pb(), "nope", &error).has_value());
  EXPECT_NE(error.find("customFovDegrees"), std::string::npos) << error;
}

TEST_F(ByNameTest, BlockSettingsNeedABlock) {
  std::string error;
  EXPECT_FALSE(SetRenderSetting(settings_, nullptr, "linesMemoryLimit", "0.3", &error));
  EXPECT_NE(error.find("parameter block"), std::string::npos);
  EXPECT_TRUE(SetRenderSetting(settings_, nullptr, "linesOn", "off", &error));
  const std::string listed = DescribeRenderSettings(settings_, nullptr);
  EXPECT_EQ(listed.find("linesMemoryLimit"), std::string::npos);
  EXPECT_NE(listed.find("linesOn = false\n"), std::string::npos);
}

// What the settings print can be fed back to reproduce them: the listing is
// a complete, re-readable description.
TEST_F(ByNameTest, DescriptionReadsBackIntoTheSameSettings) {
  for (const auto& [name, value] : std::initializer_list<std::pair<const char*, const char*>>{
           {"vectorFormatIndex", "dxf"}, {"vectorFormatOptions.aciColors", "off"}, {"renderMode", "vector"},
           {"customFovDegrees", "12.25"}, {"vectorFileName", "a b.dxf"}, {"linesMemoryLimit", "0.7"},
           {"linesCustomOutput", "l.png"}, {"zDepthPosition", "back"}, {"filterMaps", "off"}}) {
    ASSERT_EQ(Set(name, value), "") << name;
  }
  const std::string listed = DescribeRenderSettings(settings_, pb());
  PwRendererSettings other;
  host::RefHolder otherBlock(CreateRendererParamBlock());
  auto* ob = static_cast<host::IParamBlock2*>(otherBlock.get());
  std::istringstream lines(listed);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    const std::size_t eq = line.find(" = ");
    ASSERT_NE(eq, std::string::npos) << line;
    const std::string name = line.substr(0, eq);
    if (name == "alternateRendererClass" || name == "vectorFormatOptions.version") continue;  // follow others
    std::string error;
    EXPECT_TRUE(SetRenderSetting(other, ob, name, line.substr(eq + 3), &error)) << line << ": " << error;
    ++count;
  }
  EXPECT_EQ(DescribeRenderSettings(other, ob), listed);
  EXPECT_EQ(count + 2, static_cast<int>(RenderSettingNames(settings_).size()));
}

TEST_F(ByNameTest, EveryNameIsListedOnce) {
  const std::vector<std::string> names = RenderSettingNames(settings_);
  for (const char* expected :
       {"renderMode", "hiddenLinesWithinItself", "hiddenLinesWithOthers", "intersectionsWithinItself",
        "intersectionsWithOthers", "surfacesOn", "linesOn", "sphericalLens", "customFovOn", "mapsOn", "filterMaps",
        "renderAsBoundingBoxes", "customFovDegrees", "alternateRendererClass", "saveVectorFile", "vectorFormatIndex",
        "vectorFileName", "zDepthPosition", "alternateSurfaceRenderer", "surfaceCustomOutputOn", "surfaceCustomOutput",
        "linesCustomOutputOn", "linesCustomOutput", "linesAntialiasingQuality", "linesMemoryLimit",
        "vectorFormatOptions.groupTogether"}) {
    EXPECT_EQ(std::count(names.begin(), names.end(), expected), 1) << expected;
  }
}

TEST_F(ByNameTest, SurfaceRendererIsCreatedFromTheRegistryAndCleared) {
  OtherRendererDesc desc;
  host::ClassRegistry::Global().Register(&desc);
  EXPECT_EQ(Set("alternateSurfaceRenderer", "otherrenderer"), "");
  host::ReferenceTarget* chosen = pb()->GetReferenceTarget(kAlternateSurfaceRenderer);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->ClassID(), kOtherRendererID);
  EXPECT_EQ(settings_.params.alternateRendererClass, kOtherRendererID);
  EXPECT_EQ(Get("alternateSurfaceRenderer"), "OtherRenderer");
  EXPECT_EQ(Get("alternateRendererClass"), "0x7E570002,0x00000001");

  EXPECT_EQ(Set("alternateSurfaceRenderer", "none"), "");
  EXPECT_EQ(pb()->GetReferenceTarget(kAlternateSurfaceRenderer), nullptr);
  EXPECT_FALSE(settings_.params.UsesAlternateRenderer());
  host::ClassRegistry::Global().Unregister(&desc);
}

TEST_F(ByNameTest, ResetParamsBringsBackSettingsAndBlockDefaults) {
  ASSERT_EQ(Set("linesOn", "off"), "");
  ASSERT_EQ(Set("vectorFormatIndex", "swf"), "");
  ASSERT_EQ(Set("linesMemoryLimit", "0.9"), "");
  ASSERT_EQ(Set("surfaceCustomOutput", "x.png"), "");
  ResetParams(settings_, pb());
  EXPECT_TRUE(settings_.params.linesOn);
  EXPECT_EQ(settings_.vector.vectorFormatOptions->Format(), PwVectorFormatId::Illustrator);
  EXPECT_EQ(pb()->GetFloat(kLinesMemoryLimit), 0.5f);
  EXPECT_EQ(pb()->GetBitmap(kSurfaceCustomOutput).fileName, "");
}
