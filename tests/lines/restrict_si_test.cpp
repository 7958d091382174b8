#include <gtest/gtest.h>

#include "host/scene/object_base.h"
#include "modifier_fixture.h"
#include "plugin/class_ids.h"

namespace pw::test {
namespace {

using RestrictSITest = ModifierStackTest;

TEST_F(RestrictSITest, TheSwitchesStartWithinTheObjectOnly) {
  host::RefHolder made(host::ClassRegistry::Global().Create(host::OSM_CLASS_ID, PW_RESTRICT_SI_CLASS_ID, false));
  auto* mod = dynamic_cast<PwRestrictSI*>(made.get());
  ASSERT_NE(mod, nullptr);
  EXPECT_TRUE(mod->Restricts(false));
  EXPECT_FALSE(mod->Restricts(true));
  EXPECT_TRUE(mod->SetWithinObject(false) && mod->SetWithOthers(true));
  EXPECT_FALSE(mod->Restricts(false));
  EXPECT_TRUE(mod->Restricts(true));
}

TEST_F(RestrictSITest, RecordsTheFacesReachingItWithAMeshCopyPerStack) {
  PwRestrictSI* mod = PushRestriction(true, false, FaceBits(NumFaces(), {1, 2, 6}));
  // Only the face selection is set below it; an edge selection from further
  // down passes through to it in the mesh copy.
  auto* edges = new host::MeshSelectMod();
  edges->SetEdgeSelection(EdgeBits(NumFaces(), {{4, 1}}));
  Stack(node_)->AddModifier(edges, nullptr, Stack(node_)->NumModifiers());
  const host::Mesh before = mesh_->mesh;
  Evaluate();
  EXPECT_EQ(mod->FaceSelection(), FaceBits(NumFaces(), {1, 2, 6}));
  EXPECT_EQ(mesh_->mesh, before);

  auto* data = dynamic_cast<PwRestrictSIData*>(Stack(node_)->GetModContext(0)->localData);
  ASSERT_NE(data, nullptr);
  ASSERT_NE(data->mesh, nullptr);
  EXPECT_EQ(data->mesh->faceSel(), mod->FaceSelection());
  EXPECT_EQ(data->mesh->edgeSel(), EdgeBits(NumFaces(), {{4, 1}}));
  EXPECT_EQ(data->mesh->getNumFaces(), NumFaces());
  // The copy follows the next evaluation.
  static_cast<host::MeshSelectMod*>(Stack(node_)->GetModifier(1))->SetFaceSelection(FaceBits(NumFaces(), {0}));
  Evaluate();
  EXPECT_EQ(data->mesh->faceSel(), FaceBits(NumFaces(), {0}));
  // A copied context starts without one.
  host::ModContext copy(*Stack(node_)->GetModContext(0));
  auto* copied = dynamic_cast<PwRestrictSIData*>(copy.localData);
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->mesh, nullptr);
}

TEST_F(RestrictSITest, AnObjectThatIsNoMeshRecordsNothing) {
  PwRestrictSI* mod = PushRestriction(true, false, FaceBits(NumFaces(), {3}));
  Evaluate();
  host::DummyObject dummy;
  host::ObjectState os(&dummy);
  host::ModContext mc;
  mod->ModifyObject(0, mc, os, node_);
  EXPECT_EQ(mod->FaceSelection(), FaceBits(NumFaces(), {3}));
  EXPECT_EQ(mc.localData, nullptr);
}

TEST_F(RestrictSITest, SceneFilesAndClonesKeepTheSwitches) {
  PwRestrictSI* mod = PushRestriction(false, true, FaceBits(NumFaces(), {0, 7}));
  mod->DisableMod();
  host::INode* loaded = SaveAndLoad();
  ASSERT_NE(loaded, nullptr);
  auto* back = dynamic_cast<PwRestrictSI*>(Stack(loaded)->GetModifier(0));
  ASSERT_NE(back, nullptr);
  EXPECT_FALSE(back->GetWithinObject());
  EXPECT_TRUE(back->GetWithOthers());
  EXPECT_FALSE(back->IsEnabled());
  back->EnableMod();
  loaded->EvalWorldState(0);
  EXPECT_EQ(back->FaceSelection(), FaceBits(NumFaces(), {0, 7}));

  host::RefHolder copyHolder(back->Clone());
  auto* copy = dynamic_cast<PwRestrictSI*>(copyHolder.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->GetWithOthers());
  copy->SetWithOthers(false);
  EXPECT_TRUE(back->GetWithOthers());
  EXPECT_TRUE(copy->FaceSelection().IsEmpty());
}

}  // namespace
}  // namespace pw::test
