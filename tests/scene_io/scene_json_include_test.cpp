// "include" of a scene description: model files whose nodes, cameras and
// lights arrive as when the file is rendered directly.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "host/scene/camera.h"
#include "host/scene/light.h"
#include "scene_io/scene_input.h"
#include "support/import_test_support.h"

using host::INode;
using pwtest::MeshOf;
using pwtest::MeshPath;

namespace fs = std::filesystem;

namespace {

// A triangle "Mover" (style Comic in its extras) moving for 2 seconds, a
// point light "Lamp" and a 2:1 camera "Cam".
const char* kAnimatedGltf = R"({"asset": {"version": "2.0"},
  "buffers": [{"byteLength": 68, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAAAAEAAAAAAAAAAAAAAAAAAAEBAAAAAAAAAAAA="}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 8},
                  {"buffer": 0, "byteOffset": 44, "byteLength": 24}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
                {"bufferView": 1, "componentType": 5126, "count": 2, "type": "SCALAR", "min": [0], "max": [2]},
                {"bufferView": 2, "componentType": 5126, "count": 2, "type": "VEC3"}],
  "meshes": [{"name": "Tri", "primitives": [{"attributes": {"POSITION": 0}}]}],
  "extensionsUsed": ["KHR_lights_punctual"],
  "extensions": {"KHR_lights_punctual": {"lights": [{"type": "point", "color": [1, 0.5, 0], "intensity": 20}]}},
  "cameras": [{"type": "perspective", "perspective": {"yfov": 0.5, "aspectRatio": 2.0, "znear": 0.1, "zfar": 100}}],
  "nodes": [{"name": "Mover", "mesh": 0, "extras": {"Penwright_StyleName": "Comic"}},
            {"name": "Lamp", "translation": [0, 3, 3], "extensions": {"KHR_lights_punctual": {"light": 0}}},
            {"name": "Cam", "camera": 0, "translation": [0, 0, 10]}],
  "scenes": [{"nodes": [0, 1, 2]}],
  "animations": [{"channels": [{"sampler": 0, "target": {"node": 0, "path": "translation"}}],
                  "samplers": [{"input": 1, "output": 2}]}]})";

class SceneJsonInclude : public pwtest::ImportTest {
 protected:
  void SetUp() override {
    pwtest::ImportTest::SetUp();
    // Models in a folder of their own below the description's, so that a
    // name resolved against the working folder would not be found.
    fs::create_directories(dir / "models");
    for (const char* f : {"suzanne0.glb", "bevelcube.glb", "bevelcube.obj", "bevelcube.mtl"})
      fs::copy_file(MeshPath(f), dir / "models" / f);
    Write("models/anim.gltf", kAnimatedGltf);
  }

  // Loads `json` written as scene.json; answers the error ("" on success).
  std::string Load(const std::string& json) {
    path = Write("scene.json", json);
    scene = host::Scene();
    info = host::SceneInputInfo();
    std::string error;
    if (!host::LoadSceneInput(path, scene, &error, &info)) return error.empty() ? "(no message)" : error;
    return "";
  }
  INode* Node(const char* name) { return host::FindNodeByName(scene.Root(), name); }

  std::string path;
  host::Scene scene;
  host::SceneInputInfo info;
};

// Per node name: its world transform at frame 0 and its face count.
struct NodeFacts {
  host::Matrix3 tm;
  int faces = -1;
  bool camera = false;
};
std::map<std::string, NodeFacts> Facts(host::Scene& scene) {
  std::map<std::string, NodeFacts> out;
  for (INode* n : pwtest::AllNodes(scene.Root())) {
    const host::Mesh* m = MeshOf(n);
    out[n->GetName()] = {n->GetNodeTM(0), m ? m->getNumFaces() : -1,
                         dynamic_cast<host::CameraObject*>(n->GetObjectRef()) != nullptr};
  }
  return out;
}

TEST_F(SceneJsonInclude, AnIncludedModelArrivesAsWhenRenderedDirectly) {
  for (const char* model : {"suzanne0.glb", "bevelcube.obj"}) {
    SCOPED_TRACE(model);
    host::Scene direct;
    host::SceneInputInfo directInfo;
    std::string error;
    ASSERT_TRUE(host::LoadSceneInput((dir / "models" / model).string(), direct, &error, &directInfo)) << error;
    ASSERT_EQ(Load(std::string(R"({"include": "models/)") + model + "\"}"), "");

    const std::map<std::string, NodeFacts> want = Facts(direct), got = Facts(scene);
    ASSERT_EQ(got.size(), want.size());
    for (const auto& [name, w] : want) {
      SCOPED_TRACE(name);
      ASSERT_EQ(got.count(name), 1u);
      const NodeFacts& g = got.at(name);
      EXPECT_EQ(g.faces, w.faces);
      EXPECT_EQ(g.camera, w.camera);
      for (int r = 0; r < 4; ++r) EXPECT_EQ(g.tm.GetRow(r), w.tm.GetRow(r)) << "row " << r;
    }
    // Seen through the same camera, in the same picture.
    EXPECT_EQ(scene.Root()->activeCamera, direct.Root()->activeCamera);
    EXPECT_EQ(info.framingCamera, directInfo.framingCamera);
    EXPECT_EQ(info.imageWidth, directInfo.imageWidth);
    EXPECT_EQ(info.imageHeight, directInfo.imageHeight);
    EXPECT_EQ(info.format, "json");
  }
}

TEST_F(SceneJsonInclude, LightsAnimationAndTheCamerasShape) {
  ASSERT_EQ(Load(R"({"frameRate": 10, "include": "models/anim.gltf"})"), "");
  auto* lamp = dynamic_cast<host::GenLight*>(Node("Lamp")->GetObjectRef());
  ASSERT_NE(lamp, nullptr);
  EXPECT_EQ(lamp->Type(), host::OMNI_LGT);
  EXPECT_EQ(lamp->GetRGBColor(0), host::Color(1.0f, 0.5f, 0.0f));
  EXPECT_TRUE(Node("Mover")->TMController().IsAnimated());
  // Two seconds of keys at 10 frames a second; the camera's 2:1.
  EXPECT_EQ(info.frameStart, 0);
  EXPECT_EQ(info.frameEnd, 20);
  EXPECT_EQ(scene.Root()->activeCamera, "Cam");
  EXPECT_EQ(info.imageWidth, 640);
  EXPECT_EQ(info.imageHeight, 320);

  // What the description says wins.
  ASSERT_EQ(Load(R"({"include": "models/anim.gltf", "frames": [3, 4], "image": {"width": 100, "height": 100}})"), "");
  EXPECT_EQ(info.frameStart, 3);
  EXPECT_EQ(info.frameEnd, 4);
  EXPECT_EQ(info.imageHeight, 100);
  // A camera of the description's own: its picture keeps the default shape.
  ASSERT_EQ(Load(R"({"include": "models/anim.gltf", "camera": "Own",
                     "nodes": [{"name": "Own", "camera": {}, "position": [0, -10, 0], "target": "Mover"}]})"),
            "");
  EXPECT_EQ(scene.Root()->activeCamera, "Own");
  EXPECT_EQ(Node("Own")->GetTarget(), Node("Mover")) << "description nodes may aim at included ones";
  EXPECT_EQ(info.imageHeight, 480);
}

TEST_F(SceneJsonInclude, AListKeepsFileOrderAndNamesUnique) {
  ASSERT_EQ(Load(R"({"include": ["models/bevelcube.obj", "models/anim.gltf", "models/bevelcube.glb"]})"), "");
  const std::vector<INode*> top = [&] {
    std::vector<INode*> v;
    for (int i = 0; i < scene.Root()->NumberOfChildren(); ++i) v.push_back(scene.Root()->GetChildNode(i));
    return v;
  }();
  std::vector<std::string> names;
  for (INode* n : top) names.push_back(n->GetName());
  EXPECT_EQ(names, (std::vector<std::string>{"BevelCube", "Ground", "Cylinder", "Mover", "Lamp", "Cam", "BevelCube 2",
                                             "Ground 2", "Cylinder 2", "Camera"}));
  // The first file with a camera gives the view; the OBJ has none.
  EXPECT_EQ(scene.Root()->activeCamera, "Cam");
  EXPECT_EQ(info.imageHeight, 320);
  EXPECT_EQ(pwtest::TotalFaces(scene.Root()), 490 + 1 + 490);
  // Through another file's camera, the picture takes that camera's shape.
  ASSERT_EQ(Load(R"({"include": ["models/anim.gltf", "models/bevelcube.glb"], "camera": "Camera"})"), "");
  EXPECT_EQ(info.imageHeight, 360);
}

// Each broken description fails with this message after "scene.json: ", and
// leaves the scene it was given alone.
TEST_F(SceneJsonInclude, ErrorsNameTheEntry) {
  struct Case {
    std::string json;
    std::string message;
  };
  const Case cases[] = {
      {R"({"include": "nowhere.glb"})", "include: cannot read '" + (dir / "nowhere.glb").string() + "': "},
      {R"({"include": ["models/suzanne0.glb", "model.stl"]})",
       "include[1]: 'model.stl' is neither an OBJ nor a glTF file (.obj, .gltf, .glb)"},
      {R"({"include": ""})", "include: the file name is empty"},
      {R"({"include": 3})", "include: expected a model file's name, or an object with its \"file\""},
      {R"({"include": [{"style": "Cel"}]})", "include[0]: an include needs a \"file\""},
      {R"({"include": {"file": "models/suzanne0.glb", "colour": 1}})",
       "include.colour: unknown key (known here: file, style, styles, thicknessFromColours)"},
      {R"({"include": {"file": "models/suzanne0.glb", "style": ""}})", "include.style: the style name is empty"},
      {R"({"include": {"file": "models/suzanne0.glb", "styles": {"Suzane": "Cel"}}})",
       "include.styles.Suzane: 'models/suzanne0.glb' has no mesh node named 'Suzane'; its mesh nodes are 'Suzanne'"},
      {R"({"include": {"file": "models/anim.gltf", "styles": {"Cam": "Cel"}}})",
       "include.styles.Cam: 'models/anim.gltf' has no mesh node named 'Cam'; its mesh nodes are 'Mover'"},
      {R"({"include": {"file": "models/suzanne0.glb", "styles": {"Suzanne": ""}}})",
       "include.styles.Suzanne: the style name is empty"},
      {R"({"include": {"file": "models/suzanne0.glb", "styles": ["Cel"]}})",
       "include.styles: expected an object of style names by node name"},
      {R"({"include": "models/suzanne0.glb", "nodes": [{"name": "Suzanne"}]})",
       "nodes[0].name: 'Suzanne' is the name of a node of 'models/suzanne0.glb' already"},
      {R"({"include": "models/broken.gltf"})", "include: " + (dir / "models" / "broken.gltf").string() + ": "},
      {R"({"include": "models/suzanne0.glb", "camera": "Cam"})", "camera: no node is named 'Cam'"},
  };
  Write("models/broken.gltf", R"({"asset": {"version": "2.0"}, "nodes": [{"mesh": 4}], "scenes": [{"nodes": [0]}]})");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    const std::string error = Load(c.json);
    EXPECT_EQ(error.substr(0, path.size() + 2 + c.message.size()), path + ": " + c.message);
    EXPECT_EQ(scene.Root()->NumberOfChildren(), 0) << "a failed load leaves the scene alone";
  }
}

}  // namespace
