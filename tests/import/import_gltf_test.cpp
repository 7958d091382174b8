#include "import/import_gltf.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "host/scene/camera.h"
#include "import/import_obj.h"
#include "host/scene/light.h"
#include "host/shading/mtl_multi.h"
#include "host/shading/mtl_std.h"
#include "host/shading/texmap_bitmap.h"
#include "support/import_test_support.h"

using host::INode;
using host::Point3;
using pwtest::AllNodes;
using pwtest::MeshOf;
using pwtest::MeshPath;

namespace {

class GltfImport : public pwtest::ImportTest {
 protected:
  bool Import(const std::string& path, std::string* error = nullptr, host::ImportSummary* summary = nullptr) {
    std::string e;
    const bool ok = host::ImportGltf(path, scene, nullptr, &e, summary);
    if (error) *error = e;
    if (!ok && !error) ADD_FAILURE() << e;
    return ok;
  }
  INode* Node(const char* name) { return host::FindNodeByName(scene.Root(), name); }
  host::Scene scene;
};

// ---- The shared test meshes -----------------------------------------------------------

TEST_F(GltfImport, TestMeshesHaveTheirFacesNodesAndCamera) {
  struct Case {
    const char* file;
    int faces;
    std::vector<const char*> meshNodes;
  };
  const Case cases[] = {
      {"bevelcube.glb", 490, {"BevelCube", "Ground", "Cylinder"}},
      {"intersect.glb", 4168, {"Sphere", "Rod", "Box"}},
      {"sphere.glb", 3968, {"Sphere"}},
      {"suzanne0.glb", 967, {"Suzanne"}},
      {"suzanne1.glb", 3936, {"Suzanne"}},
      {"suzanne2.glb", 15744, {"Suzanne"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    scene = host::Scene();
    host::ImportSummary summary;
    ASSERT_TRUE(Import(MeshPath(c.file), nullptr, &summary));
    EXPECT_EQ(pwtest::TotalFaces(scene.Root()), c.faces);
    for (const char* name : c.meshNodes) {
      ASSERT_NE(MeshOf(Node(name)), nullptr) << name;
      EXPECT_EQ(MeshOf(Node(name))->checkIntegrity(), "");
    }
    ASSERT_NE(summary.firstCamera, nullptr);
    EXPECT_EQ(summary.firstCamera->GetName(), "Camera");
    EXPECT_NEAR(summary.cameraAspect, 16.0f / 9.0f, 1e-5f);
    EXPECT_TRUE(warnings.empty()) << AllWarnings();
  }
}

TEST_F(GltfImport, CameraKeepsItsLensAndPlaceTurnedToZUp) {
  ASSERT_TRUE(Import(MeshPath("bevelcube.glb")));
  INode* node = Node("Camera");
  auto* cam = dynamic_cast<host::GenCamera*>(node->GetObjectRef());
  ASSERT_NE(cam, nullptr);
  // A 50 mm lens on a 36 mm wide sensor: 2 atan(18 / 50).
  EXPECT_NEAR(cam->GetFOV(0), 2.0f * std::atan(18.0f / 50.0f), 1e-3f);
  host::CameraState cs;
  host::Interval valid = host::FOREVER;
  ASSERT_TRUE(cam->EvalCameraState(0, valid, &cs));
  EXPECT_TRUE(cs.manualClip);
  EXPECT_NEAR(cs.hither, 8.852067f, 1e-4f);
  EXPECT_NEAR(cs.yon, 26.287663f, 1e-4f);
  // The file's (x, y, z) with y up is (x, -z, y) here.
  const Point3 at = node->GetNodeTM(0).GetTrans();
  EXPECT_NEAR(at.x, 7.877036f, 1e-4f);
  EXPECT_NEAR(at.y, -14.321883f, 1e-4f);
  EXPECT_NEAR(at.z, 7.444848f, 1e-4f);
  // It looks down at the objects near the origin.
  const Point3 view = host::Normalize(-node->GetNodeTM(0).GetRow(2));
  EXPECT_LT(view.z, 0.0f);
  EXPECT_GT(host::DotProd(view, host::Normalize(-at)), 0.95f);
}

TEST_F(GltfImport, MaterialsBecomeSlotsOfOneSharedMultiMaterial) {
  ASSERT_TRUE(Import(MeshPath("bevelcube.glb")));
  auto* multi = dynamic_cast<host::MultiMtl*>(Node("BevelCube")->GetMtl());
  ASSERT_NE(multi, nullptr);
  EXPECT_EQ(Node("Cylinder")->GetMtl(), multi);
  ASSERT_EQ(multi->NumSubMtls(), 4);
  const char* names[] = {"Body", "Top", "Ground", "Cyl"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(multi->GetSubMtlSlotName(i), names[i]);
  auto* top = dynamic_cast<host::StdMat*>(multi->GetSubMtl(1));
  ASSERT_NE(top, nullptr);
  const host::Color d = top->GetDiffuse();
  EXPECT_NEAR(d.r, 0.85f, 1e-6f);
  EXPECT_NEAR(d.g, 0.2f, 1e-6f);
  EXPECT_TRUE(top->GetTwoSided());
  EXPECT_NEAR(top->GetShininess(), 0.5f, 1e-6f);
  // The cube's two primitives keep their materials: ids 0 and 1 only.
  std::set<int> ids;
  for (const host::Face& f : MeshOf(Node("BevelCube"))->faces()) ids.insert(f.getMatID());
  EXPECT_EQ(ids, (std::set<int>{0, 1}));
  for (const host::Face& f : MeshOf(Node("Cylinder"))->faces()) EXPECT_EQ(f.getMatID(), 3);
}

TEST_F(GltfImport, DiagonalsOfFlatQuadsAreHidden) {
  // The ground is one quad in two triangles: its outline shows, the cut not.
  ASSERT_TRUE(Import(MeshPath("bevelcube.glb")));
  const host::Mesh* ground = MeshOf(Node("Ground"));
  ASSERT_EQ(ground->getNumFaces(), 2);
  int visible = 0;
  for (const host::Face& f : ground->faces()) visible += f.getEdgeVis(0) + f.getEdgeVis(1) + f.getEdgeVis(2);
  EXPECT_EQ(visible, 4);
  // The cylinder's side: planar quads round a curve. Each triangle shows
  // its quad's edge along the axis and its rim edge, not the diagonal.
  const host::Mesh* cylinder = MeshOf(Node("Cylinder"));
  int side = 0;
  for (int i = 0; i < cylinder->getNumFaces(); ++i) {
    if (std::fabs(cylinder->getFaceNormal(i).y) > 0.99f) continue;  // a cap: the file's y is the axis
    ++side;
    const host::Face& f = cylinder->faces()[i];
    EXPECT_EQ(f.getEdgeVis(0) + f.getEdgeVis(1) + f.getEdgeVis(2), 2);
  }
  EXPECT_GT(side, 0);
}

// ---- Hard edges -------------------------------------------------------------------------

// Shared edges of every mesh in world space, keyed by their rounded ends,
// with the smoothing groups of the faces on them.
using EdgeFaces = std::map<std::pair<std::array<long, 3>, std::array<long, 3>>, std::vector<std::uint32_t>>;

EdgeFaces WorldEdges(INode* root) {
  EdgeFaces edges;
  auto key = [](const Point3& p) {
    return std::array<long, 3>{std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4)};
  };
  for (INode* node : AllNodes(root)) {
    const host::Mesh* m = MeshOf(node);
    if (!m) continue;
    const host::Matrix3 tm = node->GetObjectTM(0);
    for (const host::Face& f : m->faces())
      for (int e = 0; e < 3; ++e) {
        auto a = key(m->getVert(static_cast<int>(f.v[e])) * tm),
             b = key(m->getVert(static_cast<int>(f.v[(e + 1) % 3])) * tm);
        if (a == b) continue;
        edges[std::minmax(a, b)].push_back(f.smGroup);
      }
  }
  return edges;
}

// The OBJ twin of each model states its smoothing groups outright; the glTF
// file only implies them through split normals. Across every edge the two
// must agree on whether the surface is smooth.
TEST_F(GltfImport, SmoothingAgreesWithTheObjTwinOnEveryEdge) {
  for (const char* stem : {"bevelcube", "intersect", "sphere"}) {
    SCOPED_TRACE(stem);
    host::Scene objScene, glbScene;
    std::string error;
    ASSERT_TRUE(host::ImportObj(MeshPath((std::string(stem) + ".obj").c_str()), objScene, nullptr, &error)) << error;
    ASSERT_TRUE(host::ImportGltf(MeshPath((std::string(stem) + ".glb").c_str()), glbScene, nullptr, &error)) << error;
    const EdgeFaces fromObj = WorldEdges(objScene.Root()), fromGlb = WorldEdges(glbScene.Root());
    int compared = 0, hard = 0;
    for (const auto& [edge, groups] : fromGlb) {
      auto it = fromObj.find(edge);
      if (groups.size() != 2 || it == fromObj.end() || it->second.size() != 2) continue;
      const bool glbSmooth = (groups[0] & groups[1]) != 0;
      const bool objSmooth = (it->second[0] & it->second[1]) != 0;
      // Flat OBJ faces (no group) meeting in one plane are a polygon's
      // diagonal: smooth in the glTF file, which cannot tell them apart.
      if (!objSmooth && it->second[0] == 0 && it->second[1] == 0 && glbSmooth) continue;
      EXPECT_EQ(glbSmooth, objSmooth);
      ++compared;
      hard += objSmooth ? 0 : 1;
    }
    EXPECT_GT(compared, 100);
    if (std::string(stem) == "sphere") {
      EXPECT_EQ(hard, 0);
    } else {
      EXPECT_GT(hard, 10);
    }
  }
}

TEST_F(GltfImport, SmoothSphereIsOneGroupAndHardCubeSidesShareNone) {
  ASSERT_TRUE(Import(MeshPath("sphere.glb")));
  const host::Mesh* sphere = MeshOf(Node("Sphere"));
  for (const host::Face& f : sphere->faces()) EXPECT_EQ(f.smGroup, sphere->faces()[0].smGroup);
  EXPECT_NE(sphere->faces()[0].smGroup, 0u);

  scene = host::Scene();
  ASSERT_TRUE(Import(MeshPath("intersect.glb")));
  // The box: a cube needs 3 groups at least (opposite sides never touch and
  // may share one); faces of one group are never at right angles.
  const host::Mesh* box = MeshOf(Node("Box"));
  ASSERT_EQ(box->getNumFaces(), 12);
  std::set<std::uint32_t> groups;
  for (int f = 0; f < 12; ++f) {
    groups.insert(box->faces()[f].smGroup);
    for (int g = 0; g < 12; ++g)
      if (box->faces()[f].smGroup & box->faces()[g].smGroup) {
        EXPECT_NEAR(std::fabs(host::DotProd(box->getFaceNormal(f), box->getFaceNormal(g))), 1.0f, 1e-4f);
      }
  }
  EXPECT_GE(groups.size(), 3u);
  EXPECT_EQ(groups.count(0u), 0u);
}

// ---- Hand-made files ------------------------------------------------------------------------

std::string Base64(const std::vector<unsigned char>& bytes) {
  static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const unsigned v =
        (bytes[i] << 16) | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) | (i + 2 < bytes.size() ? bytes[i + 2] : 0);
    out += digits[(v >> 18) & 63];
    out += digits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? digits[v & 63] : '=';
  }
  return out;
}

// A buffer made of float and index blocks, each with its accessor.
struct BufferBuilder {
  std::vector<unsigned char> bytes;
  std::string views, accessors;
  int count = 0;

  int Floats(const std::vector<float>& v, int comps) {
    const char* type = comps == 1 ? "SCALAR" : comps == 2 ? "VEC2" : comps == 3 ? "VEC3" : "VEC4";
    return Add(v.data(), v.size() * 4, 5126, static_cast<int>(v.size()) / comps, type);
  }
  int Indices(const std::vector<std::uint16_t>& v) {
    return Add(v.data(), v.size() * 2, 5123, static_cast<int>(v.size()), "SCALAR");
  }
  int Add(const void* data, std::size_t size, int componentType, int n, const char* type) {
    while (bytes.size() % 4) bytes.push_back(0);
    const std::size_t at = bytes.size();
    bytes.resize(at + size);
    std::memcpy(bytes.data() + at, data, size);
    views += std::string(count ? "," : "") + "{\"buffer\":0,\"byteOffset\":" + std::to_string(at) +
             ",\"byteLength\":" + std::to_string(size) + "}";
    accessors += std::string(count ? "," : "") + "{\"bufferView\":" + std::to_string(count) +
                 ",\"componentType\":" + std::to_string(componentType) + ",\"count\":" + std::to_string(n) +
                 ",\"type\":\"" + type + "\"}";
    return count++;
  }
  // Everything but nodes, scenes and the like: those the test adds.
  std::string Json(const std::string& rest) const {
    return "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":" + std::to_string(bytes.size()) +
           ",\"uri\":\"data:application/octet-stream;base64," + Base64(bytes) + "\"}],\"bufferViews\":[" + views +
           "],\"accessors\":[" + accessors + "]," + rest + "}";
  }
};

// One triangle mesh (mesh 0) with positions in accessor 0 and indices in 1.
BufferBuilder Triangle(std::vector<std::uint16_t> indices = {0, 1, 2}, float x = 1.0f) {
  BufferBuilder b;
  b.Floats({0, 0, 0, x, 0, 0, 0, 1, 0}, 3);
  b.Indices(indices);
  return b;
}
const std::string kTriangleMesh =
    R"("meshes":[{"name":"Tri","primitives":[{"attributes":{"POSITION":0},"indices":1}]}])";

TEST_F(GltfImport, AnimationLightsExtrasAndMatrices) {
  BufferBuilder b = Triangle();
  const int times = b.Floats({0.0f, 1.0f, 2.0f}, 1);
  const int moves = b.Floats({0, 0, 0, 3, 0, 0, 3, 6, 0}, 3);
  const int stepTimes = b.Floats({0.0f, 1.0f}, 1);
  const int scales = b.Floats({1, 1, 1, 2, 2, 2}, 3);
  const std::string json =
      b.Json(kTriangleMesh + R"(,
    "extensionsUsed":["KHR_lights_punctual"],
    "extensions":{"KHR_lights_punctual":{"lights":[
      {"type":"spot","color":[1,0.5,0],"intensity":40,"spot":{"innerConeAngle":0.2,"outerConeAngle":0.4}},
      {"type":"directional"}]}},
    "cameras":[{"type":"orthographic","orthographic":{"xmag":4,"ymag":2,"znear":0.5,"zfar":50}}],
    "nodes":[
      {"name":"Mover","mesh":0,"extras":{"Penwright_StyleName":"Hidden-line","weight":2.5,"tags":[1,2]},"children":[1]},
      {"name":"Child","mesh":0,"matrix":[2,0,0,0, 0,2,0,0, 0,0,2,0, 1,2,3,1]},
      {"name":"Spot","extensions":{"KHR_lights_punctual":{"light":0}}},
      {"name":"Sun","extensions":{"KHR_lights_punctual":{"light":1}}},
      {"name":"Ortho","camera":0}],
    "scenes":[{"nodes":[0,2,3,4]}],
    "animations":[{"channels":[{"sampler":0,"target":{"node":0,"path":"translation"}},
                               {"sampler":1,"target":{"node":1,"path":"scale"}}],
                   "samplers":[{"input":)" +
             std::to_string(times) + R"(,"output":)" + std::to_string(moves) + R"(},
                               {"input":)" +
             std::to_string(stepTimes) + R"(,"output":)" + std::to_string(scales) + R"(,"interpolation":"STEP"}]}])");
  host::ImportSummary summary;
  ASSERT_TRUE(Import(Write("anim.gltf", json), nullptr, &summary));

  // Translation keys, turned to Z-up: the file's y is our z.
  INode* mover = Node("Mover");
  EXPECT_TRUE(summary.animated);
  EXPECT_EQ(summary.lastKey, 2 * host::TICKS_PER_SECOND);
  const Point3 mid = mover->GetNodeTM(host::TICKS_PER_SECOND * 3 / 2).GetTrans();
  EXPECT_NEAR(mid.x, 3.0f, 1e-5f);
  EXPECT_NEAR(mid.z, 3.0f, 1e-5f);
  EXPECT_NEAR(mid.y, 0.0f, 1e-5f);
  // Step keys hold until the next key; the matrix's scale and offset stay.
  INode* child = Node("Child");
  EXPECT_NEAR(child->TMController().Scale().Value(host::TICKS_PER_SECOND - 1).x, 1.0f, 1e-6f);
  EXPECT_NEAR(child->TMController().Scale().Value(host::TICKS_PER_SECOND).x, 2.0f, 1e-6f);
  EXPECT_EQ(child->TMController().Position().Value(0), Point3(1, 2, 3));

  // Extras: usable values as user properties, the rest warned about.
  std::string style;
  EXPECT_TRUE(mover->GetUserPropString("Penwright_StyleName", style));
  EXPECT_EQ(style, "Hidden-line");
  float weight = 0;
  EXPECT_TRUE(mover->GetUserPropFloat("weight", weight));
  EXPECT_EQ(weight, 2.5f);
  EXPECT_EQ(WarningsWith("nodes[0].extras.tags"), 1);

  auto* spot = dynamic_cast<host::GenLight*>(Node("Spot")->GetObjectRef());
  ASSERT_NE(spot, nullptr);
  EXPECT_EQ(spot->Type(), host::SPOT_LGT);
  EXPECT_NEAR(spot->GetFallsize(0), 2.0f * 0.4f * 180.0f / std::numbers::pi_v<float>, 1e-3f);
  EXPECT_NEAR(spot->GetHotspot(0), 2.0f * 0.2f * 180.0f / std::numbers::pi_v<float>, 1e-3f);
  EXPECT_EQ(spot->GetRGBColor(0), host::Color(1.0f, 0.5f, 0.0f));
  float intensity = 0;
  EXPECT_TRUE(Node("Spot")->GetUserPropFloat("gltf_intensity", intensity));
  EXPECT_EQ(intensity, 40.0f);
  EXPECT_EQ(dynamic_cast<host::GenLight*>(Node("Sun")->GetObjectRef())->Type(), host::DIRECT_LGT);

  auto* ortho = dynamic_cast<host::GenCamera*>(Node("Ortho")->GetObjectRef());
  ASSERT_NE(ortho, nullptr);
  EXPECT_TRUE(ortho->IsOrtho());
  host::CameraState cs;
  host::Interval valid = host::FOREVER;
  ortho->EvalCameraState(0, valid, &cs);
  EXPECT_NEAR(2.0f * cs.tdist * std::tan(cs.fov / 2.0f), 8.0f, 1e-4f);  // the view is 2 x xmag wide
  EXPECT_EQ(summary.firstCamera, Node("Ortho"));
}

TEST_F(GltfImport, BadFilesFailWithTheirPlace) {
  struct Case {
    const char* name;
    std::string json;
    std::string expected;  // part of the message, after the file's name
  };
  BufferBuilder outOfRange = Triangle({0, 1, 7});
  BufferBuilder nan = Triangle({0, 1, 2}, std::nanf(""));
  // Accessor 0 claiming more positions than its bytes hold.
  std::string overlong = Triangle().Json(kTriangleMesh + R"(,"nodes":[{"mesh":0}])");
  overlong.replace(overlong.find("\"count\":3,"), 10, "\"count\":4000000000,");
  const Case cases[] = {
      {"index out of range", outOfRange.Json(kTriangleMesh + R"(,"nodes":[{"mesh":0}])"),
       ": meshes[0].primitives[0].indices: index 7 (element 2) is out of range (3 vertices)"},
      {"NaN position", nan.Json(kTriangleMesh + R"(,"nodes":[{"mesh":0}])"),
       ": meshes[0].primitives[0].attributes.POSITION: element 1 is not a finite number"},
      {"count past the buffer", overlong,
       ": meshes[0].primitives[0].attributes.POSITION: its 4000000000 elements run past the end of their buffer"},
      {"child of itself",
       Triangle().Json(kTriangleMesh +
                       R"(,"nodes":[{"mesh":0,"children":[1]},{"children":[0]}],"scenes":[{"nodes":[0]}])"),
       ": nodes[0] appears twice in the node tree"},
      {"missing child", Triangle().Json(kTriangleMesh + R"(,"nodes":[{"mesh":0,"children":[5]}])"),
       ": nodes[0].children: node 5 does not exist"},
      {"missing buffer file",
       R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":36,"uri":"nothere.bin"}],"nodes":[]})", "nothere.bin"},
      {"malformed", "{\"asset\":", ""},
      {"buffer file a folder",
       R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":36,"uri":"/"}],"nodes":[]})", "it is a folder"},
      {"light -1",
       Triangle().Json(kTriangleMesh + R"(,"extensionsUsed":["KHR_lights_punctual"],
         "extensions":{"KHR_lights_punctual":{"lights":[{"type":"point"}]}},
         "nodes":[{"mesh":0},{"extensions":{"KHR_lights_punctual":{"light":-1}}}])"),
       ": nodes[1].extensions.KHR_lights_punctual.light: -1 does not exist (the file has 0 to 0)"},
      {"mesh -7", Triangle().Json(kTriangleMesh + R"(,"nodes":[{"mesh":-7}])"),
       ": nodes[0].mesh: -7 does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    scene = host::Scene();
    const std::string path = Write("bad.gltf", c.json);
    std::string error;
    EXPECT_FALSE(Import(path, &error));
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    EXPECT_EQ(scene.Root()->NumberOfChildren(), 0) << "a failed import leaves the scene alone";
  }
}

// A file cut short anywhere fails with a message (or, cut inside padding,
// still reads); it never crashes or half-changes the scene.
TEST_F(GltfImport, TruncatedFilesFailCleanly) {
  std::string bytes;
  {
    std::ifstream in(MeshPath("bevelcube.glb"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_GT(bytes.size(), 1000u);
  for (std::size_t len = 0; len < bytes.size(); len += len < 200 ? 1 : 97) {
    SCOPED_TRACE(len);
    scene = host::Scene();
    const std::string path = Write("cut.glb", bytes.substr(0, len));
    std::string error;
    if (!Import(path, &error)) {
      EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
      EXPECT_EQ(scene.Root()->NumberOfChildren(), 0);
    }
  }
}

// Files a model names are as untrusted as the model: a pipe is refused
// unopened (opening it would wait for a writer for ever).
TEST_F(GltfImport, BufferFileThatIsAPipeIsRefused) {
  const std::string fifo = (dir / "buffer.bin").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string path =
      Write("pipe.gltf", R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":36,"uri":"buffer.bin"}],"nodes":[]})");
  std::string error;
  EXPECT_FALSE(Import(path, &error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

// Many primitives reading one accessor set weld into a handful of vertices
// whose edges are shared by every copy: import time must stay near linear
// in the faces (it used to grow with their square, and ran out of memory).
TEST_F(GltfImport, PrimitivesSharingOneAccessorSetImportInLinearTime) {
  BufferBuilder b;
  b.Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, 3);
  b.Floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, 3);
  b.Indices({0, 1, 2, 0, 2, 3});
  constexpr int kCopies = 20000;
  std::string prims;
  for (int i = 0; i < kCopies; ++i)
    prims += std::string(i ? "," : "") + R"({"attributes":{"POSITION":0,"NORMAL":1},"indices":2})";
  const std::string path =
      Write("copies.gltf", b.Json(R"("meshes":[{"name":"Quad","primitives":[)" + prims + R"(]}],"nodes":[{"mesh":0}])"));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Import(path));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // Quadratic work takes minutes here; linear work a fraction of a second.
  EXPECT_LT(seconds, 15.0);
  host::Mesh* mesh = MeshOf(Node("Quad"));
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->getNumFaces(), 2 * kCopies);
  EXPECT_EQ(mesh->getNumVerts(), 4);
  // All copies are one smooth surface: they share a group.
  const std::uint32_t group = mesh->faces()[0].smGroup;
  EXPECT_NE(group, 0u);
  for (const host::Face& f : mesh->faces()) ASSERT_NE(f.smGroup & group, 0u);
}

TEST_F(GltfImport, OtherPrimitiveModesAndMissingTexturesAreWarnings) {
  BufferBuilder b = Triangle();
  const std::string json = b.Json(R"("meshes":[{"primitives":[
      {"attributes":{"POSITION":0},"indices":1,"mode":1},
      {"attributes":{"POSITION":0},"indices":1,"material":0}]}],
    "materials":[{"name":"Painted","pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],
    "textures":[{"source":0}], "images":[{"uri":"missing%20paint.png"}],
    "nodes":[{"mesh":0}])");
  ASSERT_TRUE(Import(Write("modes.gltf", json)));
  EXPECT_EQ(pwtest::TotalFaces(scene.Root()), 1);
  EXPECT_EQ(WarningsWith("meshes[0].primitives[0]: mode 1"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith("missing%20paint.png"), 1) << AllWarnings();
  auto* multi = dynamic_cast<host::MultiMtl*>(scene.Root()->GetChildNode(0)->GetMtl());
  ASSERT_NE(multi, nullptr);
  auto* painted = dynamic_cast<host::StdMat*>(multi->GetSubMtl(0));
  ASSERT_NE(painted, nullptr);
  auto* tex = dynamic_cast<host::BitmapTex*>(painted->GetSubTexmap(host::ID_DI));
  ASSERT_NE(tex, nullptr);
  EXPECT_EQ(std::filesystem::path(tex->GetMapName()).filename(), "missing paint.png");
}

}  // namespace

namespace {

// A vertex attribute _THICKNESS is the painted line thickness: it lands in
// vertex-data channel 2, one value per (welded) vertex; a count that does
// not match the positions is an error naming the attribute.
TEST_F(GltfImport, ThicknessAttributeBecomesPaintedThickness) {
  BufferBuilder b = Triangle();
  const int thick = b.Floats({0.0f, 0.5f, 1.0f}, 1);
  const std::string mesh = R"("meshes":[{"name":"Tri","primitives":[{"attributes":{"POSITION":0,"_THICKNESS":)" +
                           std::to_string(thick) + R"(},"indices":1}]}])";
  ASSERT_TRUE(Import(Write("thick.gltf", b.Json(mesh + R"(,"nodes":[{"name":"T","mesh":0}],"scenes":[{"nodes":[0]}])"))));
  auto* tri = dynamic_cast<host::TriObject*>(Node("T")->GetObjectRef());
  ASSERT_NE(tri, nullptr);
  ASSERT_TRUE(tri->mesh.vDataSupport(host::VDATA_ALPHA));
  const auto values = tri->mesh.vertexFloat(host::VDATA_ALPHA);
  EXPECT_EQ(std::vector<float>(values.begin(), values.end()), (std::vector<float>{0.0f, 0.5f, 1.0f}));

  BufferBuilder bad = Triangle();
  const int two = bad.Floats({0.0f, 0.5f}, 1);
  const std::string badMesh = R"("meshes":[{"name":"Tri","primitives":[{"attributes":{"POSITION":0,"_THICKNESS":)" +
                              std::to_string(two) + R"(},"indices":1}]}])";
  std::string error;
  EXPECT_FALSE(
      Import(Write("bad.gltf", bad.Json(badMesh + R"(,"nodes":[{"name":"T","mesh":0}],"scenes":[{"nodes":[0]}])")),
             &error));
  EXPECT_NE(error.find("attributes._THICKNESS: 2 values for 3 positions"), std::string::npos) << error;
}

}  // namespace
