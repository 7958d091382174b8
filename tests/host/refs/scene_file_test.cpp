#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

namespace {

// Points the one reference of the saved object whose references read
// exactly `count`, `from` at `to` instead; false when no such chunk is found.
bool Repoint(std::vector<std::uint8_t>& bytes, std::int32_t from, std::int32_t to) {
  const std::uint8_t pattern[] = {0x12, 0x00, 14, 0, 0, 0, 1, 0, 0, 0};
  for (std::size_t i = 0; i + sizeof pattern + 4 <= bytes.size(); ++i) {
    if (!std::equal(std::begin(pattern), std::end(pattern), bytes.begin() + static_cast<std::ptrdiff_t>(i))) continue;
    std::int32_t v;
    std::memcpy(&v, &bytes[i + sizeof pattern], 4);
    if (v != from) continue;
    std::memcpy(&bytes[i + sizeof pattern], &to, 4);
    return true;
  }
  return false;
}

}  // namespace

// A damaged file whose references loop (an object naming itself, or one
// naming the root that reaches it) loads with the looping reference
// dropped and a warning: kept, the loop would hold all its objects alive
// for ever. Saving never makes such a file.
TEST_F(SceneFileTest, ReferenceCyclesAreBrokenAndFreed) {
  RefHolder original(MakeGraph());
  const auto good = SaveSceneToBytes(original.get()).bytes;
  // Saved in walking order: root 0, a 1, shared 2, b 3; a's one reference is shared.
  struct Case {
    std::int32_t to;
    const char* says;
  };
  for (const Case& c :
       {Case{1, "object 1 (TestNode) reference 0 refers to the object itself (a reference cycle); the reference is "
                "dropped"},
        Case{0, "object 1 (TestNode) reference 0 refers back to object 0, which refers to it (a reference cycle)"}}) {
    SCOPED_TRACE(c.to);
    auto bytes = good;
    ASSERT_TRUE(Repoint(bytes, 2, c.to)) << "the test's picture of the layout is out of date";
    {
      auto loaded = LoadSceneFromBytes(bytes, registry);
      ASSERT_TRUE(loaded.ok()) << loaded.error;
      ASSERT_EQ(loaded.warnings.size(), 1u);
      EXPECT_NE(loaded.warnings[0].find(c.says), std::string::npos) << loaded.warnings[0];
      RefHolder back(loaded.root);
      TestNode* a = Ref(loaded.root, 0);
      ASSERT_NE(a, nullptr);
      EXPECT_EQ(a->GetReference(0), nullptr);
      // b still reaches a, and shared through root and b.
      EXPECT_EQ(Ref(Ref(loaded.root, 1), 1), a);
      EXPECT_EQ(TestNode::live, 8);
    }
    EXPECT_EQ(TestNode::live, 4) << "letting go of the root frees every loaded object";
  }
  // Sharing is no cycle: the untouched file loads without a word.
  auto loaded = LoadSceneFromBytes(good, registry);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  EXPECT_TRUE(loaded.warnings.empty());
  RefHolder back(loaded.root);
}

// A pipe or a folder given as a scene file is refused before it is opened
// (opening a pipe would wait for a writer for ever).
TEST_F(SceneFileTest, OnlyRegularFilesAreOpened) {
  const auto dir = std::filesystem::temp_directory_path() / ("pw_scene_fifo_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string fifo = (dir / "pipe.pwscene").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto fromPipe = LoadSceneFile(fifo, registry);
  EXPECT_NE(fromPipe.error.find("pipe.pwscene: cannot open: not a regular file"), std::string::npos) << fromPipe.error;
  auto fromFolder = LoadSceneFile(dir.string(), registry);
  EXPECT_NE(fromFolder.error.find("cannot open: it is a folder"), std::string::npos) << fromFolder.error;
  std::filesystem::remove_all(dir);
}
