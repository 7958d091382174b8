// Whole frames of line generation on real meshes, and the depth-buffer
// check of what they store: a piece drawn as visible must not lie behind
// the nearest front face at its pixels, a hidden one must.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "line_generation_fixture.h"
#include "lines/hidden_intervals.h"
#include "lines_scene_fixture.h"

namespace pw::test {

class SceneLinesTest : public LineGenerationTest {
 protected:
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

struct DepthAgreement {
  int agree = 0;
  int disagree = 0;
  int visibleSamples = 0;
  int hiddenSamples = 0;
  double Share() const { return double(agree) / std::max(1, agree + disagree); }
};

// Samples every stored piece at pixel steps away from its ends and from
// depth discontinuities; isHidden tells which verdict a piece was drawn as.
template <typename IsHidden>
DepthAgreement CompareWithDepth(const std::vector<LineSegment>& lines, const DepthBuffer& depth, IsHidden isHidden) {
  DepthAgreement r;
  for (const LineSegment& seg : lines) {
    const bool hidden = isHidden(seg);
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
      (ok ? r.agree : r.disagree) += 1;
      (hidden ? r.hiddenSamples : r.visibleSamples) += 1;
    }
  }
  return r;
}

// The depth buffer of every instance of s at w x h.
inline DepthBuffer DepthOf(const pwtest::LinesScene& s, int w, int h) {
  DepthBuffer depth;
  depth.w = w;
  depth.h = h;
  depth.z.assign(static_cast<std::size_t>(w) * h, -1e30f);
  for (const auto& inst : s.instances) depth.Fill(inst->mesh);
  return depth;
}

}  // namespace pw::test
