// The edges of an object's render mesh, each once, with the faces that share
// it: the table every edge line kind walks.
//
// Records are grouped by their lower vertex index, groups in vertex order,
// and within a group sorted by the higher index. Built in two passes over
// flat arrays (count per vertex, then fill), so a million-face mesh costs a
// few allocations that are kept for the next object.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "frame/render_mesh.h"

namespace pw {

inline constexpr std::uint32_t kNoFace = 0xFFFFFFFFu;

struct EdgeRecord {
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  std::uint32_t face0 = 0;       // the face that inserted the edge
  std::uint32_t face1 = kNoFace;  // a later face sharing it (the last such face)
  std::uint8_t partial = 0;      // from a clipped face: the points below are its polygon's
  std::uint8_t drawn = 0;
  std::uint32_t startPoint = 0;  // partial edges: indices into face0's clipped polygon
  std::uint32_t endPoint = 0;
  double start = 0.0;  // parameters along low -> high of the two ends
  double end = 1.0;
};

class EdgeTable {
 public:
  // Rebuilds from the mesh's faces in index order: faces marked excluded
  // are skipped, and with frontOnly faces without FaceFront too. A clipped
  // face contributes the parts of its polygon that lie on its mesh edges.
  void Build(const PwRenderMesh& mesh, bool frontOnly);

  std::span<EdgeRecord> Records() { return records_; }
  std::span<const EdgeRecord> Records() const { return records_; }
  int Count() const { return static_cast<int>(records_.size()); }
  void ClearDrawn();

 private:
  // One face's claim on an edge, bucketed by low vertex. Partial claims
  // keep their polygon points and parameters aside: most claims are whole.
  struct Insert {
    std::uint32_t high, face, partial;  // partial: index into partials_, or kNoFace
  };
  struct PartialClaim {
    std::uint32_t startPoint, endPoint;
    double start, end;
  };
  std::vector<Insert> sorted_;
  std::vector<PartialClaim> partials_;
  std::vector<std::uint32_t> bucketStart_;
  std::vector<EdgeRecord> records_;
};

// The literal construction: one growable bucket per vertex, each insertion
// looked up, appended and the bucket re-sorted. Slow; the tests check the
// fast table against it.
void BuildEdgeTableReference(const PwRenderMesh& mesh, bool frontOnly, std::vector<EdgeRecord>& out);

}  // namespace pw
