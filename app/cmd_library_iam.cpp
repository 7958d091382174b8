// `penwright library export SCENE -o looks.iam` and `penwright library
// import looks.iam --into SCENE -o SCENE2`: art materials moved between
// scenes through art-material files.
//
// A clash of names is answered by --on-clash; without it the user is asked
// on the terminal when there is one, and otherwise nothing of the scene is
// touched (clashing materials stay out, a style's clashing tools come as
// numbered copies). A run without a terminal never waits for input.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "host/io/atomic_file.h"
#include "host/io/whole_file.h"
#include "host/refs/class_desc.h"
#include "host/scene/scene_model.h"
#include "host/services/interface.h"
#include "library/art_material_file.h"
#include "library/holder.h"
#include "library/library_edit.h"
#include "style_options.h"

namespace pw::cli {

namespace {

bool IsDescription(const std::string& path) {
  const std::string ext = host::LowerExtension(path);
  return ext == ".json" || ext == ".obj" || ext == ".gltf" || ext == ".glb";
}

// A description or model with its art materials, or a saved scene.
bool LoadAnyScene(const std::string& path, host::Scene& scene) {
  std::string error;
  const bool ok = IsDescription(path) ? LoadStyledScene(path, StyleOptions{}, scene, nullptr, &error)
                  : host::LowerExtension(path) == PW_IAM_EXTENSION
                      ? LoadArtMaterialFileAsScene(path, scene, &error)
                      : host::Scene::LoadFromFile(path, host::ClassRegistry::Global(), &scene, &error);
  if (!ok) PrintError(error);
  return ok;
}

struct ExportArgs {
  std::string scene;
  std::string output;
};

int RunExport(const ExportArgs& args) {
  if (host::LowerExtension(args.output) != PW_IAM_EXTENSION) {
    PrintError("-o/--output: '" + args.output + "' is not an art-material file (.iam)");
    return ExitUsage;
  }
  host::Scene scene;
  if (!LoadAnyScene(args.scene, scene)) return ExitUsage;
  std::string error;
  std::vector<std::string> missing;
  if (!ExportArtMaterials(scene.Root(), args.output, &error, &missing)) {
    PrintError(error);
    return ExitFailed;
  }
  for (const std::string& name : missing)
    host::WarningText("The image " + name + " cannot be found; the art-material file names it without a copy.");
  const PwObjectLibrary* lib = GetCurrentLibrary(scene.Root());
  std::printf("%s: %d art materials\n", args.output.c_str(), lib ? lib->Used() : 0);
  return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}

struct ImportArgs {
  std::string file;
  std::string into;
  std::string output;
  std::vector<std::string> select;
  std::string onClash;
  std::string copyName;
  bool copyNameGiven = false;
};

// The "Duplicate Name" dialog on the terminal. Enter alone keeps the name
// field as it is and asks again; "+" numbers the name.
ClashResolver TerminalResolver() {
  return [](const ClashQuestion& q) -> ClashReply {
    std::string name = q.incoming->GetName();
    for (;;) {
      std::fprintf(stderr, "%s\n  name: %s\n  [c]reate copy under the name, [+] number the name, [r]eplace existing, "
                           "replace [a]ll existing%s? ",
                   q.Text().c_str(), name.c_str(), q.forStyle ? "" : ", [s]kip, s[t]op");
      std::fflush(stderr);
      std::string line;
      if (!std::getline(std::cin, line)) return {q.forStyle ? ClashAnswer::ReplaceExisting : ClashAnswer::Stop, ""};
      if (line == "+") {
        name = AutoRenameName(name);
      } else if (line == "r") {
        return {ClashAnswer::ReplaceExisting, ""};
      } else if (line == "a") {
        return {ClashAnswer::ReplaceAllExisting, ""};
      } else if (line == "s" && !q.forStyle) {
        return {ClashAnswer::Skip, ""};
      } else if (line == "t" && !q.forStyle) {
        return {ClashAnswer::Stop, ""};
      } else if (line == "c") {
        if (name != q.incoming->GetName()) return {ClashAnswer::CreateCopy, name};
        std::fprintf(stderr, "%s\n", PW_IAM_ENTER_NEW_NAME);
      } else if (line.rfind("c ", 0) == 0 && line.size() > 2) {
        name = line.substr(2);
      }
    }
  };
}

int RunImport(const ImportArgs& args, const GlobalOptions& globals) {
  ClashPolicy policy = ClashPolicy::Skip;
  const bool policyGiven = !args.onClash.empty();
  if (policyGiven && !ParseClashPolicy(args.onClash, &policy)) {
    PrintError("--on-clash: '" + args.onClash + "' is not one of skip, copy, replace, replace-all");
    return ExitUsage;
  }
  if (args.copyNameGiven && args.copyName.empty()) {
    PrintError("--copy-name: the name is empty");
    return ExitUsage;
  }
  if (IsDescription(args.output) || host::LowerExtension(args.output) == PW_IAM_EXTENSION) {
    PrintError("-o/--output: '" + args.output + "' would be a saved scene, not a " +
               host::LowerExtension(args.output) + " file");
    return ExitUsage;
  }
  host::Scene scene;
  if (!LoadAnyScene(args.into, scene)) return ExitUsage;
  PwObjectLibrary* target = GetCurrentLibrary(scene.Root());
  if (!target) {
    PrintError(args.into + ": the scene has no art-material library and none can be made");
    return ExitFailed;
  }
  ArtMaterialSource source;
  std::string error;
  if (!source.ReadFile(args.file, host::ClassRegistry::Global(), &error)) {
    PrintError(error);
    return ExitUsage;
  }
  if (!source.Library()) {
    PrintError(args.file + ": the file holds no art materials");
    return ExitUsage;
  }
  std::vector<int> slots;
  if (!SelectSourceMaterials(source, args.select, &slots, &error)) {
    PrintError("--select: " + error);
    return ExitUsage;
  }
  const bool terminal = isatty(STDIN_FILENO) && isatty(STDERR_FILENO) && !globals.batch && !globals.yes &&
                        !globals.no && !host::IsNetworkRender();
  ClashResolver resolve;
  if (policyGiven || args.copyNameGiven)
    resolve = PolicyResolver(policyGiven ? policy : ClashPolicy::Copy, *target, args.copyName);
  else if (terminal)
    resolve = TerminalResolver();
  ImportReport report = ImportArtMaterials(source, slots, *target, resolve);
  if (!report.error.empty()) {
    PrintError(args.file + ": " + report.error + "; nothing was written");
    return ExitFailed;
  }
  // Drop the file's library before saving: the saved scene holds only its own.
  source = ArtMaterialSource();
  host::SceneSaveResult saved = scene.SaveToBytes();
  if (!saved.ok() || !host::WriteFileAtomically(args.output, saved.bytes, &error)) {
    PrintError(args.output + ": " + (saved.ok() ? error : saved.error));
    return ExitFailed;
  }
  for (const std::string& line : report.lines) std::printf("%s\n", line.c_str());
  std::printf("%d added, %d copied, %d replaced, %d skipped%s\n", report.added, report.copied, report.replaced,
              report.skipped, report.stopped ? " (stopped)" : "");
  return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}

}  // namespace

Command MakeLibraryExportCommand() {
  auto args = std::make_shared<ExportArgs>();
  Command c;
  c.name = "export";
  c.description = "Write the scene's art materials (its whole library, with the images they use) to an .iam file";
  c.Add("scene", &args->scene, "The scene: a description (.json), a model, a saved scene or an .iam file")
      .Required()
      .ExistingFile()
      .TypeName("SCENE");
  c.Add("-o,--output", &args->output, "The art-material file to write").Required().TypeName("FILE.iam");
  c.run = [args](const GlobalOptions&) { return RunExport(*args); };
  return c;
}

Command MakeLibraryImportCommand() {
  auto args = std::make_shared<ImportArgs>();
  Command c;
  c.name = "import";
  c.description = "Copy art materials of an .iam file into a scene and save the scene";
  c.Add("file", &args->file, "The art-material file").Required().ExistingFile().TypeName("FILE.iam");
  c.Add("--into", &args->into, "The scene to import into: a description, a model or a saved scene")
      .Required()
      .ExistingFile()
      .TypeName("SCENE");
  c.Add("-o,--output", &args->output, "The saved scene to write").Required().TypeName("SCENE2");
  c.Add("--select", &args->select,
        "A material to import, KIND:NAME (style:Blueprint, brush:Fat), or all; repeatable. Without it, every "
        "user material (not the defaults and presets). A style brings its surface, brushes, paints and strokes")
      .TypeName("KIND:NAME");
  c.Add("--on-clash", &args->onClash,
        "When the scene has a material of the same kind and name: skip it, copy it under a new name, replace the "
        "scene's (for a style's tools: everywhere), or replace-all. Without it: asked on a terminal, else skip")
      .Choices({"skip", "copy", "replace", "replace-all"})
      .TypeName("ANSWER");
  c.Add("--copy-name", &args->copyName,
        "The name of the first copy made for a clash (later ones are numbered: Fat01, Fat02)")
      .TypeName("NAME")
      .Given(&args->copyNameGiven);
  c.run = [args](const GlobalOptions& g) { return RunImport(*args, g); };
  return c;
}

}  // namespace pw::cli
