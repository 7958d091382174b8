// The art materials every library holds: the defaults (origin 0) and the
// presets (origin 1), with the numbers that identify them across files.
#pragma once

#include <span>

#include "host/core/types.h"

namespace pw {

// Default numbers.
inline constexpr int PW_DEFAULT_PAINT_CUSTOM = 0;  // paints its custom colour; new drawing tools get it
inline constexpr int PW_DEFAULT_PAINT = 1;         // the object's colour; replaces a deleted paint
inline constexpr int PW_DEFAULT_BRUSH = 2;
inline constexpr int PW_DEFAULT_STROKE = 3;
inline constexpr int PW_DEFAULT_SURFACE = 4;
inline constexpr int PW_DEFAULT_STYLE = 5;
inline constexpr int PW_DEFAULT_CANVAS = 6;
inline constexpr int PW_DEFAULT_COUNT = 7;

// Preset groups: group g holds numbers 100 * g .. 100 * g + count - 1.
inline constexpr int PW_PRESET_GROUP_BRUSH = 0;
inline constexpr int PW_PRESET_GROUP_STROKE = 1;
inline constexpr int PW_PRESET_GROUP_PAINT = 2;
inline constexpr int PW_PRESET_GROUP_SURFACE = 3;
inline constexpr int PW_PRESET_GROUP_STYLE = 4;
inline constexpr int PW_PRESET_GROUP_CANVAS = 5;
inline constexpr int PW_PRESET_GROUP_COUNT = 6;
inline constexpr int PW_PRESET_COUNT = 58;

inline constexpr int PresetNumber(int group, int index) { return 100 * group + index; }
inline constexpr int PresetGroup(int number) { return number / 100; }
inline constexpr int PresetIndex(int number) { return number % 100; }

// One default or preset: what the library creates when it is missing.
struct LibraryMaterialEntry {
  int origin;  // PW_ORIGIN_DEFAULT or PW_ORIGIN_PRESET
  int number;
  host::Class_ID classId;
  const char* name;
};

// The seven defaults, numbers 0..6 in order.
std::span<const LibraryMaterialEntry> DefaultMaterials();
// The 58 presets, group by group, numbers in order.
std::span<const LibraryMaterialEntry> PresetMaterials();
// The entry with this origin and number, or null.
const LibraryMaterialEntry* FindLibraryMaterial(int origin, int number);

// The default that takes over the references of a deleted material of this
// class (style 5, canvas 6, brush 2, stroke 3, surface 4, paint 1); -1 for
// classes that are no art material.
int ReplacementDefaultNumber(host::Class_ID classId);

}  // namespace pw
