// Small scenes for the render tests: boxes, cameras and lights under a
// host scene root.
#pragma once

#include <string>

#include "host/scene/camera.h"
#include "host/scene/light.h"
#include "host/scene/mesh.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"
#include "frame/box_corners.h"

namespace pwtest {

// A closed box mesh, wound outwards, every edge visible.
inline host::Mesh boxHostMesh(const host::Box3& box) {
  host::Mesh m;
  m.setNumVerts(8);
  m.setNumFaces(12);
  for (int i = 0; i < 8; ++i) m.setVert(i, box[i]);
  for (int i = 0; i < 12; ++i) {
    const int* t = pw::kBoxTriangles[i];
    m.faces()[i].setVerts(t[0], t[1], t[2]);
    m.faces()[i].setEdgeVisFlags(true, true, true);
  }
  return m;
}

inline host::INode* addBox(host::Scene& scene, const std::string& name, const host::Box3& box,
                           host::INode* parent = nullptr) {
  return scene.CreateNode(name, new host::TriObject(boxHostMesh(box)), parent);
}

inline host::INode* addLight(host::Scene& scene, const std::string& name, int type, bool on = true,
                             host::INode* parent = nullptr) {
  auto* light = new host::GenLight(type);
  light->SetUseLight(on);
  return scene.CreateNode(name, light, parent);
}

// A node placed at `position` looking down its -Z axis, turned only about y.
inline void place(host::INode* node, const host::Point3& position, float yaw = 0.0f) {
  node->SetNodeTM(0, host::RotateYMatrix(yaw) * host::TransMatrix(position));
}

}  // namespace pwtest
