#include "host/core/bitarray.h"

#include <algorithm>
#include <bit>

namespace host {

void BitArray::SetSize(int n, bool keepOld) {
  n = std::max(n, 0);
  if (!keepOld) std::fill(words_.begin(), words_.end(), WordType{0});
  words_.resize((static_cast<std::size_t>(n) + kWordBits - 1) / kWordBits, WordType{0});
  size_ = n;
  ClearTail();
}

void BitArray::SetAll() {
  std::fill(words_.begin(), words_.end(), ~WordType{0});
  ClearTail();
}

void BitArray::ClearAll() { std::fill(words_.begin(), words_.end(), WordType{0}); }

int BitArray::NumberSet() const {
  int n = 0;
  for (WordType w : words_) n += std::popcount(w);
  return n;
}

bool BitArray::IsEmpty() const {
  return std::all_of(words_.begin(), words_.end(), [](WordType w) { return w == 0; });
}

BitArray& BitArray::operator&=(const BitArray& o) {
  GrowTo(o.size_);
  for (std::size_t i = 0; i < words_.size(); ++i) words_[i] &= i < o.words_.size() ? o.words_[i] : 0;
  return *this;
}

BitArray& BitArray::operator|=(const BitArray& o) {
  GrowTo(o.size_);
  for (std::size_t i = 0; i < o.words_.size(); ++i) words_[i] |= o.words_[i];
  return *this;
}

BitArray& BitArray::operator^=(const BitArray& o) {
  GrowTo(o.size_);
  for (std::size_t i = 0; i < o.words_.size(); ++i) words_[i] ^= o.words_[i];
  return *this;
}

BitArray BitArray::operator~() const {
  BitArray r = *this;
  for (WordType& w : r.words_) w = ~w;
  r.ClearTail();
  return r;
}

// Keeps the invariant that bits past the size are clear.
void BitArray::ClearTail() {
  unsigned used = static_cast<unsigned>(size_) % kWordBits;
  if (used != 0 && !words_.empty()) words_.back() &= (WordType{1} << used) - 1;
}

void BitArray::GrowTo(int n) {
  if (n > size_) SetSize(n, true);
}

}  // namespace host
