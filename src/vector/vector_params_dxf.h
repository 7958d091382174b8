// The DXF format's options.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "vector/vector_format.h"

namespace pw {

// What a layer stands for when layers are made.
enum class PwDXFLayersBy : std::int32_t { Object = 0, Style = 1 };

class PwVectorFormatParamsDXF final : public PwVectorFormatParams {
 public:
  static constexpr std::int32_t kVersion = 1000;  // shown as "R10"

  std::int32_t version = kVersion;
  bool createLayers = true;
  std::int32_t layersBy = static_cast<std::int32_t>(PwDXFLayersBy::Object);
  bool lines = true;
  bool surface = false;
  bool aciColors = true;   // write colour numbers
  bool lineStyles = true;
  bool lineWidths = true;
  // The preview's background and colour 0/7 follow the CAD program's dark
  // screen (1) or other viewers' white page (0).
  std::int32_t previewLikeAutoCad = 1;

  PwDXFLayersBy LayersBy() const { return static_cast<PwDXFLayersBy>(layersBy); }

  PwVectorFormatId Format() const override { return PwVectorFormatId::Dxf; }
  std::unique_ptr<PwVectorFormatParams> Clone() const override;
  std::span<const PwVectorOptionField> Fields() const override;
  std::int32_t Get(int field) const override;

 protected:
  void Store(int field, std::int32_t v) override;
};

}  // namespace pw
