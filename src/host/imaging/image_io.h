// Reading and writing image files.
//
// The format follows the file extension, in any letter case:
//   .png          read: every standard kind (gray, gray+alpha, palette, RGB,
//                 RGBA; 1 to 16 bits; interlaced or not). Write: RGBA with 8
//                 or 16 bits a channel; a pixel aspect other than 1 is stored
//                 in the pHYs chunk and read back from it.
//   .tga          read: true colour, gray, colour-mapped, RLE or not, either
//                 origin. Write: 32-bit BGRA, uncompressed, top-left origin.
//   .jpg .jpeg    read only.
//   .bmp          read only.
// A file whose content is plainly another supported format (PNG, JPEG and BMP
// carry signatures) is read as what it is, whatever its extension says.
//
// Everything read becomes 16-bit RGBA: 8-bit samples are multiplied by 257 and
// files without alpha read as opaque (65535). Writing 8 bits a channel rounds
// each 16-bit sample to nearest with Channel16To8: (v * 255 + 32767) / 65535.
// Samples are taken as stored: gamma and colour-profile chunks are ignored.
// Images larger than Bitmap::ValidSize allows are refused from the header,
// before any pixel memory is allocated. Z channels are not stored in files.
//
// Failures return false with a message in *error (when error is not null):
// "<file>: <what is wrong>" for the file functions, just "<what is wrong>" for
// the in-memory codecs. The output bitmap is untouched on failure, and a
// failed write leaves any existing file as it was (see atomic_file.h).
// No exception leaves these functions.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/imaging/bitmap.h"

namespace host {

enum class ImageFormat { Unknown, Png, Tga, Jpeg, Bmp };

// The format named by the path's extension; Unknown for anything else.
ImageFormat FormatFromPath(std::string_view path);
// "PNG", "TGA", "JPEG", "BMP" or "unknown".
const char* FormatName(ImageFormat format);

// What a file held, as read.
struct BitmapInfo {
  std::string name;  // the file's path
  int width = 0;
  int height = 0;
  float aspect = 1.0f;  // pixel aspect, as in Bitmap::Aspect
  ImageFormat format = ImageFormat::Unknown;
  int bitsPerChannel = 8;  // as stored (PNG: 1, 2, 4, 8 or 16)
  bool hasAlpha = false;   // the file carried alpha (or PNG transparency)
};

// Told how many of a picture's rows are encoded (done of total), and once
// more, with done == total, just before the file replaces the old one. An
// answer false stops the write: the old file stays as it was and the write
// fails with "<file>: cancelled".
using ImageWriteProgress = std::function<bool(int done, int total)>;

struct ImageWriteOptions {
  // Brace-initialised from the depth alone ({16}) where no progress is wanted.
  ImageWriteOptions(int bits = 8, ImageWriteProgress onRows = {})  // NOLINT(google-explicit-constructor)
      : bitsPerChannel(bits), progress(std::move(onRows)) {}
  int bitsPerChannel = 8;  // 8, or 16 for PNG
  ImageWriteProgress progress;  // may be empty
};

bool ReadImage(const std::string& path, Bitmap& out, std::string* error, BitmapInfo* info = nullptr);
bool WriteImage(const std::string& path, const Bitmap& image, const ImageWriteOptions& options,
                std::string* error);

// In-memory codecs behind the file functions.
// DecodeImage picks the decoder from the content's signature, else `expected`.
bool DecodeImage(std::span<const std::uint8_t> bytes, ImageFormat expected, Bitmap& out,
                 std::string* error, BitmapInfo* info = nullptr);
bool DecodePng(std::span<const std::uint8_t> bytes, Bitmap& out, std::string* error,
               BitmapInfo* info = nullptr);
// TGA, JPEG and BMP; `expected` words the messages and selects the checks
// for truncated files.
bool DecodeWithStb(std::span<const std::uint8_t> bytes, ImageFormat expected, Bitmap& out,
                   std::string* error, BitmapInfo* info = nullptr);
// With `progress`, told after each row (done of total = the image's height);
// an answer false stops the encoding with the error "cancelled".
bool EncodePng(const Bitmap& image, int bitsPerChannel, std::vector<std::uint8_t>* out,
               std::string* error, const ImageWriteProgress& progress = {});
bool EncodeTga(const Bitmap& image, std::vector<std::uint8_t>* out, std::string* error,
               const ImageWriteProgress& progress = {});

}  // namespace host
