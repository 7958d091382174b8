#include <gtest/gtest.h>

#include <vector>

#include "host/refs/scene_file.h"
#include "host/scene/host_classes.h"
#include "host/scene/modifier_select.h"
#include "host/scene/node.h"
#include "host/scene/object_derived.h"
#include "host/scene/object_tri.h"

using namespace host;

namespace {

// Two triangles sharing the edge 0-2.
Mesh Quad() {
  Mesh m;
  m.setNumVerts(4);
  m.setVert(1, {1, 0, 0});
  m.setVert(2, {1, 1, 0});
  m.setVert(3, {0, 1, 0});
  m.setNumFaces(2);
  m.faces()[0].setVerts(0, 1, 2);
  m.faces()[1].setVerts(0, 2, 3);
  return m;
}

BitArray Bits(int n, std::initializer_list<int> set) {
  BitArray b(n);
  for (int i : set) b.Set(i);
  return b;
}

struct MeshSelectStack : ::testing::Test {
  void SetUp() override {
    node = new INode("Quad");
    hold.reset(node);
    node->SetObjectRef(new TriObject(Quad()));
    // Selections the mesh brings with it.
    auto* tri = static_cast<TriObject*>(node->GetObjectRef());
    tri->mesh.edgeSel().Set(5);
    tri->mesh.faceSel().Set(1);
    select = new MeshSelectMod();
    AddModifierToNode(node, select);
  }
  const Mesh& Result() { return static_cast<TriObject*>(node->EvalWorldState(0).obj)->mesh; }
  DerivedObject* Stack() { return static_cast<DerivedObject*>(node->GetObjectRef()); }

  INode* node = nullptr;
  MeshSelectMod* select = nullptr;
  RefHolder hold;
};

TEST_F(MeshSelectStack, SetsOnlyTheSelectionsItHoldsFittedToTheMesh) {
  EXPECT_EQ(Result().edgeSel(), Bits(6, {5}));
  EXPECT_EQ(Result().faceSel(), Bits(2, {1}));
  select->SetEdgeSelection(Bits(6, {0, 2}));
  EXPECT_EQ(Result().edgeSel(), Bits(6, {0, 2}));
  EXPECT_EQ(Result().faceSel(), Bits(2, {1}));
  select->SetFaceSelection(Bits(2, {0}));
  select->ClearEdgeSelection();
  EXPECT_EQ(Result().edgeSel(), Bits(6, {5}));
  EXPECT_EQ(Result().faceSel(), Bits(2, {0}));
  // The mesh itself keeps its own.
  EXPECT_EQ(static_cast<TriObject*>(Stack()->GetObjRef())->mesh.faceSel(), Bits(2, {1}));
  // A selection of another size is fitted to the mesh.
  select->SetEdgeSelection(Bits(9, {1, 8}));
  select->SetFaceSelection(Bits(1, {0}));
  EXPECT_EQ(Result().edgeSel(), Bits(6, {1}));
  EXPECT_EQ(Result().faceSel(), Bits(2, {0}));
}

TEST_F(MeshSelectStack, SelectionsSurviveASceneFile) {
  select->SetEdgeSelection(Bits(6, {1, 3, 4}));
  select->DisableModInRender();
  ClassRegistry registry;
  RegisterHostClasses(registry);
  SceneSaveResult saved = SaveSceneToBytes(node);
  ASSERT_TRUE(saved.ok()) << saved.error;
  SceneLoadResult loaded = LoadSceneFromBytes(saved.bytes, registry);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  RefHolder keep(loaded.root);
  auto* stack = dynamic_cast<DerivedObject*>(static_cast<INode*>(loaded.root)->GetObjectRef());
  ASSERT_NE(stack, nullptr);
  auto* back = dynamic_cast<MeshSelectMod*>(stack->GetModifier(0));
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->SetsEdges());
  EXPECT_FALSE(back->SetsFaces());
  EXPECT_EQ(back->EdgeSelection(), Bits(6, {1, 3, 4}));
  EXPECT_FALSE(back->IsEnabledInRender());

  RefHolder copy(back->Clone());
  auto* clone = static_cast<MeshSelectMod*>(copy.get());
  clone->SetEdgeSelection(Bits(6, {0}));
  EXPECT_EQ(back->EdgeSelection(), Bits(6, {1, 3, 4}));
  EXPECT_FALSE(clone->IsEnabledInRender());
}

// Every cut of a good save: an error or a clean stop, never a crash, and a
// failed read leaves the selections as they were.
TEST_F(MeshSelectStack, EveryTruncatedSaveIsReadSafely) {
  select->SetEdgeSelection(Bits(6, {1, 3, 4}));
  select->SetFaceSelection(Bits(2, {1}));
  MemorySave out;
  ASSERT_EQ(select->Save(&out), IO_OK);
  const std::vector<std::uint8_t>& bytes = out.Bytes();
  int failures = 0;
  for (std::size_t n = 0; n <= bytes.size(); ++n) {
    MeshSelectMod target;
    target.SetFaceSelection(Bits(3, {2}));
    MemoryLoad in(std::span<const std::uint8_t>(bytes.data(), n));
    if (target.Load(&in) != IO_OK) {
      ++failures;
      EXPECT_EQ(target.FaceSelection(), Bits(3, {2})) << n << " bytes";
      continue;
    }
    if (n == bytes.size()) {
      EXPECT_EQ(target.EdgeSelection(), Bits(6, {1, 3, 4}));
      EXPECT_EQ(target.FaceSelection(), Bits(2, {1}));
    }
  }
  EXPECT_GT(failures, 0);
}

TEST_F(MeshSelectStack, ABitCountThatDisagreesWithItsChunkIsRefused) {
  MemorySave out;
  out.WriteChunk(std::uint16_t{0x0100}, std::uint32_t{1});
  out.BeginChunk(0x0101);
  out.WriteValue(std::uint32_t{40});  // 40 bits need 5 bytes; 1 follows
  out.WriteValue(std::uint8_t{0xFF});
  out.EndChunk();
  MeshSelectMod target;
  MemoryLoad in(out.Bytes());
  EXPECT_EQ(target.Load(&in), IO_ERROR);
  EXPECT_NE(in.Error().find("40 bits do not match the chunk's 1 bytes"), std::string::npos) << in.Error();
  EXPECT_FALSE(target.SetsEdges());
}

}  // namespace
