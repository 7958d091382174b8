// Helpers for the line outline and rasterizer tests: segments, pictures,
// and capturing the warnings the rasterizer reports.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "host/imaging/bitmap.h"
#include "host/services/interface.h"
#include "lines/line_outline.h"
#include "lines/line_rasterizer.h"
#include "lines/line_store.h"

namespace pw_test {

inline constexpr host::BMM_Color_64 kOpaqueBlack{0, 0, 0, 65535};
inline constexpr host::BMM_Color_64 kRed{65535, 0, 0, 65535};
inline constexpr host::BMM_Color_64 kBlue{0, 0, 65535, 65535};
inline constexpr host::BMM_Color_64 kWhite{65535, 65535, 65535, 65535};

struct SegmentSpec {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  float width = 1.0f;
  int shape = pw::kBrushSquare;
  int capping = 0;
  host::BMM_Color_64 colour = kOpaqueBlack;
  float z0 = -10.0f, z1 = -10.0f;
  std::int32_t pattern = pw::kSolidPattern;
  float scale = 1.0f;
};

inline pw::LineSegment MakeSegment(const SegmentSpec& s) {
  pw::LineSegment seg;
  seg.brushShape = s.shape;
  seg.capping = s.capping;
  seg.red = s.colour.r;
  seg.green = s.colour.g;
  seg.blue = s.colour.b;
  seg.alpha = s.colour.a;
  seg.brushWidth = s.width;
  seg.pattern = s.pattern;
  seg.patternScale = s.scale;
  // Camera x and y follow the screen so that lens tests have a real point.
  seg.start = {s.x0 * 0.01f, s.y0 * 0.01f, s.z0, s.x0, s.y0, s.width};
  seg.end = {s.x1 * 0.01f, s.y1 * 0.01f, s.z1, s.x1, s.y1, s.width};
  return seg;
}

// Outlines of the given segments in drawing order (the store gives them
// newest first, so they are inserted in reverse).
inline pw::LineOutlineList OutlinesOf(const std::vector<SegmentSpec>& specs, bool perspective = false) {
  pw::LineStore store;
  for (auto it = specs.rbegin(); it != specs.rend(); ++it) store.Insert(MakeSegment(*it));
  pw::LineOutlineList list;
  pw::BuildOutlines(store, pw::OutlineOptions{perspective, nullptr}, list);
  return list;
}

inline host::Bitmap Picture(int width, int height, host::BMM_Color_64 fill = {}) {
  host::Bitmap b;
  EXPECT_TRUE(b.Create(width, height));
  b.Fill(fill);
  return b;
}

struct DrawOptions {
  int samples = 8;
  std::int64_t budget = std::int64_t{1} << 30;
  int bandRowLimit = 0;  // 0: the rasterizer's choice
  bool blend = false;
  bool perspective = false;
};

// Draws `list` into `target`; returns the bands used (0 when Allocate failed).
inline int Draw(pw::LineOutlineList& list, host::Bitmap& target, const DrawOptions& o = {}) {
  pw::LineRasterizer r;
  r.SetBandRowLimit(o.bandRowLimit);
  if (r.Allocate(target, o.samples, o.budget, o.perspective) != pw::RasterAllocation::Ok) return 0;
  EXPECT_TRUE(r.Draw(list, o.blend));
  r.Release();
  return r.BandsDrawn();
}

inline host::Bitmap Drawn(const std::vector<SegmentSpec>& specs, int width, int height, const DrawOptions& o = {}) {
  pw::LineOutlineList list = OutlinesOf(specs, o.perspective);
  host::Bitmap b = Picture(width, height);
  Draw(list, b, o);
  return b;
}

// Sends the warnings to `messages` while the test runs.
class CapturedWarnings : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = host::TheInterfaceState();
    host::SetNetworkRender(true);
    host::SetLogSink([this](std::string_view text) { messages.emplace_back(text); });
  }
  void TearDown() override { host::TheInterfaceState() = saved_; }

  std::vector<std::string> messages;

 private:
  host::InterfaceState saved_;
};

}  // namespace pw_test
