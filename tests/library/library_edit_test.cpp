#include <gtest/gtest.h>

#include "library/library_edit.h"
#include "library/library_fixture.h"
#include "library/library_materials.h"
#include "plugin/class_ids.h"

namespace pw::test {
namespace {

using LibraryEdit = LibraryTest;

TEST(AutoRename, AppendsOrIncrementsTheTrailingNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"Brush", "Brush01"},         {"Brush07", "Brush08"},   {"Surface9", "Surface10"},
      {"Brush99", "Brush100"},      {"Paint007", "Paint08"},  {"Paint00", "Paint01"},
      {"", "01"},                   {"42", "43"},             {"Style 2b", "Style 2b01"},
      {"X99999999999999999999", "X100000000000000000000"},  // beyond any integer type
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(AutoRenameName(in), out) << in;
}

TEST_F(LibraryEdit, UniqueNamesAndTheNameCheck) {
  PwObjectLibrary* lib = MakeLibrary();
  EXPECT_EQ(UniqueNameInClass(*lib, PW_PAINT_CLASS_ID, "Ochre"), "Ochre");
  EXPECT_EQ(UniqueNameInClass(*lib, PW_PAINT_CLASS_ID, "Red"), "Red01");
  EXPECT_EQ(UniqueNameInClass(*lib, PW_BRUSH_CLASS_ID, "Red"), "Red") << "unique per class only";
  const int red01 = NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_PAINT_CLASS_ID);
  ASSERT_TRUE(RenameLibraryMaterial(*lib, red01, "Red01"));
  EXPECT_EQ(UniqueNameInClass(*lib, PW_PAINT_CLASS_ID, "Red"), "Red02");

  const PwObject& red = *lib->Get(lib->Find(PW_PAINT_CLASS_ID, "Red"));
  EXPECT_TRUE(CheckNewMaterialName(*lib, red, "Crimson"));
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(CheckNewMaterialName(*lib, red, "Red"));
  EXPECT_FALSE(CheckNewMaterialName(*lib, red, "Blue"));
  EXPECT_EQ(messages, (std::vector<std::string>{"Enter a new name for the art material",
                                                "A Paint object with the given name already exisits."}));
}

TEST_F(LibraryEdit, NewAndDuplicate) {
  PwObjectLibrary* lib = MakeLibrary();
  const int made = NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_STYLE_CLASS_ID);
  ASSERT_EQ(made, 65);
  EXPECT_EQ(lib->Get(made)->GetName(), "New Style");
  EXPECT_EQ(lib->Get(made)->GetOrigin(), PW_ORIGIN_USER);
  EXPECT_EQ(NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_OBJECT_LIBRARY_CLASS_ID), -1)
      << "not an art material";
  EXPECT_EQ(NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, host::Class_ID(1, 2)), -1);
  EXPECT_EQ(lib->Used(), 66);

  const int dashed = lib->Find(PW_ORIGIN_PRESET, 101);
  At(*lib, dashed)->value = 77;
  const int copy = DuplicateLibraryMaterial(*lib, dashed);
  ASSERT_GE(copy, 0);
  StandIn* c = At(*lib, copy);
  EXPECT_EQ(c->GetName(), "Copy of Dashed");
  EXPECT_EQ(c->GetOrigin(), PW_ORIGIN_USER);
  EXPECT_EQ(c->GetNumber(), PW_NUMBER_NONE);
  EXPECT_EQ(c->value, 77);
  EXPECT_NE(c->GetParamBlock(), nullptr);
  EXPECT_NE(c->GetParamBlock(), lib->Get(dashed)->GetParamBlock()) << "the copy has its own parameters";
  EXPECT_EQ(DuplicateLibraryMaterial(*lib, 500), -1);
}

TEST_F(LibraryEdit, Rename) {
  PwObjectLibrary* lib = MakeLibrary();
  const int blue = lib->Find(PW_ORIGIN_PRESET, 209);
  EXPECT_TRUE(RenameLibraryMaterial(*lib, blue, "Navy"));
  EXPECT_EQ(lib->Get(blue)->GetName(), "Navy");
  EXPECT_TRUE(RenameLibraryMaterial(*lib, blue, "Navy")) << "unchanged name";
  EXPECT_TRUE(messages.empty());

  struct Refusal {
    int slot;
    const char* name;
    const char* message;
  };
  const Refusal refusals[] = {
      {0, "Mine", "Default art materials can't have their name changed."},
      {blue, "Red", "A Paint object with the given name already exisits."},
      {blue, "", "Enter a new name for the art material"},
  };
  for (const Refusal& r : refusals) {
    messages.clear();
    const std::string before = lib->Get(r.slot)->GetName();
    EXPECT_FALSE(RenameLibraryMaterial(*lib, r.slot, r.name)) << r.message;
    EXPECT_EQ(lib->Get(r.slot)->GetName(), before);
    EXPECT_EQ(messages, std::vector<std::string>{r.message});
  }
  EXPECT_TRUE(RenameLibraryMaterial(*lib, blue, "Cel")) << "a style is called Cel, but no paint";
  EXPECT_FALSE(RenameLibraryMaterial(*lib, 900, "X"));
}

TEST_F(LibraryEdit, DeletingAUsedPaintMovesItsUsersToDefaultPaintOne) {
  PwObjectLibrary* lib = MakeLibrary();
  const int redSlot = lib->Find(PW_ORIGIN_PRESET, 219);
  PwObject* red = lib->Get(redSlot);
  PwObject* defaultPaint = lib->Get(lib->Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_PAINT));
  auto* styleA = At(*lib, NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_STYLE_CLASS_ID));
  auto* styleB = At(*lib, NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_STYLE_CLASS_ID));
  styleA->SetTool(2, red);
  styleB->SetTool(1, red);
  styleB->SetTool(2, red);

  // Asked first; "No" leaves everything as it was.
  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysNo);
  EXPECT_FALSE(DeleteLibraryMaterial(*lib, redSlot));
  EXPECT_EQ(lib->Get(redSlot), red);
  EXPECT_EQ(styleA->Tool(2), red);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("The Paint \"Red\" is used by others.\nDo you want to delete it?"), std::string::npos)
      << messages[0];

  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysYes);
  EXPECT_TRUE(DeleteLibraryMaterial(*lib, redSlot));
  EXPECT_EQ(lib->Get(redSlot), nullptr);
  EXPECT_EQ(styleA->Tool(2), defaultPaint);
  EXPECT_EQ(styleB->Tool(1), defaultPaint);
  EXPECT_EQ(styleB->Tool(2), defaultPaint);
  EXPECT_EQ(lib->IndexOf(defaultPaint), 1) << "the default keeps its one slot";
  EXPECT_EQ(lib->Used(), 66);
}

TEST_F(LibraryEdit, DeleteTransfersToTheDefaultOfEachClass) {
  PwObjectLibrary* lib = MakeLibrary();
  auto* user = At(*lib, NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_STYLE_CLASS_ID));
  const std::pair<int, int> cases[] = {  // preset number, default number
      {3, PW_DEFAULT_BRUSH}, {104, PW_DEFAULT_STROKE}, {301, PW_DEFAULT_SURFACE}, {402, PW_DEFAULT_STYLE}};
  for (auto [preset, def] : cases) {
    messages.clear();
    user->SetTool(0, lib->Get(lib->Find(PW_ORIGIN_PRESET, preset)));
    EXPECT_TRUE(DeleteLibraryMaterial(*lib, lib->Find(PW_ORIGIN_PRESET, preset))) << preset;
    EXPECT_EQ(user->Tool(0), lib->Get(lib->Find(PW_ORIGIN_DEFAULT, def))) << preset;
    EXPECT_TRUE(messages.empty()) << "one user: no question";
  }
  // A user canvas goes to default canvas 6.
  const int canvas = NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_CANVAS_CLASS_ID);
  user->SetTool(1, lib->Get(canvas));
  EXPECT_TRUE(DeleteLibraryMaterial(*lib, canvas));
  EXPECT_EQ(user->Tool(1), lib->Get(PW_DEFAULT_CANVAS));
}

TEST_F(LibraryEdit, DefaultsCannotBeDeleted) {
  PwObjectLibrary* lib = MakeLibrary();
  for (int slot = 0; slot < PW_DEFAULT_COUNT; ++slot) {
    messages.clear();
    PwObject* def = lib->Get(slot);
    EXPECT_FALSE(DeleteLibraryMaterial(*lib, slot));
    EXPECT_EQ(lib->Get(slot), def);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "\"Default\" is the default " + def->DisplayClassName() + ". It can't be deleted, only modified.");
  }
  EXPECT_FALSE(DeleteLibraryMaterial(*lib, 80));
}

TEST_F(LibraryEdit, ResetAsksAboutAnimationOnlyWhenAnimated) {
  PwObjectLibrary* lib = MakeLibrary();
  const int slot = lib->Find(PW_ORIGIN_PRESET, 2);
  StandIn* brush = At(*lib, slot);
  brush->value = 5;

  ASSERT_TRUE(ResetLibraryMaterial(*lib, slot));
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(brush->lastRemoveAnimation);
  EXPECT_EQ(brush->value, 1002) << "a preset goes back to its preset settings";

  ASSERT_TRUE(brush->SetWidthKey(0, 1.0f));
  ASSERT_TRUE(brush->SetWidthKey(host::FrameToTime(10), 4.0f));
  ASSERT_TRUE(brush->IsAnimated());
  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysNo);
  ASSERT_TRUE(ResetLibraryMaterial(*lib, slot));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("The Brush \"Circle (1.5 pixels)\" is animated. Do you want to remove all animation "
                             "tracks?"),
            std::string::npos)
      << messages[0];
  EXPECT_FALSE(brush->lastRemoveAnimation);
  EXPECT_TRUE(brush->IsAnimated());

  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysYes);
  ASSERT_TRUE(ResetLibraryMaterial(*lib, slot));
  EXPECT_TRUE(brush->lastRemoveAnimation);
  EXPECT_FALSE(brush->IsAnimated());
  EXPECT_FLOAT_EQ(brush->Width(), 1.0f) << "frozen at its value at time 0";
  EXPECT_FALSE(ResetLibraryMaterial(*lib, 99));
}

TEST_F(LibraryEdit, AnimationOfReferencedMaterialsIsNotTheStylesOwn) {
  PwObjectLibrary* lib = MakeLibrary();
  StandIn* brush = At(*lib, lib->Find(PW_ORIGIN_PRESET, 0));
  StandIn* style = At(*lib, NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_STYLE_CLASS_ID));
  style->SetTool(0, brush);
  ASSERT_TRUE(brush->SetWidthKey(0, 1.0f));
  ASSERT_TRUE(brush->SetWidthKey(100, 2.0f));
  EXPECT_FALSE(style->IsAnimated());
  style->ResetToDefaults(true);
  EXPECT_TRUE(brush->IsAnimated()) << "resetting a style leaves its brush's animation alone";
}

}  // namespace
}  // namespace pw::test
