#include "render/compose.h"

#include <algorithm>
#include <cstdint>

namespace pw {

namespace {

constexpr std::uint32_t kOpaque = 65535;

std::uint16_t over(std::uint16_t surface, std::uint16_t line, std::uint32_t keep) {
  // Premultiplied lines never exceed 65535 here; a line colour brighter
  // than its alpha must not wrap round to dark.
  const std::uint32_t v = ((std::uint32_t{surface} * keep) >> 16) + line;
  return static_cast<std::uint16_t>(std::min(v, kOpaque));
}

}  // namespace

host::BMM_Color_64 composeLinePixel(host::BMM_Color_64 surface, host::BMM_Color_64 line) {
  if (line.a == kOpaque) return line;
  const std::uint32_t keep = 65536u - line.a;
  return {over(surface.r, line.r, keep), over(surface.g, line.g, keep), over(surface.b, line.b, keep),
          over(surface.a, line.a, keep)};
}

void composeLinesRow(std::span<host::BMM_Color_64> surfaces, std::span<const host::BMM_Color_64> lines,
                     bool dontAntialiasBG) {
  const std::size_t n = std::min(surfaces.size(), lines.size());
  for (std::size_t x = 0; x < n; ++x) {
    // Most of a lines image is empty, and an empty pixel changes nothing.
    if (lines[x] == host::BMM_Color_64{}) continue;
    if (dontAntialiasBG && surfaces[x].a == 0) continue;
    surfaces[x] = composeLinePixel(surfaces[x], lines[x]);
  }
}

bool composeLines(host::Bitmap& target, const host::Bitmap& lines, bool dontAntialiasBG) {
  if (target.Width() != lines.Width() || target.Height() != lines.Height()) return false;
  for (int y = 0; y < target.Height(); ++y) composeLinesRow(target.Row(y), lines.Row(y), dontAntialiasBG);
  return true;
}

bool copyRows(const host::Bitmap& from, host::Bitmap& to, PwRowSet rows) {
  if (from.Width() != to.Width() || from.Height() != to.Height()) return false;
  const bool withZ = from.HasZ() && to.HasZ();
  for (int y = rows.first; y < from.Height(); y += rows.step) {
    std::span<const host::BMM_Color_64> src = from.Row(y);
    std::copy(src.begin(), src.end(), to.Row(y).begin());
    if (!withZ) continue;
    std::span<const float> z = from.ZRow(y);
    std::copy(z.begin(), z.end(), to.ZRow(y).begin());
  }
  return true;
}

}  // namespace pw
