// How much physical memory the system could hand out now without swapping:
// the line rasterizer never asks for more than this, whatever its budget.
#pragma once

#include <cstdint>
#include <string_view>

namespace pw {

// Bytes of physical memory available now, or -1 when the system cannot say.
std::int64_t AvailablePhysicalMemory();

// The "MemAvailable:" line of a /proc/meminfo text, in bytes; -1 when the
// line is missing or malformed.
std::int64_t ParseMemAvailable(std::string_view meminfo);

}  // namespace pw
