// Scan conversion of one convex outline into the band's subsamples.
//
// A subsample is covered when its centre lies inside the outline or on its
// border. Each row's span is computed from the outline's own edges rather
// than from a copy clipped to the band, so an outline covers the very same
// subsamples whichever band it is drawn in: the picture does not depend on
// where the bands are cut.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "lines/line_rasterizer.h"

namespace pw {

namespace {

// Sample edges are kept this far inside the picture's border.
constexpr double kEdgeInset = 0.001;

// One side of the outline from its top corner down to its bottom corner,
// walking the corners forwards (the right chain) or backwards (the left).
class Chain {
 public:
  Chain(std::span<const OutlinePoint> points, double scale, int top, int bottom, int step)
      : points_(points), scale_(scale), bottom_(top == bottom ? -1 : bottom), step_(step), current_(top) {
    next_ = Step(top);
  }

  // x (subsamples) where the side crosses the row centre y. Edges that end
  // above y are left behind; a corner on the row centre belongs to the edge
  // above it.
  double XAt(double y) {
    while (current_ != bottom_ && Y(next_) < y) {
      current_ = next_;
      next_ = Step(current_);
    }
    if (current_ == bottom_) return X(current_);
    const double y0 = Y(current_);
    double height = Y(next_) - y0;
    if (height == 0.0) height = 1.0;
    return X(current_) + (y - y0) * ((X(next_) - X(current_)) / height);
  }

 private:
  int Step(int i) const {
    const int n = static_cast<int>(points_.size());
    return (i + step_ + n) % n;
  }
  double X(int i) const { return points_[static_cast<std::size_t>(i)].x * scale_; }
  double Y(int i) const { return points_[static_cast<std::size_t>(i)].y * scale_; }

  std::span<const OutlinePoint> points_;
  double scale_;
  int bottom_;  // -1: a flat outline; the walk never leaves its top corner
  int step_;
  int current_;
  int next_ = 0;
};

}  // namespace

template <bool kSingleColour>
void LineRasterizer::Scan(const LineOutlineList& list, std::uint32_t index, int top) {
  const LineOutline& o = list.outlines[index];
  const std::span<const OutlinePoint> points = list.PointsOf(o);
  int topCorner = 0;
  int bottomCorner = 0;
  for (int i = 1; i < static_cast<int>(points.size()); ++i) {
    if (points[static_cast<std::size_t>(i)].y < points[static_cast<std::size_t>(topCorner)].y) topCorner = i;
    if (points[static_cast<std::size_t>(i)].y > points[static_cast<std::size_t>(bottomCorner)].y) bottomCorner = i;
  }
  const double scale = samples_;
  Chain left(points, scale, topCorner, bottomCorner, -1);
  Chain right(points, scale, topCorner, bottomCorner, +1);

  const int s = samples_;
  const double subWidth = static_cast<double>(s) * target_->Width();
  const int bandFirst = top * s;
  const int first = std::max(outlineRows_[index].first, bandFirst);
  const int last = std::min(outlineRows_[index].last, bandFirst + bandRows_ * s - 1);
  for (int j = first; j <= last; ++j) {
    const double y = j + 0.5;
    const double xl = left.XAt(y);
    const double xr = right.XAt(y);
    const double lo = std::max(std::min(xl, xr), kEdgeInset);
    const double hi = std::min(std::max(xl, xr), subWidth - kEdgeInset);
    if (!(lo <= hi)) continue;
    const int x0 = static_cast<int>(std::ceil(lo - 0.5));
    const int x1 = static_cast<int>(std::floor(hi - 0.5));
    if (x0 > x1) continue;
    const int bandRow = j - bandFirst;
    if constexpr (kSingleColour) {
      std::memset(band_.Colours(bandRow) + x0, o.paletteIndex, static_cast<std::size_t>(x1 - x0 + 1));
    } else {
      ScanRowSeveralColours(list, index, j, bandRow, x0, x1);
    }
    band_.Touch(bandRow / s, x0 / s, x1 / s);
  }
}

template void LineRasterizer::Scan<true>(const LineOutlineList&, std::uint32_t, int);
template void LineRasterizer::Scan<false>(const LineOutlineList&, std::uint32_t, int);

void LineRasterizer::ScanRowSeveralColours(const LineOutlineList& list, std::uint32_t index, int subRow,
                                           int bandRow, int x0, int x1) {
  std::uint8_t* colours = band_.Colours(bandRow);
  std::int32_t* owners = band_.Owners(bandRow);
  const LineOutline& o = list.outlines[index];
  const std::uint8_t c = o.paletteIndex;
  const bool exact = palette_.Exact(c);
  const host::BMM_Color_64 colour = ColourOf(o);
  for (int x = x0; x <= x1; ++x) {
    const std::uint8_t held = colours[x];
    if (held == c && (exact || ColourOf(list.outlines[static_cast<std::size_t>(owners[x])]) == colour)) continue;
    if (held == BandBuffer::kEmpty ||
        Decide(list, index, static_cast<std::uint32_t>(owners[x]), x, subRow) == DepthDecision::Replace) {
      colours[x] = c;
      owners[x] = static_cast<std::int32_t>(index);
    }
  }
}

DepthDecision LineRasterizer::Decide(const LineOutlineList& list, std::uint32_t newer, std::uint32_t older, int x,
                                     int subRow) {
  if (pairStamp_[older] == stamp_) return pairDecision_[older];
  DepthDecision d = startedAbove_ ? carried_.Find(newer, older) : DepthDecision::Undecided;
  if (d == DepthDecision::Undecided) {
    const double s = samples_;
    d = DecideDepth(list.outlines[newer], list.outlines[older], (x + 0.5) / s, (subRow + 0.5) / s, perspective_);
    if (continuesBelow_) carried_.Insert(newer, older, d);
  }
  pairStamp_[older] = stamp_;
  pairDecision_[older] = d;
  return d;
}

}  // namespace pw
