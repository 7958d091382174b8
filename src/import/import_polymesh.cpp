#include "import/import_polymesh.h"

#include <algorithm>
#include <cmath>

#include "import/import_polygon.h"

namespace host {

namespace {

bool Finite(const Point3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Every index in range and every coordinate finite; else the first culprit.
bool Validate(const PolyMesh& in, PolyMeshReport& report) {
  for (std::size_t i = 0; i < in.positions.size(); ++i)
    if (!Finite(in.positions[i])) {
      report.Add({PolyIssueKind::NotFinite, 0, static_cast<std::uint32_t>(i)});
      return false;
    }
  for (std::size_t i = 0; i < in.mapVerts.size(); ++i)
    if (!Finite(in.mapVerts[i])) {
      report.Add({PolyIssueKind::NotFinite, 0, static_cast<std::uint32_t>(i)});
      return false;
    }
  const std::uint32_t polys = in.NumPolygons();
  const bool mapped = !in.mapCorners.empty();
  for (std::uint32_t f = 0; f < polys; ++f) {
    for (std::uint32_t k = in.faceStart[f]; k < in.faceStart[f + 1]; ++k) {
      if (in.corners[k] >= in.positions.size()) {
        report.Add({PolyIssueKind::PositionOutOfRange, f, k});
        return false;
      }
      if (mapped && in.mapCorners[k] >= in.mapVerts.size()) {
        report.Add({PolyIssueKind::MapVertOutOfRange, f, k});
        return false;
      }
    }
  }
  return true;
}

// The polygon's corners (numbers within the polygon) without repeats in a
// row, the last corner counting as before the first. Also says whether any
// vertex appears twice at all.
void DistinctCorners(const std::uint32_t* idx, std::uint32_t n, std::vector<std::uint32_t>& keep,
                     std::vector<std::uint32_t>& sorted, bool* repeated) {
  keep.clear();
  for (std::uint32_t i = 0; i < n; ++i)
    if (keep.empty() || idx[keep.back()] != idx[i]) keep.push_back(i);
  while (keep.size() > 1 && idx[keep.back()] == idx[keep.front()]) keep.pop_back();
  *repeated = keep.size() != n;
  if (*repeated || n <= 3) return;
  // Repeats apart from each other (keyhole bridges) stay in the outline but
  // are still worth a word to the user.
  constexpr std::uint32_t kComparedDirectly = 32;
  if (n <= kComparedDirectly) {
    for (std::uint32_t a = 0; a < n && !*repeated; ++a)
      for (std::uint32_t b = a + 1; b < n; ++b)
        if (idx[a] == idx[b]) {
          *repeated = true;
          break;
        }
    return;
  }
  sorted.assign(idx, idx + n);
  std::sort(sorted.begin(), sorted.end());
  *repeated = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

struct Builder {
  const PolyMesh& in;
  PolyMeshReport& report;
  std::vector<Face> faces;
  std::vector<TVFace> tvFaces;
  std::vector<std::uint32_t> keep, sorted;
  std::vector<Point3> outline;
  std::vector<PolygonTriangle> tris;
  PolygonScratch scratch;

  void Emit(std::uint32_t f, const std::uint32_t* global, const bool outlineEdge[3]) {
    Face face;
    face.setVerts(in.corners[global[0]], in.corners[global[1]], in.corners[global[2]]);
    face.setSmGroup(in.smGroups.empty() ? 0u : in.smGroups[f]);
    face.setMatID(in.mtlIds.empty() ? MtlID{0} : in.mtlIds[f]);
    face.setEdgeVisFlags(outlineEdge[0], outlineEdge[1], outlineEdge[2]);
    faces.push_back(face);
    if (!in.mapCorners.empty()) {
      TVFace tv;
      tv.setTVerts(in.mapCorners[global[0]], in.mapCorners[global[1]], in.mapCorners[global[2]]);
      tvFaces.push_back(tv);
    }
  }

  void Polygon(std::uint32_t f) {
    const std::uint32_t start = in.faceStart[f];
    const std::uint32_t n = in.faceStart[f + 1] - start;
    if (n < 3) {
      report.Add({PolyIssueKind::TooFewCorners, f, start});
      return;
    }
    bool repeated = false;
    DistinctCorners(in.corners.data() + start, n, keep, sorted, &repeated);
    if (repeated) report.Add({PolyIssueKind::RepeatedVertex, f, start});
    if (keep.size() < 3) {
      // Nothing to cut: the face stays, flat, for the renderer to ignore.
      const std::uint32_t g[3] = {start, start + 1, start + 2};
      const bool all[3] = {true, true, true};
      Emit(f, g, all);
      return;
    }
    outline.clear();
    for (std::uint32_t k : keep) outline.push_back(in.positions[in.corners[start + k]]);
    tris.clear();
    TriangulateResult r = TriangulatePolygon(outline, tris, scratch);
    if (r.forced > 0) report.Add({PolyIssueKind::Untriangulable, f, start});
    for (const PolygonTriangle& t : tris) {
      const std::uint32_t g[3] = {start + keep[t.c[0]], start + keep[t.c[1]], start + keep[t.c[2]]};
      Emit(f, g, t.outline);
    }
  }
};

}  // namespace

void PolyMeshReport::Add(const PolyIssue& issue) {
  int k = static_cast<int>(issue.kind);
  if (count[k]++ == 0) first[k] = issue;
  if (issue.kind == PolyIssueKind::PositionOutOfRange || issue.kind == PolyIssueKind::MapVertOutOfRange ||
      issue.kind == PolyIssueKind::NotFinite)
    fatal = true;
}

bool BuildTriMesh(const PolyMesh& in, Mesh& out, PolyMeshReport& report) {
  out.clear();
  if (!Validate(in, report)) return false;

  Builder b{in, report, {}, {}, {}, {}, {}, {}, {}};
  b.faces.reserve(in.corners.size() >= 2 * static_cast<std::size_t>(in.NumPolygons())
                      ? in.corners.size() - 2 * static_cast<std::size_t>(in.NumPolygons())
                      : 0);
  for (std::uint32_t f = 0; f < in.NumPolygons(); ++f) b.Polygon(f);

  if (!out.setNumVerts(static_cast<int>(in.positions.size())) || !out.setNumFaces(static_cast<int>(b.faces.size()))) {
    out.clear();
    return false;
  }
  std::copy(in.positions.begin(), in.positions.end(), out.verts().begin());
  std::copy(b.faces.begin(), b.faces.end(), out.faces().begin());
  if (!in.mapCorners.empty()) {
    if (!out.setMapSupport(1) || !out.setNumMapVerts(1, static_cast<int>(in.mapVerts.size()))) {
      out.clear();
      return false;
    }
    std::copy(in.mapVerts.begin(), in.mapVerts.end(), out.mapVerts(1).begin());
    std::copy(b.tvFaces.begin(), b.tvFaces.end(), out.mapFaces(1).begin());
  }
  return true;
}

std::string DescribePolyIssue(PolyIssueKind kind, std::uint32_t count, const std::string& place) {
  const bool one = count == 1;
  std::string n = one ? "a face" : std::to_string(count) + " faces";
  std::string what;
  switch (kind) {
    case PolyIssueKind::PositionOutOfRange: return place + ": vertex index out of range";
    case PolyIssueKind::MapVertOutOfRange: return place + ": texture-coordinate index out of range";
    case PolyIssueKind::NotFinite: return place + ": coordinate is not a finite number";
    case PolyIssueKind::RepeatedVertex: what = one ? " names a vertex twice" : " name a vertex twice"; break;
    case PolyIssueKind::TooFewCorners:
      what = one ? " has fewer than 3 corners and was skipped" : " have fewer than 3 corners and were skipped";
      break;
    case PolyIssueKind::Untriangulable:
      what = one ? " has an outline that crosses itself or is flat; it was cut as well as it could be"
                 : " have outlines that cross themselves or are flat; they were cut as well as they could be";
      break;
  }
  return place + ": " + n + what + (one ? "" : " (this is the first)");
}

}  // namespace host
