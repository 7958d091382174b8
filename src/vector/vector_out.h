// Buffered text output for the vector writers.
//
// Pieces and printf-formatted numbers go into one growing buffer that is
// flushed to the file in large blocks; formatting uses a stack buffer, so a
// number costs no allocation. Write errors are remembered and reported once
// at Flush, which is what the writer's close looks at.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

namespace pw {

class PwVectorOut {
 public:
  static constexpr std::size_t kFlushSize = 1 << 16;

  void Attach(std::FILE* file) {
    file_ = file;
    failed_ = false;
    buffer_.clear();
    buffer_.reserve(kFlushSize * 2);
    written_ = 0;
  }
  void Detach() {
    file_ = nullptr;
    buffer_.clear();
  }

  void Put(std::string_view text) {
    buffer_.append(text.data(), text.size());
    if (buffer_.size() >= kFlushSize) Drain();
  }
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char text[512];
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) {
      failed_ = true;
      return;
    }
    if (static_cast<std::size_t>(n) < sizeof text) {
      Put(std::string_view(text, static_cast<std::size_t>(n)));
      return;
    }
    // Long pieces (layer names) are rare: format straight into the buffer.
    const std::size_t at = buffer_.size();
    buffer_.resize(at + static_cast<std::size_t>(n) + 1);
    va_start(args, format);
    std::vsnprintf(buffer_.data() + at, static_cast<std::size_t>(n) + 1, format, args);
    va_end(args);
    buffer_.resize(at + static_cast<std::size_t>(n));
    if (buffer_.size() >= kFlushSize) Drain();
  }

  // Writes everything buffered; false when any write so far failed.
  bool Flush() {
    Drain();
    if (file_ && std::fflush(file_) != 0) failed_ = true;
    return !failed_;
  }
  bool Failed() const { return failed_; }
  // Bytes handed to the file so far plus those still buffered.
  std::size_t Size() const { return written_ + buffer_.size(); }

 private:
  void Drain() {
    if (!buffer_.empty() && file_) {
      if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
      written_ += buffer_.size();
    }
    buffer_.clear();
  }

  std::FILE* file_ = nullptr;
  std::string buffer_;
  std::size_t written_ = 0;
  bool failed_ = false;
};

}  // namespace pw
