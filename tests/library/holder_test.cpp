#include "library/holder.h"

#include <gtest/gtest.h>

#include "host/refs/class_desc.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"
#include "library/library_edit.h"
#include "library/library_fixture.h"
#include "library/library_materials.h"
#include "library/style_assignment.h"
#include "plugin/class_ids.h"

namespace pw::test {
namespace {

class HolderTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_TRUE(RegisterLibraryHolderClass());
  }
  void TearDown() override {
    EXPECT_EQ(LivingHolderCount(), 0) << "a holder outlived its scene";
    EXPECT_FALSE(HolderDeleteHandlerRegistered());
    LibraryTest::TearDown();
  }

  static int HolderNodes(host::INode* root) {
    int n = 0;
    for (int i = 0; i < root->NumberOfChildren(); ++i) n += HolderOfNode(root->GetChildNode(i)) ? 1 : 0;
    return n;
  }
};

TEST_F(HolderTest, LibraryIsMadeOnDemandOnceWithAHiddenHolderNode) {
  host::Scene scene;
  host::INode* root = scene.Root();
  EXPECT_EQ(FindHolderNode(root), nullptr);
  EXPECT_EQ(LivingHolderCount(), 0);

  PwObjectLibrary* lib = GetCurrentLibrary(root);
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->Used(), PW_DEFAULT_COUNT + PW_PRESET_COUNT);
  EXPECT_TRUE(lib->IsCurrent());
  EXPECT_EQ(LivingHolderCount(), 1);
  EXPECT_TRUE(HolderDeleteHandlerRegistered());

  host::INode* node = FindHolderNode(root);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->GetName(), "Penwright! Art Materials");
  EXPECT_EQ(node->GetParentNode(), root);
  EXPECT_TRUE(node->IsNodeHidden());
  EXPECT_FALSE(node->Renderable());
  EXPECT_FALSE(node->GetObjectRef()->IsRenderable());
  EXPECT_EQ(HolderOfNode(node)->GetLibrary(), lib);

  // Asking again finds the same library through the same node.
  EXPECT_EQ(GetCurrentLibrary(root), lib);
  EXPECT_EQ(HolderNodes(root), 1);
  EXPECT_EQ(LivingHolderCount(), 1);
  EXPECT_EQ(TheLibraryState().registry.size(), 1u);
}

TEST_F(HolderTest, TheSceneTakesItsLibraryAlong) {
  std::uint32_t id = 0;
  {
    host::Scene scene;
    id = GetCurrentLibrary(scene.Root())->LibraryId();
    EXPECT_EQ(CurrentLibraryId(), id);
  }
  EXPECT_EQ(LivingHolderCount(), 0);
  EXPECT_FALSE(HolderDeleteHandlerRegistered());
  EXPECT_TRUE(TheLibraryState().registry.empty());
  EXPECT_EQ(CurrentLibraryId(), 0u);
  ASSERT_FALSE(posted.empty());
  EXPECT_EQ(posted.back(), std::make_pair(PW_MSG_LIBRARY_GONE, id));
}

TEST_F(HolderTest, DescriptorMakesALibraryOnlyWhenNotLoading) {
  host::ClassDesc* desc = host::ClassRegistry::Global().Find(host::HELPER_CLASS_ID, PW_OBJ_LIB_HOLDER_CLASS_ID);
  ASSERT_NE(desc, nullptr);
  EXPECT_EQ(desc->ClassName(), "PwObjLibHolder");

  host::RefHolder loading(desc->Create(true));
  auto* empty = dynamic_cast<PwObjLibHolder*>(loading.get());
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->GetLibrary(), nullptr);
  EXPECT_TRUE(TheLibraryState().registry.empty());

  host::RefHolder fresh(desc->Create(false));
  auto* holder = dynamic_cast<PwObjLibHolder*>(fresh.get());
  ASSERT_NE(holder, nullptr);
  ASSERT_NE(holder->GetLibrary(), nullptr);
  EXPECT_EQ(holder->GetLibrary()->Used(), PW_DEFAULT_COUNT + PW_PRESET_COUNT);
  EXPECT_TRUE(holder->GetLibrary()->IsCurrent());
  EXPECT_EQ(LivingHolderCount(), 2);
}

TEST_F(HolderTest, DeleteHandlerFollowsTheCountOfHolders) {
  auto a = std::make_unique<host::Scene>();
  auto b = std::make_unique<host::Scene>();
  GetCurrentLibrary(a->Root());
  GetCurrentLibrary(b->Root());
  EXPECT_EQ(LivingHolderCount(), 2);
  a.reset();
  EXPECT_EQ(LivingHolderCount(), 1);
  EXPECT_TRUE(HolderDeleteHandlerRegistered());
  b.reset();
  EXPECT_FALSE(HolderDeleteHandlerRegistered());
}

// Two scenes in one process: each is only ever given its own library.
TEST_F(HolderTest, EachSceneGetsItsOwnLibrary) {
  host::Scene a, b;
  PwObjectLibrary* libA = GetCurrentLibrary(a.Root());
  PwObjectLibrary* libB = GetCurrentLibrary(b.Root());
  ASSERT_NE(libA, libB);
  EXPECT_TRUE(libB->IsCurrent());
  EXPECT_EQ(GetCurrentLibrary(a.Root()), libA);
  EXPECT_TRUE(libA->IsCurrent());
  EXPECT_EQ(HolderNodes(a.Root()), 1);
  EXPECT_EQ(HolderNodes(b.Root()), 1);
}

struct SavedScene {
  std::vector<std::uint8_t> bytes;
  std::uint32_t libraryId = 0;
  int userSlot = -1, presetSlot = -1;
};

// A scene with a user style, nodes assigned to it and to a preset style,
// and a node never assigned anything.
SavedScene MakeSavedScene() {
  SavedScene saved;
  host::Scene scene;
  PwObjectLibrary* lib = GetCurrentLibrary(scene.Root());
  saved.libraryId = lib->LibraryId();
  saved.userSlot = NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_STYLE_CLASS_ID);
  RenameLibraryMaterial(*lib, saved.userSlot, "Ink");
  saved.presetSlot = lib->Find(PW_ORIGIN_PRESET, 401);
  host::INode* a = scene.CreateNode("A", new host::TriObject());
  host::INode* b = scene.CreateNode("B", new host::TriObject(), a);
  scene.CreateNode("C", new host::TriObject());
  AssignStyle(*a, *lib, saved.userSlot);
  AssignStyle(*b, *lib, saved.presetSlot);
  saved.bytes = scene.SaveToBytes().bytes;
  return saved;
}

TEST_F(HolderTest, SavedSceneLoadsBackWithItsAssignments) {
  const SavedScene saved = MakeSavedScene();
  ASSERT_FALSE(saved.bytes.empty());
  ASSERT_TRUE(TheLibraryState().registry.empty());

  host::Scene loaded;
  std::string error;
  ASSERT_TRUE(host::Scene::LoadFromBytes(saved.bytes, host::ClassRegistry::Global(), &loaded, &error)) << error;
  host::INode* root = loaded.Root();
  PwObjectLibrary* lib = GetCurrentLibrary(root);
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(HolderNodes(root), 1) << "the loaded holder must be found, not a second one made";
  EXPECT_EQ(lib->LibraryId(), saved.libraryId);
  EXPECT_EQ(lib->Used(), PW_DEFAULT_COUNT + PW_PRESET_COUNT + 1);

  host::INode* a = host::FindNodeByName(root, "A");
  host::INode* b = host::FindNodeByName(root, "B");
  host::INode* c = host::FindNodeByName(root, "C");
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(StyleOfNode(*a, *lib), lib->Get(saved.userSlot));
  EXPECT_EQ(StyleOfNode(*a, *lib)->GetName(), "Ink");
  EXPECT_EQ(StyleOfNode(*b, *lib)->GetName(), "Hidden-line");
  EXPECT_EQ(StyleOfNode(*c, *lib), lib->Get(DefaultStyleSlot(*lib)));
  std::string name;
  EXPECT_TRUE(a->GetUserPropString(PW_PROP_STYLE_NAME, name));
  EXPECT_EQ(name, "Ink");
  EXPECT_EQ(ReadStyleAssignment(*b, lib), (StyleAssignment{saved.libraryId, saved.presetSlot}));
}

// A copy read while the original is open gets its library renumbered; its
// nodes must keep drawing with the copy's styles, not the original's.
TEST_F(HolderTest, CopyOfAnOpenSceneKeepsItsNodesOnItsOwnLibrary) {
  host::Scene original;
  PwObjectLibrary* origLib = GetCurrentLibrary(original.Root());
  const int slot = NewLibraryMaterial(*origLib, host::REF_TARGET_CLASS_ID, PW_STYLE_CLASS_ID);
  host::INode* a = original.CreateNode("A", new host::TriObject());
  AssignStyle(*a, *origLib, slot);
  const std::vector<std::uint8_t> bytes = original.SaveToBytes().bytes;

  host::Scene copy;
  std::string error;
  ASSERT_TRUE(host::Scene::LoadFromBytes(bytes, host::ClassRegistry::Global(), &copy, &error)) << error;
  PwObjectLibrary* copyLib = GetCurrentLibrary(copy.Root());
  ASSERT_NE(copyLib, nullptr);
  ASSERT_NE(copyLib, origLib);
  EXPECT_NE(copyLib->LibraryId(), origLib->LibraryId());
  host::INode* copyA = host::FindNodeByName(copy.Root(), "A");
  ASSERT_NE(copyA, nullptr);
  EXPECT_EQ(StyleOfNode(*copyA, *copyLib), copyLib->Get(slot));
  EXPECT_EQ(ReadStyleAssignment(*copyA, copyLib), (StyleAssignment{copyLib->LibraryId(), slot}));
  // The original is untouched.
  EXPECT_EQ(ReadStyleAssignment(*a, origLib), (StyleAssignment{origLib->LibraryId(), slot}));
}

struct DeleteCase {
  const char* label;
  host::QuestionPolicy policy;
  bool holderGoes;
};

TEST_F(HolderTest, DeletingTheSelectionGuardsTheHolderNode) {
  const DeleteCase cases[] = {
      {"yes", host::QuestionPolicy::AlwaysYes, true},
      {"no", host::QuestionPolicy::AlwaysNo, false},
      {"nobody to ask: the default is no", host::QuestionPolicy::DefaultAnswer, false},
  };
  for (const DeleteCase& c : cases) {
    SCOPED_TRACE(c.label);
    host::SetQuestionPolicy(c.policy);
    messages.clear();
    host::Scene scene;
    host::INode* root = scene.Root();
    GetCurrentLibrary(root);
    host::INode* parent = scene.CreateNode("Parent", new host::TriObject());
    scene.CreateNode("Child", new host::TriObject(), parent);
    scene.CreateNode("Kept", new host::TriObject());
    parent->Select(true);
    FindHolderNode(root)->Select(true);

    EXPECT_EQ(DeleteSelectedNodes(root), c.holderGoes ? 2 : 1);
    EXPECT_EQ(host::FindNodeByName(root, "Parent"), nullptr);
    host::INode* child = host::FindNodeByName(root, "Child");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->GetParentNode(), root);
    EXPECT_NE(host::FindNodeByName(root, "Kept"), nullptr);
    EXPECT_EQ(FindHolderNode(root) == nullptr, c.holderGoes);
    EXPECT_EQ(CurrentLibraryId() == 0, c.holderGoes);
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("will delete all the art materials"), std::string::npos);
  }
}

TEST_F(HolderTest, DeletingOtherNodesAsksNothing) {
  host::Scene scene;
  GetCurrentLibrary(scene.Root());
  scene.CreateNode("Box", new host::TriObject())->Select(true);
  EXPECT_EQ(DeleteSelectedNodes(scene.Root()), 1);
  EXPECT_TRUE(messages.empty());
  EXPECT_NE(FindHolderNode(scene.Root()), nullptr);
}

}  // namespace
}  // namespace pw::test
