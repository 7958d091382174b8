// The dash patterns a stroke offers by name.
//
// A pattern is a 32-bit mask, one bit per cell of the pattern, bit 0 first;
// a set bit is a drawn cell. A stroke may hold any mask; these are the ones
// the editor lists, and choosing preset i of the list stores mask i.
#pragma once

#include <cstdint>
#include <string_view>

namespace pw {

struct StrokePattern {
  std::string_view name;   // "Solid", "Dashed", ...
  std::string_view label;  // the entry in the editor's list, with a picture in text
  std::uint32_t mask;
};

inline constexpr int kStrokePatternCount = 9;

// Masks that mean something special to every consumer.
inline constexpr std::int32_t kStrokeMaskSolid = -1;  // every cell drawn
inline constexpr std::int32_t kStrokeMaskNone = 0;    // nothing drawn

// Preset i (0 = Solid .. 8 = Divide), or null for an index out of range.
const StrokePattern* GetStrokePattern(int index);

// Index of the preset whose mask this is, or -1 for a mask of the user's own.
int FindStrokePattern(std::int32_t mask);

}  // namespace pw
