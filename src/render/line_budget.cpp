#include "render/line_budget.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/renderer_paramblock.h"

namespace pw {

std::int64_t PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<std::int64_t>(pages) * static_cast<std::int64_t>(pageSize);
}

std::int64_t LinesByteBudget(std::int64_t physicalBytes, float fraction) {
  if (physicalBytes <= 0) physicalBytes = kAssumedPhysicalMemory;
  const float bytes = static_cast<float>(physicalBytes) * ClampLinesMemoryLimit(fraction);
  // A float at or above 2^31 does not fit the 32-bit budget; the conversion
  // would be undefined, so the saturated value is given explicitly.
  if (bytes >= static_cast<float>(kMaxLinesByteBudget)) return kMaxLinesByteBudget;
  return static_cast<std::int32_t>(bytes);
}

std::int64_t LinesByteBudget(const host::IParamBlock2& block, host::TimeValue t) {
  return LinesByteBudget(PhysicalMemoryBytes(), GetLinesMemoryLimit(block, t));
}

float MemoryLimitChoice(int index) {
  index = std::clamp(index, 0, kMemoryLimitChoiceCount - 1);
  return static_cast<float>(10 * index + 10) / 100.0f;
}

int MemoryLimitChoiceIndex(float fraction) {
  const float clamped = ClampLinesMemoryLimit(fraction);
  return std::clamp(static_cast<int>(std::lround(clamped * 10.0f)) - 1, 0, kMemoryLimitChoiceCount - 1);
}

std::string MemoryLimitLabel(std::int64_t budgetBytes) {
  char text[64];
  std::snprintf(text, sizeof text, "= %.1fM", static_cast<double>(budgetBytes) / static_cast<double>(1 << 20));
  return text;
}

}  // namespace pw
