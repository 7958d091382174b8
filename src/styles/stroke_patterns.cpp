#include "styles/stroke_patterns.h"

#include <array>

namespace pw {

namespace {

// The labels draw the pattern with underscores and dots; their spacing is
// part of the text the list shows.
constexpr std::array<StrokePattern, kStrokePatternCount> kPatterns = {{
    {"Solid", "Solid       ___________", 0xFFFFFFFFu},
    {"Dashed", "Dashed   ___  ___  ___", 0x001FFFFFu},
    {"Dotted", "Dotted    . . . . . . . . . .", 0x07070707u},
    {"Center", "Center    ____ _ ____", 0x07C1FFFFu},
    {"Hidden", "Hidden    _ _ _ _ _ _ _ ", 0x07FE0FFFu},
    {"Phantom", "Phantom  ____ _ _ ____", 0x1E3C7FFFu},
    {"DashDot", "DashDot  __ . __ . __ . ", 0x0303FFFFu},
    {"Border", "Border    __ __ . __ __ . ", 0x1C7F8FFFu},
    {"Divide", "Divide     __ . . __ . . __", 0x1C71FFFFu},
}};

}  // namespace

const StrokePattern* GetStrokePattern(int index) {
  if (index < 0 || index >= kStrokePatternCount) return nullptr;
  return &kPatterns[static_cast<std::size_t>(index)];
}

int FindStrokePattern(std::int32_t mask) {
  const auto bits = static_cast<std::uint32_t>(mask);
  for (int i = 0; i < kStrokePatternCount; ++i)
    if (kPatterns[static_cast<std::size_t>(i)].mask == bits) return i;
  return -1;
}

}  // namespace pw
