// Polygon meshes as files and scene descriptions give them, turned into the
// host's triangle meshes: polygons are cut into triangles whose inner
// diagonals are invisible edges; smoothing groups and material ids carry
// over to every triangle of a polygon.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/scene/mesh.h"
#include "host/core/point.h"

namespace host {

struct PolyMesh {
  std::vector<Point3> positions;
  // Texture coordinates (map channel 1); empty when the mesh has none.
  std::vector<Point3> mapVerts;
  // Polygon f has the corners faceStart[f] .. faceStart[f + 1] - 1.
  std::vector<std::uint32_t> faceStart{0};
  std::vector<std::uint32_t> corners;     // a position index per corner
  std::vector<std::uint32_t> mapCorners;  // a map vertex per corner; empty, or one per corner
  std::vector<std::uint32_t> smGroups;    // per polygon; empty: all 0
  std::vector<MtlID> mtlIds;              // per polygon; empty: all 0

  std::uint32_t NumPolygons() const { return static_cast<std::uint32_t>(faceStart.size() - 1); }
  // Appends a polygon; the corner arrays must be filled already.
  void ClosePolygon(std::uint32_t smGroup, MtlID mtl) {
    faceStart.push_back(static_cast<std::uint32_t>(corners.size()));
    smGroups.push_back(smGroup);
    mtlIds.push_back(mtl);
  }
};

// Problems found while building, with the polygon (and corner) they concern,
// so the caller can name the place in its own file.
enum class PolyIssueKind {
  PositionOutOfRange,  // fatal
  MapVertOutOfRange,   // fatal
  NotFinite,           // fatal: a position or map vertex is NaN or infinite (corner = its index)
  // A polygon names a vertex twice. Repeats in a row are dropped; with fewer
  // than 3 distinct corners left the polygon is kept as one flat triangle.
  RepeatedVertex,
  TooFewCorners,   // fewer than 3 corners: skipped
  Untriangulable,  // the outline crosses itself or has no area: cut without proper ears
};
inline constexpr int kPolyIssueKinds = 6;

struct PolyIssue {
  PolyIssueKind kind;
  std::uint32_t polygon = 0;
  std::uint32_t corner = 0;  // for the out-of-range kinds: the corner (global); NotFinite: the vertex
};

struct PolyMeshReport {
  // The first issue of each kind, and how many polygons had it.
  PolyIssue first[kPolyIssueKinds] = {};
  std::uint32_t count[kPolyIssueKinds] = {};
  bool fatal = false;

  void Add(const PolyIssue& issue);
  std::uint32_t Count(PolyIssueKind k) const { return count[static_cast<int>(k)]; }
  const PolyIssue& First(PolyIssueKind k) const { return first[static_cast<int>(k)]; }
};

// Builds `out` (replacing what it held). Answers false, leaving out empty,
// when the input is unusable (report.fatal: an index out of range or a
// coordinate that is not finite); the other issues are only reported.
bool BuildTriMesh(const PolyMesh& in, Mesh& out, PolyMeshReport& report);

// One-line descriptions for the caller's warnings: "2 faces name a vertex
// twice (the first: <place>)". `place` names the first polygon of the kind.
std::string DescribePolyIssue(PolyIssueKind kind, std::uint32_t count, const std::string& place);

}  // namespace host
