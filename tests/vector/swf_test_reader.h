// Reads back Flash files in the tests: tags, and the outlines of shapes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "vector/swf_encoder.h"

namespace pw_test {

using namespace pw::swf;
using Bytes = std::vector<std::uint8_t>;

// Reads back what the writer packs: bit fields MSB first, bytes little-endian.
class BitReader {
 public:
  BitReader(const Bytes& b, std::size_t pos) : b_(b), pos_(pos) {}
  std::uint32_t U(int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      const int bit = (b_.at(pos_) >> (7 - bit_)) & 1;
      v = (v << 1) | static_cast<std::uint32_t>(bit);
      if (++bit_ == 8) {
        bit_ = 0;
        ++pos_;
      }
    }
    return v;
  }
  std::int32_t S(int n) {
    const std::uint32_t v = U(n);
    if (n > 0 && (v >> (n - 1)) & 1u) return static_cast<std::int32_t>(v | ~((n == 32 ? 0u : (1u << n)) - 1u));
    return static_cast<std::int32_t>(v);
  }
  void Align() {
    if (bit_ != 0) {
      bit_ = 0;
      ++pos_;
    }
  }
  std::uint8_t U8() {
    Align();
    return b_.at(pos_++);
  }
  std::uint16_t U16() {
    const std::uint16_t lo = U8();
    return static_cast<std::uint16_t>(lo | (U8() << 8));
  }
  std::size_t Pos() const { return pos_; }

 private:
  const Bytes& b_;
  std::size_t pos_;
  int bit_ = 0;
};

struct Tag {
  std::uint16_t code;
  std::size_t bodyAt;
  std::uint32_t length;
};

inline std::vector<Tag> Tags(const Bytes& file, std::size_t from) {
  std::vector<Tag> tags;
  std::size_t p = from;
  while (p + 2 <= file.size()) {
    const std::uint16_t word = static_cast<std::uint16_t>(file[p] | (file[p + 1] << 8));
    p += 2;
    std::uint32_t len = word & 0x3F;
    if (len == 0x3F) {
      len = static_cast<std::uint32_t>(file.at(p) | (file.at(p + 1) << 8) | (file.at(p + 2) << 16) |
                                       (file.at(p + 3) << 24));
      p += 4;
    }
    tags.push_back({static_cast<std::uint16_t>(word >> 6), p, len});
    p += len;
    if (tags.back().code == kTagEnd) break;
  }
  EXPECT_EQ(p, file.size()) << "tags must end exactly at the end of the file";
  return tags;
}

// The outline of a DefineShape4 body as absolute points per sub-path.
struct DecodedShape {
  std::uint16_t id = 0;
  int fills = 0, lines = 0;
  std::vector<std::vector<std::pair<int, int>>> paths;
  std::vector<int> pathFill, pathLine;
};

inline DecodedShape DecodeShape(const Bytes& file, const Tag& tag) {
  DecodedShape d;
  BitReader r(file, tag.bodyAt);
  d.id = r.U16();
  for (int rect = 0; rect < 2; ++rect) {
    const int n = static_cast<int>(r.U(5));
    for (int i = 0; i < 4; ++i) r.S(n);
    r.Align();
  }
  r.U8();  // flags
  d.fills = r.U8();
  for (int i = 0; i < d.fills; ++i) {
    EXPECT_EQ(r.U8(), 0);
    for (int k = 0; k < 4; ++k) r.U8();
  }
  d.lines = r.U8();
  for (int i = 0; i < d.lines; ++i) {
    r.U16();
    r.U8();
    r.U8();
    for (int k = 0; k < 4; ++k) r.U8();
  }
  const int fillBits = static_cast<int>(r.U(4));
  const int lineBits = static_cast<int>(r.U(4));
  int x = 0, y = 0, fill = 0, line = 0;
  for (;;) {
    if (r.U(1) == 0) {
      const std::uint32_t flags = r.U(5);
      if (flags == 0) break;
      EXPECT_EQ(flags & 0x10, 0u) << "no new styles expected";
      if (flags & 0x01) {
        const int n = static_cast<int>(r.U(5));
        x = r.S(n);
        y = r.S(n);
      }
      if (flags & 0x02) fill = static_cast<int>(r.U(fillBits));
      if (flags & 0x04) r.U(fillBits);
      if (flags & 0x08) line = static_cast<int>(r.U(lineBits));
      d.paths.push_back({{x, y}});
      d.pathFill.push_back(fill);
      d.pathLine.push_back(line);
    } else {
      EXPECT_EQ(r.U(1), 1u) << "only straight edges are written";
      const int n = static_cast<int>(r.U(4)) + 2;
      if (r.U(1) == 1) {
        x += r.S(n);
        y += r.S(n);
      } else if (r.U(1) == 1) {
        y += r.S(n);
      } else {
        x += r.S(n);
      }
      d.paths.back().push_back({x, y});
    }
  }
  r.Align();
  EXPECT_EQ(r.Pos(), tag.bodyAt + tag.length) << "shape records must fill the tag exactly";
  return d;
}

// The tags after a file's header.
inline std::vector<Tag> FileTags(const Bytes& file) {
  const int bits = file.at(8) >> 3;
  return Tags(file, 8 + static_cast<std::size_t>((5 + 4 * bits + 7) / 8) + 4);
}

}  // namespace pw_test
