// Real test meshes placed in front of a camera the way a frame places them:
// moved to camera space, projected, clipped by the view where they cross it
// and marked front or back, so line tests see render meshes as line
// generation does.
#pragma once

#include <string>

#include "frame/backface.h"
#include "frame/mesh_transform.h"
#include "frame/render_mesh.h"
#include "frame/obj_fixture.h"
#include "frame/view_fixture.h"
#include "host/core/matrix3.h"

namespace pwtest {

// The OBJ mesh `name` scaled to about `size` across, centred `distance` in
// front of a 640 x 480 camera with a 60-degree view; with `cut`, shifted so
// that the view's left border and near plane slice through it.
inline bool placedObjMesh(const std::string& name, pw::PwRenderMesh& out, const TestView& view, bool cut,
                          float distance = 4.0f) {
  host::Mesh mesh;
  if (!readObjTriangles(testDataPath(name), mesh)) return false;
  pw::copyHostMesh(mesh, out);
  const host::Box3 b = out.bounds;
  const host::Point3 c = b.Center();
  const host::Point3 w = b.Width();
  const float extent = std::max(w.x, std::max(w.y, w.z));
  const float scale = extent > 0.0f ? 2.0f / extent : 1.0f;
  host::Matrix3 tm;
  tm.SetTrans(-c);
  tm = tm * host::ScaleMatrix({scale, scale, scale});
  // A turn so that no face is seen exactly edge-on.
  tm = tm * host::RotateYMatrix(0.6f) * host::RotateXMatrix(0.3f);
  const float shiftX = cut ? -1.9f : 0.0f;
  const float shiftZ = cut ? distance - 1.0f : distance;
  tm = tm * host::TransMatrix({shiftX, 0.0f, -shiftZ});
  pw::transformToCamera(out, tm, view.proj);
  pw::clipMesh(out, view.proj, view.window);
  pw::markBackFaces(out.verts, out.faces, out.clipPoints);
  return true;
}

}  // namespace pwtest
