#include "library/style_assignment.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host/scene/camera.h"
#include "host/scene/object_base.h"
#include "host/scene/object_tri.h"
#include "host/scene/scene_model.h"
#include "library/holder.h"
#include "library/library_edit.h"
#include "library/library_fixture.h"
#include "library/library_materials.h"
#include "plugin/class_ids.h"

namespace pw::test {
namespace {

class StyleAssignmentTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_TRUE(RegisterLibraryHolderClass());
    scene = std::make_unique<host::Scene>();
    lib = GetCurrentLibrary(scene->Root());
    ASSERT_NE(lib, nullptr);
    defaultSlot = DefaultStyleSlot(*lib);
    ASSERT_GE(defaultSlot, 0);
  }
  void TearDown() override {
    scene.reset();
    LibraryTest::TearDown();
  }

  host::INode* Mesh(const std::string& name, host::INode* parent = nullptr) {
    return scene->CreateNode(name, new host::TriObject(), parent);
  }
  int NewStyle(const std::string& name) {
    const int slot = NewLibraryMaterial(*lib, host::REF_TARGET_CLASS_ID, PW_STYLE_CLASS_ID);
    lib->Get(slot)->SetName(name);
    return slot;
  }
  static std::string Prop(const host::INode& node, const char* key) {
    std::string value;
    return node.GetUserPropString(key, value) ? value : "<missing>";
  }
  // The older form: application data whose fourth 32-bit value is the slot.
  static void SetAppDataSlot(host::INode& node, std::int32_t slot, std::size_t size = 16) {
    std::vector<std::uint8_t> data(size, 0xAB);
    if (size >= 16) std::memcpy(data.data() + 12, &slot, 4);
    node.AddAppDataChunk(PW_STYLE_APPDATA_CLASS_ID, PW_STYLE_APPDATA_SUPER_CLASS_ID, PW_STYLE_APPDATA_SUB_ID, data);
  }

  std::unique_ptr<host::Scene> scene;
  PwObjectLibrary* lib = nullptr;
  int defaultSlot = -1;
};

TEST_F(StyleAssignmentTest, AssignWritesTheFourPropertiesExactly) {
  host::INode* node = Mesh("Box");
  const int slot = lib->Find(PW_ORIGIN_PRESET, 402);
  ASSERT_TRUE(AssignStyle(*node, *lib, slot));
  EXPECT_EQ(Prop(*node, "Penwright_PropertiesVersion"), "1");
  EXPECT_EQ(Prop(*node, "Penwright_StyleObjLibID"), std::to_string(lib->LibraryId()));
  EXPECT_EQ(Prop(*node, "Penwright_StyleObjID"), std::to_string(slot));
  EXPECT_EQ(Prop(*node, "Penwright_StyleName"), "Wireframe");
  EXPECT_EQ(node->UserProps().size(), 4u);
  EXPECT_EQ(node->GetUserPropBuffer(),
            "Penwright_PropertiesVersion = 1\r\nPenwright_StyleObjLibID = " + std::to_string(lib->LibraryId()) +
                "\r\nPenwright_StyleObjID = " + std::to_string(slot) + "\r\nPenwright_StyleName = Wireframe\r\n");
  EXPECT_EQ(ReadStyleAssignment(*node, lib), (StyleAssignment{lib->LibraryId(), slot}));

  // Re-assigning replaces the values rather than adding properties.
  ASSERT_TRUE(AssignStyle(*node, *lib, defaultSlot));
  EXPECT_EQ(node->UserProps().size(), 4u);
  EXPECT_EQ(Prop(*node, "Penwright_StyleName"), "Default");
}

TEST_F(StyleAssignmentTest, OnlyStylesCanBeAssigned) {
  host::INode* node = Mesh("Box");
  EXPECT_FALSE(AssignStyle(*node, *lib, lib->Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH)));
  EXPECT_FALSE(AssignStyle(*node, *lib, 9999));
  EXPECT_TRUE(node->UserProps().empty());
}

TEST_F(StyleAssignmentTest, NameWithLineBreaksIsStoredOnOneLine) {
  const int slot = NewStyle("Two\nlines");
  host::INode* node = Mesh("Box");
  ASSERT_TRUE(AssignStyle(*node, *lib, slot));
  EXPECT_EQ(Prop(*node, "Penwright_StyleName"), "Two lines");
  EXPECT_EQ(ReadStyleAssignment(*node, lib).slot, slot);
}

// Library ids come from the clock and are often above 2^31: the property
// holds the signed 32-bit value, and the unsigned spelling reads the same.
TEST_F(StyleAssignmentTest, LargeLibraryIdsSurviveTheIntegerProperty) {
  host::INode* node = Mesh("Box");
  lib->SetLibraryId(0xF0000000u);
  ASSERT_TRUE(AssignStyle(*node, *lib, defaultSlot));
  EXPECT_EQ(Prop(*node, "Penwright_StyleObjLibID"), "-268435456");
  EXPECT_EQ(ReadStyleAssignment(*node, lib).libraryId, 0xF0000000u);

  struct Case {
    const char* text;
    std::uint32_t id;  // 0: unreadable
  } cases[] = {{"4026531840", 0xF0000000u}, {" 17 ", 17u}, {"+17", 17u}, {"4294967296", 0},
               {"-2147483649", 0},          {"12abc", 0},  {"", 0},      {"0x10", 0}};
  for (const Case& c : cases) {
    node->SetUserPropString(PW_PROP_STYLE_LIBRARY_ID, c.text);
    EXPECT_EQ(ReadStyleAssignment(*node, lib).libraryId, c.id) << "'" << c.text << "'";
  }
}

TEST_F(StyleAssignmentTest, ReadingTheAssignment) {
  const std::uint32_t id = lib->LibraryId();
  const int user = NewStyle("Ink");
  const int brush = lib->Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH);

  host::INode* none = Mesh("none");
  EXPECT_EQ(ReadStyleAssignment(*none, lib), (StyleAssignment{id, defaultSlot}));
  EXPECT_FALSE(ReadStyleAssignment(*none, nullptr).Valid());

  host::INode* old = Mesh("old");
  SetAppDataSlot(*old, user);
  EXPECT_EQ(ReadStyleAssignment(*old, lib), (StyleAssignment{id, user}));

  host::INode* oldBrush = Mesh("old brush");
  SetAppDataSlot(*oldBrush, brush);
  EXPECT_FALSE(ReadStyleAssignment(*oldBrush, lib).Valid());

  host::INode* oldShort = Mesh("old, short");
  SetAppDataSlot(*oldShort, user, 12);
  EXPECT_FALSE(ReadStyleAssignment(*oldShort, lib).Valid());

  // The properties win over the older data, and are read as they are, even
  // for a library that does not exist.
  host::INode* both = Mesh("both");
  SetAppDataSlot(*both, user);
  both->SetUserPropInt(PW_PROP_PROPERTIES_VERSION, 1);
  both->SetUserPropInt(PW_PROP_STYLE_LIBRARY_ID, 77);
  both->SetUserPropInt(PW_PROP_STYLE_SLOT, 3);
  EXPECT_EQ(ReadStyleAssignment(*both, lib), (StyleAssignment{77, 3}));
  EXPECT_EQ(ReadStyleAssignment(*both, nullptr), (StyleAssignment{77, 3}));

  host::INode* broken = Mesh("broken");
  broken->SetUserPropInt(PW_PROP_PROPERTIES_VERSION, 1);
  broken->SetUserPropInt(PW_PROP_STYLE_LIBRARY_ID, static_cast<int>(id));
  EXPECT_FALSE(ReadStyleAssignment(*broken, lib).Valid()) << "no slot";
  broken->SetUserPropInt(PW_PROP_STYLE_SLOT, -1);
  EXPECT_FALSE(ReadStyleAssignment(*broken, lib).Valid()) << "negative slot";
  broken->SetUserPropString(PW_PROP_STYLE_SLOT, "two");
  EXPECT_FALSE(ReadStyleAssignment(*broken, lib).Valid()) << "not a number";
}

TEST_F(StyleAssignmentTest, StyleOfNodeFallsBackByIdThenNameThenDefault) {
  const int ink = NewStyle("Ink");
  const int gone = NewStyle("Gone");
  const int named = NewStyle("Named");
  PwObject* defaultStyle = lib->Get(defaultSlot);

  // Another library of the process (an open art-material file, say).
  PwObjectLibrary* other = MakeLibrary();
  ASSERT_NE(other, nullptr);
  const int otherSlot = other->Find(PW_ORIGIN_PRESET, 403);
  ASSERT_NE(other->LibraryId(), lib->LibraryId());

  host::INode* assigned = Mesh("assigned");
  AssignStyle(*assigned, *lib, ink);
  host::INode* toOther = Mesh("to other");
  AssignStyle(*toOther, *other, otherSlot);
  host::INode* emptied = Mesh("emptied");
  AssignStyle(*emptied, *lib, gone);
  host::INode* emptiedNamed = Mesh("emptied, with a known name");
  AssignStyle(*emptiedNamed, *lib, gone);
  emptiedNamed->SetUserPropString(PW_PROP_STYLE_NAME, "Named");
  host::INode* unknownLib = Mesh("unknown library: found by its name");
  AssignStyle(*unknownLib, *lib, ink);
  unknownLib->SetUserPropInt(PW_PROP_STYLE_LIBRARY_ID, 5);
  host::INode* unknownBoth = Mesh("unknown library and name");
  AssignStyle(*unknownBoth, *lib, ink);
  unknownBoth->SetUserPropInt(PW_PROP_STYLE_LIBRARY_ID, 5);
  unknownBoth->SetUserPropString(PW_PROP_STYLE_NAME, "Nobody");
  host::INode* nameOnly = Mesh("name only");
  nameOnly->SetUserPropString(PW_PROP_STYLE_NAME, "Named");
  host::INode* unknownName = Mesh("unknown name");
  unknownName->SetUserPropString(PW_PROP_STYLE_NAME, "Nobody");
  host::INode* old = Mesh("old");
  SetAppDataSlot(*old, ink);
  host::INode* never = Mesh("never");
  ASSERT_TRUE(lib->Remove(gone, true));

  const struct {
    host::INode* node;
    PwObject* expected;
  } cases[] = {
      {assigned, lib->Get(ink)},       {toOther, other->Get(otherSlot)}, {emptied, defaultStyle},
      {emptiedNamed, lib->Get(named)}, {unknownLib, lib->Get(ink)},      {unknownBoth, defaultStyle},
      {nameOnly, lib->Get(named)},     {unknownName, defaultStyle},      {old, lib->Get(ink)},
      {never, defaultStyle},
  };
  for (const auto& c : cases) EXPECT_EQ(StyleOfNode(*c.node, *lib), c.expected) << c.node->GetName();
}

TEST_F(StyleAssignmentTest, DeletingAStyleMovesItsNodesToTheDefaultStyle) {
  const int ink = NewStyle("Ink");
  const int keep = NewStyle("Keep");
  host::INode* parent = Mesh("Parent");
  host::INode* child = Mesh("Child", parent);
  host::INode* other = Mesh("Other");
  host::INode* old = Mesh("Old");
  AssignStyle(*parent, *lib, ink);
  AssignStyle(*child, *lib, ink);
  AssignStyle(*other, *lib, keep);
  SetAppDataSlot(*old, ink);

  ASSERT_TRUE(DeleteLibraryMaterial(*lib, ink));
  EXPECT_EQ(lib->Get(ink), nullptr);
  for (host::INode* node : {parent, child, old}) {
    EXPECT_EQ(ReadStyleAssignment(*node, lib), (StyleAssignment{lib->LibraryId(), defaultSlot})) << node->GetName();
    EXPECT_EQ(Prop(*node, "Penwright_StyleName"), "Default") << node->GetName();
  }
  EXPECT_EQ(ReadStyleAssignment(*other, lib).slot, keep);

  // A new style reusing the slot does not inherit the moved nodes.
  const int reused = NewStyle("Reused");
  EXPECT_EQ(reused, ink);
  EXPECT_EQ(StyleOfNode(*parent, *lib), lib->Get(defaultSlot));
}

// The nodes move only once the deletion is decided: a style the user keeps
// (asked because others use it) keeps its nodes.
TEST_F(StyleAssignmentTest, ADeletionTheUserRefusesMovesNoNodes) {
  const int ink = NewStyle("Ink");
  for (int k = 0; k < 2; ++k) At(*lib, NewStyle("User " + std::to_string(k)))->SetTool(0, lib->Get(ink));
  host::INode* node = Mesh("Box");
  AssignStyle(*node, *lib, ink);
  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysNo);
  EXPECT_FALSE(DeleteLibraryMaterial(*lib, ink));
  EXPECT_EQ(ReadStyleAssignment(*node, lib).slot, ink);
  host::SetQuestionPolicy(host::QuestionPolicy::AlwaysYes);
  EXPECT_TRUE(DeleteLibraryMaterial(*lib, ink));
  EXPECT_EQ(ReadStyleAssignment(*node, lib).slot, defaultSlot);
}

TEST_F(StyleAssignmentTest, DeletingOtherMaterialsLeavesAssignmentsAlone) {
  const int ink = NewStyle("Ink");
  host::INode* node = Mesh("Box");
  AssignStyle(*node, *lib, ink);
  const std::string before = node->GetUserPropBuffer();
  ASSERT_TRUE(DeleteLibraryMaterial(*lib, lib->Find(PW_ORIGIN_PRESET, 0)));  // a brush
  EXPECT_EQ(node->GetUserPropBuffer(), before);
}

TEST_F(StyleAssignmentTest, SelectByStyle) {
  const int ink = NewStyle("Ink");
  host::INode* a = Mesh("A");
  host::INode* b = Mesh("B", a);
  host::INode* c = Mesh("C");
  host::INode* unassigned = Mesh("Unassigned");
  AssignStyle(*a, *lib, ink);
  AssignStyle(*b, *lib, ink);
  AssignStyle(*c, *lib, defaultSlot);
  c->Select(true);

  EXPECT_EQ(SelectObjectsByStyle(*scene->Root(), *lib, ink), 2);
  EXPECT_TRUE(a->Selected());
  EXPECT_TRUE(b->Selected());
  EXPECT_FALSE(c->Selected()) << "the selection is replaced";
  EXPECT_FALSE(unassigned->Selected());

  // Unassigned nodes are drawn with the default style, so they belong to it;
  // the holder node is drawn with nothing.
  EXPECT_EQ(SelectObjectsByStyle(*scene->Root(), *lib, defaultSlot), 2);
  EXPECT_TRUE(c->Selected());
  EXPECT_TRUE(unassigned->Selected());
  EXPECT_FALSE(a->Selected());
  EXPECT_FALSE(FindHolderNode(scene->Root())->Selected());
}

TEST_F(StyleAssignmentTest, AssignToSelectionAndToAllGeometry) {
  const int ink = NewStyle("Ink");
  host::INode* a = Mesh("A");
  host::INode* b = Mesh("B", a);
  host::INode* dummy = scene->CreateNode("Dummy", new host::DummyObject());
  host::INode* inDummy = Mesh("In dummy", dummy);
  host::INode* cam = scene->CreateNode("Camera", new host::GenCamera());
  b->Select(true);
  cam->Select(true);

  EXPECT_EQ(AssignStyleToSelection(*scene->Root(), *lib, ink), 2);
  EXPECT_EQ(ReadStyleAssignment(*b, lib).slot, ink);
  EXPECT_EQ(ReadStyleAssignment(*cam, lib).slot, ink);
  EXPECT_FALSE(a->UserPropExists(PW_PROP_PROPERTIES_VERSION));
  EXPECT_EQ(AssignStyleToSelection(*scene->Root(), *lib, lib->Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH)), 0);

  const int wire = lib->Find(PW_ORIGIN_PRESET, 402);
  EXPECT_EQ(AssignStyleToAll(*scene->Root(), *lib, wire), 3);
  for (host::INode* node : {a, b, inDummy}) EXPECT_EQ(ReadStyleAssignment(*node, lib).slot, wire) << node->GetName();
  EXPECT_EQ(ReadStyleAssignment(*cam, lib).slot, ink);
  EXPECT_FALSE(dummy->UserPropExists(PW_PROP_PROPERTIES_VERSION));
  EXPECT_FALSE(FindHolderNode(scene->Root())->UserPropExists(PW_PROP_PROPERTIES_VERSION));
}

TEST_F(StyleAssignmentTest, NodesAreVisitedChildrenFirst) {
  host::INode* a = Mesh("A");
  host::INode* b = Mesh("B", a);
  host::INode* c = Mesh("C", b);
  host::INode* d = Mesh("D");
  const std::vector<host::INode*> order = NodesChildrenFirst(*scene->Root());
  const std::vector<host::INode*> expected{FindHolderNode(scene->Root()), c, b, a, d};
  EXPECT_EQ(order, expected);
}

}  // namespace
}  // namespace pw::test
