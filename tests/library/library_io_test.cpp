#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "host/io/chunk_io.h"
#include "host/refs/scene_file.h"
#include "library/library_fixture.h"
#include "library/library_materials.h"
#include "plugin/class_ids.h"

namespace pw::test {
namespace {

using LibraryIo = LibraryTest;

// Overwrites the first value of chunk `chunkId` inside the data of every
// object of class `cls` in a saved scene: how the tests make files of older
// formats and damaged files. Answers how many chunks were changed.
template <class T>
int PatchObjectChunk(std::vector<std::uint8_t>& bytes, host::Class_ID cls, std::uint16_t chunkId, T value) {
  const std::size_t base = sizeof host::SCENE_FILE_SIGNATURE;
  host::MemoryLoad top(std::span<const std::uint8_t>(bytes).subspan(base));
  int patched = 0;
  while (top.OpenChunk() == host::IO_OK) {
    if (top.CurChunkID() == host::SCENE_CHUNK_OBJECT) {
      bool match = false;
      while (top.OpenChunk() == host::IO_OK) {
        if (top.CurChunkID() == host::SCENE_CHUNK_CLASS) {
          std::uint32_t super = 0, a = 0, b = 0;
          top.ReadValue(&super);
          top.ReadValue(&a);
          top.ReadValue(&b);
          match = host::Class_ID(a, b) == cls;
        } else if (top.CurChunkID() == host::SCENE_CHUNK_DATA && match) {
          while (top.OpenChunk() == host::IO_OK) {
            if (top.CurChunkID() == chunkId) {
              std::memcpy(bytes.data() + base + top.Position(), &value, sizeof value);
              ++patched;
            }
            top.CloseChunk();
          }
        }
        top.CloseChunk();
      }
    }
    top.CloseChunk();
  }
  return patched;
}

const std::vector<host::Class_ID> kArtClasses{PW_STYLE_CLASS_ID,  PW_PAINT_CLASS_ID,  PW_BRUSH_CLASS_ID,
                                              PW_STROKE_CLASS_ID, PW_CANVAS_CLASS_ID, PW_SURFACE_CLASS_ID};

// Loads a saved library; the fixture keeps it alive.
PwObjectLibrary* LoadLibrary(const std::vector<std::uint8_t>& bytes, LibraryTest* /*unused*/,
                             std::string* error = nullptr) {
  host::SceneLoadResult loaded = host::LoadSceneFromBytes(bytes, host::ClassRegistry::Global());
  if (error) *error = loaded.error;
  return dynamic_cast<PwObjectLibrary*>(loaded.root);
}

struct Snapshot {
  int slot;
  host::Class_ID cls;
  std::string name;
  int origin;
  int number;
  std::int32_t value;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

std::vector<Snapshot> Contents(PwObjectLibrary& lib) {
  std::vector<Snapshot> out;
  for (int i = 0; i < lib.Capacity(); ++i)
    if (auto* obj = dynamic_cast<StandIn*>(lib.Get(i)))
      out.push_back({i, obj->ClassID(), obj->GetName(), obj->GetOrigin(), obj->GetNumber(), obj->value});
  return out;
}

TEST_F(LibraryIo, SaveAndLoadKeepSlotsNamesIdsAndLinks) {
  PwObjectLibrary* lib = MakeLibrary();
  // Sparse: presets gone in the middle (slot 47) and at the end (slot 64,
  // so the saved count shrinks), a user material in another hole.
  ASSERT_EQ(lib->Find(PW_ORIGIN_PRESET, 219), 47);
  ASSERT_TRUE(lib->Remove(47, true));
  ASSERT_TRUE(lib->Remove(3 + 7, true));
  auto* user = new StandIn(PW_STYLE_CLASS_ID, false);
  user->SetName("Mine");
  user->value = -7;
  user->SetTool(0, lib->Get(lib->Find(PW_ORIGIN_PRESET, 209)));
  ASSERT_EQ(lib->Add(user), 10);
  ASSERT_TRUE(lib->Remove(64, true));
  const std::vector<Snapshot> before = Contents(*lib);
  const std::uint32_t id = lib->LibraryId();

  host::SceneSaveResult saved = host::SaveSceneToBytes(lib);
  ASSERT_TRUE(saved.ok()) << saved.error;
  ReleaseAll();
  posted.clear();

  std::string error;
  PwObjectLibrary* back = LoadLibrary(saved.bytes, this, &error);
  ASSERT_NE(back, nullptr) << error;
  Hold(back);
  EXPECT_EQ(Contents(*back), before);
  EXPECT_EQ(back->LibraryId(), id);
  EXPECT_EQ(back->Used(), 63) << "counts objects, not slots";
  EXPECT_EQ(back->SlotCount(), 64);
  EXPECT_FALSE(back->Loading());
  EXPECT_EQ(back->LoadedVersion(), -1);
  EXPECT_EQ(back->Get(64), nullptr);
  EXPECT_EQ(back->Find(PW_ORIGIN_PRESET, 219), -1) << "a version-3 library is not refilled";
  // Links between materials come back as links to the loaded objects.
  auto* mine = At(*back, 10);
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(mine->Tool(0), back->Get(back->Find(PW_ORIGIN_PRESET, 209)));
  // It became current and said so; every material heard about the load, in slot order.
  EXPECT_EQ(CurrentLibrary(), back);
  EXPECT_EQ(posted, (std::vector<std::pair<int, std::uint32_t>>{{PW_MSG_LIBRARY_CURRENT, id}}));
  std::vector<int> slots;
  for (const Snapshot& s : before) slots.push_back(s.slot);
  EXPECT_EQ(TheStandInLog().postLoadSlots, slots);
  // New materials go into the first hole.
  EXPECT_EQ(back->Add(new StandIn(PW_PAINT_CLASS_ID, false)), 47);
}

TEST_F(LibraryIo, SceneFileOnDiskRoundTrip) {
  PwObjectLibrary* lib = MakeLibrary();
  const std::vector<Snapshot> before = Contents(*lib);
  const auto path = std::filesystem::temp_directory_path() / "pw_library_roundtrip.pwscene";
  ASSERT_EQ(host::SaveSceneFile(path.string(), lib), "");
  ReleaseAll();
  host::SceneLoadResult loaded = host::LoadSceneFile(path.string(), host::ClassRegistry::Global());
  std::filesystem::remove(path);
  ASSERT_TRUE(loaded.ok()) << loaded.error;
  auto* back = dynamic_cast<PwObjectLibrary*>(loaded.root);
  ASSERT_NE(back, nullptr);
  Hold(back);
  EXPECT_EQ(Contents(*back), before);
}

TEST_F(LibraryIo, OlderLibrariesAreCompleted) {
  struct Case {
    std::uint16_t libraryVersion;
    std::uint16_t objectVersion;
  };
  for (Case c : {Case{2, 2}, Case{1, 1}}) {
    SCOPED_TRACE(c.libraryVersion);
    PwObjectLibrary* lib = MakeLibrary();
    ASSERT_TRUE(lib->Remove(lib->Find(PW_ORIGIN_PRESET, 305), true));  // slot 55
    ASSERT_TRUE(lib->Remove(lib->Find(PW_ORIGIN_DEFAULT, 4), true));   // slot 4
    const std::uint32_t oldId = lib->LibraryId();
    host::SceneSaveResult saved = host::SaveSceneToBytes(lib);
    ASSERT_TRUE(saved.ok());
    ReleaseAll();
    ASSERT_EQ(PatchObjectChunk(saved.bytes, PW_OBJECT_LIBRARY_CLASS_ID, PwObjectLibrary::CHUNK_VERSION,
                               c.libraryVersion),
              1);
    int objects = 0;
    for (host::Class_ID cls : kArtClasses)
      objects += PatchObjectChunk(saved.bytes, cls, PW_OBJECT_CHUNK_VERSION, c.objectVersion);
    ASSERT_EQ(objects, 63);

    PwObjectLibrary* back = LoadLibrary(saved.bytes, this);
    ASSERT_NE(back, nullptr);
    Hold(back);
    EXPECT_EQ(CurrentLibrary(), back);
    if (c.libraryVersion == 2) {
      // The two missing ones come back, into the holes, defaults first.
      EXPECT_EQ(back->Used(), 65);
      EXPECT_EQ(back->Find(PW_ORIGIN_DEFAULT, 4), 4);
      EXPECT_EQ(back->Find(PW_ORIGIN_PRESET, 305), 55);
      EXPECT_EQ(back->LibraryId(), oldId);
    } else {
      // Everything from the old file is the user's; a full set is added after it.
      for (int slot : {0, 5, 54, 56, 64}) {
        EXPECT_EQ(back->Get(slot)->GetOrigin(), PW_ORIGIN_USER) << slot;
        EXPECT_EQ(back->Get(slot)->GetNumber(), PW_NUMBER_NONE) << slot;
      }
      EXPECT_EQ(back->Used(), 63 + 65);
      EXPECT_EQ(back->Find(PW_ORIGIN_DEFAULT, 0), 4);
      EXPECT_EQ(back->Find(PW_ORIGIN_DEFAULT, 1), 55);
      EXPECT_EQ(back->Find(PW_ORIGIN_DEFAULT, 2), 65);
      EXPECT_EQ(back->Find(PW_ORIGIN_PRESET, 407), 127);
      EXPECT_NE(back->LibraryId(), oldId) << "a version-1 library gets a fresh id";
      EXPECT_EQ(CurrentLibraryId(), back->LibraryId());
    }
    ReleaseAll();
  }
}

TEST_F(LibraryIo, SameIdLoadedTwiceEndsUpDistinct) {
  PwObjectLibrary* lib = MakeLibrary();
  const std::uint32_t id = lib->LibraryId();
  host::SceneSaveResult saved = host::SaveSceneToBytes(lib);
  ASSERT_TRUE(saved.ok());
  ReleaseAll();
  posted.clear();

  PwObjectLibrary* first = LoadLibrary(saved.bytes, this);
  ASSERT_NE(first, nullptr);
  Hold(first);
  PwObjectLibrary* second = LoadLibrary(saved.bytes, this);
  ASSERT_NE(second, nullptr);
  Hold(second);
  EXPECT_EQ(first->LibraryId(), id);
  EXPECT_NE(second->LibraryId(), id);
  EXPECT_NE(second->LibraryId(), 0u);
  EXPECT_EQ(CurrentLibraryId(), id);
  EXPECT_EQ(CurrentLibrary(), first);
  EXPECT_EQ(FindLibraryById(second->LibraryId()), second);
  EXPECT_EQ(posted, (std::vector<std::pair<int, std::uint32_t>>{{PW_MSG_LIBRARY_CURRENT, id}}));

  // A library merged from a file is temporary and leaves the current one alone.
  SetMergingLibraries(true);
  PwObjectLibrary* merged = LoadLibrary(saved.bytes, this);
  SetMergingLibraries(false);
  ASSERT_NE(merged, nullptr);
  Hold(merged);
  EXPECT_TRUE(merged->IsTemporary());
  EXPECT_EQ(CurrentLibrary(), first);
  EXPECT_NE(merged->LibraryId(), id);
}

TEST_F(LibraryIo, DamagedLibraryChunksFailCleanly) {
  PwObjectLibrary* lib = MakeLibrary();
  host::SceneSaveResult saved = host::SaveSceneToBytes(lib);
  ASSERT_TRUE(saved.ok());
  ReleaseAll();
  for (std::int32_t count : {-1, PwObjectLibrary::MAX_SLOTS + 1}) {
    std::vector<std::uint8_t> bad = saved.bytes;
    ASSERT_EQ(PatchObjectChunk(bad, PW_OBJECT_LIBRARY_CLASS_ID, PwObjectLibrary::CHUNK_SLOT_COUNT, count), 1);
    std::string error;
    EXPECT_EQ(LoadLibrary(bad, this, &error), nullptr);
    EXPECT_NE(error.find("slot count"), std::string::npos) << error;
    EXPECT_TRUE(TheLibraryState().registry.empty()) << "the abandoned library is gone";
  }
  // A copy of the current library that fails to load after its own chunks
  // were read must not take the current id with it.
  PwObjectLibrary* good = LoadLibrary(saved.bytes, this);
  ASSERT_NE(good, nullptr);
  Hold(good);
  posted.clear();
  std::vector<std::uint8_t> badName = saved.bytes;
  ASSERT_EQ(PatchObjectChunk(badName, PW_CANVAS_CLASS_ID, PW_OBJECT_CHUNK_NAME, std::uint64_t{0x4141414141414141}), 1);
  std::string failure;
  EXPECT_EQ(LoadLibrary(badName, this, &failure), nullptr);
  EXPECT_NE(failure.find("terminating zero"), std::string::npos) << failure;
  EXPECT_EQ(CurrentLibrary(), good);
  EXPECT_TRUE(posted.empty());
  ReleaseAll();

  // A slot count smaller than the file's references drops the rest but
  // loads; only the defaults are made again (presets may have been deleted).
  std::vector<std::uint8_t> shorter = saved.bytes;
  ASSERT_EQ(PatchObjectChunk(shorter, PW_OBJECT_LIBRARY_CLASS_ID, PwObjectLibrary::CHUNK_SLOT_COUNT,
                             std::int32_t{3}),
            1);
  std::string error;
  PwObjectLibrary* back = LoadLibrary(shorter, this, &error);
  EXPECT_NE(back, nullptr) << error;
  if (back) {
    Hold(back);
    EXPECT_EQ(back->Used(), 7);
    EXPECT_EQ(back->Find(PW_ORIGIN_DEFAULT, 6), 6);
  }
}

}  // namespace
}  // namespace pw::test
