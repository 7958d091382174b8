#include "import/import_defaults.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/scene/camera.h"
#include "import/import_names.h"
#include "host/scene/object_tri.h"

namespace host {

namespace {

constexpr float kRadians = std::numbers::pi_v<float> / 180.0f;
constexpr float kEmptySceneDistance = 10.0f;
// Clipping relative to the distance: close enough for a camera inside the
// picture's objects, far enough for anything that moves away.
constexpr float kNearFraction = 1.0e-3f;
constexpr float kFarFactor = 1.0e3f;

void AddNodeBounds(INode* node, TimeValue t, Box3& box) {
  if (!node->Renderable() || node->IsNodeHidden(true)) return;
  Object* obj = node->EvalWorldState(t).obj;
  if (!obj || obj->SuperClassID() != GEOMOBJECT_CLASS_ID || !obj->IsRenderable()) return;
  const Matrix3 tm = node->GetObjectTM(t);
  if (auto* tri = dynamic_cast<TriObject*>(obj)) {
    for (const Point3& p : tri->mesh.verts()) box += p * tm;
  } else {
    box += obj->GetLocalBoundBox(t) * tm;
  }
}

// cameraFromWorld's inverse for a camera at `eye` looking at `at`, +Z up.
Matrix3 LookAt(const Point3& eye, const Point3& at) {
  Point3 back = Normalize(eye - at);  // the camera looks down its -Z
  Point3 right = Normalize(CrossProd(Point3::ZAxis(), back));
  if (right == Point3()) right = Point3::XAxis();
  Point3 up = CrossProd(back, right);
  return Matrix3(right, up, back, eye);
}

}  // namespace

Box3 SceneGeometryBounds(INode* root, TimeValue t) {
  Box3 box;
  std::vector<INode*> stack;
  if (root) stack.push_back(root);
  while (!stack.empty()) {
    INode* node = stack.back();
    stack.pop_back();
    if (node != root) AddNodeBounds(node, t, box);
    for (int i = 0; i < node->NumberOfChildren(); ++i)
      if (INode* child = node->GetChildNode(i)) stack.push_back(child);
  }
  return box;
}

INode* AddFramingCamera(Scene& scene, float imageAspect, const std::string& name) {
  const Box3 box = SceneGeometryBounds(scene.Root());
  const Point3 centre = box.IsEmpty() ? Point3() : box.Center();
  const float radius = box.IsEmpty() ? 0.0f : Length(box.Width()) * 0.5f;

  const float hfov = kFramingFovDegrees * kRadians;
  const float aspect = imageAspect > 0.0f && std::isfinite(imageAspect) ? imageAspect : 1.0f;
  const float vfov = 2.0f * std::atan(std::tan(hfov / 2.0f) / aspect);
  const float half = std::min(hfov, vfov) / 2.0f;
  const float distance = radius > 0.0f ? radius * kFramingMargin / std::sin(half) : kEmptySceneDistance;

  const float az = kFramingAzimuthDegrees * kRadians, el = kFramingElevationDegrees * kRadians;
  const Point3 dir(std::cos(el) * std::sin(az), -std::cos(el) * std::cos(az), std::sin(el));

  auto* cam = new GenCamera(false);
  cam->SetFOV(0, hfov);
  cam->SetManualClip(true);
  cam->SetClipDist(0, distance * kNearFraction, distance * kFarFactor);
  cam->SetTDist(0, distance);
  NodeNames names(scene.Root());
  INode* node = scene.CreateNode(names.Claim(name), cam);
  if (node) node->SetNodeTM(0, LookAt(centre + dir * distance, centre));
  return node;
}

std::vector<DefaultLight> HostDefaultLights() {
  DefaultLight head;
  head.ls.type = OMNI_LGT;
  head.ls.color = Color(1.0f, 1.0f, 1.0f);
  head.ls.intens = 1.0f;
  head.tm = kCameraAttachedLightTM;
  return {head};
}

}  // namespace host
