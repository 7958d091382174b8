// `penwright library list [SCENE]` and `penwright library show NAME [SCENE]`:
// the art materials of a scene (a description, a model, a saved scene or an
// art-material file), or of a fresh library when no scene is given.
#include <charconv>
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
#include "library/art_material_file.h"
#include "library/art_materials.h"
#include "library/holder.h"
#include "scene_io/art_material_describe.h"
#include "scene_io/closest_names.h"
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
// The --art-materials file's materials come after those. Null after saying
// why: the input is wrong (exit 2) as for every command that reads it.
PwObjectLibrary* LoadLibrary(const std::string& path, const StyleOptions& styling, host::Scene& scene) {
  std::string error;
  bool ok = true;
  if (path.empty())
    ok = AddArtMaterialsFile(styling, scene, "", &error);
  else if (IsSceneInput(path))
    ok = LoadStyledScene(path, styling, scene, nullptr, &error);
  else
    ok = (host::LowerExtension(path) == PW_IAM_EXTENSION
              ? LoadArtMaterialFileAsScene(path, scene, &error)
              : host::Scene::LoadFromFile(path, host::ClassRegistry::Global(), &scene, &error)) &&
         AddArtMaterialsFile(styling, scene, path, &error);
  if (!ok) {
    PrintError(error);
    return nullptr;
  }
  PwObjectLibrary* library = GetCurrentLibrary(scene.Root());
  if (!library) PrintError("the scene has no art-material library and none can be made");
  return library;
}

// A mistyped option is the command line's fault, not the scene's.
bool CheckOptions(const StyleOptions& styling) {
  std::string error;
  if (CheckStyleOptions(styling, &error)) return true;
  PrintError(error);
  return false;
}

std::string ClassWords() {
  std::string out;
  for (int i = 0; i < kArtMaterialClassCount; ++i) out += (i ? ", " : "") + std::string(ArtMaterialClasses()[i].word);
  return out;
}

// --class CLASS in any letter case, singular or plural. False after saying
// why; *out stays null without the option.
bool ParseClassOption(const std::string& word, bool given, const ArtMaterialClass** out) {
  *out = nullptr;
  if (!given) return true;
  *out = FindArtMaterialClass(word);
  if (*out) return true;
  PrintError("--class: '" + word + "' is not a class of art material; the classes are " + ClassWords());
  return false;
}

struct ListArgs {
  std::string scene;
  std::string classWord;
  bool classGiven = false;
  StyleOptions styling;
};

int RunList(const ListArgs& args) {
  if (!CheckOptions(args.styling)) return ExitUsage;
  const ArtMaterialClass* only = nullptr;
  if (!ParseClassOption(args.classWord, args.classGiven, &only)) return ExitUsage;
  host::Scene scene;
  const PwObjectLibrary* library = LoadLibrary(args.scene, args.styling, scene);
  if (!library) return ExitUsage;
  std::size_t shown = 0;
  std::printf("%4s  %-8s %-8s %6s  %s\n", "slot", "class", "origin", "number", "name");
  for (const LibraryListEntry& e : ListLibrary(*library)) {
    if (only && library->Get(e.slot)->ClassID() != only->id) continue;
    ++shown;
    std::printf("%4d  %-8s %-8s ", e.slot, e.className.c_str(), std::string(OriginName(e.origin)).c_str());
    if (e.origin == PW_ORIGIN_USER)
      std::printf("%6s", "-");
    else
      std::printf("%6d", e.number);
    std::printf("  %s\n", e.name.c_str());
  }
  if (only)
    std::printf("%zu %s\n", shown, std::string(shown == 1 ? only->word : only->plural).c_str());
  else
    std::printf("%zu art materials\n", shown);
  return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}

struct ShowArgs {
  std::string name;
  std::string scene;
  std::string classWord;
  bool classGiven = false;
  StyleOptions styling;
};

// "Style #58".
std::string SlotText(const PwObjectLibrary& library, int slot) {
  return library.Get(slot)->DisplayClassName() + " #" + std::to_string(slot);
}

// Why "#N" names nothing: past the slots there are, empty, or of another class.
std::string NoSuchSlot(const PwObjectLibrary& library, const std::string& what, const ArtMaterialClass* only) {
  int slot = -1;
  const auto [end, ec] = std::from_chars(what.data() + 1, what.data() + what.size(), slot);
  if (ec != std::errc() || end != what.data() + what.size() || slot < 0)
    return "'" + what + "' is not a slot: write #N, N a whole number from 0 (quoted for the shell: '#12')";
  const std::vector<LibraryListEntry> entries = ListLibrary(library);
  if (entries.empty()) return "the library holds no art materials";
  const int first = entries.front().slot, last = entries.back().slot;
  if (slot < first || slot > last)
    return "no slot #" + std::to_string(slot) + ": the library's materials are in slots #" + std::to_string(first) +
           " to #" + std::to_string(last);
  const PwObject* obj = library.Get(slot);
  if (!obj) return "slot #" + std::to_string(slot) + " is empty";
  return "slot #" + std::to_string(slot) + " holds " + obj->DisplayClassName() + " '" + obj->GetName() + "', not a " +
         std::string(only->word);
}

// Why a name names nothing, with the nearest names there are.
std::string NoSuchName(const PwObjectLibrary& library, const std::string& what, const ArtMaterialClass* only) {
  const std::vector<LibraryListEntry> entries = ListLibrary(library);
  std::vector<std::string> names;
  for (const LibraryListEntry& e : entries)
    if (!only || library.Get(e.slot)->ClassID() == only->id) names.push_back(e.name);
  std::string out = "no " + (only ? std::string(only->word) : std::string("art material")) + " is named '" + what + "'";
  if (only) {
    // The name is right and the class is not.
    std::string others;
    for (int slot : FindMaterials(library, what))
      others += (others.empty() ? "" : ", ") + SlotText(library, slot);
    if (!others.empty()) return out + "; '" + what + "' is " + others;
  }
  const std::vector<std::string> near = ClosestNames(what, names, 3);
  if (!near.empty()) {
    std::string list;
    for (std::size_t i = 0; i < near.size(); ++i) {
      std::string where;
      for (const LibraryListEntry& e : entries)
        if (e.name == near[i] && (!only || library.Get(e.slot)->ClassID() == only->id))
          where += (where.empty() ? "" : ", ") + SlotText(library, e.slot);
      list += (i == 0 ? "" : i + 1 == near.size() ? " or " : ", ") + ("'" + near[i] + "' (" + where + ")");
    }
    out += "; did you mean " + list + "?";
  }
  return out + " ('penwright library list" + (only ? " --class " + std::string(only->word) : std::string()) +
         "' lists the " + std::to_string(names.size()) + " there are)";
}

// Several materials share the name: which they are, and how to pick one.
std::string SharedName(const PwObjectLibrary& library, const std::string& what, const std::vector<int>& slots,
                       const ArtMaterialClass* only) {
  std::string which;
  bool classesDiffer = false;
  for (int slot : slots) {
    which += (which.empty() ? "" : ", ") + SlotText(library, slot);
    classesDiffer = classesDiffer || library.Get(slot)->ClassID() != library.Get(slots.front())->ClassID();
  }
  const ArtMaterialClass* last = FindArtMaterialClass(library.Get(slots.back())->ClassID());
  const std::string kind = classesDiffer || !last ? std::string("art materials") : std::string(last->plural);
  std::string out = "'" + what + "' names " + std::to_string(slots.size()) + " " + kind + " (" + which + "); choose one ";
  if (classesDiffer && !only)
    out += "with --class (for example --class " + std::string(last ? last->word : "brush") + ") or ";
  return out + "by slot, quoted for the shell (for example '#" + std::to_string(slots.front()) + "')";
}

int RunShow(const ShowArgs& args) {
  if (!CheckOptions(args.styling)) return ExitUsage;
  const ArtMaterialClass* only = nullptr;
  if (!ParseClassOption(args.classWord, args.classGiven, &only)) return ExitUsage;
  host::Scene scene;
  const PwObjectLibrary* library = LoadLibrary(args.scene, args.styling, scene);
  if (!library) return ExitUsage;
  std::optional<host::Class_ID> classId;
  if (only) classId = only->id;
  const std::vector<int> slots = FindMaterials(*library, args.name, classId);
  if (slots.empty()) {
    PrintError(!args.name.empty() && args.name[0] == '#' ? NoSuchSlot(*library, args.name, only)
                                                         : NoSuchName(*library, args.name, only));
    return ExitUsage;
  }
  if (slots.size() > 1) {
    PrintError(SharedName(*library, args.name, slots, only));
    return ExitUsage;
  }
  std::fputs(DescribeArtMaterial(*library, slots.front()).c_str(), stdout);
  return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}

constexpr const char* kSceneHelp =
    "The scene: a description (.json), a model (.obj, .gltf, .glb), a saved scene or an art-material file "
    "(.iam); without one, a fresh library";

constexpr const char* kClassHelp =
    "Only materials of this class: brush, paint, stroke, surface, style or canvas (any letter case)";

}  // namespace

Command MakeLibraryCommand() {
  auto listArgs = std::make_shared<ListArgs>();
  Command list;
  list.name = "list";
  list.description = "List the art materials: slot, class, origin, number and name";
  list.Add("scene", &listArgs->scene, kSceneHelp).ExistingFile().TypeName("SCENE");
  list.Add("--class", &listArgs->classWord, kClassHelp).TypeName("CLASS").Given(&listArgs->classGiven);
  AddArtMaterialsOption(list, &listArgs->styling);
  list.run = [listArgs](const GlobalOptions&) { return RunList(*listArgs); };

  auto show = std::make_shared<ShowArgs>();
  Command showCmd;
  showCmd.name = "show";
  showCmd.description = "Show the settings of one art material (a style as its tree)";
  showCmd.Add("name", &show->name,
              "The material's name, or its slot as #N (quoted for the shell: '#12'); 'penwright library list' "
              "shows both")
      .Required()
      .TypeName("NAME");
  showCmd.Add("scene", &show->scene, kSceneHelp).ExistingFile().TypeName("SCENE");
  showCmd.Add("--class", &show->classWord, kClassHelp).TypeName("CLASS").Given(&show->classGiven);
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
