// `penwright library list [SCENE]` and `penwright library show NAME [SCENE]`:
// the art materials of a scene (a description, a model, a saved scene or an
// art-material file), or of a fresh library when no scene is given.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "host/refs/class_desc.h"
#include "host/io/whole_file.h"
#include "scene_io/scene_input.h"
#include "host/scene/scene_model.h"
#include "library/art_materials.h"
#include "library/holder.h"
#include "scene_io/art_material_describe.h"
#include "style_options.h"

namespace pw::cli {

namespace {

bool IsSceneInput(const std::string& path) {
  const std::string ext = host::LowerExtension(path);
  return ext == ".json" || ext == ".obj" || ext == ".gltf" || ext == ".glb";
}

// The scene's library: made fresh without a scene; for a scene to render,
// with the description's art materials; for a saved scene or an
// art-material file, the library it holds (a new one when it holds none).
// The --art-materials file's materials come after those.
PwObjectLibrary* LoadLibrary(const std::string& path, const StyleOptions& styling, host::Scene& scene) {
  std::string error;
  bool ok = true;
  if (path.empty())
    ok = AddArtMaterialsFile(styling, scene, "", &error);
  else if (IsSceneInput(path))
    ok = LoadStyledScene(path, styling, scene, nullptr, &error);
  else
    ok = host::Scene::LoadFromFile(path, host::ClassRegistry::Global(), &scene, &error) &&
         AddArtMaterialsFile(styling, scene, path, &error);
  if (!ok) {
    std::fprintf(stderr, "penwright: %s\n", error.c_str());
    return nullptr;
  }
  PwObjectLibrary* library = GetCurrentLibrary(scene.Root());
  if (!library) std::fprintf(stderr, "penwright: the scene has no art-material library and none can be made\n");
  return library;
}

struct ListArgs {
  std::string scene;
  StyleOptions styling;
};

// A mistyped option is the command line's fault, not the scene's.
bool CheckOptions(const StyleOptions& styling) {
  std::string error;
  if (CheckStyleOptions(styling, &error)) return true;
  std::fprintf(stderr, "penwright: %s\n", error.c_str());
  return false;
}

int RunList(const ListArgs& args) {
  if (!CheckOptions(args.styling)) return ExitUsage;
  host::Scene scene;
  const PwObjectLibrary* library = LoadLibrary(args.scene, args.styling, scene);
  if (!library) return ExitFailed;
  const std::vector<LibraryListEntry> entries = ListLibrary(*library);
  std::printf("%4s  %-8s %-8s %6s  %s\n", "slot", "class", "origin", "number", "name");
  for (const LibraryListEntry& e : entries) {
    std::printf("%4d  %-8s %-8s ", e.slot, e.className.c_str(), std::string(OriginName(e.origin)).c_str());
    if (e.origin == PW_ORIGIN_USER)
      std::printf("%6s", "-");
    else
      std::printf("%6d", e.number);
    std::printf("  %s\n", e.name.c_str());
  }
  std::printf("%zu art materials\n", entries.size());
  return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}

struct ShowArgs {
  std::string name;
  std::string scene;
  std::string classWord;
  StyleOptions styling;
};

int RunShow(const ShowArgs& args) {
  if (!CheckOptions(args.styling)) return ExitUsage;
  host::Scene scene;
  const PwObjectLibrary* library = LoadLibrary(args.scene, args.styling, scene);
  if (!library) return ExitFailed;
  std::optional<host::Class_ID> classId;
  if (!args.classWord.empty()) {
    const ArtMaterialClass* c = FindArtMaterialClass(args.classWord);
    if (!c) {
      std::fprintf(stderr, "penwright: '%s' is no class of art material\n", args.classWord.c_str());
      return ExitUsage;
    }
    classId = c->id;
  }
  const std::vector<int> slots = FindMaterials(*library, args.name, classId);
  if (slots.empty()) {
    std::vector<std::string> names;
    for (const LibraryListEntry& e : ListLibrary(*library))
      if (!classId || library->Get(e.slot)->ClassID() == *classId) names.push_back(e.name);
    std::fprintf(stderr, "penwright: no art material%s is named '%s'; there are %s\n",
                 classId ? (" of class " + args.classWord).c_str() : "", args.name.c_str(),
                 QuotedNameList(names).c_str());
    return ExitUsage;
  }
  if (slots.size() > 1) {
    std::string which;
    for (int slot : slots)
      which += (which.empty() ? "" : ", ") + library->Get(slot)->DisplayClassName() + " #" + std::to_string(slot);
    std::fprintf(stderr, "penwright: '%s' names %zu art materials (%s); choose one with --class or by slot as #N\n",
                 args.name.c_str(), slots.size(), which.c_str());
    return ExitUsage;
  }
  std::fputs(DescribeArtMaterial(*library, slots.front()).c_str(), stdout);
  return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}

constexpr const char* kSceneHelp =
    "The scene: a description (.json), a model (.obj, .gltf, .glb), a saved scene or an art-material file "
    "(.iam); without one, a fresh library";

}  // namespace

Command MakeLibraryCommand() {
  auto listArgs = std::make_shared<ListArgs>();
  Command list;
  list.name = "list";
  list.description = "List the art materials: slot, class, origin, number and name";
  list.Add("scene", &listArgs->scene, kSceneHelp).ExistingFile().TypeName("SCENE");
  AddArtMaterialsOption(list, &listArgs->styling);
  list.run = [listArgs](const GlobalOptions&) { return RunList(*listArgs); };

  auto show = std::make_shared<ShowArgs>();
  Command showCmd;
  showCmd.name = "show";
  showCmd.description = "Show the settings of one art material (a style as its tree)";
  showCmd.Add("name", &show->name, "The material's name, or its slot as #N").Required().TypeName("NAME");
  showCmd.Add("scene", &show->scene, kSceneHelp).ExistingFile().TypeName("SCENE");
  showCmd.Add("--class", &show->classWord, "Only materials of this class")
      .Choices({"brush", "paint", "stroke", "surface", "style", "canvas"})
      .TypeName("CLASS");
  AddArtMaterialsOption(showCmd, &show->styling);
  showCmd.run = [show](const GlobalOptions&) { return RunShow(*show); };

  Command c;
  c.name = "library";
  c.description = "The art materials of a scene, presets included";
  c.subcommands.push_back(std::move(list));
  c.subcommands.push_back(std::move(showCmd));
  c.subcommands.push_back(MakeLibraryExportCommand());
  c.subcommands.push_back(MakeLibraryImportCommand());
  return c;
}

}  // namespace pw::cli
