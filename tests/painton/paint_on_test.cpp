// The paint-on modifier: values kept per vertex count, written into
// vertex-data channel 2, and saved with the stack.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "host/io/chunk_io.h"
#include "host/refs/class_desc.h"
#include "host/refs/scene_file.h"
#include "host/scene/host_classes.h"
#include "host/scene/node.h"
#include "host/scene/object_derived.h"
#include "host/scene/object_tri.h"
#include "painton/paint_on.h"
#include "plugin/class_table.h"

namespace pw {
namespace {

host::Mesh Fan(int verts) {
  host::Mesh m;
  m.setNumVerts(verts);
  for (int i = 0; i < verts; ++i) m.setVert(i, host::Point3(std::cos(0.3f * i), std::sin(0.3f * i), 0));
  m.setNumFaces(verts - 2);
  for (int f = 0; f < verts - 2; ++f) m.faces()[f].setVerts(0, f + 1, f + 2);
  return m;
}

std::vector<float> Channel(const host::Mesh& m) {
  auto v = m.vertexFloat(host::VDATA_ALPHA);
  return {v.begin(), v.end()};
}

// Runs the modifier over a copy of `mesh` with the context's data.
std::vector<float> Evaluate(PwPaintOn& mod, host::ModContext& mc, const host::Mesh& mesh,
                            host::Interval* validity = nullptr, host::TimeValue t = 0) {
  host::TriObject obj(mesh);
  host::ObjectState os(&obj);
  mod.ModifyObject(t, mc, os, nullptr);
  if (validity) *validity = os.validity;
  EXPECT_TRUE(obj.mesh.vDataSupport(host::VDATA_ALPHA));
  return Channel(obj.mesh);
}

TEST(PaintOn, ValuesFollowTheVertexCountAndComeBackWithIt) {
  PwPaintOn mod;
  host::ModContext mc;
  const host::Mesh five = Fan(5), seven = Fan(7);
  EXPECT_EQ(Evaluate(mod, mc, five), std::vector<float>(5, 1.0f));
  const std::vector<float> painted{0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
  PaintOnDataOf(mc)->SetValues(painted);
  EXPECT_EQ(Evaluate(mod, mc, five), painted);
  // A topology change upstream: fresh, full values for the new count...
  EXPECT_EQ(Evaluate(mod, mc, seven), std::vector<float>(7, 1.0f));
  PaintOnDataOf(mc)->SetValues(std::vector<float>(7, 0.5f));
  // ...and the earlier ones again when the count returns.
  EXPECT_EQ(Evaluate(mod, mc, five), painted);
  EXPECT_EQ(Evaluate(mod, mc, seven), std::vector<float>(7, 0.5f));
  EXPECT_EQ(PaintOnDataOf(mc)->Entries().size(), 2u);
  PaintOnDataOf(mc)->EraseAll();
  EXPECT_EQ(Evaluate(mod, mc, five), std::vector<float>(5, 1.0f));
}

TEST(PaintOn, ChannelReplacesWhatCameFromBelowAndHoldsAtOneTimeOnly) {
  PwPaintOn mod;
  host::ModContext mc;
  host::Mesh mesh = Fan(4);
  ASSERT_TRUE(mesh.setVDataSupport(host::VDATA_ALPHA));
  for (float& v : mesh.vertexFloat(host::VDATA_ALPHA)) v = 0.1f;
  PaintOnDataOf(mc)->SetValues(std::vector<float>{0.9f, 0.8f, 0.7f, 0.6f});
  host::Interval valid;
  EXPECT_EQ(Evaluate(mod, mc, mesh, &valid, 160), (std::vector<float>{0.9f, 0.8f, 0.7f, 0.6f}));
  EXPECT_EQ(valid, host::Interval(160, 160));
  // Not a mesh and not convertible: nothing happens, nothing is kept.
  host::ModContext other;
  host::ObjectState none;
  mod.ModifyObject(0, other, none, nullptr);
  EXPECT_EQ(other.localData, nullptr);
}

TEST(PaintOn, PaintValueStaysWithinZeroToOne) {
  PwPaintOn mod;
  mod.StepPaintValue(0.1f);
  EXPECT_EQ(mod.PaintValue(), 1.0f);
  mod.SetPaintValue(0.0f);
  mod.StepPaintValue(-0.1f);
  EXPECT_EQ(mod.PaintValue(), 0.0f);
  mod.SetPaintValue(NAN);
  EXPECT_EQ(mod.PaintValue(), 1.0f);
}

// ---- Persistence -----------------------------------------------------------------------

class PaintOnFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::RegisterHostClasses(host::ClassRegistry::Global());
    RegisterPluginClasses(host::ClassRegistry::Global());
    ASSERT_TRUE(RegisterPaintOnClass());
  }
};

std::vector<std::uint8_t> SavedData(const PwPaintOnData& data) {
  host::MemorySave save;
  EXPECT_EQ(data.Save(&save), host::IO_OK);
  return save.TakeBytes();
}

TEST_F(PaintOnFileTest, StackRoundTripKeepsEveryEntry) {
  auto* node = new host::INode("Fan");
  host::RefHolder hold(node);
  node->SetObjectRef(new host::TriObject(Fan(6)));
  auto* mod = new PwPaintOn();
  host::DerivedObject* stack = host::AddModifierToNode(node, mod);
  ASSERT_NE(stack, nullptr);
  PwPaintOnData* data = PaintOnDataOf(*stack->GetModContext(0));
  data->SetValues(std::vector<float>{0, 0.2f, 0.4f, 0.6f, 0.8f, 1});
  data->SetValues(std::vector<float>{0.5f, 0.5f, 0.5f});
  mod->DisableModInRender();

  const host::SceneSaveResult saved = host::SaveSceneToBytes(node);
  ASSERT_TRUE(saved.ok()) << saved.error;
  host::SceneLoadResult loaded = host::LoadSceneFromBytes(saved.bytes, host::ClassRegistry::Global());
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  host::RefHolder holdLoaded(loaded.root);
  auto* copy = dynamic_cast<host::INode*>(loaded.root);
  ASSERT_NE(copy, nullptr);
  auto* copyStack = dynamic_cast<host::DerivedObject*>(copy->GetObjectRef());
  ASSERT_NE(copyStack, nullptr);
  auto* copyMod = dynamic_cast<PwPaintOn*>(copyStack->GetModifier(0));
  ASSERT_NE(copyMod, nullptr);
  EXPECT_FALSE(copyMod->IsEnabledInRender());
  auto* copyData = dynamic_cast<PwPaintOnData*>(copyStack->GetModContext(0)->localData);
  ASSERT_NE(copyData, nullptr);
  EXPECT_EQ(copyData->Entries(), data->Entries());
}

TEST_F(PaintOnFileTest, AnyChunkFrom110To210IsAValueList) {
  for (std::uint16_t id : {std::uint16_t{110}, std::uint16_t{150}, std::uint16_t{210}, std::uint16_t{211}}) {
    host::MemorySave save;
    save.WriteChunk<std::int32_t>(kPaintOnDataChunkVersion, 7);
    save.BeginChunk(id);
    save.WriteValue<std::int32_t>(1);
    save.WriteValue<std::int32_t>(2);
    save.WriteValue<std::int32_t>(2);
    save.WriteValue(0.25f);
    save.WriteValue(0.75f);
    save.EndChunk();
    host::MemoryLoad load(save.Bytes());
    PwPaintOnData data;
    ASSERT_EQ(data.Load(&load), host::IO_OK) << load.Error();
    if (id == 211) {
      EXPECT_TRUE(data.Entries().empty());
    } else {
      ASSERT_EQ(data.Entries().size(), 1u) << id;
      EXPECT_EQ(data.Entries()[0].values, (std::vector<float>{0.25f, 0.75f}));
    }
  }
}

// Cut anywhere, the data either reads fully or fails with a reason and
// keeps what it had; never a crash or a half-read array.
TEST_F(PaintOnFileTest, TruncationSweepAndLyingCounts) {
  PwPaintOnData original;
  original.SetValues(std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f});
  original.SetValues(std::vector<float>{0.9f, 0.8f});
  const std::vector<std::uint8_t> bytes = SavedData(original);
  PwPaintOnData before;
  before.SetValues(std::vector<float>{0.5f});
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    host::MemoryLoad load(cut);
    PwPaintOnData data = before;
    if (data.Load(&load) == host::IO_OK) {
      // Only a cut between whole chunks reads, and then as nothing or the
      // version alone.
      EXPECT_TRUE(data.Entries().empty()) << n;
    } else {
      EXPECT_EQ(data.Entries(), before.Entries()) << n;
    }
  }
  // A value count larger than the chunk: refused before allocating.
  std::vector<std::uint8_t> lying = bytes;
  const std::size_t firstCount = 6 + 4 + 6 + 4 + 4;  // version chunk, list header, entry count, vertex count
  lying[firstCount + 3] = 0x7f;
  host::MemoryLoad load(lying);
  PwPaintOnData data;
  EXPECT_EQ(data.Load(&load), host::IO_ERROR);
  EXPECT_NE(load.Error().find("more values than the file holds"), std::string::npos) << load.Error();
}

// An entry whose array length disagrees with its vertex count is fitted to
// the count: evaluation never reads past it.
TEST_F(PaintOnFileTest, MismatchedEntryIsFittedToItsCount) {
  host::MemorySave save;
  save.BeginChunk(kPaintOnChunkValuesFirst);
  save.WriteValue<std::int32_t>(1);
  save.WriteValue<std::int32_t>(4);
  save.WriteValue<std::int32_t>(2);
  save.WriteValue(0.25f);
  save.WriteValue(0.5f);
  save.EndChunk();
  host::MemoryLoad load(save.Bytes());
  PwPaintOnData data;
  ASSERT_EQ(data.Load(&load), host::IO_OK);
  host::ModContext mc;
  mc.localData = data.Clone();
  PwPaintOn mod;
  EXPECT_EQ(Evaluate(mod, mc, Fan(4)), (std::vector<float>{0.25f, 0.5f, 1.0f, 1.0f}));
}

}  // namespace
}  // namespace pw
