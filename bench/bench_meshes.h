// Meshes the line benchmarks share: the test meshes in world space, and
// the same surfaces split into more faces for the million-triangle runs.
#pragma once

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frame/instance.h"
#include "frame/view_state.h"
#include "host/scene/camera.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"
#include "host/services/interface.h"
#include "import/import_gltf.h"
#include "render/gather.h"
#include "render/prepare.h"
#include "render/view_setup.h"

namespace {

// __FILE__ may be relative to the build folder (bench/ under it); run from
// there or from the repository.
inline std::string meshPath(const char* name) {
  const std::filesystem::path fromSource =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "tests/data/meshes" / name;
  if (std::filesystem::exists(fromSource)) return fromSource.string();
  return (std::filesystem::path("tests/data/meshes") / name).string();
}

// Every mesh of the file in world space, as one mesh.
inline host::Mesh loadWorldMeshFile(const std::string& path) {
  host::Scene scene;
  host::TheInterfaceState().logSink = [](std::string_view) {};
  host::TheInterfaceState().networkRender = true;
  std::string error;
  host::Mesh out;
  if (!host::ImportGltf(path, scene, nullptr, &error)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return out;
  }
  std::vector<host::Point3> verts;
  std::vector<host::Face> faces;
  std::vector<host::INode*> stack{scene.Root()};
  while (!stack.empty()) {
    host::INode* node = stack.back();
    stack.pop_back();
    for (int i = 0; i < node->NumberOfChildren(); ++i) stack.push_back(node->GetChildNode(i));
    auto* tri = dynamic_cast<host::TriObject*>(node->GetObjectRef());
    if (!tri) continue;
    const host::Matrix3 tm = node->GetObjectTM(0);
    const auto base = static_cast<std::uint32_t>(verts.size());
    for (int v = 0; v < tri->mesh.getNumVerts(); ++v) verts.push_back(tri->mesh.getVert(v) * tm);
    for (int f = 0; f < tri->mesh.getNumFaces(); ++f) {
      host::Face face = tri->mesh.faces()[f];
      for (std::uint32_t& v : face.v) v += base;
      faces.push_back(face);
    }
  }
  out.setNumVerts(static_cast<int>(verts.size()));
  out.setNumFaces(static_cast<int>(faces.size()));
  for (std::size_t i = 0; i < verts.size(); ++i) out.setVert(static_cast<int>(i), verts[i]);
  for (std::size_t i = 0; i < faces.size(); ++i) out.faces()[i] = faces[i];
  return out;
}

inline host::Mesh loadWorldMesh(const char* name) { return loadWorldMeshFile(meshPath(name)); }

// n x n copies, each a little further back and overlapping its neighbours
// on screen.
inline host::Mesh shiftedCopies(const host::Mesh& m, int n) {
  const host::Box3 b = m.getBoundingBox();
  const host::Point3 w = b.Width();
  host::Mesh out;
  const int nv = m.getNumVerts(), nf = m.getNumFaces();
  out.setNumVerts(nv * n * n);
  out.setNumFaces(nf * n * n);
  int copy = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j, ++copy) {
      const host::Point3 shift((i - (n - 1) * 0.5f) * 0.7f * w.x, (j - (n - 1) * 0.5f) * 0.7f * w.y,
                               -((i + j) % 3) * 0.6f * w.z);
      for (int v = 0; v < nv; ++v) out.setVert(copy * nv + v, m.getVert(v) + shift);
      for (int f = 0; f < nf; ++f) {
        host::Face face = m.faces()[f];
        for (std::uint32_t& v : face.v) v += static_cast<std::uint32_t>(copy * nv);
        out.faces()[copy * nf + f] = face;
      }
    }
  }
  return out;
}

// Every triangle split into four at its edge midpoints, n times: the same
// surface in smaller faces.
inline host::Mesh subdivided(const host::Mesh& m, int times) {
  std::vector<host::Point3> verts(static_cast<std::size_t>(m.getNumVerts()));
  for (int v = 0; v < m.getNumVerts(); ++v) verts[static_cast<std::size_t>(v)] = m.getVert(v);
  std::vector<std::array<std::uint32_t, 3>> faces;
  for (const host::Face& f : m.faces()) faces.push_back({f.v[0], f.v[1], f.v[2]});
  for (int t = 0; t < times; ++t) {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> mids;  // edge key -> midpoint, sorted
    for (const auto& f : faces)
      for (int k = 0; k < 3; ++k) {
        const std::uint64_t a = f[k], b = f[(k + 1) % 3];
        mids.emplace_back(std::min(a, b) << 32 | std::max(a, b), 0);
      }
    std::sort(mids.begin(), mids.end());
    mids.erase(std::unique(mids.begin(), mids.end()), mids.end());
    for (auto& [key, index] : mids) {
      index = static_cast<std::uint32_t>(verts.size());
      verts.push_back((verts[key >> 32] + verts[key & 0xFFFFFFFFu]) * 0.5f);
    }
    auto mid = [&](std::uint64_t a, std::uint64_t b) {
      const std::uint64_t key = std::min(a, b) << 32 | std::max(a, b);
      return std::lower_bound(mids.begin(), mids.end(), std::make_pair(key, 0u))->second;
    };
    std::vector<std::array<std::uint32_t, 3>> next;
    next.reserve(faces.size() * 4);
    for (const auto& f : faces) {
      const std::uint32_t m01 = mid(f[0], f[1]), m12 = mid(f[1], f[2]), m20 = mid(f[2], f[0]);
      next.push_back({f[0], m01, m20});
      next.push_back({m01, f[1], m12});
      next.push_back({m20, m12, f[2]});
      next.push_back({m01, m12, m20});
    }
    faces.swap(next);
  }
  host::Mesh out;
  out.setNumVerts(static_cast<int>(verts.size()));
  out.setNumFaces(static_cast<int>(faces.size()));
  for (std::size_t i = 0; i < verts.size(); ++i) out.setVert(static_cast<int>(i), verts[i]);
  for (std::size_t i = 0; i < faces.size(); ++i) {
    out.faces()[i].setVerts(faces[i][0], faces[i][1], faces[i][2]);
    out.faces()[i].setEdgeVisFlags(true, true, true);
  }
  return out;
}

// `mesh` as the one object of `scene`, in front of a 1920 x 1080 camera
// with a 60-degree view, set back far enough to fill the height; `turn`
// (radians about the vertical) shows it from the side. Gathered, prepared
// and placed for the frame: instances holds it with its render mesh.
inline bool placeBeforeCamera(host::Mesh mesh, float turn, host::Scene& scene, pw::PwViewState& view,
                              std::vector<std::unique_ptr<pw::PwRenderInstance>>& instances) {
  constexpr float kHalfTurn = 3.14159265f;
  const host::Box3 box = mesh.getBoundingBox();
  const float radius = box.Width().Length() * 0.5f;
  host::INode* node = scene.CreateNode("object", new host::TriObject(std::move(mesh)));
  const host::Matrix3 tm = host::TransMatrix(-box.Center()) * host::RotateXMatrix(-kHalfTurn / 2) *
                           host::RotateYMatrix(turn);
  node->SetNodeTM(0, tm * host::TransMatrix({0, 0, -2.6f * radius}));
  auto* cam = new host::GenCamera();
  cam->SetFOV(0, kHalfTurn / 3);
  cam->SetManualClip(true);
  cam->SetClipDist(0, 0.01f * radius, 100.0f * radius);
  host::INode* camNode = scene.CreateNode("camera", cam);
  view.imageWidth = 1920;
  view.imageHeight = 1080;
  view.region = {0, 0, 1919, 1079};
  pw::setupView(view, 0, camNode);
  pw::rebuildClipWindow(view, false);
  pw::gatherObjects(scene.Root(), pw::PwGatherOptions(), instances);
  pw::PwSceneStats stats;
  pw::PwRenderInstance& inst = *instances.at(0);
  return pw::prepareInstance(inst, 0, view, pw::PwPrepareSettings(), stats) && pw::placeInstance(inst, view);
}

}  // namespace
