// A resizable array of bits: face and edge selections, per-face flags.
//
// Bits past GetSize() are always kept clear, so counting and comparing can
// work a word at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace host {

class BitArray {
 public:
  BitArray() = default;
  explicit BitArray(int n) { SetSize(n); }

  // Resizes to n bits (negative counts as 0). With keepOld the first
  // min(old, n) bits keep their values, otherwise every bit is cleared;
  // bits added at the end are clear either way.
  void SetSize(int n, bool keepOld = false);
  int GetSize() const { return size_; }

  // Outside the size, reading answers false and writing does nothing.
  bool operator[](int i) const {
    if (i < 0 || i >= size_) return false;
    return (words_[Word(i)] >> Bit(i)) & 1u;
  }
  void Set(int i) {
    if (i >= 0 && i < size_) words_[Word(i)] |= Mask(i);
  }
  void Set(int i, bool value) { value ? Set(i) : Clear(i); }
  void Clear(int i) {
    if (i >= 0 && i < size_) words_[Word(i)] &= ~Mask(i);
  }

  void SetAll();
  void ClearAll();
  int NumberSet() const;
  bool IsEmpty() const;  // no bit set (true for size 0 too)

  // Binary operations between arrays of different sizes give the larger
  // size; the shorter one reads as clear past its end.
  BitArray& operator&=(const BitArray& o);
  BitArray& operator|=(const BitArray& o);
  BitArray& operator^=(const BitArray& o);
  // Flips every bit within the size.
  BitArray operator~() const;

  // Equal when the sizes and every bit agree.
  friend bool operator==(const BitArray&, const BitArray&) = default;

 private:
  using WordType = std::uint64_t;
  static constexpr int kWordBits = 64;
  static std::size_t Word(int i) { return static_cast<std::size_t>(i) / kWordBits; }
  static unsigned Bit(int i) { return static_cast<unsigned>(i) % kWordBits; }
  static WordType Mask(int i) { return WordType{1} << Bit(i); }
  void ClearTail();
  void GrowTo(int n);

  int size_ = 0;
  std::vector<WordType> words_;
};

inline BitArray operator&(BitArray a, const BitArray& b) { return a &= b; }
inline BitArray operator|(BitArray a, const BitArray& b) { return a |= b; }
inline BitArray operator^(BitArray a, const BitArray& b) { return a ^= b; }

}  // namespace host
