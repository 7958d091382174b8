#include "host/scene/camera.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace host {

namespace {

enum CameraChunk : std::uint16_t {
  CAMERA_FLAGS = 0x0100,  // u32: 1 orthographic, 2 manual clipping
  CAMERA_FOV = 0x0101,    // the tracks, each a container
  CAMERA_TDIST = 0x0102,
  CAMERA_HITHER = 0x0103,
  CAMERA_YON = 0x0104,
  CAMERA_NEAR_RANGE = 0x0105,
  CAMERA_FAR_RANGE = 0x0106,
};

// A field of view of 0 or pi has no projection.
constexpr float kMinFov = 1e-4f;
constexpr float kMaxFov = std::numbers::pi_v<float> - 1e-4f;

float Distance(float d) { return std::isfinite(d) ? std::max(d, 0.0f) : 0.0f; }

}  // namespace

float GenCamera::GetFOV(TimeValue t) const {
  const float fov = fov_.Value(t);
  return std::isfinite(fov) ? std::clamp(fov, kMinFov, kMaxFov) : std::numbers::pi_v<float> / 4.0f;
}

void GenCamera::SetOrtho(bool on) {
  ortho_ = on;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void GenCamera::SetManualClip(bool on) {
  manualClip_ = on;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void GenCamera::SetClipDist(TimeValue t, float hither, float yon) {
  hither_.SetValue(t, hither);
  yon_.SetValue(t, yon);
}

void GenCamera::SetEnvRange(TimeValue t, float nearRange, float farRange) {
  nearRange_.SetValue(t, nearRange);
  farRange_.SetValue(t, farRange);
}

bool GenCamera::EvalCameraState(TimeValue t, Interval& valid, CameraState* cs) {
  if (!cs) return false;
  cs->isOrtho = ortho_;
  cs->manualClip = manualClip_;
  fov_.Value(t, &valid);
  cs->fov = GetFOV(t);
  cs->tdist = Distance(tdist_.Value(t, &valid));
  cs->hither = Distance(hither_.Value(t, &valid));
  cs->yon = Distance(yon_.Value(t, &valid));
  cs->nearRange = Distance(nearRange_.Value(t, &valid));
  cs->farRange = Distance(farRange_.Value(t, &valid));
  return true;
}

ReferenceTarget* GenCamera::Clone(RemapDir&) {
  auto* copy = new GenCamera(target_);
  copy->ortho_ = ortho_;
  copy->manualClip_ = manualClip_;
  copy->fov_ = fov_;
  copy->tdist_ = tdist_;
  copy->hither_ = hither_;
  copy->yon_ = yon_;
  copy->nearRange_ = nearRange_;
  copy->farRange_ = farRange_;
  return copy;
}

IOResult GenCamera::Save(ISave* isave) {
  isave->WriteChunk(CAMERA_FLAGS, (ortho_ ? 1u : 0u) | (manualClip_ ? 2u : 0u));
  const std::pair<std::uint16_t, FloatTrack*> tracks[] = {
      {CAMERA_FOV, &fov_},       {CAMERA_TDIST, &tdist_},           {CAMERA_HITHER, &hither_},
      {CAMERA_YON, &yon_},       {CAMERA_NEAR_RANGE, &nearRange_}, {CAMERA_FAR_RANGE, &farRange_},
  };
  for (auto [id, track] : tracks) {
    isave->BeginChunk(id);
    const IOResult r = track->Save(*isave);
    isave->EndChunk();
    if (r != IO_OK) return r;
  }
  return IO_OK;
}

IOResult GenCamera::Load(ILoad* iload) {
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    FloatTrack* track = nullptr;
    switch (iload->CurChunkID()) {
      case CAMERA_FLAGS: {
        std::uint32_t flags = 0;
        if (iload->ReadValue(&flags) != IO_OK) return IO_ERROR;
        ortho_ = flags & 1u;
        manualClip_ = flags & 2u;
        break;
      }
      case CAMERA_FOV: track = &fov_; break;
      case CAMERA_TDIST: track = &tdist_; break;
      case CAMERA_HITHER: track = &hither_; break;
      case CAMERA_YON: track = &yon_; break;
      case CAMERA_NEAR_RANGE: track = &nearRange_; break;
      case CAMERA_FAR_RANGE: track = &farRange_; break;
      default: break;
    }
    if (track && track->Load(*iload) != IO_OK) return IO_ERROR;
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  return r == IO_ERROR ? IO_ERROR : IO_OK;
}

}  // namespace host
