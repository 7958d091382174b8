#include "import/import_smoothing.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace host {

namespace {

constexpr int kMaxGroups = 32;

struct SameNormal {
  float minDot = std::cos(kSameNormalDegrees * std::numbers::pi_v<float> / 180.0f);
  bool operator()(const Point3& a, const Point3& b) const { return DotProd(Normalize(a), Normalize(b)) >= minDot; }
};

// Offsets + data: the corners (3f + k) at each vertex.
struct VertexCorners {
  std::vector<std::uint32_t> start;
  std::vector<std::uint32_t> corners;

  void Build(std::span<const std::uint32_t> cornerVerts, std::uint32_t numVerts) {
    start.assign(numVerts + 1, 0);
    for (std::uint32_t v : cornerVerts) ++start[v + 1];
    for (std::uint32_t v = 0; v < numVerts; ++v) start[v + 1] += start[v];
    corners.resize(cornerVerts.size());
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::uint32_t c = 0; c < cornerVerts.size(); ++c) corners[fill[cornerVerts[c]]++] = c;
  }
};

struct Neighbour {
  std::uint32_t face;
  bool smooth;
};

// An edge shared by up to this many faces joins every two of them; one
// shared by more (a fan of fins, copies of one surface) joins each face
// only to the next in file order, so neighbours stay a handful per face and
// the work linear in the faces, whatever the topology.
constexpr std::size_t kFullyJoinedEdgeFaces = 8;

// Offsets + data: the faces sharing an edge with each face.
struct FaceAdjacency {
  std::vector<std::uint32_t> start;
  std::vector<Neighbour> data;
  int hardPairs = 0;

  void Build(std::span<const std::uint32_t> cv, std::span<const Point3> cn, const SameNormal& same) {
    const auto numFaces = static_cast<std::uint32_t>(cv.size() / 3);
    struct Side {
      std::uint64_t key;     // the edge's two vertices, smaller first
      std::uint32_t corner;  // 3 * face + edge: the edge runs from this corner to the next
    };
    std::vector<Side> sides;
    sides.reserve(cv.size());
    for (std::uint32_t c = 0; c < cv.size(); ++c) {
      std::uint32_t a = cv[c], b = cv[Next(c)];
      if (a == b) continue;
      if (a > b) std::swap(a, b);
      sides.push_back({(std::uint64_t{a} << 32) | b, c});
    }
    std::sort(sides.begin(), sides.end(),
              [](const Side& x, const Side& y) { return x.key != y.key ? x.key < y.key : x.corner < y.corner; });

    struct Pair {
      std::uint32_t f, g;
      std::uint32_t edge;  // f's edge, 0..2
      bool smooth;
    };
    std::vector<Pair> pairs;
    auto join = [&](const Side& x, const Side& y) {
      const std::uint32_t f = x.corner / 3, g = y.corner / 3;
      if (f == g) return;
      const std::uint32_t a = cv[x.corner], b = cv[Next(x.corner)];
      const std::uint32_t ga = CornerAt(cv, y.corner, a), gb = CornerAt(cv, y.corner, b);
      const bool smooth = same(cn[x.corner], cn[ga]) && same(cn[Next(x.corner)], cn[gb]);
      pairs.push_back({f, g, x.corner % 3, smooth});
      hardPairs += smooth ? 0 : 1;
    };
    for (std::size_t i = 0; i < sides.size();) {
      std::size_t j = i;
      while (j < sides.size() && sides[j].key == sides[i].key) ++j;
      if (j - i <= kFullyJoinedEdgeFaces) {
        for (std::size_t x = i; x < j; ++x)
          for (std::size_t y = x + 1; y < j; ++y) join(sides[x], sides[y]);
      } else {
        for (std::size_t x = i; x + 1 < j; ++x) join(sides[x], sides[x + 1]);
      }
      i = j;
    }
    // Each face's neighbours in the order of its edges, then of the faces.
    std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
      return x.f != y.f ? x.f < y.f : x.edge != y.edge ? x.edge < y.edge : x.g < y.g;
    });

    start.assign(numFaces + 1, 0);
    for (const Pair& p : pairs) {
      ++start[p.f + 1];
      ++start[p.g + 1];
    }
    for (std::uint32_t f = 0; f < numFaces; ++f) start[f + 1] += start[f];
    data.resize(pairs.size() * 2);
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (const Pair& p : pairs) {
      data[fill[p.f]++] = {p.g, p.smooth};
      data[fill[p.g]++] = {p.f, p.smooth};
    }
  }

  std::span<const Neighbour> Of(std::uint32_t f) const { return {data.data() + start[f], data.data() + start[f + 1]}; }

 private:
  static std::uint32_t Next(std::uint32_t c) { return c - c % 3 + (c % 3 + 1) % 3; }
  // The corner of c's face at vertex v, which the face has.
  static std::uint32_t CornerAt(std::span<const std::uint32_t> cv, std::uint32_t c, std::uint32_t v) {
    const std::uint32_t first = c - c % 3;
    for (std::uint32_t k = 0; k < 3; ++k)
      if (cv[first + k] == v) return first + k;
    return c;
  }
};

constexpr std::int32_t kNoPatch = -1;

struct Patches {
  std::vector<std::int32_t> of;     // per face
  std::vector<std::uint32_t> size;  // per patch
  std::vector<bool> hasSmoothEdge;  // per patch: some face has a smooth neighbour

  void Grow(const FaceAdjacency& adj, std::uint32_t numFaces) {
    of.assign(numFaces, kNoPatch);
    std::vector<std::uint32_t> queue;
    for (std::uint32_t seed = 0; seed < numFaces; ++seed) {
      if (of[seed] != kNoPatch) continue;
      const auto p = static_cast<std::int32_t>(size.size());
      size.push_back(1);
      hasSmoothEdge.push_back(false);
      of[seed] = p;
      queue.assign(1, seed);
      for (std::size_t q = 0; q < queue.size(); ++q) {
        for (const Neighbour& n : adj.Of(queue[q])) {
          if (!n.smooth) continue;
          hasSmoothEdge[p] = true;
          if (of[n.face] != kNoPatch || HasHardNeighbourIn(adj, n.face, p)) continue;
          of[n.face] = p;
          ++size[p];
          queue.push_back(n.face);
        }
      }
    }
  }

  bool HasHardNeighbourIn(const FaceAdjacency& adj, std::uint32_t f, std::int32_t p) const {
    for (const Neighbour& n : adj.Of(f))
      if (!n.smooth && of[n.face] == p) return true;
    return false;
  }
};

std::uint64_t PairKey(std::uint32_t a, std::uint32_t b) {
  if (a > b) std::swap(a, b);
  return (std::uint64_t{a} << 32) | b;
}

void SortUnique(std::vector<std::uint64_t>& v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
}

// Offsets + data of patch pairs, both directions.
struct PatchGraph {
  std::vector<std::uint32_t> start;
  std::vector<std::uint32_t> data;

  void Build(const std::vector<std::uint64_t>& pairs, std::uint32_t numPatches) {
    start.assign(numPatches + 1, 0);
    for (std::uint64_t k : pairs) {
      ++start[(k >> 32) + 1];
      ++start[(k & 0xFFFFFFFFu) + 1];
    }
    for (std::uint32_t p = 0; p < numPatches; ++p) start[p + 1] += start[p];
    data.resize(pairs.size() * 2);
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::uint64_t k : pairs) {
      auto a = static_cast<std::uint32_t>(k >> 32), b = static_cast<std::uint32_t>(k & 0xFFFFFFFFu);
      data[fill[a]++] = b;
      data[fill[b]++] = a;
    }
  }
  std::span<const std::uint32_t> Of(std::uint32_t p) const {
    return {data.data() + start[p], data.data() + start[p + 1]};
  }
};

// A vertex shared by up to this many corners has every two compared;
// beyond it (a fan, copies of one surface) corners are first reduced to
// the distinct normals of each patch, and each patch is kept apart from the
// patches nearest it in patch order only, which bounds the work per corner.
// More patches than groups cannot all be kept apart at one vertex anyway.
constexpr std::uint32_t kFullyComparedCorners = 64;
constexpr std::size_t kNormalsPerPatch = 4;
constexpr std::size_t kPatchWindow = 64;

// Patches meeting at a vertex with different normals there.
std::vector<std::uint64_t> Conflicts(std::span<const Point3> cn, const VertexCorners& vc, const Patches& patches,
                                     const SameNormal& same) {
  std::vector<std::uint64_t> pairs;
  struct Item {
    std::int32_t patch;
    std::uint32_t corner;
  };
  std::vector<Item> items;
  std::vector<std::size_t> patchStart;
  const std::size_t numVerts = vc.start.size() - 1;
  for (std::size_t v = 0; v < numVerts; ++v) {
    const std::uint32_t first = vc.start[v], end = vc.start[v + 1];
    if (end - first <= kFullyComparedCorners) {
      for (std::uint32_t i = first; i < end; ++i) {
        const std::uint32_t ci = vc.corners[i];
        const std::int32_t pi = patches.of[ci / 3];
        for (std::uint32_t j = i + 1; j < end; ++j) {
          const std::uint32_t cj = vc.corners[j];
          const std::int32_t pj = patches.of[cj / 3];
          if (pi != pj && !same(cn[ci], cn[cj]))
            pairs.push_back(PairKey(static_cast<std::uint32_t>(pi), static_cast<std::uint32_t>(pj)));
        }
      }
      continue;
    }
    items.clear();
    for (std::uint32_t i = first; i < end; ++i) items.push_back({patches.of[vc.corners[i] / 3], vc.corners[i]});
    std::sort(items.begin(), items.end(), [](const Item& x, const Item& y) {
      return x.patch != y.patch ? x.patch < y.patch : x.corner < y.corner;
    });
    // A few distinct normals per patch stand for all its corners here.
    std::size_t kept = 0;
    patchStart.clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
      const bool newPatch = patchStart.empty() || items[patchStart.back()].patch != items[i].patch;
      if (newPatch) patchStart.push_back(kept);
      bool seen = false;
      for (std::size_t k = patchStart.back(); k < kept && !seen; ++k) seen = same(cn[items[k].corner], cn[items[i].corner]);
      if (!seen && kept - patchStart.back() < kNormalsPerPatch) items[kept++] = items[i];
    }
    patchStart.push_back(kept);
    const std::size_t numPatches = patchStart.size() - 1;
    for (std::size_t p = 0; p < numPatches; ++p)
      for (std::size_t q = p + 1; q < numPatches && q <= p + kPatchWindow; ++q) {
        bool differ = false;
        for (std::size_t i = patchStart[p]; i < patchStart[p + 1] && !differ; ++i)
          for (std::size_t j = patchStart[q]; j < patchStart[q + 1] && !differ; ++j)
            differ = !same(cn[items[i].corner], cn[items[j].corner]);
        if (differ)
          pairs.push_back(PairKey(static_cast<std::uint32_t>(items[patchStart[p]].patch),
                                  static_cast<std::uint32_t>(items[patchStart[q]].patch)));
      }
  }
  SortUnique(pairs);
  return pairs;
}

// Patches of one smooth region that were split apart, joined by smooth edges.
std::vector<std::uint64_t> SmoothLinks(const FaceAdjacency& adj, const Patches& patches) {
  std::vector<std::uint64_t> pairs;
  for (std::uint32_t f = 0; f < patches.of.size(); ++f)
    for (const Neighbour& n : adj.Of(f))
      if (n.smooth && patches.of[f] != patches.of[n.face])
        pairs.push_back(
            PairKey(static_cast<std::uint32_t>(patches.of[f]), static_cast<std::uint32_t>(patches.of[n.face])));
  SortUnique(pairs);
  return pairs;
}

// The bits no face across a hard edge from f has.
std::uint32_t FreeBits(const FaceAdjacency& adj, const std::vector<std::uint32_t>& groups, std::uint32_t f) {
  std::uint32_t taken = 0;
  for (const Neighbour& n : adj.Of(f))
    if (!n.smooth) taken |= groups[n.face];
  return ~taken;
}

// A smooth edge whose faces ended up in patches of different groups (a
// region split by a hard edge inside it, or a patch left flat) is mended by
// giving one face, or both, a further group that no face across their hard
// edges has. Answers how many smooth edges could not be mended.
int MendSmoothEdges(const FaceAdjacency& adj, std::vector<std::uint32_t>& groups) {
  int left = 0;
  for (std::uint32_t f = 0; f < groups.size(); ++f) {
    for (const Neighbour& n : adj.Of(f)) {
      const std::uint32_t g = n.face;
      if (!n.smooth || g < f || (groups[f] & groups[g])) continue;
      const std::uint32_t freeF = FreeBits(adj, groups, f), freeG = FreeBits(adj, groups, g);
      if (std::uint32_t bits = groups[g] & freeF) {
        groups[f] |= bits & (~bits + 1);
      } else if (std::uint32_t back = groups[f] & freeG) {
        groups[g] |= back & (~back + 1);
      } else if (std::uint32_t both = freeF & freeG) {
        const std::uint32_t bit = both & (~both + 1);
        groups[f] |= bit;
        groups[g] |= bit;
      } else {
        ++left;
      }
    }
  }
  return left;
}

}  // namespace

SmoothingStats SmoothingFromNormals(std::span<const std::uint32_t> cornerVerts, std::span<const Point3> cornerNormals,
                                    std::uint32_t numVerts, std::vector<std::uint32_t>& smGroups) {
  SmoothingStats stats;
  const auto numFaces = static_cast<std::uint32_t>(cornerVerts.size() / 3);
  smGroups.assign(numFaces, 0);
  if (numFaces == 0) return stats;
  const SameNormal same;

  VertexCorners vc;
  vc.Build(cornerVerts, numVerts);
  FaceAdjacency adj;
  adj.Build(cornerVerts, cornerNormals, same);
  stats.hardEdges = adj.hardPairs;

  Patches patches;
  patches.Grow(adj, numFaces);
  const auto numPatches = static_cast<std::uint32_t>(patches.size.size());
  stats.patches = static_cast<int>(numPatches);

  PatchGraph conflicts, links;
  conflicts.Build(Conflicts(cornerNormals, vc, patches, same), numPatches);
  links.Build(SmoothLinks(adj, patches), numPatches);

  // Greedy colouring: bit index + 1 per patch, 0 for none.
  std::vector<std::uint32_t> colour(numPatches, 0);
  std::uint32_t usedAll = 0;
  for (std::uint32_t p = 0; p < numPatches; ++p) {
    if (patches.size[p] == 1 && !patches.hasSmoothEdge[p]) continue;
    std::uint32_t taken = 0;
    for (std::uint32_t q : conflicts.Of(p))
      if (colour[q]) taken |= 1u << (colour[q] - 1);
    std::uint32_t pick = 0;
    for (std::uint32_t q : links.Of(p))
      if (colour[q] && !(taken & (1u << (colour[q] - 1)))) {
        pick = colour[q];
        break;
      }
    if (!pick && taken != 0xFFFFFFFFu) pick = static_cast<std::uint32_t>(std::countr_one(taken)) + 1;
    if (!pick) {
      ++stats.fallbackFlat;
      continue;
    }
    colour[p] = pick;
    usedAll |= 1u << (pick - 1);
  }
  static_assert(kMaxGroups == 32, "groups are the bits of a 32-bit word");
  stats.groupsUsed = std::popcount(usedAll);

  for (std::uint32_t f = 0; f < numFaces; ++f) {
    const std::uint32_t c = colour[static_cast<std::uint32_t>(patches.of[f])];
    smGroups[f] = c ? 1u << (c - 1) : 0u;
  }
  stats.smoothEdgesLost = MendSmoothEdges(adj, smGroups);
  return stats;
}

}  // namespace host
