// The kinds of lines a style switches on and off.
//
// A kind's value is the index of its item under the style tree's "Lines"
// item, and is what files and the line generators store, so the numbering
// must never change.
#pragma once

#include <string_view>

namespace pw {

enum LineKind : int {
  LINE_KIND_FOLD = 0,
  LINE_KIND_CREASE = 1,
  LINE_KIND_SURFACE_INTERSECTION = 2,
  LINE_KIND_EDGE_IDS = 3,
  LINE_KIND_MATERIAL_CHANGE = 4,
  LINE_KIND_MAX_DEFINED = 5,
  LINE_KIND_ALL = 6,
  LINE_KIND_ANGLE = 7,
  LINE_KIND_SILHOUETTE = 8,
  LINE_KIND_CONTOURS = 9,
};
inline constexpr int kLineKindCount = 10;

constexpr bool IsValidLineKind(int kind) { return kind >= 0 && kind < kLineKindCount; }

// The two kinds whose items hold numbered sub-items (one per edge ID, one per
// contour line set) instead of drawing tools of their own.
constexpr bool LineKindHasSubItems(int kind) { return kind == LINE_KIND_EDGE_IDS || kind == LINE_KIND_CONTOURS; }

// The label stored in the style tree ("Fold", ...) and the longer name lists
// show ("Fold Edge", ...); "" for a value out of range.
std::string_view LineKindLabel(int kind);
std::string_view LineKindLongName(int kind);

}  // namespace pw
