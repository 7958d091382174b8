// Antialiased drawing of line outlines into a bitmap within a memory budget.
//
// Every pixel is cut into s x s subsamples. The picture is drawn in bands
// of pixel rows so that the subsample memory (a colour-index byte and an
// outline index per subsample) never exceeds the budget; every outline is
// drawn into every band it reaches. Where outlines of different colours
// overlap, the nearer one keeps each subsample; outlines of one colour never
// compare depth. Each pixel drawn on becomes the average of its subsamples.
//
// Use: Allocate, Draw, Release, once per frame. The object keeps its memory
// from frame to frame (within the budget), so a frame allocates only when
// it needs more than the one before; FreeMemory returns it.
#pragma once

#include <cstdint>
#include <vector>

#include "host/imaging/bitmap.h"
#include "lines/band_buffer.h"
#include "lines/depth_order.h"
#include "lines/line_outline.h"
#include "lines/line_palette.h"

namespace pw {

enum class RasterAllocation {
  Ok,
  TooLittleMemory,   // the budget does not hold one row of subsamples (reported as a warning)
  OutOfMemory,       // the system refused the memory (reported as a warning)
  InvalidArguments,  // no picture, or a sample count out of range
};

// Outlines are cut this far (in subsamples) inside the picture's border, so
// that one reaching exactly to the border covers the border's subsamples
// and nothing beyond.
inline constexpr double kSampleEdgeInset = 0.001;

// What the text of the warning about a budget too small says.
inline constexpr const char* kTooLittleLineMemoryMessage = "Allocate more memory to line rasterizer.";

class LineRasterizer {
 public:
  static constexpr int kMaxSamples = 16;

  // Prepares to draw into `target` with `samples` subsamples per pixel edge
  // and at most `budgetBytes` of band memory (and never more than the system
  // has available). Ends any earlier Allocate first.
  RasterAllocation Allocate(host::Bitmap& target, int samples, std::int64_t budgetBytes, bool perspective);

  // Draws the outlines in list order (later ones over earlier ones where
  // depth does not decide), storing each outline's palette index and skip
  // flag. With `blend`, pixels not fully covered are composited over what
  // the bitmap holds; without it they replace it. Pixels no outline reaches
  // are left as they are. Does nothing without a successful Allocate.
  // False when memory for the outlines' bookkeeping ran out: the picture is
  // then incomplete and all memory has been returned.
  bool Draw(LineOutlineList& list, bool blend);

  // Ends the drawing; the memory stays for the next frame.
  void Release() { target_ = nullptr; }
  // Returns all memory.
  void FreeMemory();

  // Pixel rows per band are at most this many (0: as the budget and the
  // speed of the machine's caches suggest). The picture does not depend on it.
  void SetBandRowLimit(int rows) { bandRowLimit_ = rows; }

  // After Allocate: the pixel rows of one band, and the most the budget
  // would have allowed.
  int BandRows() const { return bandRows_; }
  int BudgetBandRows() const { return budgetBandRows_; }
  // Bands the last Draw went through.
  int BandsDrawn() const { return bandsDrawn_; }
  // Band memory held now.
  std::int64_t HeldBytes() const { return band_.HeldBytes(); }

 private:
  // The subsample rows and bands of the picture an outline reaches, and
  // its top and bottom corners.
  struct OutlineRows {
    std::int32_t first = 0;
    std::int32_t last = -1;
    std::int32_t firstBand = 0;
    std::int32_t lastBand = -1;
    std::uint16_t topCorner = 0;
    std::uint16_t bottomCorner = 0;
  };

  void DrawAll(LineOutlineList& list, bool blend);
  void PrepareOutlines(LineOutlineList& list);
  void SortByFirstBand(const LineOutlineList& list, int bands);
  void NextBandOutlines(int band);
  void DrawBand(const LineOutlineList& list, int top, int rows);
  template <bool kSingleColour>
  void Scan(const LineOutlineList& list, std::uint32_t index, int top);
  void ScanRowSeveralColours(const LineOutlineList& list, std::uint32_t index, int subRow, int bandRow, int x0,
                             int x1);
  // A pair not decided yet while this outline is drawn in this band.
  DepthDecision Decide(const LineOutlineList& list, std::uint32_t newer, std::uint32_t older, int x, int subRow);
  // The pixel a subsample row or column lies in.
  int PixelOf(int sub) const { return sampleShift_ >= 0 ? sub >> sampleShift_ : sub / samples_; }
  void Resolve(const LineOutlineList& list, int top, int rows, bool blend);

  host::Bitmap* target_ = nullptr;
  int samples_ = 1;
  bool perspective_ = false;
  int bandRows_ = 0;
  int budgetBandRows_ = 0;
  int bandRowLimit_ = 0;
  int bandsDrawn_ = 0;

  BandBuffer band_;
  LinePalette palette_;
  std::vector<OutlineRows> outlineRows_;
  // Outlines by the band they start in (list order within a band), and
  // those reaching the band being drawn, in list order.
  std::vector<std::uint32_t> byFirstBand_;
  std::vector<std::uint32_t> bandStart_;
  std::vector<std::uint32_t> active_;
  std::vector<std::uint32_t> merged_;
  int sampleShift_ = 0;  // log2 of the samples, -1 when not a power of two

  // The depth decisions of the outline being drawn against every earlier
  // one: valid where the stamp is the current one.
  std::vector<std::uint32_t> pairStamp_;
  std::vector<DepthDecision> pairDecision_;
  std::uint32_t stamp_ = 0;
  int currentBand_ = 0;
  bool startedAbove_ = false;    // the outline being drawn reached into earlier bands
  bool continuesBelow_ = false;  // ... or reaches into later ones
  PairDecisionMap carried_;
};

}  // namespace pw
