// The settings of the Toon material as plain data: its parameter entries,
// the per-band switches, the colour sources and the quick presets.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "host/params/paramblock_legacy.h"

namespace pw {

// Entries of the Toon material's older-style block: 21 animatable floats
// shown as percentages.
enum ToonParam : int {
  kToonShadowSize = 0,
  kToonShadowOpacity = 1,
  kToonShadowBrightness = 2,
  kToonShadowColorMapAmount = 3,
  kToonShadowOpacityMapAmount = 4,
  kToonMainSize = 5,
  kToonMainOpacity = 6,
  kToonMainBrightness = 7,
  kToonMainColorMapAmount = 8,
  kToonMainOpacityMapAmount = 9,
  kToonHighlightSize = 10,
  kToonHighlightOpacity = 11,
  kToonHighlightBrightness = 12,
  kToonHighlightColorMapAmount = 13,
  kToonHighlightOpacityMapAmount = 14,
  kToonOverallOpacity = 15,
  kToonOverallOpacityMapAmount = 16,
  kToonBlendingShadowMain = 17,
  kToonBlendingMainHighlight = 18,
  kToonLightsColorTinting = 19,
  kToonLightsIntensityShading = 20,
};
inline constexpr int kToonParamCount = 21;
inline constexpr std::uint32_t kToonBlockVersion = 1;
const host::ParamVersionDesc& ToonBlockLayout();
// "Shadow Size", ... ; "" out of range.
std::string_view ToonParamName(int id);
// The value every entry gets at Reset.
float ToonParamResetValue(int id);

enum class ToonBandIndex : int { Shadow = 0, Main = 1, Highlight = 2 };
inline constexpr int kToonBandCount = 3;

// The five entries of one band: size, opacity, brightness, colour-map and
// opacity-map amounts, in that order from the band's first id.
constexpr int ToonBandParam(int band, int offset) { return 5 * band + offset; }
inline constexpr int kToonBandSize = 0;
inline constexpr int kToonBandOpacity = 1;
inline constexpr int kToonBandBrightness = 2;
inline constexpr int kToonBandColorMapAmount = 3;
inline constexpr int kToonBandOpacityMapAmount = 4;

// Where a band's colour comes from (the order of the band's source list).
enum class ToonColorSource : int {
  ShadowGradient = 0,
  MainGradient = 1,
  HighlightGradient = 2,
  ObjectAmbientSolid = 3,
  ObjectDiffuseSolid = 4,
  ObjectSpecularSolid = 5,
  ObjectAmbient = 6,
  ObjectDiffuse = 7,
  ObjectSpecular = 8,
  ObjectShininessMap = 9,
  ObjectShininessStrengthMap = 10,
  ObjectSelfIllumMap = 11,
  ObjectOpacityMap = 12,
  ObjectFilterColorMap = 13,
  ObjectBumpMap = 14,
  ObjectReflectionMap = 15,
  ObjectRefractionMap = 16,
  ObjectMaterialShaded = 17,
};
inline constexpr int kToonColorSourceCount = 18;
// "Shadow Gradient", ..., "Object's MAX Material (Shaded)"; "" out of range.
std::string_view ToonColorSourceName(int source);

// The switches of one band that are not animated.
struct ToonBand {
  std::int32_t on = 1;
  std::int32_t colorMapOn = 0;
  std::int32_t useOwnColorMap = 0;    // 0: the object material's map instead
  std::int32_t opacityMapOn = 0;
  std::int32_t useOwnOpacityMap = 0;
  std::int32_t colorSource = static_cast<std::int32_t>(ToonColorSource::ObjectDiffuse);
  friend bool operator==(const ToonBand&, const ToonBand&) = default;
};

// The quick presets of the Toon rollup, also used by the default surfaces.
enum class ToonPreset : int { Flat = 0, Cartoon = 1, Comic = 2, Cel = 3 };
inline constexpr int kToonPresetCount = 4;

struct ToonPresetValues {
  std::array<bool, 3> on;
  std::array<float, 3> size;
  std::array<float, 3> brightness;
  float blendingShadowMain;
  float blendingMainHighlight;
  std::int32_t colorSource;  // of every band that is on
};
// The values of a preset; false for one out of range.
bool GetToonPreset(int preset, ToonPresetValues& out);

}  // namespace pw
