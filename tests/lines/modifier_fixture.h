// A mesh node with a modifier stack built by hand, for the tests of the edge
// ID and intersection restriction modifiers and of the line queries.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "frame/render_mesh.h"
#include "host/refs/class_desc.h"
#include "host/refs/scene_file.h"
#include "host/scene/host_classes.h"
#include "host/scene/modifier_select.h"
#include "host/scene/node.h"
#include "host/scene/object_derived.h"
#include "host/scene/object_tri.h"
#include "lines/edge_id_modifier.h"
#include "lines/register.h"
#include "lines/restrict_si.h"
#include "plugin/class_table.h"

namespace pw::test {

// A strip of `quads` unit squares along x, each cut into two triangles:
// vertices 2i (y = 0) and 2i + 1 (y = 1); square i has faces 2i = (2i, 2i+2,
// 2i+3) and 2i + 1 = (2i, 2i+3, 2i+1), sharing the diagonal 2i - 2i+3.
inline host::Mesh Strip(int quads) {
  host::Mesh m;
  m.setNumVerts(2 * (quads + 1));
  for (int i = 0; i <= quads; ++i) {
    m.setVert(2 * i, host::Point3(static_cast<float>(i), 0, 0));
    m.setVert(2 * i + 1, host::Point3(static_cast<float>(i), 1, 0));
  }
  m.setNumFaces(2 * quads);
  for (int i = 0; i < quads; ++i) {
    const auto a = static_cast<std::uint32_t>(2 * i);
    m.faces()[2 * i].setVerts(a, a + 2, a + 3);
    m.faces()[2 * i + 1].setVerts(a, a + 3, a + 1);
  }
  return m;
}

// Edge selection bits 3f + e.
inline host::BitArray EdgeBits(int faces, std::initializer_list<std::pair<int, int>> faceEdges) {
  host::BitArray bits(3 * faces);
  for (auto [f, e] : faceEdges) bits.Set(3 * f + e);
  return bits;
}

inline host::BitArray FaceBits(int faces, std::initializer_list<int> selected) {
  host::BitArray bits(faces);
  for (int f : selected) bits.Set(f);
  return bits;
}

class ModifierStackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterLineClasses());
    host::RegisterHostClasses(registry_);
    RegisterPluginClasses(registry_);
    node_ = new host::INode("Strip");
    holder_.reset(node_);
    mesh_ = new host::TriObject(Strip(4));
    node_->SetObjectRef(mesh_);
  }

  int NumFaces() const { return mesh_->mesh.getNumFaces(); }

  // Puts mod on top of the stack.
  template <class M>
  M* Push(M* mod) {
    host::AddModifierToNode(node_, mod);
    return mod;
  }
  // A Mesh Select setting `edges`, and an edge ID modifier above it.
  PwEdgeIDModifier* PushEdgeId(int edgeId, host::BitArray edges) {
    auto* select = Push(new host::MeshSelectMod());
    select->SetEdgeSelection(std::move(edges));
    auto* mod = Push(new PwEdgeIDModifier());
    mod->SetEdgeID(0, edgeId);
    return mod;
  }
  PwRestrictSI* PushRestriction(bool within, bool withOthers, host::BitArray faces) {
    auto* select = Push(new host::MeshSelectMod());
    select->SetFaceSelection(std::move(faces));
    auto* mod = Push(new PwRestrictSI());
    mod->SetWithinObject(within);
    mod->SetWithOthers(withOthers);
    return mod;
  }

  // The node evaluated at t, and its mesh as a frame copies it.
  void Evaluate(host::TimeValue t = 0) { node_->EvalWorldState(t); }
  PwRenderMesh RenderMesh(host::TimeValue t = 0, bool reversed = false) {
    host::ObjectState os = node_->EvalWorldState(t);
    PwRenderMesh rm;
    copyHostMesh(static_cast<host::TriObject*>(os.obj)->mesh, rm);
    if (reversed) reverseWinding(rm);
    return rm;
  }

  // The node saved to a scene file and read back (held by the fixture).
  host::INode* SaveAndLoad() {
    host::SceneSaveResult saved = host::SaveSceneToBytes(node_);
    EXPECT_TRUE(saved.ok()) << saved.error;
    host::SceneLoadResult loaded = host::LoadSceneFromBytes(saved.bytes, registry_);
    EXPECT_TRUE(loaded.ok()) << loaded.error;
    loadedHolder_.reset(loaded.root);
    return dynamic_cast<host::INode*>(loaded.root);
  }

  host::DerivedObject* Stack(host::INode* node) const {
    return dynamic_cast<host::DerivedObject*>(node->GetObjectRef());
  }

  host::ClassRegistry registry_;
  host::INode* node_ = nullptr;
  host::TriObject* mesh_ = nullptr;

 private:
  host::RefHolder holder_;
  host::RefHolder loadedHolder_;
};

}  // namespace pw::test
