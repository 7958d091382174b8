// The options of the commands that read a scene to draw or describe it:
// --art-materials FILE.json, the art materials of another file added to the
// scene's own, and --style NAME, one style for every mesh. With them a model
// file can be drawn in a style of the user's own without a description.
#pragma once

#include <string>

#include "command.h"
#include "host/scene/scene_model.h"
#include "scene_io/scene_input.h"

namespace pw::cli {

struct StyleOptions {
  std::string artMaterials;  // a JSON file whose "artMaterials" section is added
  std::string style;         // the style every mesh is drawn with
  bool artMaterialsGiven = false;
  bool styleGiven = false;
};

// The options on a command, with the help text every command shares.
void AddArtMaterialsOption(Command& command, StyleOptions* options);
void AddStyleOption(Command& command, StyleOptions* options);

// What can be checked before anything is read: a style name that is not
// empty, an art-materials file that is JSON.
bool CheckStyleOptions(const StyleOptions& options, std::string* error);

// The scene at `path` with its art materials (LoadSceneWithArtMaterials),
// the --art-materials file's after them, then --style over every mesh.
// False with one line in *error; discard the scene.
bool LoadStyledScene(const std::string& path, const StyleOptions& options, host::Scene& scene,
                     host::SceneInputInfo* info, std::string* error);

// The --art-materials file's section added to a scene read otherwise (a
// saved scene, or a fresh one); `sceneFile` names it in messages about its
// nodes. True without doing anything when no file was given.
bool AddArtMaterialsFile(const StyleOptions& options, host::Scene& scene, const std::string& sceneFile,
                         std::string* error);

}  // namespace pw::cli
