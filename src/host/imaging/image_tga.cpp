// TGA writing: 32-bit BGRA, uncompressed, rows stored top row first.
// (Reading goes through stb_image, see image_stb.cpp.)
#include <cstddef>
#include <new>
#include <string>
#include <utility>

#include "host/imaging/image_io.h"

namespace host {
namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::uint8_t kTrueColor = 2;
// Descriptor: 8 alpha bits, and bit 5 set for a top-left origin so that rows
// go out in the order they are stored.
constexpr std::uint8_t kDescriptor = 0x08 | 0x20;

void PutLE16(std::uint8_t* p, int v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

}  // namespace

bool EncodeTga(const Bitmap& image, std::vector<std::uint8_t>* out, std::string* error,
               const ImageWriteProgress& progress) {
  try {
    if (out == nullptr) {
      if (error != nullptr) *error = "no output buffer given";
      return false;
    }
    if (image.Empty()) {
      if (error != nullptr) *error = "cannot write an empty image";
      return false;
    }
    // Bitmap::kMaxSide keeps both sides within TGA's 16-bit fields.
    std::vector<std::uint8_t> bytes(kHeaderSize + image.Pixels().size() * 4);
    std::uint8_t* h = bytes.data();
    h[2] = kTrueColor;
    PutLE16(h + 12, image.Width());
    PutLE16(h + 14, image.Height());
    h[16] = 32;
    h[17] = kDescriptor;
    std::uint8_t* dst = h + kHeaderSize;
    for (int y = 0; y < image.Height(); ++y) {
      for (const BMM_Color_64& p : image.Row(y)) {
        *dst++ = Channel16To8(p.b);
        *dst++ = Channel16To8(p.g);
        *dst++ = Channel16To8(p.r);
        *dst++ = Channel16To8(p.a);
      }
      if (progress && !progress(y + 1, image.Height())) {
        if (error != nullptr) *error = "cancelled";
        return false;
      }
    }
    *out = std::move(bytes);
    return true;
  } catch (const std::bad_alloc&) {
    if (error != nullptr) *error = "out of memory";
    return false;
  }
}

}  // namespace host
