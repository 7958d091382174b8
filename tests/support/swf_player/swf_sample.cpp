// Writes a three-frame movie through the Flash writer, and for every frame
// the writer's own raster preview of the same drawing, for the test that
// plays the movie in a real player and compares its frames with the previews.
//
//   swf_sample OUTDIR     -> OUTDIR/sample.swf, OUTDIR/preview_0.png ... preview_2.png
#include <cstdio>
#include <string>
#include <vector>

#include "host/imaging/bitmap.h"
#include "host/imaging/image_io.h"
#include "vector/vector_format_swf.h"

using namespace pw;

namespace {

class Polygons : public PwVectorSurfaceSource {
 public:
  std::vector<PwVectorPolygonRecord> polygons;
  bool BuildPolygons(std::vector<PwVectorPolygonRecord>& out) override {
    out = polygons;
    return true;
  }
};

PwVectorPolygonRecord Poly(std::initializer_list<PwVectorPoint> pts, float depth, PwVectorColor colour) {
  PwVectorPolygonRecord r;
  r.color = colour;
  r.depth = depth;
  for (const PwVectorPoint& p : pts) r.points[r.count++] = p;
  return r;
}

struct Line {
  PwVectorPoint a, b;
  float width;
  std::int32_t pattern;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: swf_sample OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  constexpr float kW = 320, kH = 240;
  const PwVectorColor red{0xE000, 0x2000, 0x2000, 0xFFFF}, blue{0x2000, 0x4000, 0xD000, 0xFFFF},
      green{0x3000, 0xB000, 0x3000, 0xFFFF};

  PwVectorFormatSWF w;
  w.SetParameters(PwVectorFormatParamsSWF{});
  w.fileName = dir + "/sample.swf";
  w.frameInfo.framesPerSecond = 24;
  w.BeginSequence();
  for (int f = 0; f < 3; ++f) {
    const float s = 60.0f * static_cast<float>(f);  // the box moves right frame by frame
    Polygons box, back;
    // Two triangles of one colour that overlap, and a nearer green one.
    box.polygons = {Poly({{30 + s, 40}, {130 + s, 40}, {30 + s, 140}}, -5, red),
                    Poly({{130 + s, 40}, {130 + s, 140}, {30 + s, 140}, {50 + s, 60}}, -5, red),
                    Poly({{80 + s, 90}, {150 + s, 110}, {90 + s, 170}}, -2, green)};
    back.polygons = {Poly({{10, 150}, {310, 150}, {310, 230}, {10, 230}}, -20, blue)};
    const std::vector<Line> lines = {
        {{30 + s, 40}, {130 + s, 40}, 2.0f, -1},     {{130 + s, 40}, {130 + s, 140}, 2.0f, -1},
        {{130 + s, 140}, {30 + s, 140}, 2.0f, -1},   {{30 + s, 140}, {30 + s, 40}, 2.0f, -1},
        {{10, 20}, {310, 220}, 1.5f, 0x001FFFFF},    {{20, 230}, {300, 10}, 3.0f, 0x07070707},
    };

    host::Bitmap preview;
    w.bounds[0] = 0;
    w.bounds[1] = 0;
    w.bounds[2] = kW;
    w.bounds[3] = kH;
    w.preview = &preview;
    w.ResetAttributes();
    if (!w.BeginFrame(true, true, true, true)) return 1;
    for (Polygons* object : {&back, &box}) {
      PwVectorObject o;
      o.surfaces = object;
      w.BeginObject(o);
      w.BeginSurfaces();
      w.EndSurfaces();
      w.BeginLines();
      if (object == &box) {
        for (const Line& l : lines) {
          w.lineWidth = l.width;
          w.dashPattern = l.pattern;
          w.dashCell = l.width;
          w.strokeColor = {0, 0, 0, 0xFFFF};
          w.DrawSegment(l.a, l.b);
          w.lastLineWidth = w.lineWidth;
          w.lastDashPattern = w.dashPattern;
          w.lastStrokeColor = w.strokeColor;
        }
      }
      w.EndLines();
      w.EndObject();
    }
    std::string error;
    if (!host::WriteImage(dir + "/preview_" + std::to_string(f) + ".png", preview, {}, &error)) {
      std::fprintf(stderr, "swf_sample: %s\n", error.c_str());
      return 1;
    }
    if (!w.EndFrame()) return 1;
  }
  return w.EndSequence() ? 0 : 1;
}
