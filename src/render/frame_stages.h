// The stages of one field of a frame, in the order the frame body runs
// them, each under its progress caption. Every stage answers false when the
// frame must end (cancelled, refused, out of memory).
#pragma once

#include "host/refs/reference.h"
#include "render/render_run.h"

namespace pw {

// First frame of a run: image size, pixel aspect and centre from the first
// bitmap present, the pixel buffer sized (raster mode), region and refresh
// rectangle. False when there is no bitmap or the buffer cannot be had.
bool setupFrameImage(PwRenderRun& run, const PwFrameSlots& slots);

// "Preparing View": projection of the field and the clip window.
void stagePrepareView(PwRenderRun& run);
// "Loading Auxillary Files".
bool stageLoadAuxFiles(PwRenderRun& run);
// "Preparing Background" (raster mode): the environment map updated, the
// background image filled and the pixel buffer reset to it.
bool stagePrepareBackground(PwRenderRun& run);
// "Preparing Scene": each instance's visibility, transforms and mesh copy.
bool stagePrepareScene(PwRenderRun& run);
// Between the scene and the objects: art materials told the field begins,
// global context, lights, shading context and built maps.
bool stageFrameSetup(PwRenderRun& run, host::ReferenceTarget* renderer);
// "Preparing Objects" and "Illustrating": each visible object moved into the
// view, sorted, and drawn (surfaces, lines, or vector output).
bool stageObjects(PwRenderRun& run);
// "Preparing image and channels": the field's results into the bitmaps.
bool stagePrepareImage(PwRenderRun& run, const PwFrameSlots& slots);

// Drawing order: visible instances first; raster mode nearest first (depth
// key descending), vector mode farthest first. Ties keep gathering order.
// Answers how many are visible.
int sortForDrawing(std::vector<PwRenderInstance*>& order, bool vectorMode);

// Half a frame in ticks: the integer product of ticks per frame and the
// frame duration, halved by a shift.
host::TimeValue halfFrameTicks(int ticksPerFrame, float frameDuration);

}  // namespace pw
