#include "surfaces/canvas_slopes.h"

#include <new>

namespace pw {

std::uint16_t GreyOf(const host::BMM_Color_64& p) {
  const std::uint32_t sum = 30u * p.r + 59u * p.g + 11u * p.b;
  return static_cast<std::uint16_t>(sum / 100u);
}

bool BuildCanvasSlopeField(const host::Bitmap& image, CanvasSlopeField& field) {
  field.Clear();
  const int w = image.Width();
  const int h = image.Height();
  if (image.Empty() || w <= 0 || h <= 0) return false;
  const std::size_t texels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);

  std::vector<std::int32_t> grey;
  CanvasSlopeField built;
  try {
    grey.resize(texels);
    built.slopes.assign(2 * texels, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  built.width = w;
  built.height = h;

  for (int y = 0; y < h; ++y) {
    auto row = image.Row(y);
    for (int x = 0; x < w; ++x) grey[static_cast<std::size_t>(y) * w + x] = GreyOf(row[static_cast<std::size_t>(x)]);
  }
  auto g = [&](int x, int y) { return grey[static_cast<std::size_t>(y) * w + x]; };

  for (int y = 1; y + 1 < h; ++y) {
    for (int x = 1; x + 1 < w; ++x) {
      const std::int32_t left = g(x - 1, y - 1) + g(x - 1, y) + g(x - 1, y + 1);
      const std::int32_t right = g(x + 1, y - 1) + g(x + 1, y) + g(x + 1, y + 1);
      const std::int32_t top = g(x - 1, y - 1) + g(x, y - 1) + g(x + 1, y - 1);
      const std::int32_t bottom = g(x - 1, y + 1) + g(x, y + 1) + g(x + 1, y + 1);
      const std::size_t at = 2 * (static_cast<std::size_t>(y) * w + x);
      // Division truncates towards zero, the shift rounds down: both steps
      // are part of the field's definition, not one halving by 6.
      built.slopes[at] = ((left - right) / 3) >> 1;
      built.slopes[at + 1] = ((top - bottom) / 3) >> 1;
    }
  }
  field = std::move(built);
  return true;
}

}  // namespace pw
