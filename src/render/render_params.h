// The render settings record: the host's render parameters extended by the
// renderer's own switches.
//
// The host part is overwritten from the host at every Open; the switches are
// the user's, saved with the scene (see renderer_settings.h).
#pragma once

#include "host/render_api/rendering.h"
#include "host/core/types.h"
#include "plugin/class_ids.h"

namespace pw {

enum class PwRenderMode : int { Raster = 0, Vector = 1 };

// The renderer's own switches, with their defaults.
struct PwRenderSwitches {
  int renderMode = static_cast<int>(PwRenderMode::Raster);
  bool hiddenLinesWithinItself = true;
  bool hiddenLinesWithOthers = true;
  bool intersectionsWithinItself = true;
  bool intersectionsWithOthers = true;
  bool surfacesOn = true;
  bool linesOn = true;
  bool sphericalLens = false;
  bool customFovOn = false;
  bool mapsOn = true;
  bool filterMaps = true;
  bool renderAsBoundingBoxes = false;
  float customFovDegrees = 90.0f;
  // The renderer that draws the surfaces; this renderer's own class means
  // none other.
  host::Class_ID alternateRendererClass = PENWRIGHT_RENDERER_CLASS_ID;

  static constexpr float kMinCustomFovDegrees = 0.1f;
  static constexpr float kMaxCustomFovDegrees = 180.0f;

  PwRenderMode RenderMode() const { return static_cast<PwRenderMode>(renderMode); }
  bool UsesAlternateRenderer() const { return alternateRendererClass != PENWRIGHT_RENDERER_CLASS_ID; }

  friend bool operator==(const PwRenderSwitches&, const PwRenderSwitches&) = default;
};

struct PwPenwrightRenderParams : host::RendParams, PwRenderSwitches {
  // The host part starts as the host's defaults: all zero, except the two
  // radiosity switches, which are on.

  PwRenderSwitches& Switches() { return *this; }
  const PwRenderSwitches& Switches() const { return *this; }
  host::RendParams& HostPart() { return *this; }
  const host::RendParams& HostPart() const { return *this; }

  void ResetSwitches() { Switches() = PwRenderSwitches(); }
};

}  // namespace pw
