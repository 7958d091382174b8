// Memory, bands and the order of drawing. Scan conversion is in
// line_scan.cpp, the subsample average in line_resolve.cpp.
#include "lines/line_rasterizer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/services/interface.h"
#include "lines/available_memory.h"

namespace pw {

namespace {

// Sample edges are kept this far inside the picture, so that an outline
// reaching exactly to the border fills the border pixels but nothing beyond.
constexpr double kEdgeInset = 0.001;

// Band height when no limit is set: a few rows of subsamples go through the
// caches far faster than a band the size of the picture, and cost only some
// outlines drawn in two bands. Measured with bench_line_raster.
constexpr std::int64_t kPreferredBandSubsampleBytes = std::int64_t{4} << 20;

int PreferredBandRows(int width, int samples) {
  const std::int64_t perRow = BandBuffer::SubsampleRowBytes(width, samples);
  return static_cast<int>(std::clamp<std::int64_t>(kPreferredBandSubsampleBytes / perRow, 1, 1 << 20));
}

}  // namespace

RasterAllocation LineRasterizer::Allocate(host::Bitmap& target, int samples, std::int64_t budgetBytes,
                                          bool perspective) {
  Release();
  if (target.Empty() || samples < 1 || samples > kMaxSamples) return RasterAllocation::InvalidArguments;
  const int width = target.Width();
  const int height = target.Height();

  const std::int64_t rowBytes = BandBuffer::SubsampleRowBytes(width, samples);
  std::int64_t limit = budgetBytes;
  if (const std::int64_t available = AvailablePhysicalMemory(); available >= 0) limit = std::min(limit, available);
  if (limit < rowBytes) {
    host::WarningMessage("%s", kTooLittleLineMemoryMessage);
    return RasterAllocation::TooLittleMemory;
  }
  budgetBandRows_ = static_cast<int>(std::min<std::int64_t>(limit / rowBytes, height));

  int rows = std::min(budgetBandRows_, bandRowLimit_ > 0 ? bandRowLimit_ : PreferredBandRows(width, samples));
  // The touched bits and ranges come out of the budget too; a budget that
  // holds one row of subsamples but not its bookkeeping draws without it.
  const std::int64_t trackedRowBytes = rowBytes + BandBuffer::TrackingRowBytes(width);
  rows = static_cast<int>(std::min<std::int64_t>(rows, limit / trackedRowBytes));
  const bool tracked = rows >= 1;
  if (!tracked) rows = 1;

  if (!band_.Reserve({width, samples, rows, tracked}, limit)) {
    host::WarningMessage("Not enough memory for the line rasterizer (%lld bytes).",
                         static_cast<long long>(rows * (tracked ? trackedRowBytes : rowBytes)));
    return RasterAllocation::OutOfMemory;
  }
  target_ = &target;
  samples_ = samples;
  perspective_ = perspective;
  bandRows_ = rows;
  return RasterAllocation::Ok;
}

void LineRasterizer::FreeMemory() {
  Release();
  band_.Free();
  outlineRows_ = {};
  pairStamp_ = {};
  pairDecision_ = {};
  carried_ = {};
}

void LineRasterizer::PrepareOutlines(LineOutlineList& list) {
  const double s = samples_;
  const double subWidth = s * target_->Width();
  const double subHeight = s * target_->Height();
  outlineRows_.resize(list.outlines.size());
  for (std::size_t i = 0; i < list.outlines.size(); ++i) {
    LineOutline& o = list.outlines[i];
    OutlineRows& rows = outlineRows_[i];
    rows = OutlineRows{};
    o.skip = 1;
    float minX = std::numeric_limits<float>::infinity();
    float maxX = -minX;
    float minY = minX;
    float maxY = -minX;
    bool finite = o.pointCount > 0;
    for (const OutlinePoint& p : list.PointsOf(o)) {
      finite = finite && std::isfinite(p.x) && std::isfinite(p.y);
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
    if (!finite) continue;
    // Sample rows and columns whose centres the outline's box holds,
    // within the picture.
    const double firstRow = std::max(std::ceil(minY * s - 0.5), 0.0);
    const double lastRow = std::min(std::floor(maxY * s + 0.5) - 1.0, subHeight - 1.0);
    const double left = std::max(minX * s, kEdgeInset);
    const double right = std::min(maxX * s, subWidth - kEdgeInset);
    if (firstRow > lastRow || !(left <= right) || std::ceil(left - 0.5) > std::floor(right - 0.5)) continue;
    rows.first = static_cast<std::int32_t>(firstRow);
    rows.last = static_cast<std::int32_t>(lastRow);
    o.skip = 0;
  }
}

void LineRasterizer::Draw(LineOutlineList& list, bool blend) {
  bandsDrawn_ = 0;
  if (!target_ || list.Empty()) return;
  BuildPalette(list, palette_);
  PrepareOutlines(list);
  if (!palette_.Single()) {
    pairStamp_.assign(list.outlines.size(), 0);
    pairDecision_.assign(list.outlines.size(), DepthDecision::Undecided);
    stamp_ = 0;
    carried_.Clear();
  }
  const int height = target_->Height();
  for (int top = 0; top < height; top += bandRows_) {
    const int rows = std::min(bandRows_, height - top);
    DrawBand(list, top, rows);
    Resolve(list, top, rows, blend);
    band_.ResetTouched();
    ++bandsDrawn_;
  }
}

void LineRasterizer::DrawBand(const LineOutlineList& list, int top, int rows) {
  const std::int32_t firstRow = top * samples_;
  const std::int32_t lastRow = (top + rows) * samples_ - 1;
  const auto count = static_cast<std::uint32_t>(list.outlines.size());
  for (std::uint32_t i = 0; i < count; ++i) {
    const OutlineRows& r = outlineRows_[i];
    if (list.outlines[i].skip || r.last < firstRow || r.first > lastRow) continue;
    if (palette_.Single()) {
      Scan<true>(list, i, top);
    } else {
      startedAbove_ = r.first < firstRow;
      continuesBelow_ = r.last > lastRow;
      if (++stamp_ == 0) {
        std::fill(pairStamp_.begin(), pairStamp_.end(), 0);
        stamp_ = 1;
      }
      Scan<false>(list, i, top);
    }
  }
}

}  // namespace pw
