#include "surfaces/canvas_shade.h"

#include <cmath>
#include <vector>

#include "frame/progress.h"

namespace pw {

namespace {

constexpr double kDirectionScale = 32767.0;

std::uint32_t Channel16(float v) {
  // Out-of-range colours (an animated light overshooting) must not wrap.
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 65535;
  return static_cast<std::uint32_t>(v * 65535.0f);
}

}  // namespace

CanvasLight MakeCanvasLight(const host::Color& color, float angle, float elevation) {
  CanvasLight l;
  l.r = Channel16(color.r);
  l.g = Channel16(color.g);
  l.b = Channel16(color.b);
  const double a = std::isfinite(angle) ? angle : 0.0;
  const double e = std::isfinite(elevation) ? elevation : 0.0;
  l.x = static_cast<std::int32_t>(std::cos(a) * std::cos(e) * kDirectionScale);
  l.y = static_cast<std::int32_t>(std::sin(a) * std::cos(e) * kDirectionScale);
  l.z = static_cast<std::int32_t>(std::sin(e) * kDirectionScale);
  l.flat = l.z / 3;
  return l;
}

std::int32_t CanvasTexelShade(const CanvasLight& light, std::int32_t sx, std::int32_t sy) {
  if (sx == 0 && sy == 0) return light.flat;
  // |slope + 1| <= 32768 and |light| <= 32767: each product fits 31 bits.
  const std::int32_t s = (light.z + (((sy + 1) * light.y) >> 15) + ((light.x * (sx + 1)) >> 15)) / 3;
  return s < 0 ? 0 : s;
}

void ShadeWithCanvas(const CanvasSlopeField& field, const CanvasLight& light, host::Bitmap& image,
                     PwRenderProgress* progress) {
  if (!field.Usable() || image.Empty()) return;
  const int periodX = field.width - 2;
  const int periodY = field.height - 2;
  const int height = image.Height();
  // The shades of one interior texel row, made once per image row and laid
  // across it: the image is usually several texture widths wide.
  std::vector<std::int32_t> shades(static_cast<std::size_t>(periodX));
  for (int y = 0; y < height; ++y) {
    const int ty = y % periodY + 1;
    for (int i = 0; i < periodX; ++i) shades[static_cast<std::size_t>(i)] =
        CanvasTexelShade(light, field.SlopeX(i + 1, ty), field.SlopeY(i + 1, ty));
    std::size_t i = 0;
    for (host::BMM_Color_64& p : image.Row(y)) {
      const std::int32_t s = shades[i];
      p.r = CanvasLitChannel(p.r, light.r, s);
      p.g = CanvasLitChannel(p.g, light.g, s);
      p.b = CanvasLitChannel(p.b, light.b, s);
      if (++i == shades.size()) i = 0;
    }
    if (progress) progress->update(static_cast<double>(y + 1) / static_cast<double>(height));
  }
}

}  // namespace pw
