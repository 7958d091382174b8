// What `penwright info` tells of a scene: what would be rendered, and how.
#pragma once

#include <string>

#include "host/params/paramblock.h"
#include "host/scene/scene_model.h"
#include "render/renderer_settings.h"
#include "scene_io/scene_input.h"

namespace pw {

// How much a description tells: what users set and see, or also what only
// the program reads (the node that holds the art-material library, the
// surface renderer's class id, the vector options' version word).
enum class SceneDescribeDetail { ForUsers, WithInternals };

// The scene read from `path` as text: its node tree, the instances the
// renderer would gather with their face counts, the lights (or the default
// lights standing in), the camera and its view, then the render settings
// (`settings` with the renderer's `block`) one per line.
std::string DescribeScene(const std::string& path, const host::Scene& scene, const host::SceneInputInfo& info,
                          const PwRendererSettings& settings, host::IParamBlock2* block,
                          SceneDescribeDetail detail = SceneDescribeDetail::ForUsers);

}  // namespace pw
