// `penwright info SCENE`: what would be rendered, and how (the text is
// made by DescribeScene), after the scene's own render settings and the
// command line's --set, applied as `render` applies them.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "render_frames.h"
#include "render/renderer_paramblock.h"
#include "render/renderer_settings.h"
#include "render_args.h"
#include "render_setup.h"
#include "scene_io/scene_describe.h"
#include "scene_io/scene_input.h"
#include "style_options.h"
#include "vector_options.h"

namespace pw::cli {

namespace {

struct InfoArgs {
  std::string scene;
  StyleOptions styling;
  std::vector<std::string> settings;  // "FIELD=VALUE" each
  bool verbose = false;
};

int RunInfo(const InfoArgs& args) {
  RenderPlan plan;
  std::string error;
  for (const std::string& s : args.settings) {
    std::optional<SettingAssignment> a = ParseSettingAssignment(s, &error);
    if (!a) {
      PrintError(error);
      return ExitUsage;
    }
    plan.settings.push_back(std::move(*a));
  }
  if (!CheckStyleOptions(args.styling, &error)) {
    PrintError(error);
    return ExitUsage;
  }
  const std::string& path = args.scene;
  host::Scene scene;
  host::SceneInputInfo info;
  if (!LoadStyledScene(path, args.styling, scene, &info, &error)) {
    PrintError(error);
    return ExitUsage;
  }
  PwRendererSettings settings;
  host::RefHolder block(CreateRendererParamBlock());
  auto* pb = static_cast<host::IParamBlock2*>(block.get());
  if (!ApplyRenderSettings(settings, pb, info.renderSettings, plan, &error)) {
    PrintError(error);
    return ExitUsage;
  }

  const SceneDescribeDetail detail = args.verbose ? SceneDescribeDetail::WithInternals : SceneDescribeDetail::ForUsers;
  std::fputs(DescribeScene(path, scene, info, settings, pb, detail).c_str(), stdout);
  std::printf("%s\n", DescribeFramesToRender(info).c_str());
  std::printf("Vector writer: %s\n", DescribeVectorWriter(settings).c_str());
  return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}

}  // namespace

Command MakeInfoCommand() {
  auto args = std::make_shared<InfoArgs>();
  Command c;
  c.name = "info";
  c.description = "Show what a scene holds and how it would be rendered";
  c.Add("scene", &args->scene, "The scene: a description (.json) or a model (.obj, .gltf, .glb)")
      .Required()
      .TypeName("SCENE");
  c.Add("--set", &args->settings,
        "Set a render setting by name after the scene's own, as 'render --set' does, and show the settings so")
      .TypeName("FIELD=VALUE");
  AddStyleOption(c, &args->styling);
  AddArtMaterialsOption(c, &args->styling);
  c.Add("--verbose", &args->verbose,
        "Also show what only the program reads: the node holding the art-material library, the surface "
        "renderer's class id and the vector options' version");
  c.run = [args](const GlobalOptions&) { return RunInfo(*args); };
  return c;
}

}  // namespace pw::cli
