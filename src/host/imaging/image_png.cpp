// PNG through libpng.
//
// libpng reports errors by calling a handler that must not return; ours
// longjmps back to the setjmp in one of the small Run* functions below. Those
// functions hold no C++ objects of their own, so the jump skips no destructor:
// everything that needs cleaning up lives in the caller's state struct.
#include <png.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "host/imaging/image_io.h"

namespace host {
namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr std::size_t kSignatureSize = 8;

struct PngMessage {
  char text[256] = {};
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* m = static_cast<PngMessage*>(png_get_error_ptr(png));
  if (m != nullptr) std::snprintf(m->text, sizeof m->text, "%s", message != nullptr ? message : "libpng error");
  png_longjmp(png, 1);
}

// Warnings are about ancillary details (bad gamma, unknown chunks) that never
// change the pixels we take.
void OnPngWarning(png_structp, png_const_charp) {}

void SetError(std::string* error, std::string_view message) noexcept {
  if (error == nullptr) return;
  try {
    error->assign(message);
  } catch (const std::bad_alloc&) {
    *error = "out of memory";  // short enough to need no allocation
  }
}

// ---------------------------------------------------------------- reading

struct PngReadState {
  PngMessage message;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::span<const std::uint8_t> bytes;
  std::size_t pos = 0;
  bool truncated = false;
  std::vector<png_bytep> rows;

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  bool hasAlpha = false;
  float aspect = 1.0f;

  PngReadState() = default;
  PngReadState(const PngReadState&) = delete;
  PngReadState& operator=(const PngReadState&) = delete;
  ~PngReadState() {
    if (png != nullptr) png_destroy_read_struct(&png, &info, nullptr);
  }
};

void ReadFromMemory(png_structp png, png_bytep out, std::size_t count) {
  auto* s = static_cast<PngReadState*>(png_get_io_ptr(png));
  if (count > s->bytes.size() - s->pos) {
    s->truncated = true;
    png_error(png, "unexpected end of file");
  }
  std::memcpy(out, s->bytes.data() + s->pos, count);
  s->pos += count;
}

// Reads the header. The size is checked by the caller before any transform is
// set up, because libpng allocates its row buffers in png_read_update_info.
bool RunReadHeader(PngReadState& s) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_read_fn(s.png, &s, ReadFromMemory);
  // Our own size check gives the clearer message; libpng's default limits
  // would pre-empt it with theirs.
  png_set_user_limits(s.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_read_info(s.png, s.info);
  png_get_IHDR(s.png, s.info, &s.width, &s.height, &s.bitDepth, &s.colorType, nullptr, nullptr, nullptr);
  const bool hasTrns = png_get_valid(s.png, s.info, PNG_INFO_tRNS) != 0;
  s.hasAlpha = (s.colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns;
  png_uint_32 resX = 0;
  png_uint_32 resY = 0;
  int unit = 0;
  if (png_get_pHYs(s.png, s.info, &resX, &resY, &unit) != 0 && resX > 0 && resY > 0) {
    s.aspect = static_cast<float>(static_cast<double>(resY) / static_cast<double>(resX));
  }
  return true;
}

// Turns every kind of PNG into 16-bit RGBA in native byte order.
bool RunSetTransforms(PngReadState& s) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  if (s.colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
  if (s.colorType == PNG_COLOR_TYPE_GRAY && s.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
  if (png_get_valid(s.png, s.info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(s.png);
  if (s.bitDepth < 16) png_set_expand_16(s.png);  // 8-bit v becomes v * 257
  if ((s.colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(s.png);
  if (!s.hasAlpha) png_set_add_alpha(s.png, 0xFFFF, PNG_FILLER_AFTER);
  if (kLittleEndian) png_set_swap(s.png);
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  return true;
}

bool RunReadPixels(PngReadState& s) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_read_image(s.png, s.rows.data());
  png_read_end(s.png, nullptr);
  return true;
}

std::string CorruptMessage(const PngReadState& s) {
  if (s.truncated) return "truncated PNG file";
  return std::string("corrupt PNG file (") + s.message.text + ")";
}

bool DecodePngUnguarded(std::span<const std::uint8_t> bytes, Bitmap& out, std::string* error,
                        BitmapInfo* info) {
  if (bytes.size() < kSignatureSize || png_sig_cmp(bytes.data(), 0, kSignatureSize) != 0) {
    SetError(error, bytes.empty() ? "not a PNG file (the file is empty)" : "not a PNG file");
    return false;
  }
  PngReadState s;
  s.bytes = bytes;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.message, OnPngError, OnPngWarning);
  if (s.png != nullptr) s.info = png_create_info_struct(s.png);
  if (s.png == nullptr || s.info == nullptr) {
    SetError(error, "cannot start the PNG decoder (out of memory)");
    return false;
  }
  if (!RunReadHeader(s)) {
    SetError(error, CorruptMessage(s));
    return false;
  }
  const int width = static_cast<int>(s.width);
  const int height = static_cast<int>(s.height);
  if (!Bitmap::ValidSize(width, height)) {
    SetError(error, "image too large (" + std::to_string(s.width) + " x " + std::to_string(s.height) +
                        " pixels; at most 65535 a side and 2^28 pixels in all)");
    return false;
  }
  if (!RunSetTransforms(s)) {
    SetError(error, CorruptMessage(s));
    return false;
  }
  if (png_get_rowbytes(s.png, s.info) != static_cast<std::size_t>(width) * sizeof(BMM_Color_64)) {
    SetError(error, "unsupported PNG layout");
    return false;
  }
  Bitmap image;
  if (!image.Create(width, height)) {
    SetError(error, "out of memory for a " + std::to_string(width) + " x " + std::to_string(height) + " image");
    return false;
  }
  s.rows.resize(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) s.rows[static_cast<std::size_t>(y)] = reinterpret_cast<png_bytep>(image.Row(y).data());
  if (!RunReadPixels(s)) {
    SetError(error, CorruptMessage(s));
    return false;
  }
  image.SetAspect(s.aspect);
  if (info != nullptr) {
    info->width = width;
    info->height = height;
    info->aspect = s.aspect;
    info->format = ImageFormat::Png;
    info->bitsPerChannel = s.bitDepth;
    info->hasAlpha = s.hasAlpha;
  }
  out = std::move(image);
  return true;
}

// ---------------------------------------------------------------- writing

struct PngWriteState {
  PngMessage message;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t>* out = nullptr;
  bool outOfMemory = false;
  bool cancelled = false;
  std::vector<std::uint8_t> row8;

  PngWriteState() = default;
  PngWriteState(const PngWriteState&) = delete;
  PngWriteState& operator=(const PngWriteState&) = delete;
  ~PngWriteState() {
    if (png != nullptr) png_destroy_write_struct(&png, &info);
  }
};

void WriteToMemory(png_structp png, png_bytep data, std::size_t count) {
  auto* s = static_cast<PngWriteState*>(png_get_io_ptr(png));
  try {
    s->out->insert(s->out->end(), data, data + count);
  } catch (const std::bad_alloc&) {
    s->outOfMemory = true;
  }
  // Raised outside the catch block: jumping out of a handler would skip the
  // exception's cleanup.
  if (s->outOfMemory) png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

// pHYs with no unit: the ratio of its two resolutions is the pixel aspect.
void SetAspect(png_structp png, png_infop info, float aspect) {
  if (!std::isfinite(aspect) || aspect <= 0.0f || aspect == 1.0f) return;
  constexpr double kBase = 100000.0;
  constexpr double kMax = PNG_UINT_31_MAX;
  double resX = kBase;
  double resY = kBase;
  if (aspect >= 1.0f) {
    resY = std::min(kMax, std::round(kBase * aspect));
  } else {
    resX = std::min(kMax, std::round(kBase / aspect));
  }
  png_set_pHYs(png, info, static_cast<png_uint_32>(resX), static_cast<png_uint_32>(resY), PNG_RESOLUTION_UNKNOWN);
}

bool RunWrite(PngWriteState& s, const Bitmap& image, int bits, const ImageWriteProgress& progress) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_write_fn(s.png, &s, WriteToMemory, FlushNothing);
  png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(image.Width()), static_cast<png_uint_32>(image.Height()),
               bits, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  SetAspect(s.png, s.info, image.Aspect());
  png_write_info(s.png, s.info);
  if (bits == 16 && kLittleEndian) png_set_swap(s.png);
  for (int y = 0; y < image.Height(); ++y) {
    const std::span<const BMM_Color_64> row = image.Row(y);
    if (bits == 16) {
      png_write_row(s.png, reinterpret_cast<png_const_bytep>(row.data()));
      if (progress && !progress(y + 1, image.Height())) {
        s.cancelled = true;
        return false;
      }
      continue;
    }
    std::uint8_t* dst = s.row8.data();
    for (const BMM_Color_64& p : row) {
      *dst++ = Channel16To8(p.r);
      *dst++ = Channel16To8(p.g);
      *dst++ = Channel16To8(p.b);
      *dst++ = Channel16To8(p.a);
    }
    png_write_row(s.png, s.row8.data());
    if (progress && !progress(y + 1, image.Height())) {
      s.cancelled = true;
      return false;
    }
  }
  png_write_end(s.png, nullptr);
  return true;
}

bool EncodePngUnguarded(const Bitmap& image, int bits, std::vector<std::uint8_t>* out, std::string* error,
                        const ImageWriteProgress& progress) {
  if (out == nullptr) {
    SetError(error, "no output buffer given");
    return false;
  }
  if (bits != 8 && bits != 16) {
    SetError(error, "PNG files hold 8 or 16 bits a channel, not " + std::to_string(bits));
    return false;
  }
  if (image.Empty()) {
    SetError(error, "cannot write an empty image");
    return false;
  }
  PngWriteState s;
  std::vector<std::uint8_t> encoded;
  s.out = &encoded;
  if (bits == 8) s.row8.resize(static_cast<std::size_t>(image.Width()) * 4);
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s.message, OnPngError, OnPngWarning);
  if (s.png != nullptr) s.info = png_create_info_struct(s.png);
  if (s.png == nullptr || s.info == nullptr) {
    SetError(error, "cannot start the PNG encoder (out of memory)");
    return false;
  }
  if (!RunWrite(s, image, bits, progress)) {
    SetError(error, s.cancelled ? std::string("cancelled") : std::string("cannot encode PNG (") + s.message.text + ")");
    return false;
  }
  *out = std::move(encoded);
  return true;
}

}  // namespace

bool DecodePng(std::span<const std::uint8_t> bytes, Bitmap& out, std::string* error, BitmapInfo* info) {
  try {
    return DecodePngUnguarded(bytes, out, error, info);
  } catch (const std::bad_alloc&) {
    SetError(error, "out of memory while reading PNG");
    return false;
  }
}

bool EncodePng(const Bitmap& image, int bitsPerChannel, std::vector<std::uint8_t>* out, std::string* error,
               const ImageWriteProgress& progress) {
  try {
    return EncodePngUnguarded(image, bitsPerChannel, out, error, progress);
  } catch (const std::bad_alloc&) {
    SetError(error, "out of memory while writing PNG");
    return false;
  }
}

}  // namespace host
