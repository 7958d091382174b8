#include "render/pixel_buffer_output.h"

namespace pw {

void restoreBackground(PwPixelBuffer& buffer, const PwBackgroundImage& image) {
  if (!image.uniform() && image.pixels.size() != buffer.pixels.size()) return;
  for (std::size_t i = 0; i < buffer.pixels.size(); ++i) {
    PwFragment& f = buffer.pixels[i];
    if (f.opaque()) continue;
    const host::BMM_Color_64& c = image.at(i);
    f = backgroundRecord(c.r, c.g, c.b);
  }
}

bool writeBufferRows(const PwPixelBuffer& buffer, host::Bitmap& bitmap, PwRowSet rows) {
  if (bitmap.Width() != buffer.width || bitmap.Height() != buffer.height) return false;
  const bool withZ = bitmap.HasZ();
  for (int y = rows.first; y < buffer.height; y += rows.step) {
    std::span<host::BMM_Color_64> row = bitmap.Row(y);
    const PwFragment* records = &buffer.pixels[buffer.index(0, y)];
    for (int x = 0; x < buffer.width; ++x) {
      const PwFragment& f = records[x];
      row[static_cast<std::size_t>(x)] = {f.red, f.green, f.blue, f.alpha};
    }
    if (!withZ) continue;
    std::span<float> z = bitmap.ZRow(y);
    for (int x = 0; x < buffer.width; ++x) z[static_cast<std::size_t>(x)] = records[x].depth;
  }
  return true;
}

bool writeBackgroundRows(const PwBackgroundImage& image, host::Bitmap& bitmap, PwRowSet rows) {
  if (bitmap.Width() != image.width || bitmap.Height() != image.height) return false;
  for (int y = rows.first; y < image.height; y += rows.step) {
    std::span<host::BMM_Color_64> row = bitmap.Row(y);
    for (int x = 0; x < image.width; ++x) row[static_cast<std::size_t>(x)] = image.at(x, y);
  }
  return true;
}

}  // namespace pw
