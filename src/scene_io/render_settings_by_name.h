// Render settings by name: how the command line (`--set NAME=VALUE`) and
// scene files reach every setting, the switches, the vector settings and the
// parameter block alike, as text.
//
// Names are the settings' own lowerCamelCase names (renderMode, linesOn,
// vectorFileName, linesMemoryLimit, ...); the current vector format's options
// are "vectorFormatOptions.<field>" (vectorFormatOptions.colorMode).
// Values: switches take true/false, on/off, yes/no or 1/0; choices take their
// number or their word (renderMode raster|vector, zDepthPosition
// front|centre|center|back, linesAntialiasingQuality none|low|medium|high|
// extreme, vectorFormatIndex the format's number, name or file extension);
// numbers are plain decimals. Words are matched in any letter case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/params/paramblock.h"
#include "render/renderer_settings.h"

namespace pw {

// Which settings a list holds: all of them, or only those a person sets (not
// alternateRendererClass, which follows alternateSurfaceRenderer, nor the
// version word of the vector options, which only files set).
enum class RenderSettingSelection { All, Settable };

// The names, in the order DescribeRenderSettings lists them; the options
// names are those of the current format.
std::vector<std::string> RenderSettingNames(const PwRendererSettings& settings,
                                            RenderSettingSelection which = RenderSettingSelection::All);

// Sets one setting from text. False, with the reason in *error, when nothing
// was changed: for an unknown name the settable names (the nearest first);
// for a bad value, the values accepted or the range. The reason does not
// repeat the setting's name: the caller puts it, or the place that holds it,
// before the reason. A number outside the setting's range is refused, not
// held to it (only loaders of saved files hold values to their ranges).
// Block settings need a block. Choosing another vector format starts its
// options at their defaults.
bool SetRenderSetting(PwRendererSettings& settings, host::IParamBlock2* block, std::string_view name,
                      std::string_view value, std::string* error);

// The value of one setting as text SetRenderSetting accepts, or nullopt (with
// *error) for an unknown name or a block setting without a block.
std::optional<std::string> GetRenderSetting(const PwRendererSettings& settings, const host::IParamBlock2* block,
                                            std::string_view name, std::string* error);

// Every setting, one "name = value" line each (block settings only with a block).
std::string DescribeRenderSettings(const PwRendererSettings& settings, const host::IParamBlock2* block,
                                   RenderSettingSelection which = RenderSettingSelection::All);

}  // namespace pw
