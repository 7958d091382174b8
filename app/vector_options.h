// Vector output from the command line: `--mode vector` writes each frame's
// lines and surfaces to a drawing file instead of a picture, in the format
// `--format` names or the output file's extension implies.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "render/renderer_settings.h"

namespace pw::cli {

struct RenderArgs;
struct RenderPlan;

// Checks --mode and --format against the output file. For a vector render
// the plan gets the format's registry index; for a raster one nothing
// changes. False with one line in *error for a mode or format penwright
// does not know, or an output file whose extension names no vector format.
bool CheckVectorOutput(const RenderArgs& args, RenderPlan* plan, std::string* error);

// Whether the output file of the plan is a vector file.
bool IsVectorPlan(const RenderPlan& plan);

// The settings a vector plan sets before the user's --set ones: vector
// mode, the chosen format (its options at their defaults) and the file.
std::vector<std::pair<std::string, std::string>> VectorPlanSettings(const RenderPlan& plan);

// The file a vector render writes for `frame`: numbered when the format
// writes a file per frame and the render is numbered.
std::optional<std::string> VectorFileForFrame(const PwRendererSettings& settings, int frame, bool numbered);

// "Adobe Illustrator AI (index 0): colorMode=0 lines=1 ..." for `penwright info`.
std::string DescribeVectorWriter(const PwRendererSettings& settings);

}  // namespace pw::cli
