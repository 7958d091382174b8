// TGA, JPEG and BMP reading through stb_image (compiled into Debian's libstb).
//
// stb_image reads zeros past the end of its input instead of failing, so a
// truncated file would come back with its missing part black. The checks
// below catch truncation first, for every layout whose size the header fixes
// and for RLE TGA; a JPEG must at least contain its end-of-image marker.
#include <stb/stb_image.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "host/imaging/image_io.h"

namespace host {
namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint32_t LE16(Bytes b, std::size_t at) { return b[at] | (std::uint32_t{b[at + 1]} << 8); }
std::uint32_t LE32(Bytes b, std::size_t at) { return LE16(b, at) | (LE16(b, at + 2) << 16); }

bool HasJpegEnd(Bytes b) {
  // Entropy-coded data escapes every 0xFF, so FF D9 only occurs as a marker.
  for (std::size_t i = b.size(); i >= 2; --i) {
    if (b[i - 2] == 0xFF && b[i - 1] == 0xD9) return true;
  }
  return false;
}

// Bytes an uncompressed BMP needs, or nothing for layouts we do not size.
std::optional<std::uint64_t> BmpNeededSize(Bytes b) {
  if (b.size() < 18) return std::uint64_t{18};
  const std::uint32_t offset = LE32(b, 10);
  const std::uint32_t headerSize = LE32(b, 14);
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t bpp = 0;
  std::uint32_t compression = 0;
  if (headerSize == 12) {
    if (b.size() < 26) return std::uint64_t{26};
    width = LE16(b, 18);
    height = LE16(b, 20);
    bpp = LE16(b, 24);
  } else if (headerSize >= 40) {
    if (b.size() < 34) return std::uint64_t{34};
    width = static_cast<std::int32_t>(LE32(b, 18));
    height = static_cast<std::int32_t>(LE32(b, 22));
    bpp = LE16(b, 28);
    compression = LE32(b, 30);
  } else {
    return std::nullopt;
  }
  const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
  if (!uncompressed || width <= 0 || height == 0 || bpp == 0 || bpp > 32) return std::nullopt;
  if (height < 0) height = -height;
  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bpp + 31) / 32) * 4;
  return std::uint64_t{offset} + stride * static_cast<std::uint64_t>(height);
}

// Whether a TGA's pixel data is all there (uncompressed and RLE kinds).
bool TgaComplete(Bytes b) {
  if (b.size() < 18) return false;
  const std::uint32_t type = b[2];
  const std::uint64_t pixelBytes = (std::uint64_t{b[16]} + 7) / 8;
  const std::uint64_t pixels = std::uint64_t{LE16(b, 12)} * LE16(b, 14);
  std::uint64_t pos = 18 + std::uint64_t{b[0]};
  if (b[1] == 1) pos += std::uint64_t{LE16(b, 5)} * ((std::uint64_t{b[7]} + 7) / 8);
  if (type == 1 || type == 2 || type == 3) return pos + pixels * pixelBytes <= b.size();
  if (type != 9 && type != 10 && type != 11) return true;  // stb decides
  if (pixelBytes == 0) return true;
  std::uint64_t done = 0;
  while (done < pixels) {
    if (pos >= b.size()) return false;
    const std::uint8_t packet = b[pos++];
    const std::uint64_t count = (packet & 0x7Fu) + 1u;
    pos += (packet & 0x80u) != 0 ? pixelBytes : count * pixelBytes;
    done += count;
  }
  return pos <= b.size();
}

// The reason a file fails its format's truncation and signature checks, if it does.
std::optional<std::string> CheckLayout(Bytes b, ImageFormat format) {
  switch (format) {
    case ImageFormat::Jpeg:
      if (b.size() < 3 || b[0] != 0xFF || b[1] != 0xD8 || b[2] != 0xFF) return "not a JPEG file";
      if (!HasJpegEnd(b)) return "truncated JPEG file (no end-of-image marker)";
      return std::nullopt;
    case ImageFormat::Bmp: {
      if (b.size() < 2 || b[0] != 'B' || b[1] != 'M') return "not a BMP file";
      const std::optional<std::uint64_t> needed = BmpNeededSize(b);
      if (needed && *needed > b.size()) {
        return "truncated BMP file (" + std::to_string(b.size()) + " bytes, the header calls for " +
               std::to_string(*needed) + ")";
      }
      return std::nullopt;
    }
    case ImageFormat::Tga:
      if (b.size() < 18) return "not a TGA file (shorter than a TGA header)";
      if (!TgaComplete(b)) return "truncated TGA file";
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

struct StbFree {
  void operator()(stbi_uc* p) const { stbi_image_free(p); }
};

const char* StbReason() {
  const char* reason = stbi_failure_reason();
  return reason != nullptr ? reason : "unknown reason";
}

bool Decode(Bytes bytes, ImageFormat expected, Bitmap& out, std::string* error, BitmapInfo* info) {
  const std::string name = expected == ImageFormat::Unknown ? "image" : FormatName(expected);
  auto fail = [error](std::string message) {
    if (error != nullptr) *error = std::move(message);
    return false;
  };
  if (bytes.empty()) return fail("not a " + name + " file (the file is empty)");
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return fail("file too large to decode");
  if (std::optional<std::string> problem = CheckLayout(bytes, expected)) return fail(*problem);

  const int length = static_cast<int>(bytes.size());
  int width = 0;
  int height = 0;
  int channels = 0;
  if (stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) == 0) {
    return fail("not a valid " + name + " file (" + StbReason() + ")");
  }
  // stb reports a top-down BMP's height as stored: negative.
  if (height < 0 && height != INT_MIN) height = -height;
  if (!Bitmap::ValidSize(width, height)) {
    return fail("image too large (" + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; at most 65535 a side and 2^28 pixels in all)");
  }
  std::unique_ptr<stbi_uc, StbFree> data(
      stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 4));
  if (data == nullptr) return fail("corrupt " + name + " file (" + StbReason() + ")");

  Bitmap image;
  if (!image.Create(width, height)) return fail("out of memory for the image");
  const stbi_uc* src = data.get();
  for (BMM_Color_64& p : image.Pixels()) {
    p = {Channel8To16(src[0]), Channel8To16(src[1]), Channel8To16(src[2]), Channel8To16(src[3])};
    src += 4;
  }
  if (info != nullptr) {
    info->width = width;
    info->height = height;
    info->aspect = 1.0f;
    info->format = expected;
    info->bitsPerChannel = 8;
    info->hasAlpha = channels == 2 || channels == 4;
  }
  out = std::move(image);
  return true;
}

}  // namespace

bool DecodeWithStb(Bytes bytes, ImageFormat expected, Bitmap& out, std::string* error, BitmapInfo* info) {
  try {
    return Decode(bytes, expected, out, error, info);
  } catch (const std::bad_alloc&) {
    if (error != nullptr) *error = "out of memory";
    return false;
  }
}

}  // namespace host
