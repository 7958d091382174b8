// `penwright info SCENE`: what would be rendered, and how (the text is
// made by DescribeScene), after the scene's own render settings.
#include <cstdio>
#include <memory>
#include <string>

#include "commands.h"
#include "render_frames.h"
#include "render/renderer_paramblock.h"
#include "render/renderer_settings.h"
#include "scene_io/render_settings_by_name.h"
#include "scene_io/scene_describe.h"
#include "scene_io/scene_input.h"
#include "style_options.h"
#include "vector_options.h"

namespace pw::cli {

namespace {

struct InfoArgs {
  std::string scene;
  StyleOptions styling;
};

int RunInfo(const InfoArgs& args) {
  const std::string& path = args.scene;
  host::Scene scene;
  host::SceneInputInfo info;
  std::string error;
  if (!LoadStyledScene(path, args.styling, scene, &info, &error)) {
    std::fprintf(stderr, "penwright: %s\n", error.c_str());
    return ExitUsage;
  }
  PwRendererSettings settings;
  host::RefHolder block(CreateRendererParamBlock());
  auto* pb = static_cast<host::IParamBlock2*>(block.get());
  for (const host::RenderSettingText& s : info.renderSettings) {
    if (!SetRenderSetting(settings, pb, s.name, s.value, &error)) {
      std::fprintf(stderr, "penwright: %s: %s\n", s.place.c_str(), error.c_str());
      return ExitUsage;
    }
  }

  std::fputs(DescribeScene(path, scene, info, settings, pb).c_str(), stdout);
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
  AddStyleOption(c, &args->styling);
  AddArtMaterialsOption(c, &args->styling);
  c.run = [args](const GlobalOptions&) { return RunInfo(*args); };
  return c;
}

}  // namespace pw::cli
