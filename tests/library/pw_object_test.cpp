#include <gtest/gtest.h>

#include <cstring>

#include "host/io/chunk_io.h"
#include "library/library_fixture.h"
#include "plugin/class_ids.h"

namespace pw::test {
namespace {

using PwObjectTest = LibraryTest;

// Chunks as an object's Save writes them, for building old and damaged data.
struct Chunk {
  std::uint16_t id;
  std::vector<std::uint8_t> data;
};
template <class T>
Chunk Value(std::uint16_t id, T v) {
  Chunk c{id, std::vector<std::uint8_t>(sizeof v)};
  std::memcpy(c.data.data(), &v, sizeof v);
  return c;
}
Chunk Text(std::uint16_t id, const std::string& s) { return {id, std::vector<std::uint8_t>(s.c_str(), s.c_str() + s.size() + 1)}; }

std::vector<std::uint8_t> Bytes(const std::vector<Chunk>& chunks) {
  host::MemorySave out;
  for (const Chunk& c : chunks) {
    out.BeginChunk(c.id);
    out.Write(c.data.data(), c.data.size(), nullptr);
    out.EndChunk();
  }
  return out.TakeBytes();
}

struct Loaded {
  host::IOResult result;
  StandIn* obj;
};
Loaded LoadInto(const std::vector<std::uint8_t>& bytes) {
  auto* obj = new StandIn(PW_BRUSH_CLASS_ID, true);
  host::MemoryLoad in(bytes);
  return {obj->Load(&in), obj};
}

TEST_F(PwObjectTest, NewObjectsAreUserMaterials) {
  StandIn obj(PW_PAINT_CLASS_ID, true);
  EXPECT_EQ(obj.GetOrigin(), PW_ORIGIN_USER);
  EXPECT_EQ(obj.GetNumber(), PW_NUMBER_NONE);
  EXPECT_EQ(obj.NumRefs(), 4);
  EXPECT_EQ(obj.DisplayClassName(), "Paint");
  EXPECT_TRUE(obj.CanPreviewAsLine());
  EXPECT_TRUE(obj.IsDrawingTool());
}

TEST_F(PwObjectTest, SaveWritesTheCommonChunksThenTheExtraOnes) {
  auto* obj = new StandIn(PW_STROKE_CLASS_ID, false);
  Hold(obj);
  obj->SetName("Dash-dot-dot");
  obj->SetOrigin(PW_ORIGIN_PRESET);
  obj->SetNumber(106);
  obj->value = 42;
  host::MemorySave out;
  ASSERT_EQ(obj->Save(&out), host::IO_OK);
  EXPECT_EQ(out.Bytes(), Bytes({Value<std::uint16_t>(0, 2), Text(1, "Dash-dot-dot"), Value<std::int32_t>(2, 1),
                                Value<std::int32_t>(3, 106), Value<std::int32_t>(StandIn::VALUE_CHUNK, 42)}));

  Loaded back = LoadInto(out.Bytes());
  Hold(back.obj);
  ASSERT_EQ(back.result, host::IO_OK);
  EXPECT_EQ(back.obj->GetName(), "Dash-dot-dot");
  EXPECT_EQ(back.obj->GetOrigin(), PW_ORIGIN_PRESET);
  EXPECT_EQ(back.obj->GetNumber(), 106);
  EXPECT_EQ(back.obj->value, 42);
}

TEST_F(PwObjectTest, VersionOneObjectsBecomeUserMaterials) {
  struct Case {
    std::uint16_t version;
    int origin;
    int number;
  };
  for (Case c : {Case{1, PW_ORIGIN_USER, PW_NUMBER_NONE}, Case{2, PW_ORIGIN_PRESET, 203}}) {
    Loaded back = LoadInto(
        Bytes({Value(0, c.version), Text(1, "Old"), Value<std::int32_t>(2, 1), Value<std::int32_t>(3, 203)}));
    Hold(back.obj);
    EXPECT_EQ(back.result, host::IO_OK);
    EXPECT_EQ(back.obj->GetName(), "Old");
    EXPECT_EQ(back.obj->GetOrigin(), c.origin) << c.version;
    EXPECT_EQ(back.obj->GetNumber(), c.number) << c.version;
  }
}

TEST_F(PwObjectTest, DamagedChunksEndTheLoad) {
  const std::vector<std::vector<Chunk>> damaged = {
      {Value<std::uint8_t>(0, 2)},                       // version cut short
      {Value<std::uint16_t>(0, 2), {1, {'a', 'b'}}},     // name without its zero
      {Value<std::uint16_t>(0, 2), Value<std::int16_t>(2, 1)},  // origin cut short
      {Value<std::uint16_t>(0, 2), Value<std::uint8_t>(3, 1)},
      {Value<std::uint16_t>(0, 2), Value<std::uint16_t>(StandIn::VALUE_CHUNK, 1)},  // the class's own chunk
  };
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    Loaded back = LoadInto(Bytes(damaged[i]));
    Hold(back.obj);
    EXPECT_EQ(back.result, host::IO_ERROR) << i;
    EXPECT_EQ(back.obj->GetOrigin(), PW_ORIGIN_USER) << "nothing half-read is kept";
  }
  // Chunks nobody knows are skipped.
  Loaded back = LoadInto(Bytes({Value<std::uint16_t>(0, 2), Value<std::int32_t>(777, 5), Text(1, "Fine")}));
  Hold(back.obj);
  EXPECT_EQ(back.result, host::IO_OK);
  EXPECT_EQ(back.obj->GetName(), "Fine");
}

// Records what dependents are told.
class Listener : public host::ReferenceMaker {
 public:
  explicit Listener(host::ReferenceTarget* t) { ReplaceReference(0, t); }
  ~Listener() override { DeleteAllRefs(); }
  int NumRefs() override { return 1; }
  host::ReferenceTarget* GetReference(int) override { return target_; }
  host::RefResult NotifyRefChanged(const host::Interval&, host::ReferenceTarget*, host::PartID&,
                                   host::RefMessage message) override {
    heard.push_back(message);
    return host::REF_SUCCEED;
  }
  std::vector<host::RefMessage> heard;

 protected:
  void SetReference(int, host::ReferenceTarget* t) override { target_ = t; }

 private:
  host::ReferenceTarget* target_ = nullptr;
};

TEST_F(PwObjectTest, NameAndChangeNotifications) {
  auto* obj = new StandIn(PW_BRUSH_CLASS_ID, false);
  Listener listener(obj);
  obj->SetName("Thin");
  obj->NotifyChanged(0);
  EXPECT_EQ(listener.heard, (std::vector<host::RefMessage>{host::REFMSG_NODE_NAMECHANGE, host::REFMSG_CHANGE}));
  EXPECT_EQ(obj->GetName(), "Thin");
}

}  // namespace
}  // namespace pw::test
