#include "lines/band_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pw {

std::int64_t BandBuffer::SubsampleRowBytes(int width, int samples) {
  return std::int64_t{5} * samples * samples * width;
}

std::int64_t BandBuffer::TrackingRowBytes(int width) {
  return std::int64_t{8} * ((width + 63) / 64) + static_cast<std::int64_t>(sizeof(TouchedRange));
}

std::int64_t BandBuffer::HeldBytes() const {
  return static_cast<std::int64_t>(subsampleCapacity_ * (sizeof(std::uint8_t) + sizeof(std::int32_t)) +
                                   wordCapacity_ * sizeof(std::uint64_t) + rangeCapacity_ * sizeof(TouchedRange));
}

void BandBuffer::Free() {
  colours_.reset();
  owners_.reset();
  touched_.reset();
  ranges_.reset();
  subsampleCapacity_ = wordCapacity_ = rangeCapacity_ = 0;
  layout_ = {};
}

bool BandBuffer::Reserve(const BandLayout& layout, std::int64_t maxBytes) {
  const auto rows = static_cast<std::size_t>(layout.rows);
  const std::size_t subsamples = rows * static_cast<std::size_t>(layout.samples) *
                                 static_cast<std::size_t>(layout.samples) * static_cast<std::size_t>(layout.width);
  const std::size_t words = layout.tracked ? rows * static_cast<std::size_t>((layout.width + 63) / 64) : 0;
  const std::size_t ranges = layout.tracked ? rows : 0;
  const bool fits = subsampleCapacity_ >= subsamples && wordCapacity_ >= words && rangeCapacity_ >= ranges;
  if (!fits || HeldBytes() > maxBytes) {
    Free();
    try {
      colours_ = std::make_unique_for_overwrite<std::uint8_t[]>(subsamples);
      owners_ = std::make_unique_for_overwrite<std::int32_t[]>(subsamples);
      if (words) touched_ = std::make_unique<std::uint64_t[]>(words);
      if (ranges) ranges_ = std::make_unique_for_overwrite<TouchedRange[]>(ranges);
    } catch (const std::bad_alloc&) {
      Free();
      return false;
    }
    std::memset(colours_.get(), kEmpty, subsamples);
    subsampleCapacity_ = subsamples;
    wordCapacity_ = words;
    rangeCapacity_ = ranges;
  }
  layout_ = layout;
  for (std::size_t r = 0; r < ranges; ++r) ranges_[r] = TouchedRange{};
  return true;
}

void BandBuffer::Touch(int row, int x0, int x1) {
  if (!layout_.tracked) return;
  TouchedRange& range = ranges_[static_cast<std::size_t>(row)];
  if (range.hi < range.lo) {
    range = {x0, x1};
  } else {
    range.lo = std::min(range.lo, x0);
    range.hi = std::max(range.hi, x1);
  }
  std::uint64_t* words = touched_.get() + static_cast<std::size_t>(row) * static_cast<std::size_t>(WordsPerRow());
  const int w0 = x0 >> 6;
  const int w1 = x1 >> 6;
  const std::uint64_t first = ~std::uint64_t{0} << (x0 & 63);
  const std::uint64_t last = ~std::uint64_t{0} >> (63 - (x1 & 63));
  if (w0 == w1) {
    words[w0] |= first & last;
    return;
  }
  words[w0] |= first;
  for (int w = w0 + 1; w < w1; ++w) words[w] = ~std::uint64_t{0};
  words[w1] |= last;
}

bool BandBuffer::Touched(int row, int x) const {
  if (!layout_.tracked) return true;
  const std::uint64_t word =
      touched_[static_cast<std::size_t>(row) * static_cast<std::size_t>(WordsPerRow()) + static_cast<std::size_t>(x >> 6)];
  return (word >> (x & 63)) & 1u;
}

TouchedRange BandBuffer::Range(int row) const {
  if (!layout_.tracked) return {0, layout_.width - 1};
  return ranges_[static_cast<std::size_t>(row)];
}

void BandBuffer::ResetTouched() {
  const int s = layout_.samples;
  const auto sw = static_cast<std::size_t>(s) * static_cast<std::size_t>(layout_.width);
  if (!layout_.tracked) {
    std::memset(colours_.get(), kEmpty, sw * static_cast<std::size_t>(s) * static_cast<std::size_t>(layout_.rows));
    return;
  }
  for (int row = 0; row < layout_.rows; ++row) {
    TouchedRange& range = ranges_[static_cast<std::size_t>(row)];
    if (range.hi < range.lo) continue;
    const auto from = static_cast<std::size_t>(range.lo) * static_cast<std::size_t>(s);
    const auto count = static_cast<std::size_t>(range.hi - range.lo + 1) * static_cast<std::size_t>(s);
    for (int k = 0; k < s; ++k) std::memset(Colours(row * s + k) + from, kEmpty, count);
    std::uint64_t* words =
        touched_.get() + static_cast<std::size_t>(row) * static_cast<std::size_t>(WordsPerRow());
    std::fill(words + (range.lo >> 6), words + (range.hi >> 6) + 1, std::uint64_t{0});
    range = TouchedRange{};
  }
}

}  // namespace pw
