#include <gtest/gtest.h>

#include "host/io/chunk_io.h"
#include "host/scene/object_base.h"
#include "modifier_fixture.h"
#include "plugin/class_ids.h"

namespace pw::test {
namespace {

using EdgeIdModifierTest = ModifierStackTest;

TEST_F(EdgeIdModifierTest, TheRegistryMakesItWithItsBlockUnlessLoading) {
  host::ClassRegistry& registry = host::ClassRegistry::Global();
  host::RefHolder fresh(registry.Create(host::OSM_CLASS_ID, PW_EDGE_ID_MODIFIER_CLASS_ID, false));
  host::RefHolder loading(registry.Create(host::OSM_CLASS_ID, PW_EDGE_ID_MODIFIER_CLASS_ID, true));
  auto* made = dynamic_cast<PwEdgeIDModifier*>(fresh.get());
  ASSERT_TRUE(made && dynamic_cast<PwEdgeIDModifier*>(loading.get()));
  ASSERT_NE(made->ParamBlock(), nullptr);
  EXPECT_EQ(made->ParamBlock()->FindParamByName("edgeID")->id, kEdgeIdParam);
  EXPECT_EQ(static_cast<PwEdgeIDModifier*>(loading.get())->ParamBlock(), nullptr);
}

TEST_F(EdgeIdModifierTest, TheShownIdIsOneMoreThanTheStoredOne) {
  PwEdgeIDModifier mod;
  EXPECT_EQ(mod.GetShownEdgeID(), 1);
  struct Case {
    int shown, stored;
  };
  for (Case c : {Case{9999, 9998}, Case{1, 0}, Case{3, 2}, Case{0, 0}, Case{10000, 9998}, Case{-5, 0}}) {
    ASSERT_TRUE(mod.SetShownEdgeID(0, c.shown));
    EXPECT_EQ(mod.GetEdgeID(), c.stored) << "shown " << c.shown;
  }
}

TEST_F(EdgeIdModifierTest, RecordsTheSelectionReachingItAndLeavesTheMeshAlone) {
  const host::BitArray below = EdgeBits(NumFaces(), {{0, 1}, {3, 2}});
  PwEdgeIDModifier* mod = PushEdgeId(4, below);
  // A selection set above the modifier is not what it sees.
  Push(new host::MeshSelectMod())->SetEdgeSelection(EdgeBits(NumFaces(), {{5, 0}}));
  const host::Mesh before = mesh_->mesh;
  host::ObjectState os = node_->EvalWorldState(0);
  EXPECT_EQ(mod->EdgeSelection(), below);
  EXPECT_EQ(mesh_->mesh, before);
  // The stack's result carries the top selection, everything else unchanged.
  auto* out = static_cast<host::TriObject*>(os.obj);
  EXPECT_EQ(out->mesh.edgeSel(), EdgeBits(NumFaces(), {{5, 0}}));
  EXPECT_EQ(out->mesh.verts()[3], before.verts()[3]);
  EXPECT_EQ(out->mesh.faces()[7], before.faces()[7]);
}

TEST_F(EdgeIdModifierTest, AnObjectThatIsNoMeshLeavesTheLastSelection) {
  PwEdgeIDModifier* mod = PushEdgeId(0, EdgeBits(NumFaces(), {{2, 2}}));
  Evaluate();
  const host::BitArray recorded = mod->EdgeSelection();
  ASSERT_FALSE(recorded.IsEmpty());
  host::DummyObject dummy;
  host::ObjectState os(&dummy);
  host::ModContext mc;
  mod->ModifyObject(0, mc, os, node_);
  EXPECT_EQ(mod->EdgeSelection(), recorded);
}

TEST_F(EdgeIdModifierTest, SceneFileRoundTripKeepsIdKeysAndSwitches) {
  const host::BitArray edges = EdgeBits(NumFaces(), {{0, 0}, {1, 1}, {6, 2}});
  PwEdgeIDModifier* mod = PushEdgeId(0, edges);
  mod->ParamBlock()->SetKey(kEdgeIdParam, 0, 2);
  mod->ParamBlock()->SetKey(kEdgeIdParam, 9600, 12);
  // An animated ID narrows the stack's validity; a constant one does not.
  EXPECT_FALSE(mod->LocalValidity(4800) == host::FOREVER);
  EXPECT_TRUE(mod->LocalValidity(4800).InInterval(4800));
  EXPECT_TRUE(PwEdgeIDModifier().LocalValidity(4800) == host::FOREVER);
  mod->DisableModInRender();
  mod->SetName("Outline tags");

  host::INode* loaded = SaveAndLoad();
  ASSERT_NE(loaded, nullptr);
  host::DerivedObject* stack = Stack(loaded);
  ASSERT_NE(stack, nullptr);
  ASSERT_EQ(stack->NumModifiers(), 2);
  auto* back = dynamic_cast<PwEdgeIDModifier*>(stack->GetModifier(0));
  ASSERT_NE(back, nullptr);
  ASSERT_NE(back->ParamBlock(), nullptr);
  for (host::TimeValue t : {0, 4800, 9600}) EXPECT_EQ(back->GetEdgeID(t), mod->GetEdgeID(t)) << t;
  EXPECT_TRUE(back->ParamBlock()->IsAnimated(kEdgeIdParam));
  EXPECT_FALSE(back->IsEnabledInRender());
  EXPECT_EQ(back->GetName(), "Outline tags");
  // The selection is not saved: the next evaluation records it again.
  EXPECT_TRUE(back->EdgeSelection().IsEmpty());
  back->EnableModInRender();
  loaded->EvalWorldState(0);
  EXPECT_EQ(back->EdgeSelection(), edges);
}

// Saves mod's data chunks with the version chunk replaced or extra chunks
// added, and loads them into a fresh loading modifier.
host::IOResult LoadChunks(PwEdgeIDModifier& into, std::int32_t version, bool extra) {
  host::MemorySave out;
  PwEdgeIDModifier source;
  source.DisableMod();
  source.SaveHeader(&out);
  out.WriteChunk(kLineModifierChunkVersion, version);
  if (extra) out.WriteChunk(std::uint16_t{555}, 1.5f);
  host::MemoryLoad in(out.Bytes());
  const host::IOResult r = into.Load(&in);
  in.RunPostLoadCallbacks();
  return r;
}

TEST_F(EdgeIdModifierTest, LoadTakesAnyVersionAndSkipsUnknownChunks) {
  for (std::int32_t version : {1, 0, 77}) {
    for (bool extra : {false, true}) {
      PwEdgeIDModifier mod(true);
      EXPECT_EQ(LoadChunks(mod, version, extra), host::IO_OK) << version;
      EXPECT_FALSE(mod.IsEnabled());
      // No block came with the chunks: the modifier made its own.
      EXPECT_NE(mod.ParamBlock(), nullptr);
    }
  }
}

TEST_F(EdgeIdModifierTest, ClonesAreIndependent) {
  PwEdgeIDModifier* mod = PushEdgeId(3, EdgeBits(NumFaces(), {{1, 0}}));
  mod->DisableMod();
  Evaluate();
  host::RefHolder copyHolder(mod->Clone());
  auto* copy = dynamic_cast<PwEdgeIDModifier*>(copyHolder.get());
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(copy->ParamBlock(), nullptr);
  EXPECT_NE(copy->ParamBlock(), mod->ParamBlock());
  EXPECT_EQ(copy->GetEdgeID(), 3);
  EXPECT_FALSE(copy->IsEnabled());
  copy->SetEdgeID(0, 8);
  EXPECT_EQ(mod->GetEdgeID(), 3);

  // A cloned stack records its own selection.
  mod->EnableMod();
  Evaluate();
  auto* other = new host::INode("Copy");
  host::RefHolder nodeCopy(other);
  other->SetObjectRef(static_cast<host::Object*>(Stack(node_)->Clone()));
  auto* otherStack = Stack(other);
  ASSERT_NE(otherStack, nullptr);
  auto* otherSelect = dynamic_cast<host::MeshSelectMod*>(otherStack->GetModifier(1));
  ASSERT_NE(otherSelect, nullptr);
  otherSelect->SetEdgeSelection(EdgeBits(NumFaces(), {{7, 1}}));
  other->EvalWorldState(0);
  EXPECT_EQ(static_cast<PwEdgeIDModifier*>(otherStack->GetModifier(0))->EdgeSelection(),
            EdgeBits(NumFaces(), {{7, 1}}));
  EXPECT_EQ(mod->EdgeSelection(), EdgeBits(NumFaces(), {{1, 0}}));
}

}  // namespace
}  // namespace pw::test
