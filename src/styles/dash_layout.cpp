#include "styles/dash_layout.h"

#include <bit>
#include <cmath>

namespace pw {

namespace {

// Boundary i of the walk reads pattern bit i mod 32: the cursor starts at
// bit 1 for boundary 1 and wraps from bit 31 to bit 0.
std::uint32_t Rotated(std::uint32_t mask, std::int64_t boundary) {
  return std::rotr(mask, static_cast<int>(boundary & 31));
}

// First boundary at or after `from` whose bit is clear (set). The mask is
// neither all ones nor all zeros here, so one lies within 32 boundaries.
std::int64_t NextClear(std::uint32_t mask, std::int64_t from) {
  return from + std::countr_one(Rotated(mask, from));
}
std::int64_t NextSet(std::uint32_t mask, std::int64_t from) {
  return from + std::countr_zero(Rotated(mask, from));
}

}  // namespace

float EffectiveStrokeScale(float storedScale) {
  // NaN fails the comparison and falls to the minimum too.
  return storedScale > 0.0f ? storedScale : kMinStrokeScale;
}

int LayoutDashes(std::int32_t mask, double lengthPixels, double brushWidthPixels, float scale,
                 std::vector<DashInterval>& out) {
  if (mask == 0) return 0;
  if (mask == -1) {
    out.push_back({0.0, 1.0});
    return 1;
  }
  if (!(lengthPixels > 0.0) || !(brushWidthPixels > 0.0)) return 0;

  const double cellPixels = brushWidthPixels * static_cast<double>(EffectiveStrokeScale(scale));
  const double cells = lengthPixels / cellPixels;
  if (cellPixels < kMinDashCellPixels || !(cells <= kMaxDashCells)) {
    out.push_back({0.0, 1.0});
    return 1;
  }

  const auto bits = static_cast<std::uint32_t>(mask);
  const auto last = static_cast<std::int64_t>(std::floor(cells));
  const std::size_t before = out.size();
  bool open = (bits & 1u) != 0;
  double start = 0.0;
  std::int64_t i = 1;
  while (i <= last) {
    if (open) {
      const std::int64_t closeAt = NextClear(bits, i);
      if (closeAt > last) {
        out.push_back({start, 1.0});
        break;
      }
      out.push_back({start, static_cast<double>(closeAt) / cells});
      open = false;
      i = closeAt + 1;
    } else {
      const std::int64_t openAt = NextSet(bits, i);
      if (openAt > last) break;
      start = static_cast<double>(openAt) / cells;
      open = true;
      i = openAt + 1;
    }
  }
  return static_cast<int>(out.size() - before);
}

DashCap DashCapFor(int capping, bool squareBrush) {
  switch (capping) {
    case kStrokeCappingNone: return squareBrush ? DashCap::Butt : DashCap::RoundInside;
    case kStrokeCappingBrush: return squareBrush ? DashCap::SquareExtend : DashCap::RoundOutside;
    default: return DashCap::None;
  }
}

double DashCapExtension(DashCap cap, double brushWidthPixels) {
  return cap == DashCap::SquareExtend || cap == DashCap::RoundOutside ? 0.5 * brushWidthPixels : 0.0;
}

float StrokeVectorLineFactor(float w) {
  if (w <= 0.5f) return 0.5f;
  if (w <= 0.75f) return 0.75f;
  if (w <= 0.9f) return 0.8f;
  if (w <= 1.0f) return 0.9f;
  if (w <= 4.0f) return 0.3f;
  if (w <= 9.0f) return 0.2f;
  return 0.1f;
}

}  // namespace pw
