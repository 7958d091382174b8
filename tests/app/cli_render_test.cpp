// `penwright render` end to end: the built program run on the example scene
// and a model, its files read back, its exit status and messages checked.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "host/imaging/bitmap.h"
#include "host/imaging/image_io.h"
#include "support/spawn_program.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;
using pw::test::SpawnWithOutputFiles;

namespace {

const std::string kExample = PW_SOURCE_DIR "/examples/scene.json";
const std::string kModel = PW_TESTDATA_DIR "/bevelcube.obj";

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct RunResult {
  int exitCode = -1;  // -1: ended by a signal
  std::string out;
  std::string err;
};

class CliRenderTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Starts penwright with stdout and stderr going to files in the test's folder.
  pid_t Start(const std::vector<std::string>& args) {
    const pid_t pid = SpawnWithOutputFiles(PW_PENWRIGHT_EXE, args, Path(".out"), Path(".err"));
    EXPECT_NE(pid, -1) << "cannot start " << PW_PENWRIGHT_EXE;
    return pid;
  }

  RunResult Finish(pid_t pid) {
    RunResult r;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.out = ReadText(dir_ / ".out");
    r.err = ReadText(dir_ / ".err");
    return r;
  }

  RunResult Run(const std::vector<std::string>& args) { return Finish(Start(args)); }

  // The files the run left, apart from its captured output.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename().string()[0] != '.') names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  host::Bitmap Read(const std::string& name, host::BitmapInfo* info = nullptr) {
    host::Bitmap image;
    std::string error;
    EXPECT_TRUE(host::ReadImage(Path(name), image, &error, info)) << error;
    return image;
  }

  pw::test::ScratchDir scratch_{"pw_cli_render_"};
  const fs::path dir_ = scratch_.path();
};

TEST_F(CliRenderTest, RendersTheExampleToAPictureThatDecodes) {
  const RunResult r = Run({"render", kExample, "--frame", "0", "--width", "80", "-o", Path("frame.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, Path("frame.png") + "\n") << "the written file, for scripts";
  EXPECT_EQ(Files(), std::vector<std::string>{"frame.png"}) << "no scratch files left behind";
  host::BitmapInfo info;
  const host::Bitmap image = Read("frame.png", &info);
  EXPECT_EQ(image.Width(), 80);
  EXPECT_EQ(image.Height(), 60) << "the scene's 800 x 600 shape kept";
  EXPECT_EQ(info.bitsPerChannel, 8);
  // Without a terminal, progress comes as plain stage lines.
  EXPECT_NE(r.err.find("Preparing Scene\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos) << "no bar drawn into a file";
}

// A model's lines on white: ink where the style draws, white around. (Line
// widths follow the picture's size, so a small picture has faint lines.)
TEST_F(CliRenderTest, AModelsLinesOnTheBackgroundAsked) {
  const RunResult r = Run({"render", kModel, "--style", "Hidden-line", "--background", "1,1,1", "--width", "320",
                           "--height", "240", "-o", Path("lines.png"), "--lines-out", Path("layer.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const host::Bitmap image = Read("lines.png");
  const host::Bitmap layer = Read("layer.png");
  int ink = 0, paper = 0, drawn = 0;
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const host::BMM_Color_64 p = image.GetPixel(x, y);
      ink += p.r < 60000 && p.g < 60000 && p.b < 60000;
      paper += p.r == 65535 && p.g == 65535 && p.b == 65535;
      drawn += layer.GetPixel(x, y).a > 0;
    }
  }
  EXPECT_GT(ink, 100) << "lines are drawn";
  EXPECT_GT(paper, image.Width() * image.Height() / 2) << "on the background asked for";
  EXPECT_GE(drawn, ink) << "the line layer holds every line pixel";
}

TEST_F(CliRenderTest, SixteenBitsHoldTheEightBitPicture) {
  ASSERT_EQ(Run({"render", kModel, "--width", "48", "--height", "32", "-o", Path("a8.png")}).exitCode, 0);
  const RunResult r = Run({"render", kModel, "--width", "48", "--height", "32", "--depth", "16", "-o", Path("a16.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_EQ(Run({"render", kModel, "--width", "48", "--height", "32", "-o", Path("a.tga")}).exitCode, 0);
  host::BitmapInfo info8, info16, infoTga;
  const host::Bitmap p8 = Read("a8.png", &info8), p16 = Read("a16.png", &info16), tga = Read("a.tga", &infoTga);
  EXPECT_EQ(info16.bitsPerChannel, 16);
  EXPECT_EQ(infoTga.format, host::ImageFormat::Tga);
  ASSERT_EQ(p16.Width(), 48);
  ASSERT_EQ(p16.Height(), 32);
  ASSERT_EQ(p8.Pixels().size(), p16.Pixels().size());
  ASSERT_EQ(tga.Pixels().size(), p16.Pixels().size());
  for (std::size_t i = 0; i < p16.Pixels().size(); ++i) {
    const host::BMM_Color_64 deep = p16.Pixels()[i];
    const host::BMM_Color_64 rounded{host::Channel8To16(host::Channel16To8(deep.r)),
                                     host::Channel8To16(host::Channel16To8(deep.g)),
                                     host::Channel8To16(host::Channel16To8(deep.b)),
                                     host::Channel8To16(host::Channel16To8(deep.a))};
    ASSERT_EQ(p8.Pixels()[i], rounded) << "pixel " << i;
    ASSERT_EQ(tga.Pixels()[i], rounded) << "pixel " << i;
  }
}

TEST_F(CliRenderTest, FramesGoToNumberedFiles) {
  const RunResult r = Run({"render", kExample, "--frames", "2-4", "--width", "40", "-o", Path("shot.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Files(), (std::vector<std::string>{"shot0002.png", "shot0003.png", "shot0004.png"}));
  EXPECT_EQ(r.out, Path("shot0002.png") + "\n" + Path("shot0003.png") + "\n" + Path("shot0004.png") + "\n");
  EXPECT_NE(r.err.find("[3/3] Preparing View\n"), std::string::npos) << r.err;
  for (const char* name : {"shot0002.png", "shot0004.png"}) EXPECT_EQ(Read(name).Width(), 40);

  // A range of one frame is still a sequence; a single --frame is not.
  ASSERT_EQ(Run({"render", kExample, "--frames", "7", "--width", "40", "-o", Path("one.png")}).exitCode, 0);
  ASSERT_EQ(Run({"render", kExample, "--frame", "7", "--width", "40", "-o", Path("single.png")}).exitCode, 0);
  EXPECT_TRUE(fs::exists(Path("one0007.png")));
  EXPECT_TRUE(fs::exists(Path("single.png")));
}

TEST_F(CliRenderTest, CustomOutputsAndRegion) {
  const RunResult r = Run({"render", kExample, "--frame", "0", "--width", "40", "--region", "10,5,29,14",
                           "--lines-out", Path("lines.png"), "--surfaces-out", Path("surfaces.tga"), "-o",
                           Path("out.png"), "--quiet", "--transparent"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "") << "--quiet prints nothing on success";
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Files(), (std::vector<std::string>{"lines.png", "out.png", "surfaces.tga"}));
  const host::Bitmap out = Read("out.png");
  EXPECT_EQ(Read("lines.png").Width(), 40);
  EXPECT_EQ(Read("surfaces.tga").Height(), 30);
  // Only the region is drawn: outside it the picture holds at most the
  // background, which is transparent.
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x)
      if (x < 10 || x > 29 || y < 5 || y > 14) {
        ASSERT_EQ(out.GetPixel(x, y).a, 0) << x << "," << y;
      }
  // Without --transparent the picture is opaque: the background shows its colour.
  ASSERT_EQ(Run({"render", kExample, "--frame", "0", "--width", "40", "-o", Path("opaque.png"), "--quiet"}).exitCode,
            0);
  const host::Bitmap opaque = Read("opaque.png");
  for (int y = 0; y < opaque.Height(); ++y)
    for (int x = 0; x < opaque.Width(); ++x) ASSERT_EQ(opaque.GetPixel(x, y).a, 65535) << x << "," << y;
}

TEST_F(CliRenderTest, BadArgumentsExitTwoWithOneLineAndWriteNothing) {
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const std::string out = Path("out.png");
  const Case cases[] = {
      {{"--set", "linesOm=true"}, "--set linesOm: unknown render setting (did you mean 'linesOn'?)"},
      {{"--set", "linesMemoryLimit=1000"}, "--set linesMemoryLimit: '1000' is out of range (0.1 to 1, "},
      {{"--set", "linesOn=maybe"}, "'maybe' is not a switch"},
      {{"-o", Path("missing/x.png")}, "does not exist"},
      {{"--frames", "3-1"}, "first frame comes after the last"},
      {{"--width", "-5"}, "--width: -5"},
      {{"--region", "0,0,80,10"}, "reaches outside"},
      {{"--region", "1,2"}, "is not a region"},
      {{"-o", Path("out.jpg")}, "use .png or .tga"},
      {{"--camera", "Nope"}, "no node is named 'Nope' (cameras: 'Camera')"},
      {{"--depth", "16", "-o", Path("out.tga")}, "8 bits a channel"},
      {{"--lines-out", out}, "name the same file"},
      {{"--set", "surfaceCustomOutputOn=true", "--set", "surfaceCustomOutput=" + Path("s.gif")}, "surfaceCustomOutput"},
      {{"--style", "Hiden-line"}, "--style: no style is named 'Hiden-line'; the styles are 'Default', 'Outlines', "},
      {{"--art-materials", Path("none.json")}, "--art-materials: cannot read '" + Path("none.json") + "'"},
      {{"--art-materials", Path("lib.iam")}, "--art-materials: '" + Path("lib.iam") + "' is not a JSON file"},
  };
  std::ofstream(out) << "old";
  for (const Case& c : cases) {
    std::vector<std::string> args{"render", kExample};
    args.insert(args.end(), c.args.begin(), c.args.end());
    // The options a case leaves out get harmless values.
    auto has = [&](const char* option) { return std::find(c.args.begin(), c.args.end(), option) != c.args.end(); };
    if (!has("-o")) args.insert(args.end(), {"-o", out});
    if (!has("--width")) args.insert(args.end(), {"--width", "80"});
    if (!has("--frames")) args.insert(args.end(), {"--frame", "0"});
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << c.says << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("penwright: error: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line:\n" << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Files(), std::vector<std::string>{"out.png"}) << c.says;
    EXPECT_EQ(ReadText(out), "old") << c.says;
  }
}

// A model drawn in a style of the user's own: the style every mesh shows in
// `info`, the picture rendered, the style found by `library show`.
TEST_F(CliRenderTest, StyleAndArtMaterialsFromTheCommandLine) {
  const std::string styles = Path("styles.json");
  std::ofstream(styles) << R"({"artMaterials": {
      "paints": [{"name": "Ink", "color": [0, 0, 0]}],
      "styles": [{"name": "Folds only", "surfaceOn": false,
                  "lines": {"Crease": {"on": false}, "Surface Intersection": {"on": false},
                            "Fold": {"visible": {"paint": "Ink"}}}}]}})";
  const RunResult info = Run({"info", kModel, "--art-materials", styles, "--style", "Folds only"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  for (const char* node : {"BevelCube", "Ground", "Cylinder"}) {
    const std::size_t at = info.out.find("\n  " + std::string(node) + ": mesh, ");
    ASSERT_NE(at, std::string::npos) << node << "\n" << info.out;
    const std::string line = info.out.substr(at + 1, info.out.find('\n', at + 1) - at - 1);
    EXPECT_NE(line.find(", style 'Folds only'"), std::string::npos) << line;
  }

  const RunResult r = Run({"render", kModel, "--art-materials", styles, "--style", "Folds only", "--width", "40",
                           "-o", Path("folds.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("folds.png").Width(), 40);

  const RunResult show = Run({"library", "show", "Folds only", "--art-materials", styles});
  ASSERT_EQ(show.exitCode, 0) << show.err;
  EXPECT_EQ(show.out.rfind("Style \"Folds only\"\n  slot 66, user\n", 0), 0u) << show.out;
  EXPECT_NE(show.out.find("draws a surface: no\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("paint \"Ink\" #65"), std::string::npos) << show.out;
  const RunResult list = Run({"library", "list", kExample, "--art-materials", styles});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  EXPECT_NE(list.out.find("Style    user          -  Folds only\n67 art materials\n"), std::string::npos) << list.out;

  // `info` refuses what `render` refuses.
  const RunResult bad = Run({"info", kModel, "--style", "Folds"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.err.rfind("penwright: error: --style: no style is named 'Folds'; the styles are ", 0), 0u) << bad.err;
}

TEST_F(CliRenderTest, BadSceneExitsTwo) {
  std::ofstream(Path("broken.json")) << "{\"version\": 1, \"nodes\": [";
  for (const std::string& scene : {Path("missing.json"), Path("broken.json"), Path("scene.txt")}) {
    const RunResult r = Run({"render", scene, "-o", Path("out.png")});
    EXPECT_EQ(r.exitCode, 2) << scene;
    EXPECT_NE(r.err.find(scene), std::string::npos) << "the message names the file: " << r.err;
    EXPECT_FALSE(fs::exists(Path("out.png")));
  }
}

TEST_F(CliRenderTest, CtrlCCancelsWithoutReplacingFiles) {
  // Far more frames than can be rendered before the signal arrives.
  std::ofstream(Path("shot0499.png")) << "old";
  const pid_t pid = Start({"render", kExample, "--frames", "0-499", "--width", "200", "-o", Path("shot.png")});
  ASSERT_GT(pid, 0);
  // Interrupt once the render is under way (its first stage line is out).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (ReadText(dir_ / ".err").find("Preparing") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  kill(pid, SIGINT);
  const RunResult r = Finish(pid);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  ASSERT_GE(r.err.size(), 10u);
  EXPECT_EQ(r.err.substr(r.err.size() - 10), "Cancelled\n") << r.err;
  EXPECT_EQ(ReadText(dir_ / "shot0499.png"), "old");
  // Every file written before the interruption is a whole picture.
  for (const std::string& name : Files())
    if (name != "shot0499.png") {
      EXPECT_EQ(Read(name).Width(), 200) << name;
    }
}

// Waits until the run's stderr shows `text` (a stage line: stderr is no
// terminal here) or the process ended; true when it showed.
bool WaitForStage(const fs::path& err, const std::string& text, pid_t pid) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ReadText(err).find(text) != std::string::npos) return true;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// The picture is written for seconds at this size (16-bit rows are
// encoded one by one): a Ctrl-C then must still win over the old file.
TEST_F(CliRenderTest, CtrlCWhileThePictureIsWrittenKeepsTheOldFile) {
  std::ofstream(Path("big.png")) << "old";
  const pid_t pid =
      Start({"render", kModel, "--width", "4000", "--height", "3000", "--depth", "16", "-o", Path("big.png")});
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitForStage(dir_ / ".err", "Writing " + Path("big.png"), pid)) << ReadText(dir_ / ".err");
  kill(pid, SIGINT);
  const RunResult r = Finish(pid);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  ASSERT_GE(r.err.size(), 10u);
  EXPECT_EQ(r.err.substr(r.err.size() - 10), "Cancelled\n") << r.err;
  EXPECT_EQ(r.out, "") << "nothing was written";
  EXPECT_EQ(ReadText(Path("big.png")), "old");
  EXPECT_EQ(Files(), std::vector<std::string>{"big.png"}) << "no scratch file left";
}

// Without --frame or --frames one frame is rendered: the first of the
// scene's, or its current frame; the scene's render section may ask for
// its whole range or a range of its own instead.
TEST_F(CliRenderTest, OneFrameUnlessTheSceneAsksForMore) {
  const RunResult one = Run({"render", kExample, "--width", "40", "-o", Path("frame.png")});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(Files(), std::vector<std::string>{"frame.png"});
  EXPECT_EQ(one.out, Path("frame.png") + "\n");
  ASSERT_EQ(Run({"render", kExample, "--width", "40", "--frame", "0", "-o", Path("zero.png")}).exitCode, 0);
  EXPECT_EQ(ReadText(Path("frame.png")), ReadText(Path("zero.png"))) << "the first frame";
  fs::remove(Path("frame.png"));
  fs::remove(Path("zero.png"));

  // The same scene with a current frame or a time output choice. Its files
  // are named relative to its folder: the copies name them absolutely.
  std::string text = ReadText(kExample);
  const std::string examples = fs::path(kExample).parent_path().string() + "/";
  for (const std::string file : {"\"checker.png\"", "\"bevelcube.obj\""})
    text.replace(text.find(file), file.size(), "\"" + examples + file.substr(1));
  auto variant = [&](const std::string& name, const std::string& top, const std::string& render) {
    std::string s = text;
    const std::string section = "\"render\": {";
    s.insert(s.find(section) + section.size(), render);
    s.insert(s.find('{') + 1, top);
    std::ofstream(Path(name)) << s;
    return Path(name);
  };
  const std::string current = variant("current.json", R"("currentFrame": 30,)", "");
  const std::string active = variant("active.json", "", R"("timeOutput": "active",)");
  const std::string range = variant("range.json", "", R"("timeOutput": "range", "timeRange": [8, 9],)");
  struct Case {
    std::string scene;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {current, {"shot.png"}},
      {active, {}},  // the scene's 48 frames: filled in below
      {range, {"shot0008.png", "shot0009.png"}},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  for (int f = 0; f <= 47; ++f) {
    char name[16];
    std::snprintf(name, sizeof name, "shot%04d.png", f);
    all[1].files.push_back(name);
  }
  for (const Case& c : all) {
    const RunResult r = Run({"render", c.scene, "--width", "8", "-o", Path("shot.png")});
    EXPECT_EQ(r.exitCode, 0) << c.scene << "\n" << r.err;
    std::vector<std::string> files = Files();
    std::erase_if(files, [](const std::string& f) { return f.ends_with(".json"); });
    EXPECT_EQ(files, c.files) << c.scene;
    std::string listed;
    for (const std::string& f : c.files) listed += Path(f) + "\n";
    EXPECT_EQ(r.out, listed);
    const RunResult info = Run({"info", c.scene});
    EXPECT_NE(info.out.find("Render writes " + std::string(c.files.size() == 1 ? "frame 30, the scene's current frame"
                                                                                 : "frames ")),
              std::string::npos)
        << info.out;
    for (const std::string& f : c.files) fs::remove(Path(f));
  }
  ASSERT_EQ(Run({"render", current, "--width", "40", "-o", Path("current.png")}).exitCode, 0);
  ASSERT_EQ(Run({"render", kExample, "--width", "40", "--frame", "30", "-o", Path("thirty.png")}).exitCode, 0);
  EXPECT_EQ(ReadText(Path("current.png")), ReadText(Path("thirty.png"))) << "the current frame is frame 30";
  const RunResult info = Run({"info", kExample});
  EXPECT_NE(info.out.find("Render writes frame 0, the first of the scene's frames, to the output file as named; "
                          "--frames 0-47 renders the scene's frames\n"),
            std::string::npos)
      << info.out;
  for (const std::string& f : {current, active, range}) fs::remove(f);
}

// '#' runs are the frame number's field, in every file a frame writes;
// each file is printed once it is written, one path a line.
TEST_F(CliRenderTest, HashRunsNumberEveryFileAndEveryFileIsPrinted) {
  const RunResult r = Run({"render", kExample, "--frames", "9-10", "--width", "40", "-o", Path("shot_##.png"),
                           "--lines-out", Path("lines_####.png"), "--surfaces-out", Path("surf.tga")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<std::string> files{"lines_0009.png", "lines_0010.png", "shot_09.png",
                                       "shot_10.png",    "surf0009.tga",   "surf0010.tga"};
  EXPECT_EQ(Files(), files);
  // Per frame: the surface and line files (written while the frame is
  // made), then the picture.
  EXPECT_EQ(r.out, Path("surf0009.tga") + "\n" + Path("lines_0009.png") + "\n" + Path("shot_09.png") + "\n" +
                       Path("surf0010.tga") + "\n" + Path("lines_0010.png") + "\n" + Path("shot_10.png") + "\n");
  // A single frame fills the field too; a negative one puts its sign first,
  // and a number longer than the field keeps all its digits.
  for (const auto& [frame, name] : std::vector<std::pair<std::string, std::string>>{
           {"-3", "neg_-003.png"}, {"12345", "neg_12345.png"}, {"7", "neg_007.png"}}) {
    const RunResult one = Run({"render", kExample, "--frame", frame, "--width", "40", "-o", Path("neg_###.png")});
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(one.out, Path(name) + "\n");
    EXPECT_TRUE(fs::exists(Path(name))) << name;
  }
}

TEST_F(CliRenderTest, FramesOutsideTheSceneWarnAndFramesBeyondTimeAreRefused) {
  const RunResult r = Run({"render", kExample, "--frame", "100", "--width", "40", "-o", Path("late.png")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("--frame: frame 100 lies outside the scene's frames 0 to 47; rendered all the same"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(fs::exists(Path("late.png")));
  const RunResult inside = Run({"render", kExample, "--frame", "47", "--width", "40", "-o", Path("last.png")});
  EXPECT_EQ(inside.err.find("outside"), std::string::npos) << inside.err;

  for (const std::vector<std::string>& frames :
       {std::vector<std::string>{"--frame", "2147483647"}, {"--frames", "-2147483648--2147483640"}}) {
    std::vector<std::string> args{"render", kExample, "--width", "40", "-o", Path("far.png")};
    args.insert(args.end(), frames.begin(), frames.end());
    const RunResult far = Run(args);
    EXPECT_EQ(far.exitCode, 2) << far.err;
    // 24 frames a second: 200 ticks a frame.
    EXPECT_NE(far.err.find(frames[0] + ": "), std::string::npos) << far.err;
    EXPECT_NE(far.err.find("cannot be rendered: frames run from -10737417 to 10737417 at 24 frames per second\n"),
              std::string::npos)
        << far.err;
    EXPECT_FALSE(fs::exists(Path("far.png")));
  }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// A frame too big for the memory there is says what ran out and how much
// it needed, then fails; the old picture stays.
TEST_F(CliRenderTest, AFrameOutOfMemorySaysWhatRanOut) {
  std::ofstream(Path("big.png")) << "old";
  const std::string command = "ulimit -v 1200000; exec '" + std::string(PW_PENWRIGHT_EXE) + "' render '" + kModel +
                              "' --width 8000 --height 6000 -o '" + Path("big.png") + "'";
  const std::string err = Path(".oom");
  const int status = std::system((command + " 2>'" + err + "' >/dev/null").c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string text = ReadText(err);
  EXPECT_NE(text.find("not enough memory for the "), std::string::npos) << text;
  EXPECT_NE(text.find("8000"), std::string::npos) << text;
  EXPECT_NE(text.find(" MB)"), std::string::npos) << text;
  EXPECT_NE(text.find("penwright: error: frame 0 could not be rendered\n"), std::string::npos) << text;
  EXPECT_EQ(ReadText(Path("big.png")), "old");
}
#endif

}  // namespace

namespace {

// A real mesh filled with its own material, no lines, over a red
// background: every pixel is either the mesh's grey or the background
// untouched (surfaces are not antialiased), and the mesh's pixels
// show shading rather than one flat colour.
TEST_F(CliRenderTest, ARealMeshsSurfacesCoverItOpaqueOverTheBackground) {
  const RunResult r = Run({"render", PW_TESTDATA_DIR "/suzanne2.glb", "--style", "Max Material", "--set",
                           "linesOn=false", "--background", "1,0,0", "--width", "160", "--height", "120", "--depth",
                           "16", "-o", Path("surfaces.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const host::Bitmap image = Read("surfaces.png");
  int covered = 0, background = 0;
  std::set<int> greys;
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const host::BMM_Color_64 p = image.GetPixel(x, y);
      if (p.r == 65535 && p.g == 0 && p.b == 0) {
        ++background;
      } else {
        // The grey material under a white light, nothing mixed with the red.
        EXPECT_TRUE(p.r == p.g && p.g == p.b) << x << "," << y << ": " << p.r << " " << p.g << " " << p.b;
        ++covered;
        greys.insert(p.g >> 8);
      }
    }
  }
  const int all = image.Width() * image.Height();
  EXPECT_GT(covered, all / 20) << "the mesh is filled";
  EXPECT_GT(background, all / 3) << "around it the background stays";
  EXPECT_GT(greys.size(), 20u) << "lit by the default light, not flat";
}

}  // namespace
