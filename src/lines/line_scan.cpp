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
#include "lines/subsample_words_internal.h"

namespace pw {

namespace {

// One side of the outline from its top corner down to its bottom corner,
// walking the corners forwards (the right chain) or backwards (the left).
class Chain {
 public:
  Chain(std::span<const OutlinePoint> points, double scale, int top, int bottom, int step)
      : points_(points), scale_(scale), bottom_(top == bottom ? -1 : bottom), step_(step), current_(top) {
    next_ = Step(top);
    Enter();
  }

  // x (subsamples) where the side crosses the row centre y, for y growing
  // from call to call. Edges that end above y are left behind; a corner on
  // the row centre belongs to the edge above it.
  double XAt(double y) {
    while (current_ != bottom_ && y1_ < y) {
      current_ = next_;
      next_ = Step(current_);
      Enter();
    }
    return current_ == bottom_ ? x0_ : x0_ + (y - y0_) * slope_;
  }

 private:
  int Step(int i) const {
    const int n = static_cast<int>(points_.size());
    return (i + step_ + n) % n;
  }
  void Enter() {
    const OutlinePoint& a = points_[static_cast<std::size_t>(current_)];
    const OutlinePoint& b = points_[static_cast<std::size_t>(next_)];
    x0_ = a.x * scale_;
    y0_ = a.y * scale_;
    y1_ = b.y * scale_;
    double height = y1_ - y0_;
    if (height == 0.0) height = 1.0;
    slope_ = (b.x * scale_ - x0_) / height;
  }

  std::span<const OutlinePoint> points_;
  double scale_;
  int bottom_;  // -1: a flat outline; the walk never leaves its top corner
  int step_;
  int current_;
  int next_ = 0;
  double x0_ = 0.0, y0_ = 0.0, y1_ = 0.0, slope_ = 0.0;
};

// ceil and floor of values held to the picture's subsample range; the
// library calls are not inlined for the baseline instruction set.
int CeilInRange(double v) {
  const int t = static_cast<int>(v);  // towards zero
  return t < v ? t + 1 : t;
}
int FloorInRange(double v) {
  const int t = static_cast<int>(v);
  return t > v ? t - 1 : t;
}

}  // namespace

// Inlined into the scan: a call per subsample row spills the chains'
// state around it.
__attribute__((always_inline)) inline void LineRasterizer::ScanRowSeveralColours(const LineOutlineList& list,
                                                                                 std::uint32_t index, int subRow,
                                                                                 int bandRow, int x0, int x1) {
  std::uint8_t* colours = band_.Colours(bandRow);
  std::int32_t* owners = band_.Owners(bandRow);
  const LineOutline& o = list.outlines[index];
  const std::uint8_t c = o.paletteIndex;
  const bool exact = palette_.Exact(c);
  const std::uint64_t ownWord = c * kByteOnes;
  const auto self = static_cast<std::int32_t>(index);
  auto decision = [&](std::uint32_t older, int x) {
    return pairStamp_[older] == stamp_ ? pairDecision_[older] : Decide(list, index, older, x, subRow);
  };
  int x = x0;
  while (x <= x1) {
    // Eight subsamples at a time where they are all empty, all this
    // outline's colour already, or all one other outline's: what most of
    // a span is.
    if (x + 8 <= x1 + 1) {
      const std::uint64_t w = Word(colours + x);
      if (w == kEmptyWord) {
        std::memcpy(colours + x, &ownWord, sizeof ownWord);
        std::fill_n(owners + x, 8, self);
        x += 8;
        continue;
      }
      if (w == ownWord && exact) {
        x += 8;
        continue;
      }
      const std::uint8_t held = colours[x];
      const std::int32_t older = owners[x];
      if (w == held * kByteOnes && held != c && std::all_of(owners + x + 1, owners + x + 8,
                                                            [older](std::int32_t v) { return v == older; })) {
        if (decision(static_cast<std::uint32_t>(older), x) == DepthDecision::Replace) {
          std::memcpy(colours + x, &ownWord, sizeof ownWord);
          std::fill_n(owners + x, 8, self);
        }
        x += 8;
        continue;
      }
    }
    const int end = std::min(x + 8, x1 + 1);
    for (; x < end; ++x) {
      const std::uint8_t held = colours[x];
      if (held == c && (exact || ColourOf(list.outlines[static_cast<std::size_t>(owners[x])]) == ColourOf(o))) continue;
      if (held != BandBuffer::kEmpty && decision(static_cast<std::uint32_t>(owners[x]), x) != DepthDecision::Replace)
        continue;
      colours[x] = c;
      owners[x] = self;
    }
  }
}

template <bool kSingleColour>
void LineRasterizer::Scan(const LineOutlineList& list, std::uint32_t index, int top) {
  const LineOutline& o = list.outlines[index];
  const std::span<const OutlinePoint> points = list.PointsOf(o);
  const OutlineRows& rows = outlineRows_[index];
  const double scale = samples_;
  Chain left(points, scale, rows.topCorner, rows.bottomCorner, -1);
  Chain right(points, scale, rows.topCorner, rows.bottomCorner, +1);

  const int s = samples_;
  const double subWidth = static_cast<double>(s) * target_->Width();
  const int bandFirst = top * s;
  const int first = std::max(rows.first, bandFirst);
  const int last = std::min(rows.last, bandFirst + bandRows_ * s - 1);
  // The spans of one pixel row's subsample rows join into one run of
  // touched pixels (the outline is convex), marked once per pixel row.
  int touchedRow = -1, touchedLo = 0, touchedHi = -1;
  auto flushTouched = [&] {
    if (touchedHi >= touchedLo) band_.Touch(touchedRow, touchedLo, touchedHi);
  };
  for (int j = first; j <= last; ++j) {
    const double y = j + 0.5;
    const double xl = left.XAt(y);
    const double xr = right.XAt(y);
    const double lo = std::max(std::min(xl, xr), kSampleEdgeInset);
    const double hi = std::min(std::max(xl, xr), subWidth - kSampleEdgeInset);
    if (!(lo <= hi)) continue;
    const int x0 = CeilInRange(lo - 0.5);
    const int x1 = FloorInRange(hi - 0.5);
    if (x0 > x1) continue;
    const int bandRow = j - bandFirst;
    if constexpr (kSingleColour) {
      std::memset(band_.Colours(bandRow) + x0, o.paletteIndex, static_cast<std::size_t>(x1 - x0 + 1));
    } else {
      ScanRowSeveralColours(list, index, j, bandRow, x0, x1);
    }
    const int pixelRow = PixelOf(bandRow);
    if (pixelRow != touchedRow) {
      flushTouched();
      touchedRow = pixelRow;
      touchedLo = PixelOf(x0);
      touchedHi = PixelOf(x1);
    } else {
      touchedLo = std::min(touchedLo, PixelOf(x0));
      touchedHi = std::max(touchedHi, PixelOf(x1));
    }
  }
  flushTouched();
}

template void LineRasterizer::Scan<true>(const LineOutlineList&, std::uint32_t, int);
template void LineRasterizer::Scan<false>(const LineOutlineList&, std::uint32_t, int);

DepthDecision LineRasterizer::Decide(const LineOutlineList& list, std::uint32_t newer, std::uint32_t older, int x,
                                     int subRow) {
  // Only a pair that both reach into earlier bands can have been decided
  // there, and only one that both reach into later bands can meet again.
  const OutlineRows& o = outlineRows_[older];
  DepthDecision d =
      startedAbove_ && o.firstBand < currentBand_ ? carried_.Find(newer, older) : DepthDecision::Undecided;
  if (d == DepthDecision::Undecided) {
    const double s = samples_;
    d = DecideDepth(list.outlines[newer], list.outlines[older], (x + 0.5) / s, (subRow + 0.5) / s, perspective_);
    if (continuesBelow_ && o.lastBand > currentBand_) carried_.Insert(newer, older, d);
  }
  pairStamp_[older] = stamp_;
  pairDecision_[older] = d;
  return d;
}

}  // namespace pw
