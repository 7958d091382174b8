#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "host/refs/scene_file.h"
#include "support/test_node.h"

using namespace host;
using pwtest::TestNode;

namespace {

// Records when post-load work runs relative to reference linking.
class LinkCheckingNode : public TestNode {
 public:
  static constexpr Class_ID kId{0x7E570001, 0x00000002};
  LinkCheckingNode() : TestNode("", 1) {}
  Class_ID ClassID() const override { return kId; }
  IOResult Load(ILoad* iload) override {
    struct Check : PostLoadCallback {
      LinkCheckingNode* node;
      void proc(ILoad*) override {
        node->linkedAtPostLoad = node->GetReference(0) != nullptr;
        delete this;
      }
      void Abandon() override { delete this; }
    };
    auto* cb = new Check;
    cb->node = this;
    iload->RegisterPostLoadCallback(cb);
    return TestNode::Load(iload);
  }
  bool linkedAtPostLoad = false;
};

class LinkCheckingDesc : public pwtest::TestNodeClassDesc {
 public:
  ReferenceTarget* Create(bool) override { return new LinkCheckingNode(); }
  Class_ID ClassID() const override { return LinkCheckingNode::kId; }
};

class SceneFileTest : public ::testing::Test {
 protected:
  SceneFileTest() {
    registry.Register(&nodeDesc);
    registry.Register(&linkDesc);
  }
  void TearDown() override { EXPECT_EQ(TestNode::live, 0); }

  // root -> {a, b, shared, null}; a -> shared; b -> shared, a
  static TestNode* MakeGraph() {
    auto* root = new TestNode("root", 4);
    auto* a = new TestNode("a", 1);
    auto* b = new TestNode("b", 2);
    auto* shared = new TestNode("shared");
    shared->number = 42;
    root->ReplaceReference(0, a);
    root->ReplaceReference(1, b);
    root->ReplaceReference(2, shared);
    a->ReplaceReference(0, shared);
    b->ReplaceReference(0, shared);
    b->ReplaceReference(1, a);
    return root;
  }

  pwtest::TestNodeClassDesc nodeDesc;
  LinkCheckingDesc linkDesc;
  ClassRegistry registry;
};

// Frees a graph even when damage made it cyclic.
void DeleteGraph(ReferenceTarget* root) {
  struct Collect : RefEnumProc {
    std::vector<ReferenceTarget*> all;
    int proc(ReferenceMaker* m) override {
      all.push_back(static_cast<ReferenceTarget*>(m));
      return REF_ENUM_CONTINUE;
    }
  } collect;
  root->EnumRefHierarchy(collect);
  for (ReferenceTarget* t : collect.all) t->SetAutoDelete(false);
  for (ReferenceTarget* t : collect.all) t->DeleteAllRefs();
  for (ReferenceTarget* t : collect.all) t->DeleteThis();
}

TestNode* Ref(ReferenceTarget* t, int i) { return static_cast<TestNode*>(t->GetReference(i)); }

}  // namespace

TEST_F(SceneFileTest, GraphRoundTripsWithSharingPreserved) {
  RefHolder original(MakeGraph());
  SceneSaveResult saved = SaveSceneToBytes(original.get());
  ASSERT_TRUE(saved.ok()) << saved.error;

  SceneLoadResult loaded = LoadSceneFromBytes(saved.bytes, registry);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  RefHolder root(loaded.root);
  auto* r = static_cast<TestNode*>(root.get());
  EXPECT_EQ(r->name_, "root");
  TestNode* a = Ref(r, 0);
  TestNode* b = Ref(r, 1);
  TestNode* shared = Ref(r, 2);
  ASSERT_TRUE(a && b && shared);
  EXPECT_EQ(Ref(r, 3), nullptr);
  EXPECT_EQ(shared->name_, "shared");
  EXPECT_EQ(shared->number, 42);
  EXPECT_EQ(Ref(a, 0), shared);
  EXPECT_EQ(Ref(b, 0), shared);
  EXPECT_EQ(Ref(b, 1), a);
  EXPECT_EQ(shared->NumDependents(), 3);
  EXPECT_EQ(TestNode::live, 8);  // four originals, four loaded, nothing extra

  // Saving the loaded graph gives the same bytes: the format is deterministic.
  EXPECT_EQ(SaveSceneToBytes(root.get()).bytes, saved.bytes);
}

TEST_F(SceneFileTest, PostLoadCallbacksRunAfterReferencesAreLinked) {
  auto* node = new LinkCheckingNode();
  RefHolder original(node);
  node->ReplaceReference(0, new TestNode("child"));
  auto saved = SaveSceneToBytes(node);
  auto loaded = LoadSceneFromBytes(saved.bytes, registry);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  RefHolder root(loaded.root);
  EXPECT_TRUE(static_cast<LinkCheckingNode*>(root.get())->linkedAtPostLoad);
}

TEST_F(SceneFileTest, UnknownClassIsNamedInTheError) {
  RefHolder original(MakeGraph());
  auto saved = SaveSceneToBytes(original.get());
  ClassRegistry empty;
  auto loaded = LoadSceneFromBytes(saved.bytes, empty);
  EXPECT_FALSE(loaded.ok());
  EXPECT_EQ(loaded.root, nullptr);
  EXPECT_NE(loaded.error.find("object 0: unknown class (super class 0x100, class id 0x7E570001, 0x1)"),
            std::string::npos)
      << loaded.error;
}

TEST_F(SceneFileTest, UnknownChunksAreSkipped) {
  // A file from a later version: extra top-level and per-object chunks.
  RefHolder original(new TestNode("solo"));
  auto saved = SaveSceneToBytes(original.get());
  auto bytes = saved.bytes;
  const std::vector<std::uint8_t> extra = {0x77, 0x77, 0x09, 0x00, 0x00, 0x00, 1, 2, 3};
  bytes.insert(bytes.end(), extra.begin(), extra.end());
  auto loaded = LoadSceneFromBytes(bytes, registry);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  RefHolder root(loaded.root);
  EXPECT_EQ(static_cast<TestNode*>(root.get())->name_, "solo");
}

TEST_F(SceneFileTest, NotASceneFile) {
  const std::string text = "this is plain text, not a scene";
  auto loaded = LoadSceneFromBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                                   registry);
  EXPECT_EQ(loaded.error, "not a Penwright scene file");
}

TEST_F(SceneFileTest, HugeObjectCountDoesNotAllocate) {
  RefHolder original(new TestNode("solo"));
  auto bytes = SaveSceneToBytes(original.get()).bytes;
  // The header's object count follows the signature, the chunk header and the version.
  const std::size_t at = 8 + 6 + 4;
  bytes[at] = bytes[at + 1] = bytes[at + 2] = bytes[at + 3] = 0xFF;
  auto loaded = LoadSceneFromBytes(bytes, registry);
  EXPECT_NE(loaded.error.find("more than the file can hold"), std::string::npos) << loaded.error;
}

TEST_F(SceneFileTest, TruncatedAndFlippedFilesFailCleanly) {
  RefHolder original(MakeGraph());
  const auto good = SaveSceneToBytes(original.get()).bytes;
  int failures = 0, variants = 0;
  auto tryLoad = [&](const std::vector<std::uint8_t>& bytes) {
    ++variants;
    auto loaded = LoadSceneFromBytes(bytes, registry);
    if (loaded.ok()) {
      ASSERT_NE(loaded.root, nullptr);
      DeleteGraph(loaded.root);  // a flip inside a name or a reference index may still load
    } else {
      ++failures;
      EXPECT_EQ(loaded.root, nullptr);
      EXPECT_FALSE(loaded.error.empty());
    }
  };
  // Every truncated length must fail: the header's object count is never met.
  for (std::size_t len = 0; len < good.size(); ++len) {
    tryLoad(std::vector<std::uint8_t>(good.begin(), good.begin() + len));
  }
  EXPECT_EQ(failures, variants);
  std::mt19937 rng(1234);
  for (int i = 0; i < 300; ++i) {
    auto bytes = good;
    const int flips = 1 + static_cast<int>(rng() % 3);
    for (int f = 0; f < flips; ++f) bytes[rng() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
    tryLoad(bytes);
  }
  EXPECT_EQ(TestNode::live, 4);  // only the originals: failed loads freed what they made
}

TEST_F(SceneFileTest, SavingFailureLeavesTheOldFileInPlace) {
  const auto dir = std::filesystem::temp_directory_path() / "pw_scene_file_test";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "scene.pwscene").string();
  RefHolder original(MakeGraph());
  ASSERT_EQ(SaveSceneFile(path, original.get()), "");
  auto loaded = LoadSceneFile(path, registry);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  loaded.root->DeleteThis();

  const std::string bad = (dir / "missing-dir" / "scene.pwscene").string();
  std::string err = SaveSceneFile(bad, original.get());
  EXPECT_NE(err.find(bad), std::string::npos) << err;

  auto missing = LoadSceneFile((dir / "nope.pwscene").string(), registry);
  EXPECT_NE(missing.error.find("nope.pwscene: cannot open"), std::string::npos) << missing.error;
  std::filesystem::remove_all(dir);
}
