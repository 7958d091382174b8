#include "scene_io/scene_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "host/scene/camera.h"
#include "import/import_defaults.h"
#include "support/import_test_support.h"

using host::INode;
using host::Point3;
using pwtest::MeshPath;

namespace {

class SceneInput : public pwtest::ImportTest {};

// Every corner of the geometry's bounds lies inside the camera's view: in
// front of it, within the horizontal and the vertical field of view.
void ExpectFramed(host::Scene& scene, float aspect) {
  INode* camNode = scene.ActiveCameraNode();
  ASSERT_NE(camNode, nullptr);
  auto* cam = dynamic_cast<host::CameraObject*>(camNode->GetObjectRef());
  ASSERT_NE(cam, nullptr);
  host::CameraState cs;
  host::Interval valid = host::FOREVER;
  cam->EvalCameraState(0, valid, &cs);
  const float tanX = std::tan(cs.fov / 2.0f), tanY = tanX / aspect;
  const host::Matrix3 cameraFromWorld = host::Inverse(camNode->GetNodeTM(0));
  const host::Box3 box = host::SceneGeometryBounds(scene.Root());
  ASSERT_FALSE(box.IsEmpty());
  float widest = 0.0f;
  for (int i = 0; i < 8; ++i) {
    const Point3 p = box[i] * cameraFromWorld;
    ASSERT_LT(p.z, 0.0f) << "corner " << i << " behind the camera";
    EXPECT_LE(std::fabs(p.x / -p.z), tanX);
    EXPECT_LE(std::fabs(p.y / -p.z), tanY);
    widest = std::max({widest, std::fabs(p.x / -p.z) / tanX, std::fabs(p.y / -p.z) / tanY});
    EXPECT_GT(-p.z, cs.hither);
    EXPECT_LT(-p.z, cs.yon);
  }
  EXPECT_GT(widest, 0.4f) << "the geometry should fill a fair part of the picture";
  // Seen from the front right and above: the camera sits at -y, +x, +z of the centre.
  const Point3 offset = camNode->GetNodeTM(0).GetTrans() - box.Center();
  EXPECT_LT(offset.y, 0.0f);
  EXPECT_GT(offset.x, 0.0f);
  EXPECT_GT(offset.z, 0.0f);
}

TEST_F(SceneInput, ModelsWithoutCameraGetOneFramingThemAndTheDefaultLight) {
  for (const char* file : {"bunny.obj", "bevelcube.obj", "intersect.obj"}) {
    SCOPED_TRACE(file);
    host::Scene scene;
    host::SceneInputInfo info;
    std::string error;
    ASSERT_TRUE(host::LoadSceneInput(MeshPath(file), scene, &error, &info)) << error;
    EXPECT_EQ(info.format, "obj");
    EXPECT_TRUE(info.framingCamera);
    ExpectFramed(scene, static_cast<float>(info.imageWidth) / static_cast<float>(info.imageHeight));
    ASSERT_EQ(scene.Root()->defaultLights.size(), 1u);
    EXPECT_EQ(scene.Root()->defaultLights[0].tm, host::kCameraAttachedLightTM);
  }
}

TEST_F(SceneInput, ModelsWithACameraKeepItAndItsPictureShape) {
  host::Scene scene;
  host::SceneInputInfo info;
  std::string error;
  ASSERT_TRUE(host::LoadSceneInput(MeshPath("suzanne0.glb"), scene, &error, &info)) << error;
  EXPECT_EQ(info.format, "gltf");
  EXPECT_FALSE(info.framingCamera);
  EXPECT_EQ(scene.Root()->activeCamera, "Camera");
  EXPECT_EQ(info.imageWidth, 640);
  EXPECT_EQ(info.imageHeight, 360);  // the camera's 16:9
}

TEST_F(SceneInput, ExtensionsChooseTheFormatInAnyCase) {
  const std::string upper = (dir / "MODEL.OBJ").string();
  std::filesystem::copy_file(MeshPath("bevelcube.obj"), upper);
  std::filesystem::copy_file(MeshPath("bevelcube.mtl"), dir / "bevelcube.mtl");
  host::Scene scene;
  std::string error;
  EXPECT_TRUE(host::LoadSceneInput(upper, scene, &error)) << error;
  EXPECT_EQ(pwtest::TotalFaces(scene.Root()), 490);

  EXPECT_FALSE(host::LoadSceneInput(Write("model.stl", "solid"), scene, &error));
  EXPECT_NE(error.find("model.stl: unknown kind of scene file (expected .json, .obj, .gltf or .glb)"),
            std::string::npos);
}

TEST_F(SceneInput, AFailedLoadLeavesTheSceneItWasGiven) {
  host::Scene scene;
  std::string error;
  ASSERT_TRUE(host::LoadSceneInput(MeshPath("sphere.glb"), scene, &error)) << error;
  INode* before = host::FindNodeByName(scene.Root(), "Sphere");
  const std::string bad[] = {Write("bad.json", "{\"nodes\": 3}"), Write("bad.obj", "v 0 0 nan\n"),
                             Write("bad.glb", "glTF but not really"), (dir / "absent.gltf").string()};
  for (const std::string& path : bad) {
    SCOPED_TRACE(path);
    error.clear();
    EXPECT_FALSE(host::LoadSceneInput(path, scene, &error));
    EXPECT_EQ(error.rfind(path, 0) == 0 || error.find("'" + path + "'") != std::string::npos, true) << error;
    EXPECT_EQ(host::FindNodeByName(scene.Root(), "Sphere"), before);
  }
}

}  // namespace
