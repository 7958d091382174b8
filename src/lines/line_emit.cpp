#include "lines/line_emit.h"

#include <cmath>

namespace pw {

namespace {

constexpr double kMinPieceLength = 0.001;  // pixels

LineEnd EndAt(const SegmentEnd& a, const SegmentEnd& b, double s, bool perspective) {
  const double u = perspective ? PerspectiveParameter(s, a.pos.z, b.pos.z) : s;
  auto lerp = [](double p, double q, double t) { return static_cast<float>(p + (q - p) * t); };
  LineEnd e;
  e.x = lerp(a.pos.x, b.pos.x, u);
  e.y = lerp(a.pos.y, b.pos.y, u);
  e.z = lerp(a.pos.z, b.pos.z, u);
  e.sx = lerp(a.pos.sx, b.pos.sx, s);
  e.sy = lerp(a.pos.sy, b.pos.sy, s);
  e.width = lerp(a.thickness, b.thickness, u);  // thickness until widths are known
  return e;
}

LineEnd EndOf(const SegmentEnd& p) { return {p.pos.x, p.pos.y, p.pos.z, p.pos.sx, p.pos.sy, p.thickness}; }

}  // namespace

Color16 PieceColor(const PieceDraw& draw, const SegmentInfo& info, const LinePlan& plan) {
  const MaterialTags& tags = plan.tags;
  const int index = tags.Index(info.materialId);
  Color16 c;
  if (tags.count > 0 && tags.hasColor[static_cast<std::size_t>(index)]) {
    c = tags.color[static_cast<std::size_t>(index)];
  } else {
    if (draw.objectColor && !tags.colors.empty()) {
      const MaterialColors& m = tags.colors[static_cast<std::size_t>(index * 2 + (info.backSide ? 1 : 0))];
      switch (draw.source) {
        case ObjectColorSource::Ambient: c = ToColor16(m.ambient); break;
        case ObjectColorSource::Specular: c = ToColor16(m.specular); break;
        case ObjectColorSource::Diffuse:
        default: c = ToColor16(m.diffuse); break;
      }
    } else {
      c = draw.color;
      c.a = 65535;
    }
    if (draw.brightness != 1.0f) c = ApplyBrightness(c, draw.brightness);
  }
  const float v = plan.nodeVisibility;
  if (v != 1.0f) {
    c.a = static_cast<std::uint16_t>(v * 65535.0f);
    if (c.a != 65535) {
      const std::uint32_t f = std::uint32_t{c.a} + 1;
      c.r = static_cast<std::uint16_t>((c.r * f) >> 16);
      c.g = static_cast<std::uint16_t>((c.g * f) >> 16);
      c.b = static_cast<std::uint16_t>((c.b * f) >> 16);
    }
  }
  return c;
}

int EmitSegment(const SegmentEnd& a, const SegmentEnd& b, const SegmentInfo& info, const HiddenIntervals& hidden,
                const LinePlan& plan, const EmitView& view, LineStore& store) {
  const KindDraw& kind = plan.Draw(info.kind, info.sub);
  if (!kind.anyOn()) return 0;
  Color16 colors[2];
  bool colorDone[2] = {false, false};
  LineSegment seg;
  int stored = 0;
  ForEachPiece(hidden, [&](const Piece& piece) {
    const int v = piece.state == PieceState::Visible ? 0 : 1;
    const PieceDraw& draw = v == 0 ? kind.visible : kind.hidden;
    if (!draw.on) return;
    LineEnd s = piece.whole ? EndOf(a) : EndAt(a, b, piece.start, view.perspective);
    LineEnd e = piece.whole ? EndOf(b) : EndAt(a, b, piece.end, view.perspective);
    if (std::hypot(double(e.sx) - s.sx, double(e.sy) - s.sy) < kMinPieceLength) return;
    if (s.width == 0.0f && e.width == 0.0f) return;
    // Widths: the thickness so far is in .width.
    double width = draw.width, ws = draw.width, we = draw.width;
    if (draw.worldUnits) {
      width = draw.width * view.projectionScale;
      ws = we = width;
      if (view.perspective) {
        ws = s.z != 0.0f ? width / std::fabs(double(s.z)) : width;
        we = e.z != 0.0f ? width / std::fabs(double(e.z)) : width;
        width = 0.5 * (ws + we);
      }
    }
    s.width = static_cast<float>(ws * s.width);
    e.width = static_cast<float>(we * e.width);
    if (!colorDone[v]) {
      colors[v] = PieceColor(draw, info, plan);
      colorDone[v] = true;
    }
    const Color16& c = colors[v];
    seg.brushShape = draw.brushShape;
    seg.capping = draw.capping;
    seg.red = c.r;
    seg.green = c.g;
    seg.blue = c.b;
    seg.alpha = c.a;
    seg.brushWidth = static_cast<float>(width);
    seg.pattern = draw.pattern;
    seg.patternScale = draw.patternScale;
    seg.start = s;
    seg.end = e;
    store.Insert(seg);
    ++stored;
  });
  return stored;
}

}  // namespace pw
