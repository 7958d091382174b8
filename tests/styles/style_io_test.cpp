#include <gtest/gtest.h>

#include <array>
#include <string>

#include "host/params/paramblock_legacy.h"
#include "host/refs/scene_file.h"
#include "library/library_materials.h"
#include "plugin/class_ids.h"
#include "style_fixture.h"
#include "styles/style_legacy.h"

namespace pw::test {
namespace {

// Where a material sits in its library, to compare tools across libraries.
struct Where {
  int origin, number;
  std::string name;
  friend bool operator==(const Where&, const Where&) = default;
};
Where Identify(const PwObject* obj) {
  return obj ? Where{obj->GetOrigin(), obj->GetNumber(), obj->GetName()} : Where{-9, -9, "(none)"};
}

void ExpectSameItems(const PwStyleTreeItem* a, const PwStyleTreeItem* b, const std::string& path) {
  ASSERT_TRUE(a && b) << path;
  EXPECT_EQ(a->IsOn(), b->IsOn()) << path;
  EXPECT_EQ(a->GetLabel(), b->GetLabel()) << path;
  ASSERT_EQ(a->GetChildCount(), b->GetChildCount()) << path;
  for (int p = 0; p < a->GetChildCount(); ++p) EXPECT_EQ(a->GetPriority(p), b->GetPriority(p)) << path << " #" << p;
  host::ReferenceTarget* da = a->GetData();
  host::ReferenceTarget* db = b->GetData();
  ASSERT_EQ(da == nullptr, db == nullptr) << path;
  if (da) {
    EXPECT_EQ(da->ClassID(), db->ClassID()) << path;
    if (auto* ta = dynamic_cast<PwStyleDrawingTools*>(da)) {
      auto* tb = static_cast<PwStyleDrawingTools*>(db);
      for (int t = 0; t < kDrawingToolCount; ++t)
        EXPECT_EQ(Identify(ta->GetTool(t)), Identify(tb->GetTool(t))) << path << " tool " << t;
    } else if (auto* pa = dynamic_cast<PwStylePart*>(da)) {
      // Angle and contour settings: every parameter, keys included.
      const host::IParamBlock2* ba = pa->Block();
      const host::IParamBlock2* bb = static_cast<PwStylePart*>(db)->Block();
      ASSERT_TRUE(ba && bb) << path;
      for (int i = 0; i < ba->NumParams(); ++i) {
        const host::ParamID id = ba->IndexToId(i);
        for (host::TimeValue t : {0, 50, 100}) {
          EXPECT_EQ(ba->GetFloat(id, t), bb->GetFloat(id, t)) << path << " param " << id;
          EXPECT_EQ(ba->GetInt(id, t), bb->GetInt(id, t)) << path << " param " << id;
        }
        EXPECT_EQ(ba->IsAnimated(id), bb->IsAnimated(id)) << path << " param " << id;
      }
    } else {
      EXPECT_EQ(Identify(dynamic_cast<PwObject*>(da)), Identify(dynamic_cast<PwObject*>(db))) << path;
    }
  }
  for (int i = 0; i < a->GetChildCount(); ++i)
    ExpectSameItems(a->GetChild(i), b->GetChild(i), path + "/" + a->GetChild(i)->GetLabel());
}

void ExpectSameStyle(const PwStyle& a, const PwStyle& b) {
  EXPECT_EQ(a.GetName(), b.GetName());
  EXPECT_EQ(a.GetOrigin(), b.GetOrigin());
  EXPECT_EQ(a.GetNumber(), b.GetNumber());
  EXPECT_EQ(a.GetForceAllLinesVisible(), b.GetForceAllLinesVisible());
  EXPECT_EQ(a.GetEdgeSmoothingOn(), b.GetEdgeSmoothingOn());
  for (host::TimeValue t : {0, 50, 100}) {
    EXPECT_EQ(a.GetEdgeSmoothingCurvature(t), b.GetEdgeSmoothingCurvature(t));
    EXPECT_EQ(a.GetEdgeSmoothingSteps(t), b.GetEdgeSmoothingSteps(t));
  }
  ExpectSameItems(a.GetRootItem(), b.GetRootItem(), "root");
}

using StyleIoTest = StyleTest;

TEST_F(StyleIoTest, SaveAndLoadGiveTheSameStyles) {
  PwObjectLibrary* lib = MakeLibrary();
  ASSERT_NE(lib, nullptr);
  PwStyle* style = NewStyle(*lib);
  style->SetName("Busy");
  style->SetForceAllLinesVisible(true);
  style->SetEdgeSmoothingOn(true);
  style->Block()->SetKey(STYLE_EDGE_SMOOTHING_CURVATURE, 0, 0.2f);
  style->Block()->SetKey(STYLE_EDGE_SMOOTHING_CURVATURE, 100, 0.8f);
  style->SetEdgeSmoothingSteps(11);
  style->SetSubItemCount(LINE_KIND_EDGE_IDS, 8);
  style->SetSubItemCount(LINE_KIND_CONTOURS, 3);
  style->GetLineContour(2)->SetType(LINE_CONTOUR_BY_TEXTURE);
  style->GetLineContour(2)->Block()->SetKey(STYLE_LINE_CONTOUR_TEX_STEPS, 0, 5);
  style->GetLineContour(2)->Block()->SetKey(STYLE_LINE_CONTOUR_TEX_STEPS, 100, 15);
  style->GetEdgeAngle()->SetMinAngle(0.3f);
  style->GetLineKindItem(LINE_KIND_ANGLE)->SetOn(true);
  style->GetLineKindItem(LINE_KIND_EDGE_IDS, 6)->SetOn(true);
  style->GetLineKindItem(LINE_KIND_EDGE_IDS)->SetPriority(0, 7);
  style->SetLineOrder(LINE_KIND_ANGLE, 0);
  style->SetLineOrder(LINE_KIND_FOLD, 7);
  WhereTools(*style, LINE_KIND_ANGLE, -1, STYLE_WHERE_HIDDEN)->SetStroke(Material(*lib, PW_ORIGIN_PRESET, 104));
  style->SetSurface(Material(*lib, PW_ORIGIN_PRESET, 303));

  auto* loadedLib = dynamic_cast<PwObjectLibrary*>(RoundTrip(lib));
  ASSERT_NE(loadedLib, nullptr);
  ASSERT_EQ(loadedLib->SlotCount(), lib->SlotCount());
  int styles = 0;
  for (int slot = 0; slot < lib->SlotCount(); ++slot) {
    auto* a = dynamic_cast<PwStyle*>(lib->Get(slot));
    if (!a) continue;
    auto* b = dynamic_cast<PwStyle*>(loadedLib->Get(slot));
    ASSERT_NE(b, nullptr) << slot;
    SCOPED_TRACE(a->GetName());
    ExpectSameStyle(*a, *b);
    EXPECT_EQ(b->NumRefs(), 1);
    EXPECT_EQ(b->LegacyRecord(), nullptr);
    ++styles;
  }
  EXPECT_EQ(styles, 10);  // the default, eight presets and ours
  // Tools of the loaded style are the loaded library's materials, not copies.
  auto* busy = StyleNamed(*loadedLib, "Busy");
  ASSERT_NE(busy, nullptr);
  EXPECT_EQ(WhereTools(*busy, LINE_KIND_ANGLE, -1, STYLE_WHERE_HIDDEN)->GetStroke(),
            Material(*loadedLib, PW_ORIGIN_PRESET, 104));
  EXPECT_EQ(busy->GetSurface(), Material(*loadedLib, PW_ORIGIN_PRESET, 303));
}

TEST_F(StyleIoTest, StyleWritesItsFormatVersion) {
  host::RefHolder hold(new PwStyle());
  host::MemorySave out;
  ASSERT_EQ(static_cast<PwStyle*>(hold.get())->Save(&out), host::IO_OK);
  host::MemoryLoad in(out.Bytes());
  bool found = false;
  while (in.OpenChunk() == host::IO_OK) {
    if (in.CurChunkID() == PW_STYLE_CHUNK_VERSION) {
      std::uint16_t v = 0;
      EXPECT_EQ(in.CurChunkRemaining(), 2u);
      ASSERT_EQ(in.ReadValue(&v), host::IO_OK);
      EXPECT_EQ(v, 4);
      found = true;
    }
    in.CloseChunk();
  }
  EXPECT_TRUE(found);
}

// A style as the format before the tree saved it: the common chunks, chunk
// 100 holding the format, chunk 103 with the switches, and 44 references.
class OldFormatStyle : public PwObject {
 public:
  host::Class_ID ClassID() const override { return PW_STYLE_CLASS_ID; }
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  int NumRefs() override { return refCount; }
  host::ReferenceTarget* GetReference(int i) override { return i >= 0 && i < refCount ? slots[i] : nullptr; }
  int NumExtraSaveChunks() const override { return withSwitches ? 2 : 1; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override {
    if (i == 0) {
      if (shortVersion) return isave->WriteChunk(PW_STYLE_CHUNK_VERSION, std::uint8_t{3});
      return isave->WriteChunk(PW_STYLE_CHUNK_VERSION, version);
    }
    isave->BeginChunk(PW_STYLE_CHUNK_LEGACY_TREE);
    std::size_t n = 0;
    const host::IOResult r = isave->Write(values.data(), valueCount * sizeof(std::int32_t), &n);
    isave->EndChunk();
    return r;
  }

  std::uint16_t version = 3;
  int refCount = kStyleLegacyRefCount;
  bool withSwitches = true;
  bool shortVersion = false;
  std::size_t valueCount = 30;
  std::array<std::int32_t, 30> values{};
  std::array<host::ReferenceTarget*, kStyleLegacyRefCount> slots{};

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override {
    if (i >= 0 && i < refCount) slots[static_cast<std::size_t>(i)] = target;
  }
};

host::IParamBlock* OldBlock() {
  static const host::ParamBlockDescID layout[] = {{host::TYPE_INT, nullptr, false, 0}};
  return host::IParamBlock::Create(layout, 1, 1);
}

// Tools of the old kinds: visible brush k, stroke 100 + k, paint 200 + k;
// hidden brush 11 - k, stroke 108 - k, paint 221 - k.
int OldToolPreset(int oldKind, bool hidden, int tool) {
  static const int base[2][3] = {{0, 100, 200}, {11, 108, 221}};
  return hidden ? base[1][tool] - oldKind : base[0][tool] + oldKind;
}

class OldFormatTest : public StyleTest {
 protected:
  // A library holding an old-format style named "Old", saved and loaded;
  // answers the loaded style.
  PwStyle* LoadOld(OldFormatStyle* old) {
    PwObjectLibrary* lib = MakeLibrary();
    if (!lib) return nullptr;
    old->SetName("Old");
    old->ReplaceReference(0, OldBlock());
    for (int k = 0; k < kStyleLegacyKindCount && old->refCount == kStyleLegacyRefCount; ++k)
      for (bool hidden : {false, true})
        for (int tool = 0; tool < 3; ++tool)
          old->ReplaceReference(StyleLegacyToolSlot(k, hidden, tool),
                                Material(*lib, PW_ORIGIN_PRESET, OldToolPreset(k, hidden, tool)));
    if (old->refCount == kStyleLegacyRefCount)
      old->ReplaceReference(kStyleLegacySurfaceSlot, Material(*lib, PW_ORIGIN_PRESET, 305));
    lib->Add(old);
    loadedLib = dynamic_cast<PwObjectLibrary*>(RoundTrip(lib));
    return loadedLib ? StyleNamed(*loadedLib, "Old") : nullptr;
  }
  PwObjectLibrary* loadedLib = nullptr;
};

TEST_F(OldFormatTest, FormatThreeBecomesATree) {
  auto* old = new OldFormatStyle();
  // ignored, force, lines on, surface on; positions of All, Fold, Crease,
  // MAX Defined, Material Change; then on/visible/hidden of All, Fold,
  // Crease, MAX Defined, Material Change, Silhouette, Surface Intersection.
  old->values = {77, 0, 1, 0,  4, 0, 2, 1, 3,  1, 1, 0,  1, 1, 1,  0, 1, 0,  1, 0, 1,  0, 0, 0,  1, 1, 0,  1, 1, 7};
  PwStyle* style = LoadOld(old);
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->NumRefs(), 1);
  EXPECT_EQ(style->LegacyRecord(), nullptr);
  ASSERT_NE(style->Block(), nullptr);
  EXPECT_FALSE(style->GetForceAllLinesVisible());
  EXPECT_TRUE(style->AreLinesOn());
  EXPECT_FALSE(style->IsSurfaceOn());
  EXPECT_EQ(style->GetSurface(), Material(*loadedLib, PW_ORIGIN_PRESET, 305));

  const int order[kLineKindCount] = {LINE_KIND_FOLD,      LINE_KIND_MAX_DEFINED, LINE_KIND_CREASE,
                                     LINE_KIND_MATERIAL_CHANGE, LINE_KIND_ALL,   LINE_KIND_SURFACE_INTERSECTION,
                                     LINE_KIND_EDGE_IDS,  LINE_KIND_ANGLE,       LINE_KIND_SILHOUETTE,
                                     LINE_KIND_CONTOURS};
  for (int p = 0; p < kLineKindCount; ++p) EXPECT_EQ(style->GetLineOrder(p), order[p]) << p;

  const struct {
    int oldKind, kind;
    bool on, visible, hidden;
  } kinds[] = {
      {STYLE_LEGACY_ALL, LINE_KIND_ALL, true, true, false},
      {STYLE_LEGACY_FOLD, LINE_KIND_FOLD, true, true, true},
      {STYLE_LEGACY_CREASE, LINE_KIND_CREASE, false, true, false},
      {STYLE_LEGACY_MAX_DEFINED, LINE_KIND_MAX_DEFINED, true, false, true},
      {STYLE_LEGACY_MATERIAL_CHANGE, LINE_KIND_MATERIAL_CHANGE, false, false, false},
      {STYLE_LEGACY_SILHOUETTE, LINE_KIND_SILHOUETTE, true, true, false},
      {STYLE_LEGACY_SURFACE_INTERSECTION, LINE_KIND_SURFACE_INTERSECTION, true, true, true},
  };
  for (const auto& k : kinds) {
    SCOPED_TRACE(LineKindLabel(k.kind));
    EXPECT_EQ(style->IsLineKindOn(k.kind), k.on);
    EXPECT_EQ(WhereOn(*style, k.kind, -1, STYLE_WHERE_VISIBLE), k.visible);
    EXPECT_EQ(WhereOn(*style, k.kind, -1, STYLE_WHERE_HIDDEN), k.hidden);
    for (bool hidden : {false, true}) {
      PwStyleDrawingTools* tools =
          WhereTools(*style, k.kind, -1, hidden ? STYLE_WHERE_HIDDEN : STYLE_WHERE_VISIBLE);
      ASSERT_NE(tools, nullptr);
      EXPECT_EQ(tools->GetBrush(), Material(*loadedLib, 1, OldToolPreset(k.oldKind, hidden, STYLE_LEGACY_BRUSH)));
      EXPECT_EQ(tools->GetStroke(), Material(*loadedLib, 1, OldToolPreset(k.oldKind, hidden, STYLE_LEGACY_STROKE)));
      EXPECT_EQ(tools->GetPaint(), Material(*loadedLib, 1, OldToolPreset(k.oldKind, hidden, STYLE_LEGACY_PAINT)));
    }
  }
  // Kinds the old format did not know get the default tree's settings.
  EXPECT_FALSE(style->IsLineKindOn(LINE_KIND_ANGLE));
  EXPECT_EQ(style->GetSubItemCount(LINE_KIND_CONTOURS), 5);
  EXPECT_EQ(WhereTools(*style, LINE_KIND_ANGLE, -1, STYLE_WHERE_VISIBLE)->GetBrush(),
            Material(*loadedLib, PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH));

  // Saved again, it is a tree style of today's format.
  auto* again = dynamic_cast<PwObjectLibrary*>(RoundTrip(loadedLib));
  ASSERT_NE(again, nullptr);
  PwStyle* reloaded = StyleNamed(*again, "Old");
  ASSERT_NE(reloaded, nullptr);
  ExpectSameStyle(*style, *reloaded);
}

TEST_F(OldFormatTest, MissingOldToolsKeepTheDefaults) {
  auto* old = new OldFormatStyle();
  old->values[9] = 1;  // All on
  old->values[10] = 1;
  PwObjectLibrary* lib = MakeLibrary();
  ASSERT_NE(lib, nullptr);
  old->SetName("Old");
  old->ReplaceReference(StyleLegacyToolSlot(STYLE_LEGACY_ALL, false, STYLE_LEGACY_STROKE),
                        Material(*lib, PW_ORIGIN_PRESET, 102));
  lib->Add(old);
  auto* loaded = dynamic_cast<PwObjectLibrary*>(RoundTrip(lib));
  ASSERT_NE(loaded, nullptr);
  PwStyle* style = StyleNamed(*loaded, "Old");
  ASSERT_NE(style, nullptr);
  PwStyleDrawingTools* tools = WhereTools(*style, LINE_KIND_ALL, -1, STYLE_WHERE_VISIBLE);
  EXPECT_EQ(tools->GetStroke(), Material(*loaded, PW_ORIGIN_PRESET, 102));
  EXPECT_EQ(tools->GetBrush(), Material(*loaded, PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH));
  EXPECT_EQ(tools->GetPaint(), Material(*loaded, PW_ORIGIN_DEFAULT, PW_DEFAULT_PAINT_CUSTOM));
  EXPECT_EQ(style->GetSurface(), Material(*loaded, PW_ORIGIN_DEFAULT, PW_DEFAULT_SURFACE));
}

TEST_F(OldFormatTest, FormatsOneAndTwoGetTheDefaultTree) {
  for (std::uint16_t version : {1, 2}) {
    auto* old = new OldFormatStyle();
    old->version = version;
    old->refCount = 1;
    old->withSwitches = false;
    PwStyle* style = LoadOld(old);
    ASSERT_NE(style, nullptr) << version;
    ASSERT_NE(style->Block(), nullptr);
    EXPECT_EQ(style->GetLinesItem()->GetChildCount(), kLineKindCount);
    EXPECT_TRUE(style->IsLineKindOn(LINE_KIND_FOLD));
    EXPECT_EQ(style->GetSurface(), Material(*loadedLib, PW_ORIGIN_DEFAULT, PW_DEFAULT_SURFACE));
    EXPECT_EQ(style->LegacyRecord(), nullptr);
  }
}

TEST_F(OldFormatTest, DamagedChunksFailTheLoad) {
  for (int damage = 0; damage < 2; ++damage) {
    PwObjectLibrary* lib = MakeLibrary();
    ASSERT_NE(lib, nullptr);
    auto* old = new OldFormatStyle();
    old->shortVersion = damage == 0;
    old->valueCount = damage == 1 ? 12 : 30;
    lib->Add(old);
    host::SceneSaveResult saved = host::SaveSceneToBytes(lib);
    ASSERT_TRUE(saved.ok());
    host::SceneLoadResult loaded = host::LoadSceneFromBytes(saved.bytes, host::ClassRegistry::Global());
    EXPECT_FALSE(loaded.ok()) << damage;
    EXPECT_NE(loaded.error.find("(Style)"), std::string::npos) << loaded.error;
    EXPECT_EQ(loaded.root, nullptr);
  }
}

TEST(StyleLegacyLineOrder, DamagedPositionsStillPlaceEveryKindOnce) {
  const struct {
    std::array<int, kStyleLegacyPositionCount> positions;  // All, Fold, Crease, MAX Defined, Material Change
    std::array<int, 5> first;
  } cases[] = {
      {{0, 1, 2, 3, 4}, {LINE_KIND_ALL, LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_MAX_DEFINED,
                         LINE_KIND_MATERIAL_CHANGE}},
      {{4, 3, 2, 1, 0}, {LINE_KIND_MATERIAL_CHANGE, LINE_KIND_MAX_DEFINED, LINE_KIND_CREASE, LINE_KIND_FOLD,
                         LINE_KIND_ALL}},
      // Repeated and out-of-range positions are ranked, ties in file order.
      {{0, 0, 9, -1, 2}, {LINE_KIND_MAX_DEFINED, LINE_KIND_ALL, LINE_KIND_FOLD, LINE_KIND_MATERIAL_CHANGE,
                          LINE_KIND_CREASE}},
  };
  for (const auto& c : cases) {
    const std::array<int, 10> order = StyleLegacyLineOrder(c.positions);
    for (int p = 0; p < 5; ++p) EXPECT_EQ(order[static_cast<std::size_t>(p)], c.first[static_cast<std::size_t>(p)]);
    EXPECT_EQ(order[5], LINE_KIND_SURFACE_INTERSECTION);
    EXPECT_EQ(order[6], LINE_KIND_EDGE_IDS);
    EXPECT_EQ(order[7], LINE_KIND_ANGLE);
    EXPECT_EQ(order[8], LINE_KIND_SILHOUETTE);
    EXPECT_EQ(order[9], LINE_KIND_CONTOURS);
  }
}

}  // namespace
}  // namespace pw::test
