// A Flash movie built frame by frame in memory: shapes of merged polygons
// and of line pieces, placed on the stage and shown one frame at a time.
//
// Each frame replaces the whole display list: the previous frame's shapes are
// removed and the new ones placed, surfaces first in the order given, then
// every line shape above all surfaces (lines are drawn over the surfaces, as
// in a raster picture). Polygons that follow one another with the same
// colour within one object go into one shape; a shape fills with the
// non-zero rule, so overlapping polygons of a shape stay filled.
//
// Shape ids are 16-bit and never reused (the player keeps every defined shape
// for the whole movie), so a movie holds at most 65535 shapes; past that the
// movie stops defining shapes and says so through OutOfShapeIds.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vector/swf_encoder.h"

namespace pw::swf {

struct Point {
  float x = 0.0f, y = 0.0f;  // image pixels, y down
};

class Movie {
 public:
  static constexpr std::uint32_t kMaxShapeId = 65535;
  // Styles per shape are limited by the 4-bit size of the style index field.
  static constexpr int kMaxStylesPerShape = 32767;

  // Starts an empty movie whose stage covers the image rectangle
  // [minX, maxX] x [minY, maxY] (pixels); the stage's top left is (minX, minY).
  void Begin(float minX, float minY, float maxX, float maxY, double framesPerSecond, Rgba background);

  void BeginFrame();
  // Surfaces, in painting order. A run of polygons with one colour becomes
  // one shape; EndSurfaces ends the run (call it at the end of each object).
  void AddPolygon(Rgba colour, std::span<const Point> points);
  void EndSurfaces();
  // One straight line piece (a dash or a whole solid segment) with round
  // ends; EndLines makes the object's pieces one shape.
  void AddLine(Point a, Point b, float widthPixels, Rgba colour);
  void EndLines();
  void EndFrame();

  // The whole file: header, attributes, background, every frame, end tag.
  void Write(std::vector<std::uint8_t>& out) const;

  int FrameCount() const { return frames_; }
  std::uint32_t ShapeCount() const { return nextShapeId_ - 1; }
  bool OutOfShapeIds() const { return outOfIds_; }
  std::size_t PolygonCount() const { return polygons_; }
  std::size_t LineCount() const { return lineCount_; }

 private:
  struct Piece {
    std::int32_t x0, y0, x1, y1;
    int style;  // index into lineStyles_
  };

  std::int32_t Twips(float v, float origin) const;
  // The next shape id, or 0 when all are used.
  std::uint16_t TakeShapeId();

  Rect stage_{};
  float originX_ = 0.0f, originY_ = 0.0f;
  double framesPerSecond_ = 30.0;
  Rgba background_{255, 255, 255, 255};

  std::vector<std::uint8_t> tags_;  // every tag after the background, in order
  int frames_ = 0;
  std::uint32_t nextShapeId_ = 1;
  bool outOfIds_ = false;
  std::size_t polygons_ = 0, lineCount_ = 0;

  // The frame being built.
  std::vector<std::uint16_t> surfaceShapes_, lineShapes_;
  int placedDepths_ = 0;  // depths 1..n hold the previous frame's shapes

  // The open surface run.
  ShapeBuilder shape_;
  Rgba runColour_{};
  bool runOpen_ = false;

  std::vector<std::int32_t> scratch_;  // one polygon in twips, x y pairs

  // The object's line pieces, turned into a shape at EndLines.
  std::vector<Piece> pieces_;
  std::vector<ShapeBuilder::LineStyle> lineStyles_;
};

}  // namespace pw::swf
