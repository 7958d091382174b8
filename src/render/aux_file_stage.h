// What a frame needs from disk: texture and art-material image files loaded
// before the frame, maps that materials build for themselves, and the files
// let go at the end of the run.
#pragma once

namespace pw {

struct PwRenderRun;

class PwAuxFileStage {
 public:
  virtual ~PwAuxFileStage() = default;
  // Each field, under "Loading Auxillary Files". Missing files are reported
  // on the first frame; false stops the frame (the user chose to stop, or
  // nobody could be asked).
  virtual bool Load(PwRenderRun& run, bool firstFrame) = 0;
  // Each field, after the lights are updated: maps built by materials
  // (reflections, mirrors).
  virtual void BuildMaps(PwRenderRun& run) = 0;
  // At Close.
  virtual void Unload(PwRenderRun& run) = 0;
};

}  // namespace pw
