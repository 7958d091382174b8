// A band's subsamples into pixels: each pixel drawn on gets the average of
// its subsamples (empty ones count as nothing), optionally composited over
// what the bitmap holds.
#include <algorithm>
#include <bit>
#include <cstring>

#include "lines/line_rasterizer.h"

namespace pw {

namespace {

constexpr std::uint64_t kEmptyWord = ~std::uint64_t{0};
constexpr std::uint64_t kByteOnes = 0x0101010101010101ull;

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

std::uint64_t Word(const std::uint8_t* p) {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Rounded to nearest: a pixel half covered by an opaque line gets exactly
// half of full alpha (32768), and a full one keeps 65535.
std::uint16_t Average(std::uint32_t sum, std::uint32_t n) {
  return static_cast<std::uint16_t>((sum + n / 2) / n);
}

std::uint16_t Over(std::uint16_t line, std::uint16_t below, std::uint32_t transparency) {
  const std::uint32_t v = line + ((std::uint32_t{below} * transparency) >> 16);
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(v, 65535));
}

}  // namespace

void LineRasterizer::Resolve(const LineOutlineList& list, int top, int rows, bool blend) {
  const int s = samples_;
  const auto n = static_cast<std::uint32_t>(s * s);
  const bool single = palette_.Single();
  const host::BMM_Color_64 only = palette_.colours[0];

  // Adds subsample row k of pixel x of band row r.
  auto addRow = [&](Sum& sum, const std::uint8_t* p, const std::int32_t* owners) {
    int i = 0;
    for (; i + 8 <= s; i += 8) {
      const std::uint64_t w = Word(p + i);
      if (w == kEmptyWord) continue;
      if (single) {
        // Bytes are 0 (the only colour) or empty (all ones).
        sum.count += static_cast<std::uint32_t>(std::popcount(~w)) / 8;
        continue;
      }
      const std::uint8_t b0 = p[i];
      if (w == b0 * kByteOnes && palette_.Exact(b0)) {
        sum.Add(palette_.colours[b0], 8);
        continue;
      }
      for (int k = i; k < i + 8; ++k) {
        const std::uint8_t b = p[k];
        if (b == BandBuffer::kEmpty) continue;
        sum.Add(palette_.Exact(b) ? palette_.colours[b] : ColourOf(list.outlines[static_cast<std::size_t>(owners[k])]));
      }
    }
    for (; i < s; ++i) {
      const std::uint8_t b = p[i];
      if (b == BandBuffer::kEmpty) continue;
      if (single) {
        ++sum.count;
      } else {
        sum.Add(palette_.Exact(b) ? palette_.colours[b] : ColourOf(list.outlines[static_cast<std::size_t>(owners[i])]));
      }
    }
  };

  for (int r = 0; r < rows; ++r) {
    const TouchedRange range = band_.Range(r);
    if (range.hi < range.lo) continue;
    const std::span<host::BMM_Color_64> out = target_->Row(top + r);
    for (int x = range.lo; x <= range.hi; ++x) {
      if (!band_.Touched(r, x)) continue;
      Sum sum;
      const auto column = static_cast<std::size_t>(x) * static_cast<std::size_t>(s);
      for (int k = 0; k < s; ++k) addRow(sum, band_.Colours(r * s + k) + column, band_.Owners(r * s + k) + column);
      if (sum.count == 0) continue;
      if (single) {
        const std::uint32_t c = sum.count;
        sum = {};
        sum.Add(only, c);
      }
      host::BMM_Color_64 pixel{Average(sum.r, n), Average(sum.g, n), Average(sum.b, n), Average(sum.a, n)};
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
