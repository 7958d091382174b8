#include <gtest/gtest.h>

#include <cstring>

#include "host/io/chunk_io.h"

using namespace host;

namespace {

std::vector<std::uint8_t> SampleStream() {
  MemorySave out;
  out.WriteChunk<std::int32_t>(1, 42);
  out.BeginChunk(2);  // container
  out.WriteStringChunk(3, "hello");
  out.WriteChunk<float>(4, 1.5f);
  out.EndChunk();
  out.WriteChunk<std::uint16_t>(5, 7);
  EXPECT_TRUE(out.Balanced());
  return out.TakeBytes();
}

}  // namespace

TEST(ChunkIo, GoldenBytesOfOneChunk) {
  MemorySave out;
  out.WriteChunk<std::uint16_t>(0x0102, 0x0304);
  const std::vector<std::uint8_t> expected = {0x02, 0x01, 0x08, 0x00, 0x00, 0x00, 0x04, 0x03};
  EXPECT_EQ(out.Bytes(), expected);
}

TEST(ChunkIo, ContainerBitMarksChunksHoldingChunks) {
  MemorySave out;
  out.BeginChunk(9);
  out.WriteChunk<std::uint8_t>(10, 1);
  out.EndChunk();
  const auto& b = out.Bytes();
  ASSERT_EQ(b.size(), 13u);
  EXPECT_EQ(b[5], 0x80);  // high bit of the outer size
  EXPECT_EQ(b[2], 13);
  EXPECT_EQ(b[11] & 0x80, 0);  // inner chunk is data
}

TEST(ChunkIo, ReadsBackNestedChunksAndSkipsUnread) {
  auto bytes = SampleStream();
  MemoryLoad in(bytes);
  std::vector<int> ids;
  std::string text;
  float f = 0;
  while (in.OpenChunk() == IO_OK) {
    ids.push_back(in.CurChunkID());
    if (in.CurChunkID() == 2) {
      EXPECT_TRUE(in.CurChunkIsContainer());
      while (in.OpenChunk() == IO_OK) {
        if (in.CurChunkID() == 3) { EXPECT_EQ(in.ReadCStringChunk(&text), IO_OK); }
        if (in.CurChunkID() == 4) { EXPECT_EQ(in.ReadValue(&f), IO_OK); }
        in.CloseChunk();
      }
    }
    // chunks 1 and 5 are left unread: closing skips them
    EXPECT_EQ(in.CloseChunk(), IO_OK);
  }
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 5}));
  EXPECT_EQ(text, "hello");
  EXPECT_EQ(f, 1.5f);
  EXPECT_TRUE(in.Error().empty());
  EXPECT_TRUE(in.AtEnd());
}

TEST(ChunkIo, BrokenRulesEachGiveTheirOwnError) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* message;
  };
  const Case cases[] = {
      {"short header", {0x01, 0x00, 0x08}, "truncated chunk header"},
      {"size below header", {0x01, 0x00, 0x03, 0x00, 0x00, 0x00}, "impossible size"},
      {"runs past file", {0x01, 0x00, 0x40, 0x00, 0x00, 0x00, 0x01}, "runs past its file"},
  };
  for (const Case& c : cases) {
    MemoryLoad in(c.bytes);
    EXPECT_EQ(in.OpenChunk(), IO_ERROR) << c.name;
    EXPECT_NE(in.Error().find(c.message), std::string::npos) << c.name << ": " << in.Error();
  }
}

TEST(ChunkIo, ChildMayNotRunPastItsParent) {
  // Outer container of 12 bytes holding a child that claims 20.
  std::vector<std::uint8_t> bytes = {0x01, 0x00, 0x0C, 0x00, 0x00, 0x80, 0x02, 0x00, 0x14, 0x00, 0x00, 0x00};
  MemoryLoad in(bytes);
  ASSERT_EQ(in.OpenChunk(), IO_OK);
  EXPECT_EQ(in.OpenChunk(), IO_ERROR);
  EXPECT_NE(in.Error().find("runs past its parent"), std::string::npos) << in.Error();
}

TEST(ChunkIo, ReadsNeverCrossTheChunkEnd) {
  MemorySave out;
  out.WriteChunk<std::uint16_t>(1, 5);
  out.WriteChunk<std::uint32_t>(2, 0xDEADBEEF);
  auto bytes = out.TakeBytes();
  MemoryLoad in(bytes);
  ASSERT_EQ(in.OpenChunk(), IO_OK);
  std::uint32_t big = 0;
  std::size_t n = 0;
  EXPECT_EQ(in.Read(&big, sizeof big, &n), IO_ERROR);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(big & 0xFFFF, 5u);
  in.CloseChunk();
  ASSERT_EQ(in.OpenChunk(), IO_OK);  // the next chunk is still intact
  EXPECT_EQ(in.CurChunkID(), 2);
}

TEST(ChunkIo, StringWithoutTerminatorIsAnError) {
  MemorySave out;
  out.BeginChunk(1);
  out.Write("abc", 3, nullptr);
  out.EndChunk();
  auto bytes = out.TakeBytes();
  MemoryLoad in(bytes);
  ASSERT_EQ(in.OpenChunk(), IO_OK);
  std::string s;
  EXPECT_EQ(in.ReadCStringChunk(&s), IO_ERROR);
}

TEST(ChunkIo, EveryTruncationFailsCleanly) {
  auto bytes = SampleStream();
  ASSERT_EQ(bytes.size(), 46u);
  for (std::size_t len = 0; len < bytes.size(); ++len) {
    MemoryLoad in(std::span<const std::uint8_t>(bytes.data(), len));
    IOResult r;
    int depth = 0;
    // Walk everything; a truncated stream must end in an error, never a crash.
    while (true) {
      r = in.OpenChunk();
      if (r == IO_OK) {
        ++depth;
        if (!in.CurChunkIsContainer()) {
          in.CloseChunk();
          --depth;
        }
        continue;
      }
      if (r == IO_END && depth > 0) {
        in.CloseChunk();
        --depth;
        continue;
      }
      break;
    }
    // Cut exactly between top-level chunks, the stream is merely shorter.
    const bool boundary = len == 0 || len == 10 || len == 38;
    EXPECT_EQ(r, boundary ? IO_END : IO_ERROR) << "length " << len;
  }
}
