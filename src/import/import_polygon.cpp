#include "import/import_polygon.h"

#include <cmath>

namespace host {

namespace {

float Cross2(const Point2& o, const Point2& a, const Point2& b) { return CrossProd(a - o, b - o); }

// Boundaries count as inside: a corner lying on the cut would leave the rest
// of the outline touching itself.
bool InsideOrOn(const Point2& q, const Point2& a, const Point2& b, const Point2& c) {
  return Cross2(a, b, q) >= 0.0f && Cross2(b, c, q) >= 0.0f && Cross2(c, a, q) >= 0.0f;
}

// Flattens the outline into a plane basis (u, v) with u x v along the
// normal, so the outline winds counter-clockwise in 2D.
void Flatten(std::span<const Point3> corners, const Point3& normal, std::vector<Point2>& flat) {
  Point3 n = Normalize(normal);
  Point3 least = std::fabs(n.x) <= std::fabs(n.y) && std::fabs(n.x) <= std::fabs(n.z) ? Point3::XAxis()
                 : std::fabs(n.y) <= std::fabs(n.z)                                   ? Point3::YAxis()
                                                                                      : Point3::ZAxis();
  Point3 u = Normalize(CrossProd(n, least));
  Point3 v = CrossProd(n, u);
  flat.resize(corners.size());
  // Relative to the first corner, to keep precision far from the origin.
  for (std::size_t i = 0; i < corners.size(); ++i) {
    Point3 d = corners[i] - corners[0];
    flat[i] = Point2(DotProd(d, u), DotProd(d, v));
  }
}

struct EarClipper {
  const std::vector<Point2>& p;
  std::vector<std::uint32_t>& prev;
  std::vector<std::uint32_t>& next;
  std::uint32_t n;

  bool IsEar(std::uint32_t i) const {
    std::uint32_t a = prev[i], c = next[i];
    const Point2 &pa = p[a], &pb = p[i], &pc = p[c];
    if (!(Cross2(pa, pb, pc) > 0.0f)) return false;
    for (std::uint32_t q = next[c]; q != a; q = next[q]) {
      const Point2& pq = p[q];
      if (pq == pa || pq == pb || pq == pc) continue;  // the other side of a keyhole bridge
      if (InsideOrOn(pq, pa, pb, pc)) return false;
    }
    return true;
  }

  // When no ear is left (a self-crossing outline), the most convex corner.
  std::uint32_t MostConvex(std::uint32_t start) const {
    std::uint32_t best = start;
    float bestCross = -INFINITY;
    std::uint32_t i = start;
    do {
      float cr = Cross2(p[prev[i]], p[i], p[next[i]]);
      if (cr > bestCross) {
        bestCross = cr;
        best = i;
      }
      i = next[i];
    } while (i != start);
    return best;
  }

  void Emit(std::uint32_t i, std::vector<PolygonTriangle>& out) const {
    PolygonTriangle t;
    t.c[0] = prev[i];
    t.c[1] = i;
    t.c[2] = next[i];
    for (int e = 0; e < 3; ++e) t.outline[e] = t.c[(e + 1) % 3] == (t.c[e] + 1) % n;
    out.push_back(t);
  }

  void Remove(std::uint32_t i) {
    next[prev[i]] = next[i];
    prev[next[i]] = prev[i];
  }
};

void Fan(std::uint32_t n, std::vector<PolygonTriangle>& out) {
  for (std::uint32_t i = 1; i + 1 < n; ++i) {
    PolygonTriangle t;
    t.c[0] = 0;
    t.c[1] = i;
    t.c[2] = i + 1;
    t.outline[0] = i == 1;
    t.outline[1] = true;
    t.outline[2] = i + 2 == n;
    out.push_back(t);
  }
}

}  // namespace

Point3 PolygonNormal(std::span<const Point3> corners) {
  Point3 sum;
  const std::size_t n = corners.size();
  for (std::size_t i = 0; i < n; ++i) {
    // Relative to the first corner: the same sum, without the cancellation
    // of large coordinates.
    Point3 a = corners[i] - corners[0];
    Point3 b = corners[(i + 1) % n] - corners[0];
    sum += CrossProd(a, b);
  }
  return sum;
}

TriangulateResult TriangulatePolygon(std::span<const Point3> corners, std::vector<PolygonTriangle>& out,
                                     PolygonScratch& scratch) {
  TriangulateResult result;
  const auto n = static_cast<std::uint32_t>(corners.size());
  if (n < 3) return result;
  result.triangles = static_cast<int>(n - 2);
  if (n == 3) {
    Fan(n, out);
    return result;
  }
  Point3 normal = PolygonNormal(corners);
  if (!(normal.LengthSquared() > 0.0f) || !std::isfinite(normal.LengthSquared())) {
    Fan(n, out);
    result.forced = result.triangles;
    return result;
  }

  Flatten(corners, normal, scratch.flat);
  scratch.prev.resize(n);
  scratch.next.resize(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    scratch.prev[i] = (i + n - 1) % n;
    scratch.next[i] = (i + 1) % n;
  }
  EarClipper clip{scratch.flat, scratch.prev, scratch.next, n};

  std::uint32_t cur = 0;
  for (std::uint32_t remaining = n; remaining > 3; --remaining) {
    std::uint32_t ear = cur;
    bool found = false;
    for (std::uint32_t k = 0; k < remaining; ++k, ear = scratch.next[ear]) {
      if (clip.IsEar(ear)) {
        found = true;
        break;
      }
    }
    if (!found) {
      ear = clip.MostConvex(cur);
      ++result.forced;
    }
    clip.Emit(ear, out);
    cur = scratch.next[ear];
    clip.Remove(ear);
  }
  clip.Emit(cur, out);
  return result;
}

}  // namespace host
