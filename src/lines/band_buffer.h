// The subsample memory of one band of pixel rows: a colour-index byte and
// an outline index per subsample, and which pixels were drawn on.
//
// Between draws every colour byte is empty and nothing is marked touched;
// after each band only what was touched is emptied again, so a band costs
// what was drawn on it, not its size. The outline indices are read only
// where a colour byte is set, so they are never cleared.
#pragma once

#include <cstdint>
#include <memory>

namespace pw {

struct TouchedRange {
  int lo = 0;
  int hi = -1;  // hi < lo: nothing touched
};

struct BandLayout {
  int width = 0;    // pixels
  int samples = 1;  // subsamples per pixel edge
  int rows = 0;     // pixel rows
  // Keep touched bits and row ranges. Without them every pixel of a row is
  // looked at, which gives the same picture more slowly; only a budget too
  // small for them goes without.
  bool tracked = true;
};

class BandBuffer {
 public:
  static constexpr std::uint8_t kEmpty = 255;

  // Bytes of subsample memory per pixel row: a colour byte and a 4-byte
  // outline index per subsample.
  static std::int64_t SubsampleRowBytes(int width, int samples);
  // The touched bits and x range of one pixel row.
  static std::int64_t TrackingRowBytes(int width);

  // Lays the buffer out for `layout`, keeping the memory held when it is
  // enough and holds no more than `maxBytes`. False when memory runs out
  // (the buffer is then empty).
  bool Reserve(const BandLayout& layout, std::int64_t maxBytes);
  void Free();
  std::int64_t HeldBytes() const;
  const BandLayout& Layout() const { return layout_; }

  // Subsample row r of the band (0 at its top), s x width entries.
  std::uint8_t* Colours(int r) { return colours_.get() + Offset(r); }
  const std::uint8_t* Colours(int r) const { return colours_.get() + Offset(r); }
  std::int32_t* Owners(int r) { return owners_.get() + Offset(r); }
  const std::int32_t* Owners(int r) const { return owners_.get() + Offset(r); }

  // Pixels x0..x1 of pixel row `row` were drawn on.
  void Touch(int row, int x0, int x1);
  bool Touched(int row, int x) const;
  // Pixels of the row worth looking at when resolving.
  TouchedRange Range(int row) const;

  // Empties every touched subsample and forgets what was touched.
  void ResetTouched();

 private:
  std::size_t Offset(int r) const {
    return static_cast<std::size_t>(r) * static_cast<std::size_t>(layout_.samples) *
           static_cast<std::size_t>(layout_.width);
  }
  int WordsPerRow() const { return (layout_.width + 63) / 64; }

  BandLayout layout_;
  std::unique_ptr<std::uint8_t[]> colours_;
  std::unique_ptr<std::int32_t[]> owners_;
  std::unique_ptr<std::uint64_t[]> touched_;
  std::unique_ptr<TouchedRange[]> ranges_;
  std::size_t subsampleCapacity_ = 0;
  std::size_t wordCapacity_ = 0;
  std::size_t rangeCapacity_ = 0;
};

}  // namespace pw
