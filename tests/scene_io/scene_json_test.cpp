#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/scene/camera.h"
#include "scene_io/scene_input.h"
#include "host/scene/light.h"
#include "host/shading/mtl_multi.h"
#include "host/shading/mtl_std.h"
#include "host/shading/texmap_bitmap.h"
#include "surfaces/cel_shader.h"
#include "support/import_test_support.h"

using host::INode;
using host::Point3;
using pwtest::MeshOf;

namespace {

class SceneJson : public pwtest::ImportTest {
 protected:
  // Loads `json` written as scene.json; answers the error ("" on success).
  std::string Load(const std::string& json) {
    path = Write("scene.json", json);
    std::string error;
    if (!host::LoadSceneInput(path, scene, &error, &info)) return error.empty() ? "(no message)" : error;
    return "";
  }
  INode* Node(const char* name) { return host::FindNodeByName(scene.Root(), name); }

  std::string path;
  host::Scene scene;
  host::SceneInputInfo info;
};

const char* kTriangle = R"("meshes": [{"name": "Tri", "vertices": [[0,0,0],[1,0,0],[0,1,0]], "faces": [[0,1,2]]}])";

TEST_F(SceneJson, TheExampleSceneLoadsWhole) {
  path = std::string(PW_SOURCE_DIR) + "/examples/scene.json";
  std::string error;
  ASSERT_TRUE(host::LoadSceneInput(path, scene, &error, &info)) << error;
  EXPECT_TRUE(warnings.empty()) << AllWarnings();
  EXPECT_EQ(info.format, "json");
  EXPECT_EQ(info.frameStart, 0);
  EXPECT_EQ(info.frameEnd, 47);
  EXPECT_EQ(info.imageWidth, 800);
  EXPECT_EQ(scene.Root()->GetFrameRate(), 24);
  EXPECT_EQ(scene.Root()->activeCamera, "Camera");
  EXPECT_FALSE(info.framingCamera);

  // The mesh from the file: all three objects, with the file's material.
  INode* props = Node("Props");
  ASSERT_NE(MeshOf(props), nullptr);
  EXPECT_EQ(MeshOf(props)->getNumFaces(), 490);
  ASSERT_NE(dynamic_cast<host::MultiMtl*>(props->GetMtl()), nullptr);
  EXPECT_EQ(props->GetMtl()->GetSubMtlSlotName(3), "Top");
  // The inline prism: 2 triangles and 3 quads of 2.
  INode* spinner = Node("Spinner");
  ASSERT_EQ(spinner->GetParentNode(), props);
  EXPECT_EQ(MeshOf(spinner)->getNumFaces(), 8);
  std::string style;
  EXPECT_TRUE(spinner->GetUserPropString("Penwright_StyleName", style));
  EXPECT_EQ(style, "Hidden-line");
  EXPECT_TRUE(spinner->TMController().IsAnimated());

  auto* checker = dynamic_cast<host::StdMat*>(Node("Backdrop")->GetMtl());
  ASSERT_NE(checker, nullptr);
  auto* tex = dynamic_cast<host::BitmapTex*>(checker->GetSubTexmap(host::ID_DI));
  ASSERT_NE(tex, nullptr);
  EXPECT_TRUE(tex->LoadImage()) << tex->LoadError();
  EXPECT_EQ(tex->GetUTiling(), 2.0f);

  EXPECT_NE(dynamic_cast<host::GenLight*>(Node("Key")->GetObjectRef()), nullptr);
  EXPECT_EQ(Node("Camera")->GetTarget(), Node("Aim"));
  ASSERT_EQ(info.renderSettings.size(), 4u);
  EXPECT_EQ(info.renderSettings[3].name, "linesAntialiasingQuality");
  EXPECT_EQ(info.renderSettings[3].value, "high");
  EXPECT_EQ(info.renderSettings[3].place, path + ": render.linesAntialiasingQuality");
}

// Each broken description fails with exactly this message after "scene.json: ".
TEST_F(SceneJson, EveryErrorNamesTheFileAndThePath) {
  struct Case {
    std::string json;
    std::string message;
  };
  const std::string tri = kTriangle;
  const Case cases[] = {
      {R"({"nodes": [{"name": "a", "colour": [1, 0, 0]}]})",
       "nodes[0].colour: unknown key (known here: name, children, mesh, material, camera, light, position, rotation, "
       "scale, matrix, keys, interpolation, target, lookAt, style, wireColor, visible, renderable, hidden, "
       "userProperties, modifiers)"},
      {"{" + tri + R"(, "nodes": [{"mesh": "Tri", "material": {"diffuse": [1, 0]}}]})",
       "nodes[0].material.diffuse: expected 3 numbers"},
      {R"({"nodes": [{"name": "a"}, {"name": "b", "children": [{"name": "a"}]}]})",
       "nodes[1].children[0].name: 'a' is the name of nodes[0] already"},
      {R"({"meshes": [{"name": "Q", "vertices": [[0,0,0],[1,0,0],[0,1,0]], "faces": [[0,1,2],[0,1,3]]}]})",
       "meshes[0].faces[1][2]: vertex index out of range (the mesh has 3 vertices)"},
      {R"({"meshes": [{"name": "Q", "vertices": [[0,0,0],[1,0],[0,1,0]], "faces": [[0,1,2]]}]})",
       "meshes[0].vertices[1]: expected 3 numbers"},
      {R"({"meshes": [{"name": "F", "file": "nowhere.obj"}]})", "meshes[0].file: cannot read '"},
      {R"({"meshes": [{"name": "F", "file": "model.stl"}]})",
       "meshes[0].file: 'model.stl' is neither an OBJ nor a glTF file (.obj, .gltf, .glb)"},
      {"{" + tri + R"(, "nodes": [{"mesh": "Tri", "material": "Gold"}]})",
       "nodes[0].material: no material is named 'Gold'"},
      {R"({"nodes": [{"mesh": "Nothing"}]})", "nodes[0].mesh: no mesh is named 'Nothing'"},
      {R"({"nodes": [{"name": "c", "target": "ghost"}]})", "nodes[0].target: no node is named 'ghost'"},
      {R"({"camera": "a", "nodes": [{"name": "a"}]})", "camera: 'a' is no camera"},
      {R"({"frames": [10, 2]})", "frames: the last frame comes before the first"},
      {R"({"frameRate": 0})", "frameRate: 0 is out of range (1 to 4800)"},
      {R"({"currentFrame": 2.5})", "currentFrame: "},
      {R"({"render": {"timeOutput": "all"}})", "render.timeOutput: 'all' is not one of 'single', 'active', 'range'"},
      {R"({"render": {"timeOutput": "range"}})",
       "render.timeOutput: 'range' renders the frames of render.timeRange, which is missing"},
      {R"({"render": {"timeOutput": "range", "timeRange": [9, 3]}})",
       "render.timeRange: the last frame comes before the first"},
      {R"({"background": [1.5, 0, 0]})", "background[0]: colour channels run from 0 to 1"},
      {R"({"nodes": [{"scale": [1, 0, 1]}]})", "nodes[0].scale: a scale of 0 flattens the object"},
      {R"({"nodes": [{"rotation": {"euler": [0, 0, 90], "quaternion": [0, 0, 0, 1]}}]})",
       "nodes[0].rotation: give one of: euler, quaternion, or axis with angle"},
      {R"({"nodes": [{"matrix": [[1,0,0],[0,1,0],[0,0,1],[0,0,0]], "position": [1, 2, 3]}]})",
       "nodes[0].position: give either a matrix or position, not both"},
      {R"({"nodes": [{"keys": [{"frame": 5, "position": [0,0,0]}, {"frame": 5, "position": [1,0,0]}]}]})",
       "nodes[0].keys[1].frame: frames must increase from key to key"},
      {R"({"nodes": [{"position": [0,0,0], "keys": [{"frame": 0, "position": [1,0,0]}]}]})",
       "nodes[0].position: the keys set the position; give it in the keys only"},
      {R"({"nodes": [{"camera": {}, "light": {}}]})", "nodes[0]: a node shows one thing: a mesh, a camera or a light"},
      {R"({"nodes": [{"light": {"type": "spot", "hotspot": 50, "falloff": 40}}]})",
       "nodes[0].light.hotspot: the hotspot cannot be wider than the falloff"},
      {R"({"nodes": [{"light": {"type": "laser"}}]})", "nodes[0].light.type: expected one of omni, spot, directional"},
      {R"({"render": {"linesOn": [true]}})", "render.linesOn: a setting's value is a string, a number, true or false"},
      {R"({"nodes": [{"userProperties": {"a=b": "c"}}]})",
       "nodes[0].userProperties.a=b: not usable as a user property (keys: no '=', no line breaks, no blanks around "
       "them; values: one line)"},
      {R"({"materials": [{"name": "M", "type": "multi", "slots": [{"name": "x", "material": "M2"}]}]})",
       "materials[0].slots[0].material: no material is named 'M2'"},
      {R"({"nodes": [{"name": "a", "name": "b"}]})", "nodes[0]: the key 'name' appears twice"},
      {R"({"nodes": [)",
       "line 1, column 12: syntax error while parsing value - unexpected end of input; expected '[', '{', or a "
       "literal"},
      {R"([1, 2])", "expected an object, not an array"},
      {"{\"render\": {\n  \"linesMemoryLimit\": 1e400}}",
       "line 2, column 23: render.linesMemoryLimit: number overflow parsing '1e400'"},
      {R"({"nodes": [{"scale": [1, -1e999, 1]}]})", "line 1, column 26: nodes[0].scale[1]: number overflow parsing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    scene = host::Scene();
    const std::string error = Load(c.json);
    EXPECT_EQ(error.substr(0, path.size() + 2 + c.message.size()), path + ": " + c.message);
    EXPECT_EQ(scene.Root()->NumberOfChildren(), 0) << "a failed load leaves the scene alone";
  }
}

// The frames to render are the host's choice: read into the info, not
// passed on as renderer settings.
TEST_F(SceneJson, TheFramesToRenderAreNoRendererSettings) {
  ASSERT_EQ(Load(R"({"frames": [0, 9], "currentFrame": 4,
                     "render": {"linesOn": false, "timeOutput": "range", "timeRange": [-2, 3]}})"),
            "");
  EXPECT_EQ(info.currentFrame, 4);
  EXPECT_EQ(info.timeOutput, host::TimeOutput::Range);
  EXPECT_EQ(info.rangeStart, -2);
  EXPECT_EQ(info.rangeEnd, 3);
  ASSERT_EQ(info.renderSettings.size(), 1u);
  EXPECT_EQ(info.renderSettings[0].name, "linesOn");
  info = {};
  ASSERT_EQ(Load(R"({"frames": [0, 9]})"), "");
  EXPECT_FALSE(info.currentFrame.has_value());
  EXPECT_EQ(info.timeOutput, host::TimeOutput::Single);
}

TEST_F(SceneJson, TruncatedDescriptionsFailWithTheirLine) {
  std::ifstream in(std::string(PW_SOURCE_DIR) + "/examples/scene.json");
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  for (std::size_t len = 0; len + 2 < text.size(); len += 11) {
    SCOPED_TRACE(len);
    scene = host::Scene();
    const std::string error = Load(text.substr(0, len));
    EXPECT_EQ(error.rfind(path + ": line ", 0), 0u) << error;
  }
}

TEST_F(SceneJson, TransformsAndKeys) {
  ASSERT_EQ(Load(std::string("{") + kTriangle + R"(, "frameRate": 10, "nodes": [
      {"name": "Turned", "mesh": "Tri", "rotation": {"euler": [0, 0, 90]}, "scale": 2, "position": [1, 2, 3]},
      {"name": "Moving", "keys": [{"frame": 0, "position": [0, 0, 0]}, {"frame": 10, "position": [10, 0, 0]}],
       "children": [{"name": "Riding", "position": [0, 0, 1]}]},
      {"name": "Stepping", "interpolation": "step",
       "keys": [{"frame": 0, "scale": 1}, {"frame": 4, "scale": [1, 2, 3]}]},
      {"name": "Axis", "rotation": {"axis": [1, 0, 0], "angle": 90}},
      {"name": "Matrix", "matrix": [[0, 1, 0], [-1, 0, 0], [0, 0, 1], [5, 6, 7]]}
    ]})"),
            "");
  const int tpf = host::TICKS_PER_SECOND / 10;
  // Euler z 90 turns x into y; scale first, then turn, then move.
  const host::Matrix3 turned = Node("Turned")->GetNodeTM(0);
  const Point3 x = Point3(1, 0, 0) * turned;
  EXPECT_NEAR(x.x, 1.0f, 1e-5f);
  EXPECT_NEAR(x.y, 4.0f, 1e-5f);
  EXPECT_NEAR(x.z, 3.0f, 1e-5f);
  // Keys by frame at 10 frames per second; children ride along.
  EXPECT_NEAR(Node("Moving")->GetNodeTM(5 * tpf).GetTrans().x, 5.0f, 1e-4f);
  EXPECT_EQ(Node("Riding")->GetNodeTM(5 * tpf).GetTrans(), Point3(5, 0, 1));
  EXPECT_EQ(Node("Stepping")->TMController().Scale().Value(4 * tpf - 1), Point3(1, 1, 1));
  EXPECT_EQ(Node("Stepping")->TMController().Scale().Value(4 * tpf), Point3(1, 2, 3));
  const Point3 y = host::VectorTransform(Node("Axis")->GetNodeTM(0), Point3(0, 1, 0));
  EXPECT_NEAR(y.z, 1.0f, 1e-6f);
  const host::Matrix3 m = Node("Matrix")->GetNodeTM(0);
  EXPECT_NEAR((Point3(1, 0, 0) * m).y, 7.0f, 1e-5f);
  EXPECT_EQ(m.GetTrans(), Point3(5, 6, 7));
}

TEST_F(SceneJson, MeshesInPlaceAndFromFiles) {
  const std::string obj = std::string(PW_TESTDATA_DIR) + "/bevelcube.obj";
  const std::string json = R"({"meshes": [
      {"name": "Quads", "vertices": [[0,0,0],[1,0,0],[1,1,0],[0,1,0],[2,0,0],[2,1,0]],
       "faces": [[0,1,2,3],[1,4,5,2]], "smoothing": [1, 6], "materialIds": 3,
       "uvs": [[0,0],[1,0],[1,1],[0,1],[2,0],[2,1]]},
      {"name": "All", "file": "OBJ"},
      {"name": "Cylinder", "file": "OBJ", "object": "Cylinder"},
      {"name": "AsIs", "file": "OBJ", "object": "BevelCube", "upAxis": "z"}],
    "nodes": [{"name": "Q", "mesh": "Quads"}, {"name": "A", "mesh": "All"}, {"name": "C", "mesh": "Cylinder"},
              {"name": "Z", "mesh": "AsIs"},
              {"name": "Shared", "mesh": "Cylinder", "material": {"diffuse": [1, 0, 0]}}]})";
  std::string withFile = json;
  for (std::size_t at; (at = withFile.find("\"OBJ\"")) != std::string::npos;)
    withFile.replace(at, 5, "\"" + obj + "\"");
  ASSERT_EQ(Load(withFile), "");
  const host::Mesh* q = MeshOf(Node("Q"));
  ASSERT_EQ(q->getNumFaces(), 4);
  int visible = 0;
  for (const host::Face& f : q->faces()) {
    visible += f.getEdgeVis(0) + f.getEdgeVis(1) + f.getEdgeVis(2);
    EXPECT_EQ(f.getMatID(), 3);
  }
  EXPECT_EQ(visible, 8);  // two quads' outlines; their diagonals hidden
  EXPECT_EQ(q->faces()[0].smGroup, 1u);
  EXPECT_EQ(q->faces()[3].smGroup, 6u);
  EXPECT_TRUE(q->mapSupport(1));

  EXPECT_EQ(MeshOf(Node("A"))->getNumFaces(), 490);
  EXPECT_EQ(MeshOf(Node("C"))->getNumFaces(), 188);
  // One mesh object shared by the nodes using the definition, each with
  // its own material.
  EXPECT_EQ(Node("Shared")->GetObjectRef(), Node("C")->GetObjectRef());
  EXPECT_NE(Node("Shared")->GetMtl(), Node("C")->GetMtl());
  // Stood up (file y 0..2 becomes z), or taken as it is.
  EXPECT_NEAR(MeshOf(Node("A"))->getBoundingBox().pmax.z, 2.0f, 1e-5f);
  EXPECT_NEAR(MeshOf(Node("Z"))->getBoundingBox().pmax.y, 2.0f, 1e-5f);
}

TEST_F(SceneJson, CamerasLightsStylesAndProperties) {
  ASSERT_EQ(Load(std::string("{") + kTriangle + R"(, "nodes": [
      {"name": "Box", "mesh": "Tri", "style": "Comic", "wireColor": [1, 0, 0], "hidden": true, "renderable": false,
       "visible": 0.5, "userProperties": {"layer": 2, "tag": "front", "flag": true}},
      {"name": "Top", "camera": {"type": "orthographic", "width": 20, "near": 1, "far": 100},
       "position": [0, 0, 50], "lookAt": [0, 0, 0]},
      {"name": "Spot", "light": {"type": "spot", "hotspot": 20, "falloff": 30, "multiplier": 2, "on": false},
       "position": [3, 3, 3], "target": "Box"}]})"),
            "");
  INode* box = Node("Box");
  std::string text;
  EXPECT_TRUE(box->GetUserPropString("Penwright_StyleName", text));
  EXPECT_EQ(text, "Comic");
  int layer = 0;
  EXPECT_TRUE(box->GetUserPropInt("layer", layer));
  EXPECT_EQ(layer, 2);
  EXPECT_TRUE(box->GetUserPropString("flag", text));
  EXPECT_EQ(text, "true");
  EXPECT_EQ(box->GetWireColor(), 0x0000FFu);
  EXPECT_TRUE(box->IsNodeHidden());
  EXPECT_FALSE(box->Renderable());
  EXPECT_EQ(box->GetVisibility(0), 0.5f);

  // The first camera becomes the active one; it looks straight down.
  EXPECT_EQ(scene.Root()->activeCamera, "Top");
  auto* cam = dynamic_cast<host::GenCamera*>(Node("Top")->GetObjectRef());
  ASSERT_NE(cam, nullptr);
  host::CameraState cs;
  host::Interval valid = host::FOREVER;
  cam->EvalCameraState(0, valid, &cs);
  EXPECT_TRUE(cs.isOrtho);
  EXPECT_NEAR(2.0f * cs.tdist * std::tan(cs.fov / 2.0f), 20.0f, 1e-3f);
  EXPECT_TRUE(cs.manualClip);
  EXPECT_EQ(cs.hither, 1.0f);
  EXPECT_EQ(cs.yon, 100.0f);
  const Point3 down = -Node("Top")->GetNodeTM(0).GetRow(2);
  EXPECT_NEAR(down.z, -1.0f, 1e-5f);

  auto* spot = dynamic_cast<host::GenLight*>(Node("Spot")->GetObjectRef());
  ASSERT_NE(spot, nullptr);
  EXPECT_EQ(spot->Type(), host::SPOT_LGT);
  EXPECT_FALSE(spot->GetUseLight());
  EXPECT_EQ(spot->GetIntensity(0), 2.0f);
  EXPECT_EQ(Node("Spot")->GetTarget(), box);
}

TEST_F(SceneJson, WarningsNameTheirPlace) {
  ASSERT_EQ(Load(R"({"materials": [{"name": "T", "diffuseMap": "nothing.png"}],
    "meshes": [{"name": "R", "vertices": [[0,0,0],[1,0,0],[0,1,0],[1,1,0]], "faces": [[0,1,2],[0,1,1,3,2]]}],
    "nodes": [{"mesh": "R", "material": "T", "interpolation": "step"}]})"),
            "");
  EXPECT_EQ(WarningsWith(path + ": materials[0].diffuseMap: texture '"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith(path + ": meshes[0].faces[1]: a face names a vertex twice"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith(path + ": nodes[0].interpolation: the node has no keys"), 1) << AllWarnings();
  EXPECT_EQ(MeshOf(Node("Mesh"))->getNumFaces(), 1 + 2);  // unnamed nodes are named after what they show
}

TEST_F(SceneJson, AMaterialCanShadeThroughTheCelShader) {
  ASSERT_EQ(Load(R"({"materials": [{"name": "Toonish", "diffuse": [0.8, 0.2, 0.1], "shader": "cel",
      "celPreset": "Cartoon"}, {"name": "Plain", "shader": "blinn"}],
    "meshes": [{"name": "T", "vertices": [[0,0,0],[1,0,0],[0,1,0]], "faces": [[0,1,2]]}],
    "nodes": [{"name": "A", "mesh": "T", "material": "Toonish"}, {"name": "B", "mesh": "T", "material": "Plain"}]})"),
            "");
  auto* a = dynamic_cast<host::StdMat*>(Node("A")->GetMtl());
  ASSERT_NE(a, nullptr);
  auto* cel = dynamic_cast<pw::PwCelShader*>(a->GetShader());
  ASSERT_NE(cel, nullptr);
  EXPECT_EQ(cel->GetDiffuseClr(0), host::Color(0.8f, 0.2f, 0.1f));
  EXPECT_EQ(cel->GetAmbientClr(0), host::Color(0.8f, 0.2f, 0.1f)) << "Cartoon shadows take the Main colour";
  EXPECT_FLOAT_EQ(cel->ParamBlock()->GetFloat(pw::kCelShadowSize), 0.25f);
  auto* b = dynamic_cast<host::StdMat*>(Node("B")->GetMtl());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(dynamic_cast<pw::PwCelShader*>(b->GetShader()), nullptr);

  EXPECT_NE(Load(R"({"materials": [{"name": "X", "celPreset": "Cel"}]})").find("materials[0].celPreset: a cel preset needs"),
            std::string::npos);
  EXPECT_NE(Load(R"({"materials": [{"name": "X", "shader": "phong"}]})").find("materials[0].shader"), std::string::npos);
}

}  // namespace
