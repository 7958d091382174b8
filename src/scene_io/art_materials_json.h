// The art materials of a scene description (docs/scene-format.md, "Art
// materials"): the library every scene gets, with its defaults and presets,
// the user's own brushes, paints, strokes, surfaces and styles, and the
// style of every node.
//
// A description names styles and tools by name; a name the library does not
// have is an error that lists the names it does have, so a typing mistake is
// found at once rather than drawn with a default.
#pragma once

#include <string>

#include "scene_io/scene_input.h"
#include "scene_io/scene_json_value.h"
#include "host/scene/scene_model.h"

namespace pw {

// Gives the scene its library (made on demand, GetCurrentLibrary), defines
// the materials of `artMaterials` (null: none) in it, then assigns every
// node that names a style through the Penwright_StyleName property (as the
// description's "style" of a node does) and, with "defaultStyle", every
// other geometry node. Names in messages start with `file` and the JSON
// path ("scene.json: artMaterials.styles[1].surface: ..."). On failure the
// scene may hold part of the definitions: discard it.
bool ApplyArtMaterialsJson(const host::JsonValue* artMaterials, host::Scene& scene, const std::string& file,
                           std::string* error);

// A scene to render, read from `path` by host::LoadSceneInput, with its art
// materials: a description's "artMaterials" section (parsed with the rest of
// the file, never read twice) and, for every format, the node style names.
// On failure *error names the file and the place; discard the scene.
bool LoadSceneWithArtMaterials(const std::string& path, host::Scene& scene, std::string* error,
                               host::SceneInputInfo* info = nullptr);

}  // namespace pw
