// The arguments of `penwright render`: what the command line gave (text and
// numbers, bound to the parser's options) and the checked, typed plan made
// of it. Everything that can be checked without the scene is checked here,
// so a mistyped option costs no scene loading.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/color.h"
#include "host/imaging/image_io.h"
#include "style_options.h"

namespace pw::cli {

struct RenderArgs {
  std::string scene;
  std::string output;
  // Numbers stay text until checked here, so that a bad one gets the same
  // kind of message as every other mistake.
  std::string depth = "8";
  std::string width;
  std::string height;
  std::string frames;  // "A-B" or "N"
  std::string frame;
  std::string camera;
  std::string region;  // "x0,y0,x1,y1"
  std::vector<std::string> settings;  // "FIELD=VALUE" each
  std::string linesOut;
  std::string surfacesOut;
  bool transparent = false;
  std::string background;  // "R,G,B", 0 to 1 each
  std::string mode;          // "raster" (default) or "vector"
  std::string vectorFormat;  // --format: ai, dxf, swf; empty: from the output file
  StyleOptions styling;  // --style, --art-materials
  // Which of the options above appeared.
  bool widthGiven = false;
  bool heightGiven = false;
  bool framesGiven = false;
  bool frameGiven = false;
  bool regionGiven = false;
  bool backgroundGiven = false;
};

// Frames, inclusive.
struct FrameRange {
  int first = 0;
  int last = 0;
  friend bool operator==(const FrameRange&, const FrameRange&) = default;
};

// Pixels, inclusive, (0, 0) the top left.
struct PixelRegion {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
  friend bool operator==(const PixelRegion&, const PixelRegion&) = default;
};

struct SettingAssignment {
  std::string name;
  std::string value;
  friend bool operator==(const SettingAssignment&, const SettingAssignment&) = default;
};

enum class FrameChoice {
  Scene,  // the frames the scene names
  One,    // --frame N: one picture, its file name as given
  Range,  // --frames A-B: numbered files, even for a range of one
};

struct RenderPlan {
  std::string scenePath;
  std::string outputPath;
  host::ImageFormat format = host::ImageFormat::Png;
  int bitsPerChannel = 8;
  // The rendered alpha is kept (background transparent); otherwise the picture
  // is written opaque, as the background colour already lies in every pixel.
  bool keepAlpha = false;
  std::optional<int> width;
  std::optional<int> height;
  FrameChoice frameChoice = FrameChoice::Scene;
  FrameRange frames;  // for One and Range
  std::optional<PixelRegion> region;
  std::optional<host::Color> background;  // replaces the scene's background colour
  std::string camera;  // empty: the scene's active camera
  std::vector<SettingAssignment> settings;
  std::string linesOut;
  std::string surfacesOut;
  StyleOptions styling;
  // A vector render: the registry index of the drawing format; -1 renders pictures.
  int vectorFormatIndex = -1;
};

// Parsers of single option values. Each answers nullopt with one line in
// *error (naming the option) when the text is not what the option takes.
std::optional<int> ParseInteger(std::string_view text);
std::optional<FrameRange> ParseFrameRange(std::string_view text, std::string* error);
std::optional<PixelRegion> ParseRegion(std::string_view text, std::string* error);
std::optional<SettingAssignment> ParseSettingAssignment(std::string_view text, std::string* error);
std::optional<host::Color> ParseBackground(std::string_view text, std::string* error);
// The image format an output file gets from its extension: PNG or TGA.
std::optional<host::ImageFormat> OutputFormatOf(std::string_view path, std::string_view option, std::string* error);

// Checks and types everything the command line says on its own: formats,
// depth, sizes, frames, region syntax, settings syntax, that the files
// written are not one another, the style and art-materials options.
bool ParseRenderArgs(const RenderArgs& args, RenderPlan* plan, std::string* error);

}  // namespace pw::cli
