// Styles saved in the format before the tree (format 3): seven line kinds
// with fixed switches and drawing tools, read into a record while the file
// loads and turned into a tree once the library has finished loading.
#pragma once

#include <array>
#include <cstdint>

#include "host/io/chunk_io.h"
#include "host/refs/reference.h"

namespace pw {

// The references a format-3 style saved: 0 its old parameter block, 1..42
// the drawing tools of the seven old kinds (per kind the visible triple,
// then the hidden one, each triple brush, stroke, paint), 43 the surface.
inline constexpr int kStyleLegacyRefCount = 44;
inline constexpr int kStyleLegacySurfaceSlot = 43;
inline constexpr int kStyleLegacyKindCount = 7;
inline constexpr int kStyleLegacyPositionCount = 5;

// The old kinds, in the order the file lists them.
enum StyleLegacyKind : int {
  STYLE_LEGACY_ALL = 0,
  STYLE_LEGACY_FOLD = 1,
  STYLE_LEGACY_CREASE = 2,
  STYLE_LEGACY_MAX_DEFINED = 3,
  STYLE_LEGACY_MATERIAL_CHANGE = 4,
  STYLE_LEGACY_SILHOUETTE = 5,
  STYLE_LEGACY_SURFACE_INTERSECTION = 6,
};

// The tools of a triple, in the order the file stores them.
enum StyleLegacyTool : int { STYLE_LEGACY_BRUSH = 0, STYLE_LEGACY_STROKE = 1, STYLE_LEGACY_PAINT = 2 };

struct StyleLegacySwitches {
  bool on = false;
  bool visibleOn = false;
  bool hiddenOn = false;
};

struct StyleLegacyRecord {
  int formatVersion = -1;  // from chunk 100; -1 when there was none or it failed
  bool legacy = false;     // chunk 103 was read: the style holds the 44 old references
  bool forceAllLinesVisible = false;
  bool linesOn = true;
  bool surfaceOn = true;
  // Drawing positions (0..4) of All, Fold, Crease, MAX Defined and Material
  // Change, in that order.
  std::array<int, kStyleLegacyPositionCount> positions{0, 1, 2, 3, 4};
  std::array<StyleLegacySwitches, kStyleLegacyKindCount> kinds{};
  std::array<host::ReferenceTarget*, kStyleLegacyRefCount> slots{};
};

// Reads chunk 103 (the ILoad positioned inside it) into the record and sets
// its legacy flag. On a short or failed read the flag stays clear, the
// error is recorded with the ILoad, and IO_ERROR comes back.
host::IOResult ReadStyleLegacyTree(host::ILoad& iload, StyleLegacyRecord& record);

// The reference slot of one old tool.
constexpr int StyleLegacyToolSlot(int oldKind, bool hidden, int tool) {
  return 1 + 6 * oldKind + (hidden ? 3 : 0) + tool;
}

// The LineKind an old kind became.
int StyleLegacyLineKind(int oldKind);

// The line order (kind at each position 0..9) of a converted style: the five
// old positions place All, Fold, Crease, MAX Defined and Material Change in
// positions 0..4; the kinds the old format did not order follow in fixed
// places (5 Surface Intersection, 6 Edge IDs, 7 Angle, 8 Silhouette, 9
// Contours). Positions that are not a permutation of 0..4 (a damaged file)
// are ranked instead, ties in file order, so every kind keeps one place.
std::array<int, 10> StyleLegacyLineOrder(const std::array<int, kStyleLegacyPositionCount>& positions);

}  // namespace pw
