// Per-frame preparation of instances and the object stage that places
// them in the view.
#include "render/prepare.h"

#include <gtest/gtest.h>

#include "frame/obj_fixture.h"
#include "render/gather.h"
#include "render/view_setup.h"
#include "scene_fixture.h"

namespace {

using host::Box3;
using host::Point3;

// A 64 x 48 image through a 90-degree camera at the origin looking down
// -z, hither 1, yon 100.
struct Frame {
  host::Scene scene;
  pw::PwViewState view;
  pw::PwPrepareSettings settings;
  std::vector<std::unique_ptr<pw::PwRenderInstance>> instances;

  Frame() {
    auto* cam = new host::GenCamera();
    cam->SetFOV(0, 3.14159265f / 2);
    cam->SetManualClip(true);
    cam->SetClipDist(0, 1.0f, 100.0f);
    host::INode* camNode = scene.CreateNode("camera", cam);
    view.imageWidth = 64;
    view.imageHeight = 48;
    view.region = {0, 0, 63, 47};
    pw::setupView(view, 0, camNode);
    pw::rebuildClipWindow(view, false);
  }

  pw::PwRenderInstance& gather() {
    instances.clear();
    EXPECT_TRUE(pw::gatherObjects(scene.Root(), pw::PwGatherOptions(), instances));
    return *instances.back();
  }
};

TEST(Prepare, BoxInFrontIsVisibleWhollyInsideWithItsDepthKey) {
  Frame f;
  pwtest::addBox(f.scene, "box", Box3({-1, -1, -12}, {1, 1, -8}));
  pw::PwRenderInstance& inst = f.gather();
  pw::PwSceneStats stats;
  ASSERT_TRUE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));
  EXPECT_TRUE(inst.visible);
  EXPECT_TRUE(inst.whollyInside);
  EXPECT_FLOAT_EQ(inst.zMin, -12.0f);
  EXPECT_FLOAT_EQ(inst.zMax, -8.0f);
  EXPECT_FLOAT_EQ(inst.depthKey, -8.0f);
  EXPECT_EQ(inst.mesh.numFaces(), 12);
  EXPECT_EQ(inst.mesh.verts[7].z, -8.0f);  // still object space
  EXPECT_EQ(stats.objects, 1);
  EXPECT_EQ(stats.faces, 12);
  EXPECT_NE(inst.GetEvalObject(), nullptr);

  // Vector mode stacks by the chosen depth.
  f.settings.vectorMode = true;
  f.settings.zDepthPosition = pw::PwZDepthPosition::Centre;
  ASSERT_TRUE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));
  EXPECT_FLOAT_EQ(inst.depthKey, -10.0f);
}

TEST(Prepare, InvisibleCases) {
  struct Case {
    const char* what;
    Box3 box;
    float visibility;
  };
  const Case cases[] = {
      {"visibility zero", Box3({-1, -1, -12}, {1, 1, -8}), 0.0f},
      {"wholly behind the near plane", Box3({-0.2f, -0.2f, -0.9f}, {0.2f, 0.2f, -0.1f}), 1.0f},
      {"behind the camera", Box3({-1, -1, 5}, {1, 1, 8}), 1.0f},
      {"off to the left", Box3({-30, -1, -12}, {-20, 1, -8}), 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Frame f;
    host::INode* node = pwtest::addBox(f.scene, "box", c.box);
    node->SetVisibility(0, c.visibility);
    pw::PwRenderInstance& inst = f.gather();
    pw::PwSceneStats stats;
    EXPECT_FALSE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));
    EXPECT_FALSE(inst.visible);
    EXPECT_EQ(stats.objects, 0);
    EXPECT_EQ(stats.faces, 0);
  }
}

TEST(Prepare, EmptyMeshIsInvisible) {
  Frame f;
  f.scene.CreateNode("empty", new host::TriObject());
  pw::PwSceneStats stats;
  EXPECT_FALSE(pw::prepareInstance(f.gather(), 0, f.view, f.settings, stats));
}

TEST(Prepare, BoundingBoxModeDrawsTheBox) {
  Frame f;
  host::Mesh sphere;
  ASSERT_TRUE(pwtest::readObjTriangles(pwtest::testDataPath("sphere.obj"), sphere));
  host::INode* node = f.scene.CreateNode("sphere", new host::TriObject(sphere));
  pwtest::place(node, {0, 0, -10});
  pw::PwRenderInstance& inst = f.gather();
  f.settings.boundingBoxes = true;
  pw::PwSceneStats stats;
  ASSERT_TRUE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));
  EXPECT_EQ(inst.mesh.numVerts(), 8);
  EXPECT_EQ(inst.mesh.numFaces(), 12);
  EXPECT_EQ(stats.faces, 12);
  EXPECT_EQ(inst.mesh.bounds, sphere.getBoundingBox());
}

TEST(Prepare, MeshArraysAreReusedFromFrameToFrame) {
  Frame f;
  host::Mesh sphere;
  ASSERT_TRUE(pwtest::readObjTriangles(pwtest::testDataPath("sphere.obj"), sphere));
  host::INode* node = f.scene.CreateNode("sphere", new host::TriObject(sphere));
  pwtest::place(node, {0, 0, -10});
  pw::PwRenderInstance& inst = f.gather();
  pw::PwSceneStats stats;
  ASSERT_TRUE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));
  ASSERT_TRUE(pw::placeInstance(inst, f.view));
  const void* verts = inst.mesh.verts.data();
  const void* faces = inst.mesh.faces.data();
  const void* maps = inst.mesh.maps[1].verts.data();  // generated mapping
  ASSERT_NE(maps, nullptr);
  ASSERT_TRUE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));
  EXPECT_EQ(inst.mesh.verts.data(), verts);
  EXPECT_EQ(inst.mesh.faces.data(), faces);
  EXPECT_EQ(inst.mesh.maps[1].verts.data(), maps);
  EXPECT_EQ(inst.mesh.verts[0].z, sphere.getVert(0).z);  // object space again
}

// The object stage on whole scenes: a sphere cut by the near plane and the
// window, a sphere inside, and a mirrored twin.
TEST(PlaceInstance, ClipsWhatCrossesTheViewAndMarksFronts) {
  Frame f;
  host::Mesh sphere;
  ASSERT_TRUE(pwtest::readObjTriangles(pwtest::testDataPath("sphere.obj"), sphere));
  host::INode* cut = f.scene.CreateNode("cut", new host::TriObject(sphere));
  pwtest::place(cut, {1.2f, 0, -1.8f});  // reaches in front of the near plane and out of the window
  host::INode* whole = f.scene.CreateNode("whole", new host::TriObject(sphere));
  pwtest::place(whole, {0, 0, -20});
  ASSERT_TRUE(pw::gatherObjects(f.scene.Root(), pw::PwGatherOptions(), f.instances));
  ASSERT_EQ(f.instances.size(), 2u);
  pw::PwSceneStats stats;
  for (auto& inst : f.instances) ASSERT_TRUE(pw::prepareInstance(*inst, 0, f.view, f.settings, stats));

  pw::PwRenderInstance& c = *f.instances[0];
  EXPECT_FALSE(c.whollyInside);
  ASSERT_TRUE(pw::placeInstance(c, f.view));
  int clipped = 0, excluded = 0, front = 0;
  for (const pw::MeshFace& face : c.mesh.faces) {
    clipped += (face.faceFlags & pw::FaceClipped) != 0;
    excluded += (face.faceFlags & pw::FaceExcluded) != 0;
    front += (face.faceFlags & pw::FaceFront) != 0 && !(face.faceFlags & pw::FaceExcluded);
    if (face.faceFlags & pw::FaceClipped) {
      for (const pw::ClipPoint& p : pw::clippedPolygon(c.mesh, face)) {
        ASSERT_LE(p.pos.z, -1.0f + 1e-5f);
        ASSERT_GE(p.pos.sx, -0.01f);
        ASSERT_LE(p.pos.sx, 64.01f);
      }
    }
  }
  EXPECT_GT(clipped, 0);
  EXPECT_GT(excluded, 0);
  EXPECT_GT(front, 0);

  pw::PwRenderInstance& w = *f.instances[1];
  EXPECT_TRUE(w.whollyInside);
  ASSERT_TRUE(pw::placeInstance(w, f.view));
  EXPECT_TRUE(w.mesh.clipPoints.empty());
  for (const pw::MeshFace& face : w.mesh.faces) ASSERT_EQ(face.faceFlags & ~pw::FaceFront, 0);
}

TEST(PlaceInstance, NoSurvivingFaceMakesTheInstanceInvisible) {
  Frame f;
  // A thin ring around the view: its box spans the view, its faces do not.
  host::Mesh ring;
  ring.setNumVerts(8);
  ring.setNumFaces(8);
  const Point3 corners[4] = {{-40, -30, -10}, {40, -30, -10}, {40, 30, -10}, {-40, 30, -10}};
  for (int i = 0; i < 4; ++i) {
    ring.setVert(i, corners[i]);
    ring.setVert(i + 4, corners[i] * 1.2f);
  }
  for (int i = 0; i < 4; ++i) {
    int j = (i + 1) % 4;
    ring.faces()[2 * i].setVerts(i, j, j + 4);
    ring.faces()[2 * i + 1].setVerts(i, j + 4, i + 4);
  }
  f.scene.CreateNode("ring", new host::TriObject(ring));
  pw::PwRenderInstance& inst = f.gather();
  pw::PwSceneStats stats;
  ASSERT_TRUE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));  // the box test lets it through
  EXPECT_FALSE(pw::placeInstance(inst, f.view));
  EXPECT_FALSE(inst.visible);
  EXPECT_EQ(inst.mesh.numFaces(), 0);
}

TEST(PlaceInstance, MirroredNodeMarksLikeItsTwin) {
  Frame f;
  host::Mesh sphere;
  ASSERT_TRUE(pwtest::readObjTriangles(pwtest::testDataPath("sphere.obj"), sphere));
  host::INode* plain = f.scene.CreateNode("plain", new host::TriObject(sphere));
  host::INode* mirrored = f.scene.CreateNode("mirrored", new host::TriObject(sphere));
  plain->SetNodeTM(0, host::TransMatrix({0, 0, -6}));
  // The sphere is symmetric in x, so its mirror image covers the same faces.
  mirrored->SetObjOffsetScale({-1, 1, 1});
  mirrored->SetNodeTM(0, host::TransMatrix({0, 0, -6}));
  ASSERT_TRUE(pw::gatherObjects(f.scene.Root(), pw::PwGatherOptions(), f.instances));
  pw::PwSceneStats stats;
  int fronts[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    pw::PwRenderInstance& inst = *f.instances[i];
    ASSERT_TRUE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));
    ASSERT_TRUE(pw::placeInstance(inst, f.view));
    for (const pw::MeshFace& face : inst.mesh.faces) fronts[i] += (face.faceFlags & pw::FaceFront) != 0;
  }
  EXPECT_TRUE(f.instances[1]->mesh.windingReversed);
  EXPECT_GT(fronts[0], sphere.getNumFaces() / 3);
  // Mirroring shuffles which face is which, not how many face the camera.
  EXPECT_NEAR(fronts[1], fronts[0], sphere.getNumFaces() / 100);
}

// Shaders' questions about a placed instance.
TEST(InstanceQueries, SmoothCornerNormalsFollowTheSphere) {
  Frame f;
  host::Mesh sphere;
  ASSERT_TRUE(pwtest::readObjTriangles(pwtest::testDataPath("sphere.obj"), sphere));
  for (host::Face& face : sphere.faces()) face.setSmGroup(1);
  host::INode* node = f.scene.CreateNode("sphere", new host::TriObject(sphere));
  pwtest::place(node, {0, 0, -10});
  pw::PwRenderInstance& inst = f.gather();
  pw::PwSceneStats stats;
  ASSERT_TRUE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));
  ASSERT_TRUE(pw::placeInstance(inst, f.view));
  const Point3 centre{0, 0, -10};
  for (int i = 0; i < inst.mesh.numFaces(); i += 97) {
    Point3 cam[3], obj[3], n[3];
    inst.GetCamVerts(i, cam);
    inst.GetObjVerts(i, obj);
    inst.GetFaceVertNormals(i, n);
    for (int k = 0; k < 3; ++k) {
      // On a smooth sphere the corner normal points away from the centre.
      EXPECT_GT(host::DotProd(n[k], host::Normalize(cam[k] - centre)), 0.999f);
      EXPECT_LT(host::Length(obj[k] - sphere.getVert(static_cast<int>(sphere.faces()[i].v[k]))), 1e-5f);
    }
    EXPECT_GT(host::DotProd(inst.GetFaceNormal(i), host::Normalize(cam[0] - centre)), 0.95f);
  }
}

TEST(InstanceQueries, FacetedBoxCornerNormalsAreFaceNormals) {
  Frame f;
  pwtest::addBox(f.scene, "box", Box3({-1, -1, -12}, {1, 1, -8}));  // no smoothing groups
  pw::PwRenderInstance& inst = f.gather();
  pw::PwSceneStats stats;
  ASSERT_TRUE(pw::prepareInstance(inst, 0, f.view, f.settings, stats));
  ASSERT_TRUE(pw::placeInstance(inst, f.view));
  for (int i = 0; i < 12; ++i) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(inst.GetFaceVertNormal(i, k), inst.GetFaceNormal(i));
  }
}

}  // namespace
