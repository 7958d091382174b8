// Image files: picking the format, reading whole files, writing atomically.
#include "host/imaging/image_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "host/io/atomic_file.h"

namespace host {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::string Extension(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = file.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  std::string ext(file.substr(dot));
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

// The format a file's first bytes prove it to be; Unknown when they prove
// nothing (TGA has no signature).
ImageFormat Sniff(std::span<const std::uint8_t> b) {
  if (b.size() >= 8 && std::memcmp(b.data(), kPngSignature, 8) == 0) return ImageFormat::Png;
  if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return ImageFormat::Jpeg;
  if (b.size() >= 18 && b[0] == 'B' && b[1] == 'M') {
    const std::uint32_t headerSize = b[14] | (b[15] << 8) | (b[16] << 16) | (std::uint32_t{b[17]} << 24);
    switch (headerSize) {
      case 12: case 40: case 52: case 56: case 64: case 108: case 124:
        return ImageFormat::Bmp;
      default:
        break;
    }
  }
  return ImageFormat::Unknown;
}

std::string UnknownExtensionMessage(const std::string& path) {
  const std::string ext = Extension(path);
  return path + ": " + (ext.empty() ? std::string("no file extension") : "unknown image file extension '" + ext + "'") +
         " (use .png, .tga, .jpg, .jpeg or .bmp)";
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error) {
  auto fail = [&](const char* what, int err) {
    if (error != nullptr) *error = path + ": " + what + ": " + std::strerror(err);
    return false;
  };
  // Non-blocking, so that a pipe named as an image is refused below rather
  // than waited on; reads of regular files are not affected.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fail("cannot open", errno);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail("cannot read", errno);
  if (S_ISDIR(st.st_mode)) return fail("cannot read", EISDIR);
  if (!S_ISREG(st.st_mode)) {
    if (error != nullptr) *error = path + ": cannot read: not a regular file (a pipe, socket or device)";
    return false;
  }
  // stb_image takes an int length, and no image we accept needs more.
  if (st.st_size > INT_MAX) {
    if (error != nullptr) *error = path + ": file too large (" + std::to_string(st.st_size) + " bytes)";
    return false;
  }
  std::vector<std::uint8_t> data(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail("cannot read", errno);
    if (n == 0) break;  // the file shrank while we read it: decode what is there
    done += static_cast<std::size_t>(n);
  }
  data.resize(done);
  *bytes = std::move(data);
  return true;
}

bool ReadImageUnguarded(const std::string& path, Bitmap& out, std::string* error, BitmapInfo* info) {
  const ImageFormat format = FormatFromPath(path);
  if (format == ImageFormat::Unknown) {
    if (error != nullptr) *error = UnknownExtensionMessage(path);
    return false;
  }
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes, error)) return false;
  BitmapInfo found;
  std::string message;
  if (!DecodeImage(bytes, format, out, &message, &found)) {
    if (error != nullptr) *error = path + ": " + message;
    return false;
  }
  if (info != nullptr) {
    found.name = path;
    *info = std::move(found);
  }
  return true;
}

bool WriteImageUnguarded(const std::string& path, const Bitmap& image, const ImageWriteOptions& options,
                         std::string* error) {
  const ImageFormat format = FormatFromPath(path);
  auto fail = [&](const std::string& message) {
    if (error != nullptr) *error = path + ": " + message;
    return false;
  };
  std::vector<std::uint8_t> bytes;
  std::string message;
  // The last step, writing the bytes out, counts as one row more; the
  // encoder reports the rows themselves.
  const int steps = image.Height() + 1;
  ImageWriteProgress rows;
  if (options.progress) rows = [&](int done, int) { return options.progress(done, steps); };
  switch (format) {
    case ImageFormat::Png:
      if (!EncodePng(image, options.bitsPerChannel, &bytes, &message, rows)) return fail(message);
      break;
    case ImageFormat::Tga:
      if (options.bitsPerChannel != 8) {
        return fail("TGA files hold 8 bits a channel, not " + std::to_string(options.bitsPerChannel) +
                    " (write a .png file for 16 bits)");
      }
      if (!EncodeTga(image, &bytes, &message, rows)) return fail(message);
      break;
    case ImageFormat::Jpeg:
    case ImageFormat::Bmp:
      return fail(std::string("writing ") + FormatName(format) + " files is not supported (use .png or .tga)");
    case ImageFormat::Unknown:
      if (error != nullptr) *error = UnknownExtensionMessage(path);
      return false;
  }
  std::function<bool()> beforeReplacing;
  if (options.progress) beforeReplacing = [&] { return options.progress(steps, steps); };
  return WriteFileAtomically(path, bytes, error, beforeReplacing);
}

}  // namespace

ImageFormat FormatFromPath(std::string_view path) {
  const std::string ext = Extension(path);
  if (ext == ".png") return ImageFormat::Png;
  if (ext == ".tga") return ImageFormat::Tga;
  if (ext == ".jpg" || ext == ".jpeg") return ImageFormat::Jpeg;
  if (ext == ".bmp") return ImageFormat::Bmp;
  return ImageFormat::Unknown;
}

const char* FormatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::Png: return "PNG";
    case ImageFormat::Tga: return "TGA";
    case ImageFormat::Jpeg: return "JPEG";
    case ImageFormat::Bmp: return "BMP";
    case ImageFormat::Unknown: break;
  }
  return "unknown";
}

bool DecodeImage(std::span<const std::uint8_t> bytes, ImageFormat expected, Bitmap& out, std::string* error,
                 BitmapInfo* info) {
  const ImageFormat sniffed = Sniff(bytes);
  const ImageFormat format = sniffed != ImageFormat::Unknown ? sniffed : expected;
  switch (format) {
    case ImageFormat::Png:
      return DecodePng(bytes, out, error, info);
    case ImageFormat::Tga:
    case ImageFormat::Jpeg:
    case ImageFormat::Bmp:
      return DecodeWithStb(bytes, format, out, error, info);
    case ImageFormat::Unknown:
      break;
  }
  if (error != nullptr) *error = "unknown image format";
  return false;
}

bool ReadImage(const std::string& path, Bitmap& out, std::string* error, BitmapInfo* info) {
  try {
    return ReadImageUnguarded(path, out, error, info);
  } catch (const std::bad_alloc&) {
    if (error != nullptr) *error = "out of memory";
    return false;
  }
}

bool WriteImage(const std::string& path, const Bitmap& image, const ImageWriteOptions& options,
                std::string* error) {
  try {
    return WriteImageUnguarded(path, image, options, error);
  } catch (const std::bad_alloc&) {
    if (error != nullptr) *error = "out of memory";
    return false;
  }
}

}  // namespace host
