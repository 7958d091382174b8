// The frame's per-pixel surface fragments.
//
// One front record per pixel of the output image (row 0 first) holds the
// nearest fragment; translucent fragments behind it are chained through a
// pool of records addressed by index, so a frame allocates in big steps
// rather than per fragment. The buffer is sized once per render run and
// reset to the background at the start of every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pw {

// Depth of a record nothing was drawn on (camera-space z; larger is nearer).
inline constexpr float kEmptyDepth = -1e30f;
inline constexpr std::uint16_t kOpaqueAlpha = 65535;
// Bit of PwFragment::flags: the fragment adds to what lies behind it.
inline constexpr std::uint8_t kFragmentAdditive = 0x01;
// Index meaning "no record".
inline constexpr std::int32_t kNoFragment = -1;

struct PwFragment {
  float depth = kEmptyDepth;
  std::uint16_t red = 0;  // premultiplied by alpha
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  std::uint16_t alpha = 0;
  std::int16_t instance = -1;  // the instance's gathering index
  std::uint8_t flags = 0;
  std::uint8_t spare = 0;
  std::int32_t next = kNoFragment;  // into the pool

  bool opaque() const { return alpha == kOpaqueAlpha; }
  bool empty() const { return depth == kEmptyDepth; }
};
static_assert(sizeof(PwFragment) == 20, "twenty bytes a record bound the buffer's memory");

// What every record holds at the start of a field: the background colour,
// fully transparent, so surfaces composite over it and an uncovered pixel
// can be told from a covered one.
inline PwFragment backgroundRecord(std::uint16_t red, std::uint16_t green, std::uint16_t blue) {
  PwFragment f;
  f.red = red;
  f.green = green;
  f.blue = blue;
  return f;
}

struct PwPixelBuffer {
  // The pool grows by this many records whenever its free list runs dry.
  static constexpr int kPoolGrowth = 5000;

  int width = 0;
  int height = 0;
  std::vector<PwFragment> pixels;  // width x height front records
  std::vector<PwFragment> pool;
  std::int32_t freeHead = kNoFragment;
  int total = 0;  // records in the pool

  // Sizes the buffer to w x h front records, keeping the allocation when the
  // count does not change. On failure (a bad size, no memory) the buffer is
  // 0 x 0 and the answer false.
  bool resize(int w, int h);
  // Gives all memory back: a 0 x 0 buffer with an empty pool.
  void release();

  PwFragment& at(int x, int y) { return pixels[index(x, y)]; }
  const PwFragment& at(int x, int y) const { return pixels[index(x, y)]; }
  std::size_t index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
  }

  // A pool record taken off the free list (growing the pool by kPoolGrowth
  // when it is empty), reset to an empty fragment; kNoFragment when memory
  // runs out.
  std::int32_t allocFragment();
  // Returns the chain starting at `first` to the free list.
  void releaseChain(std::int32_t first);
  // Empties the pool: no record is chained any more.
  void freePool();

  // Whether an opaque record of the pixel's chain lies nearer than depth:
  // a fragment there would never show, so it need not be shaded.
  bool isHidden(float depth, std::size_t pixel) const;
  // Puts a fragment into the pixel's chain by depth. An opaque fragment cuts
  // off everything behind it; one behind an opaque record is dropped. False
  // only when a pool record was needed and memory ran out.
  bool insert(const PwFragment& fragment, std::size_t pixel);
  // Composites every pixel's chain, farthest first, into its front record
  // (additive fragments add and saturate, the rest are laid over), then
  // empties the pool.
  void resolve();

 private:
  std::vector<std::int32_t> chainScratch_;  // one chain's records while resolving
};

}  // namespace pw
