// Contour sub-items and edge smoothing of styles in scene descriptions: every
// setting reaches the style, copies keep their own, and bad values are
// located errors.
#include <gtest/gtest.h>

#include <numbers>

#include "art_materials_fixture.h"
#include "plugin/class_ids.h"
#include "scene_io/art_material_describe.h"
#include "styles/style.h"

namespace pw::test {
namespace {

constexpr float kDeg = std::numbers::pi_v<float> / 180.0f;

// Every setting of one contour sub-item, as the style reports it.
struct ContourValues {
  int type, dirA, dirB, angleSteps, posAxis, posSteps, texAxis, texChannel, texSteps;
  float angleMin, angleMax, posMin, posMax, texMin, texMax;
};

ContourValues Read(const PwStyleLineContour& c) {
  return {c.GetType(),      c.GetAngleDirA(), c.GetAngleDirB(),  c.GetAngleSteps(), c.GetPosAxis(),
          c.GetPosSteps(),  c.GetTexAxis(),   c.GetTexChannel(), c.GetTexSteps(),   c.GetAngleMin(),
          c.GetAngleMax(),  c.GetPosMin(),    c.GetPosMax(),     c.GetTexMin(),     c.GetTexMax()};
}

void ExpectValues(const ContourValues& got, const ContourValues& want) {
  EXPECT_EQ(got.type, want.type);
  EXPECT_EQ(got.dirA, want.dirA);
  EXPECT_EQ(got.dirB, want.dirB);
  EXPECT_EQ(got.angleSteps, want.angleSteps);
  EXPECT_EQ(got.posAxis, want.posAxis);
  EXPECT_EQ(got.posSteps, want.posSteps);
  EXPECT_EQ(got.texAxis, want.texAxis);
  EXPECT_EQ(got.texChannel, want.texChannel);
  EXPECT_EQ(got.texSteps, want.texSteps);
  EXPECT_NEAR(got.angleMin, want.angleMin, 1e-6f);
  EXPECT_NEAR(got.angleMax, want.angleMax, 1e-6f);
  EXPECT_FLOAT_EQ(got.posMin, want.posMin);
  EXPECT_FLOAT_EQ(got.posMax, want.posMax);
  EXPECT_FLOAT_EQ(got.texMin, want.texMin);
  EXPECT_FLOAT_EQ(got.texMax, want.texMax);
}

PwStyleDrawingTools* Tools(const PwStyle& style, int sub, int where) {
  PwStyleTreeItem* item = style.GetLineKindItem(LINE_KIND_CONTOURS, sub);
  PwStyleTreeItem* child = item ? item->GetChild(where) : nullptr;
  return child ? dynamic_cast<PwStyleDrawingTools*>(child->GetData()) : nullptr;
}

using ArtMaterialsContours = ArtMaterialsTest;

// Each sub-item holds settings of its own: every field given on one item
// must land in that item only, with untouched fields at their defaults, and
// a copy of the style must carry them all without sharing them.
TEST_F(ArtMaterialsContours, EverySettingReachesItsOwnSubItemAndCopiesKeepThem) {
  std::string error;
  const char* json = R"j({
    "paints": [{"name": "Ink", "color": [0, 0, 0]}],
    "styles": [{
      "name": "Hatch",
      "edgeSmoothingOn": true, "edgeSmoothingCurvature": 1, "edgeSmoothingSteps": 1,
      "lines": {"Contours": {"on": true, "count": 6, "items": [
        {"on": true,
         "contour": {"type": "texture", "angleDirectionA": "Surface Normal", "angleDirectionB": "Object Y Axis",
                     "angleMin": 12.5, "angleMax": 180, "angleSteps": 3,
                     "positionAxis": "View Z", "positionMin": 0, "positionMax": 1, "positionSteps": 10000,
                     "textureAxis": "W", "textureChannel": 99, "textureMin": 0.25, "textureMax": 0.75,
                     "textureSteps": 1},
         "visible": {"paint": "Ink"}, "hidden": {"on": true, "stroke": "Dashed"}},
        {},
        {"on": true, "contour": {"type": "position", "positionAxis": "World Y", "positionMax": 0.5}},
        {}, {},
        {"on": true, "contour": {"type": "angle", "angleDirectionB": "View X Axis", "angleMin": 90}}
      ]}}
    }, {"name": "Hatch copy", "from": "Hatch"}]
  })j";
  ASSERT_TRUE(Apply(json, &error)) << error;
  PwObjectLibrary& lib = *Library();
  auto* style = dynamic_cast<PwStyle*>(lib.Get(lib.Find(PW_STYLE_CLASS_ID, "Hatch")));
  ASSERT_NE(style, nullptr);
  ASSERT_EQ(style->GetSubItemCount(LINE_KIND_CONTOURS), 6);

  const ContourValues defaults = Read(PwStyleLineContour());
  ContourValues first{LINE_CONTOUR_BY_TEXTURE, 0, 4, 3, 8, 10000, 2, 99, 1,
                      12.5f * kDeg, std::numbers::pi_v<float>, 0.0f, 1.0f, 0.25f, 0.75f};
  ContourValues third = defaults;
  third.type = LINE_CONTOUR_BY_POSITION;
  third.posAxis = 4;
  third.posMax = 0.5f;
  ContourValues sixth = defaults;
  sixth.dirB = 0;
  sixth.angleMin = 90 * kDeg;
  const ContourValues expected[] = {first, defaults, third, defaults, defaults, sixth};

  auto* copy = dynamic_cast<PwStyle*>(lib.Get(lib.Find(PW_STYLE_CLASS_ID, "Hatch copy")));
  ASSERT_NE(copy, nullptr);
  for (const PwStyle* s : {static_cast<const PwStyle*>(style), static_cast<const PwStyle*>(copy)}) {
    SCOPED_TRACE(s->GetName());
    for (int i = 0; i < 6; ++i) {
      SCOPED_TRACE(i);
      ASSERT_NE(s->GetLineContour(i), nullptr);
      ExpectValues(Read(*s->GetLineContour(i)), expected[i]);
    }
    EXPECT_TRUE(s->GetEdgeSmoothingOn());
    EXPECT_FLOAT_EQ(s->GetEdgeSmoothingCurvature(0), 1.0f);
    EXPECT_EQ(s->GetEdgeSmoothingSteps(0), 1);
    EXPECT_TRUE(s->GetLineKindItem(LINE_KIND_CONTOURS, 5)->IsOn());
    EXPECT_FALSE(s->GetLineKindItem(LINE_KIND_CONTOURS, 1)->IsOn());
    EXPECT_EQ(Tools(*s, 0, STYLE_WHERE_VISIBLE)->GetPaint()->GetName(), "Ink");
    EXPECT_EQ(Tools(*s, 0, STYLE_WHERE_HIDDEN)->GetStroke()->GetName(), "Dashed");
    EXPECT_TRUE(s->GetLineKindItem(LINE_KIND_CONTOURS, 0)->GetChild(STYLE_WHERE_HIDDEN)->IsOn());
    EXPECT_NE(Tools(*s, 1, STYLE_WHERE_VISIBLE)->GetPaint()->GetName(), "Ink") << "the tools are per sub-item";
    EXPECT_FALSE(s->OnlyVisibleLinesWanted());
  }
  EXPECT_NE(copy->GetLineContour(0), style->GetLineContour(0)) << "a copy has contour settings of its own";
  copy->GetLineContour(0)->SetTexSteps(7);
  EXPECT_EQ(style->GetLineContour(0)->GetTexSteps(), 1);
}

// A copy's contour object may change a few settings and keep the rest, and
// a shrinking count drops the items beyond it.
TEST_F(ArtMaterialsContours, ACopyChangesOnlyWhatItGives) {
  std::string error;
  ASSERT_TRUE(Apply(R"j({"styles": [
      {"name": "A", "lines": {"Contours": {"items": [{}, {"contour": {"type": "position", "positionSteps": 4}}]}}},
      {"name": "B", "from": "A", "lines": {"Contours": {"count": 2, "items": [{}, {"contour": {"positionMin": 0.5}}]}}}
    ]})j",
                    &error))
      << error;
  PwObjectLibrary& lib = *Library();
  auto* b = dynamic_cast<PwStyle*>(lib.Get(lib.Find(PW_STYLE_CLASS_ID, "B")));
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->GetSubItemCount(LINE_KIND_CONTOURS), 2);
  const PwStyleLineContour* c = b->GetLineContour(1);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetType(), LINE_CONTOUR_BY_POSITION);
  EXPECT_EQ(c->GetPosSteps(), 4);
  EXPECT_FLOAT_EQ(c->GetPosMin(), 0.5f);
  EXPECT_FLOAT_EQ(c->GetPosMax(), 1.0f);
}

TEST_F(ArtMaterialsContours, BadValuesAreLocatedErrors) {
  const struct {
    const char* label;
    const char* contour;  // the first contour item's "contour" object, or a style's own keys after "S",
    const char* expected;
  } cases[] = {
      {"type", R"({"type": "normal"})", "items[0].contour.type: expected one of angle, position, texture"},
      {"direction A", R"({"angleDirectionA": "View Z Axis"})",
       "items[0].contour.angleDirectionA: 'View Z Axis' is not one of 'Surface Normal'"},
      {"direction B", R"({"angleDirectionB": "Z"})",
       "items[0].contour.angleDirectionB: 'Z' is not one of 'View X Axis', "},
      {"position axis", R"({"positionAxis": "X"})", "items[0].contour.positionAxis: 'X' is not one of 'Object X', "},
      {"texture axis", R"({"textureAxis": "u"})", "items[0].contour.textureAxis: 'u' is not one of 'U', 'V' or 'W'"},
      {"angle above 180", R"({"angleMax": 180.5})", "items[0].contour.angleMax: 180.5 is out of range (0 to 180)"},
      {"negative angle", R"({"angleMin": -1})", "items[0].contour.angleMin: -1 is out of range"},
      {"position beyond the extent", R"({"positionMax": 1.5})",
       "items[0].contour.positionMax: 1.5 is out of range (0 to 1)"},
      {"texture below 0", R"({"textureMin": -0.1})", "items[0].contour.textureMin: -0.1 is out of range (0 to 1)"},
      {"channel 0", R"({"textureChannel": 0})", "items[0].contour.textureChannel: 0 is out of range (1 to 99)"},
      {"channel 100", R"({"textureChannel": 100})", "items[0].contour.textureChannel: 100 is out of range"},
      {"no steps", R"({"angleSteps": 0})", "items[0].contour.angleSteps: 0 is out of range (1 to 10000)"},
      {"fractional steps", R"({"positionSteps": 2.5})", "items[0].contour.positionSteps"},
      {"old key", R"({"directionB": "View X Axis"})", "items[0].contour.directionB: unknown key"},
      {"not an object", R"(3)", "items[0].contour: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    scene = std::make_unique<host::Scene>();
    std::string error;
    const std::string json = std::string(R"({"styles": [{"name": "S", "lines": {"Contours": {"items": [{"contour": )") +
                             c.contour + "}]}}}]}";
    EXPECT_FALSE(Apply(json, &error));
    EXPECT_NE(error.find("scene.json: artMaterials.styles[0].lines.Contours."), std::string::npos) << error;
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
  const struct {
    const char* json;
    const char* expected;
  } smoothing[] = {
      {R"({"styles": [{"name": "S", "edgeSmoothingCurvature": 1.01}]})",
       "artMaterials.styles[0].edgeSmoothingCurvature: 1.01 is out of range (0 to 1)"},
      {R"({"styles": [{"name": "S", "edgeSmoothingSteps": 0}]})",
       "artMaterials.styles[0].edgeSmoothingSteps: 0 is out of range (1 to 1000)"},
      {R"({"styles": [{"name": "S", "edgeSmoothingOn": 1}]})", "artMaterials.styles[0].edgeSmoothingOn: "},
  };
  for (const auto& c : smoothing) {
    SCOPED_TRACE(c.json);
    scene = std::make_unique<host::Scene>();
    std::string error;
    EXPECT_FALSE(Apply(c.json, &error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

// What `library show` prints for a contour sub-item of each type and for the
// smoothing settings: one line each, with the settings of the type in use.
TEST_F(ArtMaterialsContours, DescriptionsShowTheSettingsOfEachSubItem) {
  std::string error;
  ASSERT_TRUE(Apply(R"j({"styles": [{"name": "S", "edgeSmoothingOn": true, "edgeSmoothingCurvature": 0.75,
      "edgeSmoothingSteps": 1,
      "lines": {"Contours": {"count": 4, "items": [
        {"contour": {"angleDirectionB": "Object X Axis", "angleMin": 30, "angleMax": 60, "angleSteps": 1}},
        {"on": true, "contour": {"type": "position", "positionAxis": "World Z", "positionMin": 0.25,
                                 "positionMax": 0.75, "positionSteps": 2}},
        {"contour": {"type": "texture", "textureAxis": "V", "textureChannel": 3, "textureMin": 0,
                     "textureMax": 0.5, "textureSteps": 5}}
      ]}}}]})j",
                    &error))
      << error;
  PwObjectLibrary& lib = *Library();
  const int slot = lib.Find(PW_STYLE_CLASS_ID, "S");
  auto* style = dynamic_cast<PwStyle*>(lib.Get(slot));
  ASSERT_NE(style, nullptr);
  style->GetLineContour(3)->SetType(5);
  const std::string text = DescribeArtMaterial(lib, slot);
  const char* expected[] = {
      "\n  edge smoothing: on, curvature 0.75, 1 step\n",
      "\n        [on]  Contour #1: by angle between Surface Normal and Object X Axis, 30 to 60 degrees, 1 step\n",
      "\n        [on]  Contour #2: by position along World Z, 0.25 to 0.75, 2 steps\n",
      "\n        [off] Contour #3: by texture coordinate V of channel 3, 0 to 0.5, 5 steps\n",
      "\n        [off] Contour #4: type 5, draws nothing\n",
  };
  for (const char* e : expected) EXPECT_NE(text.find(e), std::string::npos) << "missing: " << e << "\nin:\n" << text;
}

}  // namespace
}  // namespace pw::test
