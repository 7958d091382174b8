// The slope field of a canvas texture: per texel, how steeply the paper's
// grey relief falls in x and y. Built once from the texture image; the
// canvas shades every finished frame with it.
#pragma once

#include <cstdint>
#include <vector>

#include "host/imaging/bitmap.h"

namespace pw {

struct CanvasSlopeField {
  int width = 0;
  int height = 0;
  std::vector<std::int32_t> slopes;  // per texel x slope then y slope, row by row from the top

  bool Empty() const { return width == 0 || height == 0; }
  // Shading tiles the field's interior, which needs at least one interior texel.
  bool Usable() const { return width > 2 && height > 2; }
  std::int32_t SlopeX(int x, int y) const { return slopes[Index(x, y)]; }
  std::int32_t SlopeY(int x, int y) const { return slopes[Index(x, y) + 1]; }
  void Clear() { *this = CanvasSlopeField(); }

 private:
  std::size_t Index(int x, int y) const {
    return 2 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x));
  }
};

// The 16-bit grey of a pixel: 0.30 red + 0.59 green + 0.11 blue, in integers,
// so a grey pixel keeps its value exactly.
std::uint16_t GreyOf(const host::BMM_Color_64& p);

// Builds the field of `image`: every interior texel gets, from the greys of
// its 3 x 3 neighbourhood, x slope = ((left column) - (right column)) / 3
// and y slope = ((top row) - (bottom row)) / 3, each then halved by an
// arithmetic shift; border texels keep 0. False, with `field` empty, when the
// image is empty or memory runs out.
bool BuildCanvasSlopeField(const host::Bitmap& image, CanvasSlopeField& field);

}  // namespace pw
