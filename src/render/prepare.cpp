#include "render/prepare.h"

#include <memory>

#include "host/scene/object_base.h"
#include "frame/backface.h"
#include "frame/bounds_test.h"
#include "render/depth_key.h"
#include "frame/mesh_transform.h"
#include "render/pw_view.h"

namespace pw {

namespace {

// The host's render mesh and whether we must delete it.
struct RenderMeshRef {
  host::Mesh* mesh = nullptr;
  bool needDelete = false;
  RenderMeshRef() = default;
  RenderMeshRef(const RenderMeshRef&) = delete;
  RenderMeshRef& operator=(const RenderMeshRef&) = delete;
  ~RenderMeshRef() {
    if (needDelete) delete mesh;
  }
};

// Rows scaled to unit length: directions keep their angles when only an
// object-space scale is involved.
host::Matrix3 withoutScale(const host::Matrix3& m) {
  host::Matrix3 r(host::Normalize(m[0]), host::Normalize(m[1]), host::Normalize(m[2]), host::Point3());
  return r;
}

void setTransforms(PwRenderInstance& inst, const host::Matrix3& objToWorld, const host::Matrix3& cameraFromWorld) {
  inst.objToWorld = objToWorld;
  inst.objToCam = objToWorld * cameraFromWorld;
  inst.camToObj = host::Inverse(inst.objToCam);
  inst.normalObjToCam = withoutScale(inst.objToCam);
  inst.normalCamToObj = host::Inverse(inst.normalObjToCam);
}

bool hide(PwRenderInstance& inst) {
  inst.visible = false;
  inst.whollyInside = false;
  return false;
}

}  // namespace

bool prepareInstance(PwRenderInstance& inst, host::TimeValue t, const PwViewState& view,
                     const PwPrepareSettings& settings, PwSceneStats& stats) {
  inst.visible = true;
  inst.whollyInside = false;
  inst.depthKey = kNoDepthKey;
  inst.evalObject = nullptr;
  if (!inst.node || !(inst.node->GetVisibility(t) > 0.0f)) return hide(inst);

  // The object and its render mesh for this frame.
  setTransforms(inst, inst.node->GetObjTMAfterWSM(t), view.cameraFromWorld());
  host::ObjectState os = inst.node->EvalWorldState(t, true);
  auto* geom = dynamic_cast<host::GeomObject*>(os.obj);
  if (!geom) return hide(inst);
  inst.evalObject = geom;
  if (!geom->HasUVW()) geom->SetGenUVW(true);
  PwView pwView(view);
  RenderMeshRef hostMesh;
  hostMesh.mesh = geom->GetRenderMesh(t, inst.node, pwView, hostMesh.needDelete);
  if (!hostMesh.mesh) return hide(inst);

  // Bounds against the view.
  host::Box3 bounds = hostMesh.mesh->getBoundingBox();
  inst.obBox = bounds;
  BoundsTest test = testBounds(bounds, inst.objToCam, view.proj, view.region, view.clipWindow);
  if (!test.visible) return hide(inst);
  inst.whollyInside = test.whollyInside;
  inst.zMin = test.zMin;
  inst.zMax = test.zMax;
  inst.depthKey = depthKey(settings.vectorMode, settings.zDepthPosition, test.zMin, test.zMax);

  // The frame's copy.
  if (settings.boundingBoxes) {
    makeBoxMesh(bounds, inst.mesh);
  } else {
    copyHostMesh(*hostMesh.mesh, inst.mesh);
  }
  inst.meshChanged();
  ++stats.objects;
  stats.faces += inst.mesh.numFaces();
  return true;
}

bool placeInstance(PwRenderInstance& inst, const PwViewState& view) {
  if (isMirrored(inst.objToCam)) reverseWinding(inst.mesh);
  transformToCamera(inst.mesh, inst.objToCam, view.proj);
  inst.meshChanged();
  if (!inst.whollyInside) {
    ClipStats clip = clipMesh(inst.mesh, view.proj, view.clipWindow);
    if (clip.surviving() == 0) {
      freeRenderMesh(inst.mesh);
      return hide(inst);
    }
  }
  markBackFaces(inst.mesh.verts, inst.mesh.faces, inst.mesh.clipPoints);
  return true;
}

}  // namespace pw
