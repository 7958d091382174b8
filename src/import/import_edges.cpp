#include "import/import_edges.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace host {

int HideFlatEdges(Mesh& mesh) {
  const auto numFaces = static_cast<std::uint32_t>(mesh.getNumFaces());
  std::span<Face> faces = mesh.faces();
  struct HalfEdge {
    std::uint64_t key;     // the two vertices, smaller first
    std::uint32_t corner;  // 3 * face + edge
  };
  std::vector<HalfEdge> half;
  half.reserve(3 * static_cast<std::size_t>(numFaces));
  for (std::uint32_t f = 0; f < numFaces; ++f)
    for (std::uint32_t e = 0; e < 3; ++e) {
      std::uint32_t a = faces[f].v[e], b = faces[f].v[(e + 1) % 3];
      if (a == b) continue;
      if (a > b) std::swap(a, b);
      half.push_back({(std::uint64_t{a} << 32) | b, 3 * f + e});
    }
  std::sort(half.begin(), half.end(),
            [](const HalfEdge& x, const HalfEdge& y) { return x.key != y.key ? x.key < y.key : x.corner < y.corner; });

  const float minDot = std::cos(kFlatEdgeDegrees * std::numbers::pi_v<float> / 180.0f);
  int hidden = 0;
  for (std::size_t i = 0; i < half.size();) {
    std::size_t j = i;
    while (j < half.size() && half[j].key == half[i].key) ++j;
    if (j - i == 2) {
      const std::uint32_t f = half[i].corner / 3, g = half[i + 1].corner / 3;
      const bool smooth = (faces[f].smGroup & faces[g].smGroup) != 0;
      const Point3 nf = mesh.getFaceNormal(static_cast<int>(f)), ng = mesh.getFaceNormal(static_cast<int>(g));
      if (f != g && smooth && nf != Point3() && DotProd(nf, ng) >= minDot) {
        faces[f].setEdgeVis(static_cast<int>(half[i].corner % 3), false);
        faces[g].setEdgeVis(static_cast<int>(half[i + 1].corner % 3), false);
        ++hidden;
      }
    }
    i = j;
  }
  return hidden;
}

}  // namespace host
