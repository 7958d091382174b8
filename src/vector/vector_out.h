// Buffered text output for the vector writers.
//
// Pieces and formatted numbers go straight into one fixed buffer that is
// flushed to the file in large blocks, so a number costs neither an
// allocation nor a copy. Printf understands the conversions the writers use
// ("%f", "%.6f", "%d", "%X", "%s" and "%%") itself, through the formatters of
// vector_number.h, and hands anything else to vsnprintf; either way the bytes
// are printf's. Write errors are remembered and reported once at Flush,
// which is what the writer's close looks at.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string_view>

namespace pw {

class PwVectorOut {
 public:
  // The buffer is written out once it holds this much.
  static constexpr std::size_t kFlushSize = 1 << 16;

  void Attach(std::FILE* file);
  void Detach();

  void Put(std::string_view text);
  void Put(char c) {
    if (used_ == capacity_) Grow(1);
    buffer_[used_++] = c;
  }
  // A number as "%f" writes it.
  void PutFixed6(double value);
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Writes everything buffered; false when any write so far failed.
  bool Flush();
  bool Failed() const { return failed_; }
  // Bytes handed to the file so far plus those still buffered.
  std::size_t Size() const { return written_ + used_; }

 private:
  static constexpr std::size_t kCapacity = kFlushSize + 4096;

  // Makes room for `n` more bytes.
  void Grow(std::size_t n);
  // Room for `n` more bytes at the end of the buffer.
  char* Room(std::size_t n) {
    if (capacity_ - used_ < n) Grow(n);
    return buffer_.get() + used_;
  }
  void MaybeDrain() {
    if (used_ >= kFlushSize) Drain();
  }
  void Drain();
  void Write(const char* data, std::size_t n);
  void VPrintfSlow(const char* format, std::va_list args);

  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0, used_ = 0;
  std::size_t written_ = 0;
  bool failed_ = false;
};

}  // namespace pw
