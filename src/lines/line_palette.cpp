#include "lines/line_palette.h"

namespace pw {

namespace {

// Open addressing over the packed colour; the table is four times the
// largest palette, so probes stay short.
constexpr std::size_t kSlots = 1024;

std::uint64_t Key(const LineOutline& o) {
  return std::uint64_t{o.red} | (std::uint64_t{o.green} << 16) | (std::uint64_t{o.blue} << 32) |
         (std::uint64_t{o.alpha} << 48);
}

std::size_t Slot(std::uint64_t key) {
  key ^= key >> 29;
  key *= 0xBF58476D1CE4E5B9ull;
  key ^= key >> 32;
  return static_cast<std::size_t>(key) & (kSlots - 1);
}

}  // namespace

void BuildPalette(LineOutlineList& list, LinePalette& palette) {
  palette.count = 0;
  palette.overflow = false;
  std::array<std::uint64_t, kSlots> keys{};
  std::array<bool, kSlots> used{};
  std::array<std::uint8_t, kSlots> indices{};
  for (LineOutline& o : list.outlines) {
    const std::uint64_t key = Key(o);
    std::size_t s = Slot(key);
    while (used[s] && keys[s] != key) s = (s + 1) & (kSlots - 1);
    if (used[s]) {
      o.paletteIndex = indices[s];
    } else if (palette.count < LinePalette::kMaxColours) {
      used[s] = true;
      keys[s] = key;
      indices[s] = static_cast<std::uint8_t>(palette.count);
      palette.colours[static_cast<std::size_t>(palette.count)] = ColourOf(o);
      o.paletteIndex = static_cast<std::uint8_t>(palette.count++);
    } else {
      palette.overflow = true;
      o.paletteIndex = LinePalette::kShared;
    }
  }
}

}  // namespace pw
