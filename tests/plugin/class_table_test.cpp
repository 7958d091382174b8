#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "host/refs/class_desc.h"
#include "host/refs/reference.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"
#include "plugin/entry.h"
#include "plugin/names.h"

namespace {

struct ExpectedClass {
  const char* internalName;
  host::SClass_ID superClass;
  std::uint32_t a, b;
};

// Written out by hand on purpose, not from class_ids.h: files depend on these
// numbers, so a typo in the constants must fail here.
const ExpectedClass kExpected[] = {
    {"PwActions", 0xB60, 0x54751021, 0x6A6F4C81},
    {"PenwrightRenderer", 0xF00, 0x6E431896, 0x25855BAF},
    {"PwObjLibHolder", 0x50, 0x1E5F3334, 0x1F5B31A2},
    {"PwObjectLibrary", 0x100, 0x4475418F, 0x196F5EF2},
    {"PwStyle", 0x100, 0x78F3060A, 0x598D1BA2},
    {"PwStyleDrawingTools", 0x100, 0x65F4347A, 0x019A0E55},
    {"PwStyleTreeItem", 0x100, 0x153C7A44, 0x5A07599A},
    {"PwStyleEdgeAngle", 0x100, 0x5283496B, 0x54CB7919},
    {"PwStyleLineContour", 0x100, 0x388756F8, 0x4D694B3C},
    {"PwPaint", 0x100, 0x4C464428, 0x08615F47},
    {"PwBrush", 0x100, 0x15506619, 0x638E2232},
    {"PwStroke", 0x100, 0x00633F1B, 0x76FF451E},
    {"PwCanvas", 0x100, 0x5131459E, 0x4ACA1D5D},
    {"Surface", 0x100, 0x2A2603BF, 0x0E390F2F},
    {"PwMtlToon", 0xC00, 0x6C94360D, 0x40C3786E},
    {"PwCelShader", 0x10B0, 0x2D1F511F, 0x075853AF},
    {"PwGradientColor", 0x100, 0x2B7C700E, 0x5CEA7A8A},
    {"PwGradient", 0x100, 0x403B00D5, 0x7F465026},
    {"PwPaintOn", 0x810, 0x33C043AF, 0x54BD12F0},
    {"PwRestrictSI", 0x810, 0x75671651, 0x68E479E4},
    {"PwEdgeIDModifier", 0x810, 0x0D42612A, 0x4F7575BE},
};

TEST(PluginEntry, TableOrderAndIds) {
  ASSERT_EQ(pw::LibNumberClasses(), 21);
  ASSERT_EQ(std::size(kExpected), 21u);
  for (int i = 0; i < 21; ++i) {
    SCOPED_TRACE(i);
    host::ClassDesc* desc = pw::LibClassDesc(i);
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->InternalName(), kExpected[i].internalName);
    EXPECT_EQ(desc->SuperClassID(), kExpected[i].superClass);
    EXPECT_EQ(desc->ClassID(), host::Class_ID(kExpected[i].a, kExpected[i].b));
  }
}

TEST(PluginEntry, OutOfRangeIndexHasNoDescriptor) {
  for (int i : {-1, 21, 22, 1000}) EXPECT_EQ(pw::LibClassDesc(i), nullptr) << i;
}

TEST(PluginEntry, ClassIdsAreUnique) {
  std::set<std::pair<std::uint32_t, std::uint32_t>> seen;
  for (int i = 0; i < pw::LibNumberClasses(); ++i) {
    host::Class_ID id = pw::LibClassDesc(i)->ClassID();
    EXPECT_TRUE(seen.insert({id.a, id.b}).second) << "duplicate id at " << i;
  }
}

TEST(PluginEntry, NamesAndCategories) {
  struct Case {
    int index;
    std::string className, displayName, category;
  };
  const Case cases[] = {
      {1, "Penwright! 5.70  Renderer", "Penwright! 5.70  Renderer", ""},
      {4, "Style", "Style", ""},
      {9, "Paint", "Paint", ""},
      {10, "Brush", "Brush", ""},
      {11, "Stroke", "Stroke", ""},
      {12, "Canvas", "Canvas", ""},
      {13, "Surface", "Surface", ""},
      {14, "Toon", "Toon", ""},
      {15, "Penwright! Cel", "Penwright! Cel", ""},
      {16, "GradientColor", "GradientColor", ""},
      {17, "Gradient", "Gradient", ""},
      {18, "Penwright! Paint On", "Penwright! Paint On", "PENWRIGHT!"},
      {19, "Penwright! RestrictSI", "Penwright! Restrict SI", "PENWRIGHT!"},
      {20, "Penwright! Edge ID", "Penwright! Edge ID", "PENWRIGHT!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    const pw::PluginClassDesc* desc = pw::PluginClass(c.index);
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->ClassName(), c.className);
    EXPECT_EQ(desc->DisplayName(), c.displayName);
    EXPECT_EQ(desc->Category(), c.category);
  }
}

TEST(PluginEntry, VersionDescriptionAndDisplayNames) {
  EXPECT_EQ(pw::LibVersion(), 0x36B02600u);
  EXPECT_EQ(pw::CanAutoDefer(), 0);
  EXPECT_STREQ(pw::ProductName(), "Penwright!");
  EXPECT_EQ(pw::DisplayName(), "Penwright! 5.70 ");
  EXPECT_EQ(pw::RendererName(), "Penwright! 5.70  Renderer");
  EXPECT_STREQ(pw::LibDescription(),
               "Penwright! 5.70  Renderer. Contact Quillmark. e-mail: support@quillmark.example");
}

class Dummy : public host::ReferenceTarget {
 public:
  explicit Dummy(bool loading) : loading_(loading) {}
  bool loading_;
};

// Takes a class's factory away for one test and gives it back afterwards.
struct WithoutFactory {
  host::Class_ID id;
  pw::ClassFactory saved = pw::FindPluginClass(id)->Factory();
  explicit WithoutFactory(host::Class_ID classId) : id(classId) { pw::SetClassFactory(id, nullptr); }
  ~WithoutFactory() { pw::SetClassFactory(id, saved); }
};

TEST(PluginClassTable, FactoryPlugsIntoDescriptor) {
  WithoutFactory reset(pw::PW_GRADIENT_CLASS_ID);
  WithoutFactory other(pw::PW_GRADIENT_COLOR_CLASS_ID);
  host::ClassDesc* desc = pw::LibClassDesc(17);
  ASSERT_NE(desc, nullptr);
  EXPECT_EQ(desc->Create(false), nullptr) << "a class without implementation creates nothing";

  int calls = 0;
  ASSERT_TRUE(pw::SetClassFactory(pw::PW_GRADIENT_CLASS_ID, [&](bool loading) {
    ++calls;
    return new Dummy(loading);
  }));
  for (bool loading : {false, true}) {
    host::ReferenceTarget* obj = desc->Create(loading);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(static_cast<Dummy*>(obj)->loading_, loading);
    obj->DeleteThis();
  }
  EXPECT_EQ(calls, 2);
  // Other classes are unaffected.
  EXPECT_EQ(pw::LibClassDesc(16)->Create(false), nullptr);

  pw::SetClassFactory(pw::PW_GRADIENT_CLASS_ID, nullptr);
  EXPECT_EQ(desc->Create(false), nullptr);
}

TEST(PluginClassTable, FactoryForUnknownIdIsRefused) {
  EXPECT_FALSE(pw::SetClassFactory(host::Class_ID(1, 2), [](bool) { return nullptr; }));
  EXPECT_EQ(pw::FindPluginClass(host::Class_ID(1, 2)), nullptr);
}

TEST(PluginClassTable, RegistrationFindsEveryClass) {
  host::ClassRegistry registry;
  pw::RegisterPluginClasses(registry);
  pw::RegisterPluginClasses(registry);  // registering again must not duplicate
  EXPECT_EQ(registry.All().size(), 21u);
  for (const ExpectedClass& e : kExpected) {
    SCOPED_TRACE(e.internalName);
    host::ClassDesc* found = registry.Find(e.superClass, host::Class_ID(e.a, e.b));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->InternalName(), e.internalName);
    // The same class id under another super class is a different class.
    EXPECT_EQ(registry.Find(e.superClass == 0x100 ? 0x810 : 0x100, host::Class_ID(e.a, e.b)), nullptr);
  }
}

}  // namespace
