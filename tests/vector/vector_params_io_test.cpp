#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/io/chunk_io.h"
#include "vector/vector_format.h"
#include "vector/vector_params_ai.h"
#include "vector/vector_params_dxf.h"
#include "vector/vector_params_swf.h"

using namespace pw;
using host::IO_ERROR;
using host::IO_OK;

namespace {

std::vector<std::uint8_t> Saved(const PwVectorFormatParams& p) {
  host::MemorySave out;
  EXPECT_EQ(p.Save(&out), IO_OK);
  EXPECT_TRUE(out.Balanced());
  return out.TakeBytes();
}

// The error text, "" when the load succeeded.
std::string LoadInto(PwVectorFormatParams& p, const std::vector<std::uint8_t>& bytes) {
  host::MemoryLoad in(bytes);
  if (p.Load(&in) == IO_OK) return "";
  return in.Error().empty() ? "failed without a message" : in.Error();
}

std::vector<std::unique_ptr<PwVectorFormatParams>> EveryFormatChanged() {
  std::vector<std::unique_ptr<PwVectorFormatParams>> all;
  auto ai = std::make_unique<PwVectorFormatParamsAI>();
  ai->colorMode = 1;
  ai->paths = true;
  ai->overfill = false;
  ai->shading = 1;
  all.push_back(std::move(ai));
  auto dxf = std::make_unique<PwVectorFormatParamsDXF>();
  dxf->layersBy = 1;
  dxf->surface = true;
  dxf->aciColors = false;
  dxf->previewLikeAutoCad = 0;
  all.push_back(std::move(dxf));
  auto swf = std::make_unique<PwVectorFormatParamsSWF>();
  swf->openInPlayer = true;
  swf->lines = false;
  all.push_back(std::move(swf));
  return all;
}

}  // namespace

TEST(VectorParamsIo, GoldenBytesOfTheDxfDefaults) {
  const auto bytes = Saved(PwVectorFormatParamsDXF());
  // Chunk 0: the version in 16 bits; then every field in 32 bits, version first.
  std::vector<std::uint8_t> expected = {0x00, 0x00, 0x08, 0, 0, 0, 0xE8, 0x03};
  const std::int32_t fields[] = {1000, 1, 0, 1, 0, 1, 1, 1, 1};
  for (int i = 0; i < 9; ++i) {
    const auto v = static_cast<std::uint32_t>(fields[i]);
    const std::uint8_t chunk[] = {static_cast<std::uint8_t>(i + 1), 0, 10, 0, 0, 0, static_cast<std::uint8_t>(v),
                                  static_cast<std::uint8_t>(v >> 8), 0, 0};
    expected.insert(expected.end(), chunk, chunk + sizeof chunk);
  }
  EXPECT_EQ(bytes, expected);
}

TEST(VectorParamsIo, EveryFormatRoundTrips) {
  for (const auto& changed : EveryFormatChanged()) {
    auto fresh = CreateVectorFormatParams(static_cast<int>(changed->Format()));
    ASSERT_FALSE(*fresh == *changed);
    EXPECT_EQ(LoadInto(*fresh, Saved(*changed)), "");
    EXPECT_TRUE(*fresh == *changed) << static_cast<int>(changed->Format());
  }
}

TEST(VectorParamsIo, ReadsChunksInAnyOrderAndSkipsUnknownOnes) {
  host::MemorySave out;
  out.WriteChunk<std::int32_t>(8, 1);       // shading: facetted
  out.WriteChunk<std::int32_t>(200, 77);    // from a later version
  out.BeginChunk(201);                      // a later container
  out.WriteChunk<std::int32_t>(1, 5);
  out.EndChunk();
  out.WriteChunk<std::int32_t>(2, 2);       // colour mode: grayscale
  out.WriteChunk<std::uint16_t>(0, 300);
  PwVectorFormatParamsAI ai;
  EXPECT_EQ(LoadInto(ai, out.TakeBytes()), "");
  EXPECT_EQ(ai.shading, 1);
  EXPECT_EQ(ai.ColorMode(), PwAIColorMode::Grayscale);
  EXPECT_EQ(ai.version, 300);
  EXPECT_TRUE(ai.lines);  // not in the stream: keeps its default
}

TEST(VectorParamsIo, SwitchesReadAnyNonZeroAsOn) {
  host::MemorySave out;
  out.WriteChunk<std::int32_t>(4, 5);  // paths
  out.WriteChunk<std::int32_t>(3, 0);  // lines
  PwVectorFormatParamsAI ai;
  EXPECT_EQ(LoadInto(ai, out.TakeBytes()), "");
  EXPECT_TRUE(ai.paths);
  EXPECT_FALSE(ai.lines);
  EXPECT_EQ(ai.Get(ai.FindField("paths")), 1);
}

TEST(VectorParamsIo, ChoiceOutOfRangeIsAnErrorNamingTheOption) {
  host::MemorySave out;
  out.WriteChunk<std::int32_t>(3, 2);  // DXF layersBy has two choices
  PwVectorFormatParamsDXF dxf;
  const std::string error = LoadInto(dxf, out.TakeBytes());
  EXPECT_NE(error.find("layersBy"), std::string::npos) << error;
  EXPECT_NE(error.find("2"), std::string::npos) << error;
  EXPECT_EQ(dxf.layersBy, 0);
}

TEST(VectorParamsIo, ShortOrNestedValueChunksAreErrors) {
  {
    host::MemorySave out;
    out.WriteChunk<std::uint16_t>(2, 1);  // two bytes where four belong
    PwVectorFormatParamsDXF dxf;
    EXPECT_NE(LoadInto(dxf, out.TakeBytes()), "");
  }
  {
    host::MemorySave out;
    out.BeginChunk(2);
    out.WriteChunk<std::int32_t>(0, 1);
    out.EndChunk();
    PwVectorFormatParamsDXF dxf;
    EXPECT_NE(LoadInto(dxf, out.TakeBytes()).find("createLayers"), std::string::npos);
  }
}

// Cut anywhere, a saved record either ends on a chunk boundary (a shorter
// but valid record) or fails with a message; it never reads past the cut.
TEST(VectorParamsIo, EveryTruncationLoadsOrFailsCleanly) {
  for (const auto& changed : EveryFormatChanged()) {
    const auto bytes = Saved(*changed);
    std::size_t boundary = 0;
    std::vector<std::size_t> boundaries{0};
    while (boundary < bytes.size()) {
      std::uint32_t size = 0;
      std::memcpy(&size, &bytes[boundary + 2], 4);
      boundary += size;
      boundaries.push_back(boundary);
    }
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
      const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
      auto p = CreateVectorFormatParams(static_cast<int>(changed->Format()));
      const std::string error = LoadInto(*p, part);
      const bool atBoundary = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
      EXPECT_EQ(error.empty(), atBoundary) << "cut at " << cut << ": " << error;
    }
  }
}
