// `penwright render SCENE -o OUT`: the scene's frames as PNG or TGA pictures.
#include <memory>

#include "commands.h"
#include "render_args.h"
#include "render_run.h"
#include "style_options.h"

namespace pw::cli {

Command MakeRenderCommand() {
  auto args = std::make_shared<RenderArgs>();
  Command c;
  c.name = "render";
  c.description =
      "Render a scene to PNG or TGA pictures (exit status 0 done, 1 failed or cancelled, 2 bad arguments or input)";
  c.Add("scene", &args->scene, "The scene: a description (.json) or a model (.obj, .gltf, .glb)")
      .Required()
      .TypeName("SCENE");
  c.Add("-o,--output", &args->output,
        "The picture to write; .png or .tga picks the format. A run of # in the name is the frame number, "
        "zero-padded to as many digits (shot_####.png -> shot_0012.png). Without #, a sequence of frames gets "
        "the number (four digits at least) before the extension: shot.png -> shot0000.png, shot0001.png, ... "
        "An existing file is replaced only by a complete picture")
      .Required()
      .TypeName("FILE");
  c.Add("--depth", &args->depth, "Bits a channel of a PNG: 8 (default) or 16; TGA holds 8")
      .TypeName("8|16");
  c.Add("--width", &args->width,
        "Picture width in pixels (default: the scene's; with only --height given, the scene's proportions)")
      .TypeName("PIXELS")
      .Given(&args->widthGiven);
  c.Add("--height", &args->height,
        "Picture height in pixels (default: the scene's; with only --width given, the scene's proportions)")
      .TypeName("PIXELS")
      .Given(&args->heightGiven);
  c.Add("--frames", &args->frames,
        "Render frames FIRST to LAST (e.g. 0-47) into numbered files. Without --frames or --frame one frame is "
        "rendered (the scene's current frame, else its first) unless the scene's render.timeOutput asks for more; "
        "'penwright info SCENE' says which")
      .TypeName("FIRST-LAST")
      .Given(&args->framesGiven);
  c.Add("--frame", &args->frame, "Render this one frame, into the output file as named").TypeName("N").Given(
      &args->frameGiven);
  c.Add("--camera", &args->camera, "Render through the camera node of this name (default: the scene's camera)")
      .TypeName("NAME");
  c.Add("--region", &args->region,
        "Render only the pixels from X0,Y0 (top left) to X1,Y1 (bottom right, inclusive); outside it nothing is "
        "drawn over the background")
      .TypeName("X0,Y0,X1,Y1")
      .Given(&args->regionGiven);
  c.Add("--set", &args->settings,
        "Set a render setting by name, after the scene's own, e.g. --set linesOn=false --set "
        "linesAntialiasingQuality=extreme (repeatable; 'penwright info SCENE' lists every setting)")
      .TypeName("FIELD=VALUE");
  c.Add("--lines-out", &args->linesOut,
        "Also write the line layer of each frame to this PNG or TGA file (numbered like the output)")
      .TypeName("FILE");
  c.Add("--surfaces-out", &args->surfacesOut,
        "Also write the surface layer of each frame, before the lines are drawn over it, to this PNG or TGA file")
      .TypeName("FILE");
  c.Add("--transparent", &args->transparent,
        "Keep the picture's alpha channel: the background is written transparent, for compositing (default: "
        "opaque, the background shows its colour)");
  c.Add("--background", &args->background,
        "Replace the scene's background colour, e.g. --background 1,1,1 for white (R,G,B from 0 to 1); a model "
        "file's own background is black")
      .TypeName("R,G,B")
      .Given(&args->backgroundGiven);
  c.Add("--mode", &args->mode,
        "raster (default): pictures; vector: each frame's lines and surfaces as a drawing file named by -o "
        "(.ai, .dxf or .swf), numbered per frame for AI and DXF sequences, one file for an SWF sequence. The "
        "format's options are set with --set vectorFormatOptions.NAME=VALUE")
      .TypeName("raster|vector");
  c.Add("--format", &args->vectorFormat, "The drawing format of a vector render (default: from the -o extension)")
      .TypeName("ai|dxf|swf");
  AddStyleOption(c, &args->styling);
  AddArtMaterialsOption(c, &args->styling);
  c.run = [args](const GlobalOptions& globals) { return RunRender(*args, globals); };
  return c;
}

}  // namespace pw::cli
