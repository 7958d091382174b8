// Art materials from more than one file (a description's own and one the
// command line adds), one style for every mesh, and the styles of included
// model files' nodes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "art_materials_fixture.h"
#include "host/scene/host_classes.h"
#include "library/style_assignment.h"
#include "plugin/class_ids.h"
#include "styles/style.h"

namespace pw::test {
namespace {

namespace fs = std::filesystem;

class ArtMaterialsSections : public ArtMaterialsTest {
 protected:
  void SetUp() override {
    ArtMaterialsTest::SetUp();
    dir = fs::temp_directory_path() / ("pw_sections_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    ArtMaterialsTest::TearDown();
  }

  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }

  host::JsonValue Parse(const std::string& json) {
    host::JsonValue v;
    std::string error;
    EXPECT_TRUE(host::ParseJson(json, v, &error)) << error;
    return v;
  }

  // The sections as "scene.json" and "extra.json" would hand them over.
  bool ApplyTwo(const std::string& own, const std::string& extra, std::string* error) {
    const host::JsonValue a = Parse(own), b = Parse(extra);
    return ApplyArtMaterialsSections({{&a, "scene.json"}, {&b, "extra.json"}}, *scene, "scene.json", error);
  }

  std::string StyleName(const char* node) {
    host::INode* n = host::FindNodeByName(scene->Root(), node);
    if (!n) return "(no node)";
    const PwObject* style = StyleOfNode(*n, *Library());
    return style ? style->GetName() : "(none)";
  }

  fs::path dir;
};

TEST_F(ArtMaterialsSections, ALaterSectionBuildsOnAnEarlierOne) {
  Mesh("Named", "Mine, dashed");  // defined only by the second section
  Mesh("Plain");
  Mesh("Own", "Cel");
  std::string error;
  ASSERT_TRUE(ApplyTwo(R"j({"styles": [{"name": "Mine", "from": "Hidden-line", "surfaceOn": false}]})j",
                       R"j({"strokes": [{"name": "Long dash", "from": "Dashed", "scale": 4}],
                           "styles": [{"name": "Mine, dashed", "from": "Mine",
                                       "lines": {"Fold": {"visible": {"stroke": "Long dash"}}}}],
                           "defaultStyle": "Mine, dashed"})j",
                       &error))
      << error;
  EXPECT_EQ(StyleName("Named"), "Mine, dashed");
  EXPECT_EQ(StyleName("Plain"), "Mine, dashed");
  EXPECT_EQ(StyleName("Own"), "Cel");
  auto* style = dynamic_cast<PwStyle*>(Library()->Get(Library()->Find(PW_STYLE_CLASS_ID, "Mine, dashed")));
  ASSERT_NE(style, nullptr);
  EXPECT_FALSE(style->DrawsSurface()) << "copied from the first section's style";

  // The first section's defaultStyle comes first; the second's finds no mesh left.
  scene = std::make_unique<host::Scene>();
  Mesh("Plain");
  ASSERT_TRUE(ApplyTwo(R"j({"defaultStyle": "Comic"})j", R"j({"defaultStyle": "Cel"})j", &error)) << error;
  EXPECT_EQ(StyleName("Plain"), "Comic");
}

TEST_F(ArtMaterialsSections, EachSectionsMistakesNameItsFile) {
  struct Case {
    const char* own;
    const char* extra;
    const char* message;
  };
  const Case cases[] = {
      {R"j({"styles": [{"name": "Mine"}]})j", R"j({"styles": [{"name": "Mine"}]})j",
       "extra.json: artMaterials.styles[0].name: the library has a style named 'Mine' already"},
      {"{}", R"j({"defaultStyle": "Nope"})j", "extra.json: artMaterials.defaultStyle: no style is named 'Nope'"},
      {"{}", R"j({"colours": []})j", "extra.json: artMaterials.colours: unknown key"},
      {R"j({"paints": 1})j", "{}", "scene.json: artMaterials.paints: expected an array"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    scene = std::make_unique<host::Scene>();
    std::string error;
    EXPECT_FALSE(ApplyTwo(c.own, c.extra, &error));
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
  }
  // A node's unknown style is the scene's mistake, listing every section's styles.
  scene = std::make_unique<host::Scene>();
  Mesh("Box", "Mien");
  std::string error;
  EXPECT_FALSE(ApplyTwo("{}", R"j({"styles": [{"name": "Mine"}]})j", &error));
  EXPECT_EQ(error.rfind("scene.json: node 'Box': no style is named 'Mien'; the styles are 'Default', ", 0), 0u)
      << error;
  EXPECT_NE(error.find("'Max Material' and 'Mine'"), std::string::npos) << error;
}

TEST_F(ArtMaterialsSections, OneStyleForEveryMesh) {
  host::INode* own = Mesh("Own", "Cel");
  host::INode* plain = Mesh("Plain");
  host::INode* dummy = scene->CreateNode("Dummy", new host::DummyObject());
  std::string error;
  ASSERT_TRUE(ApplyArtMaterialsJson(nullptr, *scene, "scene.json", &error)) << error;
  ASSERT_TRUE(AssignStyleToAllMeshes(*scene, "Hidden-line", &error)) << error;
  EXPECT_EQ(StyleName("Own"), "Hidden-line") << "replaces the node's own";
  EXPECT_EQ(StyleName("Plain"), "Hidden-line");
  std::string name;
  EXPECT_TRUE(plain->GetUserPropString(PW_PROP_STYLE_NAME, name));
  EXPECT_EQ(name, "Hidden-line") << "what info shows";
  EXPECT_FALSE(dummy->UserPropExists(PW_PROP_PROPERTIES_VERSION)) << "only meshes are drawn with a style";

  // An unknown name changes nothing and lists the styles.
  const StyleAssignment before = ReadStyleAssignment(*own, Library());
  EXPECT_FALSE(AssignStyleToAllMeshes(*scene, "Hidden line", &error));
  EXPECT_EQ(error, "no style is named 'Hidden line'; the styles are 'Default', 'Outlines', 'Hidden-line', "
                   "'Wireframe', 'Flat Toon', 'Cel', 'Comic', 'Cartoon' and 'Max Material'");
  EXPECT_EQ(ReadStyleAssignment(*own, Library()), before);
}

TEST_F(ArtMaterialsSections, TheSectionOfAFile) {
  host::JsonValue section;
  std::string error;
  ASSERT_TRUE(ReadArtMaterialsFile(Write("a.json", R"j({"nodes": 5, "artMaterials": {"defaultStyle": "Cel"}})j"),
                                   &section, &error))
      << error;
  ASSERT_NE(section.Find("defaultStyle"), nullptr) << "the other keys are not read";
  EXPECT_EQ(section.Find("defaultStyle")->text, "Cel");

  const std::string none = Write("none.json", R"j({"styles": []})j");
  EXPECT_FALSE(ReadArtMaterialsFile(none, &section, &error));
  EXPECT_EQ(error, none + ": the file has no \"artMaterials\" section");
}

// The styles of included nodes, in their order: the entry's "styles" by
// name (over the file's own), the file's own (glTF extras), the entry's
// "style", then "defaultStyle".
TEST_F(ArtMaterialsSections, IncludedNodesGetTheirStyles) {
  fs::copy_file(std::string(PW_TESTDATA_DIR) + "/bevelcube.glb", dir / "bevelcube.glb");
  Write("extras.gltf", R"j({"asset": {"version": "2.0"},
    "buffers": [{"byteLength": 36, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}],
    "bufferViews": [{"buffer": 0, "byteLength": 36}],
    "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
    "nodes": [{"name": "Marked", "mesh": 0, "extras": {"Penwright_StyleName": "Comic"}},
              {"name": "Overruled", "mesh": 0, "extras": {"Penwright_StyleName": "Comic"}},
              {"name": "Unmarked", "mesh": 0}],
    "scenes": [{"nodes": [0, 1, 2]}]})j");
  const std::string path = Write("scene.json", R"j({
    "include": [{"file": "bevelcube.glb", "style": "Cel", "styles": {"Ground": "Outlines"}},
                {"file": "extras.gltf", "styles": {"Overruled": "Wireframe"}}],
    "meshes": [{"name": "Tri", "vertices": [[0, 0, 0], [1, 0, 0], [0, 1, 0]], "faces": [[0, 1, 2]]}],
    "nodes": [{"name": "Own", "mesh": "Tri"}],
    "artMaterials": {"defaultStyle": "Hidden-line"}})j");
  std::string error;
  ASSERT_TRUE(LoadSceneWithArtMaterials(path, *scene, &error)) << error;
  EXPECT_EQ(StyleName("BevelCube"), "Cel");
  EXPECT_EQ(StyleName("Cylinder"), "Cel");
  EXPECT_EQ(StyleName("Ground"), "Outlines");
  EXPECT_EQ(StyleName("Marked"), "Comic");
  EXPECT_EQ(StyleName("Overruled"), "Wireframe");
  EXPECT_EQ(StyleName("Unmarked"), "Hidden-line");
  EXPECT_EQ(StyleName("Own"), "Hidden-line");

  // A style the library does not have is found once the art materials stand.
  const std::string wrong =
      Write("wrong.json", R"j({"include": {"file": "bevelcube.glb", "styles": {"Ground": "Outline"}}})j");
  scene = std::make_unique<host::Scene>();
  EXPECT_FALSE(LoadSceneWithArtMaterials(wrong, *scene, &error));
  EXPECT_EQ(error.rfind(wrong + ": node 'Ground': no style is named 'Outline'; the styles are ", 0), 0u) << error;
}

}  // namespace
}  // namespace pw::test
