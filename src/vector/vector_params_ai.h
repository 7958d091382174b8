// The Illustrator format's options.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "vector/vector_format.h"

namespace pw {

// How colours are written: as printed inks, as black or white, or as grey.
enum class PwAIColorMode : std::int32_t { Print = 0, BlackAndWhite = 1, Grayscale = 2 };
enum class PwAIShading : std::int32_t { None = 0, Facetted = 1 };

class PwVectorFormatParamsAI final : public PwVectorFormatParams {
 public:
  static constexpr std::int32_t kVersion = 300;  // shown as "3.0"

  std::int32_t version = kVersion;
  std::int32_t colorMode = static_cast<std::int32_t>(PwAIColorMode::Print);
  bool lines = true;          // write line segments
  bool paths = false;         // lines become unpainted paths
  bool lineStyles = true;     // write dash arrays
  bool lineWidths = true;     // write line widths
  bool surface = true;        // write polygons
  std::int32_t shading = static_cast<std::int32_t>(PwAIShading::None);
  bool overfill = true;       // polygons are also stroked in their own colour
  bool groupLines = true;
  bool groupSurface = true;
  bool groupTogether = true;  // one group per object around its lines and surface

  PwAIColorMode ColorMode() const { return static_cast<PwAIColorMode>(colorMode); }
  bool FacettedShading() const { return shading == static_cast<std::int32_t>(PwAIShading::Facetted); }

  PwVectorFormatId Format() const override { return PwVectorFormatId::Illustrator; }
  std::unique_ptr<PwVectorFormatParams> Clone() const override;
  std::span<const PwVectorOptionField> Fields() const override;
  std::int32_t Get(int field) const override;

 protected:
  void Store(int field, std::int32_t v) override;
};

}  // namespace pw
