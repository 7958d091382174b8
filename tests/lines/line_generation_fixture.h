// Line generation on small hand-made meshes with the real style, brush,
// paint and stroke classes: a library with every default, a fresh style
// whose kinds a test switches, and one object in front of a camera.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "frame/backface.h"
#include "frame/frame_context.h"
#include "frame/mesh_transform.h"
#include "frame/view_fixture.h"
#include "host/refs/class_desc.h"
#include "host/scene/host_classes.h"
#include "host/scene/scene_model.h"
#include "host/services/interface.h"
#include "library/holder.h"
#include "library/library_state.h"
#include "library/object_library.h"
#include "lines/line_frame_data.h"
#include "lines/line_generator.h"
#include "plugin/class_table.h"
#include "program/art_material_classes.h"
#include "styles/style.h"
#include "surfaces/brush.h"

namespace pw::test {

struct TestFace {
  std::uint32_t a, b, c;
  std::uint32_t smGroup = 0;
  std::uint16_t materialId = 0;
  std::uint32_t edgeVisibility = kFaceEdgeVisibleAll;
};

class LineGenerationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = host::TheInterfaceState();
    host::SetNetworkRender(true);
    host::SetLogSink([this](std::string_view text) { messages.emplace_back(text); });
    host::RegisterHostClasses(host::ClassRegistry::Global());
    RegisterPluginClasses(host::ClassRegistry::Global());
    ASSERT_TRUE(RegisterArtMaterialClasses());
    SetCurrentLibraryId(0);
    SeedLibraryIds(5000);
    scene = std::make_unique<host::Scene>();
    library = GetCurrentLibrary(scene->Root());
    ASSERT_NE(library, nullptr);
    style = new PwStyle();
    styleHolder = std::make_unique<host::RefHolder>(style);
    view = pwtest::perspectiveView(640, 480, 60.0f, 0.1f, 1000.0f);
    viewState.proj = view.proj;
    viewState.region = view.region;
    viewState.clipWindow = view.window;
    viewState.imageWidth = 640.0f;
    viewState.imageHeight = 480.0f;
  }
  void TearDown() override {
    held.clear();
    styleHolder.reset();
    scene.reset();
    SetCurrentLibraryId(0);
    host::TheInterfaceState() = saved_;
  }

  // Only these kinds on, in this order.
  void OnlyKinds(std::initializer_list<int> kinds) {
    for (int k = 0; k < kLineKindCount; ++k) style->GetLineKindItem(k)->SetOn(false);
    int position = 0;
    for (int k : kinds) {
      style->GetLineKindItem(k)->SetOn(true);
      style->SetLineOrder(k, position++);
    }
  }

  // A brush of its own, `pixels` wide, for the visible parts of a kind.
  void VisibleWidth(int kind, double pixels) {
    auto* brush = new PwBrush();
    held.push_back(std::make_unique<host::RefHolder>(brush));
    brush->SetSizePixels(0, pixels);
    brush->SetScaleRelative(false);
    auto* tools = dynamic_cast<PwStyleDrawingTools*>(style->GetLineKindItem(kind)->GetChild(0)->GetData());
    ASSERT_NE(tools, nullptr);
    tools->SetBrush(brush);
  }

  // The mesh (corners in camera space) as the object stage leaves it.
  void SetMesh(const std::vector<host::Point3>& corners, const std::vector<TestFace>& faces) {
    PwRenderMesh& mesh = instance.mesh;
    mesh.verts.clear();
    mesh.faces.clear();
    for (const host::Point3& p : corners) mesh.verts.push_back({p.x, p.y, p.z, 0.0f, 0.0f});
    for (const TestFace& t : faces) {
      MeshFace f;
      f.v[0] = t.a;
      f.v[1] = t.b;
      f.v[2] = t.c;
      f.smGroup = t.smGroup;
      f.flags = t.edgeVisibility | (std::uint32_t{t.materialId} << kFaceMatIdShift);
      mesh.faces.push_back(f);
    }
    transformToCamera(mesh, host::Matrix3(), view.proj);
    markBackFaces(mesh.verts, mesh.faces, mesh.clipPoints);
    instance.meshChanged();
  }

  // One frame of the one object's lines; the segments in emission order.
  std::vector<LineSegment> Generate() {
    order.assign(1, &instance);
    PwFrameContext frame;
    frame.drawOrder = order;
    frame.visibleCount = 1;
    frame.view = &viewState;
    frame.settings = settings;
    data.Build(instance, settings.force2Side);
    store.Clear();
    EXPECT_TRUE(generator.Generate(frame, instance, *style, data, store));
    std::vector<LineSegment> out;
    store.ForEach([&](const LineSegment& s) { out.push_back(s); });
    return {out.rbegin(), out.rend()};
  }

  std::vector<std::string> messages;
  std::unique_ptr<host::Scene> scene;
  PwObjectLibrary* library = nullptr;
  PwStyle* style = nullptr;
  std::unique_ptr<host::RefHolder> styleHolder;
  std::vector<std::unique_ptr<host::RefHolder>> held;
  pwtest::TestView view;
  PwViewState viewState;
  PwFrameSettings settings;
  PwRenderInstance instance{nullptr, 0};
  std::vector<PwRenderInstance*> order;
  LineFrameData data;
  LineStore store;
  LineGenerator generator;

 private:
  host::InterfaceState saved_;
};

}  // namespace pw::test
