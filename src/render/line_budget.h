// The line rasterizer's memory budget: a fraction of physical memory.
//
// The budget is computed in single precision and truncated to a 32-bit
// integer, as saved scenes and the rasterizer's band sizing expect: any
// budget of 2^31 bytes or more is exactly 2^31 (2 GiB), however much memory
// the machine has.
#pragma once

#include <cstdint>
#include <string>

#include "host/params/paramblock.h"
#include "host/core/time.h"

namespace pw {

inline constexpr std::int64_t kMaxLinesByteBudget = std::int64_t{1} << 31;
// Assumed when the system cannot say how much memory it has.
inline constexpr std::int64_t kAssumedPhysicalMemory = std::int64_t{1} << 30;

// Total physical memory in bytes, or 0 when the system cannot say.
std::int64_t PhysicalMemoryBytes();

// physicalBytes x fraction (the fraction clamped to [0.1, 1.0]), in single
// precision, truncated; at most kMaxLinesByteBudget. Unknown memory (<= 0)
// counts as kAssumedPhysicalMemory.
std::int64_t LinesByteBudget(std::int64_t physicalBytes, float fraction);
// The budget for this machine and the block's memory limit at t.
std::int64_t LinesByteBudget(const host::IParamBlock2& block, host::TimeValue t = 0);

// The choices offered for the limit: 10 %, 20 %, ... 100 %.
inline constexpr int kMemoryLimitChoiceCount = 10;
// The fraction of choice i ((10 i + 10) / 100); i is held to the valid choices.
float MemoryLimitChoice(int index);
// The choice nearest to a fraction.
int MemoryLimitChoiceIndex(float fraction);
// "= 512.0M": a budget in MiB as the choice list shows it.
std::string MemoryLimitLabel(std::int64_t budgetBytes);

}  // namespace pw
