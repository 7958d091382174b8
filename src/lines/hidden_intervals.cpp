#include "lines/hidden_intervals.h"

#include <algorithm>

namespace pw {

namespace {

// A marked entry sorts after every real one and is then dropped.
constexpr double kMarkedLo = 1e30;
constexpr double kMarkedHi = -1e30;

}  // namespace

void HiddenIntervals::Merge(double a, double b, double x) {
  if (b > 1.0 - x) b = 1.0;
  if (a < x) a = 0.0;
  bool marked = false;
  for (Interval01& e : list_) {
    if (b < e.lo - x) break;
    if (e.lo > b + x || e.hi < a - x) continue;
    a = std::min(a, e.lo);
    b = std::max(b, e.hi);
    e = {kMarkedLo, kMarkedHi};
    marked = true;
  }
  list_.push_back({a, b});
  std::sort(list_.begin(), list_.end(), [](const Interval01& p, const Interval01& q) { return p.lo < q.lo; });
  if (marked) {
    while (!list_.empty() && list_.back().lo == kMarkedLo) list_.pop_back();
  }
}

void HiddenIntervals::SetAll() {
  list_.clear();
  list_.push_back({0.0, 1.0});
}

}  // namespace pw
