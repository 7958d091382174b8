// Shading a finished frame with a canvas's slope field: each pixel is lit by
// how the paper's relief under it faces the canvas light. Integer arithmetic
// throughout, so a frame comes out the same on every machine.
#pragma once

#include <cstdint>

#include "host/core/color.h"
#include "host/imaging/bitmap.h"
#include "surfaces/canvas_slopes.h"

namespace pw {

class PwRenderProgress;

// The canvas light in the form the shading uses: colour in 16 bits a
// channel, direction scaled to 15 bits, and the shade of a flat texel.
struct CanvasLight {
  std::uint32_t r = 0, g = 0, b = 0;  // component x 65535, truncated
  std::int32_t x = 0, y = 0, z = 0;   // cos A cos E, sin A cos E, sin E, x 32767, truncated
  std::int32_t flat = 0;              // z / 3
};

// `angle` around the view axis and `elevation` above the picture, radians.
CanvasLight MakeCanvasLight(const host::Color& color, float angle, float elevation);

// The shade of a texel with slopes (sx, sy): flat for a texel without slope,
// else the light's dot product with the relief, a third of it, never below 0.
std::int32_t CanvasTexelShade(const CanvasLight& light, std::int32_t sx, std::int32_t sy);

// One 16-bit channel value p lit by a light component l with shade s.
inline std::uint16_t CanvasLitChannel(std::uint16_t p, std::uint32_t l, std::int32_t s) {
  const std::uint32_t k = 2u * static_cast<std::uint32_t>(s) + 1u;
  // l <= 65535 and k <= 65535, so neither product leaves 32 bits.
  const std::uint32_t t = std::uint32_t{p} * (l * k / 65536u + 1u);
  return t < (1u << 30) ? static_cast<std::uint16_t>((t / 65536u) * 4u) : std::uint16_t{65535};
}

// Shades `image` in place: red, green and blue of every pixel, alpha kept.
// The field's interior tiles the image with period width - 2 by height - 2;
// a field without interior texels leaves the image alone. Progress, when
// given, is reported after every row.
void ShadeWithCanvas(const CanvasSlopeField& field, const CanvasLight& light, host::Bitmap& image,
                     PwRenderProgress* progress);

}  // namespace pw
