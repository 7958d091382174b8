// A render as `penwright render` will run it: the command line checked,
// the scene read, and everything fitted together (size, frames, camera,
// settings, files) before the first frame.
#pragma once

#include <string>

#include "scene_io/scene_input.h"
#include "host/scene/node.h"
#include "host/render_api/rendering.h"
#include "host/scene/scene_model.h"
#include "render/renderer.h"
#include "render_args.h"
#include "render_setup.h"

namespace pw::cli {

struct RenderJob {
  RenderPlan plan;
  host::Scene scene;
  host::SceneInputInfo info;
  ImageSize size;
  FrameSequence frames;
  host::INode* camera = nullptr;
};

// Checks the arguments, reads the scene, sets the renderer's settings and
// checks every file the render will write. False with one line in *error;
// nothing is rendered or written.
bool PrepareJob(const RenderArgs& args, PenwrightRenderer& renderer, RenderJob& job, std::string* error);

// What the host hands the renderer for the run and for each frame.
host::RendParams MakeRendParams(const RenderJob& job);
host::FrameRendParams MakeFrameParams(const RenderJob& job);

}  // namespace pw::cli
