// Eight subsample bytes as one 64-bit word: how the scan and the resolve
// look at runs of subsamples without a branch per byte.
#pragma once

#include <cstdint>
#include <cstring>

namespace pw {

inline constexpr std::uint64_t kEmptyWord = ~std::uint64_t{0};  // eight empty subsamples
inline constexpr std::uint64_t kByteOnes = 0x0101010101010101ull;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

inline std::uint64_t Word(const std::uint8_t* p) {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// The high bit of every zero byte of x, and nothing else.
inline std::uint64_t ZeroBytes(std::uint64_t x) {
  constexpr std::uint64_t kLow7 = ~kHighBits;
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// How many bytes a ZeroBytes mask marks. (std::popcount is a library call
// for the baseline instruction set; a multiply adds the bytes up.)
inline std::uint32_t CountMarked(std::uint64_t mask) {
  return static_cast<std::uint32_t>(((mask >> 7) * kByteOnes) >> 56);
}

}  // namespace pw
