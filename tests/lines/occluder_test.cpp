// Occluders of an instance: which faces become one, how their planes face,
// what outline and box they carry, and that the grid finds every occluder
// near a box.
#include "lines/occluder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "lines_scene_fixture.h"

namespace {

using host::Point3;
using pw::InstanceOccluders;
using pw::ScreenDepthBox;

// Two triangles facing the camera and one facing away, at z = -10, and a
// degenerate one.
pw::PwRenderMesh SmallMesh(const pw::PwProjection& proj) {
  pw::PwRenderMesh m = pwtest::cameraMesh({{-2, -1, -10}, {0, -1, -10}, {-1, 1, -10},    // front
                                           {0, -1, -10}, {1, 1, -10}, {2, -1, -10},      // back
                                           {1, -3, -12}, {3, -3, -12}, {2, -2, -12},     // front
                                           {5, 5, -10}, {6, 6, -10}, {7, 7, -10}},       // no area
                                          proj);
  m.faces[3].v[2] = m.faces[3].v[0];  // a repeated corner: excluded by the marking
  pw::markBackFaces(m.verts, m.faces, m.clipPoints);
  return m;
}

TEST(Occluders, FrontFacesOnlyUnlessTwoSidedAndNeverExcluded) {
  const pwtest::TestView v = pwtest::perspectiveView(200, 100, 60, 1, 100);
  const pw::PwRenderMesh m = SmallMesh(v.proj);
  ASSERT_TRUE(m.faces[0].faceFlags & pw::FaceFront);
  ASSERT_FALSE(m.faces[1].faceFlags & pw::FaceFront);
  ASSERT_TRUE(m.faces[3].faceFlags & pw::FaceExcluded);

  InstanceOccluders one, two;
  pw::BuildOccluders(m, false, one);
  pw::BuildOccluders(m, true, two);
  ASSERT_EQ(one.Size(), 2);
  EXPECT_EQ(one.occluders[0].face, 0u);
  EXPECT_EQ(one.occluders[1].face, 2u);
  ASSERT_EQ(two.Size(), 3);
  EXPECT_EQ(two.occluders[1].face, 1u);

  // The back face's outline runs its corners 2, 1, 0.
  const auto outline = two.Outline(two.occluders[1]);
  ASSERT_EQ(outline.size(), 3u);
  EXPECT_EQ(outline[0], (pw::ScreenPoint{m.verts[5].sx, m.verts[5].sy}));
  EXPECT_EQ(outline[1], (pw::ScreenPoint{m.verts[4].sx, m.verts[4].sy}));
  EXPECT_EQ(outline[2], (pw::ScreenPoint{m.verts[3].sx, m.verts[3].sy}));

  // Boxes: screen x, y and camera z of the corners; the instance's covers all.
  const ScreenDepthBox& b = two.occluders[2].box;
  EXPECT_EQ(b.x0, m.verts[6].sx);
  EXPECT_EQ(b.x1, m.verts[7].sx);
  EXPECT_EQ(b.z0, -12.0f);
  EXPECT_EQ(b.z1, -12.0f);
  EXPECT_EQ(two.box.z0, -12.0f);
  EXPECT_EQ(two.box.z1, -10.0f);
  EXPECT_EQ(two.box.x0, m.verts[0].sx);

  // An invisible instance has none.
  pw::PwRenderInstance inst(nullptr, 0);
  inst.mesh = m;
  inst.visible = false;
  pw::BuildOccluders(inst, true, two);
  EXPECT_EQ(two.Size(), 0);
  EXPECT_TRUE(two.box.Empty());
}

// Every plane of a closed mesh, front or back, has the eye on its positive
// side, at the distance of the face's plane from the eye.
TEST(Occluders, PlanesFaceTheViewerAndHaveUnitNormals) {
  pwtest::LinesScene s;
  ASSERT_TRUE(pwtest::LoadLinesScene("bunny.obj", s));
  pwtest::LookAt(s, {1, 2, -0.5f}, 2.5f, true);
  const pw::PwRenderMesh& mesh = s.instances[0]->mesh;
  const InstanceOccluders& io = s.occluders[0];
  int front = 0, back = 0;
  for (const pw::Occluder& o : io.occluders) {
    const double length = std::sqrt(o.n[0] * o.n[0] + o.n[1] * o.n[1] + o.n[2] * o.n[2]);
    if (length == 0.0) continue;
    EXPECT_NEAR(length, 1.0, 1e-12);
    const pw::MeshFace& f = mesh.faces[o.face];
    for (int k = 0; k < 3; ++k) {
      const pw::MeshVertex& c = mesh.verts[f.v[k]];
      EXPECT_NEAR(o.PlaneDistance(c.x, c.y, c.z), 0.0, 1e-5);
    }
    const double eye = o.PlaneDistance(0, 0, 0);
    // Faces seen almost edge-on may come out either way on screen.
    if (std::abs(eye) < 1e-4) continue;
    EXPECT_GT(eye, 0.0) << "face " << o.face;
    (f.faceFlags & pw::FaceFront ? front : back)++;
  }
  EXPECT_GT(front, 1000);
  EXPECT_GT(back, 1000);
}

// A face cut by the view: its box and outline are the clipped polygon's.
TEST(Occluders, ClippedFaceUsesItsPolygon) {
  const pwtest::TestView v = pwtest::perspectiveView(200, 100, 60, 1, 100);
  pw::PwRenderMesh m = pwtest::cameraMesh({{-30, -1, -10}, {0, -1, -10}, {-1, 1, -10}}, v.proj);
  pw::clipMesh(m, v.proj, v.window);
  pw::markBackFaces(m.verts, m.faces, m.clipPoints);
  ASSERT_TRUE(m.faces[0].faceFlags & pw::FaceClipped);
  ASSERT_TRUE(m.faces[0].faceFlags & pw::FaceFront);
  InstanceOccluders io;
  pw::BuildOccluders(m, false, io);
  ASSERT_EQ(io.Size(), 1);
  const auto poly = pw::clippedPolygon(m, m.faces[0]);
  const auto outline = io.Outline(io.occluders[0]);
  ASSERT_EQ(outline.size(), poly.size());
  float x0 = 1e30f;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    EXPECT_EQ(outline[i], (pw::ScreenPoint{poly[i].pos.sx, poly[i].pos.sy}));
    x0 = std::min(x0, poly[i].pos.sx);
  }
  EXPECT_EQ(io.occluders[0].box.x0, x0);
  EXPECT_GE(x0, 0.0f);  // the corner far left of the view is not in the box
}

// Brute force: the occluders whose boxes overlap the query.
std::set<std::uint32_t> Overlapping(const InstanceOccluders& io, const ScreenDepthBox& q) {
  std::set<std::uint32_t> out;
  for (std::uint32_t i = 0; i < io.occluders.size(); ++i)
    if (pw::OverlapsOnScreen(io.occluders[i].box, q)) out.insert(i);
  return out;
}

void CheckGridFindsEveryOverlap(const InstanceOccluders& io, std::mt19937& rng, int queries) {
  EXPECT_EQ(io.grid.items.size(), io.occluders.size());  // each filed once
  std::uniform_real_distribution<float> ux(io.box.x0 - 20, io.box.x1 + 20), uy(io.box.y0 - 20, io.box.y1 + 20);
  std::uniform_real_distribution<float> size(0.0f, 30.0f);
  std::vector<std::uint32_t> gathered;
  for (int i = 0; i < queries; ++i) {
    ScreenDepthBox q;
    const float x = ux(rng), y = uy(rng);
    q.Add(x, y, 0);
    // Now and then a segment on a row or a column: zero width or height.
    q.Add(x + (i % 7 == 0 ? 0.0f : size(rng)), y + (i % 5 == 0 ? 0.0f : size(rng)), 0);
    const std::size_t n = pw::GatherOverlapping(io.grid, q, false, gathered);
    const std::set<std::uint32_t> found(gathered.begin(), gathered.begin() + std::ptrdiff_t(n));
    ASSERT_EQ(found.size(), n) << "query " << i << " lists an occluder twice";
    ASSERT_EQ(found, Overlapping(io, q)) << "query " << i;
  }
  // Every occluder's own box, in depth too, finds exactly the ones that
  // overlap it on all three axes.
  for (std::uint32_t k = 0; k < io.occluders.size(); k += 7) {
    const ScreenDepthBox& b = io.occluders[k].box;
    const std::size_t n = pw::GatherOverlapping(io.grid, b, true, gathered);
    std::set<std::uint32_t> expected;
    for (std::uint32_t j = 0; j < io.occluders.size(); ++j)
      if (pw::Overlaps3d(io.occluders[j].box, b)) expected.insert(j);
    ASSERT_EQ(std::set<std::uint32_t>(gathered.begin(), gathered.begin() + std::ptrdiff_t(n)), expected) << k;
  }
}

TEST(OccluderGrid, FindsEveryOverlappingOccluderOnRealMeshes) {
  std::mt19937 rng(5);
  for (const char* name : {"suzanne2.glb", "bevelcube.glb"}) {
    SCOPED_TRACE(name);
    pwtest::LinesScene s;
    ASSERT_TRUE(pwtest::LoadLinesScene(name, s));
    pwtest::LookAt(s, {0.3f, 1, -0.2f}, 1.2f, true);  // near enough to be cut by the view
    for (const InstanceOccluders& io : s.occluders) CheckGridFindsEveryOverlap(io, rng, 2000);
  }
}

// Long thin faces from the centre of a disc to its rim: most of them span
// much of the box, where a flat grid would file each in many cells.
TEST(OccluderGrid, FanOfSliversStaysSmallAndComplete) {
  const pwtest::TestView v = pwtest::perspectiveView(800, 600, 60, 1, 100);
  std::vector<Point3> corners;
  const int n = 3000;
  for (int i = 0; i < n; ++i) {
    const double a0 = 2 * 3.141592653589793 * i / n, a1 = 2 * 3.141592653589793 * (i + 1) / n;
    corners.push_back({0, 0, -10});
    corners.push_back({float(4 * std::cos(a0)), float(4 * std::sin(a0)), -10});
    corners.push_back({float(4 * std::cos(a1)), float(4 * std::sin(a1)), -10});
  }
  pw::PwRenderMesh m = pwtest::cameraMesh(corners, v.proj);
  pw::markBackFaces(m.verts, m.faces, m.clipPoints);
  InstanceOccluders io;
  pw::BuildOccluders(m, true, io);
  ASSERT_EQ(io.Size(), n);
  std::mt19937 rng(9);
  CheckGridFindsEveryOverlap(io, rng, 3000);
}

TEST(Occluders, RebuildingReusesTheArrays) {
  pwtest::LinesScene s;
  ASSERT_TRUE(pwtest::LoadLinesScene("bunny.obj", s));
  pwtest::LookAt(s, {1, 2, -0.5f}, 2.5f, true);
  InstanceOccluders& io = s.occluders[0];
  const void* occluders = io.occluders.data();
  const void* points = io.points.data();
  const void* items = io.grid.items.data();
  const std::vector<pw::Occluder> before = io.occluders;
  pw::BuildOccluders(*s.instances[0], true, io);
  EXPECT_EQ(io.occluders.data(), occluders);
  EXPECT_EQ(io.points.data(), points);
  EXPECT_EQ(io.grid.items.data(), items);
  ASSERT_EQ(io.occluders.size(), before.size());
  EXPECT_EQ(io.occluders.back().d, before.back().d);
}

}  // namespace
