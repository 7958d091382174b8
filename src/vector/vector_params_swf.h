// The Flash format's options.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "vector/vector_format.h"

namespace pw {

class PwVectorFormatParamsSWF final : public PwVectorFormatParams {
 public:
  static constexpr std::int32_t kVersion = 100;

  std::int32_t version = kVersion;
  bool lines = true;
  bool surface = true;
  // Hand the finished file to the system's viewer for it.
  bool openInPlayer = false;

  PwVectorFormatId Format() const override { return PwVectorFormatId::Swf; }
  std::unique_ptr<PwVectorFormatParams> Clone() const override;
  std::span<const PwVectorOptionField> Fields() const override;
  std::int32_t Get(int field) const override;

 protected:
  void Store(int field, std::int32_t v) override;
};

}  // namespace pw
