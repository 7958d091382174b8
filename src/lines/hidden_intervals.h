// Parameter intervals along a segment (0 at its start, 1 at its end): the
// parts a face hides, the parts an outline covers. Kept sorted by start and
// disjoint, and walked as alternating visible and hidden pieces.
#pragma once

#include <vector>

namespace pw {

struct Interval01 {
  double lo = 0.0;
  double hi = 0.0;
};

// Ends closer than this merge; ends this close to 0 or 1 snap to them.
inline constexpr double kIntervalMergeTolerance = 1e-4;

class HiddenIntervals {
 public:
  void Clear() { list_.clear(); }
  bool Empty() const { return list_.empty(); }
  int Size() const { return static_cast<int>(list_.size()); }
  const Interval01& operator[](int i) const { return list_[static_cast<std::size_t>(i)]; }
  const std::vector<Interval01>& List() const { return list_; }

  // Merges [a, b] (a <= b) in: an end within x of 0 or 1 snaps to it, and
  // every entry within x of the interval is absorbed into it.
  void Merge(double a, double b, double x = kIntervalMergeTolerance);
  // The list is the single interval [0, 1]: the whole segment.
  bool CoversAll() const { return list_.size() == 1 && list_[0].lo == 0.0 && list_[0].hi == 1.0; }
  // Makes the list exactly [0, 1].
  void SetAll();

 private:
  std::vector<Interval01> list_;
};

enum class PieceState : int { Hidden = 0, Visible = 1 };

struct Piece {
  double start = 0.0;
  double end = 1.0;
  PieceState state = PieceState::Visible;
  bool whole = false;  // the piece is the whole segment
};

// Calls f(piece) for the pieces of the segment in order: the visible parts
// between the intervals and the hidden intervals themselves. No interval
// gives one visible whole piece; exactly [0, 1] one hidden whole piece.
template <class F>
void ForEachPiece(const HiddenIntervals& hidden, F&& f) {
  const std::vector<Interval01>& l = hidden.List();
  if (l.empty()) {
    f(Piece{0.0, 1.0, PieceState::Visible, true});
    return;
  }
  if (hidden.CoversAll()) {
    f(Piece{0.0, 1.0, PieceState::Hidden, true});
    return;
  }
  if (l.front().lo != 0.0) f(Piece{0.0, l.front().lo, PieceState::Visible, false});
  for (std::size_t k = 0; k < l.size(); ++k) {
    f(Piece{l[k].lo, l[k].hi, PieceState::Hidden, false});
    if (k + 1 < l.size()) f(Piece{l[k].hi, l[k + 1].lo, PieceState::Visible, false});
  }
  if (l.back().hi != 1.0) f(Piece{l.back().hi, 1.0, PieceState::Visible, false});
}

// The parameter of a 3D point between two ends at camera depths zA and zB
// that projects to screen parameter s: perspective projection divides by
// depth, so equal screen steps are unequal steps in space.
inline double PerspectiveParameter(double s, double zA, double zB) {
  const double denominator = (1.0 - s) / zA + s / zB;
  return denominator != 0.0 ? (s / zB) / denominator : s;
}

}  // namespace pw
