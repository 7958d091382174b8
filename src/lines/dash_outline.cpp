// The polygon of one dash: a quadrilateral for a square brush, a stadium
// (two half circles joined by the sides) or a disc for a circle brush.
#include <array>
#include <cmath>
#include <numbers>

#include "lines/line_outline.h"
#include "styles/dash_layout.h"

namespace pw {

namespace {

// The disc's corner step: 20 degrees, as the single-precision value the
// outlines have always been built with.
constexpr float kDiscStep = 0.3490658700466156f;

// Two half circles of at most kMaxArcPieces pieces, plus their four ends.
constexpr int kMaxArcPieces = 20;
constexpr int kMaxCorners = 4 + 2 * (kMaxArcPieces - 1);

struct Vec {
  double x = 0.0;
  double y = 0.0;
};

Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(Vec a, double k) { return {a.x * k, a.y * k}; }

// Corners are collected here before they go to the shared list, so a dash
// costs no allocation of its own.
class Corners {
 public:
  void Add(Vec p) { points_[count_++] = {static_cast<float>(p.x), static_cast<float>(p.y)}; }
  std::span<const OutlinePoint> Span() const { return std::span<const OutlinePoint>(points_.data(), count_); }

 private:
  std::array<OutlinePoint, kMaxCorners> points_{};
  std::size_t count_ = 0;
};

// A negative or undefined width draws as no width.
double HalfWidth(float width) { return width > 0.0f ? 0.5 * static_cast<double>(width) : 0.0; }

// Half circle around `centre` from angle `from` on, in `pieces` steps of
// pi / pieces; its two ends are not added.
void AddArc(Corners& c, Vec centre, double radius, double from, int pieces) {
  for (int i = 1; i < pieces; ++i) {
    const double angle = from + i * std::numbers::pi / pieces;
    c.Add(centre + Vec{std::cos(angle), std::sin(angle)} * radius);
  }
}

// A around the back half circle to B around the front one; n points to
// the left of A->B.
void AddRoundCapped(Corners& c, Vec a, Vec b, Vec n, double ra, double rb) {
  const double theta = std::atan2(n.y, n.x);
  c.Add(a + n * ra);
  AddArc(c, a, ra, theta, ArcPieces(ra));
  c.Add(a - n * ra);
  c.Add(b - n * rb);
  AddArc(c, b, rb, theta + std::numbers::pi, ArcPieces(rb));
  c.Add(b + n * rb);
}

void AddQuad(Corners& c, Vec a, Vec b, Vec n, double ra, double rb) {
  c.Add(a + n * ra);
  c.Add(b + n * rb);
  c.Add(b - n * rb);
  c.Add(a - n * ra);
}

void AddDisc(Corners& c, Vec centre, double radius) {
  for (int i = 0; i < kDiscCorners; ++i) {
    const double angle = i * static_cast<double>(kDiscStep);
    c.Add(centre + Vec{std::cos(angle), std::sin(angle)} * radius);
  }
}

}  // namespace

int ArcPieces(double r) {
  if (r <= 1.0) return 1;
  if (r <= 2.0) return 3;
  if (r <= 3.0) return 4;
  if (r <= 10.0) return 6;
  if (r <= 20.0) return 8;
  if (r <= 30.0) return 14;
  return 20;
}

void AppendDashOutline(const LineSegment& segment, const LineEnd& startEnd, const LineEnd& endEnd,
                       LineOutlineList& out) {
  const DashCap cap = DashCapFor(segment.capping, segment.brushShape == kBrushSquare);
  if (cap == DashCap::None || (segment.brushShape != kBrushCircle && segment.brushShape != kBrushSquare)) return;

  const Vec a{startEnd.sx, startEnd.sy};
  const Vec b{endEnd.sx, endEnd.sy};
  const double ra = HalfWidth(startEnd.width);
  const double rb = HalfWidth(endEnd.width);
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  // A dash of no length has no direction of its own; any will do, as its
  // shape is then the brush's tip alone.
  const Vec d = length > 0.0 && std::isfinite(length) ? (b - a) * (1.0 / length) : Vec{1.0, 0.0};
  const Vec n{-d.y, d.x};

  Corners c;
  switch (cap) {
    case DashCap::Butt: AddQuad(c, a, b, n, ra, rb); break;
    case DashCap::SquareExtend: AddQuad(c, a - d * ra, b + d * rb, n, ra, rb); break;
    case DashCap::RoundOutside: AddRoundCapped(c, a, b, n, ra, rb); break;
    case DashCap::RoundInside:
      // The rounded ends stay within the dash: the cap centres move inwards
      // by their radii, and a dash too short for that becomes one disc.
      if (length - ra - rb <= 0.0) {
        AddDisc(c, (a + b) * 0.5, 0.5 * (ra + rb));
      } else {
        AddRoundCapped(c, a + d * ra, b - d * rb, n, ra, rb);
      }
      break;
    case DashCap::None: return;
  }

  LineOutline o;
  o.red = segment.red;
  o.green = segment.green;
  o.blue = segment.blue;
  o.alpha = segment.alpha;
  o.start = {startEnd.sx, startEnd.sy, startEnd.z};
  o.end = {endEnd.sx, endEnd.sy, endEnd.z};
  out.Add(o, c.Span());
}

}  // namespace pw
