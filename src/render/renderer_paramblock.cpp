#include "render/renderer_paramblock.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "plugin/class_ids.h"

namespace pw {

const host::ParamBlockDesc2& RendererParamBlockDesc() {
  using namespace host;
  static const ParamBlockDesc2 desc(
      BlockSpec(kRendererParamBlockId, "PenwrightRendererParameters", PENWRIGHT_RENDERER_CLASS_ID,
                RENDERER_CLASS_ID)
          .AutoConstruct(kRendererParamBlockRef),
      {
          ParamDef(kAlternateSurfaceRenderer, "alternateSurfaceRenderer", TYPE_REFTARG).Ui("Surface Renderer"),
          ParamDef(kSurfaceCustomOutputOn, "surfaceCustomOutputOn", TYPE_BOOL)
              .Default(false)
              .Ui("Surface Custom Output On"),
          ParamDef(kSurfaceCustomOutput, "surfaceCustomOutput", TYPE_BITMAP).Ui("Surface Custom Output"),
          ParamDef(kLinesCustomOutputOn, "linesCustomOutputOn", TYPE_BOOL).Default(false).Ui("Lines Custom Output On"),
          ParamDef(kLinesCustomOutput, "linesCustomOutput", TYPE_BITMAP).Ui("Lines Custom Output"),
          ParamDef(kLinesAntialiasingQuality, "linesAntialiasingQuality", TYPE_INT)
              .Default(static_cast<int>(PwAntialiasQuality::High))
              .Range(0, kAntialiasQualityCount - 1),
          ParamDef(kLinesMemoryLimit, "linesMemoryLimit", TYPE_FLOAT)
              .Default(kDefaultLinesMemoryLimit)
              .Range(kMinLinesMemoryLimit, kMaxLinesMemoryLimit),
      });
  return desc;
}

namespace {
// Registers the descriptor while the program starts, before any file is read.
[[maybe_unused]] const host::ParamBlockDesc2& kRegisteredAtStartUp = RendererParamBlockDesc();
}  // namespace

host::IParamBlock2* CreateRendererParamBlock() { return host::CreateParameterBlock2(&RendererParamBlockDesc()); }

int AntialiasSamples(int quality) {
  constexpr std::array<int, kAntialiasQualityCount> kSamples{1, 2, 4, 8, 16};
  if (quality < 0 || quality >= kAntialiasQualityCount) return kInvalidAntialiasSamples;
  return kSamples[static_cast<std::size_t>(quality)];
}

const char* AntialiasQualityName(int quality) {
  constexpr std::array<const char*, kAntialiasQualityCount> kNames{"None", "Low", "Medium", "High", "Extreme"};
  if (quality < 0 || quality >= kAntialiasQualityCount) return nullptr;
  return kNames[static_cast<std::size_t>(quality)];
}

float ClampLinesMemoryLimit(float fraction) {
  if (std::isnan(fraction)) return kDefaultLinesMemoryLimit;
  return std::clamp(fraction, kMinLinesMemoryLimit, kMaxLinesMemoryLimit);
}

float GetLinesMemoryLimit(const host::IParamBlock2& block, host::TimeValue t) {
  float fraction = kDefaultLinesMemoryLimit;
  host::Interval valid = host::FOREVER;
  if (!block.GetValue(kLinesMemoryLimit, t, fraction, valid)) fraction = kDefaultLinesMemoryLimit;
  return ClampLinesMemoryLimit(fraction);
}

bool SetLinesMemoryLimit(host::IParamBlock2& block, float fraction, host::TimeValue t) {
  return block.SetValue(kLinesMemoryLimit, t, ClampLinesMemoryLimit(fraction));
}

}  // namespace pw
