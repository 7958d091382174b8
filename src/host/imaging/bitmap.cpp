#include "host/imaging/bitmap.h"

#include <algorithm>
#include <new>
#include <utility>

namespace host {

bool Bitmap::Create(int width, int height) {
  if (!ValidSize(width, height)) return false;
  try {
    std::vector<BMM_Color_64> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    pixels_ = std::move(pixels);
  } catch (const std::bad_alloc&) {
    return false;
  }
  z_.clear();
  z_.shrink_to_fit();
  width_ = width;
  height_ = height;
  aspect_ = 1.0f;
  return true;
}

BMM_Color_64 Bitmap::GetPixel(int x, int y) const {
  return Inside(x, y) ? pixels_[Index(x, y)] : BMM_Color_64{};
}

bool Bitmap::SetPixel(int x, int y, BMM_Color_64 color) {
  if (!Inside(x, y)) return false;
  pixels_[Index(x, y)] = color;
  return true;
}

std::span<BMM_Color_64> Bitmap::Row(int y) {
  if (y < 0 || y >= height_) return {};
  return std::span<BMM_Color_64>(pixels_).subspan(Index(0, y), static_cast<std::size_t>(width_));
}

std::span<const BMM_Color_64> Bitmap::Row(int y) const {
  if (y < 0 || y >= height_) return {};
  return std::span<const BMM_Color_64>(pixels_).subspan(Index(0, y), static_cast<std::size_t>(width_));
}

int Bitmap::GetLinearPixels(int x, int y, int count, BMM_Color_64* out) const {
  if (!Inside(x, y) || count <= 0 || out == nullptr) return 0;
  const std::size_t start = Index(x, y);
  const std::size_t n = std::min(static_cast<std::size_t>(count), pixels_.size() - start);
  std::copy_n(pixels_.begin() + static_cast<std::ptrdiff_t>(start), n, out);
  return static_cast<int>(n);
}

int Bitmap::PutPixels(int x, int y, int count, const BMM_Color_64* in) {
  if (!Inside(x, y) || count <= 0 || in == nullptr) return 0;
  const std::size_t start = Index(x, y);
  const std::size_t n = std::min(static_cast<std::size_t>(count), pixels_.size() - start);
  std::copy_n(in, n, pixels_.begin() + static_cast<std::ptrdiff_t>(start));
  return static_cast<int>(n);
}

void Bitmap::Fill(BMM_Color_64 color) { std::fill(pixels_.begin(), pixels_.end(), color); }

bool Bitmap::CreateZ() {
  if (Empty()) return false;
  if (HasZ()) return true;
  try {
    z_.assign(pixels_.size(), kNoZ);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

float Bitmap::Z(int x, int y) const { return HasZ() && Inside(x, y) ? z_[Index(x, y)] : kNoZ; }

bool Bitmap::SetZ(int x, int y, float z) {
  if (!HasZ() || !Inside(x, y)) return false;
  z_[Index(x, y)] = z;
  return true;
}

std::span<float> Bitmap::ZRow(int y) {
  if (!HasZ() || y < 0 || y >= height_) return {};
  return std::span<float>(z_).subspan(Index(0, y), static_cast<std::size_t>(width_));
}

std::span<const float> Bitmap::ZRow(int y) const {
  if (!HasZ() || y < 0 || y >= height_) return {};
  return std::span<const float>(z_).subspan(Index(0, y), static_cast<std::size_t>(width_));
}

bool Bitmap::CopyImage(const Bitmap& source) {
  if (&source == this) return true;
  try {
    Bitmap copy(source);
    *this = std::move(copy);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace host
