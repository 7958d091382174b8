// The Illustrator and DXF writers byte for byte on short hand-made frames,
// and the file handling every writer shares.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "host/imaging/bitmap.h"
#include "host/services/interface.h"
#include "vector/vector_format_ai.h"
#include "vector/vector_format_dxf.h"
#include "vector/vector_params_ai.h"
#include "vector/vector_params_dxf.h"
#include "vector/vector_writer.h"

using namespace pw;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ScratchDir {
 public:
  ScratchDir() {
    path_ = fs::temp_directory_path() / ("pw_vector_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchDir() { fs::remove_all(path_); }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  int FileCount() const {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(path_)) ++n;
    return n;
  }

 private:
  fs::path path_;
};

// Collects the warnings of a block.
class Warnings {
 public:
  Warnings() : saved_(host::TheInterfaceState()) {
    host::SetQuiet(true);
    host::SetNetworkRender(true);
    host::SetLogSink([this](std::string_view text) { texts.emplace_back(text); });
  }
  ~Warnings() { host::TheInterfaceState() = saved_; }
  std::vector<std::string> texts;

 private:
  host::InterfaceState saved_;
};

constexpr PwVectorColor kBlack{0, 0, 0, 0xFFFF};
constexpr PwVectorColor kWhite{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
constexpr PwVectorColor kRed{0xFFFF, 0, 0, 0xFFFF};

// The frame start the vectoriser makes, for a 100 x 50 image.
void StartFrame(PwVectorFormat& w, const std::string& file) {
  w.BeginSequence();
  w.fileName = file;
  w.bounds[0] = 0;
  w.bounds[1] = 0;
  w.bounds[2] = 100;
  w.bounds[3] = 50;
  w.ResetAttributes();
}

void Polygon(PwVectorFormat& w, PwVectorColor fill) {
  const PwVectorPoint pts[3] = {{10, 10, 0}, {20, 10, 0}, {10, 30, 0}};
  w.fillColor = fill;
  w.DrawPolygon(PwVectorPolygon{pts});
  w.lastFillColor = w.fillColor;
}

void Segment(PwVectorFormat& w, float width, std::int32_t pattern, PwVectorColor color) {
  w.lineWidth = width;
  w.dashPattern = pattern;
  w.strokeColor = color;
  w.DrawSegment({0, 5, 0}, {50, 5, 0});
  w.lastLineWidth = w.lineWidth;
  w.lastDashPattern = w.dashPattern;
  w.lastStrokeColor = w.strokeColor;
}

const char kAIHead[] =
    "%!PS-Adobe-3.0\r%%Creator: (Penwright! 5.70  Renderer)\r%%Title: (plate.ai)\r%%ColorUsage: Color"
    "\r%%DocumentProcSets: Adobe_Illustrator_1.1 0 0\r%%BoundingBox: 0 0 100 50"
    "\r%%HiResBoundingBox: 0.000000 0.000000 100.000000 50.000000"
    "\r%AI3_Cropmarks: 0.000000 0.000000 100.000000 50.000000"
    "\r%%DocumentPreview: None\r%%EndComments\r%%EndProlog\r%%BeginSetup\rAdobe_Illustrator_1.1 begin\rn"
    "\r%%EndSetup\r0 i 0 J 0 j 1 w 4 M []0 d";

}  // namespace

TEST(IllustratorWriter, FrameWithOverfilledPolygonAndDashedLinesByteForByte) {
  ScratchDir dir;
  const std::string file = (dir / "plate.ai").string();
  PwVectorFormatAI w;
  w.SetParameters(PwVectorFormatParamsAI{});
  StartFrame(w, file);
  ASSERT_TRUE(w.BeginFrame(true, false, true, true));
  w.BeginObject({});
  w.BeginSurfaces();
  Polygon(w, kWhite);
  w.EndSurfaces();
  w.BeginLines();
  Segment(w, 0.5f, 0x3, kBlack);
  Segment(w, 0.5f, 0x3, kBlack);  // same state: only the path
  Segment(w, 0.5f, -1, kRed);
  Segment(w, 0.5f, 0, kRed);      // draws nothing
  w.EndLines();
  w.EndObject();
  ASSERT_TRUE(w.EndFrame());

  const std::string expected = std::string(kAIHead) +
                               "\r[]0 d\r0.000000 0.000000 0.000000 1.000000 K\r0.000000 w"
                               "\r0.000000 0.000000 0.000000 1.000000 k"
                               "\ru\ru"
                               // white in print colours, outlined in its own colour at half a point
                               "\r0.000000 0.000000 0.000000 0.000000 k\r0.000000 0.000000 0.000000 0.000000 K"
                               "\r0.5 w\r10.000000 40.000000 m\r20.000000 40.000000 L\r10.000000 20.000000 L"
                               "\r10.000000 40.000000 L\rb"
                               "\rU\ru"
                               // pattern 0x3 at width 0.5; pure black is K alone
                               "\r[0.750000 7.750000]0 d\r0.000000 0.000000 0.000000 1.000000 K"
                               "\r0.000000 45.000000 m\r50.000000 45.000000 L\rS"
                               "\r0.000000 45.000000 m\r50.000000 45.000000 L\rS"
                               "\r[]0 d\r0.000000 1.000000 1.000000 0.000000 K"
                               "\r0.000000 45.000000 m\r50.000000 45.000000 L\rS"
                               "\rU\rU\r%%Trailer\r%%EOF";
  EXPECT_EQ(ReadAll(file), expected);
  EXPECT_EQ(dir.FileCount(), 1);  // no temporary file left beside it
}

TEST(IllustratorWriter, BlackAndWhitePathsAndGroupSwitches) {
  ScratchDir dir;
  const std::string file = (dir / "plate.ai").string();
  PwVectorFormatParamsAI o;
  o.colorMode = static_cast<std::int32_t>(PwAIColorMode::BlackAndWhite);
  o.paths = true;
  o.overfill = false;
  o.groupTogether = false;
  o.groupSurface = false;
  PwVectorFormatAI w;
  w.SetParameters(o);
  StartFrame(w, file);
  ASSERT_TRUE(w.BeginFrame(true, false, true, true));
  w.BeginObject({});
  w.BeginSurfaces();
  Polygon(w, kWhite);
  Polygon(w, PwVectorColor{0xFFFF, 0xFFFF, 0xFFFE, 0xFFFF});  // any other colour is black
  w.EndSurfaces();
  w.BeginLines();
  Segment(w, 3.0f, 0x3, kRed);
  w.EndLines();
  w.EndObject();
  ASSERT_TRUE(w.EndFrame());
  std::string head = kAIHead;
  head.replace(head.find("ColorUsage: Color"), 17, "ColorUsage: Black&White");
  const std::string expected = head +
                               "\r[]0 d 0.0 0.0 0.0 1.0 K 1.0 w\r0.000000 0.000000 0.000000 1.000000 k"
                               "\r0.000000 0.000000 0.000000 0.000000 k"
                               "\r10.000000 40.000000 m\r20.000000 40.000000 L\r10.000000 20.000000 L"
                               "\r10.000000 40.000000 L\rf"
                               "\r0.000000 0.000000 0.000000 1.000000 k"
                               "\r10.000000 40.000000 m\r20.000000 40.000000 L\r10.000000 20.000000 L"
                               "\r10.000000 40.000000 L\rf"
                               "\ru\r0.000000 45.000000 m 50.000000 45.000000 L N\rU"
                               "\r%%Trailer\r%%EOF";
  EXPECT_EQ(ReadAll(file), expected);
}

TEST(IllustratorWriter, ColourModesAndDashArrays) {
  const PwCMYK black = ConvertColorAI(PwAIColorMode::Print, kBlack);
  EXPECT_EQ(black.c, 0.0);
  EXPECT_EQ(black.m, 0.0);
  EXPECT_EQ(black.y, 0.0);
  EXPECT_EQ(black.k, 1.0);
  const PwCMYK red = ConvertColorAI(PwAIColorMode::Print, kRed);
  EXPECT_DOUBLE_EQ(red.m, 1.0);
  EXPECT_DOUBLE_EQ(red.y, 1.0);
  EXPECT_DOUBLE_EQ(red.k, 0.0);
  EXPECT_NEAR(ConvertColorAI(PwAIColorMode::Grayscale, kRed).k, 0.7, 1e-12);
  EXPECT_EQ(ConvertColorAI(PwAIColorMode::BlackAndWhite, kWhite).k, 0.0);

  EXPECT_EQ(DashArrayAI(0x3, 0.5f), "\r[0.750000 7.750000]0 d");
  EXPECT_EQ(DashArrayAI(0, 1.0f), "");
  // The walk starts at the lowest set bit, so a mask and its rotation agree.
  EXPECT_EQ(DashArrayAI(0x0C, 2.0f), DashArrayAI(0x3, 2.0f));
  // Run lengths w + s w (n - 1) over runs whose bit counts n add up to 32.
  for (std::int32_t mask : {0x5, 0x0F0F, 0x7FFFFFFE, static_cast<std::int32_t>(0x80000001u)}) {
    for (float w : {0.3f, 0.7f, 1.0f, 3.0f, 12.0f}) {
      const std::string& text = DashArrayAI(mask, w);
      ASSERT_EQ(text.rfind("\r[", 0), 0u);
      double sum = 0;
      int runs = 0;
      std::istringstream in(text.substr(2, text.find(']') - 2));
      double v;
      while (in >> v) sum += v, ++runs, in.ignore(1);
      const double s = w <= 0.5 ? 0.5 : w <= 0.75 ? 0.75 : w <= 0.9 ? 0.8 : w <= 1 ? 0.9 : w <= 4 ? 0.3 : w <= 9 ? 0.2 : 0.1;
      // sum of (w + s w (n - 1)) over runs with n summing to 32
      EXPECT_NEAR(sum, runs * w + s * w * (32 - runs), 1e-4) << mask << " " << w;
    }
  }
}

TEST(DxfWriter, FrameWithLayersLineTypesAndColourNumbersByteForByte) {
  ScratchDir dir;
  const std::string file = (dir / "plate.dxf").string();
  PwVectorFormatDXF w;
  w.SetParameters(PwVectorFormatParamsDXF{});
  StartFrame(w, file);
  w.frameInfo.strokes = {{-1, "Solid"}, {0x3, "Dashed"}, {-1, "Default"}};
  w.frameInfo.objectNames = {"Box (1)", "Box (1)"};
  ASSERT_TRUE(w.BeginFrame(true, false, true, true));
  PwVectorObject object;
  object.nodeName = "Box (1)";
  w.BeginObject(object);
  w.BeginLines();
  Segment(w, 1.0f, 0x3, kRed);
  Segment(w, 1.0f, 0x70, kBlack);  // a mask no stroke has: drawn solid
  w.EndLines();
  w.EndObject();
  ASSERT_TRUE(w.EndFrame());
  const std::string expected =
      "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1006\n9\n$UCSORG\n10\n0.0\n20\n0.0\n30\n0.0"
      "\n9\n$UCSXDIR\n10\n1.0\n20\n0.0\n30\n0.0\n9\n$UCSYDIR\n10\n0.0\n20\n1.0\n30\n0.0\n9\n$TILEMODE\n70\n1"
      "\n9\n$FILLMODE\n70\n1\n9\n$EXTMIN\n10\n0.000000\n20\n0.000000\n30\n0.0"
      "\n9\n$EXTMAX\n10\n100.000000\n20\n50.000000\n30\n0.0\n0\nENDSEC\n0\nSECTION\n2\nTABLES"
      "\n0\nTABLE\n2\nLTYPE\n70\n3\n0\nLTYPE\n2\nCONTINUOUS\n70\n64\n3\nSolid\n72\n65\n73\n0\n40\n0.0"
      "\n0\nLTYPE\n2\nFFFFFFFF\n70\n64\n3\nSolid\n72\n65\n73\n0\n40\n0.0"
      "\n0\nLTYPE\n2\n3\n70\n64\n3\nDashed\n72\n65\n73\n2\n40\n22.400000\n49\n1.400000\n49\n-21.000000"
      "\n0\nENDTAB\n0\nTABLE\n2\nLAYER\n70\n2\n0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS"
      "\n0\nLAYER\n2\nBox__1_\n70\n0\n62\n7\n6\nCONTINUOUS\n0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES"
      "\n0\nPOLYLINE\n66\n1\n70\n0\n8\nBox__1_\n6\n3\n39\n1.000000\n40\n1.000000\n41\n1.000000\n62\n10"
      "\n0\nVERTEX\n8\nBox__1_\n10\n0.000000\n20\n45.000000\n30\n0.000000"
      "\n0\nVERTEX\n8\nBox__1_\n10\n50.000000\n20\n45.000000\n30\n0.000000\n0\nSEQEND"
      "\n0\nPOLYLINE\n66\n1\n70\n0\n8\nBox__1_\n6\nCONTINUOUS\n39\n1.000000\n40\n1.000000\n41\n1.000000\n62\n0"
      "\n0\nVERTEX\n8\nBox__1_\n10\n0.000000\n20\n45.000000\n30\n0.000000"
      "\n0\nVERTEX\n8\nBox__1_\n10\n50.000000\n20\n45.000000\n30\n0.000000\n0\nSEQEND"
      "\n0\nENDSEC\n0\nEOF";
  EXPECT_EQ(ReadAll(file), expected);
}

TEST(DxfWriter, LayersOffPolygonsAndBadLayerNames) {
  ScratchDir dir;
  const std::string file = (dir / "plate.dxf").string();
  PwVectorFormatParamsDXF o;
  o.createLayers = false;
  o.lineStyles = false;
  o.lineWidths = false;
  o.surface = true;
  PwVectorFormatDXF w;
  w.SetParameters(o);
  StartFrame(w, file);
  w.frameInfo.objectNames = {"Box"};
  ASSERT_TRUE(w.BeginFrame(true, false, true, true));
  PwVectorObject object;
  object.nodeName = "Box";
  w.BeginObject(object);
  w.BeginSurfaces();
  Polygon(w, kRed);
  w.EndSurfaces();
  w.EndObject();
  ASSERT_TRUE(w.EndFrame());
  const std::string text = ReadAll(file);
  EXPECT_NE(text.find("\n0\nTABLE\n2\nLTYPE\n70\n1\n0\nLTYPE\n2\nCONTINUOUS\n70\n64\n3\nSolid\n72\n65\n73\n0\n40\n0.0"
                      "\n0\nENDTAB"),
            std::string::npos);
  EXPECT_NE(text.find("\n0\nTABLE\n2\nLAYER\n70\n1\n0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n0\nENDTAB"),
            std::string::npos);
  EXPECT_NE(text.find("\n0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n66\n1\n70\n1\n8\n0\n62\n10"
                      "\n0\nVERTEX\n8\n0\n10\n10.000000\n20\n40.000000\n30\n0.000000"
                      "\n0\nVERTEX\n8\n0\n10\n20.000000\n20\n40.000000\n30\n0.000000"
                      "\n0\nVERTEX\n8\n0\n10\n10.000000\n20\n20.000000\n30\n0.000000\n0\nSEQEND\n0\nENDSEC\n0\nEOF"),
            std::string::npos)
      << text;

  bool kept = true;
  EXPECT_EQ(CleanLayerName("a b\t()<>/\\\":?*|,='`;.z", &kept), "a_b" + std::string(18, '_') + "z");
  EXPECT_TRUE(kept);
  EXPECT_EQ(CleanLayerName("(.)", &kept), "___");
  EXPECT_FALSE(kept);

  // Layers by style: a style whose name has nothing left is reported once.
  Warnings warnings;
  PwVectorFormatParamsDXF byStyle;
  byStyle.layersBy = static_cast<std::int32_t>(PwDXFLayersBy::Style);
  PwVectorFormatDXF s;
  s.SetParameters(byStyle);
  StartFrame(s, (dir / "styles.dxf").string());
  s.frameInfo.styleNames = {"Ink", "..."};
  ASSERT_TRUE(s.BeginFrame(true, false, true, true));
  ASSERT_TRUE(s.EndFrame());
  ASSERT_EQ(warnings.texts.size(), 1u);
  EXPECT_EQ(warnings.texts[0], "Layer name \"...\" contains no valid characters.");
  EXPECT_NE(ReadAll(dir / "styles.dxf").find("\n70\n3\n0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n0\nLAYER\n2\nInk\n"),
            std::string::npos);
}

TEST(DxfWriter, ColourNumbersTakeTheNearestLowestEntry) {
  EXPECT_EQ(NearestAciColor(kRed), 10);  // exact match, not 1 (250, 0, 0)
  EXPECT_EQ(NearestAciColor(PwVectorColor{250 << 8, 0, 0, 0xFFFF}), 1);
  EXPECT_EQ(NearestAciColor(kBlack), 0);
  EXPECT_EQ(NearestAciColor(kWhite), 255);
  const PwRGB8* p = AciPalette();
  // Every entry maps to itself unless an earlier entry has the same colour.
  for (int i = 0; i < 256; ++i) {
    const PwVectorColor c{static_cast<std::uint16_t>(p[i].r << 8), static_cast<std::uint16_t>(p[i].g << 8),
                          static_cast<std::uint16_t>(p[i].b << 8), 0xFFFF};
    const int n = NearestAciColor(c);
    EXPECT_TRUE(n == i || (p[n].r == p[i].r && p[n].g == p[i].g && p[n].b == p[i].b && n < i)) << i;
  }
  // The hue ramp: 20 is orange-red, 11 the pale red.
  EXPECT_EQ(p[11].r, 255);
  EXPECT_EQ(p[11].g, 127);
  EXPECT_EQ(p[20].g, 63);
  EXPECT_EQ(p[250].r, 84);
}

TEST(VectorWriterFiles, OldFileSurvivesAFailedFrameAndBadPathsAreReported) {
  ScratchDir dir;
  const fs::path file = dir / "plate.ai";
  { std::ofstream(file) << "old"; }
  {
    PwVectorFormatAI w;
    w.SetParameters(PwVectorFormatParamsAI{});
    StartFrame(w, file.string());
    ASSERT_TRUE(w.BeginFrame(true, false, true, true));
    Polygon(w, kRed);
    EXPECT_EQ(dir.FileCount(), 2);  // the old file and the one being written
    w.DiscardFile();                // a cancelled render
  }
  EXPECT_EQ(ReadAll(file), "old");
  EXPECT_EQ(dir.FileCount(), 1);
  {
    // A writer destroyed mid-frame drops its file too.
    PwVectorFormatDXF w;
    w.SetParameters(PwVectorFormatParamsDXF{});
    StartFrame(w, (dir / "gone.dxf").string());
    ASSERT_TRUE(w.BeginFrame(true, false, true, true));
  }
  EXPECT_EQ(dir.FileCount(), 1);

  Warnings warnings;
  PwVectorFormatAI w;
  w.SetParameters(PwVectorFormatParamsAI{});
  const std::string bad = (dir / "no-such-folder" / "x.ai").string();
  StartFrame(w, bad);
  EXPECT_FALSE(w.BeginFrame(true, false, true, true));
  EXPECT_FALSE(w.outputOn);
  Polygon(w, kRed);  // output off: nothing happens
  EXPECT_TRUE(w.EndFrame());
  ASSERT_EQ(warnings.texts.size(), 1u);
  EXPECT_EQ(warnings.texts[0],
            "Unable to create vector output file \"" + bad + "\".\nCheck that the filename and path are valid.");
  EXPECT_FALSE(fs::exists(bad));
}

TEST(VectorWriterFiles, PreviewReceivesTheDrawingWithOutputOff) {
  host::Bitmap preview;
  ASSERT_TRUE(preview.Create(100, 50));
  PwVectorFormatAI w;
  w.SetParameters(PwVectorFormatParamsAI{});
  StartFrame(w, "");
  w.preview = &preview;
  ASSERT_TRUE(w.BeginFrame(false, true, true, true));
  EXPECT_EQ(preview.GetPixel(90, 45), (host::BMM_Color_64{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
  Polygon(w, kRed);
  Segment(w, 3.0f, -1, kBlack);
  EXPECT_EQ(preview.GetPixel(13, 13).r, 0xFFFF);  // inside the triangle
  EXPECT_EQ(preview.GetPixel(13, 13).g, 0);
  EXPECT_EQ(preview.GetPixel(25, 5).r, 0);  // on the line
  EXPECT_EQ(preview.GetPixel(60, 5).r, 0xFFFF);  // past its end
  EXPECT_TRUE(w.EndFrame());
}
