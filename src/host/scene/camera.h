// Cameras. A camera looks along its local -Z axis, +Y up. A target camera's
// node has a target node (see INode::SetTarget) that turns it; the camera
// object itself is the same for both kinds, only its class id differs.
#pragma once

#include <numbers>
#include <string>

#include "host/anim/controller.h"
#include "host/scene/object_base.h"

namespace host {

struct CameraState {
  bool isOrtho = false;
  float fov = std::numbers::pi_v<float> / 4.0f;  // horizontal, radians
  float tdist = 160.0f;  // target distance (orthographic scale, depth of field)
  bool manualClip = false;
  float hither = 1.0f;  // clipping distances in front of the camera
  float yon = 1000.0f;
  float nearRange = 0.0f;  // environment ranges
  float farRange = 1000.0f;
  friend bool operator==(const CameraState&, const CameraState&) = default;
};

class CameraObject : public Object {
 public:
  SClass_ID SuperClassID() const override { return CAMERA_CLASS_ID; }
  // Fills cs for time t and narrows valid. False when no state can be given.
  virtual bool EvalCameraState(TimeValue t, Interval& valid, CameraState* cs) = 0;
};

class GenCamera : public CameraObject {
 public:
  explicit GenCamera(bool target = false) : target_(target) {}

  Class_ID ClassID() const override { return target_ ? TARGET_CAMERA_CLASS_ID : FREE_CAMERA_CLASS_ID; }
  std::string GetClassName() const override { return target_ ? "Target Camera" : "Free Camera"; }
  bool IsTargetCamera() const { return target_; }

  bool EvalCameraState(TimeValue t, Interval& valid, CameraState* cs) override;

  bool IsOrtho() const { return ortho_; }
  void SetOrtho(bool on);
  void SetManualClip(bool on);
  // Keyed values. fov is clamped to (0, pi) and distances to >= 0 when read.
  FloatTrack& FOVTrack() { return fov_; }
  void SetFOV(TimeValue t, float fov) { fov_.SetValue(t, fov); }
  float GetFOV(TimeValue t) const;
  void SetTDist(TimeValue t, float d) { tdist_.SetValue(t, d); }
  void SetClipDist(TimeValue t, float hither, float yon);
  void SetEnvRange(TimeValue t, float nearRange, float farRange);

  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 private:
  bool target_;
  bool ortho_ = false;
  bool manualClip_ = false;
  FloatTrack fov_{std::numbers::pi_v<float> / 4.0f};
  FloatTrack tdist_{160.0f};
  FloatTrack hither_{1.0f};
  FloatTrack yon_{1000.0f};
  FloatTrack nearRange_{0.0f};
  FloatTrack farRange_{1000.0f};
};

}  // namespace host
