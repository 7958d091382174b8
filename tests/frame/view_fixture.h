// Small views and meshes for the render tests, built by hand so the tests
// do not depend on scene set-up.
#pragma once

#include <cmath>
#include <vector>

#include "host/core/point.h"
#include "frame/clip_window.h"
#include "frame/mesh_transform.h"
#include "frame/projection.h"
#include "frame/render_mesh.h"

namespace pwtest {

struct TestView {
  pw::PwProjection proj;
  pw::PwRegion region;
  pw::PwClipWindow window;
};

// A w x h image seen through a perspective camera with the given horizontal
// field of view (degrees); square pixels.
inline TestView perspectiveView(int w, int h, float fovDeg, float hither, float yon) {
  TestView v;
  v.proj.perspective = true;
  v.proj.xc = w / 2.0f;
  v.proj.yc = h / 2.0f;
  v.proj.fov = fovDeg * 3.14159265f / 180.0f;
  v.proj.xscale = -v.proj.xc / std::tan(v.proj.fov / 2.0f);
  v.proj.yscale = -v.proj.xscale;
  v.region = {0, 0, w - 1, h - 1};
  v.window = pw::buildClipWindow(v.proj, v.region, hither, yon, false, float(w), float(h));
  return v;
}

// A parallel view showing `span` world units across.
inline TestView parallelView(int w, int h, float span, float hither, float yon) {
  TestView v;
  v.proj.perspective = false;
  v.proj.xc = w / 2.0f;
  v.proj.yc = h / 2.0f;
  v.proj.xscale = w / span;
  v.proj.yscale = -v.proj.xscale;
  v.region = {0, 0, w - 1, h - 1};
  v.window = pw::buildClipWindow(v.proj, v.region, hither, yon, false, float(w), float(h));
  return v;
}

// A mesh of separate triangles whose corners are given in camera space,
// projected for the view.
inline pw::PwRenderMesh cameraMesh(const std::vector<host::Point3>& corners, const pw::PwProjection& proj) {
  pw::PwRenderMesh mesh;
  for (const host::Point3& p : corners) mesh.verts.push_back({p.x, p.y, p.z, 0.0f, 0.0f});
  for (std::size_t i = 0; i + 2 < corners.size(); i += 3) {
    pw::MeshFace f;
    for (int k = 0; k < 3; ++k) f.v[k] = static_cast<std::uint32_t>(i + k);
    mesh.faces.push_back(f);
  }
  pw::transformToCamera(mesh, host::Matrix3(), proj);
  return mesh;
}

inline host::Point3 position(const pw::ClipPoint& p) { return {p.pos.x, p.pos.y, p.pos.z}; }
inline host::Point3 position(const pw::MeshVertex& v) { return {v.x, v.y, v.z}; }

}  // namespace pwtest
