// The faces of an instance as the hidden-line test and the surface
// intersections see them: for every face that can hide something, its box
// on screen and in depth, its camera-space plane and its screen outline,
// plus a screen-space index that finds the faces near a segment without
// walking them all.
//
// Built once per instance per frame, after the object stage, before any line
// of the frame is generated; the arrays keep their memory from frame to
// frame.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "frame/instance.h"
#include "lines/polygon2d.h"

namespace pw {

// Screen x, screen y (pixels) and camera z of a face or a segment.
struct ScreenDepthBox {
  float x0 = 0.0f, y0 = 0.0f, z0 = 0.0f;
  float x1 = -1.0f, y1 = -1.0f, z1 = -1.0f;

  bool Empty() const { return x0 > x1; }
  void Add(float x, float y, float z);
  void Add(const ScreenDepthBox& b);
};

// Overlap with every comparison strict: boxes that only touch do not
// overlap, and an empty box overlaps nothing.
inline bool OverlapsOnScreen(const ScreenDepthBox& a, const ScreenDepthBox& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}
inline bool Overlaps3d(const ScreenDepthBox& a, const ScreenDepthBox& b) {
  return OverlapsOnScreen(a, b) && a.z0 < b.z1 && b.z0 < a.z1;
}
// The same answers without branches, for loops over many boxes where
// whether one overlaps is nothing a branch predictor can learn.
inline bool OverlapsOnScreenBranchFree(const ScreenDepthBox& a, const ScreenDepthBox& b) {
  return (a.x0 < b.x1) & (b.x0 < a.x1) & (a.y0 < b.y1) & (b.y0 < a.y1);
}
inline bool Overlaps3dBranchFree(const ScreenDepthBox& a, const ScreenDepthBox& b) {
  return OverlapsOnScreenBranchFree(a, b) & (a.z0 < b.z1) & (b.z0 < a.z1);
}

struct Occluder {
  std::uint32_t face = 0;        // index into the mesh's faces
  std::uint8_t faceFlags = 0;    // the face's flags this frame
  ScreenDepthBox box;            // of the clipped polygon for a clipped face
  // Camera-space plane n . p = d, n of unit length (zero for a face with no
  // area). Every plane has the viewer on its positive side: back faces are
  // taken with their corners in the opposite order.
  double n[3] = {0.0, 0.0, 0.0};
  double d = 0.0;
  // The screen outline in InstanceOccluders::points: the triangle (first
  // and third corner swapped for a back face) or the clipped polygon.
  std::uint32_t firstPoint = 0;
  std::uint32_t numPoints = 0;

  double PlaneDistance(double x, double y, double z) const { return n[0] * x + n[1] * y + n[2] * z - d; }
};

// What the hidden-line test reads of an occluder, in one cache line of its
// own, stored in the grid's order: the occluders a segment meets lie in a
// few neighbouring cells, so their lines are neighbours too, where in face
// order they would be scattered. A clipped face's polygon does not fit; its
// test goes back to the occluder.
struct alignas(64) OccluderTestData {
  double n[3] = {0.0, 0.0, 0.0};
  double d = 0.0;
  float z0 = 0.0f;              // the box's least camera z (its farthest point)
  std::uint32_t numPoints = 0;  // 3: the outline is `triangle`
  ScreenPoint triangle[3];
};
static_assert(sizeof(OccluderTestData) == 64);

// An occluder as the grid files it: its index and a copy of its box, so a
// query reads a cell's entries in a row without visiting the occluders.
struct GridItem {
  std::uint32_t index = 0;
  ScreenDepthBox box;
};

// A screen index in levels: level 0 is a grid of cells about the size of
// an average face; each level above doubles the cell size, up to one cell.
// Every occluder is filed once, in the finest level where its box spans at
// most two cells each way, in the cell of its low corner; a query at each
// level looks at the cells its own box touches and the ones just below and
// left of them. So a face the size of the screen costs no more than a small
// one, and nothing is met twice. Cell lists are ascending occluder indices
// (offsets + data, all levels in one array).
struct OccluderGrid {
  float originX = 0.0f, originY = 0.0f;
  float invCellW = 0.0f, invCellH = 0.0f;  // level-0 cells per pixel
  int nx = 0, ny = 0;                      // level-0 cells
  int levels = 0;
  std::vector<std::uint32_t> levelCellBase;  // first cell of each level in cellStart, levels + 1 entries
  std::vector<std::uint32_t> levelItems;     // occluders filed per level
  std::vector<std::uint32_t> cellStart;      // per cell of every level, plus one
  std::vector<GridItem> items;
  std::vector<std::uint32_t> fill;  // scratch of the build

  // Level-0 cell of a screen position, clamped into the grid; monotone, so
  // boxes that overlap share cells at every level.
  int CellX(float x) const;
  int CellY(float y) const;
  int CellsOnSide(int n0, int level) const { return ((n0 - 1) >> level) + 1; }
};

struct InstanceOccluders {
  std::vector<Occluder> occluders;  // in face order
  std::vector<ScreenPoint> points;  // every occluder's outline, one after the other
  std::vector<OccluderTestData> testData;  // per grid entry, in the grid's order
  ScreenDepthBox box;               // of all occluders; empty when there are none
  OccluderGrid grid;

  int Size() const { return static_cast<int>(occluders.size()); }
  std::span<const ScreenPoint> Outline(const Occluder& o) const { return {points.data() + o.firstPoint, o.numPoints}; }
  void Clear();
};

// Refills out from the instance's render mesh (camera space, projected,
// clipped and marked): one occluder per face that is neither FaceExcluded
// nor, unless twoSided, without FaceFront; then the grid. An invisible
// instance gets none.
void BuildOccluders(const PwRenderInstance& inst, bool twoSided, InstanceOccluders& out);
void BuildOccluders(const PwRenderMesh& mesh, bool twoSided, InstanceOccluders& out);

// The occluders near the screen box of q for whose boxes keep(box) holds,
// each once, in no particular order, into out from position `count` on;
// answers the new count. Every occluder whose box overlaps q on screen is
// offered to keep, with some that do not. out grows when it must and is
// never shrunk, so entries past the count are stale.
//
// With T = std::uint64_t each entry is the occluder index in the high and
// its grid position (its place in the grid's item order) in the low 32 bits.
template <class T = std::uint32_t, class Keep>
std::size_t GatherWhere(const OccluderGrid& g, const ScreenDepthBox& q, Keep&& keep, std::vector<T>& out,
                        std::size_t count = 0) {
  if (g.levels == 0) return count;
  const int qx0 = g.CellX(q.x0), qx1 = g.CellX(q.x1), qy0 = g.CellY(q.y0), qy1 = g.CellY(q.y1);
  for (int level = 0; level < g.levels; ++level) {
    if (g.levelItems[static_cast<std::size_t>(level)] == 0) continue;
    const int lnx = g.CellsOnSide(g.nx, level);
    const std::uint32_t* start = g.cellStart.data() + g.levelCellBase[static_cast<std::size_t>(level)];
    // An occluder spans at most two cells here, so one filed a cell below
    // or left of the query's range may still reach into it.
    const int cx0 = std::max(0, (qx0 >> level) - 1), cx1 = qx1 >> level;
    const int cy0 = std::max(0, (qy0 >> level) - 1), cy1 = qy1 >> level;
    for (int cy = cy0; cy <= cy1; ++cy) {
      // The row's cells are one run of entries.
      const std::uint32_t first = start[cy * lnx + cx0], last = start[cy * lnx + cx1 + 1];
      if (out.size() < count + (last - first)) out.resize(std::max<std::size_t>(2 * out.size(), count + (last - first)));
      T* dst = out.data();
      for (std::uint32_t i = first; i < last; ++i) {
        // The index is written either way and kept by the count.
        if constexpr (sizeof(T) == 8) {
          dst[count] = (T{g.items[i].index} << 32) | i;
        } else {
          dst[count] = g.items[i].index;
        }
        count += static_cast<std::size_t>(keep(g.items[i].box));
      }
    }
  }
  return count;
}

// The occluders whose boxes overlap q on screen (and in depth too when
// withDepth).
std::size_t GatherOverlapping(const OccluderGrid& g, const ScreenDepthBox& q, bool withDepth,
                              std::vector<std::uint32_t>& out, std::size_t count = 0);

}  // namespace pw
