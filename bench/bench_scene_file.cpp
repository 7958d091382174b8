// Saving and loading scene files of many small objects: the cost per object
// of the chunked container, which every scene and art-material file pays.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "host/io/chunk_io.h"
#include "host/refs/class_desc.h"
#include "host/refs/scene_file.h"

namespace {

using namespace host;

constexpr Class_ID kBenchNodeId{0x7E570001, 0x00000099};

class BenchNode : public ReferenceTarget {
 public:
  explicit BenchNode(int refs = 0) : refs_(refs, nullptr) {}
  Class_ID ClassID() const override { return kBenchNodeId; }
  SClass_ID SuperClassID() const override { return REF_TARGET_CLASS_ID; }
  int NumRefs() override { return static_cast<int>(refs_.size()); }
  ReferenceTarget* GetReference(int i) override { return refs_[i]; }
  IOResult Save(ISave* s) override {
    s->WriteStringChunk(1, name);
    s->WriteChunk<std::int32_t>(2, NumRefs());
    return s->WriteChunk<float>(3, value);
  }
  IOResult Load(ILoad* l) override {
    IOResult r;
    while ((r = l->OpenChunk()) == IO_OK) {
      if (l->CurChunkID() == 1) l->ReadCStringChunk(&name);
      if (l->CurChunkID() == 2) {
        std::int32_t n = 0;
        l->ReadValue(&n);
        refs_.assign(n, nullptr);
      }
      if (l->CurChunkID() == 3) l->ReadValue(&value);
      l->CloseChunk();
    }
    return IO_OK;
  }
  std::string name = "a material with a name";
  float value = 0.5f;

 protected:
  void SetReference(int i, ReferenceTarget* t) override { refs_[i] = t; }

 private:
  std::vector<ReferenceTarget*> refs_;
};

class BenchDesc : public ClassDesc {
 public:
  ReferenceTarget* Create(bool) override { return new BenchNode(); }
  std::string ClassName() const override { return "BenchNode"; }
  SClass_ID SuperClassID() const override { return REF_TARGET_CLASS_ID; }
  Class_ID ClassID() const override { return kBenchNodeId; }
};

// A root with n children, each child also referring to one shared leaf.
ReferenceTarget* MakeGraph(int n) {
  auto* root = new BenchNode(n);
  auto* leaf = new BenchNode();
  for (int i = 0; i < n; ++i) {
    auto* child = new BenchNode(1);
    child->ReplaceReference(0, leaf);
    root->ReplaceReference(i, child);
  }
  return root;
}

void BM_SceneSave(benchmark::State& state) {
  RefHolder root(MakeGraph(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(SaveSceneToBytes(root.get()).bytes.size());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SceneSave)->Arg(1000)->Arg(100000);

void BM_SceneLoad(benchmark::State& state) {
  RefHolder root(MakeGraph(static_cast<int>(state.range(0))));
  auto bytes = SaveSceneToBytes(root.get()).bytes;
  BenchDesc desc;
  ClassRegistry registry;
  registry.Register(&desc);
  for (auto _ : state) {
    auto loaded = LoadSceneFromBytes(bytes, registry);
    loaded.root->DeleteThis();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_SceneLoad)->Arg(1000)->Arg(100000);

}  // namespace
