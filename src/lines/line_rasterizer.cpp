// Memory, bands and the order of drawing. Scan conversion is in
// line_scan.cpp, the subsample average in line_resolve.cpp.
#include "lines/line_rasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <new>

#include "host/services/interface.h"
#include "lines/available_memory.h"

namespace pw {

namespace {

// Band height when no limit is set. A band of a few megabytes stays in the
// caches while its outlines are drawn and resolved; one the size of the
// picture does not, and the same frame takes about three times as long
// (bench_line_raster: 1920 x 1080 at 8 x 8, 50,000 segments, 1 to 8 rows
// per band all within a few per cent of each other).
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
  const auto unsignedSamples = static_cast<unsigned>(samples);
  sampleShift_ = std::has_single_bit(unsignedSamples) ? std::countr_zero(unsignedSamples) : -1;
  perspective_ = perspective;
  bandRows_ = rows;
  return RasterAllocation::Ok;
}

void LineRasterizer::FreeMemory() {
  Release();
  band_.Free();
  outlineRows_ = {};
  byFirstBand_ = {};
  bandStart_ = {};
  active_ = {};
  merged_ = {};
  pairStamp_ = {};
  pairDecision_ = {};
  carried_ = {};
}

void LineRasterizer::PrepareOutlines(LineOutlineList& list) {
  const double s = samples_;
  const double subWidth = s * target_->Width();
  const double subHeight = s * target_->Height();
  const std::int32_t bandSubRows = bandRows_ * samples_;
  outlineRows_.resize(list.outlines.size());
  for (std::size_t i = 0; i < list.outlines.size(); ++i) {
    LineOutline& o = list.outlines[i];
    OutlineRows& rows = outlineRows_[i];
    rows = OutlineRows{};
    o.skip = 1;
    const std::span<const OutlinePoint> points = list.PointsOf(o);
    if (points.empty() || points.size() > std::numeric_limits<std::uint16_t>::max()) continue;
    float minX = points[0].x;
    float maxX = minX;
    bool finite = true;
    std::size_t top = 0;
    std::size_t bottom = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
      const OutlinePoint& p = points[k];
      finite = finite && std::isfinite(p.x) && std::isfinite(p.y);
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      if (p.y < points[top].y) top = k;
      if (p.y > points[bottom].y) bottom = k;
    }
    if (!finite) continue;
    const float minY = points[top].y;
    const float maxY = points[bottom].y;
    // Sample rows and columns whose centres the outline's box holds,
    // within the picture.
    const double firstRow = std::max(std::ceil(minY * s - 0.5), 0.0);
    const double lastRow = std::min(std::floor(maxY * s + 0.5) - 1.0, subHeight - 1.0);
    const double left = std::max(minX * s, kSampleEdgeInset);
    const double right = std::min(maxX * s, subWidth - kSampleEdgeInset);
    if (firstRow > lastRow || !(left <= right) || std::ceil(left - 0.5) > std::floor(right - 0.5)) continue;
    rows.first = static_cast<std::int32_t>(firstRow);
    rows.last = static_cast<std::int32_t>(lastRow);
    rows.firstBand = rows.first / bandSubRows;
    rows.lastBand = rows.last / bandSubRows;
    rows.topCorner = static_cast<std::uint16_t>(top);
    rows.bottomCorner = static_cast<std::uint16_t>(bottom);
    o.skip = 0;
  }
}

bool LineRasterizer::Draw(LineOutlineList& list, bool blend) {
  bandsDrawn_ = 0;
  if (!target_ || list.Empty()) return true;
  try {
    DrawAll(list, blend);
  } catch (const std::bad_alloc&) {
    // A band left half drawn must not reach the next frame.
    FreeMemory();
    return false;
  }
  return true;
}

void LineRasterizer::DrawAll(LineOutlineList& list, bool blend) {
  BuildPalette(list, palette_);
  PrepareOutlines(list);
  if (!palette_.Single()) {
    pairStamp_.assign(list.outlines.size(), 0);
    pairDecision_.assign(list.outlines.size(), DepthDecision::Undecided);
    stamp_ = 0;
    carried_.Clear();
  }
  const int height = target_->Height();
  const int bands = (height + bandRows_ - 1) / bandRows_;
  SortByFirstBand(list, bands);
  active_.clear();
  for (int band = 0; band < bands; ++band) {
    const int top = band * bandRows_;
    const int rows = std::min(bandRows_, height - top);
    currentBand_ = band;
    NextBandOutlines(band);
    DrawBand(list, top, rows);
    Resolve(list, top, rows, blend);
    band_.ResetTouched();
    ++bandsDrawn_;
  }
}

// A counting sort: outlines that start in the same band keep list order.
void LineRasterizer::SortByFirstBand(const LineOutlineList& list, int bands) {
  bandStart_.assign(static_cast<std::size_t>(bands) + 1, 0);
  for (std::size_t i = 0; i < list.outlines.size(); ++i) {
    if (!list.outlines[i].skip) ++bandStart_[static_cast<std::size_t>(outlineRows_[i].firstBand) + 1];
  }
  for (std::size_t b = 1; b < bandStart_.size(); ++b) bandStart_[b] += bandStart_[b - 1];
  byFirstBand_.resize(bandStart_.back());
  merged_.assign(bandStart_.begin(), bandStart_.end() - 1);  // fill positions
  for (std::size_t i = 0; i < list.outlines.size(); ++i) {
    if (list.outlines[i].skip) continue;
    byFirstBand_[merged_[static_cast<std::size_t>(outlineRows_[i].firstBand)]++] = static_cast<std::uint32_t>(i);
  }
}

// Outlines of earlier bands that reach this one, joined in list order by
// those that start here.
void LineRasterizer::NextBandOutlines(int band) {
  std::erase_if(active_, [&](std::uint32_t i) { return outlineRows_[i].lastBand < band; });
  const auto first = byFirstBand_.begin() + bandStart_[static_cast<std::size_t>(band)];
  const auto last = byFirstBand_.begin() + bandStart_[static_cast<std::size_t>(band) + 1];
  merged_.clear();
  std::merge(active_.begin(), active_.end(), first, last, std::back_inserter(merged_));
  active_.swap(merged_);
}

void LineRasterizer::DrawBand(const LineOutlineList& list, int top, int rows) {
  const std::int32_t firstRow = top * samples_;
  const std::int32_t lastRow = (top + rows) * samples_ - 1;
  // A band's outlines are spread over memory; fetching their records well
  // ahead, and their corners once the record is there, hides the waits.
  constexpr std::size_t kRecordsAhead = 8;
  constexpr std::size_t kCornersAhead = 4;
  for (std::size_t k = 0; k < active_.size(); ++k) {
    if (k + kRecordsAhead < active_.size()) {
      __builtin_prefetch(&list.outlines[active_[k + kRecordsAhead]]);
      __builtin_prefetch(&outlineRows_[active_[k + kRecordsAhead]]);
    }
    if (k + kCornersAhead < active_.size()) {
      __builtin_prefetch(list.points.data() + list.outlines[active_[k + kCornersAhead]].firstPoint);
    }
    const std::uint32_t i = active_[k];
    const OutlineRows& r = outlineRows_[i];
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
