// A scene-file round trip of the kind every art material goes through:
// objects owning parameter blocks with animated values, colours, strings and
// tables of references, some targets shared.
#include <gtest/gtest.h>

#include "host/scene/host_classes.h"
#include "host/params/paramblock.h"
#include "host/refs/scene_file.h"
#include "support/test_node.h"

using namespace host;
using pwtest::TestNode;

namespace {

enum : ParamID { kWeight = 0, kTint = 1, kLabel = 2, kLinks = 3 };

const ParamBlockDesc2& OwnerBlockDesc() {
  static const ParamBlockDesc2 desc(BlockSpec(0, "TestOwnerParameters", pwtest::kTestNodeClassID, REF_TARGET_CLASS_ID),
                                    {
                                        ParamDef(kWeight, "ownerWeight", TYPE_FLOAT).Animatable().Default(1.0f),
                                        ParamDef(kTint, "ownerTint", TYPE_RGBA).Default(Color(0.5f, 0.5f, 0.5f)),
                                        ParamDef(kLabel, "ownerLabel", TYPE_STRING).Default(std::string("none")),
                                        ParamDef(kLinks, "ownerLinks", TYPE_REFTARG_TAB),
                                    });
  return desc;
}

// A node whose only reference is its parameter block.
TestNode* MakeOwner(const std::string& name) {
  auto* node = new TestNode(name, 1);
  node->ReplaceReference(0, CreateParameterBlock2(&OwnerBlockDesc()));
  return node;
}

IParamBlock2* Block(ReferenceTarget* owner) { return static_cast<IParamBlock2*>(owner->GetReference(0)); }

}  // namespace

TEST(SceneGraph, ParameterBlocksAndSharedReferencesRoundTrip) {
  ClassRegistry registry;
  RegisterHostClasses(registry);
  pwtest::TestNodeClassDesc nodeDesc;
  registry.Register(&nodeDesc);

  RefHolder rootHolder(MakeOwner("root"));
  ReferenceTarget* root = rootHolder.get();
  TestNode* child = MakeOwner("child");
  auto* shared = new TestNode("shared");

  IParamBlock2* pb = Block(root);
  ASSERT_TRUE(pb->SetKey(kWeight, 0, 0.25f));
  ASSERT_TRUE(pb->SetKey(kWeight, 4800, 0.75f));
  ASSERT_TRUE(pb->SetValue(kTint, 0, Color(1.0f, 0.25f, 0.0f)));
  ASSERT_TRUE(pb->SetValue(kLabel, 0, "Root material"));
  ASSERT_EQ(pb->Append(kLinks, static_cast<ReferenceTarget*>(child)), 0);
  ASSERT_EQ(pb->Append(kLinks, static_cast<ReferenceTarget*>(shared)), 1);
  ASSERT_EQ(pb->Append(kLinks, static_cast<ReferenceTarget*>(nullptr)), 2);
  ASSERT_EQ(pb->Append(kLinks, static_cast<ReferenceTarget*>(shared)), 3);
  ASSERT_EQ(Block(child)->Append(kLinks, static_cast<ReferenceTarget*>(shared)), 0);

  SceneSaveResult saved = SaveSceneToBytes(root);
  ASSERT_TRUE(saved.ok()) << saved.error;
  SceneLoadResult loaded = LoadSceneFromBytes(saved.bytes, registry);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  RefHolder copy(loaded.root);

  IParamBlock2* lpb = Block(copy.get());
  ASSERT_NE(lpb, nullptr);
  EXPECT_TRUE(lpb->IsAnimated(kWeight));
  EXPECT_FLOAT_EQ(lpb->GetFloat(kWeight, 0), 0.25f);
  EXPECT_FLOAT_EQ(lpb->GetFloat(kWeight, 2400), 0.5f);
  EXPECT_FLOAT_EQ(lpb->GetFloat(kWeight, 4800), 0.75f);
  EXPECT_EQ(lpb->GetColor(kTint), Color(1.0f, 0.25f, 0.0f));
  EXPECT_EQ(lpb->GetStr(kLabel), "Root material");
  ASSERT_EQ(lpb->Count(kLinks), 4);

  auto* lchild = static_cast<TestNode*>(lpb->GetReferenceTarget(kLinks, 0, 0));
  auto* lshared = static_cast<TestNode*>(lpb->GetReferenceTarget(kLinks, 0, 1));
  ASSERT_TRUE(lchild && lshared);
  EXPECT_EQ(lchild->name_, "child");
  EXPECT_EQ(lshared->name_, "shared");
  EXPECT_EQ(lpb->GetReferenceTarget(kLinks, 0, 2), nullptr);
  // One object, three holders: the same target in two slots and in the child's table.
  EXPECT_EQ(lpb->GetReferenceTarget(kLinks, 0, 3), lshared);
  EXPECT_EQ(Block(lchild)->GetReferenceTarget(kLinks, 0, 0), lshared);
  EXPECT_EQ(lshared->NumDependents(), 3);
  EXPECT_EQ(Block(lchild)->GetStr(kLabel), "none");

  // Saving what was loaded gives the same file.
  EXPECT_EQ(SaveSceneToBytes(copy.get()).bytes, saved.bytes);
}
