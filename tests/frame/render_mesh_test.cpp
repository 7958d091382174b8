// Copying host meshes into render meshes, and the bounding-box stand-in.
#include "frame/render_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "obj_fixture.h"

namespace {

using host::Point3;

host::Mesh triangleFan(int n) {
  host::Mesh m;
  m.setNumVerts(n + 2);
  m.setNumFaces(n);
  for (int i = 0; i < n + 2; ++i) m.setVert(i, {float(i), float(i % 3), -float(i)});
  for (int i = 0; i < n; ++i) {
    m.faces()[i].setVerts(0, i + 1, i + 2);
    m.faces()[i].setSmGroup(1u << (i % 32));
    m.faces()[i].setMatID(static_cast<host::MtlID>(i));
    m.faces()[i].setEdgeVisFlags(true, i % 2 == 0, false);
  }
  return m;
}

TEST(RenderMesh, CopiesVerticesFacesAndBounds) {
  host::Mesh m = triangleFan(4);
  pw::PwRenderMesh mesh;
  pw::copyHostMesh(m, mesh);
  ASSERT_EQ(mesh.numVerts(), 6);
  ASSERT_EQ(mesh.numFaces(), 4);
  EXPECT_EQ(mesh.verts[5].x, 5.0f);
  EXPECT_EQ(mesh.verts[5].z, -5.0f);
  EXPECT_EQ(mesh.faces[2].v[1], 3u);
  EXPECT_EQ(mesh.faces[2].smGroup, 4u);
  EXPECT_EQ(mesh.faces[2].materialId(), 2);
  EXPECT_EQ(mesh.faces[2].flags & pw::kFaceEdgeVisibleAll, pw::kFaceEdgeVisible0 | pw::kFaceEdgeVisible1);
  EXPECT_EQ(mesh.faces[2].faceFlags, 0);
  EXPECT_EQ(mesh.bounds, host::Box3({0, 0, -5}, {5, 2, 0}));
  EXPECT_TRUE(mesh.vertexAlpha.empty());
  EXPECT_EQ(pw::vertexAlphaAt(mesh, 3), 1.0f);
  for (int ch = 0; ch < pw::kNumMapChannels; ++ch) EXPECT_FALSE(mesh.mapSupport(ch));
}

TEST(RenderMesh, VertexAlphaOutsideZeroToOneIsStoredAsOne) {
  host::Mesh m = triangleFan(2);
  ASSERT_TRUE(m.setVDataSupport(host::VDATA_ALPHA));
  const float in[] = {-0.5f, 2.0f, 0.0f, 0.25f};
  const float stored[] = {1.0f, 1.0f, 0.0f, 0.25f};
  for (int i = 0; i < 4; ++i) m.vertexFloat(host::VDATA_ALPHA)[i] = in[i];
  pw::PwRenderMesh mesh;
  pw::copyHostMesh(m, mesh);
  ASSERT_EQ(mesh.vertexAlpha.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pw::vertexAlphaAt(mesh, i), stored[i]) << "vertex " << i;
  EXPECT_EQ(pw::storedVertexAlpha(std::nanf("")), 1.0f);
}

TEST(RenderMesh, MapChannelsAreCopiedAndDroppedWithTheHost) {
  host::Mesh m = triangleFan(2);
  ASSERT_TRUE(m.setMapSupport(3));
  ASSERT_TRUE(m.setNumMapVerts(3, 2));
  m.mapVerts(3)[1] = {0.5f, 0.25f, 0};
  m.mapFaces(3)[1].setTVerts(1, 0, 1);
  pw::PwRenderMesh mesh;
  pw::copyHostMesh(m, mesh);
  ASSERT_TRUE(mesh.mapSupport(3));
  EXPECT_EQ(mesh.maps[3].verts[1], Point3(0.5f, 0.25f, 0));
  EXPECT_EQ(mesh.maps[3].faces[1].t[0], 1u);
  EXPECT_EQ(mesh.maps[3].faces.size(), 2u);

  m.setMapSupport(3, false);
  pw::copyHostMesh(m, mesh);
  EXPECT_FALSE(mesh.mapSupport(3));
}

TEST(RenderMesh, RefillingKeepsTheArraysAndClearsLastFramesMarks) {
  host::Mesh m = triangleFan(50);
  pw::PwRenderMesh mesh;
  pw::copyHostMesh(m, mesh);
  const pw::MeshVertex* verts = mesh.verts.data();
  const pw::MeshFace* faces = mesh.faces.data();
  mesh.faces[7].faceFlags = pw::FaceClipped | pw::FaceFront;
  mesh.faces[7].numClip = 4;
  mesh.clipPoints.resize(4);
  pw::copyHostMesh(m, mesh);
  EXPECT_EQ(mesh.verts.data(), verts);
  EXPECT_EQ(mesh.faces.data(), faces);
  EXPECT_EQ(mesh.faces[7].faceFlags, 0);
  EXPECT_EQ(mesh.faces[7].numClip, 0);
  EXPECT_TRUE(mesh.clipPoints.empty());
}

TEST(RenderMesh, FaceIndexingPastTheVerticesIsExcluded) {
  host::Mesh m = triangleFan(3);
  m.faces()[1].v[2] = 999;
  pw::PwRenderMesh mesh;
  pw::copyHostMesh(m, mesh);
  EXPECT_EQ(mesh.faces[1].faceFlags, pw::FaceExcluded);
  EXPECT_LT(mesh.faces[1].v[2], 5u);
  EXPECT_EQ(mesh.faces[0].faceFlags, 0);
}

TEST(RenderMesh, BoxMeshIsAClosedOutwardBoxWithOutlineEdges) {
  host::Box3 box({-1, -2, -3}, {1, 2, 3});
  pw::PwRenderMesh mesh;
  pw::makeBoxMesh(box, mesh);
  ASSERT_EQ(mesh.numVerts(), 8);
  ASSERT_EQ(mesh.numFaces(), 12);
  EXPECT_EQ(mesh.bounds, box);
  // Outward: every face's normal points away from the centre.
  for (const pw::MeshFace& f : mesh.faces) {
    Point3 p[3];
    for (int k = 0; k < 3; ++k) p[k] = {mesh.verts[f.v[k]].x, mesh.verts[f.v[k]].y, mesh.verts[f.v[k]].z};
    Point3 n = host::CrossProd(p[1] - p[0], p[2] - p[0]);
    EXPECT_GT(host::DotProd(n, (p[0] + p[1] + p[2]) / 3.0f), 0.0f);
  }
  // Closed: each of the 18 edges (12 box edges + 6 diagonals) has two faces;
  // visible face edges are exactly the box's 12 edges, each seen from both sides.
  std::map<std::pair<std::uint32_t, std::uint32_t>, int> uses, visibleUses;
  for (const pw::MeshFace& f : mesh.faces) {
    for (int e = 0; e < 3; ++e) {
      auto key = std::minmax(f.v[e], f.v[(e + 1) % 3]);
      ++uses[key];
      if (f.flags & (1u << e)) ++visibleUses[key];
    }
  }
  EXPECT_EQ(uses.size(), 18u);
  for (auto& [edge, n] : uses) EXPECT_EQ(n, 2);
  EXPECT_EQ(visibleUses.size(), 12u);
  for (auto& [edge, n] : visibleUses) {
    EXPECT_EQ(n, 2);
    // A box edge changes exactly one coordinate.
    const pw::MeshVertex& a = mesh.verts[edge.first];
    const pw::MeshVertex& b = mesh.verts[edge.second];
    EXPECT_EQ((a.x != b.x) + (a.y != b.y) + (a.z != b.z), 1);
  }

  pw::makeBoxMesh(host::Box3(), mesh);
  EXPECT_EQ(mesh.numFaces(), 0);
}

TEST(RenderMesh, RealMeshFromTestData) {
  host::Mesh bunny;
  ASSERT_TRUE(pwtest::readObjTriangles(pwtest::testDataPath("bunny.obj"), bunny));
  pw::PwRenderMesh mesh;
  pw::copyHostMesh(bunny, mesh);
  EXPECT_EQ(mesh.numFaces(), 3674);
  EXPECT_EQ(mesh.bounds, bunny.getBoundingBox());
  for (const pw::MeshFace& f : mesh.faces) ASSERT_EQ(f.faceFlags, 0);
}

}  // namespace
