// Hidden intervals of segments: the cases worked out by hand (behind a face,
// crossing its plane, leaving its outline, the plane tolerances, the
// switches), a brute-force depth check, and the indexed form against the
// plain loop on real meshes and random scenes.
#include "lines/visibility.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "lines_scene_fixture.h"

namespace {

using host::Point3;
using pw::HiddenIntervals;
using pw::MeshVertex;
using pw::PlaneTolerance;

pw::MeshVertex At(const pw::PwProjection& proj, Point3 p) {
  const host::Point2 s = pw::project(proj, p);
  return {p.x, p.y, p.z, s.x, s.y};
}

// Hand-made instances of camera-space triangles (counter-clockwise seen
// from the camera for front faces).
struct HandScene {
  pwtest::TestView view = pwtest::perspectiveView(640, 480, 50, 0.5f, 1000);
  std::vector<pw::PwRenderMesh> meshes;
  std::vector<pw::InstanceOccluders> occluders;
  std::vector<int> overlap;
  pw::VisibilityScratch scratch;

  int Add(const std::vector<Point3>& corners, bool twoSided = false) {
    meshes.push_back(pwtest::cameraMesh(corners, view.proj));
    pw::markBackFaces(meshes.back().verts, meshes.back().faces, meshes.back().clipPoints);
    occluders.emplace_back();
    pw::BuildOccluders(meshes.back(), twoSided, occluders.back());
    return static_cast<int>(meshes.size()) - 1;
  }
  pw::VisibilityContext Context(int self) {
    pw::BuildOverlapList(occluders, self, overlap);
    return {&view.proj, occluders, self, overlap, true, true};
  }
  // Both forms; they must agree exactly.
  // shift moves B's screen position off its projection, as a caller with
  // another lens might place it.
  HiddenIntervals Hidden(const pw::VisibilityContext& c, Point3 a, Point3 b,
                         PlaneTolerance t = PlaneTolerance::Tight, float shift = 0.0f) {
    HiddenIntervals fast, reference;
    MeshVertex va = At(view.proj, a), vb = At(view.proj, b);
    vb.sx += shift;
    pw::HiddenIntervalsOf(c, va, vb, t, fast, scratch);
    pw::HiddenIntervalsReference(c, va, vb, t, reference, scratch);
    EXPECT_EQ(Describe(fast), Describe(reference));
    return fast;
  }
  static std::string Describe(const HiddenIntervals& h) {
    std::ostringstream out;
    out.precision(17);
    for (const pw::Interval01& i : h.List()) out << "[" << i.lo << ", " << i.hi << "] ";
    return out.str();
  }
};

// Where the screen parameter s of a -> b lands in camera space.
Point3 CameraPointAt(Point3 a, Point3 b, double s) {
  const double u = pw::PerspectiveParameter(s, a.z, b.z);
  return {float(a.x + u * (b.x - a.x)), float(a.y + u * (b.y - a.y)), float(a.z + u * (b.z - a.z))};
}

const std::vector<Point3> kBigFaceAt10 = {{-8, -6, -10}, {8, -6, -10}, {0, 8, -10}};

TEST(HiddenIntervals, SegmentBehindABigFaceIsWhollyHidden) {
  HandScene s;
  const int self = s.Add(kBigFaceAt10);
  ASSERT_EQ(s.occluders[0].Size(), 1);
  // The face lies wholly nearer than the segment.
  HiddenIntervals h = s.Hidden(s.Context(self), {-2, 0, -20}, {3, 1, -25});
  EXPECT_TRUE(h.CoversAll()) << HandScene::Describe(h);
  // The same with a tilted face whose depth range reaches past the segment's:
  // decided by its plane.
  HandScene t;
  const int tilted = t.Add({{-8, -6, -10}, {8, -6, -30}, {0, 8, -20}});
  h = t.Hidden(t.Context(tilted), {-1, 0, -40}, {1, 0, -28});
  EXPECT_TRUE(h.CoversAll()) << HandScene::Describe(h);
  // In front of the face: nothing.
  h = s.Hidden(s.Context(self), {-2, 0, -5}, {3, 1, -6});
  EXPECT_TRUE(h.Empty());
}

// One end in front of the plane, one behind: hidden from where the segment
// passes the plane to its far end.
TEST(HiddenIntervals, SegmentThroughThePlaneIsHiddenOnlyBehindIt) {
  HandScene s;
  const int self = s.Add(kBigFaceAt10);
  const Point3 a{-1, 0.5f, -5}, b{1, -0.5f, -15};
  HiddenIntervals h = s.Hidden(s.Context(self), a, b);
  ASSERT_EQ(h.Size(), 1) << HandScene::Describe(h);
  EXPECT_EQ(h[0].hi, 1.0);
  EXPECT_NEAR(CameraPointAt(a, b, h[0].lo).z, -10.0f, 1e-4);
  // Reversed, the hidden part is at the start.
  h = s.Hidden(s.Context(self), b, a);
  ASSERT_EQ(h.Size(), 1);
  EXPECT_EQ(h[0].lo, 0.0);
  EXPECT_NEAR(CameraPointAt(b, a, h[0].hi).z, -10.0f, 1e-4);
}

// Behind the plane but leaving the face's outline on screen: hidden up to
// the outline.
TEST(HiddenIntervals, SegmentLeavingTheOutlineIsHiddenInsideIt) {
  HandScene s;
  const int self = s.Add({{-1, -1, -10}, {1, -1, -10}, {0, 1, -10}});
  // Straight right from the middle: leaves the triangle through its right
  // edge, from (1, -1) to (0, 1), at x = 0.25 (y = 0.5 at depth -10).
  const Point3 a{0, 1, -20}, b{4, 1, -20};
  HiddenIntervals h = s.Hidden(s.Context(self), a, b);
  ASSERT_EQ(h.Size(), 1) << HandScene::Describe(h);
  EXPECT_EQ(h[0].lo, 0.0);
  EXPECT_NEAR(CameraPointAt(a, b, h[0].hi).x, 0.5f, 1e-4);  // x / z = 0.025 at depth -20
  // Through the plane and out of the outline: hidden between the plane and
  // the outline.
  const Point3 c{-2, -0.2f, -5}, d{4, 1, -20};  // through the plane at (0, 0.2, -10)
  h = s.Hidden(s.Context(self), c, d);
  ASSERT_EQ(h.Size(), 1) << HandScene::Describe(h);
  const Point3 first = CameraPointAt(c, d, h[0].lo), last = CameraPointAt(c, d, h[0].hi);
  EXPECT_NEAR(first.z, -10.0f, 1e-4);
  // The last hidden point projects onto the right edge: x/-z + y/-z / 2 = 0.05.
  EXPECT_NEAR(last.x / -last.z + 0.5f * last.y / -last.z, 0.05f, 1e-5);
  // Wholly outside the outline: nothing.
  h = s.Hidden(s.Context(self), {3, 3, -20}, {4, 3, -20});
  EXPECT_TRUE(h.Empty());
}

// A segment parallel to a tilted face, a little behind it: hidden when the
// distance passes the band of the tolerance.
TEST(HiddenIntervals, PlaneTolerancesDecideForSegmentsNextToAFace) {
  const std::vector<Point3> face = {{-8, -6, -16}, {8, -6, -24}, {0, 8, -20}};
  const Point3 u = face[1] - face[0], v = face[2] - face[0];
  const Point3 n = host::Normalize(host::CrossProd(u, v));
  ASSERT_GT(n.z, 0.0f);  // towards the camera
  const Point3 a = face[0] + u * 0.3f + v * 0.3f, b = face[0] + u * 0.4f + v * 0.4f;
  struct Case {
    float distance;  // behind the face
    bool tight;
    bool loose;
  };
  const Case cases[] = {{0.0f, false, false}, {5e-5f, false, false}, {3e-4f, true, false}, {2e-3f, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.distance);
    HandScene s;
    const int self = s.Add(face);
    const Point3 pa = a - n * c.distance, pb = b - n * c.distance;
    const HiddenIntervals tight = s.Hidden(s.Context(self), pa, pb, PlaneTolerance::Tight);
    const HiddenIntervals loose = s.Hidden(s.Context(self), pa, pb, PlaneTolerance::Loose);
    EXPECT_EQ(tight.CoversAll(), c.tight);
    EXPECT_EQ(tight.Empty(), !c.tight);
    EXPECT_EQ(loose.CoversAll(), c.loose);
    EXPECT_EQ(loose.Empty(), !c.loose);
  }
}

// Faces of several instances: side by side they hide one stretch; the own
// object and the others are switched separately; an instance wholly behind
// the segment is passed over.
TEST(HiddenIntervals, FacesOfSeveralInstancesAndTheSwitches) {
  HandScene s;
  // The left half of a square at depth 10, and a floor at depth 20 that the
  // segment lies on.
  const int self = s.Add({{-4, -1, -10}, {0, -1, -10}, {0, 1, -10}, {-8, -3, -20}, {8, -3, -20}, {0, 3, -20}});
  // The right half, further away but the same on screen.
  const int other = s.Add({{0, -1.2f, -12}, {4.8f, -1.2f, -12}, {0, 1.2f, -12}});
  const int behind = s.Add({{-4, -1, -30}, {4, -1, -30}, {0, 1, -30}});
  const Point3 a{-6, -0.5f, -20}, b{6, -0.5f, -20};
  pw::VisibilityContext c = s.Context(self);
  ASSERT_EQ(s.overlap, (std::vector<int>{other}));  // not the one at -30: the boxes miss in depth
  // On screen the row of the segment crosses the square from x/-z = -0.25
  // to 0.25: x = -5 to 5 at depth 20.
  HiddenIntervals h = s.Hidden(c, a, b);
  ASSERT_EQ(h.Size(), 1) << HandScene::Describe(h);
  EXPECT_NEAR(CameraPointAt(a, b, h[0].lo).x, -5.0f, 1e-3);
  EXPECT_NEAR(CameraPointAt(a, b, h[0].hi).x, 5.0f, 1e-3);
  c.withOthers = false;
  const HiddenIntervals own = s.Hidden(c, a, b);
  ASSERT_EQ(own.Size(), 1);
  EXPECT_NEAR(CameraPointAt(a, b, own[0].hi).x, 0.0f, 1e-3);
  c.withinObject = false;
  EXPECT_TRUE(s.Hidden(c, a, b).Empty());
  c.withOthers = true;
  const HiddenIntervals others = s.Hidden(c, a, b);
  ASSERT_EQ(others.Size(), 1);
  EXPECT_NEAR(CameraPointAt(a, b, others[0].lo).x, 0.0f, 1e-3);
  // Listed by hand, the instance behind hides nothing of a segment in front
  // of it...
  const int list[] = {other, behind};
  c.overlap = list;
  EXPECT_EQ(HandScene::Describe(s.Hidden(c, a, b)), HandScene::Describe(others));
  // ... and its part of one behind it: from x/-z = -0.0917 (its outline on
  // that row) on, where the other instance takes over.
  const Point3 fa{-6, -0.5f, -40}, fb{6, -0.5f, -40};
  h = s.Hidden(c, fa, fb);
  ASSERT_EQ(h.Size(), 1) << HandScene::Describe(h);
  EXPECT_NEAR(CameraPointAt(fa, fb, h[0].lo).x, -40 * 4.0f / 30 * 0.6875f, 1e-3);
  EXPECT_EQ(h[0].hi, 1.0);
}

// An object wholly nearer than another hides it although their boxes share
// no depth; one wholly farther is never asked.
TEST(HiddenIntervals, ObjectsWhollyInFrontHideWhatIsBehindThem) {
  HandScene s;
  const int far = s.Add({{-8, -6, -40}, {8, -6, -40}, {0, 8, -40}});
  const int near = s.Add({{-4, -3, -10}, {4, -3, -10}, {0, 4, -10}});
  pw::VisibilityContext c = s.Context(far);
  EXPECT_EQ(s.overlap, (std::vector<int>{near}));
  const HiddenIntervals h = s.Hidden(c, {-1, 0, -39}, {1, 0, -39});
  EXPECT_TRUE(h.CoversAll()) << HandScene::Describe(h);
  s.Context(near);
  EXPECT_TRUE(s.overlap.empty());
}

// Brute force: a point of a segment is hidden when a front face covers its
// screen position well inside its outline and lies nearer along that ray.
struct DepthVerdict {
  bool hidden = false;
  bool sure = true;
};

DepthVerdict HiddenByRay(const pwtest::LinesScene& s, Point3 p) {
  const host::Point2 q = pw::project(s.view.proj, p);
  DepthVerdict v;
  for (const auto& inst : s.instances) {
    const pw::PwRenderMesh& m = inst->mesh;
    for (const pw::MeshFace& f : m.faces) {
      if ((f.faceFlags & (pw::FaceExcluded | pw::FaceClipped)) || !(f.faceFlags & pw::FaceFront)) continue;
      const pw::MeshVertex* c[3] = {&m.verts[f.v[0]], &m.verts[f.v[1]], &m.verts[f.v[2]]};
      auto edge = [&](int i, int j) {
        return (double(c[j]->sx) - c[i]->sx) * (q.y - c[i]->sy) - (double(c[j]->sy) - c[i]->sy) * (q.x - c[i]->sx);
      };
      const double e0 = edge(0, 1), e1 = edge(1, 2), e2 = edge(2, 0), area = e0 + e1 + e2;
      if (area == 0.0) continue;
      const double b0 = e1 / area, b1 = e2 / area, b2 = e0 / area;  // screen barycentrics
      if (b0 < -1e-3 || b1 < -1e-3 || b2 < -1e-3) continue;
      // Depth on the face along the ray: perspective-correct barycentrics.
      const double w0 = b0 / c[0]->z, w1 = b1 / c[1]->z, w2 = b2 / c[2]->z;
      const double z = 1.0 / (w0 + w1 + w2);
      const bool inside = b0 > 1e-3 && b1 > 1e-3 && b2 > 1e-3;
      const double gap = z - p.z;  // > 0: the face is nearer
      if (std::abs(gap) < 1e-3 * std::abs(p.z)) {
        if (inside && gap > 0) v.sure = false;
        continue;
      }
      if (gap > 0) {
        if (inside) {
          v.hidden = true;
          return v;
        }
        v.sure = false;  // on the outline of a nearer face
      }
    }
  }
  return v;
}

bool InInterval(const HiddenIntervals& h, double s, double margin, bool* nearEnd) {
  *nearEnd = false;
  for (const pw::Interval01& i : h.List()) {
    if (std::abs(s - i.lo) < margin || std::abs(s - i.hi) < margin) *nearEnd = true;
    if (s >= i.lo && s <= i.hi) return true;
  }
  return false;
}

TEST(HiddenIntervals, AgreeWithABruteForceDepthCheck) {
  pwtest::LinesScene s;
  ASSERT_TRUE(pwtest::LoadLinesScene("intersect.glb", s));
  pwtest::LookAt(s, {1, 1.5f, -0.7f}, 3.0f, false);
  pw::VisibilityScratch scratch;
  std::vector<int> overlap;
  int checked = 0, hidden = 0, disagree = 0;
  for (std::size_t i = 0; i < s.instances.size(); ++i) {
    pw::BuildOverlapList(s.occluders, int(i), overlap);
    const pw::VisibilityContext c{&s.view.proj, s.occluders, int(i), overlap, true, true};
    const auto edges = pwtest::AscendingEdges(s.instances[i]->mesh);
    for (std::size_t e = 0; e < edges.size(); e += 3) {
      HiddenIntervals h;
      pw::HiddenIntervalsOf(c, edges[e].a, edges[e].b, PlaneTolerance::Tight, h, scratch);
      const Point3 a{edges[e].a.x, edges[e].a.y, edges[e].a.z}, b{edges[e].b.x, edges[e].b.y, edges[e].b.z};
      for (double t : {0.25, 0.5, 0.75}) {
        bool nearEnd = false;
        const bool analytic = InInterval(h, t, 0.02, &nearEnd);
        if (nearEnd) continue;
        const DepthVerdict ray = HiddenByRay(s, CameraPointAt(a, b, t));
        if (!ray.sure) continue;
        ++checked;
        hidden += ray.hidden;
        disagree += analytic != ray.hidden;
      }
    }
  }
  EXPECT_GT(checked, 3000);
  EXPECT_GT(hidden, checked / 5);
  EXPECT_LT(hidden, checked * 4 / 5);
  EXPECT_LE(disagree, checked / 500) << disagree << " of " << checked;
}

// The indexed form against the plain loop, every segment of a prepared
// scene: the lists must be the same doubles.
struct Tally {
  int segments = 0, none = 0, all = 0, partly = 0;
};

void CompareForms(const pwtest::LinesScene& s, bool ascendingOnly, int modes, PlaneTolerance tolerance,
                  Tally& tally) {
  pw::VisibilityScratch fastScratch, referenceScratch;
  std::vector<int> overlap;
  HiddenIntervals fast, reference;
  for (std::size_t i = 0; i < s.instances.size(); ++i) {
    pw::BuildOverlapList(s.occluders, int(i), overlap);
    for (int mode = 0; mode < modes; ++mode) {
      // As generated, and as outlines are tested (own faces off).
      const pw::VisibilityContext c{&s.view.proj, s.occluders, int(i), overlap, mode == 0, true};
      const auto edges = ascendingOnly ? pwtest::AscendingEdges(s.instances[i]->mesh)
                                       : pwtest::FaceEdges(s.instances[i]->mesh);
      for (std::size_t e = 0; e < edges.size(); ++e) {
        pw::HiddenIntervalsOf(c, edges[e].a, edges[e].b, tolerance, fast, fastScratch);
        pw::HiddenIntervalsReference(c, edges[e].a, edges[e].b, tolerance, reference, referenceScratch);
        ASSERT_EQ(HandScene::Describe(fast), HandScene::Describe(reference))
            << "instance " << i << " segment " << e << " mode " << mode;
        ++tally.segments;
        (fast.Empty() ? tally.none : fast.CoversAll() ? tally.all : tally.partly)++;
      }
    }
  }
}

TEST(HiddenIntervalsIndexed, SameAsThePlainLoopOnRealMeshes) {
  struct View {
    Point3 direction;
    float distance;
    bool twoSided;
  };
  const View views[] = {
      {{0, 1, 0}, 3.0f, false},        // from the front, all in view
      {{1, 1.5f, -0.7f}, 2.0f, true},  // oblique, back faces hide too
      {{-0.4f, 1, -0.3f}, 0.9f, false},  // close: cut by the near plane and the window
  };
  for (const char* name : {"bunny.obj", "bevelcube.glb", "intersect.glb", "suzanne1.glb"}) {
    pwtest::LinesScene s;
    ASSERT_TRUE(pwtest::LoadLinesScene(name, s));
    Tally tally;
    for (const View& v : views) {
      SCOPED_TRACE(std::string(name) + " distance " + std::to_string(v.distance));
      pwtest::LookAt(s, v.direction, v.distance, v.twoSided);
      CompareForms(s, false, 2, v.distance < 1 ? PlaneTolerance::Loose : PlaneTolerance::Tight, tally);
      if (HasFatalFailure()) return;
    }
    // Not a vacuous comparison: visible, hidden and partly hidden segments.
    EXPECT_GT(tally.none, tally.segments / 10) << name;
    EXPECT_GT(tally.all, tally.segments / 10) << name;
    EXPECT_GT(tally.partly, 50) << name;
  }
}

TEST(HiddenIntervalsIndexed, SameAsThePlainLoopOnALargeMesh) {
  pwtest::LinesScene s;
  ASSERT_TRUE(pwtest::LoadLinesScene("suzanne3.glb", s));
  pwtest::LookAt(s, {0.5f, 1, -0.3f}, 1.5f, false, 1920, 1080);
  Tally tally;
  CompareForms(s, true, 1, PlaneTolerance::Tight, tally);
  EXPECT_GT(tally.segments, 75000);
  EXPECT_GT(tally.partly, 500);
}

// Random triangles in several instances, random segments among them.
TEST(HiddenIntervalsIndexed, SameAsThePlainLoopOnRandomScenes) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<float> xy(-6, 6), depth(-30, -8), size(0.2f, 4);
  for (int scene = 0; scene < 20; ++scene) {
    HandScene s;
    const int instances = 1 + scene % 4;
    for (int i = 0; i < instances; ++i) {
      std::vector<Point3> corners;
      const int faces = 50 + 40 * (scene % 3);
      for (int f = 0; f < faces; ++f) {
        const Point3 c{xy(rng), xy(rng), depth(rng)};
        for (int k = 0; k < 3; ++k) corners.push_back(c + Point3(size(rng) - 2, size(rng) - 2, size(rng) - 2));
        // Now and then a corner shared with the face before, as in a mesh.
        if (f > 0 && f % 4 == 0) corners[corners.size() - 3] = corners[corners.size() - 4];
      }
      s.Add(corners, scene % 2 == 1);
    }
    for (int self = 0; self < instances; ++self) {
      pw::VisibilityContext c = s.Context(self);
      for (int k = 0; k < 300; ++k) {
        Point3 a{xy(rng), xy(rng), depth(rng)}, b = a + Point3(size(rng) - 2, size(rng) - 2, 2 * size(rng) - 4);
        // Some segments are edges of the scene's own faces.
        if (k % 3 == 0) {
          const pw::PwRenderMesh& m = s.meshes[std::size_t(self)];
          const std::size_t v = std::size_t(k) % m.verts.size() / 3 * 3;
          a = {m.verts[v].x, m.verts[v].y, m.verts[v].z};
          b = {m.verts[v + 1].x, m.verts[v + 1].y, m.verts[v + 1].z};
        }
        s.Hidden(c, a, b, k % 2 ? PlaneTolerance::Tight : PlaneTolerance::Loose, k % 5 == 0 ? 7.0f : 0.0f);
        if (HasFailure()) {
          ADD_FAILURE() << "scene " << scene << " self " << self << " segment " << k;
          return;
        }
      }
    }
  }
}

}  // namespace
