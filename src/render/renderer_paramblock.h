// The renderer's parameter block "PenwrightRendererParameters": the surface
// renderer, the custom output files, and the line rasterizer's quality and
// memory settings.
#pragma once

#include "host/params/paramblock.h"
#include "host/core/time.h"

namespace pw {

inline constexpr host::BlockID kRendererParamBlockId = 0;
// The renderer keeps its block as this reference.
inline constexpr int kRendererParamBlockRef = 0;

enum PwRendererParamId : host::ParamID {
  kAlternateSurfaceRenderer = 0,  // reference target; none: this renderer draws the surfaces
  kSurfaceCustomOutputOn = 1,
  kSurfaceCustomOutput = 2,       // bitmap: the file's name
  kLinesCustomOutputOn = 3,
  kLinesCustomOutput = 4,         // bitmap: the file's name
  kLinesAntialiasingQuality = 5,  // PwAntialiasQuality
  kLinesMemoryLimit = 6,          // fraction of physical memory, see line_budget.h
};

// Registered with the host from start-up on, so loading finds it.
const host::ParamBlockDesc2& RendererParamBlockDesc();
// A block at its defaults; the caller makes it a reference of its owner.
host::IParamBlock2* CreateRendererParamBlock();

// ---- Antialiasing ----

enum class PwAntialiasQuality : int { None = 0, Low = 1, Medium = 2, High = 3, Extreme = 4 };
inline constexpr int kAntialiasQualityCount = 5;
// What an unknown quality gives: all bits set, which the rasterizer refuses.
inline constexpr int kInvalidAntialiasSamples = -1;

// Samples per pixel edge for a quality: 1, 2, 4, 8, 16; kInvalidAntialiasSamples
// for any other value.
int AntialiasSamples(int quality);
// The names the settings use for the qualities ("None" ... "Extreme"), or null.
const char* AntialiasQualityName(int quality);

// ---- Memory limit ----

inline constexpr float kMinLinesMemoryLimit = 0.1f;
inline constexpr float kMaxLinesMemoryLimit = 1.0f;
inline constexpr float kDefaultLinesMemoryLimit = 0.5f;

// The limit held to [0.1, 1.0]; a value that is not a number becomes the default.
float ClampLinesMemoryLimit(float fraction);
// The block's limit at t, clamped: a block written by other means (a file, an
// older version) never yields a budget outside the range.
float GetLinesMemoryLimit(const host::IParamBlock2& block, host::TimeValue t = 0);
// Stores the limit clamped. False when the block has no such parameter.
bool SetLinesMemoryLimit(host::IParamBlock2& block, float fraction, host::TimeValue t = 0);

}  // namespace pw
