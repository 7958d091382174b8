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
#include <vector>

#include "scene_io/scene_input.h"
#include "scene_io/scene_json_value.h"
#include "host/scene/scene_model.h"

namespace pw {

// One "artMaterials" section and the file it was read from, which messages
// name ("styles.json: artMaterials.styles[1].surface: ...").
struct ArtMaterialsSection {
  const host::JsonValue* value = nullptr;  // null: the file has none
  std::string file;
};

// Gives the scene its library (made on demand, GetCurrentLibrary) and
// applies the sections in order: first the materials of each (so a later
// section may start "from" an earlier one's), then the style of every node
// that names one through the Penwright_StyleName property (as the
// description's "style" of a node does; such messages name `sceneFile`),
// then each section's "defaultStyle" for the geometry nodes still without a
// style. On failure the scene may hold part of the definitions: discard it.
bool ApplyArtMaterialsSections(const std::vector<ArtMaterialsSection>& sections, host::Scene& scene,
                               const std::string& sceneFile, std::string* error);
// One section (null: none) of the description `file`.
bool ApplyArtMaterialsJson(const host::JsonValue* artMaterials, host::Scene& scene, const std::string& file,
                           std::string* error);

// The "artMaterials" section of the JSON file at `path`; the file's other
// top-level keys are not looked at, so a scene description can lend its
// art materials to another scene. Errors name the file.
bool ReadArtMaterialsFile(const std::string& path, host::JsonValue* section, std::string* error);

// Every geometry node of the scene is assigned the style named `name` in
// place of its own. An unknown name fails listing the styles there are.
bool AssignStyleToAllMeshes(host::Scene& scene, const std::string& name, std::string* error);

// A scene to render, read from `path` by host::LoadSceneInput, with its art
// materials: a description's "artMaterials" section (parsed with the rest of
// the file, never read twice), then `extra` when given, and, for every
// format, the node style names. On failure *error names the file and the
// place; discard the scene.
bool LoadSceneWithArtMaterials(const std::string& path, host::Scene& scene, std::string* error,
                               host::SceneInputInfo* info = nullptr, const ArtMaterialsSection* extra = nullptr);

}  // namespace pw
