#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/render_mesh.h"
#include "host/scene/modifier_select.h"
#include "host/scene/object_derived.h"
#include "lines/edge_id_modifier.h"
#include "lines/line_modifiers.h"
#include "lines/restrict_si.h"
#include "scene_io/scene_input.h"
#include "support/import_test_support.h"

namespace {

using host::INode;

class SceneJsonModifiers : public pwtest::ImportTest {
 protected:
  std::string Load(const std::string& json) {
    path = Write("scene.json", json);
    std::string error;
    if (!host::LoadSceneInput(path, scene, &error, &info)) return error.empty() ? "(no message)" : error;
    return "";
  }
  INode* Node(const char* name) { return host::FindNodeByName(scene.Root(), name); }
  static host::DerivedObject* Stack(INode* node) {
    return node ? dynamic_cast<host::DerivedObject*>(node->GetObjectRef()) : nullptr;
  }
  template <class M>
  static M* Mod(INode* node, int i) {
    host::DerivedObject* stack = Stack(node);
    return stack ? dynamic_cast<M*>(stack->GetModifier(i)) : nullptr;
  }

  std::string path;
  host::Scene scene;
  host::SceneInputInfo info;
};

// A square of two triangles sharing the edge 0-2, and a lone triangle.
const std::string kMeshes = R"("meshes": [
  {"name": "Quad", "vertices": [[0,0,0],[1,0,0],[1,1,0],[0,1,0]], "faces": [[0,1,2],[0,2,3]]},
  {"name": "Tri", "vertices": [[0,0,0],[1,0,0],[0,1,0]], "faces": [[0,1,2]]}])";

host::BitArray Bits(int n, std::initializer_list<int> set) {
  host::BitArray b(n);
  for (int i : set) b.Set(i);
  return b;
}

TEST_F(SceneJsonModifiers, TheListIsTheStackFromTheBottomUp) {
  ASSERT_EQ(Load("{" + kMeshes + R"(, "nodes": [{"name": "Q", "mesh": "Quad", "modifiers": [
      {"type": "edgeId", "id": 2, "edges": [[2, 0], [0, 1]]},
      {"type": "restrictSI", "withOthers": true, "faces": [1]},
      {"type": "edgeId", "id": 8, "edges": [[2, 3]], "enabled": false}]}]})"),
            "");
  INode* q = Node("Q");
  ASSERT_NE(Stack(q), nullptr);
  ASSERT_EQ(Stack(q)->NumModifiers(), 6);
  // Each entry is a Mesh Select with its line modifier right above it.
  for (int i : {1, 3, 5}) EXPECT_NE(Mod<host::MeshSelectMod>(q, i), nullptr) << i;
  auto* last = Mod<pw::PwEdgeIDModifier>(q, 0);
  auto* restriction = Mod<pw::PwRestrictSI>(q, 2);
  auto* first = Mod<pw::PwEdgeIDModifier>(q, 4);
  ASSERT_TRUE(last && restriction && first);
  EXPECT_EQ(first->GetEdgeID(), 1);
  EXPECT_TRUE(first->IsEnabled());
  EXPECT_EQ(last->GetEdgeID(), 7);
  EXPECT_FALSE(last->IsEnabled());
  EXPECT_TRUE(restriction->GetWithinObject());
  EXPECT_TRUE(restriction->GetWithOthers());

  q->EvalWorldState(0);
  // 0-2 is edge 2 of face 0 and edge 0 of face 1; 0-1 is edge 0 of face 0.
  EXPECT_EQ(first->EdgeSelection(), Bits(6, {0, 2, 3}));
  EXPECT_EQ(restriction->FaceSelection(), Bits(2, {1}));

  // What line generation then asks.
  pw::PwRenderMesh rm;
  copyHostMesh(static_cast<host::TriObject*>(Stack(q)->GetObjRef())->mesh, rm);
  const std::vector<std::uint8_t> on(5, 1);
  pw::ActiveEdgeIds ids;
  pw::CollectActiveEdgeIds(q, 0, rm, on, ids);
  ASSERT_EQ(ids.Count(), 1);
  EXPECT_EQ(ids.subItems[0], 1);
  EXPECT_EQ(pw::EdgeIdSubItemOf(ids, rm, 0, 2, 1, 0), 1);
  EXPECT_EQ(pw::EdgeIdSubItemOf(ids, rm, 2, 3, 1, pw::kNoSecondFace), -1);
  host::BitArray faces;
  EXPECT_TRUE(pw::RestrictedFaces(q, true, faces));
  EXPECT_EQ(faces, Bits(2, {1}));
}

TEST_F(SceneJsonModifiers, DefaultsAndEmptySelections) {
  ASSERT_EQ(Load("{" + kMeshes + R"(, "nodes": [{"mesh": "Tri", "modifiers": [
      {"type": "restrictSI", "faces": []}, {"type": "edgeId", "edges": []}]}]})"),
            "");
  // Still named for what it shows under its stack.
  INode* node = Node("Mesh");
  ASSERT_NE(node, nullptr);
  auto* tagger = Mod<pw::PwEdgeIDModifier>(node, 0);
  auto* restriction = Mod<pw::PwRestrictSI>(node, 2);
  ASSERT_TRUE(tagger && restriction);
  EXPECT_EQ(tagger->GetShownEdgeID(), 1);
  EXPECT_TRUE(restriction->GetWithinObject());
  EXPECT_FALSE(restriction->GetWithOthers());
  node->EvalWorldState(0);
  EXPECT_TRUE(tagger->EdgeSelection().IsEmpty());
  host::BitArray faces;
  EXPECT_FALSE(pw::RestrictedFaces(node, false, faces));
}

TEST_F(SceneJsonModifiers, NodesSharingAMeshKeepTheirOwnSelections) {
  ASSERT_EQ(Load("{" + kMeshes + R"(, "nodes": [
      {"name": "A", "mesh": "Quad", "modifiers": [{"type": "edgeId", "edges": [[0, 1]]}]},
      {"name": "B", "mesh": "Quad", "modifiers": [{"type": "edgeId", "edges": [[2, 3]]}]},
      {"name": "C", "mesh": "Quad"}]})"),
            "");
  Node("A")->EvalWorldState(0);
  Node("B")->EvalWorldState(0);
  EXPECT_EQ(Mod<pw::PwEdgeIDModifier>(Node("A"), 0)->EdgeSelection(), Bits(6, {0}));
  EXPECT_EQ(Mod<pw::PwEdgeIDModifier>(Node("B"), 0)->EdgeSelection(), Bits(6, {4}));
  EXPECT_EQ(Stack(Node("C")), nullptr);
  EXPECT_EQ(Stack(Node("A"))->GetObjRef(), Node("C")->GetObjectRef());
}

TEST_F(SceneJsonModifiers, EveryErrorNamesItsEntry) {
  struct Case {
    std::string nodes;
    std::string message;
  };
  const Case cases[] = {
      {R"({"name": "n", "modifiers": []})", "nodes[0].modifiers: only a node with a mesh has modifiers"},
      {R"({"mesh": "Tri", "modifiers": {"type": "edgeId"}})", "nodes[0].modifiers: expected an array of modifiers"},
      {R"({"mesh": "Tri", "modifiers": [3]})", "nodes[0].modifiers[0]: expected a modifier: an object with a \"type\""},
      {R"({"mesh": "Tri", "modifiers": [{"id": 2}]})", "nodes[0].modifiers[0].type: missing: \"edgeId\", \"restrictSI\" or \"paintOn\""},
      {R"({"mesh": "Tri", "modifiers": [{"type": "paintOn"}]})",
       "nodes[0].modifiers[0].values: missing: one thickness scale per vertex, 0 to 1"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "paintOn", "values": [1, 1]}]})",
       "nodes[0].modifiers[0].values: 2 values for a mesh of 3 vertices"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "paintOn", "values": [1, "x", 1]}]})",
       "nodes[0].modifiers[0].values[1]: expected a number"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "bend"}]})",
       "nodes[0].modifiers[0].type: expected one of edgeId, restrictSI"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "edgeId", "edges": [], "faces": []}]})",
       "nodes[0].modifiers[0].faces: unknown key (known here: type, id, edges, enabled)"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "restrictSI", "faces": [], "id": 1}]})",
       "nodes[0].modifiers[0].id: unknown key (known here: type, withinObject, withOthers, faces, enabled)"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "edgeId", "id": 0, "edges": []}]})",
       "nodes[0].modifiers[0].id: 0 is out of range (1 to 9999)"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "edgeId", "id": 2.5, "edges": []}]})",
       "nodes[0].modifiers[0].id: expected a whole number"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "edgeId"}]})",
       "nodes[0].modifiers[0].edges: missing: the edges to tag, each [a, b]: the two vertices it joins"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "edgeId", "edges": [[0, 1], [0, 1, 2]]}]})",
       "nodes[0].modifiers[0].edges[1]: expected [a, b]: the two vertices the edge joins"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "edgeId", "edges": [[0, 9]]}]})",
       "nodes[0].modifiers[0].edges[0][1]: vertex 9 is out of range (the mesh has 3 vertices)"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "edgeId", "edges": [[-1, 2]]}]})",
       "nodes[0].modifiers[0].edges[0][0]: vertex -1 is out of range (the mesh has 3 vertices)"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "edgeId", "edges": [[0, 0.5]]}]})",
       "nodes[0].modifiers[0].edges[0][1]: expected a vertex index"},
      {R"({"mesh": "Tri", "modifiers": [{"type": "edgeId", "edges": [[1, 1]]}]})",
       "nodes[0].modifiers[0].edges[0]: an edge joins two different vertices"},
      {R"({"mesh": "Quad", "modifiers": [{"type": "edgeId", "edges": [[0, 1], [3, 1]]}]})",
       "nodes[0].modifiers[0].edges[1]: no face has an edge from vertex 3 to vertex 1"},
      {R"({"mesh": "Quad", "modifiers": [{"type": "restrictSI", "faces": [0, 812]}]})",
       "nodes[0].modifiers[0].faces[1]: face 812 is out of range (the mesh has 2 faces)"},
      {R"({"mesh": "Quad", "modifiers": [{"type": "restrictSI", "faces": ["top"]}]})",
       "nodes[0].modifiers[0].faces[0]: expected a face index"},
      {R"({"mesh": "Quad", "modifiers": [{"type": "restrictSI"}]})",
       "nodes[0].modifiers[0].faces: missing: the faces that take part in intersections"},
      {R"({"mesh": "Quad", "modifiers": [{"type": "restrictSI", "faces": [], "withOthers": 1}]})",
       "nodes[0].modifiers[0].withOthers: expected "},
      {R"({"mesh": "Quad", "children": [{"mesh": "Tri", "modifiers": [{"type": "restrictSI", "faces": [1]}]}]})",
       "nodes[0].children[0].modifiers[0].faces[0]: face 1 is out of range (the mesh has 1 face)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nodes);
    scene = host::Scene();
    const std::string error = Load("{" + kMeshes + R"(, "nodes": [)" + c.nodes + "]}");
    EXPECT_EQ(error.substr(0, path.size() + 2 + c.message.size()), path + ": " + c.message);
    EXPECT_EQ(scene.Root()->NumberOfChildren(), 0) << "a failed load leaves the scene alone";
  }
}

}  // namespace
