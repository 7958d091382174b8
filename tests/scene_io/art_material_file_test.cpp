// Art-material files: what export writes, what import takes, and how a
// clash of names is settled.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "art_materials_fixture.h"
#include "host/imaging/image_io.h"
#include "library/art_material_file.h"
#include "library/art_materials.h"
#include "library/library_edit.h"
#include "plugin/class_ids.h"
#include "scene_io/art_material_describe.h"
#include "surfaces/canvas.h"

namespace pw::test {
namespace {

constexpr const char* kLooks = R"j({
  "brushes": [{"name": "Fat", "from": "Circle (4 pixels)", "size": 6},
              {"name": "Hair", "size": 0.25, "scaleRelative": false}],
  "paints": [{"name": "Blueprint Blue", "color": [0.2, 0.3, 0.9]}],
  "strokes": [{"name": "Dots", "pattern": "Dotted", "scale": 2, "capping": "none"}],
  "surfaces": [{"name": "Toony", "kind": "Toon", "toonPreset": "Comic", "smoothShaded": true}],
  "styles": [{
    "name": "Blueprint", "from": "Hidden-line", "surface": "Toony", "surfaceOn": true,
    "edgeSmoothingOn": true, "edgeSmoothingSteps": 8,
    "lines": {
      "Fold": {"visible": {"brush": "Fat", "paint": "Blueprint Blue"}},
      "Silhouette": {"on": true, "hidden": {"on": true, "stroke": "Dots", "brush": "Hair"}}
    }
  }]
})j";

bool Reaches(host::ReferenceMaker* from, const host::ReferenceTarget* what) {
  struct Find : host::RefEnumProc {
    const host::ReferenceTarget* what;
    bool found = false;
    int proc(host::ReferenceMaker* m) override {
      if (m == what) found = true;
      return found ? host::REF_ENUM_HALT : host::REF_ENUM_CONTINUE;
    }
  } find;
  find.what = what;
  from->EnumRefHierarchy(find);
  return find.found;
}

// A description of a material without the slots it and its tools sit in
// (" #12"), which differ from library to library.
std::string Described(const PwObjectLibrary& lib, int slot) {
  return std::regex_replace(DescribeArtMaterial(lib, slot), std::regex("( #|slot )[0-9]+"), "");
}

class ArtMaterialFile : public ArtMaterialsTest {
 protected:
  std::vector<std::uint8_t> Export(host::Scene& s) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(ExportArtMaterialsToBytes(s.Root(), &bytes, &error)) << error;
    return bytes;
  }

  // The user materials of a file's library, by slot.
  static std::vector<int> UserSlots(const ArtMaterialSource& src) {
    std::vector<int> slots;
    for (const SourceMaterial& m : src.List())
      if (m.origin == PW_ORIGIN_USER) slots.push_back(m.slot);
    return slots;
  }

  static int SlotOf(const ArtMaterialSource& src, const std::string& kind, const std::string& name) {
    for (const SourceMaterial& m : src.List({kind}))
      if (m.name == name) return m.slot;
    ADD_FAILURE() << "the file has no " << kind << " " << name;
    return -1;
  }

  // A second scene, with its own library, to import into.
  std::unique_ptr<host::Scene> Fresh(const std::string& json = "{}") {
    auto other = std::make_unique<host::Scene>();
    host::JsonValue v;
    std::string error;
    EXPECT_TRUE(host::ParseJson(json, v, &error)) << error;
    EXPECT_TRUE(ApplyArtMaterialsJson(&v, *other, "other.json", &error)) << error;
    return other;
  }
};

TEST_F(ArtMaterialFile, ExportThenImportGivesEqualMaterialsAndTrees) {
  ASSERT_TRUE(Apply(kLooks));
  host::INode* holderNode = FindHolderNode(scene->Root());
  ASSERT_NE(holderNode, nullptr);
  const std::string holderName = holderNode->GetName();
  const std::vector<std::uint8_t> bytes = Export(*scene);
  EXPECT_EQ(holderNode->GetName(), holderName);
  EXPECT_EQ(FindHolderNode(scene->Root()), holderNode);

  std::unique_ptr<host::Scene> other = Fresh();
  PwObjectLibrary& target = *GetCurrentLibrary(other->Root());
  const std::uint32_t targetId = target.LibraryId();
  ArtMaterialSource source;
  std::string error;
  ASSERT_TRUE(source.Read(bytes, host::ClassRegistry::Global(), &error)) << error;
  ASSERT_NE(source.Library(), nullptr);
  EXPECT_TRUE(source.Library()->IsTemporary());
  EXPECT_EQ(CurrentLibraryId(), targetId) << "reading a file never changes the current library";
  EXPECT_EQ(source.Library()->Used(), Library()->Used());

  // The list: every kind, "[Kind] Name" lines in slot order.
  const std::vector<SourceMaterial> styles = source.List({"Style"});
  ASSERT_FALSE(styles.empty());
  EXPECT_EQ(styles.back().Line(), "[Style] Blueprint");

  const int before = target.Used();
  // Only the style is chosen: its tools come with it. The presets it uses
  // clash with the scene's own (equal) ones and replace them.
  ImportReport report = ImportArtMaterials(source, {SlotOf(source, "Style", "Blueprint")}, target,
                                           [](const ClashQuestion& q) {
                                             EXPECT_TRUE(q.forStyle);
                                             EXPECT_NE(q.existing->GetOrigin(), PW_ORIGIN_USER);
                                             return ClashReply{ClashAnswer::ReplaceExisting, ""};
                                           });
  EXPECT_TRUE(report.error.empty()) << report.error;
  EXPECT_EQ(report.added, 6) << "the style, its surface, two brushes, a paint, a stroke";
  EXPECT_GT(report.replaced, 0);
  EXPECT_EQ(target.Used(), before + 6);

  const PwObjectLibrary& original = *Library();
  for (int slot = 0; slot < original.Capacity(); ++slot) {
    const PwObject* m = original.Get(slot);
    if (!m || m->GetOrigin() != PW_ORIGIN_USER) continue;
    const int copy = target.Find(m->ClassID(), m->GetName());
    ASSERT_GE(copy, 0) << m->GetName();
    EXPECT_EQ(Described(target, copy), Described(original, slot)) << m->GetName();
  }
  // The imported style draws with the imported tools, which the scene's
  // library holds, and no longer with anything of the file's.
  PwObject* style = target.Get(target.Find(PW_STYLE_CLASS_ID, "Blueprint"));
  for (const char* name : {"Fat", "Hair"})
    EXPECT_TRUE(Reaches(style, target.Get(target.Find(PW_BRUSH_CLASS_ID, name)))) << name;
  source = ArtMaterialSource();
  EXPECT_EQ(TheLibraryState().registry.size(), 2u) << "the file's library went with the source";
  EXPECT_EQ(Described(target, target.Find(PW_STYLE_CLASS_ID, "Blueprint")),
            Described(original, original.Find(PW_STYLE_CLASS_ID, "Blueprint")));
}

// Cut anywhere or with any byte changed, the file is refused with one
// message and nothing reaches the scene.
TEST_F(ArtMaterialFile, TruncatedOrFlippedFileIsRefusedAndChangesNothing) {
  ASSERT_TRUE(Apply(kLooks));
  const std::vector<std::uint8_t> bytes = Export(*scene);
  PwObjectLibrary& lib = *Library();
  const int used = lib.Used();
  const std::uint32_t current = CurrentLibraryId();
  const std::size_t libraries = TheLibraryState().registry.size();
  auto check = [&](const std::vector<std::uint8_t>& damaged, const std::string& what) {
    ArtMaterialSource source;
    std::string error;
    EXPECT_FALSE(source.Read(damaged, host::ClassRegistry::Global(), &error)) << what;
    EXPECT_EQ(error.rfind(PW_IAM_IMPORT_FAILED, 0), 0u) << what << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << what;
    EXPECT_EQ(source.Library(), nullptr);
    EXPECT_EQ(TheLibraryState().registry.size(), libraries) << what;
    EXPECT_EQ(CurrentLibraryId(), current);
    EXPECT_EQ(lib.Used(), used);
  };
  const std::size_t step = std::max<std::size_t>(1, bytes.size() / 400);
  for (std::size_t n = 0; n < bytes.size(); n += step)
    check(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)),
          "cut at " + std::to_string(n));
  for (std::size_t at = 0; at < bytes.size(); at += step) {
    std::vector<std::uint8_t> flipped = bytes;
    flipped[at] ^= 0x5A;
    check(flipped, "flipped at " + std::to_string(at));
  }
  // The file itself is fine.
  ArtMaterialSource source;
  std::string error;
  EXPECT_TRUE(source.Read(bytes, host::ClassRegistry::Global(), &error)) << error;
}

// The scene has its own "Fat", used by its own style "Mine".
constexpr const char* kSceneWithFat = R"j({
  "brushes": [{"name": "Fat", "size": 2}],
  "styles": [{"name": "Mine", "lines": {"Fold": {"visible": {"brush": "Fat"}},
                                        "Crease": {"visible": {"brush": "Fat"}}}}]
})j";

TEST_F(ArtMaterialFile, ReplacingAStylesBrushMovesEveryStyleOfTheScene) {
  ASSERT_TRUE(Apply(kLooks));
  const std::vector<std::uint8_t> bytes = Export(*scene);
  std::unique_ptr<host::Scene> other = Fresh(kSceneWithFat);
  PwObjectLibrary& target = *GetCurrentLibrary(other->Root());
  const int fatSlot = target.Find(PW_BRUSH_CLASS_ID, "Fat");
  PwObject* mine = target.Get(target.Find(PW_STYLE_CLASS_ID, "Mine"));
  ArtMaterialSource source;
  ASSERT_TRUE(source.Read(bytes, host::ClassRegistry::Global(), nullptr));
  PwObject* incoming = source.Library()->Get(SlotOf(source, "Brush", "Fat"));
  // (The questions' objects may be gone once answered: what matters is kept.)
  struct Asked {
    PwObject* incoming;
    bool forStyle;
    std::string text;
  };
  std::vector<Asked> asked;
  ImportReport report =
      ImportArtMaterials(source, {SlotOf(source, "Style", "Blueprint")}, target, [&](const ClashQuestion& q) {
        if (q.existing->GetOrigin() == PW_ORIGIN_USER) asked.push_back({q.incoming, q.forStyle, q.Text()});
        return ClashReply{ClashAnswer::ReplaceExisting, ""};
      });
  ASSERT_TRUE(report.error.empty()) << report.error;
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].incoming, incoming);
  EXPECT_TRUE(asked[0].forStyle);
  EXPECT_EQ(asked[0].text, "A Brush object with the given name already exisits.");
  EXPECT_EQ(target.Get(fatSlot), incoming) << "the imported brush takes the old one's slot";
  EXPECT_TRUE(Reaches(mine, incoming)) << "the scene's style now draws with the imported brush";
  const std::vector<std::string> brushes = MaterialNamesOfClass(target, PW_BRUSH_CLASS_ID);
  EXPECT_EQ(std::count(brushes.begin(), brushes.end(), "Fat"), 1);
  EXPECT_GE(target.Find(PW_BRUSH_CLASS_ID, "Hair"), 0);
}

TEST_F(ArtMaterialFile, ReplacingABrushByItselfLeavesTheScenesStylesOnTheOldOne) {
  ASSERT_TRUE(Apply(kLooks));
  const std::vector<std::uint8_t> bytes = Export(*scene);
  std::unique_ptr<host::Scene> other = Fresh(kSceneWithFat);
  PwObjectLibrary& target = *GetCurrentLibrary(other->Root());
  const int fatSlot = target.Find(PW_BRUSH_CLASS_ID, "Fat");
  PwObject* oldFat = target.Get(fatSlot);
  PwObject* mine = target.Get(target.Find(PW_STYLE_CLASS_ID, "Mine"));
  ArtMaterialSource source;
  ASSERT_TRUE(source.Read(bytes, host::ClassRegistry::Global(), nullptr));
  PwObject* incoming = source.Library()->Get(SlotOf(source, "Brush", "Fat"));
  ImportReport report = ImportArtMaterials(source, {SlotOf(source, "Brush", "Fat")}, target, [](const ClashQuestion& q) {
    EXPECT_FALSE(q.forStyle);
    return ClashReply{ClashAnswer::ReplaceExisting, ""};
  });
  ASSERT_TRUE(report.error.empty()) << report.error;
  EXPECT_EQ(report.replaced, 1);
  EXPECT_EQ(target.Get(fatSlot), incoming);
  EXPECT_TRUE(Reaches(mine, oldFat)) << "the style keeps the old brush, which stays alive";
  EXPECT_FALSE(Reaches(mine, incoming));
  EXPECT_EQ(target.IndexOf(oldFat), -1);
  EXPECT_EQ(oldFat->GetName(), "Fat");
}

TEST_F(ArtMaterialFile, SkipCopyAndReplaceAllAnswers) {
  ASSERT_TRUE(Apply(kLooks));
  const std::vector<std::uint8_t> bytes = Export(*scene);
  std::unique_ptr<host::Scene> other = Fresh(R"j({
    "brushes": [{"name": "Fat"}, {"name": "Hair"}],
    "paints": [{"name": "Blueprint Blue"}]})j");
  PwObjectLibrary& target = *GetCurrentLibrary(other->Root());
  const int used = target.Used();
  ArtMaterialSource source;
  ASSERT_TRUE(source.Read(bytes, host::ClassRegistry::Global(), nullptr));
  const std::vector<int> three = {SlotOf(source, "Brush", "Fat"), SlotOf(source, "Brush", "Hair"),
                                  SlotOf(source, "Paint", "Blueprint Blue")};

  // Skip: nothing changes.
  ImportReport skip = ImportArtMaterials(source, three, target, [](const ClashQuestion&) {
    return ClashReply{ClashAnswer::Skip, ""};
  });
  EXPECT_EQ(skip.skipped, 3);
  EXPECT_EQ(target.Used(), used);

  // Create Copy under the material's own name is refused and ends the import.
  ImportReport own = ImportArtMaterials(source, three, target, [](const ClashQuestion& q) {
    return ClashReply{ClashAnswer::CreateCopy, q.incoming->GetName()};
  });
  EXPECT_EQ(own.error, "Enter a new name for the art material");
  EXPECT_EQ(target.Used(), used);

  // Any other name is taken, even one the scene uses already; the copy is
  // the user's own.
  ImportReport copy = ImportArtMaterials(source, {three[0]}, target, [](const ClashQuestion&) {
    return ClashReply{ClashAnswer::CreateCopy, "Hair"};
  });
  EXPECT_EQ(copy.copied, 1);
  EXPECT_EQ(target.Used(), used + 1);
  const int firstHair = target.FindFirstByName("Hair");
  EXPECT_GE(target.FindNextByName("Hair", firstHair), 0) << "two brushes named Hair now";

  // Replace All: asked once, then every clash replaces.
  int asked = 0;
  ImportReport all = ImportArtMaterials(source, {three[1], three[2]}, target, [&](const ClashQuestion&) {
    ++asked;
    return ClashReply{ClashAnswer::ReplaceAllExisting, ""};
  });
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(all.replaced, 2);
  EXPECT_EQ(target.Get(target.Find(PW_PAINT_CLASS_ID, "Blueprint Blue")), source.Library()->Get(three[2]));

  // Stop ends the import at the clash.
  std::unique_ptr<host::Scene> third = Fresh(R"j({"brushes": [{"name": "Fat"}]})j");
  PwObjectLibrary& t3 = *GetCurrentLibrary(third->Root());
  ArtMaterialSource again;
  ASSERT_TRUE(again.Read(bytes, host::ClassRegistry::Global(), nullptr));
  ImportReport stop = ImportArtMaterials(again, {SlotOf(again, "Brush", "Fat"), SlotOf(again, "Brush", "Hair")}, t3,
                                         [](const ClashQuestion&) { return ClashReply{ClashAnswer::Stop, ""}; });
  EXPECT_TRUE(stop.stopped);
  EXPECT_EQ(t3.Find(PW_BRUSH_CLASS_ID, "Hair"), -1);
}

// With nobody to answer, the scene keeps everything it has: a clashing
// material stays out, a style's clashing tool comes as a "+" copy.
TEST_F(ArtMaterialFile, WithoutAnswersNothingOfTheSceneChanges) {
  ASSERT_TRUE(Apply(kLooks));
  const std::vector<std::uint8_t> bytes = Export(*scene);
  std::unique_ptr<host::Scene> other = Fresh(kSceneWithFat);
  PwObjectLibrary& target = *GetCurrentLibrary(other->Root());
  PwObject* oldFat = target.Get(target.Find(PW_BRUSH_CLASS_ID, "Fat"));
  ArtMaterialSource source;
  ASSERT_TRUE(source.Read(bytes, host::ClassRegistry::Global(), nullptr));
  ImportReport lone = ImportArtMaterials(source, {SlotOf(source, "Brush", "Fat")}, target, {});
  EXPECT_EQ(lone.skipped, 1);
  ImportReport styled = ImportArtMaterials(source, {SlotOf(source, "Style", "Blueprint")}, target, {});
  EXPECT_TRUE(styled.error.empty()) << styled.error;
  EXPECT_EQ(target.Get(target.Find(PW_BRUSH_CLASS_ID, "Fat")), oldFat);
  const int copy = target.Find(PW_BRUSH_CLASS_ID, "Fat01");
  ASSERT_GE(copy, 0) << "\"+\" appends 01";
  EXPECT_EQ(target.Get(copy)->GetOrigin(), PW_ORIGIN_USER);
  EXPECT_TRUE(Reaches(target.Get(target.Find(PW_STYLE_CLASS_ID, "Blueprint")), target.Get(copy)));
}

// A style left out brings none of its tools.
TEST_F(ArtMaterialFile, SkippedStyleBringsNoTools) {
  ASSERT_TRUE(Apply(kLooks));
  const std::vector<std::uint8_t> bytes = Export(*scene);
  std::unique_ptr<host::Scene> other = Fresh(R"j({"styles": [{"name": "Blueprint"}]})j");
  PwObjectLibrary& target = *GetCurrentLibrary(other->Root());
  const int used = target.Used();
  ArtMaterialSource source;
  ASSERT_TRUE(source.Read(bytes, host::ClassRegistry::Global(), nullptr));
  int asked = 0;
  ImportReport report =
      ImportArtMaterials(source, {SlotOf(source, "Style", "Blueprint")}, target, [&](const ClashQuestion& q) {
        ++asked;
        EXPECT_FALSE(q.forStyle);
        return ClashReply{ClashAnswer::Skip, ""};
      });
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(report.skipped, 1);
  EXPECT_EQ(target.Used(), used);
  EXPECT_EQ(target.Find(PW_BRUSH_CLASS_ID, "Fat"), -1);
}

// A canvas's paper goes into the file, so the file draws the same after
// it and the scene moved away from the image.
TEST_F(ArtMaterialFile, CanvasPaperTravelsInsideTheFile) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "pw_iam_paper_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string paper = (dir / "paper.png").string();
  host::Bitmap image;
  ASSERT_TRUE(image.Create(16, 12));
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x) {
      const auto v = static_cast<std::uint16_t>(((x * 7 + y * 13) % 17) * 3855);
      image.SetPixel(x, y, host::BMM_Color_64{v, v, v, 65535});
    }
  std::string error;
  ASSERT_TRUE(host::WriteImage(paper, image, {}, &error)) << error;

  PwObjectLibrary& lib = *Library();
  const int slot = NewLibraryMaterial(lib, host::REF_TARGET_CLASS_ID, PW_CANVAS_CLASS_ID);
  auto* canvas = dynamic_cast<PwCanvas*>(lib.Get(slot));
  ASSERT_NE(canvas, nullptr);
  canvas->SetTextureName(paper);
  ASSERT_TRUE(canvas->LoadTexture(&error)) << error;
  const CanvasSlopeField field = canvas->SlopeField();
  ASSERT_TRUE(field.Usable());

  const std::string iam = (dir / "looks.iam").string();
  std::vector<std::string> missing;
  ASSERT_TRUE(ExportArtMaterials(scene->Root(), iam, &error, &missing)) << error;
  EXPECT_TRUE(missing.empty());
  // Moved: the file to another folder, the paper gone.
  const std::string moved = (dir / "elsewhere.iam").string();
  std::filesystem::rename(iam, moved);
  std::filesystem::remove(paper);

  std::unique_ptr<host::Scene> other = Fresh();
  PwObjectLibrary& target = *GetCurrentLibrary(other->Root());
  ArtMaterialSource source;
  ASSERT_TRUE(source.ReadFile(moved, host::ClassRegistry::Global(), &error)) << error;
  ASSERT_EQ(source.Images().size(), 1u);
  EXPECT_EQ(source.Images()[0].name, paper);
  ImportReport report = ImportArtMaterials(source, {SlotOf(source, "Canvas", "New Canvas")}, target, {});
  ASSERT_EQ(report.added, 1) << report.error;
  auto* imported = dynamic_cast<PwCanvas*>(target.Get(target.Find(PW_CANVAS_CLASS_ID, "New Canvas")));
  ASSERT_NE(imported, nullptr);
  EXPECT_TRUE(imported->LoadTexture(&error)) << error;
  EXPECT_EQ(imported->SlopeField().width, field.width);
  EXPECT_EQ(imported->SlopeField().slopes, field.slopes);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace pw::test
