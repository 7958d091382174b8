// "artMaterials.canvas": the scene's canvas set from a description.
#include <gtest/gtest.h>

#include <filesystem>
#include <numbers>
#include <string>

#include "art_materials_fixture.h"
#include "library/library_materials.h"
#include "surfaces/canvas.h"

namespace pw::test {
namespace {

class CanvasJson : public ArtMaterialsTest {
 protected:
  PwCanvas* Canvas() {
    PwObjectLibrary* library = Library();
    return library ? dynamic_cast<PwCanvas*>(library->Get(library->Find(PW_ORIGIN_DEFAULT, PW_DEFAULT_CANVAS)))
                   : nullptr;
  }
};

TEST_F(CanvasJson, SetsTheScenesCanvasWithAnglesInDegreesAndTheTextureBesideTheDescription) {
  std::string error;
  ASSERT_TRUE(Apply(R"j({"canvas": {"texture": "maps/paper.png", "lightAngle": 90, "lightElevation": 30,
                                     "lightColor": [1, 0.5, 0.25], "textureOn": false}})j",
                    &error))
      << error;
  PwCanvas* c = Canvas();
  ASSERT_NE(c, nullptr);
  // Relative to the description's folder ("scene.json" has none).
  EXPECT_EQ(std::filesystem::path(c->GetTextureName()), std::filesystem::path("maps/paper.png"));
  EXPECT_TRUE(c->GetNameIsFile());
  EXPECT_FALSE(c->GetTextureOn());
  host::Interval valid = host::FOREVER;
  EXPECT_NEAR(c->GetLightAngle(0, valid), std::numbers::pi / 2, 1e-6);
  EXPECT_NEAR(c->GetLightElevation(0, valid), std::numbers::pi / 6, 1e-6);
  EXPECT_EQ(c->GetLightColor(0, valid), host::Color(1, 0.5f, 0.25f));
  ASSERT_EQ(messages.size(), 1u) << "the texture is not there";
  EXPECT_NE(messages[0].find("artMaterials.canvas.texture: texture 'maps/paper.png' not found"), std::string::npos)
      << messages[0];

  // What it leaves out keeps the canvas's value; an empty name removes the texture.
  ASSERT_TRUE(Apply(R"j({"canvas": {"texture": ""}})j", &error)) << error;
  EXPECT_EQ(Canvas()->GetTextureName(), "");
}

TEST_F(CanvasJson, MistakesNameTheirPlace) {
  const struct {
    const char* json;
    const char* expected;
  } cases[] = {
      {R"j({"canvas": []})j", "scene.json: artMaterials.canvas: expected an object"},
      {R"j({"canvas": {"paper": "x.png"}})j", "artMaterials.canvas.paper: unknown key"},
      {R"j({"canvas": {"lightElevation": 95}})j", "artMaterials.canvas.lightElevation: 95 is out of range (0 to 90)"},
      {R"j({"canvas": {"lightAngle": -1}})j", "artMaterials.canvas.lightAngle: -1 is out of range (0 to 360)"},
      {R"j({"canvas": {"texture": 3}})j", "artMaterials.canvas.texture: expected"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    scene = std::make_unique<host::Scene>();
    std::string error;
    EXPECT_FALSE(Apply(c.json, &error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace pw::test
