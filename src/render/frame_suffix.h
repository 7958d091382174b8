// Frame numbers in output file names: "shot.png" at frame 12 becomes
// "shot0012.png" in the same folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/core/time.h"

namespace pw {

// The number files of the frame at t get: whole frames since time 0
// (truncated towards zero) plus the first number of the output files.
// A ticksPerFrame below 1 counts as 1.
std::int64_t FrameNumber(host::TimeValue t, int ticksPerFrame, int fileNumberBase);

// The path with `frame` inserted between the file's name and its extension,
// zero-padded to at least `width` digits (a negative frame keeps its sign:
// "-0003"). With stripDigits, digits already ending the name are replaced
// rather than added to. The folder part is kept as it is ('/' separates).
// Fails (nullopt) when the path names no file (empty, or ending in '/'),
// when stripping would leave a name that was nothing but digits, or when
// width is outside 1..kMaxFrameDigits.
std::optional<std::string> AppendFrameNumber(std::string_view path, std::int64_t frame, int width,
                                             bool stripDigits = false);

inline constexpr int kFrameDigits = 4;     // what sequences of files use
inline constexpr int kMaxFrameDigits = 20;

}  // namespace pw
