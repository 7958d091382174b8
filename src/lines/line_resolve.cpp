// A band's subsamples into pixels: each pixel drawn on gets the average of
// its subsamples (empty ones count as nothing), optionally composited over
// what the bitmap holds.
#include <algorithm>
#include <array>
#include <bit>

#include "lines/line_rasterizer.h"
#include "lines/subsample_words_internal.h"

namespace pw {

namespace {

struct Sum {
  std::uint32_t r = 0;
  std::uint32_t g = 0;
  std::uint32_t b = 0;
  std::uint32_t a = 0;
  std::uint32_t count = 0;  // subsamples that were not empty

  void Add(const host::BMM_Color_64& c, std::uint32_t times = 1) {
    r += c.r * times;
    g += c.g * times;
    b += c.b * times;
    a += c.a * times;
    count += times;
  }
};

// Rounded to nearest: a pixel half covered by an opaque line gets exactly
// half of full alpha (32768), and a full one keeps 65535. The sample count
// is a power of two but for unusual settings, and a shift is far cheaper
// than four divisions per pixel.
struct Divider {
  std::uint32_t n = 1;
  int shift = -1;  // log2 n, -1 when n is not a power of two

  explicit Divider(std::uint32_t count) : n(count), shift(std::has_single_bit(count) ? std::countr_zero(count) : -1) {}
  std::uint16_t Average(std::uint32_t sum) const {
    const std::uint32_t rounded = sum + n / 2;
    return static_cast<std::uint16_t>(shift >= 0 ? rounded >> shift : rounded / n);
  }
};

std::uint16_t Over(std::uint16_t line, std::uint16_t below, std::uint32_t transparency) {
  const std::uint32_t v = line + ((std::uint32_t{below} * transparency) >> 16);
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(v, 65535));
}

}  // namespace

void LineRasterizer::Resolve(const LineOutlineList& list, int top, int rows, bool blend) {
  const int s = samples_;
  const Divider divide(static_cast<std::uint32_t>(s * s));
  const bool single = palette_.Single();
  const bool shared = palette_.overflow;

  // What a subsample byte adds: its colour and 1, nothing when empty.
  struct Entry {
    std::uint32_t r = 0, g = 0, b = 0, a = 0, count = 0;
  };
  std::array<Entry, 256> table{};
  for (int i = 0; i < palette_.count; ++i) {
    const host::BMM_Color_64& c = palette_.colours[static_cast<std::size_t>(i)];
    table[static_cast<std::size_t>(i)] = {c.r, c.g, c.b, c.a, 1};
  }
  auto addByte = [&](Sum& sum, std::uint8_t b, std::int32_t owner) {
    if (shared && b == LinePalette::kShared) {
      sum.Add(ColourOf(list.outlines[static_cast<std::size_t>(owner)]));
      return;
    }
    const Entry& e = table[b];
    sum.r += e.r;
    sum.g += e.g;
    sum.b += e.b;
    sum.a += e.a;
    sum.count += e.count;
  };
  // Adds one subsample row of a pixel: s bytes from p.
  auto addRow = [&](Sum& sum, const std::uint8_t* p, const std::int32_t* owners) {
    int i = 0;
    for (; i + 8 <= s; i += 8) {
      const std::uint64_t w = Word(p + i);
      if (w == kEmptyWord) continue;
      if (single) {
        // Bytes are 0 (the only colour) or empty (all ones).
        sum.count += CountMarked(ZeroBytes(w));
        continue;
      }
      // Most words hold one colour and empty subsamples: count them.
      const std::uint64_t empty = ZeroBytes(~w);
      const std::uint8_t b = p[i + std::countr_zero(~empty & kHighBits) / 8];
      const std::uint64_t same = ZeroBytes(w ^ (b * kByteOnes));
      if ((same | empty) == kHighBits && palette_.Exact(b)) {
        const std::uint32_t k = CountMarked(same);
        const Entry& e = table[b];
        sum.r += k * e.r;
        sum.g += k * e.g;
        sum.b += k * e.b;
        sum.a += k * e.a;
        sum.count += k;
        continue;
      }
      for (int k = i; k < i + 8; ++k) addByte(sum, p[k], owners[k]);
    }
    for (; i < s; ++i) {
      if (single) {
        sum.count += p[i] != BandBuffer::kEmpty;
      } else {
        addByte(sum, p[i], owners[i]);
      }
    }
  };

  const host::BMM_Color_64 only = palette_.colours[0];
  const auto subWidth = static_cast<std::size_t>(s) * static_cast<std::size_t>(target_->Width());
  for (int r = 0; r < rows; ++r) {
    const TouchedRange range = band_.Range(r);
    if (range.hi < range.lo) continue;
    const std::span<host::BMM_Color_64> out = target_->Row(top + r);
    const std::uint8_t* colours = band_.Colours(r * s);
    const std::int32_t* owners = band_.Owners(r * s);
    for (int x = range.lo; x <= range.hi; ++x) {
      if (!band_.Touched(r, x)) continue;
      Sum sum;
      const auto column = static_cast<std::size_t>(x) * static_cast<std::size_t>(s);
      for (int k = 0; k < s; ++k) {
        const std::size_t at = static_cast<std::size_t>(k) * subWidth + column;
        addRow(sum, colours + at, owners + at);
      }
      if (sum.count == 0) continue;
      if (single) {
        const std::uint32_t c = sum.count;
        sum = {};
        sum.Add(only, c);
      }
      host::BMM_Color_64 pixel{divide.Average(sum.r), divide.Average(sum.g), divide.Average(sum.b),
                               divide.Average(sum.a)};
      host::BMM_Color_64& dst = out[static_cast<std::size_t>(x)];
      if (blend && pixel.a < 65535) {
        const std::uint32_t transparency = 65536u - pixel.a;
        pixel = {Over(pixel.r, dst.r, transparency), Over(pixel.g, dst.g, transparency),
                 Over(pixel.b, dst.b, transparency), Over(pixel.a, dst.a, transparency)};
      }
      dst = pixel;
    }
  }
}

}  // namespace pw
