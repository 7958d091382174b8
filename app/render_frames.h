// Which frames `penwright render` writes, and the file each one goes to.
//
// The command line decides first (--frame N, --frames A-B); without it the
// scene does, by its time output choice: one frame (its current frame, else
// the first of its frames), its whole active range, or a range it names.
#pragma once

#include <optional>
#include <string>

#include "render_args.h"
#include "scene_io/scene_input.h"

namespace pw::cli {

struct FrameSequence {
  FrameRange range;
  bool numbered = false;  // file names carry the frame number
  // Count as 64 bits: a range across the whole int is 2^32 frames.
  long long Count() const { return static_cast<long long>(range.last) - range.first + 1; }
};

// The frames the command line asks for, else those the scene asks for.
// Numbered when --frames was given or the scene's choice is more than one
// frame.
FrameSequence ResolveFrames(const RenderPlan& plan, const host::SceneInputInfo& scene);

// The file a frame goes to: `path` with its '#' runs filled in with the
// frame number, else with the number (four digits at least) before the
// extension when numbered, else as it is. Nullopt when the path names no
// file.
std::optional<std::string> OutputPathForFrame(const std::string& path, int frame, bool numbered);

// Refuses frames whose time, in ticks at `ticksPerFrame`, does not fit a
// TimeValue; the message names where the frames came from and the range
// that can be rendered.
bool CheckFrameTimes(const RenderPlan& plan, const FrameSequence& frames, int ticksPerFrame, std::string* error);

// A warning (through the warning reporter) when the command line asks for
// frames outside the scene's own; they are rendered all the same.
void WarnFramesOutsideScene(const RenderPlan& plan, const host::SceneInputInfo& scene);

// For `penwright info`: one line saying which frames a render without
// --frame or --frames writes, and why.
std::string DescribeFramesToRender(const host::SceneInputInfo& scene);

}  // namespace pw::cli
