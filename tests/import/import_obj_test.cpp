#include "import/import_obj.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

class ObjImport : public pwtest::ImportTest {
 protected:
  bool Import(const std::string& path, std::string* error = nullptr) {
    std::string e;
    const bool ok = host::ImportObj(path, scene, nullptr, &e);
    if (error) *error = e;
    if (!ok && !error) ADD_FAILURE() << e;
    return ok;
  }
  INode* Node(const char* name) { return host::FindNodeByName(scene.Root(), name); }
  host::Mesh* Only() { return MeshOf(scene.Root()->GetChildNode(0)); }
  host::Scene scene;
};

// Faces per value of a statement ('s' or 'usemtl') in effect, read straight
// from the text: the reference the import is checked against.
std::map<std::string, int> FacesPer(const std::string& path, const std::string& statement, const std::string& none) {
  std::ifstream in(path);
  std::map<std::string, int> count;
  std::string line, current = none;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::string key, value;
    ls >> key;
    if (key == statement) {
      std::getline(ls >> std::ws, value);
      current = value == "off" ? "0" : value;
    } else if (key == "o" && statement == "s") {
      current = none;
    } else if (key == "f") {
      ++count[current];
    }
  }
  return count;
}

TEST_F(ObjImport, TestMeshesHaveTheirObjectsAndFaces) {
  struct Case {
    const char* file;
    int faces;
    int vertices;
    std::vector<const char*> nodes;
    bool materials;
  };
  const Case cases[] = {
      {"bevelcube.obj", 490, 252, {"BevelCube", "Ground", "Cylinder"}, true},
      {"bunny.obj", 3674, 1839, {"bunny"}, false},
      {"intersect.obj", 4168, 2090, {"Sphere", "Rod", "Box"}, true},
      {"sphere.obj", 3968, 1986, {"Sphere"}, true},
      {"suzanne0.obj", 968, 507, {"Suzanne"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    scene = host::Scene();
    ASSERT_TRUE(Import(MeshPath(c.file)));
    EXPECT_EQ(pwtest::TotalFaces(scene.Root()), c.faces);
    int vertices = 0;
    for (INode* n : AllNodes(scene.Root())) vertices += MeshOf(n) ? MeshOf(n)->getNumVerts() : 0;
    EXPECT_EQ(vertices, c.vertices);
    ASSERT_EQ(scene.Root()->NumberOfChildren(), static_cast<int>(c.nodes.size()));
    for (std::size_t i = 0; i < c.nodes.size(); ++i) {
      INode* node = scene.Root()->GetChildNode(static_cast<int>(i));
      EXPECT_EQ(node->GetName(), c.nodes[i]);
      EXPECT_EQ(MeshOf(node)->checkIntegrity(), "");
      EXPECT_EQ(node->GetMtl() != nullptr, c.materials);
    }
    EXPECT_TRUE(warnings.empty()) << AllWarnings();
  }
}

TEST_F(ObjImport, SmoothingGroupsAndMaterialsFollowTheFile) {
  const std::string path = MeshPath("bevelcube.obj");
  ASSERT_TRUE(Import(path));
  auto* multi = dynamic_cast<host::MultiMtl*>(Node("BevelCube")->GetMtl());
  ASSERT_NE(multi, nullptr);
  ASSERT_EQ(multi->NumSubMtls(), 4);  // the library's order, no "Default": every face has one

  std::map<std::string, int> groups, materials;
  for (INode* n : AllNodes(scene.Root())) {
    EXPECT_EQ(n->GetMtl(), multi);
    for (const host::Face& f : MeshOf(n)->faces()) {
      groups[std::to_string(f.smGroup)]++;
      materials[multi->GetSubMtlSlotName(f.getMatID())]++;
    }
  }
  // Groups 0, 1 and 6 are bits none, 0 and 5.
  std::map<std::string, int> expected = FacesPer(path, "s", "0");
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(groups, (std::map<std::string, int>{{"0", expected["0"]}, {"1", expected["1"]}, {"32", expected["6"]}}));
  EXPECT_EQ(materials, FacesPer(path, "usemtl", "?"));

  auto* top = dynamic_cast<host::StdMat*>(multi->GetSubMtl(3));
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(multi->GetSubMtlSlotName(3), "Top");
  EXPECT_EQ(top->GetDiffuse(), host::Color(0.85f, 0.2f, 0.15f));
  EXPECT_NEAR(top->GetShininess(), 0.5f, 1e-6f);  // Ns 250
  EXPECT_NEAR(top->GetShinStr(), 0.5f, 1e-6f);    // Ks 0.5
}

TEST_F(ObjImport, FilesAreYUpAndTheSceneZUp) {
  ASSERT_TRUE(Import(MeshPath("bevelcube.obj")));
  // The box stands on the ground: its file y runs 0..2, so its z does here.
  INode* cube = Node("BevelCube");
  const host::Box3 box = MeshOf(cube)->getBoundingBox(&static_cast<const host::Matrix3&>(cube->GetObjectTM(0)));
  EXPECT_NEAR(box.pmin.z, 0.0f, 1e-5f);
  EXPECT_NEAR(box.pmax.z, 2.0f, 1e-5f);
}

TEST_F(ObjImport, ConcavePolygonsAreCutInsideWithHiddenDiagonals) {
  // An L-shaped hexagon whose fan from its first corner would cover the
  // missing square, a quad with texture coordinates, and smoothing groups
  // past 32.
  const std::string path = Write("shapes.obj", R"(v 1 1 0
v 0 2 0
v 0 0 0
v 2 0 0
v 2 1 0
v 2 2 0
v 1 2 0
vt 0 0
vt 1 0
vt 1 1
vt 0 1
s 33
f 4 5 1 7 2 3
s 32
f 3/1 4/2 6/3 2/4
)");
  ASSERT_TRUE(Import(path));
  const host::Mesh* m = Only();
  ASSERT_EQ(m->getNumFaces(), 4 + 2);
  float area = 0.0f;
  int visible = 0;
  for (int f = 0; f < 4; ++f) {
    const host::Face& face = m->faces()[f];
    const Point3 n =
        host::CrossProd(m->getVert(face.v[1]) - m->getVert(face.v[0]), m->getVert(face.v[2]) - m->getVert(face.v[0]));
    EXPECT_GE(n.z, 0.0f) << "every triangle keeps the polygon's winding";
    area += n.z / 2.0f;
    for (int e = 0; e < 3; ++e) visible += face.getEdgeVis(e) ? 1 : 0;
    EXPECT_EQ(face.smGroup, 1u);  // 33 wraps round to bit 0
  }
  EXPECT_NEAR(area, 3.0f, 1e-5f);  // the L's area: no triangle outside it
  EXPECT_EQ(visible, 6);           // the outline's six edges; the diagonals hidden
  EXPECT_EQ(m->faces()[4].smGroup, 0x80000000u);
  ASSERT_TRUE(m->mapSupport(1));
  // The quad's corners keep their coordinates; the hexagon's get (0, 0).
  for (int k = 0; k < 3; ++k) {
    const Point3 uv = m->mapVerts(1)[m->mapFaces(1)[4].t[k]];
    const Point3 p = m->getVert(m->faces()[4].v[k]);
    EXPECT_EQ(uv.x, p.x / 2.0f);
    EXPECT_EQ(uv.y, p.y / 2.0f);
  }
  EXPECT_EQ(m->mapVerts(1)[m->mapFaces(1)[0].t[0]], Point3());
}

TEST_F(ObjImport, PolygonsWithMoreCornersThanAByteCounts) {
  std::string text;
  const int n = 300;
  for (int i = 0; i < n; ++i) {
    const double a = 2.0 * 3.14159265358979 * i / n;
    text += "v " + std::to_string(std::cos(a)) + " " + std::to_string(std::sin(a)) + " 0\n";
  }
  text += "f";
  for (int i = 1; i <= n; ++i) text += " " + std::to_string(i);
  text += "\nf 1 2 3\n";
  ASSERT_TRUE(Import(Write("big.obj", text)));
  EXPECT_EQ(Only()->getNumFaces(), n - 2 + 1);
}

TEST_F(ObjImport, BadFilesFailWithFileAndLine) {
  struct Case {
    const char* name;
    const char* text;
    const char* expected;  // after "<path>:"
  };
  const Case cases[] = {
      {"index out of range", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n",
       "4: vertex index 9 is out of range (the file has 3 vertices)"},
      {"negative index out of range", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -7\n", "4: vertex index"},
      {"texture index out of range", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/4\n",
       "5: texture coordinate index 4 is out of range"},
      {"NaN", "v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n", "2: vertex coordinate 'nan' is not a finite number"},
      {"infinite", "v 0 0 0\nv 1e999 0 0\n", "2: vertex coordinate '1e999' is too large for a coordinate"},
      {"not a number", "v 0 0 zero\n", "1: vertex coordinate 'zero' is not a number"},
      {"short vertex", "v 0 0\n", "1: vertex needs 3 coordinates"},
      {"malformed face", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 0\n", " "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    scene = host::Scene();
    const std::string path = Write("bad.obj", c.text);
    std::string error;
    EXPECT_FALSE(Import(path, &error));
    EXPECT_EQ(error.rfind(path + ":" + c.expected, 0), 0u) << error;
    EXPECT_EQ(scene.Root()->NumberOfChildren(), 0);
  }
  std::string error;
  EXPECT_FALSE(Import((dir / "absent.obj").string(), &error));
  EXPECT_NE(error.find("cannot read '" + (dir / "absent.obj").string() + "'"), std::string::npos) << error;
}

TEST_F(ObjImport, SurvivableProblemsAreWarnedAboutWithTheirLine) {
  const std::string path = Write("odd.obj", R"(mtllib nowhere.mtl
v 0 0 0
v 1 0 0
v 0 1 0
v 1 1 0
usemtl Ghost
f 1 1 2
f 1 2
f 1 2 2 4 3
l 1 2
)");
  ASSERT_TRUE(Import(path));
  EXPECT_EQ(WarningsWith(path + ":1: material library 'nowhere.mtl' not found"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith(path + ":6: material 'Ghost' is not in the material libraries"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith(path + ":8: a face needs at least 3 corners"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith(path + ":7: 2 faces name a vertex twice"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith("lines and points"), 1) << AllWarnings();
  // The flat triangle stays (for the renderer to ignore); the pentagon with
  // a repeat in a row is a quad.
  const host::Mesh* m = Only();
  ASSERT_EQ(m->getNumFaces(), 1 + 2);
  EXPECT_EQ(m->faces()[0].v[0], m->faces()[0].v[1]);
  // No face has a known material: the object gets none.
  EXPECT_EQ(scene.Root()->GetChildNode(0)->GetMtl(), nullptr);
}

// Values the parser would take without a word are warned about with their
// line: not a number → ignored (the material keeps what it had), out of
// range → clamped.
TEST_F(ObjImport, BadMaterialValuesAreWarnedAboutWithTheirLine) {
  const std::string lib = Write("bad.mtl", R"(newmtl First
Kd 0.2 0.4 0.6
Kd nan nan nan
d -1
Ns -5
newmtl Second
Kd abc
Ks 0.5 -2 0.5
d 0.5
Tr 3
Ns 20
)");
  const std::string path = Write("bad.obj", R"(mtllib bad.mtl
v 0 0 0
v 1 0 0
v 0 1 0
usemtl First
f 1 2 3
usemtl Second
f 1 3 2
)");
  ASSERT_TRUE(Import(path));
  EXPECT_EQ(WarningsWith(lib + ":3: 'Kd nan nan nan' is not a diffuse colour; the line is ignored"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith(lib + ":4: 'd -1' is not an opacity from 0 to 1; it is taken as 0"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith(lib + ":5: 'Ns -5' is not a specular exponent of 0 or more; it is taken as 0"), 1)
      << AllWarnings();
  EXPECT_EQ(WarningsWith(lib + ":7: 'Kd abc' is not a diffuse colour; the line is ignored"), 1) << AllWarnings();
  EXPECT_EQ(WarningsWith(lib + ":8: 'Ks 0.5 -2 0.5' is not a specular colour; negative parts are taken as 0"), 1)
      << AllWarnings();
  EXPECT_EQ(WarningsWith(lib + ":10: 'Tr 3' is not a transparency from 0 to 1; it is taken as 1"), 1)
      << AllWarnings();
  EXPECT_EQ(WarningsWith("finite"), 0) << "one warning per line, not another at the material: " << AllWarnings();

  auto* multi = dynamic_cast<host::MultiMtl*>(scene.Root()->GetChildNode(0)->GetMtl());
  ASSERT_NE(multi, nullptr);
  auto* first = dynamic_cast<host::StdMat*>(multi->GetSubMtl(0));
  auto* second = dynamic_cast<host::StdMat*>(multi->GetSubMtl(1));
  ASSERT_TRUE(first && second);
  // The good Kd before the bad one stands; d clamped to 0; Ns to 0.
  EXPECT_EQ(first->GetDiffuse(), host::Color(0.2f, 0.4f, 0.6f));
  EXPECT_FLOAT_EQ(first->GetOpacity(0), 0.0f);
  EXPECT_FLOAT_EQ(first->GetShininess(), 0.0f);
  // No good Kd: the parser's default (black), and no NaN anywhere.
  EXPECT_EQ(second->GetDiffuse(), host::Color(0.0f, 0.0f, 0.0f));
  EXPECT_FLOAT_EQ(second->GetOpacity(0), 0.5f) << "d wins over Tr, as the reader has it";
  EXPECT_TRUE(std::isfinite(second->GetShinStr()));
}

// A pipe given as the model, or as its material library, is refused
// unopened: opening it would wait for a writer for ever.
TEST_F(ObjImport, PipesAreRefusedNotOpened) {
  const std::string fifo = (dir / "model.obj").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string error;
  EXPECT_FALSE(Import(fifo, &error));
  EXPECT_EQ(error, "cannot read '" + fifo + "': not a regular file (a pipe, socket or device)");
  const std::string lib = (dir / "lib.mtl").string();
  ASSERT_EQ(::mkfifo(lib.c_str(), 0600), 0);
  const std::string path = Write("tri.obj", "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  ASSERT_TRUE(Import(path));
  EXPECT_EQ(WarningsWith("cannot read '" + lib + "': not a regular file"), 1) << AllWarnings();
}

TEST_F(ObjImport, MaterialLibraryTexturesAndDefaultSlot) {
  Write("lib.mtl", R"(newmtl Painted
Kd 1 1 1
Ks 0 0 0
Ns 1000
d 0.25
map_Kd -s 2 3 1 -o 0.5 0 0 -clamp on paint.png
)");
  const std::string path = Write("tex.obj", R"(mtllib lib.mtl
v 0 0 0
v 1 0 0
v 0 1 0
f 1 2 3
usemtl Painted
f 1 3 2
)");
  ASSERT_TRUE(Import(path));
  EXPECT_EQ(WarningsWith("texture 'paint.png' not found"), 1) << AllWarnings();
  auto* multi = dynamic_cast<host::MultiMtl*>(scene.Root()->GetChildNode(0)->GetMtl());
  ASSERT_NE(multi, nullptr);
  ASSERT_EQ(multi->NumSubMtls(), 2);
  EXPECT_EQ(multi->GetSubMtlSlotName(1), "Default");
  EXPECT_EQ(Only()->faces()[0].getMatID(), 1);
  EXPECT_EQ(Only()->faces()[1].getMatID(), 0);
  auto* painted = dynamic_cast<host::StdMat*>(multi->GetSubMtl(0));
  ASSERT_NE(painted, nullptr);
  EXPECT_NEAR(painted->GetOpacity(0), 0.25f, 1e-6f);
  EXPECT_NEAR(painted->GetShininess(), 1.0f, 1e-6f);
  EXPECT_EQ(painted->GetShinStr(), 0.0f);
  auto* tex = dynamic_cast<host::BitmapTex*>(painted->GetSubTexmap(host::ID_DI));
  ASSERT_NE(tex, nullptr);
  EXPECT_EQ(tex->GetMapName(), (dir / "paint.png").string());
  EXPECT_EQ(tex->GetUTiling(), 2.0f);
  EXPECT_EQ(tex->GetVTiling(), 3.0f);
  EXPECT_EQ(tex->GetUOffset(), 0.5f);
  EXPECT_FALSE(tex->GetUWrap());
}

}  // namespace
