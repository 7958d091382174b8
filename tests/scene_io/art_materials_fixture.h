// A scene with the real art-material classes plugged in, for the tests of
// the art materials of scene descriptions and of their descriptions.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/refs/class_desc.h"
#include "host/scene/host_classes.h"
#include "host/services/interface.h"
#include "host/scene/object_tri.h"
#include "scene_io/scene_json_value.h"
#include "host/scene/scene_model.h"
#include "library/holder.h"
#include "library/library_state.h"
#include "library/object_library.h"
#include "plugin/class_table.h"
#include "program/art_material_classes.h"
#include "scene_io/art_materials_json.h"

namespace pw::test {

class ArtMaterialsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedInterface_ = host::TheInterfaceState();
    host::SetNetworkRender(true);
    host::SetLogSink([this](std::string_view text) { messages.emplace_back(text); });
    host::RegisterHostClasses(host::ClassRegistry::Global());
    RegisterPluginClasses(host::ClassRegistry::Global());
    ASSERT_TRUE(RegisterArtMaterialClasses());
    ASSERT_TRUE(TheLibraryState().registry.empty()) << "a library outlived an earlier test";
    SetCurrentLibraryId(0);
    SeedLibraryIds(5000);
    scene = std::make_unique<host::Scene>();
  }
  void TearDown() override {
    scene.reset();
    EXPECT_TRUE(TheLibraryState().registry.empty()) << "libraries leaked";
    SetCurrentLibraryId(0);
    host::TheInterfaceState() = savedInterface_;
  }

  host::INode* Mesh(const std::string& name, const std::string& style = "") {
    host::INode* node = scene->CreateNode(name, new host::TriObject());
    if (!style.empty()) node->SetUserPropString("Penwright_StyleName", style);
    return node;
  }

  // Applies `json` as the "artMaterials" section of scene.json.
  bool Apply(const std::string& json, std::string* error = nullptr) {
    std::string ignored;
    if (!error) error = &ignored;
    host::JsonValue v;
    if (!host::ParseJson(json, v, error)) {
      ADD_FAILURE() << "the test's JSON does not parse: " << *error;
      return false;
    }
    return ApplyArtMaterialsJson(&v, *scene, "scene.json", error);
  }

  PwObjectLibrary* Library() { return GetCurrentLibrary(scene->Root()); }

  std::unique_ptr<host::Scene> scene;
  std::vector<std::string> messages;

 private:
  host::InterfaceState savedInterface_;
};

}  // namespace pw::test
