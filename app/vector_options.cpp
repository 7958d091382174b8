#include "vector_options.h"

#include <filesystem>

#include "render/frame_suffix.h"
#include "render_args.h"
#include "vector/vector_format.h"
#include "vector/vector_writer.h"

namespace pw::cli {

namespace {

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

// The short names --format takes, in registry order.
constexpr const char* kFormatWords[] = {"ai", "dxf", "swf"};

int FormatFromWord(std::string_view word) {
  for (int i = 0; i < kVectorFormatCount; ++i)
    if (word == kFormatWords[i]) return i;
  return -1;
}

}  // namespace

bool CheckVectorOutput(const RenderArgs& args, RenderPlan* plan, std::string* error) {
  if (args.mode.empty() || args.mode == "raster") {
    if (!args.vectorFormat.empty())
      return Fail(error, "--format: only a vector render (--mode vector) writes a drawing format");
    return true;
  }
  if (args.mode != "vector")
    return Fail(error, "--mode: '" + args.mode + "' is not a render mode (raster or vector)");
  int index = -1;
  if (!args.vectorFormat.empty()) {
    index = FormatFromWord(args.vectorFormat);
    if (index < 0) return Fail(error, "--format: '" + args.vectorFormat + "' is not a vector format (ai, dxf or swf)");
  } else {
    const std::string ext = std::filesystem::path(args.output).extension().string();
    index = ext.empty() ? -1 : FindVectorFormatByExtension(ext);
    if (index < 0)
      return Fail(error, "-o/--output: '" + args.output +
                             "' does not tell the vector format; end it in .ai, .dxf or .swf or give --format");
  }
  plan->vectorFormatIndex = index;
  return true;
}

bool IsVectorPlan(const RenderPlan& plan) { return plan.vectorFormatIndex >= 0; }

std::vector<std::pair<std::string, std::string>> VectorPlanSettings(const RenderPlan& plan) {
  if (!IsVectorPlan(plan)) return {};
  return {{"renderMode", "vector"},
          {"vectorFormatIndex", std::to_string(plan.vectorFormatIndex)},
          {"saveVectorFile", "true"},
          {"vectorFileName", plan.outputPath}};
}

std::optional<std::string> VectorFileForFrame(const PwRendererSettings& settings, int frame, bool numbered) {
  const std::unique_ptr<PwVectorFormat> writer = CreateVectorFormat(settings.vector.vectorFormatIndex);
  const bool perFrame = !writer || writer->OneFilePerFrame();
  if (!perFrame) return settings.vector.vectorFileName;
  return FrameFileName(settings.vector.vectorFileName, frame, numbered);
}

std::string DescribeVectorWriter(const PwRendererSettings& settings) {
  const int index = settings.vector.vectorFormatIndex;
  const PwVectorFormatDesc* desc = GetVectorFormatDesc(index);
  std::string text = desc ? std::string(desc->Name()) : std::string("unknown format");
  text += " (vectorFormatIndex=" + std::to_string(index) + ")";
  if (const PwVectorFormatParams* options = settings.vector.vectorFormatOptions.get()) {
    const auto fields = options->Fields();
    for (std::size_t i = 0; i < fields.size(); ++i)
      text += std::string(i == 0 ? ": " : ", ") + "vectorFormatOptions." + fields[i].name + "=" +
              std::to_string(options->Get(static_cast<int>(i)));
  }
  return text;
}

}  // namespace pw::cli
