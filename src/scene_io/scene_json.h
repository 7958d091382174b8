// JSON scene descriptions (the format is documented in
// docs/scene-format.md): nodes with their transforms and keys, meshes in
// place or from OBJ and glTF files, model files included whole, materials,
// cameras, lights, frame rate and range, picture size, render settings by
// name, and a style per node.
#pragma once

#include <string>

#include "scene_io/scene_input.h"
#include "host/scene/scene_model.h"

namespace host {

// Fills `scene` (a fresh one) and `info` from the description at `path`.
// Unknown keys are errors. Errors and warnings name the file and the JSON
// path ("scene.json: nodes[3].material.diffuse: expected 3 numbers").
// Render settings and the "artMaterials" section are only collected into
// info, not checked.
bool ReadSceneJson(const std::string& path, Scene& scene, SceneInputInfo& info, std::string* error);

}  // namespace host
