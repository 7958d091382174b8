#include "vector/vector_number.h"

#include <bit>
#include <clocale>
#include <cstdio>
#include <cstring>

namespace pw {

namespace {

// GCC's 128-bit integer, marked as the extension it is so -Wpedantic accepts it.
__extension__ typedef unsigned __int128 U128;

// Writes the decimal digits of `v` (at least one) and answers their count.
std::size_t PutDigits(std::uint64_t v, char* out) {
  char tmp[20];
  std::size_t n = 0;
  do {
    tmp[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (std::size_t i = 0; i < n; ++i) out[i] = tmp[n - 1 - i];
  return n;
}

}  // namespace

bool FormatFixed6Fast(double value, char* out, std::size_t* length) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const int rawExponent = static_cast<int>(bits >> 52 & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  // Below 2^43 the scaled value, up to 2^43 * 10^6, still fits 64 bits.
  if (rawExponent >= 1023 + 43) return false;

  // value = mantissa * 2^-shift exactly, shift >= 10 in this range.
  const std::uint64_t mantissa = rawExponent == 0 ? fraction : fraction | std::uint64_t{1} << 52;
  const int shift = rawExponent == 0 ? 1074 : 1075 - rawExponent;

  // round(value * 10^6), half to even on the exact product, as printf does.
  // The product is below 2^73, so from a shift of 74 on it is under one half.
  std::uint64_t scaled = 0;
  if (shift < 74) {
    const U128 product = static_cast<U128>(mantissa) * 1000000u;
    scaled = static_cast<std::uint64_t>(product >> shift);
    const U128 rest = product & ((static_cast<U128>(1) << shift) - 1);
    const U128 half = static_cast<U128>(1) << (shift - 1);
    if (rest > half || (rest == half && (scaled & 1u) != 0)) ++scaled;
  }

  char* p = out;
  if (negative) *p++ = '-';
  p += PutDigits(scaled / 1000000u, p);
  *p++ = '.';
  std::uint64_t decimals = scaled % 1000000u;
  for (int i = 5; i >= 0; --i) {
    p[i] = static_cast<char>('0' + decimals % 10);
    decimals /= 10;
  }
  p += 6;
  *length = static_cast<std::size_t>(p - out);
  return true;
}

std::size_t FormatFixed6(double value, char* out) {
  {
    std::size_t n = 0;
    if (FormatFixed6Fast(value, out, &n)) return n;
  }
  const int written = std::snprintf(out, kFixed6Room, "%f", value);
  if (written <= 0) return 0;
  std::size_t n = static_cast<std::size_t>(written);
  // printf's decimal point is the locale's; ours is always a full stop.
  const char* point = std::localeconv()->decimal_point;
  if (point && std::strcmp(point, ".") != 0 && *point != '\0') {
    if (char* at = std::strstr(out, point)) {
      const std::size_t width = std::strlen(point);
      *at = '.';
      std::memmove(at + 1, at + width, n - static_cast<std::size_t>(at - out) - width + 1);
      n -= width - 1;
    }
  }
  return n;
}

std::size_t FormatDecimal(int value, char* out) {
  std::size_t n = 0;
  auto magnitude = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
  if (value < 0) {
    out[n++] = '-';
    magnitude = static_cast<std::uint64_t>(-static_cast<std::int64_t>(value));
  }
  return n + PutDigits(magnitude, out + n);
}

std::size_t FormatHexUpper(unsigned value, char* out) {
  char tmp[8];
  std::size_t n = 0;
  do {
    tmp[n++] = "0123456789ABCDEF"[value & 0xFu];
    value >>= 4;
  } while (value != 0);
  for (std::size_t i = 0; i < n; ++i) out[i] = tmp[n - 1 - i];
  return n;
}

}  // namespace pw
