// The distinct colours of a frame's outlines, in order of first use. The
// rasterizer stores one byte per subsample, so a palette index is a byte.
#pragma once

#include <array>
#include <cstdint>

#include "host/imaging/bitmap.h"
#include "lines/line_outline.h"

namespace pw {

struct LinePalette {
  static constexpr int kMaxColours = 255;
  // The subsample byte of an empty subsample.
  static constexpr std::uint8_t kEmpty = 255;
  // When a frame has more than kMaxColours colours, the last index is
  // shared by all the colours from there on; a subsample holding it takes
  // its colour from the outline that drew it.
  static constexpr std::uint8_t kShared = kMaxColours - 1;

  std::array<host::BMM_Color_64, kMaxColours> colours{};
  int count = 0;
  bool overflow = false;  // more than kMaxColours distinct colours

  bool Single() const { return count == 1; }
  // Whether index `index` stands for one colour (not the shared index of an
  // overflowing palette).
  bool Exact(std::uint8_t index) const { return !(overflow && index == kShared); }
};

inline host::BMM_Color_64 ColourOf(const LineOutline& o) { return {o.red, o.green, o.blue, o.alpha}; }

// Fills `palette` from the outlines in list order and stores every outline's
// index in it.
void BuildPalette(LineOutlineList& list, LinePalette& palette);

}  // namespace pw
