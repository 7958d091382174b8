#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/services/interface.h"
#include "vector/swf_test_reader.h"
#include "vector/vector_format_swf.h"
#include "vector/vector_writer.h"

using namespace pw;
using namespace pw_test;
namespace fs = std::filesystem;

namespace {

class FakeSurfaces : public PwVectorSurfaceSource {
 public:
  std::vector<PwVectorPolygonRecord> polygons;
  int calls = 0;
  bool BuildPolygons(std::vector<PwVectorPolygonRecord>& out) override {
    ++calls;
    out = polygons;
    return true;
  }
};

PwVectorPolygonRecord Triangle(float x, float y, float size, float depth, PwVectorColor colour) {
  PwVectorPolygonRecord r;
  r.color = colour;
  r.depth = depth;
  r.points[0] = {x, y, depth};
  r.points[1] = {x + size, y, depth};
  r.points[2] = {x, y + size, depth};
  r.count = 3;
  return r;
}

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

class SwfWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = host::TheInterfaceState();
    host::SetNetworkRender(true);
    host::SetLogSink([this](std::string_view text) { messages.emplace_back(text); });
    dir = fs::temp_directory_path() / ("pw_swf_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    file = dir / "movie.swf";
  }
  void TearDown() override {
    host::TheInterfaceState() = saved_;
    fs::remove_all(dir);
  }

  // One frame the way the vectoriser drives a writer: one object with the
  // source's surfaces and the given segments.
  struct Segment {
    PwVectorPoint a, b;
    float width;
    std::int32_t pattern;
    float cell;
  };
  bool Frame(PwVectorFormatSWF& w, FakeSurfaces& src, const std::vector<Segment>& segments) {
    w.fileName = file.string();
    w.bounds[0] = 0;
    w.bounds[1] = 0;
    w.bounds[2] = 160;
    w.bounds[3] = 120;
    w.ResetAttributes();
    if (!w.BeginFrame(true, false, true, true)) return false;
    PwVectorObject object;
    object.nodeName = "Box";
    object.surfaces = &src;
    w.BeginObject(object);
    w.BeginSurfaces();
    w.EndSurfaces();
    w.BeginLines();
    for (const Segment& s : segments) {
      w.lineWidth = s.width;
      w.dashPattern = s.pattern;
      w.dashCell = s.cell;
      w.strokeColor = {0, 0, 0, 0xFFFF};
      w.DrawSegment(s.a, s.b);
      w.lastLineWidth = w.lineWidth;
      w.lastDashPattern = w.dashPattern;
    }
    w.EndLines();
    w.EndObject();
    return w.EndFrame();
  }

  std::vector<std::string> messages;
  fs::path dir, file;

 private:
  host::InterfaceState saved_;
};

int Count(const std::vector<Tag>& tags, std::uint16_t code) {
  int n = 0;
  for (const Tag& t : tags) n += t.code == code;
  return n;
}

}  // namespace

TEST_F(SwfWriter, ASequenceIsOneFileWithAFramePerRenderedFrame) {
  PwVectorFormatSWF w;
  w.SetParameters(PwVectorFormatParamsSWF{});
  w.frameInfo.framesPerSecond = 25;
  FakeSurfaces src;
  src.polygons = {Triangle(10, 10, 40, -5, {0xFFFF, 0, 0, 0xFFFF}), Triangle(30, 30, 40, -9, {0, 0, 0xFFFF, 0xFFFF}),
                  Triangle(20, 20, 40, -1, {0xFFFF, 0, 0, 0xFFFF})};
  w.BeginSequence();
  for (int f = 0; f < 3; ++f) ASSERT_TRUE(Frame(w, src, {{{0, 60, -1}, {160, 60, -1}, 2.0f, -1, 1.0f}}));
  EXPECT_FALSE(fs::exists(file)) << "the file appears only when the sequence is complete";
  ASSERT_TRUE(w.EndSequence());
  EXPECT_TRUE(messages.empty()) << messages.front();

  const Bytes bytes = ReadAll(file);
  ASSERT_GT(bytes.size(), 20u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), "FWS");
  EXPECT_EQ(bytes[4] | bytes[5] << 8 | bytes[6] << 16 | bytes[7] << 24, static_cast<int>(bytes.size()));
  const std::vector<Tag> tags = FileTags(bytes);
  EXPECT_EQ(Count(tags, kTagShowFrame), 3);
  // 160 x 120 pixels: 3200 x 2400 twips in 13-bit fields (8 bytes), then 25 fps and 3 frames.
  EXPECT_EQ(bytes[16], 0);
  EXPECT_EQ(bytes[17], 25);
  EXPECT_EQ(bytes[18], 3);
  // Per frame: the blue triangle (farthest), then the two red ones merged,
  // then the line shape: three shapes.
  EXPECT_EQ(Count(tags, kTagDefineShape4), 9);
  const DecodedShape far = DecodeShape(bytes, tags[2]);
  EXPECT_EQ(far.paths.size(), 1u);
  EXPECT_EQ(far.paths[0].front(), (std::pair{600, 600}));
  const DecodedShape merged = DecodeShape(bytes, tags[3]);
  EXPECT_EQ(merged.paths.size(), 2u);
  EXPECT_EQ(merged.paths[0].front(), (std::pair{200, 200}));
  EXPECT_EQ(merged.paths[1].front(), (std::pair{400, 400}));
  for (const auto& entry : fs::directory_iterator(dir)) EXPECT_EQ(entry.path(), file) << "no temporary file is left";
}

TEST_F(SwfWriter, DashesAreCutIntoPieces) {
  PwVectorFormatSWF w;
  w.SetParameters(PwVectorFormatParamsSWF{});
  FakeSurfaces none;
  w.BeginSequence();
  // "Dashed" (21 on, 11 off) with 2-pixel cells on a 64-pixel line: one
  // dash to 0.65625 of the way; on a 128-pixel line two dashes.
  ASSERT_TRUE(Frame(w, none,
                    {{{0, 10, -1}, {64, 10, -1}, 1.0f, 0x001FFFFF, 2.0f},
                     {{0, 50, -1}, {128, 50, -1}, 1.0f, 0x001FFFFF, 2.0f},
                     {{0, 90, -1}, {100, 90, -1}, 1.0f, 0, 2.0f}}));
  ASSERT_TRUE(w.EndSequence());
  const Bytes bytes = ReadAll(file);
  const std::vector<Tag> tags = FileTags(bytes);
  ASSERT_EQ(Count(tags, kTagDefineShape4), 1);
  const DecodedShape lines = DecodeShape(bytes, tags[2]);
  using Path = std::vector<std::pair<int, int>>;
  ASSERT_EQ(lines.paths.size(), 3u);
  EXPECT_EQ(lines.paths[0], (Path{{0, 200}, {840, 200}}));
  EXPECT_EQ(lines.paths[1], (Path{{0, 1000}, {840, 1000}}));
  EXPECT_EQ(lines.paths[2], (Path{{1280, 1000}, {2120, 1000}}));
  EXPECT_EQ(lines.lines, 1);
}

TEST_F(SwfWriter, SurfacesOnlyForObjectsThatAskForThem) {
  // The source is good from BeginObject to EndObject. An object whose style
  // draws no surface gets no BeginSurfaces: its polygons are never built and
  // it leaves no shape behind. (Under the address sanitizer, freeing each
  // source right after EndObject also catches a writer that keeps it longer.)
  PwVectorFormatSWF w;
  w.SetParameters(PwVectorFormatParamsSWF{});
  w.BeginSequence();
  w.fileName = file.string();
  w.bounds[2] = 100;
  w.bounds[3] = 100;
  ASSERT_TRUE(w.BeginFrame(true, false, true, true));
  for (int i = 0; i < 2; ++i) {
    auto src = std::make_unique<FakeSurfaces>();
    src->polygons = {Triangle(10, 10, 40, -5, {0xFFFF, 0, 0, 0xFFFF})};
    PwVectorObject object;
    object.surfaces = src.get();
    w.BeginObject(object);
    if (i == 1) {
      w.BeginSurfaces();
      w.EndSurfaces();
    }
    w.BeginLines();
    w.EndLines();
    w.EndObject();
    EXPECT_EQ(src->calls, i) << "object " << i;
    src.reset();
  }
  ASSERT_TRUE(w.EndFrame());
  ASSERT_TRUE(w.EndSequence());
  const Bytes bytes = ReadAll(file);
  EXPECT_EQ(Count(FileTags(bytes), kTagDefineShape4), 1);
}

TEST_F(SwfWriter, FailuresLeaveTheOldFileAlone) {
  {
    std::ofstream(file) << "old";
  }
  {
    PwVectorFormatSWF w;  // a cancelled render: the writer goes without EndSequence
    w.SetParameters(PwVectorFormatParamsSWF{});
    FakeSurfaces src;
    src.polygons = {Triangle(10, 10, 40, -5, {0xFFFF, 0, 0, 0xFFFF})};
    w.BeginSequence();
    ASSERT_TRUE(Frame(w, src, {}));
  }
  std::ifstream in(file);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "old");

  PwVectorFormatSWF w;
  w.SetParameters(PwVectorFormatParamsSWF{});
  FakeSurfaces src;
  file = dir / "no-such-dir" / "movie.swf";
  w.BeginSequence();
  EXPECT_FALSE(Frame(w, src, {}));
  EXPECT_FALSE(Frame(w, src, {}));
  EXPECT_TRUE(w.EndSequence());
  ASSERT_EQ(messages.size(), 2u) << "one message per frame";
  EXPECT_EQ(messages[0], "Unable to create vector output file \"" + file.string() +
                             "\".\nCheck that the filename and path are valid.");
}

TEST_F(SwfWriter, RunningOutOfShapeIdsIsReportedOnce) {
  PwVectorFormatSWF w;
  w.SetParameters(PwVectorFormatParamsSWF{});
  FakeSurfaces src;
  // Alternating colours at increasing depth: every polygon is a shape of its own.
  for (int i = 0; i < 40000; ++i) {
    src.polygons.push_back(Triangle(10, 10, 5, static_cast<float>(i) - 50000.0f,
                                    i % 2 ? PwVectorColor{0xFFFF, 0, 0, 0xFFFF} : PwVectorColor{0, 0, 0xFFFF, 0xFFFF}));
  }
  w.BeginSequence();
  for (int f = 0; f < 3; ++f) ASSERT_TRUE(Frame(w, src, {}));
  ASSERT_TRUE(w.EndSequence());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], kSwfOutOfShapeIds);
  EXPECT_EQ(w.Movie().ShapeCount(), 65535u);
  const Bytes bytes = ReadAll(file);
  EXPECT_EQ(Count(FileTags(bytes), kTagShowFrame), 3) << "the frames are all there, with what fits";
}

TEST_F(SwfWriter, OpensTheFinishedFileInThePlayer) {
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  const fs::path bin = dir / "bin";
  fs::create_directories(bin);
  const fs::path opened = dir / "opened.txt";
  auto opener = [&](const std::string& body) {
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\n" << body << "\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
  };
  auto render = [&] {
    PwVectorFormatParamsSWF options;
    options.openInPlayer = true;
    PwVectorFormatSWF w;
    w.SetParameters(options);
    FakeSurfaces src;
    src.polygons = {Triangle(10, 10, 40, -5, {0xFFFF, 0, 0, 0xFFFF})};
    w.BeginSequence();
    ASSERT_TRUE(Frame(w, src, {}));
    EXPECT_TRUE(w.EndSequence()) << "the file itself is fine whatever the player does";
  };
  setenv("PATH", bin.c_str(), 1);

  opener("echo \"$1\" > '" + opened.string() + "'");
  render();
  std::ifstream in(opened);
  std::string arg;
  std::getline(in, arg);
  EXPECT_EQ(arg, file.string());
  EXPECT_TRUE(messages.empty());

  opener("echo 'xdg-open: no method available for opening it' >&2; exit 3");
  render();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Unable to open file in player.\nxdg-open: no method available for opening it");

  fs::remove(bin / "xdg-open");
  render();
  setenv("PATH", savedPath.c_str(), 1);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], "Unable to open file in player.\nxdg-open: No such file or directory");
}
