#include <gtest/gtest.h>

#include <cstring>

#include "host/io/chunk_io.h"
#include "host/params/paramblock.h"
#include "library/library_materials.h"
#include "library/object_library.h"
#include "plugin/class_ids.h"
#include "surfaces/brush.h"
#include "surfaces_fixture.h"

using namespace pw;
using host::RefHolder;

namespace {

PwBrush* NewBrush(RefHolder& holder) {
  auto* b = new PwBrush();
  holder.reset(b);
  return b;
}

// Restores the process-wide unit settings a test changed.
struct UnitSettingsGuard {
  UnitSettings saved = TheUnitSettings();
  ~UnitSettingsGuard() { SetUnitSettings(saved); }
};

}  // namespace

TEST(BrushBlock, DescriptorMatchesTheSavedLayout) {
  const host::ParamBlockDesc2& d = BrushBlockDesc();
  EXPECT_EQ(d.ID(), 0);
  EXPECT_EQ(d.InternalName(), "PwBrushParameters");
  EXPECT_TRUE(d.AutoConstruct());
  EXPECT_EQ(d.RefNumber(), 0);
  EXPECT_TRUE(d.Problems().empty());
  struct Row {
    host::ParamID id;
    const char* name;
    host::ParamType type;
    bool animatable;
    const char* ui;
  } rows[] = {
      {0, "brushShape", host::TYPE_INT, false, "Brush Shape"},
      {1, "brushSize", host::TYPE_FLOAT, true, "Brush Size"},
      {2, "brushSizeUnits", host::TYPE_INT, false, "Brush Size Units"},
      {3, "brushScaleRelative", host::TYPE_INT, false, "None"},
  };
  ASSERT_EQ(d.Count(), 4);
  for (const Row& r : rows) {
    const host::ParamDef* p = d.FindParam(r.id);
    ASSERT_NE(p, nullptr) << r.name;
    EXPECT_EQ(p->name, r.name);
    EXPECT_EQ(p->type, r.type) << r.name;
    EXPECT_EQ(p->animatable, r.animatable) << r.name;
    EXPECT_EQ(p->uiText, r.ui);
  }
  EXPECT_EQ(d.FindParam(kBrushSizeUnits)->rangeMax, 6.0);
  EXPECT_EQ(d.FindParam(kBrushShape)->rangeMax, 1.0);
}

TEST(Brush, NewBrushIsAOnePixelCircle) {
  RefHolder h;
  PwBrush* b = NewBrush(h);
  EXPECT_EQ(b->GetClassName(), "Brush");
  EXPECT_EQ(b->ClassID(), PW_BRUSH_CLASS_ID);
  ASSERT_NE(b->ParamBlock(), nullptr);
  EXPECT_EQ(b->GetShape(), BrushShape::Circle);
  EXPECT_NEAR(b->GetSizePixels(0), 1.0, 1e-6);
  EXPECT_NEAR(b->GetSize(), 1000.0 / (72.0 / 2.540041), 1e-3);
  EXPECT_EQ(b->GetUnits(), OutputUnit::Pixels);
  EXPECT_TRUE(b->GetScaleRelative());
  EXPECT_EQ(b->GetOrigin(), PW_ORIGIN_USER);
}

TEST(Brush, NewBrushFollowsTheCurrentUnitSettings) {
  UnitSettingsGuard guard;
  UnitSettings s = TheUnitSettings();
  s.pixelsPerCm = PixelsPerCmFromPixelsPerInch(300.0);
  s.defaultUnit = OutputUnit::Millimeters;
  ASSERT_TRUE(SetUnitSettings(s));
  RefHolder h;
  PwBrush* b = NewBrush(h);
  EXPECT_EQ(b->GetUnits(), OutputUnit::Millimeters);
  EXPECT_NEAR(b->GetSizePixels(0), 1.0, 1e-6);
  EXPECT_NEAR(b->GetSize(), 2540.041 / 300.0, 1e-3);
}

TEST(Brush, NegativeOrBrokenWidthsReadAsZero) {
  RefHolder h;
  PwBrush* b = NewBrush(h);
  ASSERT_TRUE(b->SetSize(0, -5.0f));
  EXPECT_EQ(b->GetSize(0), 0.0f);
  EXPECT_EQ(b->LineWidth(0, 2.0), 0.0);
  // Animated through zero: the negative half reads as 0, the positive half as is.
  ASSERT_TRUE(b->ParamBlock()->SetKey(kBrushSize, 0, -100.0f));
  ASSERT_TRUE(b->ParamBlock()->SetKey(kBrushSize, 100, 100.0f));
  EXPECT_EQ(b->GetSize(25), 0.0f);
  EXPECT_NEAR(b->GetSize(75), 50.0f, 1e-4);
  host::Interval valid = host::FOREVER;
  b->GetSize(75, valid);
  EXPECT_EQ(valid, host::Interval(75, 75));
  EXPECT_FALSE(b->SetSize(0, std::numeric_limits<float>::quiet_NaN()));
}

TEST(Brush, LineWidthScalesWithResolutionUnlessWorldUnits) {
  const UnitSettings s;
  const double onePixel = StoredFromPixels(1.0, s);
  struct Case {
    int units;
    bool relative;
    double scale;
    double expected;
  } cases[] = {
      {0, true, 2.5, 2.5},   // relative: follows the output size
      {0, false, 2.5, 1.0},  // absolute
      {3, true, 2.0, 2.0},   // any paper unit behaves the same
      {6, true, 2.5, 1.0},   // world units ignore the switch
      {6, false, 2.5, 1.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(BrushLineWidth(onePixel, c.units, c.relative, c.scale, s), c.expected, 1e-9)
        << "units " << c.units << " relative " << c.relative;
  EXPECT_EQ(BrushLineWidth(-onePixel, 0, true, 2.0, s), 0.0);
}

TEST(Brush, WidthInItsOwnUnit) {
  RefHolder h;
  PwBrush* b = NewBrush(h);
  const UnitSettings s;
  ASSERT_TRUE(b->SetUnits(static_cast<int>(OutputUnit::Centimeters)));
  ASSERT_TRUE(b->SetSizeInUnits(0, 0.5, s));
  EXPECT_NEAR(b->GetSize(), 500.0, 1e-3);
  EXPECT_NEAR(b->GetSizeInUnits(0, s), 0.5, 1e-6);
  // Switching the unit keeps the width on paper and changes only how it reads.
  ASSERT_TRUE(b->SetUnits(static_cast<int>(OutputUnit::Millimeters)));
  EXPECT_NEAR(b->GetSizeInUnits(0, s), 5.0, 1e-5);
  EXPECT_FALSE(b->SetUnits(7));
  EXPECT_FALSE(b->SetUnits(-1));
  EXPECT_EQ(b->GetUnits(), OutputUnit::Millimeters);
}

TEST(Brush, ShapeAndSwitch) {
  RefHolder h;
  PwBrush* b = NewBrush(h);
  EXPECT_TRUE(b->SetShape(BrushShape::Square));
  EXPECT_EQ(b->GetShape(), BrushShape::Square);
  EXPECT_FALSE(b->SetShape(static_cast<BrushShape>(2)));
  EXPECT_EQ(b->GetShape(), BrushShape::Square);
  EXPECT_TRUE(b->SetScaleRelative(false));
  EXPECT_FALSE(b->GetScaleRelative());
}

TEST(Brush, ResetRestoresANewBrush) {
  RefHolder h;
  PwBrush* b = NewBrush(h);
  b->SetName("Mine");
  b->SetShape(BrushShape::Square);
  b->SetUnits(4);
  b->SetScaleRelative(false);
  b->ParamBlock()->SetKey(kBrushSize, 0, 10.0f);
  b->ParamBlock()->SetKey(kBrushSize, 100, 20.0f);
  b->ResetToDefaults(true);
  EXPECT_EQ(b->GetName(), "Mine");
  EXPECT_EQ(b->GetShape(), BrushShape::Circle);
  EXPECT_EQ(b->GetUnits(), OutputUnit::Pixels);
  EXPECT_FALSE(b->GetScaleRelative()) << "the relative-scale switch is not among what a reset restores";
  EXPECT_FALSE(b->ParamBlock()->IsAnimated(kBrushSize));
  EXPECT_NEAR(b->GetSizePixels(100), 1.0, 1e-6);
}

TEST(Brush, ResetKeepingAnimationSetsTheValueAtTimeZero) {
  RefHolder h;
  PwBrush* b = NewBrush(h);
  b->ParamBlock()->SetKey(kBrushSize, 0, 10.0f);
  b->ParamBlock()->SetKey(kBrushSize, 100, 20.0f);
  b->ResetToDefaults(false);
  EXPECT_TRUE(b->ParamBlock()->IsAnimated(kBrushSize));
  EXPECT_NEAR(b->GetSizePixels(0), 1.0, 1e-6);
  EXPECT_NEAR(b->GetSize(100), 20.0f, 1e-6);
}

TEST(Brush, CloneIsIndependent) {
  RefHolder h, hc;
  PwBrush* b = NewBrush(h);
  b->SetName("Tip");
  b->SetShape(BrushShape::Square);
  b->SetSizePixels(0, 3.0);
  auto* c = dynamic_cast<PwBrush*>(b->Clone());
  ASSERT_NE(c, nullptr);
  hc.reset(c);
  EXPECT_EQ(c->GetName(), "Tip");
  EXPECT_NE(c->ParamBlock(), b->ParamBlock());
  EXPECT_EQ(c->GetShape(), BrushShape::Square);
  EXPECT_NEAR(c->GetSizePixels(0), 3.0, 1e-5);
  c->SetSizePixels(0, 7.0);
  c->SetShape(BrushShape::Circle);
  EXPECT_NEAR(b->GetSizePixels(0), 3.0, 1e-5);
  EXPECT_EQ(b->GetShape(), BrushShape::Square);
}

TEST(Brush, SaveLoadRoundTrip) {
  pwtest::SurfaceRegistry();
  RefHolder h, back;
  PwBrush* b = NewBrush(h);
  b->SetName("Animated square");
  b->SetOrigin(PW_ORIGIN_PRESET);
  b->SetNumber(7);
  b->SetShape(BrushShape::Square);
  b->SetUnits(static_cast<int>(OutputUnit::Points));
  b->SetScaleRelative(false);
  b->ParamBlock()->SetKey(kBrushSize, 0, 10.0f);
  b->ParamBlock()->SetKey(kBrushSize, 4800, 30.0f);
  auto* r = dynamic_cast<PwBrush*>(pwtest::RoundTrip(b, back));
  ASSERT_NE(r, nullptr);
  ASSERT_NE(r->ParamBlock(), nullptr);
  EXPECT_EQ(r->GetName(), "Animated square");
  EXPECT_EQ(r->GetOrigin(), PW_ORIGIN_PRESET);
  EXPECT_EQ(r->GetNumber(), 7);
  EXPECT_EQ(r->GetShape(), BrushShape::Square);
  EXPECT_EQ(r->GetUnits(), OutputUnit::Points);
  EXPECT_FALSE(r->GetScaleRelative());
  EXPECT_FLOAT_EQ(r->GetSize(2400), 20.0f);
  EXPECT_TRUE(r->ParamBlock()->IsAnimated(kBrushSize));
}

namespace {

// Writes a brush the way the first file version did: common chunks, version
// 1 and the shape chunk, and no parameter block.
class FirstVersionBrush : public host::ReferenceTarget {
 public:
  explicit FirstVersionBrush(std::int32_t shape) : shape_(shape) {}
  host::Class_ID ClassID() const override { return PW_BRUSH_CLASS_ID; }
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  host::IOResult Save(host::ISave* s) override {
    s->WriteChunk(PW_OBJECT_CHUNK_VERSION, std::uint16_t{1});
    s->WriteStringChunk(PW_OBJECT_CHUNK_NAME, "Old");
    s->WriteChunk(kBrushChunkVersion, std::uint16_t{1});
    s->BeginChunk(kBrushChunkOldShape);
    s->WriteValue(std::int32_t{0});
    s->WriteValue(shape_);
    s->EndChunk();
    return host::IO_OK;
  }

 private:
  std::int32_t shape_;
};

}  // namespace

TEST(Brush, FirstVersionFileKeepsItsShape) {
  pwtest::SurfaceRegistry();
  for (std::int32_t shape : {0, 1}) {
    RefHolder old(new FirstVersionBrush(shape)), back;
    host::SceneSaveResult saved = host::SaveSceneToBytes(old.get());
    ASSERT_TRUE(saved.ok());
    ASSERT_EQ(pwtest::LoadBytes(saved.bytes, back), "");
    auto* r = dynamic_cast<PwBrush*>(back.get());
    ASSERT_NE(r, nullptr);
    ASSERT_NE(r->ParamBlock(), nullptr) << "a first-version brush gets a block";
    EXPECT_EQ(r->GetShape(), static_cast<BrushShape>(shape));
    EXPECT_EQ(r->GetName(), "Old");
    EXPECT_EQ(r->GetOrigin(), PW_ORIGIN_USER);
    EXPECT_NEAR(r->GetSizePixels(0), 1.0, 1e-5);
  }
}

TEST(Brush, TruncatedShapeChunkFailsTheLoad) {
  pwtest::SurfaceRegistry();
  struct Short : FirstVersionBrush {
    Short() : FirstVersionBrush(1) {}
    host::IOResult Save(host::ISave* s) override {
      s->BeginChunk(kBrushChunkOldShape);
      s->WriteValue(std::int32_t{0});
      s->EndChunk();
      return host::IO_OK;
    }
  };
  RefHolder old(new Short), back;
  host::SceneSaveResult saved = host::SaveSceneToBytes(old.get());
  EXPECT_NE(pwtest::LoadBytes(saved.bytes, back), "");
  EXPECT_EQ(back.get(), nullptr);
}

TEST(BrushPresets, LibraryHoldsTheTwelveTips) {
  pwtest::SurfaceRegistry();
  ASSERT_TRUE(RegisterLibraryClasses());
  RefHolder h(PwObjectLibrary::Create(false));
  auto* lib = static_cast<PwObjectLibrary*>(h.get());
  const char* names[] = {"Circle (0.5 pixels)", "Circle (1 pixel)",   "Circle (1.5 pixels)", "Circle (2 pixels)",
                         "Circle (3 pixels)",   "Circle (4 pixels)",  "Square (0.5 pixels)", "Square (1 pixel)",
                         "Square (1.5 pixels)", "Square (2 pixels)",  "Square (3 pixels)",   "Square (4 pixels)"};
  const double pixels[] = {0.5, 1, 1.5, 2, 3, 4};
  for (int i = 0; i < kBrushPresetCount; ++i) {
    auto* b = dynamic_cast<PwBrush*>(lib->Get(lib->Find(PW_ORIGIN_PRESET, i)));
    ASSERT_NE(b, nullptr) << i;
    EXPECT_EQ(b->GetName(), names[i]);
    EXPECT_EQ(b->GetShape(), i < 6 ? BrushShape::Circle : BrushShape::Square) << i;
    EXPECT_NEAR(b->GetSizePixels(0), pixels[i % 6], 1e-5) << i;
    EXPECT_EQ(b->GetUnits(), OutputUnit::Pixels);
  }
  auto* def = dynamic_cast<PwBrush*>(lib->Get(lib->Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_BRUSH)));
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->GetShape(), BrushShape::Circle);
  EXPECT_NEAR(def->GetSizePixels(0), 1.0, 1e-5);
}
