// Contour lines: their levels, where a level crosses a face, and whole
// frames on hand-made grids and real meshes, where every piece must lie on
// its level's surface (a plane, or the circle of a sphere's normals) and
// agree with a depth buffer about what it hides.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>

#include "host/core/matrix3.h"
#include "lines/contour_lines.h"
#include "scene_lines_fixture.h"
#include "styles/style_line_contour.h"

namespace pw::test {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(ContourLevels, BothEndsOfTheRangeAreLevels) {
  // The defaults: 0 to pi in 20 steps.
  PwStyleLineContour contour;
  const ContourSettings angle = ResolveContourSettings(&contour, 0);
  ASSERT_EQ(angle.measure, ContourMeasure::Angle);
  ASSERT_EQ(angle.levels.Count(), 21);
  for (int i = 0; i <= 20; ++i) EXPECT_NEAR(ContourIsoValue(angle, i), std::cos(i * kPi / 20), 1e-6) << i;

  struct Case {
    double min, max;
    int steps;
    std::vector<double> levels;
  };
  const Case cases[] = {
      {0.25, 0.75, 2, {0.25, 0.5, 0.75}},
      {0.25, 0.75, 0, {0.25, 0.75}},       // steps below 2 mean one step
      {0.25, 0.75, -4, {0.25, 0.75}},
      {0.8, 0.3, 2, {0.3, 0.3, 0.3}},      // min above max: every level is max
      {-1.0, 7.0, 1, {0.0, 1.0}},          // clamped to the range
  };
  for (const Case& c : cases) {
    const ContourLevels l = MakeContourLevels(c.min, c.max, 0.0, 1.0, c.steps);
    ASSERT_EQ(l.Count(), static_cast<int>(c.levels.size())) << c.min << ".." << c.max << " in " << c.steps;
    for (int i = 0; i < l.Count(); ++i) EXPECT_DOUBLE_EQ(l.Level(i), c.levels[static_cast<std::size_t>(i)]);
  }
}

TEST(ContourLevels, SettingsOutsideTheirRangesAreUsedClamped) {
  PwStyleLineContour contour;
  contour.SetType(LINE_CONTOUR_BY_TEXTURE);
  contour.SetTexChannel(150);
  EXPECT_EQ(ResolveContourSettings(&contour, 0).channel, 99);
  contour.SetTexChannel(-3);
  EXPECT_EQ(ResolveContourSettings(&contour, 0).channel, 1);
  contour.SetType(LINE_CONTOUR_BY_POSITION);
  contour.SetPosAxis(7);
  const ContourSettings view = ResolveContourSettings(&contour, 0);
  EXPECT_EQ(view.space, ContourSpace::Camera);
  EXPECT_EQ(view.component, 1);
  contour.SetType(3);
  EXPECT_EQ(ResolveContourSettings(&contour, 0).measure, ContourMeasure::None);
  EXPECT_EQ(ResolveContourSettings(nullptr, 0).measure, ContourMeasure::None);
}

TEST(FaceLevelCrossing, EdgesAreVisitedFromCornerTwoRound) {
  const host::Point3 p[3] = {{0, 0, -5}, {4, 0, -5}, {0, 4, -5}};
  host::Point3 q[2];
  // Values 0, 1, 2 at level 1: the middle of edge 2 -> 0, then corner 1.
  const float v[3] = {0, 1, 2};
  ASSERT_EQ(FaceLevelCrossing(p, v, 1.0, q), 2);
  EXPECT_EQ(q[0], host::Point3(0, 2, -5));
  EXPECT_EQ(q[1], host::Point3(4, 0, -5));
  // Level 0.5: three quarters of the way from corner 2 to 0, then halfway
  // from 0 to 1.
  ASSERT_EQ(FaceLevelCrossing(p, v, 0.5, q), 2);
  EXPECT_EQ(q[0], host::Point3(0, 1, -5));
  EXPECT_EQ(q[1], host::Point3(2, 0, -5));
  // Beyond every corner: nothing.
  EXPECT_EQ(FaceLevelCrossing(p, v, 2.5, q), 0);
  // Equal values at a level: the edge's first corner.
  const float flat[3] = {1, 1, 1};
  ASSERT_EQ(FaceLevelCrossing(p, flat, 1.0, q), 2);
  EXPECT_EQ(q[0], p[2]);
  EXPECT_EQ(q[1], p[0]);
}

class ContourLinesTest : public SceneLinesTest {
 protected:
  // Only contours, with only these sub-items on.
  void OnlyContours(std::initializer_list<int> subs) {
    OnlyKinds({LINE_KIND_CONTOURS});
    for (int s = 0; s < style->GetSubItemCount(LINE_KIND_CONTOURS); ++s)
      style->GetLineKindItem(LINE_KIND_CONTOURS, s)->SetOn(false);
    for (int s : subs) style->GetLineKindItem(LINE_KIND_CONTOURS, s)->SetOn(true);
  }

  PwStyleLineContour& Contour(int sub) { return *style->GetLineContour(sub); }

  // Sub-item `sub` draws visible parts `visible` pixels wide and, when
  // hidden > 0, hidden parts that wide.
  void Widths(int sub, double visible, double hidden = 0.0) {
    PwStyleTreeItem* item = style->GetLineKindItem(LINE_KIND_CONTOURS, sub);
    for (int v = 0; v < 2; ++v) {
      const double pixels = v == 0 ? visible : hidden;
      item->GetChild(v)->SetOn(pixels > 0.0);
      if (pixels <= 0.0) continue;
      auto* brush = new PwBrush();
      held.push_back(std::make_unique<host::RefHolder>(brush));
      brush->SetSizePixels(0, pixels);
      brush->SetScaleRelative(false);
      dynamic_cast<PwStyleDrawingTools*>(item->GetChild(v)->GetData())->SetBrush(brush);
    }
  }

  // A flat grid facing the camera at depth 5, x from -2 to 2 in `cols`
  // columns, y from -1 to 1 in two rows; map channel `channel` (0: none)
  // holds u = 0.3 x + 0.2, v = y, w = 0 at every vertex.
  void Grid(int cols, int channel = 0) {
    std::vector<host::Point3> corners;
    std::vector<TestFace> faces;
    for (int j = 0; j <= 2; ++j)
      for (int i = 0; i <= cols; ++i) corners.push_back({-2.0f + 4.0f * i / cols, -1.0f + j, -5.0f});
    auto at = [&](int i, int j) { return static_cast<std::uint32_t>(j * (cols + 1) + i); };
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < cols; ++i) {
        faces.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
        faces.push_back({at(i, j + 1), at(i + 1, j), at(i + 1, j + 1)});
      }
    SetMesh(corners, faces);
    for (PwMapChannel& m : instance.mesh.maps) m = {};
    if (channel == 0) return;
    PwMapChannel& map = instance.mesh.maps[static_cast<std::size_t>(channel)];
    for (const host::Point3& p : corners) map.verts.push_back({0.3f * p.x + 0.2f, p.y, 0.0f});
    for (const MeshFace& f : instance.mesh.faces) {
      host::TVFace t;
      t.setTVerts(f.v[0], f.v[1], f.v[2]);
      map.faces.push_back(t);
    }
  }

  // Every segment is vertical at one of `xs`; each x is covered over the
  // grid's whole height.
  static void ExpectVerticalLinesAt(const std::vector<LineSegment>& lines, std::initializer_list<double> xs) {
    std::map<double, double> height;
    for (double x : xs) height[x] = 0.0;
    for (const LineSegment& s : lines) {
      bool found = false;
      for (double x : xs) {
        if (std::fabs(s.start.x - x) < 1e-5 && std::fabs(s.end.x - x) < 1e-5) {
          height[x] += std::fabs(double(s.end.y) - s.start.y);
          found = true;
        }
      }
      EXPECT_TRUE(found) << "a piece off every level: x " << s.start.x << " to " << s.end.x;
    }
    for (double x : xs) EXPECT_NEAR(height[x], 2.0, 1e-5) << "level at x = " << x;
  }
};

TEST_F(ContourLinesTest, PositionLevelsCutTheObjectsBoxAtTheirFractions) {
  Grid(7);
  OnlyContours({0});
  Widths(0, 1.0);
  Contour(0).SetType(LINE_CONTOUR_BY_POSITION);
  Contour(0).SetPosAxis(6);  // view X: the grid spans -2..2
  Contour(0).SetPosMin(0.25f);
  Contour(0).SetPosMax(0.75f);
  Contour(0).SetPosSteps(2);
  ExpectVerticalLinesAt(Generate(), {-1.0, 0.0, 1.0});
  // Steps 0: one step, both ends.
  Contour(0).SetPosSteps(0);
  ExpectVerticalLinesAt(Generate(), {-1.0, 1.0});
  EXPECT_TRUE(messages.empty());
}

TEST_F(ContourLinesTest, ObjectAndWorldAxesGoThroughTheInstancesTransforms) {
  Grid(7);
  OnlyContours({0});
  Widths(0, 1.0);
  Contour(0).SetType(LINE_CONTOUR_BY_POSITION);
  Contour(0).SetPosMin(0.25f);
  Contour(0).SetPosMax(0.75f);
  Contour(0).SetPosSteps(2);
  // The object's x axis is the camera's y axis; its world is the camera
  // turned back, so world x is camera x again.
  instance.objToCam = host::RotateZMatrix(static_cast<float>(kPi / 2));
  instance.camToObj = host::Inverse(instance.objToCam);
  instance.objToWorld = instance.camToObj;
  Contour(0).SetPosAxis(0);
  const auto lines = Generate();
  ASSERT_FALSE(lines.empty());
  // Horizontal lines at a quarter, half and three quarters of the height.
  for (const LineSegment& s : lines) {
    EXPECT_NEAR(s.start.y, s.end.y, 1e-5);
    const double y = s.start.y;
    EXPECT_TRUE(std::fabs(y + 0.5) < 1e-5 || std::fabs(y) < 1e-5 || std::fabs(y - 0.5) < 1e-5) << y;
  }
  // World X: camera x back, through both transforms.
  instance.objToWorld = host::RotateZMatrix(static_cast<float>(-kPi / 2));
  Contour(0).SetPosAxis(3);
  ExpectVerticalLinesAt(Generate(), {-1.0, 0.0, 1.0});
}

TEST_F(ContourLinesTest, TextureLevelsFollowTheChannelAndWarnOncePerObject) {
  // Channel 150 reads channel 99.
  Grid(7, 99);
  OnlyContours({0, 1, 2});
  for (int s = 0; s < 3; ++s) Widths(s, 1.0 + s);
  for (int s = 0; s < 2; ++s) {
    Contour(s).SetType(LINE_CONTOUR_BY_TEXTURE);
    Contour(s).SetTexChannel(150);
    Contour(s).SetTexMin(0.25f);
    Contour(s).SetTexMax(0.75f);
    Contour(s).SetTexSteps(2);
  }
  Contour(1).SetTexAxis(2);  // W is 0 everywhere: no extent, nothing drawn
  Contour(2).SetType(LINE_CONTOUR_BY_POSITION);
  Contour(2).SetPosAxis(8);  // view Z of a flat grid: nothing either
  ExpectVerticalLinesAt(Generate(), {-1.0, 0.0, 1.0});
  EXPECT_TRUE(messages.empty()) << "a box without extent draws nothing, silently";

  // Without channel 99: one warning for the object, however many contours
  // read the channel; the other contours go on.
  Grid(7, 1);
  Contour(1).SetTexAxis(0);
  Contour(2).SetType(LINE_CONTOUR_BY_ANGLE);
  Contour(2).SetAngleMin(0.0f);
  Contour(2).SetAngleMax(0.0f);  // the normal along the view axis: every face
  const auto lines = Generate();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Object doesn't have any texture coordinates in channel 99.");
  ASSERT_FALSE(lines.empty());
  for (const LineSegment& s : lines) EXPECT_EQ(s.brushWidth, 3.0f) << "only the angle contour draws";
  // The next frame reports it again.
  Generate();
  EXPECT_EQ(messages.size(), 2u);
}

// The centre of the first instance's camera-space vertices' box.
host::Point3 CentreOf(const PwRenderMesh& mesh) {
  host::Box3 box;
  for (const MeshVertex& v : mesh.verts) box += host::Point3(v.x, v.y, v.z);
  return box.Center();
}

TEST_F(ContourLinesTest, AngleContoursOnASphereLieOnTheirCircles) {
  OnlyContours({0, 1});
  Widths(0, 1.0);
  Widths(1, 2.0);
  Contour(1).SetAngleDirB(5);  // the object's z axis
  pwtest::LinesScene s;
  ASSERT_TRUE(pwtest::LoadLinesScene("sphere.glb", s));
  // Near: the view cuts the sphere, and clipped faces' pieces are clipped.
  for (float distance : {2.5f, 1.1f}) {
    pwtest::LookAt(s, {1.0f, 0.7f, -0.5f}, distance, false);
    PwRenderInstance& sphere = *s.instances[0];
    sphere.objToCam = host::RotateXMatrix(0.4f) * host::RotateYMatrix(0.9f);
    const host::Point3 objectZ = host::VectorTransform(sphere.objToCam, host::Point3::ZAxis());
    const host::Point3 centre = CentreOf(sphere.mesh);
    const auto lines = Frame(s, false);
    int pieces[2] = {0, 0};
    double worst = 0.0;
    for (const LineSegment& seg : lines) {
      const int sub = seg.brushWidth == 2.0f ? 1 : 0;
      const host::Point3 dir = sub == 1 ? objectZ : host::Point3::ZAxis();
      ++pieces[sub];
      // The level of each end: the angle of the sphere's normal there, in
      // steps of pi / 20; both ends on the same one.
      double level[2];
      int k = 0;
      for (const LineEnd* e : {&seg.start, &seg.end}) {
        const host::Point3 n = host::Normalize(host::Point3(e->x, e->y, e->z) - centre);
        const double steps = std::acos(std::clamp(double(host::DotProd(n, dir)), -1.0, 1.0)) / (kPi / 20);
        level[k++] = std::round(steps);
        worst = std::max(worst, std::fabs(steps - std::round(steps)));
        EXPECT_GE(e->sx, -0.01f);
        EXPECT_LE(e->sx, 640.01f);
        EXPECT_GE(e->sy, -0.01f);
        EXPECT_LE(e->sy, 480.01f);
      }
      EXPECT_EQ(level[0], level[1]);
    }
    std::printf("sphere at %.1f: %d + %d pieces, worst %.4f of a level step off its circle\n", distance, pieces[0],
                pieces[1], worst);
    EXPECT_GT(pieces[0], 100);
    EXPECT_GT(pieces[1], 100);
    // The pieces follow the corner normals, which on this mesh stray from
    // the true sphere's by up to 2 degrees; a piece on a wrong level is a
    // whole step (9 degrees) off.
    EXPECT_LT(worst, 0.25) << "a piece strays from its circle";
  }
}

TEST_F(ContourLinesTest, PositionContoursOnASphereLieOnTheirPlanesInEverySpace) {
  OnlyContours({0});
  Widths(0, 1.0, 3.0);  // the far side too
  Contour(0).SetType(LINE_CONTOUR_BY_POSITION);
  Contour(0).SetPosMin(0.1f);
  Contour(0).SetPosMax(0.9f);
  Contour(0).SetPosSteps(8);
  pwtest::LinesScene s;
  ASSERT_TRUE(pwtest::LoadLinesScene("sphere.glb", s));
  pwtest::LookAt(s, {1.0f, 0.7f, -0.5f}, 3.5f, true);
  PwRenderInstance& sphere = *s.instances[0];
  sphere.camToObj = host::RotateXMatrix(0.3f) * host::RotateZMatrix(0.7f) * host::TransMatrix({1, 2, 3});
  sphere.objToWorld = host::RotateYMatrix(0.5f) * host::ScaleMatrix({2, 1, 1});
  settings.force2Side = true;
  for (int axis = 0; axis < 9; ++axis) {
    Contour(0).SetPosAxis(axis);
    auto toSpace = [&](host::Point3 p) {
      if (axis < 6) p = p * sphere.camToObj;
      if (axis >= 3 && axis < 6) p = p * sphere.objToWorld;
      return double(p[axis % 3]);
    };
    double lo = 1e30, hi = -1e30;
    for (const MeshVertex& v : sphere.mesh.verts) {
      lo = std::min(lo, toSpace({v.x, v.y, v.z}));
      hi = std::max(hi, toSpace({v.x, v.y, v.z}));
    }
    const auto lines = Frame(s, false);
    std::vector<int> perLevel(9, 0);
    for (const LineSegment& seg : lines) {
      const double a = (toSpace({seg.start.x, seg.start.y, seg.start.z}) - lo) / (hi - lo);
      const double b = (toSpace({seg.end.x, seg.end.y, seg.end.z}) - lo) / (hi - lo);
      const double level = std::round((a - 0.1) / 0.1);
      ASSERT_NEAR(a, 0.1 + 0.1 * level, 1e-4) << "axis " << axis;
      ASSERT_NEAR(b, a, 1e-4) << "axis " << axis;
      ++perLevel[static_cast<std::size_t>(level)];
    }
    for (int l = 0; l < 9; ++l)
      EXPECT_GT(perLevel[static_cast<std::size_t>(l)], 8) << "axis " << axis << " level " << l;
  }
}

TEST_F(ContourLinesTest, VisibleAndHiddenPiecesAgreeWithADepthBuffer) {
  OnlyContours({0, 1});
  Widths(0, 1.0, 3.0);
  Widths(1, 1.25, 3.25);
  Contour(1).SetType(LINE_CONTOUR_BY_POSITION);
  Contour(1).SetPosAxis(7);
  Contour(1).SetPosSteps(30);
  for (const char* name : {"suzanne2.glb", "sphere.glb"}) {
    pwtest::LinesScene s;
    ASSERT_TRUE(pwtest::LoadLinesScene(name, s));
    pwtest::LookAt(s, {1.0f, 0.7f, -0.5f}, 2.5f, false, 800, 600);
    const auto lines = Frame(s, false);
    const DepthAgreement r =
        CompareWithDepth(lines, DepthOf(s, 800, 600), [](const LineSegment& seg) { return seg.brushWidth >= 3.0f; });
    std::printf("%s: %d visible and %d hidden samples, %.4f agree\n", name, r.visibleSamples, r.hiddenSamples,
                r.Share());
    RecordProperty(std::string("contour_agreement_") + name, std::to_string(r.Share()));
    EXPECT_GT(r.visibleSamples, 100) << name;
    EXPECT_GE(r.Share(), 0.99) << name;
    if (std::string(name) == "suzanne2.glb") {
      EXPECT_GT(r.hiddenSamples, 100) << name;
    }
  }
}

}  // namespace
}  // namespace pw::test
