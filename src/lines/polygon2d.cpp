#include "lines/polygon2d.h"

#include <algorithm>

namespace pw {

bool SegmentsCross(ScreenPoint p, ScreenPoint q, ScreenPoint u, ScreenPoint v, double* t) {
  const double rx = double(q.x) - p.x, ry = double(q.y) - p.y;
  const double sx = double(v.x) - u.x, sy = double(v.y) - u.y;
  const double denominator = rx * sy - ry * sx;
  if (denominator == 0.0) return false;
  const double wx = double(u.x) - p.x, wy = double(u.y) - p.y;
  const double tp = (wx * sy - wy * sx) / denominator;  // along P->Q
  const double tu = (wx * ry - wy * rx) / denominator;  // along U->V
  if (tp < 0.0 || tp > 1.0 || tu < 0.0 || tu > 1.0) return false;
  *t = tp;
  return true;
}

bool PointStrictlyInside(ScreenPoint p, std::span<const ScreenPoint> polygon) {
  const std::size_t n = polygon.size();
  if (n < 3) return false;
  for (const ScreenPoint& c : polygon)
    if (c == p) return false;
  auto quadrant = [&](const ScreenPoint& c) {
    if (c.x > p.x) return c.y > p.y ? 0 : 3;
    return c.y > p.y ? 1 : 2;
  };
  int total = 0;
  int previous = quadrant(polygon[n - 1]);
  for (std::size_t i = 0; i < n; ++i) {
    const ScreenPoint& a = polygon[i == 0 ? n - 1 : i - 1];
    const ScreenPoint& b = polygon[i];
    const int code = quadrant(b);
    int m = code - previous;
    if (m == 3) {
      m = -1;
    } else if (m == -3) {
      m = 1;
    } else if (m == 2 || m == -2) {
      // A half turn at once: which way round depends on which side of the
      // point the edge passes the point's row.
      const double x = a.x + (double(p.y) - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y);
      if (x > p.x) m = -m;
    }
    total += m;
    previous = code;
  }
  return total == 4 || total == -4;
}

bool IntervalInPolygon(ScreenPoint p, ScreenPoint q, std::span<const ScreenPoint> polygon, double* lo, double* hi) {
  if (p == q) return false;
  double l = 1e30, h = -1e30;
  int crossings = 0;
  bool startOnCorner = false, endOnCorner = false;
  const std::size_t n = polygon.size();
  for (std::size_t i = 0; i < n; ++i) {
    const ScreenPoint& u = polygon[i];
    const ScreenPoint& v = polygon[(i + 1) % n];
    double t = 0.0;
    if (p == u || p == v) {
      startOnCorner = true;
    } else if (q == u || q == v) {
      endOnCorner = true;
    } else if (SegmentsCross(p, q, u, v, &t)) {
      l = std::min(l, t);
      h = std::max(h, t);
      ++crossings;
    }
  }
  if (crossings >= 2) {
    *lo = l;
    *hi = h;
    return true;
  }
  if (crossings == 0) return false;
  // One crossing: the interval runs from the crossing to whichever end is
  // inside (or on a corner).
  const double t = l;
  if (startOnCorner) {
    *lo = 0.0;
    *hi = t;
  } else if (endOnCorner) {
    *lo = t;
    *hi = 1.0;
  } else if (PointStrictlyInside(p, polygon)) {
    *lo = 0.0;
    *hi = t;
  } else if (PointStrictlyInside(q, polygon)) {
    *lo = t;
    *hi = 1.0;
  } else {
    return false;
  }
  return true;
}

}  // namespace pw
