#include "vector/vector_out.h"

#include <cstring>

#include "vector/vector_number.h"

namespace pw {

namespace {

// Whether every conversion of `format` is one Printf formats itself.
bool OwnConversions(const char* format) {
  for (const char* p = format; (p = std::strchr(p, '%')) != nullptr;) {
    ++p;
    switch (*p) {
      case '%':
      case 'f':
      case 'd':
      case 'X':
      case 's': ++p; break;
      case '.':
        if (p[1] != '6' || p[2] != 'f') return false;
        p += 3;
        break;
      default: return false;
    }
  }
  return true;
}

}  // namespace

void PwVectorOut::Attach(std::FILE* file) {
  file_ = file;
  failed_ = false;
  used_ = 0;
  written_ = 0;
}

void PwVectorOut::Detach() {
  file_ = nullptr;
  used_ = 0;
}

void PwVectorOut::Grow(std::size_t n) {
  if (!buffer_) {
    capacity_ = kCapacity;
    buffer_ = std::make_unique<char[]>(capacity_);
  }
  if (capacity_ - used_ < n) Drain();
  if (capacity_ < n) {
    capacity_ = n;
    buffer_ = std::make_unique<char[]>(capacity_);
  }
}

void PwVectorOut::Write(const char* data, std::size_t n) {
  if (n == 0 || !file_) return;
  if (std::fwrite(data, 1, n, file_) != n) failed_ = true;
  written_ += n;
}

void PwVectorOut::Drain() {
  Write(buffer_.get(), used_);
  used_ = 0;
}

bool PwVectorOut::Flush() {
  Drain();
  if (file_ && std::fflush(file_) != 0) failed_ = true;
  return !failed_;
}

void PwVectorOut::Put(std::string_view text) {
  if (text.size() > kFlushSize) {
    // A whole movie, say: no point copying it through the buffer.
    Drain();
    Write(text.data(), text.size());
    return;
  }
  std::memcpy(Room(text.size()), text.data(), text.size());
  used_ += text.size();
  MaybeDrain();
}

void PwVectorOut::PutFixed6(double value) {
  std::size_t n = 0;
  if (FormatFixed6Fast(value, Room(kFixed6FastRoom), &n)) {
    used_ += n;
    return;
  }
  char text[kFixed6Room];
  n = FormatFixed6(value, text);
  Put(std::string_view(text, n));
}

void PwVectorOut::Printf(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  if (!OwnConversions(format)) {
    VPrintfSlow(format, args);
    va_end(args);
    return;
  }
  const char* p = format;
  while (*p) {
    const char* percent = std::strchr(p, '%');
    if (!percent) {
      Put(std::string_view(p));
      break;
    }
    if (percent > p) Put(std::string_view(p, static_cast<std::size_t>(percent - p)));
    p = percent + 1;
    switch (*p++) {
      case '%': Put('%'); break;
      case '.':
        p += 2;  // ".6f", the same as "%f"
        [[fallthrough]];
      case 'f': PutFixed6(va_arg(args, double)); break;
      case 'd': {
        char* at = Room(12);
        used_ += FormatDecimal(va_arg(args, int), at);
        break;
      }
      case 'X': {
        char* at = Room(8);
        used_ += FormatHexUpper(va_arg(args, unsigned), at);
        break;
      }
      case 's': {
        const char* text = va_arg(args, const char*);
        Put(std::string_view(text ? text : "(null)"));
        break;
      }
      default: break;  // not reached: OwnConversions checked
    }
  }
  va_end(args);
  MaybeDrain();
}

void PwVectorOut::VPrintfSlow(const char* format, std::va_list args) {
  std::va_list again;
  va_copy(again, args);
  char text[512];
  const int n = std::vsnprintf(text, sizeof text, format, args);
  if (n < 0) {
    failed_ = true;
  } else if (static_cast<std::size_t>(n) < sizeof text) {
    Put(std::string_view(text, static_cast<std::size_t>(n)));
  } else {
    auto big = std::make_unique<char[]>(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(big.get(), static_cast<std::size_t>(n) + 1, format, again);
    Put(std::string_view(big.get(), static_cast<std::size_t>(n)));
  }
  va_end(again);
}

}  // namespace pw
