#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "render_args.h"

using namespace pw::cli;

namespace {

TEST(ParseFrameRange, AcceptsRangesAndSingleFrames) {
  struct Case {
    const char* text;
    FrameRange want;
  };
  const Case cases[] = {
      {"0-47", {0, 47}}, {"5", {5, 5}},       {"7-7", {7, 7}},      {"-3-4", {-3, 4}},
      {"-5--2", {-5, -2}}, {" 2-3 ", {2, 3}}, {"0-1000000", {0, 1000000}},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<FrameRange> r = ParseFrameRange(c.text, &error);
    ASSERT_TRUE(r.has_value()) << c.text << ": " << error;
    EXPECT_EQ(*r, c.want) << c.text;
  }
}

TEST(ParseFrameRange, RefusesWithOneLineNamingTheOption) {
  struct Case {
    const char* text;
    const char* says;
  };
  const Case cases[] = {
      {"", "not a range"},           {"a-b", "not a range"},      {"5-", "not a range"},
      {"-", "not a range"},          {"1-2-3", "not a range"},    {"1..5", "not a range"},
      {"3-1", "first frame comes after the last"}, {"-2--5", "first frame comes after the last"},
      {"99999999999-1", "not a range"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseFrameRange(c.text, &error).has_value()) << c.text;
    EXPECT_NE(error.find("--frames"), std::string::npos) << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.text << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(ParseRegion, AcceptsFourCornersWithOptionalSpaces) {
  std::string error;
  EXPECT_EQ(ParseRegion("0,0,9,9", &error), (PixelRegion{0, 0, 9, 9}));
  EXPECT_EQ(ParseRegion("1, 2 ,3,4", &error), (PixelRegion{1, 2, 3, 4}));
  EXPECT_EQ(ParseRegion("5,5,5,5", &error), (PixelRegion{5, 5, 5, 5})) << "a region of one pixel";
}

TEST(ParseRegion, RefusesBadRegions) {
  const char* cases[] = {"", "1,2,3", "1,2,3,4,5", "a,b,c,d", "1;2;3;4", "-1,0,5,5", "0,-1,5,5",
                         "5,0,4,9", "0,9,9,8", "1,,2,3"};
  for (const char* text : cases) {
    std::string error;
    EXPECT_FALSE(ParseRegion(text, &error).has_value()) << text;
    EXPECT_EQ(error.rfind("--region", 0), 0u) << error;
  }
}

TEST(ParseBackground, ColoursFromZeroToOne) {
  std::string error;
  const auto white = ParseBackground("1,1,1", &error);
  ASSERT_TRUE(white.has_value()) << error;
  EXPECT_EQ(*white, host::Color(1, 1, 1));
  const auto grey = ParseBackground(" 0.5 , 0.25,0 ", &error);
  ASSERT_TRUE(grey.has_value()) << error;
  EXPECT_EQ(*grey, host::Color(0.5f, 0.25f, 0.0f));
  for (const char* text : {"", "1,1", "1,1,1,1", "white", "1.5,0,0", "-0.1,0,0", "1;1;1"}) {
    EXPECT_FALSE(ParseBackground(text, &error).has_value()) << text;
    EXPECT_EQ(error.rfind("--background", 0), 0u) << error;
  }
}

TEST(ParseSettingAssignment, SplitsAtTheFirstEqualsSign) {
  struct Case {
    const char* text;
    SettingAssignment want;
  };
  const Case cases[] = {
      {"linesOn=false", {"linesOn", "false"}},
      {"vectorFileName=", {"vectorFileName", ""}},
      {"vectorFileName=a=b.ai", {"vectorFileName", "a=b.ai"}},
      {" linesMemoryLimit = 0.3 ", {"linesMemoryLimit", "0.3"}},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(ParseSettingAssignment(c.text, &error), c.want) << c.text << ": " << error;
  }
  for (const char* bad : {"linesOn", "=true", " =1", ""}) {
    std::string error;
    EXPECT_FALSE(ParseSettingAssignment(bad, &error).has_value()) << bad;
    EXPECT_NE(error.find("FIELD=VALUE"), std::string::npos) << error;
  }
}

TEST(OutputFormatOf, OnlyFormatsThatCanBeWritten) {
  std::string error;
  EXPECT_EQ(OutputFormatOf("a.png", "-o", &error), host::ImageFormat::Png);
  EXPECT_EQ(OutputFormatOf("dir.x/A.PNG", "-o", &error), host::ImageFormat::Png);
  EXPECT_EQ(OutputFormatOf("a.tga", "-o", &error), host::ImageFormat::Tga);
  for (const char* bad : {"a.jpg", "a.bmp", "a.exr", "noextension", "dir.png/", "a.png.bak"}) {
    EXPECT_FALSE(OutputFormatOf(bad, "-o", &error).has_value()) << bad;
    EXPECT_NE(error.find(".png or .tga"), std::string::npos) << error;
  }
}

RenderArgs GoodArgs() {
  RenderArgs a;
  a.scene = "scene.json";
  a.output = "out.png";
  return a;
}

TEST(ParseRenderArgs, TypesAGoodCommandLine) {
  RenderArgs a = GoodArgs();
  a.output = "shot.png";
  a.depth = "16";
  a.width = "320";
  a.widthGiven = true;
  a.frames = "3-9";
  a.framesGiven = true;
  a.region = "1,2,30,40";
  a.regionGiven = true;
  a.camera = "Cam";
  a.settings = {"linesOn=false", "renderMode=raster"};
  a.linesOut = "lines.tga";
  a.styling.style = "Ink lines";
  a.styling.styleGiven = true;
  a.styling.artMaterials = "dir.x/Styles.JSON";
  a.styling.artMaterialsGiven = true;
  RenderPlan plan;
  std::string error;
  ASSERT_TRUE(ParseRenderArgs(a, &plan, &error)) << error;
  EXPECT_EQ(plan.format, host::ImageFormat::Png);
  EXPECT_EQ(plan.bitsPerChannel, 16);
  EXPECT_EQ(plan.width, 320);
  EXPECT_FALSE(plan.height.has_value());
  EXPECT_EQ(plan.frameChoice, FrameChoice::Range);
  EXPECT_EQ(plan.frames, (FrameRange{3, 9}));
  EXPECT_EQ(plan.region, (PixelRegion{1, 2, 30, 40}));
  EXPECT_EQ(plan.camera, "Cam");
  ASSERT_EQ(plan.settings.size(), 2u);
  EXPECT_EQ(plan.settings[1], (SettingAssignment{"renderMode", "raster"}));
  EXPECT_EQ(plan.linesOut, "lines.tga");
  EXPECT_EQ(plan.styling.style, "Ink lines");
  EXPECT_TRUE(plan.styling.styleGiven);
  EXPECT_EQ(plan.styling.artMaterials, "dir.x/Styles.JSON");
}

TEST(ParseRenderArgs, FrameChoices) {
  RenderPlan plan;
  std::string error;
  ASSERT_TRUE(ParseRenderArgs(GoodArgs(), &plan, &error));
  EXPECT_EQ(plan.frameChoice, FrameChoice::Scene);
  RenderArgs one = GoodArgs();
  one.frame = "-4";
  one.frameGiven = true;
  ASSERT_TRUE(ParseRenderArgs(one, &plan, &error)) << error;
  EXPECT_EQ(plan.frameChoice, FrameChoice::One);
  EXPECT_EQ(plan.frames, (FrameRange{-4, -4}));
}

TEST(ParseRenderArgs, RefusesBadCombinations) {
  struct Case {
    const char* what;
    void (*change)(RenderArgs&);
    const char* says;
  };
  const Case cases[] = {
      {"depth 12", [](RenderArgs& a) { a.depth = "12"; }, "--depth: '12'"},
      {"depth in words", [](RenderArgs& a) { a.depth = "deep"; }, "--depth: 'deep'"},
      {"16 bits in TGA", [](RenderArgs& a) { a.output = "x.tga"; a.depth = "16"; }, "8 bits a channel"},
      {"negative width", [](RenderArgs& a) { a.width = "-5"; a.widthGiven = true; }, "--width: -5"},
      {"width in words", [](RenderArgs& a) { a.width = "wide"; a.widthGiven = true; }, "not a whole number"},
      {"fractional width", [](RenderArgs& a) { a.width = "12.5"; a.widthGiven = true; }, "not a whole number"},
      {"zero height", [](RenderArgs& a) { a.height = "0"; a.heightGiven = true; }, "--height: 0"},
      {"too tall", [](RenderArgs& a) { a.height = "70000"; a.heightGiven = true; }, "--height"},
      {"too many pixels", [](RenderArgs& a) { a.width = a.height = "60000"; a.widthGiven = a.heightGiven = true; },
       "more than a picture can hold"},
      {"frame in words", [](RenderArgs& a) { a.frame = "first"; a.frameGiven = true; }, "--frame: 'first'"},
      {"frames backwards", [](RenderArgs& a) { a.frames = "5-3"; a.framesGiven = true; }, "after the last"},
      {"frame and frames", [](RenderArgs& a) { a.framesGiven = a.frameGiven = true; a.frames = "1-2"; },
       "cannot be used together"},
      {"unknown extension", [](RenderArgs& a) { a.output = "out.jpg"; }, "'.jpg'"},
      {"no output", [](RenderArgs& a) { a.output.clear(); }, "no output file"},
      {"bad region", [](RenderArgs& a) { a.region = "1,2"; a.regionGiven = true; }, "--region"},
      {"bad setting", [](RenderArgs& a) { a.settings = {"linesOn"}; }, "--set"},
      {"custom output format", [](RenderArgs& a) { a.surfacesOut = "s.jpeg"; }, "--surfaces-out"},
      {"lines over the output", [](RenderArgs& a) { a.linesOut = "./out.png"; }, "name the same file"},
      {"both layers in one file", [](RenderArgs& a) { a.linesOut = "l.png"; a.surfacesOut = "sub/../l.png"; },
       "--lines-out and --surfaces-out"},
      {"empty style", [](RenderArgs& a) { a.styling.styleGiven = true; }, "--style: the style name is empty"},
      {"art materials not JSON", [](RenderArgs& a) { a.styling.artMaterials = "lib.iam"; },
       "--art-materials: 'lib.iam' is not a JSON file (.json)"},
      {"art materials without a file", [](RenderArgs& a) { a.styling.artMaterialsGiven = true; },
       "--art-materials: no file given"},
  };
  for (const Case& c : cases) {
    RenderArgs a = GoodArgs();
    c.change(a);
    RenderPlan plan;
    plan.camera = "untouched";
    std::string error;
    EXPECT_FALSE(ParseRenderArgs(a, &plan, &error)) << c.what;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(plan.camera, "untouched") << c.what << ": a refused plan is left alone";
  }
}

}  // namespace
