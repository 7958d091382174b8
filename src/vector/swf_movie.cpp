#include "vector/swf_movie.h"

#include <algorithm>
#include <cmath>

namespace pw::swf {

namespace {

// Coordinates beyond this many twips (about 50 million pixels) are clamped:
// they can only come from degenerate projections and must not overflow.
constexpr float kMaxTwips = 1.0e9f;

}  // namespace

void Movie::Begin(float minX, float minY, float maxX, float maxY, double framesPerSecond, Rgba background) {
  tags_.clear();
  frames_ = 0;
  nextShapeId_ = 1;
  outOfIds_ = false;
  polygons_ = lineCount_ = 0;
  placedDepths_ = 0;
  BeginFrame();
  if (!(maxX > minX) || !(maxY > minY)) {
    minX = minY = 0.0f;
    maxX = maxY = 1.0f;
  }
  originX_ = minX;
  originY_ = minY;
  stage_ = Rect{0, Twips(maxX, minX), 0, Twips(maxY, minY)};
  framesPerSecond_ = framesPerSecond > 0.0 ? framesPerSecond : 30.0;
  background_ = background;
}

std::int32_t Movie::Twips(float v, float origin) const {
  const float t = (v - origin) * static_cast<float>(kTwipsPerPixel);
  if (!(t == t)) return 0;  // NaN
  return static_cast<std::int32_t>(std::lround(std::clamp(t, -kMaxTwips, kMaxTwips)));
}

std::uint16_t Movie::TakeShapeId() {
  if (nextShapeId_ > kMaxShapeId) {
    outOfIds_ = true;
    return 0;
  }
  return static_cast<std::uint16_t>(nextShapeId_++);
}

void Movie::BeginFrame() {
  surfaceShapes_.clear();
  lineShapes_.clear();
  pieces_.clear();
  lineStyles_.clear();
  runOpen_ = false;
}

void Movie::AddPolygon(Rgba colour, std::span<const Point> points) {
  if (points.size() < 3) return;
  scratch_.clear();
  for (const Point& p : points) {
    scratch_.push_back(Twips(p.x, originX_));
    scratch_.push_back(Twips(p.y, originY_));
  }
  const std::size_t n = points.size();
  std::int64_t area2 = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = (i + 1) % n;
    area2 += static_cast<std::int64_t>(scratch_[2 * i]) * scratch_[2 * j + 1] -
             static_cast<std::int64_t>(scratch_[2 * j]) * scratch_[2 * i + 1];
  }
  if (area2 == 0) return;  // nothing to fill at twip resolution

  if (runOpen_ && !(colour == runColour_)) EndSurfaces();
  if (!runOpen_) {
    shape_.Reset();
    shape_.AddFill(colour);
    runColour_ = colour;
    runOpen_ = true;
  }
  // Every polygon of a shape goes round the same way, so that under the
  // non-zero rule overlaps add up instead of cancelling.
  auto at = [&](std::size_t k) {
    const std::size_t i = area2 > 0 ? k % n : (n - k % n) % n;
    return std::pair{scratch_[2 * i], scratch_[2 * i + 1]};
  };
  const auto [x0, y0] = at(0);
  shape_.MoveTo(x0, y0, 1, 0);
  for (std::size_t k = 1; k <= n; ++k) {
    const auto [x, y] = at(k);
    shape_.LineTo(x, y);
  }
  ++polygons_;
}

void Movie::EndSurfaces() {
  if (!runOpen_) return;
  runOpen_ = false;
  if (shape_.Empty()) return;
  const std::uint16_t id = TakeShapeId();
  if (id == 0) return;
  shape_.Finish(tags_, id);
  surfaceShapes_.push_back(id);
}

void Movie::AddLine(Point a, Point b, float widthPixels, Rgba colour) {
  const auto width = static_cast<std::uint16_t>(
      std::lround(std::clamp(widthPixels, 0.0f, 65535.0f / kTwipsPerPixel) * kTwipsPerPixel));
  int style = -1;
  // Objects use a handful of widths and colours; the newest is the likeliest.
  for (int i = static_cast<int>(lineStyles_.size()) - 1; i >= 0; --i) {
    const ShapeBuilder::LineStyle& s = lineStyles_[static_cast<std::size_t>(i)];
    if (s.widthTwips == width && s.colour == colour) {
      style = i;
      break;
    }
  }
  if (style < 0) {
    if (static_cast<int>(lineStyles_.size()) == kMaxStylesPerShape) EndLines();
    lineStyles_.push_back({width, colour});
    style = static_cast<int>(lineStyles_.size()) - 1;
  }
  pieces_.push_back(Piece{Twips(a.x, originX_), Twips(a.y, originY_), Twips(b.x, originX_), Twips(b.y, originY_), style});
  ++lineCount_;
}

void Movie::EndLines() {
  if (pieces_.empty()) {
    lineStyles_.clear();
    return;
  }
  shape_.Reset();
  for (const ShapeBuilder::LineStyle& s : lineStyles_) shape_.AddLineStyle(s);
  bool haveEnd = false;
  std::int32_t endX = 0, endY = 0;
  int endStyle = -1;
  for (const Piece& p : pieces_) {
    // Pieces that continue where the last one ended in the same style extend
    // its path instead of starting a new one.
    if (!haveEnd || p.x0 != endX || p.y0 != endY || p.style != endStyle) {
      shape_.MoveTo(p.x0, p.y0, 0, p.style + 1);
    }
    if (p.x1 == p.x0 && p.y1 == p.y0) {
      // A dot: the player draws nothing for an edge of no length, so give
      // it one twip, which round caps make a disc of the line's width.
      shape_.LineTo(p.x1 + 1, p.y1);
      endX = p.x1 + 1;
    } else {
      shape_.LineTo(p.x1, p.y1);
      endX = p.x1;
    }
    endY = p.y1;
    endStyle = p.style;
    haveEnd = true;
  }
  pieces_.clear();
  lineStyles_.clear();
  const std::uint16_t id = TakeShapeId();
  if (id == 0) return;
  shape_.Finish(tags_, id);
  lineShapes_.push_back(id);
}

void Movie::EndFrame() {
  EndSurfaces();
  EndLines();
  for (int depth = 1; depth <= placedDepths_; ++depth) WriteRemoveObject(tags_, static_cast<std::uint16_t>(depth));
  int depth = 0;
  for (std::uint16_t id : surfaceShapes_) WritePlaceObject(tags_, static_cast<std::uint16_t>(++depth), id);
  for (std::uint16_t id : lineShapes_) WritePlaceObject(tags_, static_cast<std::uint16_t>(++depth), id);
  placedDepths_ = depth;
  WriteShowFrame(tags_);
  ++frames_;
}

void Movie::Write(std::vector<std::uint8_t>& out) const {
  const std::size_t start = out.size();
  const auto frames = static_cast<std::uint16_t>(std::min(frames_, 65535));
  WriteFileHeader(out, stage_, framesPerSecond_, frames, 0);
  WriteFileAttributes(out);
  WriteSetBackgroundColor(out, background_);
  out.insert(out.end(), tags_.begin(), tags_.end());
  WriteEnd(out);
  // The length field counts the whole file, header included.
  const auto length = static_cast<std::uint32_t>(out.size() - start);
  for (int i = 0; i < 4; ++i) out[start + 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
}

}  // namespace pw::swf
