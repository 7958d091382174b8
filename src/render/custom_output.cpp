#include "render/custom_output.h"

#include "host/imaging/image_io.h"
#include "render/frame_suffix.h"
#include "render/renderer_paramblock.h"

namespace pw {

namespace {

struct PassFacts {
  host::ParamID on;
  host::ParamID file;
  const char* suffixFailure;
  const char* writeFailure;
};

PassFacts Facts(PwCustomPass pass) {
  if (pass == PwCustomPass::Surfaces) {
    return {kSurfaceCustomOutputOn, kSurfaceCustomOutput, "Unable to append frame number to custom surfaces filename",
            "Unable to output surfaces to custom file."};
  }
  return {kLinesCustomOutputOn, kLinesCustomOutput, "Unable to append frame number to custom lines filename",
          "Unable to output lines to custom file."};
}

}  // namespace

bool CustomOutputOn(const host::IParamBlock2& block, PwCustomPass pass, host::TimeValue t) {
  return block.GetInt(Facts(pass).on, t) != 0;
}

std::string CustomOutputFileName(const host::IParamBlock2& block, PwCustomPass pass, host::TimeValue t) {
  return block.GetBitmap(Facts(pass).file, t).fileName;
}

PwCustomOutputResult WriteCustomOutput(const host::IParamBlock2& block, PwCustomPass pass,
                                       const host::Bitmap& image, const PwCustomOutputFrame& frame) {
  const PassFacts facts = Facts(pass);
  PwCustomOutputResult result;
  result.path = CustomOutputFileName(block, pass, frame.time);

  if ((frame.multiFrame || HasFrameField(result.path)) && !result.path.empty()) {
    const std::int64_t number = FrameNumber(frame.time, frame.ticksPerFrame, frame.fileNumberBase);
    std::optional<std::string> numbered = FrameFileName(result.path, number, frame.multiFrame);
    if (!numbered) {
      result.message = facts.suffixFailure;
      result.detail = "\"" + result.path + "\" names no file";
      return result;
    }
    result.path = std::move(*numbered);
  }

  if (result.path.empty()) {
    result.message = facts.writeFailure;
    result.detail = "no file name given";
    return result;
  }
  if (image.Empty()) {
    result.message = facts.writeFailure;
    result.detail = result.path + ": the image is empty";
    return result;
  }
  host::ImageWriteOptions options;
  options.bitsPerChannel = host::FormatFromPath(result.path) == host::ImageFormat::Png ? 16 : 8;
  options.progress = frame.progress;
  if (frame.starting) frame.starting(result.path);
  if (!host::WriteImage(result.path, image, options, &result.detail)) {
    result.message = facts.writeFailure;
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace pw
