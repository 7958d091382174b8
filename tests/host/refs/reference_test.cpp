#include <gtest/gtest.h>

#include "host/refs/reference.h"
#include "support/test_node.h"

using namespace host;
using pwtest::TestNode;

namespace {

class CountingEnum : public RefEnumProc {
 public:
  int proc(ReferenceMaker* maker) override {
    visited.push_back(static_cast<TestNode*>(maker)->name_);
    return maker == skip ? REF_ENUM_SKIP : REF_ENUM_CONTINUE;
  }
  std::vector<std::string> visited;
  ReferenceMaker* skip = nullptr;
};

}  // namespace

class ReferenceTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(TestNode::live, 0) << "a test leaked or double-freed nodes"; }
};

TEST_F(ReferenceTest, LastDependentLettingGoDeletesTheTarget) {
  auto* shared = new TestNode("shared");
  {
    RefHolder a(new TestNode("a", 1));
    RefHolder b(new TestNode("b", 1));
    a.get()->ReplaceReference(0, shared);
    b.get()->ReplaceReference(0, shared);
    EXPECT_EQ(shared->NumDependents(), 2);
    a.reset();
    EXPECT_EQ(TestNode::live, 2);  // b and the still-shared target
    EXPECT_EQ(shared->NumDependents(), 1);
  }
}

TEST_F(ReferenceTest, DeletingATargetEmptiesEverySlotThatHeldIt) {
  RefHolder owner(new TestNode("owner", 3));
  auto* owner_node = static_cast<TestNode*>(owner.get());
  auto* target = new TestNode("t");
  owner_node->ReplaceReference(0, target);
  owner_node->ReplaceReference(2, target);
  EXPECT_EQ(target->NumDependents(), 2);
  target->DeleteThis();
  EXPECT_EQ(owner_node->GetReference(0), nullptr);
  EXPECT_EQ(owner_node->GetReference(2), nullptr);
  ASSERT_FALSE(owner_node->heard.empty());
  EXPECT_EQ(owner_node->heard.back().message, REFMSG_TARGET_DELETED);
}

TEST_F(ReferenceTest, ChangesPropagateThroughDependentsOnce) {
  auto* leaf = new TestNode("leaf");
  auto* mid = new TestNode("mid", 1);
  RefHolder top(new TestNode("top", 2));
  auto* top_node = static_cast<TestNode*>(top.get());
  mid->ReplaceReference(0, leaf);
  top_node->ReplaceReference(0, mid);
  top_node->ReplaceReference(1, leaf);  // top hears from leaf directly too
  leaf->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  EXPECT_EQ(mid->heard.size(), 1u);
  // Once from leaf itself, once relayed by mid.
  ASSERT_EQ(top_node->heard.size(), 2u);
}

TEST_F(ReferenceTest, TransferReferencesMovesEveryDependent) {
  auto* oldT = new TestNode("old");
  auto* newT = new TestNode("new");
  RefHolder keepNew(newT);
  RefHolder a(new TestNode("a", 2));
  RefHolder b(new TestNode("b", 1));
  a.get()->ReplaceReference(0, oldT);
  a.get()->ReplaceReference(1, oldT);
  b.get()->ReplaceReference(0, oldT);
  oldT->TransferReferences(newT);
  EXPECT_EQ(a.get()->GetReference(0), newT);
  EXPECT_EQ(a.get()->GetReference(1), newT);
  EXPECT_EQ(b.get()->GetReference(0), newT);
  EXPECT_EQ(newT->NumDependents(), 4);
  EXPECT_EQ(TestNode::live, 3);  // the old target went away with its last dependent
}

TEST_F(ReferenceTest, EnumRefHierarchyVisitsEachOnceInSlotOrder) {
  RefHolder root(new TestNode("root", 3));
  auto* x = new TestNode("x", 1);
  auto* y = new TestNode("y", 1);
  auto* z = new TestNode("z");
  root.get()->ReplaceReference(0, x);
  root.get()->ReplaceReference(1, y);
  root.get()->ReplaceReference(2, x);
  x->ReplaceReference(0, z);
  y->ReplaceReference(0, z);
  CountingEnum all;
  EXPECT_TRUE(root.get()->EnumRefHierarchy(all));
  EXPECT_EQ(all.visited, (std::vector<std::string>{"root", "x", "z", "y"}));
  CountingEnum skipping;
  skipping.skip = x;
  root.get()->EnumRefHierarchy(skipping);
  EXPECT_EQ(skipping.visited, (std::vector<std::string>{"root", "x", "y", "z"}));
}

TEST_F(ReferenceTest, CycleDoesNotHangWalksOrClones) {
  RefHolder root(new TestNode("a", 1));
  auto* b = new TestNode("b", 1);
  root.get()->ReplaceReference(0, b);
  b->ReplaceReference(0, root.get());
  CountingEnum all;
  root.get()->EnumRefHierarchy(all);
  EXPECT_EQ(all.visited.size(), 2u);
  RefHolder copy(root.get()->Clone());
  auto* copyB = copy.get()->GetReference(0);
  ASSERT_NE(copyB, nullptr);
  EXPECT_NE(copyB, b);
  EXPECT_EQ(copyB->GetReference(0), copy.get());  // the cycle closes on the copy
  // Break the cycles so the holders can free everything.
  b->DeleteReference(0);
  copyB->DeleteReference(0);
}

TEST_F(ReferenceTest, CloneKeepsSharingInsideTheCopy) {
  RefHolder root(new TestNode("root", 2));
  auto* shared = new TestNode("shared");
  root.get()->ReplaceReference(0, shared);
  root.get()->ReplaceReference(1, shared);
  RefHolder copy(root.get()->Clone());
  ReferenceTarget* c0 = copy.get()->GetReference(0);
  EXPECT_NE(c0, shared);
  EXPECT_EQ(c0, copy.get()->GetReference(1));
  EXPECT_EQ(TestNode::live, 4);
}

TEST_F(ReferenceTest, ReplaceReferenceOutOfRangeFails) {
  RefHolder root(new TestNode("root", 1));
  auto* t = new TestNode("t");
  EXPECT_EQ(root.get()->ReplaceReference(1, t), REF_FAIL);
  EXPECT_EQ(root.get()->ReplaceReference(-1, t), REF_FAIL);
  EXPECT_EQ(t->NumDependents(), 0);
  t->DeleteThis();
}
