// The face-angle range of a style's "Angle" lines.
#pragma once

#include "styles/style_part.h"

namespace pw {

enum StyleEdgeAngleParam : host::ParamID {
  STYLE_EDGE_MIN_ANGLE = 0,
  STYLE_EDGE_MAX_ANGLE = 1,
};

// pi as the single-precision value the angle parameters store.
inline constexpr float kPiFloat = 3.1415927f;

// A face-angle range in radians.
struct EdgeAngleRange {
  float min = 0.0f;
  float max = kPiFloat;
};

// The range line generation uses: each end clamped to [0, pi], and max
// raised to min when the user's max lies below the min (so a reversed range
// selects exactly the angle min).
EdgeAngleRange ClampEdgeAngleRange(float minAngle, float maxAngle);

// Whether a face angle lies in the (clamped) range, ends included.
inline bool EdgeAngleInRange(const EdgeAngleRange& range, float angle) {
  return angle >= range.min && angle <= range.max;
}

class PwStyleEdgeAngle : public PwStylePart {
 public:
  explicit PwStyleEdgeAngle(bool loading = false);

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "PwStyleEdgeAngle"; }
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;

  // The stored angles (radians), unclamped.
  float GetMinAngle(host::TimeValue t = 0) const { return GetFloatParam(STYLE_EDGE_MIN_ANGLE, t); }
  float GetMaxAngle(host::TimeValue t = 0) const { return GetFloatParam(STYLE_EDGE_MAX_ANGLE, t); }
  void SetMinAngle(float v, host::TimeValue t = 0) { SetParam(STYLE_EDGE_MIN_ANGLE, t, v); }
  void SetMaxAngle(float v, host::TimeValue t = 0) { SetParam(STYLE_EDGE_MAX_ANGLE, t, v); }
  bool IsMinAngleAnimated() const { return IsParamAnimated(STYLE_EDGE_MIN_ANGLE); }
  bool IsMaxAngleAnimated() const { return IsParamAnimated(STYLE_EDGE_MAX_ANGLE); }

  // The clamped range at t, as line generation reads it once per object.
  EdgeAngleRange GetRange(host::TimeValue t = 0) const {
    return ClampEdgeAngleRange(GetMinAngle(t), GetMaxAngle(t));
  }
};

}  // namespace pw
