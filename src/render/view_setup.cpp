#include "render/view_setup.h"

#include <cmath>
#include <numbers>

#include "host/scene/camera.h"
#include "host/scene/light.h"

namespace pw {

namespace {

constexpr float kDegToRad = std::numbers::pi_v<float> / 180.0f;

float clampFovDegrees(float degrees) {
  if (!(degrees > kMinFovDegrees)) return kMinFovDegrees;
  return degrees > kMaxFovDegrees ? kMaxFovDegrees : degrees;
}

// The node's transform with unit axes: the camera looks through it without
// being stretched by the node's scale.
host::Matrix3 withoutScale(const host::Matrix3& m) {
  return host::Matrix3(host::Normalize(m[0]), host::Normalize(m[1]), host::Normalize(m[2]), m[3]);
}

// Distance that sets an orthographic camera's scale: the target's distance
// along the camera's own z axis scale for a target camera, tdist otherwise.
float orthoDistance(host::INode* node, host::TimeValue t, const host::CameraObject& cam, float tdist) {
  host::Matrix3 targetTM;
  if (cam.ClassID() == host::TARGET_CAMERA_CLASS_ID && node->GetTargetTM(t, targetTM)) {
    host::Matrix3 camTM = node->GetNodeTM(t);
    float zLen = host::Length(camTM[2]);
    if (zLen > 0.0f) {
      float d = host::Length(camTM.GetTrans() - targetTM.GetTrans()) / zLen;
      if (d > 0.0f) return d;
    }
  }
  // A camera sitting on its target has no scale of its own; fall back to a
  // unit distance rather than dividing by zero.
  return tdist > 0.0f ? tdist : 1.0f;
}

// Answers true when the camera fixed the scales (orthographic).
bool setupCameraView(PwViewState& view, host::TimeValue t, host::INode* node, host::CameraObject& cam) {
  host::CameraState cs;
  host::Interval valid = host::FOREVER;
  if (!cam.EvalCameraState(t, valid, &cs)) return false;
  host::ViewParams& vp = view.params;
  vp.projType = cs.isOrtho ? host::PROJ_PARALLEL : host::PROJ_PERSPECTIVE;
  vp.fov = clampFov(cs.fov);
  vp.nearRange = cs.nearRange;
  vp.farRange = cs.farRange;
  if (cs.manualClip) {
    vp.hither = cs.hither;
    vp.yon = cs.yon;
  } else if (!cs.isOrtho) {
    vp.hither = kCameraDefaultHither;
  }
  if (!cs.isOrtho) return false;
  float d = orthoDistance(node, t, cam, cs.tdist);
  view.proj.xscale = view.proj.xc / std::tan(vp.fov / 2.0f) / d;
  view.proj.yscale = -view.proj.xscale * view.pixelAspect;
  return true;
}

void setupLightView(PwViewState& view, host::TimeValue t, host::LightObject& light) {
  host::LightState ls;
  host::Interval valid = host::FOREVER;
  if (!light.EvalLightState(t, valid, &ls)) return;
  host::ViewParams& vp = view.params;
  float aspect = ls.shape == host::CIRCLE_LIGHT ? 1.0f : ls.aspect;
  if (ls.type == host::SPOT_LGT) {
    vp.projType = host::PROJ_PERSPECTIVE;
    float fall = clampFovDegrees(ls.fallsize) * kDegToRad;
    vp.fov = 2.0f * std::atan(std::tan(fall / 2.0f) * std::sqrt(aspect));
  } else if (ls.type == host::DIRECT_LGT) {
    vp.projType = host::PROJ_PARALLEL;
  }
  vp.hither = kLightViewHither;
  vp.nearRange = 0.0f;
  vp.farRange = kLightViewFarRange;
  view.pixelAspect = view.imageWidth > 0.0f ? view.imageHeight / view.imageWidth * aspect : aspect;
}

}  // namespace

float clampFov(float fovRadians) { return clampFovDegrees(fovRadians / kDegToRad) * kDegToRad; }

void setupView(PwViewState& view, host::TimeValue t, host::INode* viewNode) {
  host::ViewParams& vp = view.params;
  vp.hither = kNoHither;
  vp.yon = kNoYon;
  view.proj.xc = view.imageWidth / 2.0f;
  view.proj.yc = view.imageHeight / 2.0f;

  bool scalesSet = false;
  if (viewNode) {
    vp.affineTM = host::Inverse(withoutScale(viewNode->GetObjTMAfterWSM(t)));
    host::Object* obj = viewNode->EvalWorldState(t, true).obj;
    if (auto* cam = dynamic_cast<host::CameraObject*>(obj)) {
      scalesSet = setupCameraView(view, t, viewNode, *cam);
    } else if (auto* light = dynamic_cast<host::LightObject*>(obj)) {
      setupLightView(view, t, *light);
    }
  }

  vp.fov = clampFov(vp.fov);
  view.proj.perspective = vp.projType != host::PROJ_PARALLEL;
  view.proj.fov = vp.fov;
  if (!scalesSet) {
    if (view.proj.perspective) {
      view.proj.xscale = -view.proj.xc / std::tan(vp.fov / 2.0f);
    } else {
      float zoom = vp.zoom > 0.0f ? vp.zoom : 1.0f;
      view.proj.xscale = view.imageWidth / (zoom * 400.0f);
    }
    view.proj.yscale = -view.proj.xscale * view.pixelAspect;
  }
}

void rebuildClipWindow(PwViewState& view, bool blowUp) {
  view.clipWindow = buildClipWindow(view.proj, view.region, view.params.hither, view.params.yon, blowUp,
                                    view.imageWidth, view.imageHeight);
}

}  // namespace pw
