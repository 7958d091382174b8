// What `penwright render` works out once the scene is read: the picture's
// size, the frames and their file names, the camera and the settings. Each
// step answers false (or nullopt) with one line in *error when the command
// line and the scene do not fit together; nothing here renders or writes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scene_io/scene_input.h"
#include "host/scene/node.h"
#include "host/params/paramblock.h"
#include "host/render_api/rendering.h"
#include "render/renderer_settings.h"
#include "render_args.h"
#include "render_frames.h"

namespace pw::cli {

struct ImageSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

// The command line's size, else the scene's. With one side given, the
// other keeps the scene's proportions.
std::optional<ImageSize> ResolveImageSize(const RenderPlan& plan, ImageSize scene, std::string* error);

// The region must lie inside the picture.
bool CheckRegionInside(const PixelRegion& region, ImageSize size, std::string* error);

// The camera node named `name`, or the scene's active camera for an empty
// name. An unknown name, or one that is no camera, fails naming the
// cameras the scene has.
host::INode* FindCameraNode(const host::Scene& scene, const std::string& name, std::string* error);

// A camera the loader added only to frame the scene was fitted to the
// scene's picture shape; for a picture of another shape the scene gets a
// new framing camera, made active, fitted to that shape. True when the
// active camera was replaced.
bool RefitFramingCamera(host::Scene& scene, const host::SceneInputInfo& info, ImageSize size);

// The view a host hands the renderer for a camera node at time t:
// cameraFromWorld (scale removed), projection, field of view, clipping.
host::ViewParams CameraViewParams(host::INode* cameraNode, host::TimeValue t);

// The scene's own settings, then the command line's --set, in order, then
// the custom output files; the first one refused fails naming where it
// came from.
bool ApplyRenderSettings(PwRendererSettings& settings, host::IParamBlock2* block,
                         const std::vector<host::RenderSettingText>& sceneSettings, const RenderPlan& plan,
                         std::string* error);

// Every file the render will write that must be checked beforehand: the
// output and the custom outputs that are switched on (by the command line
// or by the scene), each with the option or setting that named it.
struct PlannedFile {
  std::string path;
  std::string origin;  // "-o/--output", "linesCustomOutput"
};
std::vector<PlannedFile> PlannedFiles(const RenderPlan& plan, const host::IParamBlock2& block);

}  // namespace pw::cli
