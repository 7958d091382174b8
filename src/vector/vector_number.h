// Numbers as text for the vector writers, without printf.
//
// The writers print every coordinate and colour with printf's "%f"; on a big
// frame that is hundreds of thousands of numbers, and printf's exact
// multi-precision conversion costs more than building the lines did. These
// give the very same bytes (the files are pinned by golden tests) from a
// 128-bit integer product instead, and never depend on the numeric locale.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pw {

// Room FormatFixed6 needs for any double: the 309 integer digits of the
// largest double, a sign, the point and six decimals, rounded up.
inline constexpr std::size_t kFixed6Room = 320;
// Room the fast path needs: a sign, 13 integer digits, the point, six decimals.
inline constexpr std::size_t kFixed6FastRoom = 24;

// Writes `value` as "%f" would in the "C" locale (six decimals, the exact
// binary value rounded half to even, a minus sign on every negative value
// including -0) and answers the length. False, writing nothing, for values
// outside the fast range: NaN, infinities and magnitudes of 2^43 or more.
bool FormatFixed6Fast(double value, char* out, std::size_t* length);

// The same for any double (outside the fast range through snprintf); `out`
// must have kFixed6Room bytes. Answers the length.
std::size_t FormatFixed6(double value, char* out);

// "%d" and "%X"; `out` needs 12 and 8 bytes. Answer the length.
std::size_t FormatDecimal(int value, char* out);
std::size_t FormatHexUpper(unsigned value, char* out);

}  // namespace pw
