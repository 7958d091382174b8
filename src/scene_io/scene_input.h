// Reading a scene to render from a file: a JSON scene description (.json),
// or a model file rendered as it is (.obj, .gltf, .glb).
//
// Whatever the format, the scene comes out complete:
// - an active camera: the description's, else the first camera in the
//   tree, else a camera added to frame the geometry (import_defaults.h);
// - the host's default light in the scene's default light list (used only
//   when the scene has no lights of its own);
// - the frame rate, in the scene root and applied to time conversions.
// Render settings cannot be applied here (they belong to the renderer, which
// this layer does not know); they come back as name and value text for the
// caller to set by name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/import_summary.h"
#include "scene_io/scene_json_value.h"
#include "host/scene/scene_model.h"

namespace host {

// One render setting of a description: set by name through the renderer's
// settings, reporting failures at `place`.
struct RenderSettingText {
  std::string name;   // "linesOn", "vectorFormatOptions.colorMode"
  std::string value;  // "false", "0.3", "vector"
  std::string place;  // "scene.json: render.linesOn"
};

// Which frames a render of the scene writes when the command line does not
// say: the host's "time output" choice.
enum class TimeOutput {
  Single,  // one frame: the current frame, else the first of the scene's frames
  Active,  // the scene's frames (frameStart to frameEnd)
  Range,   // the frames rangeStart to rangeEnd
};

struct SceneInputInfo {
  std::string format;  // "json", "obj" or "gltf"
  int imageWidth = kDefaultImageWidth;
  int imageHeight = kDefaultImageHeight;
  int frameStart = 0;  // the scene's frames (its active range), inclusive
  int frameEnd = 0;
  std::optional<int> currentFrame;  // the frame the scene is at, when it says
  TimeOutput timeOutput = TimeOutput::Single;
  int rangeStart = 0;  // for TimeOutput::Range, inclusive
  int rangeEnd = 0;
  std::vector<RenderSettingText> renderSettings;
  bool framingCamera = false;  // the active camera was added to frame the scene
  // A description's "artMaterials" section, when it has one, parsed
  // with the rest of the file and left for the art-material library, which
  // this layer does not know (LoadSceneWithArtMaterials applies it).
  std::optional<JsonValue> artMaterials;
};

// Reads `path`, choosing the format by its extension (in any letter case).
// On success *out holds the new scene. On failure *out is unchanged and
// *error holds one message naming the file and the place. Warnings go to
// the warning reporter.
bool LoadSceneInput(const std::string& path, Scene& out, std::string* error, SceneInputInfo* info = nullptr);

// What a model file says of the picture and the frames, whether rendered as
// it is or included in a description: the picture height that gives `width`
// the shape of its camera (aspect = width / height), and the last frame its
// keys reach, rounded up so the last key is shown.
int PictureHeightForAspect(int width, float aspect);
int LastFrameOfKeys(TimeValue lastKey, int ticksPerFrame);

}  // namespace host
