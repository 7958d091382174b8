#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/io/chunk_io.h"
#include "render/renderer_settings.h"
#include "vector/vector_params_dxf.h"

using namespace pw;
using host::IO_OK;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Saved(const PwRendererSettings& s) {
  host::MemorySave out;
  EXPECT_EQ(s.Save(&out), IO_OK);
  EXPECT_TRUE(out.Balanced());
  return out.TakeBytes();
}

// "" when the load succeeded, else the error it gave.
std::string LoadInto(PwRendererSettings& s, const Bytes& bytes) {
  host::MemoryLoad in(bytes);
  if (s.Load(&in) == IO_OK) return "";
  return in.Error().empty() ? "failed without a message" : in.Error();
}

// The top-level chunks of a stream, each as its own bytes.
struct Chunk {
  std::uint16_t id;
  Bytes bytes;
};
std::vector<Chunk> Split(const Bytes& bytes) {
  std::vector<Chunk> chunks;
  for (std::size_t at = 0; at < bytes.size();) {
    std::uint16_t id = 0;
    std::uint32_t size = 0;
    std::memcpy(&id, &bytes[at], 2);
    std::memcpy(&size, &bytes[at + 2], 4);
    size &= ~host::CHUNK_CONTAINER_BIT;
    chunks.push_back({id, Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                bytes.begin() + static_cast<std::ptrdiff_t>(at + size))});
    at += size;
  }
  return chunks;
}
Bytes Join(const std::vector<Chunk>& chunks) {
  Bytes out;
  for (const Chunk& c : chunks) out.insert(out.end(), c.bytes.begin(), c.bytes.end());
  return out;
}

// Every saved setting away from its default.
PwRendererSettings AllChanged() {
  PwRendererSettings s;
  PwRenderSwitches& w = s.params.Switches();
  w.renderMode = 1;
  w.hiddenLinesWithinItself = false;
  w.hiddenLinesWithOthers = false;
  w.intersectionsWithinItself = false;
  w.intersectionsWithOthers = false;
  w.surfacesOn = false;
  w.linesOn = false;
  w.sphericalLens = true;
  w.customFovOn = true;
  w.mapsOn = false;
  w.filterMaps = false;
  w.renderAsBoundingBoxes = true;
  w.customFovDegrees = 33.5f;
  w.alternateRendererClass = host::Class_ID(0x12345678, 0x9ABCDEF0);
  s.vector.saveVectorFile = true;
  s.vector.SelectFormat(1);
  s.vector.vectorFileName = "plates/plate.dxf";
  s.vector.zDepthPosition = 2;
  auto& dxf = static_cast<PwVectorFormatParamsDXF&>(*s.vector.vectorFormatOptions);
  dxf.layersBy = 1;
  dxf.surface = true;
  dxf.aciColors = false;
  return s;
}

bool SameOwn(const PwRendererSettings& a, const PwRendererSettings& b) {
  return a.params.Switches() == b.params.Switches() && a.vector == b.vector;
}

}  // namespace

TEST(RendererSettingsIo, ChunksAreWrittenInTheirFixedOrderAndSizes) {
  const Bytes bytes = Saved(AllChanged());
  const std::vector<Chunk> chunks = Split(bytes);
  ASSERT_EQ(chunks.size(), 20u);
  for (std::size_t i = 0; i < chunks.size(); ++i) EXPECT_EQ(chunks[i].id, 100 + i);

  // 100: the version, two bytes.
  EXPECT_EQ(chunks[0].bytes, (Bytes{100, 0, 8, 0, 0, 0, 3, 0}));
  // 101: renderMode, four bytes.
  EXPECT_EQ(chunks[1].bytes, (Bytes{101, 0, 10, 0, 0, 0, 1, 0, 0, 0}));
  // Switches are four bytes, 0 or 1; the format index too.
  for (int id : {102, 107, 110, 117}) EXPECT_EQ(chunks[static_cast<std::size_t>(id - 100)].bytes.size(), 10u) << id;
  EXPECT_EQ(chunks[11].bytes, (Bytes{111, 0, 10, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(chunks[12].bytes, (Bytes{112, 0, 10, 0, 0, 0, 1, 0, 0, 0}));
  // 113: the file name as a C string.
  const std::string name = "plates/plate.dxf";
  ASSERT_EQ(chunks[13].bytes.size(), 6 + name.size() + 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&chunks[13].bytes[6])), name);
  // 114: the options record's own chunks, so the chunk is a container.
  EXPECT_NE(chunks[14].bytes[5] & 0x80, 0);
  // 116: the two class id words.
  EXPECT_EQ(chunks[16].bytes, (Bytes{116, 0, 14, 0, 0, 0, 0x78, 0x56, 0x34, 0x12, 0xF0, 0xDE, 0xBC, 0x9A}));
  // 119: the field of view as a float.
  float fov = 0;
  ASSERT_EQ(chunks[19].bytes.size(), 10u);
  std::memcpy(&fov, &chunks[19].bytes[6], 4);
  EXPECT_EQ(fov, 33.5f);
}

TEST(RendererSettingsIo, SavedSettingsLoadBackIdentical) {
  const PwRendererSettings original = AllChanged();
  PwRendererSettings loaded;
  EXPECT_EQ(LoadInto(loaded, Saved(original)), "");
  EXPECT_TRUE(SameOwn(loaded, original));
  EXPECT_EQ(Saved(loaded), Saved(original));

  // Defaults travel too (a load starts from defaults, so this shows nothing
  // of the previous settings survives).
  PwRendererSettings back = AllChanged();
  EXPECT_EQ(LoadInto(back, Saved(PwRendererSettings())), "");
  EXPECT_TRUE(SameOwn(back, PwRendererSettings()));
}

TEST(RendererSettingsIo, LoadNeverTouchesTheHostPart) {
  PwRendererSettings s;
  s.params.width = 800;
  s.params.useRadiosity = false;
  EXPECT_EQ(LoadInto(s, Saved(AllChanged())), "");
  EXPECT_EQ(s.params.width, 800);
  EXPECT_FALSE(s.params.useRadiosity);
}

// Files from before the lens settings existed.
TEST(RendererSettingsIo, MissingLensChunksKeepTheirDefaults) {
  std::vector<Chunk> chunks = Split(Saved(AllChanged()));
  std::erase_if(chunks, [](const Chunk& c) { return c.id >= 117; });
  PwRendererSettings s = AllChanged();
  EXPECT_EQ(LoadInto(s, Join(chunks)), "");
  EXPECT_FALSE(s.params.sphericalLens);
  EXPECT_FALSE(s.params.customFovOn);
  EXPECT_EQ(s.params.customFovDegrees, 90.0f);
  EXPECT_EQ(s.params.renderMode, 1);  // the chunks that were there still count
}

TEST(RendererSettingsIo, VersionAndUnknownChunksAreSkippedAndOrderDoesNotMatter) {
  std::vector<Chunk> chunks = Split(Saved(AllChanged()));
  // Any order, as long as the format comes before its options.
  std::reverse(chunks.begin(), chunks.end());
  auto format = std::find_if(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.id == 112; });
  Chunk formatChunk = *format;
  chunks.erase(format);
  chunks.insert(chunks.begin(), formatChunk);

  host::MemorySave extra;
  extra.WriteChunk<std::uint16_t>(100, 99);   // another version number
  extra.WriteChunk<std::int32_t>(150, 7);     // later chunks
  extra.WriteChunk<std::int32_t>(7, 1);
  extra.BeginChunk(120);
  extra.WriteChunk<std::int32_t>(1, 1);
  extra.EndChunk();
  const std::vector<Chunk> unknown = Split(extra.TakeBytes());
  chunks.insert(chunks.begin() + 3, unknown.begin(), unknown.end());

  PwRendererSettings s;
  EXPECT_EQ(LoadInto(s, Join(chunks)), "");
  EXPECT_TRUE(SameOwn(s, AllChanged()));
}

// Options read while another format was current belong to that format: the
// chosen format must not be left with a record of another kind.
TEST(RendererSettingsIo, OptionsBeforeTheirFormatIndexGiveTheFormatsDefaults) {
  std::vector<Chunk> chunks = Split(Saved(AllChanged()));
  auto format = std::find_if(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.id == 112; });
  Chunk formatChunk = *format;
  chunks.erase(format);
  chunks.push_back(formatChunk);
  PwRendererSettings s;
  EXPECT_EQ(LoadInto(s, Join(chunks)), "");
  EXPECT_EQ(s.vector.vectorFormatIndex, 1);
  ASSERT_NE(s.vector.vectorFormatOptions, nullptr);
  EXPECT_EQ(s.vector.vectorFormatOptions->Format(), PwVectorFormatId::Dxf);
  EXPECT_TRUE(*s.vector.vectorFormatOptions == PwVectorFormatParamsDXF());
}

TEST(RendererSettingsIo, BadValuesEndTheLoadAndLeaveTheSettingsAlone) {
  struct Row {
    std::uint16_t id;
    Bytes data;
    const char* mentions;
  };
  const Row rows[] = {
      {101, {1, 0}, "101"},                          // two bytes where four belong
      {116, {1, 0, 0, 0}, "116"},                    // half a class id
      {119, {0, 0}, "119"},
      {101, {5, 0, 0, 0}, "render mode"},            // no such mode
      {112, {9, 0, 0, 0}, "vector format"},
      {115, {3, 0, 0, 0}, "z depth"},
      {113, {'a', 'b'}, "113"},                     // no terminating zero
      {119, {0, 0, 0xC0, 0x7F}, "field of view"},    // NaN
  };
  for (const Row& r : rows) {
    host::MemorySave out;
    out.WriteChunk<std::int32_t>(102, 0);
    out.BeginChunk(r.id);
    std::size_t n = 0;
    out.Write(r.data.data(), r.data.size(), &n);
    out.EndChunk();
    PwRendererSettings s = AllChanged();
    const std::string error = LoadInto(s, out.TakeBytes());
    EXPECT_NE(error.find(r.mentions), std::string::npos) << r.id << ": " << error;
    EXPECT_TRUE(SameOwn(s, AllChanged())) << r.id;
  }
}

TEST(RendererSettingsIo, FieldOfViewFromAFileIsHeldToItsRange) {
  host::MemorySave out;
  out.WriteChunk<float>(119, 500.0f);
  PwRendererSettings s;
  EXPECT_EQ(LoadInto(s, out.TakeBytes()), "");
  EXPECT_EQ(s.params.customFovDegrees, 180.0f);
}

// Cut anywhere, a saved stream loads (when the cut falls between chunks) or
// fails with a message; a failed load changes nothing.
TEST(RendererSettingsIo, EveryTruncationLoadsOrFailsCleanly) {
  const Bytes bytes = Saved(AllChanged());
  std::vector<std::size_t> boundaries{0};
  for (const Chunk& c : Split(bytes)) boundaries.push_back(boundaries.back() + c.bytes.size());
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    PwRendererSettings s;
    s.params.linesOn = false;
    const PwRendererSettings before = s;
    const std::string error = LoadInto(s, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
    const bool atBoundary = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
    EXPECT_EQ(error.empty(), atBoundary) << "cut at " << cut << ": " << error;
    if (!error.empty()) {
      EXPECT_TRUE(SameOwn(s, before)) << cut;
    }
  }
}

TEST(RendererSettingsIo, ResetParamsResetsSettingsAndBlock) {
  PwRendererSettings s = AllChanged();
  s.params.width = 320;
  ResetParams(s, nullptr);  // no block: the settings alone
  EXPECT_TRUE(SameOwn(s, PwRendererSettings()));
  EXPECT_EQ(s.params.width, 320);
}
