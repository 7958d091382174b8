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

// The file a frame of a render goes to. A run of '#' in the file's name
// (not its folder) is a frame-number field: each run is replaced by the
// number zero-padded to as many digits as it has '#'s ("shot_####.png" at
// frame 12 is "shot_0012.png"; at -3, "shot_-0003.png", the sign before
// the digits; a number needing more digits gets them all). A name without
// '#' gets the number appended as AppendFrameNumber does, with
// kFrameDigits, but only for a sequence; a single frame keeps it as it is.
// Fails (nullopt) when the path names no file.
std::optional<std::string> FrameFileName(std::string_view path, std::int64_t frame, bool sequence);
// Whether the file's name (not its folder) holds a '#' frame-number field.
bool HasFrameField(std::string_view path);

inline constexpr int kFrameDigits = 4;     // what sequences of files use
inline constexpr int kMaxFrameDigits = 20;

}  // namespace pw
