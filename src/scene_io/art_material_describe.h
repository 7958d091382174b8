// The settings of one art material as text, for people: what `penwright
// library show` prints. A style is shown as its tree.
#pragma once

#include <string>
#include <string_view>

#include "library/object_library.h"

namespace pw {

// How descriptions name a brush's unit: "pixels", "inches", "millimeters",
// "centimeters", "points", "picas", "worldUnits"; "" out of range.
std::string_view OutputUnitWord(int unit);

// Several lines, each ending in '\n'; "" for an empty slot.
std::string DescribeArtMaterial(const PwObjectLibrary& library, int slot);

}  // namespace pw
