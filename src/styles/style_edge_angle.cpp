#include "styles/style_edge_angle.h"

#include <algorithm>
#include <cmath>

#include "plugin/class_ids.h"

namespace pw {

namespace {

using host::ParamDef;

const host::ParamBlockDesc2 kEdgeAngleBlock(
    host::BlockSpec(0, "StyleEdgeAngleParameters", PW_STYLE_EDGE_ANGLE_CLASS_ID, host::REF_TARGET_CLASS_ID)
        .AutoConstruct(PwStylePart::PARAMBLOCK_REF),
    {
        ParamDef(STYLE_EDGE_MIN_ANGLE, "styleEdgeMinAngle", host::TYPE_ANGLE).Animatable().Default(0.0f),
        ParamDef(STYLE_EDGE_MAX_ANGLE, "styleEdgeMaxAngle", host::TYPE_ANGLE).Animatable().Default(kPiFloat),
    });

float ClampAngle(float a) {
  // A NaN from a damaged file selects nothing useful; read it as 0.
  if (std::isnan(a)) return 0.0f;
  return std::clamp(a, 0.0f, kPiFloat);
}

}  // namespace

EdgeAngleRange ClampEdgeAngleRange(float minAngle, float maxAngle) {
  EdgeAngleRange range{ClampAngle(minAngle), ClampAngle(maxAngle)};
  if (range.min > range.max) range.max = range.min;
  return range;
}

PwStyleEdgeAngle::PwStyleEdgeAngle(bool loading) : PwStylePart(kEdgeAngleBlock) {
  if (!loading) MakeFreshBlock();
}

host::Class_ID PwStyleEdgeAngle::ClassID() const { return PW_STYLE_EDGE_ANGLE_CLASS_ID; }

host::ReferenceTarget* PwStyleEdgeAngle::Clone(host::RemapDir& remap) {
  auto* copy = new PwStyleEdgeAngle(true);
  CloneBlockInto(*copy, remap);
  return copy;
}

}  // namespace pw
