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

// A screen index in levels: level 0 is a grid of cells about the size of
// an average face; each level above doubles the cell size, up to one cell.
// Every occluder is filed in the finest level where its box spans at most
// two cells each way, so it sits in at most four cells and a face the size
// of the screen costs no more than a small one. Cell lists are ascending
// occluder indices (offsets + data per level).
struct OccluderGrid {
  float originX = 0.0f, originY = 0.0f;
  float invCellW = 0.0f, invCellH = 0.0f;  // level-0 cells per pixel
  int nx = 0, ny = 0;                      // level-0 cells
  int levels = 0;
  std::vector<std::uint32_t> levelCellBase;  // first cell of each level in cellStart, levels + 1 entries
  std::vector<std::uint32_t> levelItems;     // occluders filed per level
  std::vector<std::uint32_t> cellStart;      // per cell of every level, plus one
  std::vector<std::uint32_t> items;
  std::vector<std::uint32_t> fill;           // scratch of the build

  // Level-0 cell of a screen position, clamped into the grid; monotone, so
  // boxes that overlap share cells at every level.
  int CellX(float x) const;
  int CellY(float y) const;
};

struct InstanceOccluders {
  std::vector<Occluder> occluders;  // in face order
  std::vector<ScreenPoint> points;  // every occluder's outline, one after the other
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

// Calls f(occluderIndex) for every occluder filed in a cell that the screen
// box [x0, x1] x [y0, y1] touches, at every level; an occluder filed in
// several such cells is reported once per cell. Every occluder whose box
// overlaps the given one is among them.
template <class F>
void ForEachGridCandidate(const OccluderGrid& g, float x0, float y0, float x1, float y1, F&& f) {
  if (g.levels == 0) return;
  const int cx0 = g.CellX(x0), cx1 = g.CellX(x1), cy0 = g.CellY(y0), cy1 = g.CellY(y1);
  for (int level = 0; level < g.levels; ++level) {
    if (g.levelItems[static_cast<std::size_t>(level)] == 0) continue;
    const int lnx = ((g.nx - 1) >> level) + 1;
    const std::uint32_t* start = g.cellStart.data() + g.levelCellBase[static_cast<std::size_t>(level)];
    for (int cy = cy0 >> level; cy <= cy1 >> level; ++cy) {
      for (int cx = cx0 >> level; cx <= cx1 >> level; ++cx) {
        const int cell = cy * lnx + cx;
        for (std::uint32_t i = start[cell]; i < start[cell + 1]; ++i) f(g.items[i]);
      }
    }
  }
}

}  // namespace pw
