#include <gtest/gtest.h>

#include "library/library_fixture.h"
#include "library/library_materials.h"
#include "plugin/class_ids.h"

namespace pw::test {
namespace {

using LibraryContent = LibraryTest;

struct Expected {
  int slot;
  int origin;
  int number;
  host::Class_ID cls;
  const char* name;
};

// Spot checks across every group boundary; the full name lists are checked
// against the table below by count and order.
TEST_F(LibraryContent, FreshLibraryHoldsDefaultsThenPresetsInSlotOrder) {
  PwObjectLibrary* lib = MakeLibrary();
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->Used(), 65);
  EXPECT_EQ(lib->SlotCount(), 65);
  EXPECT_EQ(lib->Capacity(), 70);  // grown ten at a time

  const Expected rows[] = {
      {0, 0, 0, PW_PAINT_CLASS_ID, "Default"},
      {1, 0, 1, PW_PAINT_CLASS_ID, "Default"},
      {2, 0, 2, PW_BRUSH_CLASS_ID, "Default"},
      {3, 0, 3, PW_STROKE_CLASS_ID, "Default"},
      {4, 0, 4, PW_SURFACE_CLASS_ID, "Default"},
      {5, 0, 5, PW_STYLE_CLASS_ID, "Default"},
      {6, 0, 6, PW_CANVAS_CLASS_ID, "Default"},
      {7, 1, 0, PW_BRUSH_CLASS_ID, "Circle (0.5 pixels)"},
      {8, 1, 1, PW_BRUSH_CLASS_ID, "Circle (1 pixel)"},
      {18, 1, 11, PW_BRUSH_CLASS_ID, "Square (4 pixels)"},
      {19, 1, 100, PW_STROKE_CLASS_ID, "Solid"},
      {20, 1, 101, PW_STROKE_CLASS_ID, "Dashed"},
      {27, 1, 108, PW_STROKE_CLASS_ID, "Divide"},
      {28, 1, 200, PW_PAINT_CLASS_ID, "Object's Ambient"},
      {37, 1, 209, PW_PAINT_CLASS_ID, "Blue"},
      {49, 1, 221, PW_PAINT_CLASS_ID, "Yellow"},
      {50, 1, 300, PW_SURFACE_CLASS_ID, "Matte"},
      {56, 1, 306, PW_SURFACE_CLASS_ID, "Flat (Smooth Shaded)"},
      {57, 1, 400, PW_STYLE_CLASS_ID, "Outlines"},
      {58, 1, 401, PW_STYLE_CLASS_ID, "Hidden-line"},
      {64, 1, 407, PW_STYLE_CLASS_ID, "Max Material"},
  };
  for (const Expected& row : rows) {
    SCOPED_TRACE(row.name);
    PwObject* obj = lib->Get(row.slot);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->GetOrigin(), row.origin);
    EXPECT_EQ(obj->GetNumber(), row.number);
    EXPECT_EQ(obj->ClassID(), row.cls);
    EXPECT_EQ(obj->GetName(), row.name);
    EXPECT_EQ(lib->Find(row.origin, row.number), row.slot);
  }
  EXPECT_EQ(lib->Get(65), nullptr);

  // Group sizes 12 + 9 + 22 + 7 + 8 (no canvas presets), numbers contiguous.
  int perGroup[PW_PRESET_GROUP_COUNT] = {};
  for (int slot = 7; slot < 65; ++slot) {
    const PwObject* obj = lib->Get(slot);
    ASSERT_NE(obj, nullptr);
    const int group = PresetGroup(obj->GetNumber());
    EXPECT_EQ(PresetIndex(obj->GetNumber()), perGroup[group]++) << obj->GetName();
  }
  EXPECT_EQ(std::vector<int>(perGroup, perGroup + 6), (std::vector<int>{12, 9, 22, 7, 8, 0}));
}

TEST_F(LibraryContent, PresetNamesAreExactAndUniqueWithinEachClass) {
  PwObjectLibrary* lib = MakeLibrary();
  const std::vector<std::string> paints = {
      "Object's Ambient", "Object's Ambient (Darkened)", "Object's Ambient (Lightened)", "Object's Diffuse",
      "Object's Diffuse (Darkened)", "Object's Diffuse (Lightened)", "Object's Specular",
      "Object's Specular (Darkened)", "Object's Specular (Lightened)", "Blue", "Brown", "Cyan", "Green (Light)",
      "Green (Dark)", "Gray (Dark)", "Gray (Light)", "Orange", "Pink", "Purple", "Red", "White", "Yellow"};
  for (int i = 0; i < static_cast<int>(paints.size()); ++i)
    EXPECT_EQ(lib->Get(lib->Find(PW_ORIGIN_PRESET, 200 + i))->GetName(), paints[static_cast<std::size_t>(i)]);
  const std::vector<std::string> styles = {"Outlines", "Hidden-line", "Wireframe", "Flat Toon",
                                           "Cel",      "Comic",       "Cartoon",   "Max Material"};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(lib->Get(lib->Find(PW_ORIGIN_PRESET, 400 + i))->GetName(), styles[static_cast<std::size_t>(i)]);
  // "Cel" is both a surface and a style: find by class tells them apart.
  EXPECT_EQ(lib->Find(PW_SURFACE_CLASS_ID, "Cel"), 55);
  EXPECT_EQ(lib->Find(PW_STYLE_CLASS_ID, "Cel"), 61);
  EXPECT_EQ(lib->Find(PW_BRUSH_CLASS_ID, "Cel"), -1);
  // The name walk visits both, in slot order.
  EXPECT_EQ(lib->FindFirstByName("Cel"), 55);
  EXPECT_EQ(lib->FindNextByName("Cel", 55), 61);
  EXPECT_EQ(lib->FindNextByName("Cel", 61), -1);
  EXPECT_EQ(lib->FindFirstByName("Default"), 0);
  EXPECT_EQ(lib->FindNextByName("Default", 6), -1);
}

TEST_F(LibraryContent, PresetHookRunsAfterAddingInNumberOrder) {
  PwObjectLibrary* lib = MakeLibrary();
  const auto& inits = TheStandInLog().inits;
  ASSERT_EQ(inits.size(), 65u);
  EXPECT_EQ(inits.front(), std::make_pair(0, 0));
  EXPECT_EQ(inits[7], std::make_pair(1, 0));
  EXPECT_EQ(inits.back(), std::make_pair(1, 407));
  for (int slot = 0; slot < 65; ++slot) EXPECT_TRUE(At(*lib, slot)->wasInLibraryAtInit) << slot;
  // The style preset found the stroke preset made before it.
  StandIn* hiddenLine = At(*lib, lib->Find(PW_ORIGIN_PRESET, 401));
  EXPECT_EQ(hiddenLine->Tool(2), lib->Get(lib->Find(PW_ORIGIN_PRESET, 101)));
  EXPECT_EQ(At(*lib, 0)->value, 1000);
}

TEST_F(LibraryContent, ClassesWithoutFactoryAreSkippedSilently) {
  InstallStandIns({PW_PAINT_CLASS_ID, PW_STROKE_CLASS_ID});
  PwObjectLibrary* lib = MakeLibrary();
  EXPECT_EQ(lib->Used(), 3 + 9 + 22);  // paints 0 and 1, stroke 3, the stroke and paint presets
  EXPECT_TRUE(messages.empty());
  // Slots stay dense: what is skipped takes no slot.
  EXPECT_EQ(lib->Get(0)->GetNumber(), 0);
  EXPECT_EQ(lib->Get(1)->GetNumber(), 1);
  EXPECT_EQ(lib->Get(2)->GetNumber(), 3);
  EXPECT_EQ(lib->Get(3)->GetNumber(), 100);
  // Once the classes exist, the missing ones are added.
  InstallStandIns();
  EXPECT_EQ(lib->AddMissingLibraryMaterials(), 65 - 34);
  EXPECT_EQ(lib->AddMissingLibraryMaterials(), 0);
  EXPECT_EQ(lib->Used(), 65);
}

TEST_F(LibraryContent, TableOperations) {
  PwObjectLibrary* lib = MakeLibrary();
  auto* a = new StandIn(PW_BRUSH_CLASS_ID, false);
  const int slot = lib->Add(a);
  EXPECT_EQ(slot, 65);
  EXPECT_EQ(lib->Add(a), 65) << "an object already listed keeps its slot";
  EXPECT_EQ(lib->Used(), 66);
  EXPECT_EQ(lib->Add(nullptr), -1);
  EXPECT_EQ(lib->IndexOf(a), 65);
  EXPECT_EQ(lib->SubAnimName(2), "Brush: Default");

  // Removing without deleting lets go; something else still holds it.
  Hold(a);
  EXPECT_TRUE(lib->Remove(slot, false));
  EXPECT_EQ(lib->Get(slot), nullptr);
  EXPECT_EQ(lib->Used(), 65);
  EXPECT_EQ(lib->IndexOf(a), -1);
  EXPECT_FALSE(lib->Remove(slot, false)) << "empty slot";
  EXPECT_FALSE(lib->Remove(-1, true));
  EXPECT_FALSE(lib->Remove(1000, true));

  // The first empty slot is filled again.
  EXPECT_TRUE(lib->Remove(10, true));
  EXPECT_EQ(lib->Used(), 64);
  EXPECT_EQ(lib->Add(a), 10);
  EXPECT_EQ(lib->Capacity(), 70);

  // Growing: fill the table, the next add adds ten slots.
  while (lib->Used() < lib->Capacity()) ASSERT_GE(lib->Add(new StandIn(PW_PAINT_CLASS_ID, false)), 0);
  EXPECT_EQ(lib->Add(new StandIn(PW_PAINT_CLASS_ID, false)), 70);
  EXPECT_EQ(lib->Capacity(), 80);

  // Replacing a slot's object; an object listed elsewhere is refused.
  auto* b = new StandIn(PW_BRUSH_CLASS_ID, false);
  EXPECT_TRUE(lib->ReplaceObject(10, b));
  EXPECT_EQ(lib->Get(10), b);
  EXPECT_FALSE(lib->ReplaceObject(11, b));
  EXPECT_FALSE(lib->ReplaceObject(500, a));
}

TEST_F(LibraryContent, DeletingAnObjectElsewhereEmptiesItsSlot) {
  PwObjectLibrary* lib = MakeLibrary();
  PwObject* red = lib->Get(lib->Find(PW_ORIGIN_PRESET, 219));
  const int slot = lib->IndexOf(red);
  red->DeleteThis();
  EXPECT_EQ(lib->Get(slot), nullptr);
  EXPECT_EQ(lib->Used(), 64);
  EXPECT_EQ(lib->Find(PW_ORIGIN_PRESET, 219), -1);
}

TEST_F(LibraryContent, RegistryCurrentLibraryAndMessages) {
  PwObjectLibrary* first = MakeLibrary();
  EXPECT_EQ(first->LibraryId(), 1000u);
  EXPECT_EQ(CurrentLibrary(), first);
  EXPECT_TRUE(first->IsCurrent());
  PwObjectLibrary* second = MakeLibrary();
  EXPECT_EQ(second->LibraryId(), 1001u);
  EXPECT_EQ(CurrentLibrary(), second) << "the newest library becomes current";
  EXPECT_EQ(FindLibraryById(1000), first);
  EXPECT_EQ(FindLibraryById(0), nullptr);
  EXPECT_EQ(TheLibraryState().registry, (std::vector<PwObjectLibrary*>{first, second}));
  EXPECT_EQ(posted, (std::vector<std::pair<int, std::uint32_t>>{{PW_MSG_LIBRARY_CURRENT, 1000},
                                                                 {PW_MSG_LIBRARY_CURRENT, 1001}}));

  // Merging: temporary, never current, no message.
  posted.clear();
  SetMergingLibraries(true);
  PwObjectLibrary* merged = MakeLibrary();
  SetMergingLibraries(false);
  EXPECT_TRUE(merged->IsTemporary());
  EXPECT_EQ(merged->LibraryId(), 0u);
  EXPECT_EQ(CurrentLibrary(), second);
  EXPECT_TRUE(posted.empty());

  // Only the current library's end is announced.
  ReleaseAll();
  EXPECT_TRUE(TheLibraryState().registry.empty());
  EXPECT_EQ(CurrentLibraryId(), 0u);
  EXPECT_EQ(posted, (std::vector<std::pair<int, std::uint32_t>>{{PW_MSG_LIBRARY_GONE, 1001}}));
  EXPECT_EQ(CurrentLibrary(), nullptr);
}

TEST(LibraryIds, GeneratorCountsUpAndNeverAnswersZero) {
  const LibraryProcessState saved = TheLibraryState();
  SeedLibraryIds(0xFFFFFFFFu);
  EXPECT_EQ(NewLibraryId(), 0xFFFFFFFFu);
  EXPECT_EQ(NewLibraryId(), 1u);
  EXPECT_EQ(NewLibraryId(), 2u);
  TheLibraryState() = saved;
}

}  // namespace
}  // namespace pw::test
