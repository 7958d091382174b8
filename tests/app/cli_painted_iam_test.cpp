// Painted line thickness in pictures, and art-material files through the
// command line: the built program run, its pictures and files read back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "host/imaging/bitmap.h"
#include "host/imaging/image_io.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

class CliPaintedTest : public ::testing::Test {
 public:
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  void Write(const std::string& name, const std::string& text) const { std::ofstream(Path(name)) << text; }

  // Runs penwright with stdin empty; answers the exit code, output in *out.
  int Run(const std::string& args, std::string* out = nullptr) const {
    const std::string log = Path("out.txt");
    const std::string cmd = std::string(PW_PENWRIGHT_EXE) + " " + args + " </dev/null >" + log + " 2>&1";
    const int status = std::system(cmd.c_str());
    if (out) {
      std::ifstream in(log);
      std::ostringstream s;
      s << in.rdbuf();
      *out = s.str();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  pw::test::ScratchDir scratch_{"pw_cli_painted_"};
  const fs::path dir_ = scratch_.path();
};

// A ribbon (one long polygon, so only its outline is drawn) from x = -4 to
// 4, with the given thickness per column of vertices (bottom row, then the
// top row the other way), seen from above in a 640 x 320 picture.
std::string RibbonScene(const std::vector<double>& values) {
  const int n = static_cast<int>(values.size());
  std::ostringstream v, face, paint;
  std::vector<double> all;
  for (int i = 0; i < n; ++i) {
    v << (i ? ", " : "") << "[" << (-4.0 + 8.0 * i / (n - 1)) << ", -0.3, 0]";
    all.push_back(values[i]);
  }
  for (int i = n - 1; i >= 0; --i) {
    v << ", [" << (-4.0 + 8.0 * i / (n - 1)) << ", 0.3, 0]";
    all.push_back(values[i]);
  }
  for (int i = 0; i < 2 * n; ++i) face << (i ? ", " : "") << i;
  for (std::size_t i = 0; i < all.size(); ++i) paint << (i ? ", " : "") << all[i];
  return R"({"version": 1, "background": [1, 1, 1], "image": {"width": 640, "height": 320}, "camera": "Camera",
  "render": {"surfacesOn": false, "linesOn": true},
  "meshes": [{"name": "Ribbon", "vertices": [)" + v.str() + R"(], "faces": [[)" + face.str() + R"(]]}],
  "nodes": [
    {"name": "Camera", "camera": {"type": "perspective", "fov": 40}, "position": [0, 0, 12], "lookAt": [0, 0, 0]},
    {"name": "Ribbon", "mesh": "Ribbon", "style": "Ink", "modifiers": [{"type": "paintOn", "values": [)" +
         paint.str() + R"(]}]}],
  "artMaterials": {
    "brushes": [{"name": "Nib", "size": 12, "scaleRelative": false}],
    "paints": [{"name": "Black", "color": [0, 0, 0]}],
    "styles": [{"name": "Ink", "surfaceOn": false,
      "lines": {"MAX Defined": {"on": true, "visible": {"on": true, "brush": "Nib", "paint": "Black"}},
                "Fold": {"on": false}, "Crease": {"on": false}, "Surface Intersection": {"on": false}}}]}})";
}

// Dark pixels in column x of the picture.
int DarkInColumn(const host::Bitmap& image, int x) {
  int dark = 0;
  for (int y = 0; y < image.Height(); ++y)
    if (image.GetPixel(x, y).r < 32768) ++dark;
  return dark;
}

host::Bitmap Render(const CliPaintedTest& t, const std::string& scene, const std::string& png) {
  host::Bitmap image;
  std::string out, error;
  EXPECT_EQ(t.Run("render " + scene + " -o " + png, &out), 0) << out;
  EXPECT_TRUE(host::ReadImage(png, image, &error)) << error;
  return image;
}

TEST_F(CliPaintedTest, PaintedValuesTaperALineToNothing) {
  std::vector<double> ramp;
  for (int i = 0; i < 17; ++i) ramp.push_back(i / 16.0);
  Write("taper.json", RibbonScene(ramp));
  const host::Bitmap image = Render(*this, Path("taper.json"), Path("taper.png"));
  ASSERT_EQ(image.Width(), 640);
  // The ribbon's two long edges are drawn as lines whose width follows the
  // painted value, from 0 at its left end to 1 at its right.
  int left = -1, right = -1;
  for (int x = 0; x < image.Width(); ++x)
    if (DarkInColumn(image, x) > 0) {
      if (left < 0) left = x;
      right = x;
    }
  ASSERT_GT(right - left, 300) << "the ribbon is drawn across the picture";
  // Next to the value 0 only antialiasing is left of the two lines: a pixel
  // or two each.
  EXPECT_LE(DarkInColumn(image, left + 1), 4);
  std::vector<int> widths;
  for (int i = 1; i <= 5; ++i) widths.push_back(DarkInColumn(image, left + (right - left - 20) * i / 5));
  for (std::size_t i = 1; i < widths.size(); ++i) EXPECT_GE(widths[i], widths[i - 1]) << "sample " << i;
  EXPECT_GE(widths.back(), 2 * 10) << "near the value 1, two lines of about the brush's 12 pixels";
  EXPECT_LE(widths.front(), widths.back() / 2 + 2);
}

TEST_F(CliPaintedTest, ValuesOutsideZeroToOneDrawAtFullThickness) {
  Write("full.json", RibbonScene(std::vector<double>(9, 1.0)));
  Write("wild.json", RibbonScene({5, -2, 1.5, -0.01, 1, 7, -3, 1.0001, 100}));
  const host::Bitmap full = Render(*this, Path("full.json"), Path("full.png"));
  const host::Bitmap wild = Render(*this, Path("wild.json"), Path("wild.png"));
  ASSERT_EQ(full.Width(), wild.Width());
  for (int x = 0; x < full.Width(); x += 7) EXPECT_EQ(DarkInColumn(full, x), DarkInColumn(wild, x)) << x;
}

// The same ribbon from an OBJ file whose vertex colours hold the values in
// their red channel, read as thickness because the scene asks for it: the
// same picture as the painted modifier's.
TEST_F(CliPaintedTest, ObjVertexColoursGiveThicknessWhenTheSceneAsks) {
  const std::vector<double> values = {0, 0.25, 0.5, 0.75, 1, 0.5, 0};
  const int n = static_cast<int>(values.size());
  std::ostringstream obj;
  for (int i = 0; i < n; ++i) obj << "v " << (-4.0 + 8.0 * i / (n - 1)) << " -0.3 0 " << values[i] << " 0.5 0.5\n";
  for (int i = n - 1; i >= 0; --i) obj << "v " << (-4.0 + 8.0 * i / (n - 1)) << " 0.3 0 " << values[i] << " 0 0\n";
  obj << "f";
  for (int i = 1; i <= 2 * n; ++i) obj << " " << i;
  Write("ribbon.obj", obj.str() + "\n");

  const std::string painted = RibbonScene(values);
  std::string fromFile = painted;
  const std::size_t meshAt = fromFile.find("\"meshes\": [");
  const std::size_t meshEnd = fromFile.find('\n', meshAt);
  fromFile.replace(meshAt, meshEnd - meshAt,
                   R"("meshes": [{"name": "Ribbon", "file": "ribbon.obj", "upAxis": "z", "thicknessFromColours": true}],)");
  const std::size_t modsAt = fromFile.find(", \"modifiers\"");
  fromFile.replace(modsAt, fromFile.find("]}]}", modsAt) + 3 - modsAt, "");
  Write("painted.json", painted);
  Write("colours.json", fromFile);
  const host::Bitmap a = Render(*this, Path("painted.json"), Path("painted.png"));
  const host::Bitmap b = Render(*this, Path("colours.json"), Path("colours.png"));
  ASSERT_EQ(a.Width(), b.Width());
  int differing = 0;
  for (int x = 0; x < a.Width(); ++x) differing += std::abs(DarkInColumn(a, x) - DarkInColumn(b, x)) > 1;
  EXPECT_EQ(differing, 0);

  // Without the request the colours are only colours: full thickness.
  std::string plain = fromFile;
  const std::string ask = ", \"thicknessFromColours\": true";
  plain.replace(plain.find(ask), ask.size(), "");
  Write("plain.json", plain);
  Write("full.json", RibbonScene(std::vector<double>(values.size(), 1.0)));
  const host::Bitmap c = Render(*this, Path("plain.json"), Path("plain.png"));
  const host::Bitmap full = Render(*this, Path("full.json"), Path("full.png"));
  for (int x = 0; x < c.Width(); x += 5) EXPECT_NEAR(DarkInColumn(c, x), DarkInColumn(full, x), 1) << x;
}

TEST_F(CliPaintedTest, PaintedValuesMustMatchTheMesh) {
  Write("short.json", RibbonScene({0, 1}));
  std::string text;
  {
    std::ifstream in(Path("short.json"));
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
  }
  text.replace(text.find("\"values\": [0, 1, 1, 0]"), 22, "\"values\": [0, 1, 1]");
  Write("short.json", text);
  std::string out;
  EXPECT_EQ(Run("info " + Path("short.json"), &out), 2);
  EXPECT_NE(out.find("modifiers[0].values: 3 values for a mesh of 4 vertices"), std::string::npos) << out;
}

constexpr const char* kLooks = R"({"artMaterials": {
  "brushes": [{"name": "Fat", "size": 6}],
  "styles": [{"name": "Bold", "from": "Outlines", "lines": {"Fold": {"visible": {"brush": "Fat"}}}}]}})";
constexpr const char* kTheirs = R"({"artMaterials": {"brushes": [{"name": "Fat", "size": 2}]}})";

TEST_F(CliPaintedTest, ExportAndImportThroughTheCommandLine) {
  Write("looks.json", kLooks);
  Write("theirs.json", kTheirs);
  std::string out;
  ASSERT_EQ(Run("library export " + Path("looks.json") + " -o " + Path("looks.iam"), &out), 0) << out;
  // The file itself reads as a library: listed, shown and written again.
  ASSERT_EQ(Run("library list " + Path("looks.iam"), &out), 0) << out;
  EXPECT_NE(out.find("Bold"), std::string::npos) << out;
  ASSERT_EQ(Run("library show Fat --class brush " + Path("looks.iam"), &out), 0) << out;
  EXPECT_NE(out.find("size: 6 pixels"), std::string::npos) << out;
  ASSERT_EQ(Run("library export " + Path("looks.iam") + " -o " + Path("again.iam"), &out), 0) << out;
  ASSERT_EQ(Run("library show Bold " + Path("again.iam"), &out), 0) << out;
  EXPECT_NE(out.find("brush \"Fat\""), std::string::npos) << out;

  // Nobody asked: the clashing brush stays out.
  ASSERT_EQ(Run("library import " + Path("looks.iam") + " --into " + Path("theirs.json") + " -o " + Path("a.pws") +
                    " --select brush:Fat",
                &out),
            0)
      << out;
  EXPECT_NE(out.find("[Brush] Fat: skipped"), std::string::npos) << out;

  // Copy: "+" numbering.
  ASSERT_EQ(Run("library import " + Path("looks.iam") + " --into " + Path("theirs.json") + " -o " + Path("b.pws") +
                    " --select brush:Fat --on-clash copy",
                &out),
            0)
      << out;
  EXPECT_NE(out.find("[Brush] Fat01: copied from 'Fat'"), std::string::npos) << out;
  ASSERT_EQ(Run("library show Fat01 " + Path("b.pws"), &out), 0) << out;
  EXPECT_NE(out.find("size: 6 pixels"), std::string::npos) << out;

  // The material's own name is refused, and nothing is written.
  EXPECT_EQ(Run("library import " + Path("looks.iam") + " --into " + Path("theirs.json") + " -o " + Path("c.pws") +
                    " --select brush:Fat --copy-name Fat",
                &out),
            1);
  EXPECT_NE(out.find("Enter a new name for the art material"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(Path("c.pws")));

  // A description imports the file at load, by its own clash policy.
  Write("scene.json", R"({"artMaterials": {"import": [{"file": "looks.iam", "select": ["style:Bold"],
      "onClash": "replace"}], "brushes": [{"name": "Thin", "from": "Fat", "size": 1}]}})");
  ASSERT_EQ(Run("library show Bold " + Path("scene.json"), &out), 0) << out;
  EXPECT_NE(out.find("brush \"Fat\""), std::string::npos) << out;
  ASSERT_EQ(Run("library show Thin " + Path("scene.json"), &out), 0) << out;

  // A damaged file is input that cannot be read: one line, exit 2.
  std::string bytes;
  {
    std::ifstream in(Path("looks.iam"), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    bytes = s.str();
  }
  bytes[bytes.size() / 2] ^= 0x40;
  std::ofstream(Path("bad.iam"), std::ios::binary) << bytes;
  EXPECT_EQ(Run("library import " + Path("bad.iam") + " --into " + Path("theirs.json") + " -o " + Path("d.pws"), &out),
            2);
  EXPECT_NE(out.find("Unable to import art materials. The file is damaged"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(Path("d.pws")));
}

// A look moved between machines: the canvas's paper travels inside the
// .iam, so a scene in another folder, without the image, that imports the
// file draws the very same picture.
TEST_F(CliPaintedTest, MovedArtMaterialFileWithItsPaperRendersTheSamePicture) {
  const fs::path examples = fs::path(PW_SOURCE_DIR) / "examples";
  fs::create_directories(dir_ / "a");
  fs::create_directories(dir_ / "b");
  for (const char* dir : {"a", "b"}) fs::copy_file(examples / "bevelcube.glb", dir_ / dir / "bevelcube.glb");
  fs::copy_file(examples / "paper.png", dir_ / "a" / "paper.png");
  const std::string shot = R"({"version": 1, "image": {"width": 200, "height": 150},
      "background": [0.97, 0.95, 0.9], "include": {"file": "bevelcube.glb", "style": "Cel"},)";
  Write("a/scene.json", shot + R"("artMaterials": {"canvas": {"texture": "paper.png", "lightAngle": 225}}})");
  std::string out;
  ASSERT_EQ(Run("render " + Path("a/scene.json") + " --frame 0 -q -o " + Path("a/shot.png"), &out), 0) << out;
  ASSERT_EQ(Run("library export " + Path("a/scene.json") + " -o " + Path("a/looks.iam"), &out), 0) << out;
  fs::rename(Path("a/looks.iam"), Path("b/looks.iam"));
  fs::remove(Path("a/paper.png"));
  Write("b/scene.json", shot + R"("artMaterials": {"import": [{"file": "looks.iam", "select": ["canvas:Default"],
      "onClash": "replace"}]}})");
  ASSERT_EQ(Run("render " + Path("b/scene.json") + " --frame 0 -q -o " + Path("b/shot.png"), &out), 0) << out;

  host::Bitmap before, after;
  std::string error;
  ASSERT_TRUE(host::ReadImage(Path("a/shot.png"), before, &error)) << error;
  ASSERT_TRUE(host::ReadImage(Path("b/shot.png"), after, &error)) << error;
  ASSERT_EQ(after.Width(), before.Width());
  ASSERT_EQ(after.Height(), before.Height());
  int embossed = 0;
  for (int y = 0; y < before.Height(); ++y)
    for (int x = 0; x < before.Width(); ++x) {
      ASSERT_EQ(after.GetPixel(x, y), before.GetPixel(x, y)) << x << "," << y;
      embossed += before.GetPixel(x, y) != before.GetPixel(0, 0);
    }
  // The paper is there to compare: the background is not one flat colour.
  EXPECT_GT(embossed, before.Width() * before.Height() / 2);
}

}  // namespace
