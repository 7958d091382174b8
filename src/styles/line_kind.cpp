#include "styles/line_kind.h"

#include <array>

namespace pw {

namespace {

constexpr std::array<std::string_view, kLineKindCount> kLabels = {
    "Fold", "Crease", "Surface Intersection", "Edge IDs", "Material Change",
    "MAX Defined", "All", "Angle", "Silhouette", "Contours",
};

constexpr std::array<std::string_view, kLineKindCount> kLongNames = {
    "Fold Edge", "Crease Edge", "Surface Intersection", "Edge IDs", "Material Change Edge",
    "MAX Defined Edge", "All Edges", "Face Angle Edge", "Silhouette", "Contours",
};

}  // namespace

std::string_view LineKindLabel(int kind) {
  return IsValidLineKind(kind) ? kLabels[static_cast<std::size_t>(kind)] : std::string_view();
}

std::string_view LineKindLongName(int kind) {
  return IsValidLineKind(kind) ? kLongNames[static_cast<std::size_t>(kind)] : std::string_view();
}

}  // namespace pw
