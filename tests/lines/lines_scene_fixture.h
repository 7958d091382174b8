// Real meshes seen through a camera, prepared as the object stage prepares
// them (camera space, projected, clipped, front and back marked), with
// their occluders; and the segments line generation would test: every
// edge of every face, the clipped polygons' pieces of mesh edges included.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frame/backface.h"
#include "frame/clipper.h"
#include "frame/instance.h"
#include "frame/mesh_transform.h"
#include "frame/view_fixture.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"
#include "host/services/interface.h"
#include "import/import_gltf.h"
#include "import/import_obj.h"
#include "lines/occluder.h"

namespace pwtest {

struct LinesScene {
  host::Scene scene;
  std::vector<host::INode*> meshNodes;
  host::Box3 worldBounds;
  TestView view;
  std::vector<std::unique_ptr<pw::PwRenderInstance>> instances;
  std::vector<pw::InstanceOccluders> occluders;  // by instance index
};

inline void CollectMeshNodes(host::INode* node, LinesScene& s) {
  for (int i = 0; i < node->NumberOfChildren(); ++i) {
    host::INode* child = node->GetChildNode(i);
    if (auto* tri = dynamic_cast<host::TriObject*>(child->GetObjectRef()); tri && tri->mesh.getNumFaces() > 0) {
      s.meshNodes.push_back(child);
      const host::Matrix3 tm = child->GetObjectTM(0);
      for (int v = 0; v < tri->mesh.getNumVerts(); ++v) s.worldBounds += tri->mesh.getVert(v) * tm;
    }
    CollectMeshNodes(child, s);
  }
}

// Reads an OBJ or glTF test mesh; warnings are dropped.
inline bool LoadLinesScene(const std::string& name, LinesScene& s) {
  const host::InterfaceState saved = host::TheInterfaceState();
  host::TheInterfaceState().networkRender = true;
  host::TheInterfaceState().logSink = [](std::string_view) {};
  const std::string path = std::string(PW_TESTDATA_DIR) + "/" + name;
  std::string error;
  const bool ok = name.ends_with(".obj") ? host::ImportObj(path, s.scene, nullptr, &error)
                                         : host::ImportGltf(path, s.scene, nullptr, &error);
  host::TheInterfaceState() = saved;
  if (!ok) {
    ADD_FAILURE() << name << ": " << error;
    return false;
  }
  CollectMeshNodes(s.scene.Root(), s);
  return !s.meshNodes.empty();
}

// A camera looking from `direction` (world space, towards the scene) at the
// centre of the scene's bounds, `distance` bounding radii away; then every
// mesh node prepared and its occluders built.
inline void LookAt(LinesScene& s, host::Point3 direction, float distance, bool twoSided, int width = 640,
                   int height = 480, float fovDeg = 50.0f) {
  const host::Point3 centre = s.worldBounds.Center();
  const float radius = s.worldBounds.Width().Length() * 0.5f;
  const host::Point3 forward = host::Normalize(direction);
  const host::Point3 eye = centre - forward * (distance * radius);
  const host::Point3 z = -forward;
  host::Point3 up(0, 0, 1);
  if (std::abs(host::DotProd(up, z)) > 0.99f) up = host::Point3(0, 1, 0);
  const host::Point3 x = host::Normalize(host::CrossProd(up, z));
  const host::Point3 y = host::CrossProd(z, x);
  const host::Matrix3 cameraFromWorld = host::Inverse(host::Matrix3(x, y, z, eye));
  s.view = perspectiveView(width, height, fovDeg, 0.05f * radius, 100.0f * radius);

  s.instances.clear();
  s.occluders.resize(s.meshNodes.size());
  for (std::size_t i = 0; i < s.meshNodes.size(); ++i) {
    host::INode* node = s.meshNodes[i];
    auto inst = std::make_unique<pw::PwRenderInstance>(node, static_cast<std::int16_t>(i));
    const host::Matrix3 cameraFromObject = node->GetObjectTM(0) * cameraFromWorld;
    pw::copyHostMesh(dynamic_cast<host::TriObject*>(node->GetObjectRef())->mesh, inst->mesh);
    if (pw::isMirrored(cameraFromObject)) pw::reverseWinding(inst->mesh);
    pw::transformToCamera(inst->mesh, cameraFromObject, s.view.proj);
    pw::clipMesh(inst->mesh, s.view.proj, s.view.window);
    pw::markBackFaces(inst->mesh.verts, inst->mesh.faces, inst->mesh.clipPoints);
    pw::BuildOccluders(*inst, twoSided, s.occluders[i]);
    s.instances.push_back(std::move(inst));
  }
}

struct TestSegment {
  pw::MeshVertex a;
  pw::MeshVertex b;
};

// Every edge of every face that is not excluded, once per face that has it
// (front and back alike): the three corners' edges of a whole face, the
// pieces of mesh edges of a clipped one.
inline std::vector<TestSegment> FaceEdges(const pw::PwRenderMesh& mesh) {
  std::vector<TestSegment> out;
  for (const pw::MeshFace& f : mesh.faces) {
    if (f.faceFlags & pw::FaceExcluded) continue;
    if (f.faceFlags & pw::FaceClipped) {
      const std::span<const pw::ClipPoint> poly = pw::clippedPolygon(mesh, f);
      for (std::size_t j = 0; j < poly.size(); ++j)
        if (poly[j].edgeTag() != pw::kClipEdgeNone) out.push_back({poly[j].pos, poly[(j + 1) % poly.size()].pos});
    } else {
      for (int k = 0; k < 3; ++k) out.push_back({mesh.verts[f.v[k]], mesh.verts[f.v[(k + 1) % 3]]});
    }
  }
  return out;
}

// Each mesh edge about once: the whole faces' edges that run from a lower
// to a higher vertex index (an edge between two consistently wound faces
// comes once), and every piece of a mesh edge on a clipped polygon.
inline std::vector<TestSegment> AscendingEdges(const pw::PwRenderMesh& mesh) {
  std::vector<TestSegment> out;
  for (const pw::MeshFace& f : mesh.faces) {
    if (f.faceFlags & pw::FaceExcluded) continue;
    if (f.faceFlags & pw::FaceClipped) {
      const std::span<const pw::ClipPoint> poly = pw::clippedPolygon(mesh, f);
      for (std::size_t j = 0; j < poly.size(); ++j)
        if (poly[j].edgeTag() != pw::kClipEdgeNone) out.push_back({poly[j].pos, poly[(j + 1) % poly.size()].pos});
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t a = f.v[k], b = f.v[(k + 1) % 3];
      if (a < b) out.push_back({mesh.verts[a], mesh.verts[b]});
    }
  }
  return out;
}

}  // namespace pwtest
