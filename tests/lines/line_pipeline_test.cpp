// Whole objects' lines on the real test meshes: the indexed search gives the
// very segments the plain loops give, and what is drawn as visible or hidden
// agrees with a depth buffer of the faces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <vector>

#include "line_generation_fixture.h"
#include "lines_scene_fixture.h"

namespace pw::test {
namespace {

class LinePipelineTest : public LineGenerationTest {
 protected:
  // Fold, Crease, Material Change, Silhouette, Surface Intersection and, for
  // every edge left, All; each visible with a width of its own and hidden
  // two pixels wider, so that every stored piece says what it was.
  void IllustratorStyle() {
    OnlyKinds({LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_MATERIAL_CHANGE, LINE_KIND_SILHOUETTE,
               LINE_KIND_SURFACE_INTERSECTION, LINE_KIND_ALL});
    for (int k : {LINE_KIND_FOLD, LINE_KIND_CREASE, LINE_KIND_MATERIAL_CHANGE, LINE_KIND_SILHOUETTE,
                  LINE_KIND_SURFACE_INTERSECTION, LINE_KIND_ALL}) {
      VisibleWidth(k, 1.0 + k * 0.0625);
      style->GetLineKindItem(k)->GetChild(1)->SetOn(true);
      auto* hidden = dynamic_cast<PwStyleDrawingTools*>(style->GetLineKindItem(k)->GetChild(1)->GetData());
      auto* brush = new PwBrush();
      held.push_back(std::make_unique<host::RefHolder>(brush));
      brush->SetSizePixels(0, 3.0 + k * 0.0625);
      brush->SetScaleRelative(false);
      hidden->SetBrush(brush);
    }
  }

  // Every object's lines of one frame of `s`.
  std::vector<LineSegment> Frame(pwtest::LinesScene& s, bool reference) {
    order.clear();
    for (auto& inst : s.instances) order.push_back(inst.get());
    viewState.proj = s.view.proj;
    viewState.region = s.view.region;
    viewState.clipWindow = s.view.window;
    viewState.imageWidth = static_cast<float>(s.view.region.x1 + 1);
    viewState.imageHeight = static_cast<float>(s.view.region.y1 + 1);
    PwFrameContext frame;
    frame.instances = s.instances;
    frame.drawOrder = order;
    frame.visibleCount = static_cast<int>(order.size());
    frame.view = &viewState;
    frame.settings = settings;
    LineFrameData frameData;
    for (PwRenderInstance* inst : order) {
      inst->workFlags = 0;
      frameData.Build(*inst, settings.force2Side);
    }
    LineGenerator gen;
    gen.UseReferenceSearch(reference);
    LineStore lines;
    for (PwRenderInstance* inst : order) EXPECT_TRUE(gen.Generate(frame, *inst, *style, frameData, lines));
    std::vector<LineSegment> out;
    lines.ForEach([&](const LineSegment& seg) { out.push_back(seg); });
    return {out.rbegin(), out.rend()};
  }
};

TEST_F(LinePipelineTest, TheIndexedSearchStoresExactlyWhatThePlainLoopsStore) {
  IllustratorStyle();
  for (const char* name : {"bevelcube.glb", "intersect.glb", "bunny.obj", "suzanne2.glb"}) {
    pwtest::LinesScene s;
    ASSERT_TRUE(pwtest::LoadLinesScene(name, s));
    // Near enough that the view cuts the meshes.
    pwtest::LookAt(s, {1.0f, 0.7f, -0.5f}, 1.2f, false);
    const auto fast = Frame(s, false);
    const auto plain = Frame(s, true);
    ASSERT_GT(fast.size(), 50u) << name;
    ASSERT_EQ(fast.size(), plain.size()) << name;
    // Same pieces in the same order, to the bit.
    for (std::size_t i = 0; i < fast.size(); ++i) ASSERT_TRUE(fast[i] == plain[i]) << name << " piece " << i;
  }
}

// The nearest front face at every pixel centre, as camera z (larger is nearer).
struct DepthBuffer {
  int w = 0, h = 0;
  std::vector<float> z;
  float At(int x, int y) const { return z[static_cast<std::size_t>(y) * w + x]; }

  void Fill(const PwRenderMesh& mesh) {
    for (const MeshFace& f : mesh.faces) {
      if ((f.faceFlags & FaceExcluded) || !(f.faceFlags & FaceFront)) continue;
      std::vector<MeshVertex> poly;
      if (f.faceFlags & FaceClipped) {
        for (const ClipPoint& p : clippedPolygon(mesh, f)) poly.push_back(p.pos);
      } else {
        for (int k = 0; k < 3; ++k) poly.push_back(mesh.verts[f.v[k]]);
      }
      for (std::size_t k = 1; k + 1 < poly.size(); ++k) Triangle(poly[0], poly[k], poly[k + 1]);
    }
  }
  // Depth from 1/z, which is linear on screen under perspective.
  void Triangle(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
    const double area = (double(b.sx) - a.sx) * (double(c.sy) - a.sy) - (double(c.sx) - a.sx) * (double(b.sy) - a.sy);
    if (area == 0.0) return;
    const int x0 = std::max(0, int(std::floor(std::min({a.sx, b.sx, c.sx}))));
    const int x1 = std::min(w - 1, int(std::ceil(std::max({a.sx, b.sx, c.sx}))));
    const int y0 = std::max(0, int(std::floor(std::min({a.sy, b.sy, c.sy}))));
    const int y1 = std::min(h - 1, int(std::ceil(std::max({a.sy, b.sy, c.sy}))));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const double px = x + 0.5, py = y + 0.5;
        const double wa = ((double(b.sx) - px) * (double(c.sy) - py) - (double(c.sx) - px) * (double(b.sy) - py)) / area;
        const double wb = ((double(c.sx) - px) * (double(a.sy) - py) - (double(a.sx) - px) * (double(c.sy) - py)) / area;
        const double wc = 1.0 - wa - wb;
        if (wa < 0 || wb < 0 || wc < 0) continue;
        const double inv = wa / a.z + wb / b.z + wc / c.z;
        const float depth = static_cast<float>(1.0 / inv);
        float& cell = z[static_cast<std::size_t>(y) * w + x];
        cell = std::max(cell, depth);
      }
    }
  }
};

// Samples along every stored piece of the meshes seen from one side: a
// visible sample must not lie behind the surfaces around it, a hidden one
// must lie behind the surface at its pixel. Returns the pieces per mesh.
std::vector<std::size_t> ExpectDepthAgreement(std::initializer_list<const char*> names,
                                              const std::function<std::vector<LineSegment>(pwtest::LinesScene&)>& frame) {
  std::vector<std::size_t> counts;
  for (const char* name : names) {
    pwtest::LinesScene s;
    EXPECT_TRUE(pwtest::LoadLinesScene(name, s));
    if (s.meshNodes.empty()) return counts;
    pwtest::LookAt(s, {1.0f, 0.7f, -0.5f}, 2.5f, false, 800, 600);
    const auto lines = frame(s);
    counts.push_back(lines.size());
    DepthBuffer depth;
    depth.w = 800;
    depth.h = 600;
    depth.z.assign(800 * 600, -1e30f);
    for (auto& inst : s.instances) depth.Fill(inst->mesh);

    int agree = 0, disagree = 0;
    int hiddenSamples = 0, visibleSamples = 0;
    for (const LineSegment& seg : lines) {
      const bool hidden = seg.brushWidth >= 3.0f;
      const double len = std::hypot(double(seg.end.sx) - seg.start.sx, double(seg.end.sy) - seg.start.sy);
      if (len < 3.0) continue;
      for (double t = 1.5 / len; t < 1.0 - 1.5 / len; t += 1.0 / len) {
        const double px = seg.start.sx + t * (seg.end.sx - seg.start.sx);
        const double py = seg.start.sy + t * (seg.end.sy - seg.start.sy);
        const int x = int(px), y = int(py);
        if (x < 1 || y < 1 || x >= depth.w - 1 || y >= depth.h - 1) continue;
        // Away from outlines: the depth around the sample must be smooth.
        float lo = 1e30f, hi = -1e30f;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            lo = std::min(lo, depth.At(x + dx, y + dy));
            hi = std::max(hi, depth.At(x + dx, y + dy));
          }
        if (lo < -1e29f || hi - lo > 0.02f * std::fabs(hi)) continue;
        const double u = PerspectiveParameter(t, seg.start.z, seg.end.z);
        const double z = seg.start.z + u * (seg.end.z - seg.start.z);
        // Visible: not behind every surface around the sample. Hidden:
        // behind the surface at the sample, and not in front of all of
        // them; a hidden point between the two is too close to tell.
        const double tolerance = 0.002 * std::fabs(z);
        const double c = depth.At(x, y);
        bool ok;
        if (!hidden) {
          ok = z >= lo - tolerance;
        } else if (z < c - tolerance) {
          ok = true;
        } else if (z > hi + tolerance || hi - lo < tolerance) {
          ok = false;  // in front of everything there, or on a smooth visible surface
        } else {
          continue;
        }
        (ok ? agree : disagree) += 1;
        (hidden ? hiddenSamples : visibleSamples) += 1;
      }
    }
    const double share = double(agree) / std::max(1, agree + disagree);
    ::testing::Test::RecordProperty(std::string("agreement_") + name, std::to_string(share));
    std::printf("%s: %zu pieces, %d visible and %d hidden samples, %.4f agree\n", name, lines.size(), visibleSamples,
                hiddenSamples, share);
    // Both verdicts are exercised.
    EXPECT_GT(visibleSamples, 100) << name;
    EXPECT_GT(hiddenSamples, 100) << name;
    EXPECT_GE(share, 0.99) << name;
  }
  return counts;
}

TEST_F(LinePipelineTest, VisibleAndHiddenPiecesAgreeWithADepthBuffer) {
  IllustratorStyle();
  ExpectDepthAgreement({"suzanne3.glb", "bunny.obj", "bevelcube.glb", "intersect.glb"},
                       [&](pwtest::LinesScene& s) { return Frame(s, false); });
}

// Curved edges bulge off the faces they follow; hidden-line removal must
// still judge their steps as a depth buffer of the faces does.
TEST_F(LinePipelineTest, SmoothedEdgesAgreeWithADepthBufferToo) {
  IllustratorStyle();
  const auto straight = ExpectDepthAgreement({"suzanne0.glb", "sphere.glb", "bunny.obj"},
                                             [&](pwtest::LinesScene& s) { return Frame(s, false); });
  style->SetEdgeSmoothingOn(true);
  style->SetEdgeSmoothingSteps(6);
  const auto smoothed = ExpectDepthAgreement({"suzanne0.glb", "sphere.glb", "bunny.obj"},
                                             [&](pwtest::LinesScene& s) { return Frame(s, false); });
  ASSERT_EQ(straight.size(), smoothed.size());
  for (std::size_t i = 0; i < straight.size(); ++i) EXPECT_GT(smoothed[i], straight[i] * 3 / 2) << i;
}

}  // namespace
}  // namespace pw::test
