// Front/back marking on screen, the degenerate-face rule, and the winding
// fix for mirrored objects.
#include "frame/backface.h"

#include <gtest/gtest.h>

#include "obj_fixture.h"
#include "frame/mesh_transform.h"
#include "frame/render_mesh.h"
#include "view_fixture.h"

namespace {

using host::Point3;
using pw::FaceExcluded;
using pw::FaceFront;

int mark(pw::PwRenderMesh& mesh) { return pw::markBackFaces(mesh.verts, mesh.faces, mesh.clipPoints); }

TEST(BackFaces, WindingOnScreenDecides) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  struct Case {
    const char* what;
    std::vector<Point3> tri;
    std::uint8_t flags;
  };
  const Case cases[] = {
      {"counter-clockwise towards the camera", {{0, 0, -5}, {1, 0, -5}, {0, 1, -5}}, FaceFront},
      {"clockwise towards the camera", {{0, 0, -5}, {0, 1, -5}, {1, 0, -5}}, 0},
      {"edge-on (zero area)", {{0, 0, -5}, {0, 0, -6}, {0, 0, -7}}, 0},
      {"two corners the same vertex", {}, FaceExcluded | FaceFront},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pw::PwRenderMesh mesh;
    if (c.tri.empty()) {
      mesh = pwtest::cameraMesh({{0, 0, -5}, {1, 0, -5}, {0, 1, -5}}, view.proj);
      mesh.faces[0].v[2] = mesh.faces[0].v[0];
    } else {
      mesh = pwtest::cameraMesh(c.tri, view.proj);
    }
    int front = mark(mesh);
    EXPECT_EQ(mesh.faces[0].faceFlags, c.flags);
    EXPECT_EQ(front, c.flags == FaceFront ? 1 : 0);
  }
}

TEST(BackFaces, ClearsAStaleFrontMarkAndSkipsExcludedFaces) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  auto mesh = pwtest::cameraMesh({{0, 0, -5}, {0, 1, -5}, {1, 0, -5}, {0, 0, -5}, {0, 1, -5}, {1, 0, -5}}, view.proj);
  mesh.faces[0].faceFlags = FaceFront;
  mesh.faces[1].faceFlags = FaceExcluded;
  EXPECT_EQ(mark(mesh), 0);
  EXPECT_EQ(mesh.faces[0].faceFlags, 0);
  EXPECT_EQ(mesh.faces[1].faceFlags, FaceExcluded);
}

TEST(BackFaces, ClippedFaceIsJudgedByItsPolygon) {
  auto view = pwtest::perspectiveView(64, 48, 90.0f, 1.0f, 100.0f);
  // Corner 0 lies behind the eye, where its screen position says nothing:
  // from the corners this face would be marked back-facing, yet its plane
  // faces the eye.
  const Point3 behind{0, -3, 1}, right{3, 3, -5}, left{-3, 3, -5};
  auto mesh = pwtest::cameraMesh({behind, right, left, behind, left, right}, view.proj);
  pw::clipMesh(mesh, view.proj, view.window);
  ASSERT_TRUE(mesh.faces[0].faceFlags & pw::FaceClipped);
  ASSERT_TRUE(mesh.faces[1].faceFlags & pw::FaceClipped);
  EXPECT_EQ(mark(mesh), 1);
  EXPECT_TRUE(mesh.faces[0].faceFlags & FaceFront);
  EXPECT_FALSE(mesh.faces[1].faceFlags & FaceFront);
}

// For a closed convex mesh, a face is front-facing exactly when its outward
// normal points towards the eye.
TEST(BackFaces, SphereFrontFacesFaceTheEye) {
  host::Mesh sphere;
  ASSERT_TRUE(pwtest::readObjTriangles(pwtest::testDataPath("sphere.obj"), sphere));
  auto view = pwtest::perspectiveView(320, 240, 50.0f, 0.1f, 100.0f);
  pw::PwRenderMesh mesh;
  pw::copyHostMesh(sphere, mesh);
  host::Matrix3 cameraFromObject = host::RotateXMatrix(0.4f) * host::TransMatrix({0.3f, -0.2f, -4.0f});
  pw::transformToCamera(mesh, cameraFromObject, view.proj);
  int front = mark(mesh);
  int expected = 0, disagreements = 0;
  for (const pw::MeshFace& f : mesh.faces) {
    Point3 p0 = pwtest::position(mesh.verts[f.v[0]]);
    Point3 n = host::CrossProd(pwtest::position(mesh.verts[f.v[1]]) - p0, pwtest::position(mesh.verts[f.v[2]]) - p0);
    bool facesEye = host::DotProd(n, -p0) > 0;
    expected += facesEye;
    disagreements += facesEye != bool(f.faceFlags & FaceFront);
  }
  EXPECT_EQ(disagreements, 0);
  EXPECT_EQ(front, expected);
  EXPECT_GT(front, mesh.numFaces() / 3);
  EXPECT_LT(front, mesh.numFaces() / 2);  // seen from nearby: less than a hemisphere
}

TEST(MirrorFix, MirroredTwinGetsTheSameMarks) {
  host::Mesh shape;
  ASSERT_TRUE(pwtest::readObjTriangles(pwtest::testDataPath("sphere.obj"), shape));
  // Lopsided, so that its mirror image is a different shape.
  for (host::Point3& p : shape.verts()) p.x = p.x > 0 ? p.x * 2.0f : p.x;
  // The twin is the mirror image modelled as such: x negated, faces wound
  // the other way so that they still face outwards.
  host::Mesh twin = shape;
  for (host::Point3& p : twin.verts()) p.x = -p.x;
  for (host::Face& f : twin.faces()) std::swap(f.v[0], f.v[2]);

  auto view = pwtest::perspectiveView(320, 240, 50.0f, 0.1f, 100.0f);
  host::Matrix3 place = host::RotateYMatrix(0.7f) * host::TransMatrix({0.5f, 0.0f, -6.0f});
  // Mirrored by its transform instead: both land on the same camera-space points.
  host::Matrix3 mirrorPlace = host::ScaleMatrix({-1, 1, 1}) * place;
  ASSERT_FALSE(pw::isMirrored(place));
  ASSERT_TRUE(pw::isMirrored(mirrorPlace));

  pw::PwRenderMesh a, b;
  pw::copyHostMesh(twin, a);
  pw::copyHostMesh(shape, b);
  pw::reverseWinding(b);
  pw::transformToCamera(a, place, view.proj);
  pw::transformToCamera(b, mirrorPlace, view.proj);
  int frontA = mark(a);
  int frontB = mark(b);
  EXPECT_EQ(frontA, frontB);
  EXPECT_GT(frontA, a.numFaces() / 4);
  for (int i = 0; i < a.numFaces(); ++i) {
    ASSERT_EQ(a.faces[i].faceFlags, b.faces[i].faceFlags) << "face " << i;
  }
}

TEST(MirrorFix, ReversalKeepsEdgesAndMapCornersWithTheirVertices) {
  host::Mesh m;
  m.setNumVerts(3);
  m.setNumFaces(1);
  m.faces()[0].setVerts(0, 1, 2);
  m.faces()[0].setEdgeVisFlags(true, false, false);  // only edge 0-1 is visible
  m.setMapSupport(1);
  m.setNumMapVerts(1, 3);
  m.mapFaces(1)[0].setTVerts(10, 11, 12);
  pw::PwRenderMesh mesh;
  pw::copyHostMesh(m, mesh);
  pw::reverseWinding(mesh);
  const pw::MeshFace& f = mesh.faces[0];
  EXPECT_EQ(f.v[0], 2u);
  EXPECT_EQ(f.v[1], 1u);
  EXPECT_EQ(f.v[2], 0u);
  // The visible edge joins vertices 1 and 0: now corners 1 to 2.
  EXPECT_EQ(f.flags & pw::kFaceEdgeVisibleAll, pw::kFaceEdgeVisible1);
  EXPECT_EQ(mesh.maps[1].faces[0].t[0], 12u);
  EXPECT_EQ(mesh.maps[1].faces[0].t[2], 10u);
  EXPECT_TRUE(mesh.windingReversed);
  EXPECT_EQ(pw::hostEdgeIndex(1, mesh.windingReversed), 0);
  EXPECT_EQ(pw::hostEdgeIndex(2, mesh.windingReversed), 2);
}

}  // namespace
