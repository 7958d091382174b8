#include "render_frames.h"

#include <climits>

#include "host/core/time.h"
#include "host/services/interface.h"
#include "render/frame_suffix.h"

namespace pw::cli {

namespace {

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

std::string FramesText(FrameRange r) {
  if (r.first == r.last) return "frame " + std::to_string(r.first);
  return "frames " + std::to_string(r.first) + " to " + std::to_string(r.last);
}

FrameRange SceneRange(const host::SceneInputInfo& scene) { return {scene.frameStart, scene.frameEnd}; }

// What the scene asks for, with the reason in words for `info`.
struct SceneChoice {
  FrameRange range;
  std::string why;
};

SceneChoice SceneFrames(const host::SceneInputInfo& scene) {
  switch (scene.timeOutput) {
    case host::TimeOutput::Active: return {SceneRange(scene), "the scene's frames (render.timeOutput 'active')"};
    case host::TimeOutput::Range:
      return {{scene.rangeStart, scene.rangeEnd}, "render.timeRange (render.timeOutput 'range')"};
    case host::TimeOutput::Single: break;
  }
  if (scene.currentFrame) return {{*scene.currentFrame, *scene.currentFrame}, "the scene's current frame"};
  return {{scene.frameStart, scene.frameStart},
          scene.frameStart == scene.frameEnd ? "the scene's only frame" : "the first of the scene's frames"};
}

}  // namespace

FrameSequence ResolveFrames(const RenderPlan& plan, const host::SceneInputInfo& scene) {
  switch (plan.frameChoice) {
    case FrameChoice::One: return {plan.frames, false};
    case FrameChoice::Range: return {plan.frames, true};
    case FrameChoice::Scene: break;
  }
  const FrameRange r = SceneFrames(scene).range;
  return {r, r.first != r.last};
}

std::optional<std::string> OutputPathForFrame(const std::string& path, int frame, bool numbered) {
  if (path.empty() || path.back() == '/') return std::nullopt;
  return FrameFileName(path, frame, numbered);
}

bool CheckFrameTimes(const RenderPlan& plan, const FrameSequence& frames, int ticksPerFrame, std::string* error) {
  if (ticksPerFrame < 1) ticksPerFrame = 1;
  // One frame more than asked must fit too: a frame's fields and motion
  // reach into the next one.
  const int limit = INT_MAX / ticksPerFrame - 1;
  const FrameRange r = frames.range;
  if (r.first >= -limit && r.last <= limit) return true;
  const char* origin = plan.frameChoice == FrameChoice::One     ? "--frame"
                       : plan.frameChoice == FrameChoice::Range ? "--frames"
                                                                : "the scene's frames";
  const int fps = ticksPerFrame <= host::TICKS_PER_SECOND ? host::TICKS_PER_SECOND / ticksPerFrame : 1;
  return Fail(error, std::string(origin) + ": " + FramesText(r) + " cannot be rendered: frames run from " +
                         std::to_string(-limit) + " to " + std::to_string(limit) + " at " + std::to_string(fps) +
                         " frames per second");
}

void WarnFramesOutsideScene(const RenderPlan& plan, const host::SceneInputInfo& scene) {
  if (plan.frameChoice == FrameChoice::Scene) return;
  const FrameRange asked = plan.frames;
  if (asked.first >= scene.frameStart && asked.last <= scene.frameEnd) return;
  const std::string option = plan.frameChoice == FrameChoice::One ? "--frame" : "--frames";
  host::WarningText(option + ": " + FramesText(asked) + (asked.first == asked.last ? " lies" : " reach") +
                    " outside the scene's " + FramesText(SceneRange(scene)) + "; rendered all the same");
}

std::string DescribeFramesToRender(const host::SceneInputInfo& scene) {
  const SceneChoice choice = SceneFrames(scene);
  std::string text = "Render writes " + FramesText(choice.range) + ", " + choice.why;
  text += choice.range.first == choice.range.last ? ", to the output file as named"
                                                  : ", one numbered file per frame";
  const FrameRange all = SceneRange(scene);
  if (choice.range != all && all.first != all.last)
    text += "; --frames " + std::to_string(all.first) + "-" + std::to_string(all.last) + " renders the scene's frames";
  return text;
}

}  // namespace pw::cli
