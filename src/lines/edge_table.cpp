#include "lines/edge_table.h"

#include <algorithm>

namespace pw {

namespace {

// Every (edge, face) insertion of the mesh in the order faces insert them.
template <class F>
void ForEachInsertion(const PwRenderMesh& mesh, bool frontOnly, F&& f) {
  const std::size_t n = mesh.faces.size();
  for (std::size_t fi = 0; fi < n; ++fi) {
    const MeshFace& face = mesh.faces[fi];
    if (face.faceFlags & FaceExcluded) continue;
    if (frontOnly && !(face.faceFlags & FaceFront)) continue;
    const auto faceIndex = static_cast<std::uint32_t>(fi);
    if (!(face.faceFlags & FaceClipped)) {
      for (int e = 0; e < 3; ++e) {
        const std::uint32_t a = face.v[e], b = face.v[(e + 1) % 3];
        f(std::min(a, b), std::max(a, b), faceIndex, std::uint8_t{0}, 0u, 0u, 0.0, 1.0);
      }
      continue;
    }
    const std::span<const ClipPoint> poly = clippedPolygon(mesh, face);
    const std::size_t m = poly.size();
    for (std::size_t j = 0; j < m; ++j) {
      const int tag = poly[j].edgeTag();
      if (tag < kClipEdge01 || tag > kClipEdge20) continue;
      const int e = tag - 1;
      const std::uint32_t a = face.v[e], b = face.v[(e + 1) % 3];
      const std::size_t k = (j + 1) % m;
      double s = edgeParameter(poly[j], tag), t = edgeParameter(poly[k], tag);
      if (a > b) {
        // Stored low vertex first: parameters run the other way.
        s = 1.0 - s;
        t = 1.0 - t;
      }
      f(std::min(a, b), std::max(a, b), faceIndex, std::uint8_t{1}, static_cast<std::uint32_t>(j),
        static_cast<std::uint32_t>(k), s, t);
    }
  }
}

EdgeRecord RecordOf(std::uint32_t low, std::uint32_t high, std::uint32_t face, std::uint8_t partial,
                    std::uint32_t startPoint, std::uint32_t endPoint, double s, double t) {
  EdgeRecord r;
  r.low = low;
  r.high = high;
  r.face0 = face;
  r.partial = partial;
  r.startPoint = startPoint;
  r.endPoint = endPoint;
  r.start = s;
  r.end = t;
  return r;
}

}  // namespace

void EdgeTable::Build(const PwRenderMesh& mesh, bool frontOnly) {
  // Counting pass, then fill: claims land bucketed by low vertex in the
  // order faces make them.
  const std::size_t nv = mesh.verts.size();
  bucketStart_.assign(nv + 1, 0);
  std::size_t claims = 0;
  ForEachInsertion(mesh, frontOnly,
                   [&](std::uint32_t low, std::uint32_t, std::uint32_t, std::uint8_t, std::uint32_t,
                       std::uint32_t, double, double) {
                     ++bucketStart_[low + 1];
                     ++claims;
                   });
  for (std::size_t v = 0; v < nv; ++v) bucketStart_[v + 1] += bucketStart_[v];
  sorted_.resize(claims);
  partials_.clear();
  std::vector<std::uint32_t>& next = bucketStart_;  // advanced while filling, restored below
  ForEachInsertion(mesh, frontOnly,
                   [&](std::uint32_t low, std::uint32_t high, std::uint32_t face, std::uint8_t partial,
                       std::uint32_t sp, std::uint32_t ep, double s, double t) {
                     std::uint32_t p = kNoFace;
                     if (partial) {
                       p = static_cast<std::uint32_t>(partials_.size());
                       partials_.push_back({sp, ep, s, t});
                     }
                     sorted_[next[low]++] = {high, face, p};
                   });
  for (std::size_t v = nv; v > 0; --v) next[v] = next[v - 1];
  next[0] = 0;

  // Within a vertex: by the high vertex, first claim first; equal pairs
  // become one record, its second face the last face after the first.
  records_.clear();
  for (std::size_t v = 0; v < nv; ++v) {
    auto first = sorted_.begin() + bucketStart_[v];
    auto last = sorted_.begin() + bucketStart_[v + 1];
    if (first == last) continue;
    if (last - first > 1)
      std::stable_sort(first, last, [](const Insert& a, const Insert& b) { return a.high < b.high; });
    for (auto it = first; it != last;) {
      const Insert& i = *it;
      EdgeRecord r;
      if (i.partial != kNoFace) {
        const PartialClaim& c = partials_[i.partial];
        r = RecordOf(static_cast<std::uint32_t>(v), i.high, i.face, 1, c.startPoint, c.endPoint, c.start, c.end);
      } else {
        r = RecordOf(static_cast<std::uint32_t>(v), i.high, i.face, 0, 0, 0, 0.0, 1.0);
      }
      ++it;
      while (it != last && it->high == i.high) {
        r.face1 = it->face;
        ++it;
      }
      records_.push_back(r);
    }
  }
}

void EdgeTable::ClearDrawn() {
  for (EdgeRecord& r : records_) r.drawn = 0;
}

void BuildEdgeTableReference(const PwRenderMesh& mesh, bool frontOnly, std::vector<EdgeRecord>& out) {
  std::vector<std::vector<EdgeRecord>> buckets(mesh.verts.size());
  ForEachInsertion(mesh, frontOnly,
                   [&](std::uint32_t low, std::uint32_t high, std::uint32_t face, std::uint8_t partial,
                       std::uint32_t sp, std::uint32_t ep, double s, double t) {
                     std::vector<EdgeRecord>& bucket = buckets[low];
                     if (bucket.empty()) bucket.reserve(5);
                     for (EdgeRecord& r : bucket) {
                       if (r.high == high) {
                         r.face1 = face;
                         return;
                       }
                     }
                     bucket.push_back(RecordOf(low, high, face, partial, sp, ep, s, t));
                     std::sort(bucket.begin(), bucket.end(),
                               [](const EdgeRecord& a, const EdgeRecord& b) { return a.high < b.high; });
                   });
  out.clear();
  for (const auto& bucket : buckets) out.insert(out.end(), bucket.begin(), bucket.end());
}

}  // namespace pw
