// In-memory images: 16 bits per channel RGBA with an optional Z channel.
//
// Pixels are stored row-major, top row first, so Row(0) is the top of the
// picture whatever file format it later goes to. A Bitmap is a plain value:
// copying it copies the pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace host {

// One pixel, 16 bits a channel. Alpha is straight (not premultiplied).
struct BMM_Color_64 {
  std::uint16_t r = 0;
  std::uint16_t g = 0;
  std::uint16_t b = 0;
  std::uint16_t a = 0;
  friend constexpr bool operator==(const BMM_Color_64&, const BMM_Color_64&) = default;
};
static_assert(sizeof(BMM_Color_64) == 8, "pixel rows are handed to file codecs as raw samples");

// Z value of a pixel nothing was drawn on.
inline constexpr float kNoZ = -1.0e30f;

// Channel depth conversions used by every 8-bit file format.
// 16 -> 8 rounds to nearest: (v * 255 + 32767) / 65535. So 0 -> 0, 65535 -> 255,
// 257 * k -> k exactly, 32767 -> 127 and 32768 -> 128.
// 8 -> 16 multiplies by 257 (0 -> 0, 255 -> 65535), the exact inverse on 257 * k.
constexpr std::uint8_t Channel16To8(std::uint16_t v) {
  return static_cast<std::uint8_t>((std::uint32_t{v} * 255u + 32767u) / 65535u);
}
constexpr std::uint16_t Channel8To16(std::uint8_t v) {
  return static_cast<std::uint16_t>(std::uint32_t{v} * 257u);
}

class Bitmap {
 public:
  // Largest bitmap accepted, so that a corrupt or hostile file header cannot
  // make us allocate without bound: each side at most 65535 pixels (what TGA
  // and most tools can hold) and at most 2^28 pixels in all (2 GiB of RGBA).
  static constexpr int kMaxSide = 65535;
  static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;
  static constexpr bool ValidSize(int width, int height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
           std::int64_t{width} * height <= kMaxPixels;
  }

  // A fresh width x height image cleared to (0,0,0,0), aspect 1, no Z.
  // Returns false, leaving the bitmap as it was, when the size is not
  // ValidSize or memory runs out.
  bool Create(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return pixels_.empty(); }

  // Pixel aspect: the width of one pixel divided by its height.
  float Aspect() const { return aspect_; }
  void SetAspect(float aspect) { aspect_ = aspect; }

  // Out-of-range reads give (0,0,0,0); out-of-range writes do nothing and
  // return false.
  BMM_Color_64 GetPixel(int x, int y) const;
  bool SetPixel(int x, int y, BMM_Color_64 color);

  // One row (empty for a y out of range) and all pixels row by row.
  std::span<BMM_Color_64> Row(int y);
  std::span<const BMM_Color_64> Row(int y) const;
  std::span<BMM_Color_64> Pixels() { return pixels_; }
  std::span<const BMM_Color_64> Pixels() const { return pixels_; }

  // Copy `count` pixels starting at (x, y) in row-major order; a run longer
  // than the rest of the row carries on into the next rows. Stops at the last
  // pixel of the image. Returns how many pixels were copied (0 when (x, y) is
  // outside the image).
  int GetLinearPixels(int x, int y, int count, BMM_Color_64* out) const;
  int PutPixels(int x, int y, int count, const BMM_Color_64* in);

  void Fill(BMM_Color_64 color);

  // The Z channel exists only once asked for. CreateZ fills it with kNoZ and
  // keeps an existing channel as it is; it fails on an empty bitmap or when
  // memory runs out. Z() reads kNoZ where there is no channel or no pixel.
  bool HasZ() const { return !z_.empty(); }
  bool CreateZ();
  float Z(int x, int y) const;
  bool SetZ(int x, int y, float z);
  std::span<float> ZRow(int y);
  std::span<const float> ZRow(int y) const;

  // Becomes a copy of `source`: size, aspect, pixels and Z. Returns false,
  // leaving this bitmap as it was, when memory runs out.
  bool CopyImage(const Bitmap& source);

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
  }

  int width_ = 0;
  int height_ = 0;
  float aspect_ = 1.0f;
  std::vector<BMM_Color_64> pixels_;
  std::vector<float> z_;
};

}  // namespace host
