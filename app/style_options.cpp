#include "style_options.h"

#include "host/io/whole_file.h"
#include "scene_io/art_materials_json.h"
#include "scene_io/scene_json_value.h"

namespace pw::cli {

namespace {

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

bool ReadSection(const StyleOptions& options, host::JsonValue* section, std::string* error) {
  std::string why;
  if (!ReadArtMaterialsFile(options.artMaterials, section, &why)) return Fail(error, "--art-materials: " + why);
  return true;
}

}  // namespace

void AddArtMaterialsOption(Command& command, StyleOptions* options) {
  command
      .Add("--art-materials", &options->artMaterials,
           "Add the art materials (the \"artMaterials\" section) of this JSON file to the scene's own, e.g. styles "
           "for --style; its defaultStyle goes to the meshes still without a style")
      .TypeName("FILE.json")
      .Given(&options->artMaterialsGiven);
}

void AddStyleOption(Command& command, StyleOptions* options) {
  command
      .Add("--style", &options->style,
           "Draw every mesh with this style (a preset such as Hidden-line, or one the scene or --art-materials "
           "defines) in place of its own; 'penwright library list SCENE' shows the styles there are")
      .TypeName("NAME")
      .Given(&options->styleGiven);
}

bool CheckStyleOptions(const StyleOptions& options, std::string* error) {
  if (options.styleGiven && options.style.empty()) return Fail(error, "--style: the style name is empty");
  if (options.artMaterialsGiven && options.artMaterials.empty()) return Fail(error, "--art-materials: no file given");
  if (!options.artMaterials.empty() && host::LowerExtension(options.artMaterials) != ".json")
    return Fail(error, "--art-materials: '" + options.artMaterials + "' is not a JSON file (.json)");
  return true;
}

bool LoadStyledScene(const std::string& path, const StyleOptions& options, host::Scene& scene,
                     host::SceneInputInfo* info, std::string* error) {
  if (!CheckStyleOptions(options, error)) return false;
  host::JsonValue section;
  const bool extra = !options.artMaterials.empty();
  if (extra && !ReadSection(options, &section, error)) return false;
  const ArtMaterialsSection added{&section, options.artMaterials};
  if (!LoadSceneWithArtMaterials(path, scene, error, info, extra ? &added : nullptr)) return false;
  std::string why;
  if (options.styleGiven && !AssignStyleToAllMeshes(scene, options.style, &why)) return Fail(error, "--style: " + why);
  return true;
}

bool AddArtMaterialsFile(const StyleOptions& options, host::Scene& scene, const std::string& sceneFile,
                         std::string* error) {
  if (!CheckStyleOptions(options, error)) return false;
  if (options.artMaterials.empty()) return true;
  host::JsonValue section;
  if (!ReadSection(options, &section, error)) return false;
  return ApplyArtMaterialsSections({{&section, options.artMaterials}}, scene,
                                   sceneFile.empty() ? options.artMaterials : sceneFile, error);
}

}  // namespace pw::cli
