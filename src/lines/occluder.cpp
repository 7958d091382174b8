#include "lines/occluder.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace pw {

namespace {

// Level-0 cells per occluder: about one face per cell keeps a query for an
// edge-sized segment at a handful of cells with a few faces each.
constexpr double kCellsPerOccluder = 0.5;
// Level 0 never has more cells than this on a side.
constexpr int kMaxCellsPerSide = 4096;

// The plane through three camera-space corners, oriented by their order.
void SetPlane(const MeshVertex& p0, const MeshVertex& p1, const MeshVertex& p2, Occluder& o) {
  const double ux = double(p1.x) - p0.x, uy = double(p1.y) - p0.y, uz = double(p1.z) - p0.z;
  const double vx = double(p2.x) - p0.x, vy = double(p2.y) - p0.y, vz = double(p2.z) - p0.z;
  double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (length > 0.0) {
    nx /= length;
    ny /= length;
    nz /= length;
  } else {
    nx = ny = nz = 0.0;
  }
  o.n[0] = nx;
  o.n[1] = ny;
  o.n[2] = nz;
  o.d = nx * p0.x + ny * p0.y + nz * p0.z;
}

// The finest level at which the level-0 cell range [c0, c1] spans at most
// two cells.
int LevelOfSpan(int c0, int c1) {
  int level = 0;
  while ((c1 >> level) - (c0 >> level) > 1) ++level;
  return level;
}

void BuildGrid(const std::vector<Occluder>& occluders, const ScreenDepthBox& box, OccluderGrid& g) {
  g.levelCellBase.clear();
  g.levelItems.clear();
  g.cellStart.clear();
  g.items.clear();
  g.levels = 0;
  if (occluders.empty()) return;

  // Level-0 cells of the box's shape, about kCellsPerOccluder per occluder.
  const double w = double(box.x1) - box.x0, h = double(box.y1) - box.y0;
  const double cells = std::max(1.0, kCellsPerOccluder * double(occluders.size()));
  int nx = 1, ny = 1;
  if (w > 0.0 && h > 0.0) {
    nx = static_cast<int>(std::clamp(std::round(std::sqrt(cells * w / h)), 1.0, double(kMaxCellsPerSide)));
    ny = static_cast<int>(std::clamp(std::ceil(cells / nx), 1.0, double(kMaxCellsPerSide)));
  } else if (w > 0.0) {
    nx = static_cast<int>(std::min(cells, double(kMaxCellsPerSide)));
  } else if (h > 0.0) {
    ny = static_cast<int>(std::min(cells, double(kMaxCellsPerSide)));
  }
  g.originX = box.x0;
  g.originY = box.y0;
  g.nx = nx;
  g.ny = ny;
  g.invCellW = w > 0.0 ? static_cast<float>(nx / w) : 0.0f;
  g.invCellH = h > 0.0 ? static_cast<float>(ny / h) : 0.0f;
  g.levels = 1 + std::max(std::bit_width(static_cast<unsigned>(nx - 1)), std::bit_width(static_cast<unsigned>(ny - 1)));

  g.levelCellBase.resize(static_cast<std::size_t>(g.levels) + 1);
  std::uint32_t total = 0;
  for (int l = 0; l < g.levels; ++l) {
    g.levelCellBase[static_cast<std::size_t>(l)] = total;
    total += static_cast<std::uint32_t>(g.CellsOnSide(nx, l) * g.CellsOnSide(ny, l));
  }
  g.levelCellBase[static_cast<std::size_t>(g.levels)] = total;
  g.levelItems.assign(static_cast<std::size_t>(g.levels), 0);
  g.cellStart.assign(static_cast<std::size_t>(total) + 1, 0);

  // Counting pass, then offsets, then a fill pass in occluder order, which
  // leaves every cell's list ascending.
  auto cellOf = [&](const Occluder& o, int* level) {
    const int cx0 = g.CellX(o.box.x0), cy0 = g.CellY(o.box.y0);
    *level = std::max(LevelOfSpan(cx0, g.CellX(o.box.x1)), LevelOfSpan(cy0, g.CellY(o.box.y1)));
    const int lnx = g.CellsOnSide(nx, *level);
    return g.levelCellBase[static_cast<std::size_t>(*level)] +
           static_cast<std::uint32_t>((cy0 >> *level) * lnx + (cx0 >> *level));
  };
  for (const Occluder& o : occluders) {
    int level = 0;
    ++g.cellStart[cellOf(o, &level) + 1];
    ++g.levelItems[static_cast<std::size_t>(level)];
  }
  for (std::size_t c = 1; c < g.cellStart.size(); ++c) g.cellStart[c] += g.cellStart[c - 1];
  g.items.resize(g.cellStart.back());
  g.fill.assign(g.cellStart.begin(), g.cellStart.end() - 1);
  for (std::size_t i = 0; i < occluders.size(); ++i) {
    int level = 0;
    g.items[g.fill[cellOf(occluders[i], &level)]++] = {static_cast<std::uint32_t>(i), occluders[i].box};
  }
}

}  // namespace

void ScreenDepthBox::Add(float x, float y, float z) {
  if (Empty()) {
    x0 = x1 = x;
    y0 = y1 = y;
    z0 = z1 = z;
    return;
  }
  x0 = std::min(x0, x);
  x1 = std::max(x1, x);
  y0 = std::min(y0, y);
  y1 = std::max(y1, y);
  z0 = std::min(z0, z);
  z1 = std::max(z1, z);
}

void ScreenDepthBox::Add(const ScreenDepthBox& b) {
  if (b.Empty()) return;
  Add(b.x0, b.y0, b.z0);
  Add(b.x1, b.y1, b.z1);
}

int OccluderGrid::CellX(float x) const {
  const float f = (x - originX) * invCellW;
  if (!(f > 0.0f)) return 0;
  if (f >= static_cast<float>(nx)) return nx - 1;
  return static_cast<int>(f);
}

int OccluderGrid::CellY(float y) const {
  const float f = (y - originY) * invCellH;
  if (!(f > 0.0f)) return 0;
  if (f >= static_cast<float>(ny)) return ny - 1;
  return static_cast<int>(f);
}

std::size_t GatherOverlapping(const OccluderGrid& g, const ScreenDepthBox& q, bool withDepth,
                              std::vector<std::uint32_t>& out, std::size_t count) {
  if (withDepth) return GatherWhere(g, q, [&](const ScreenDepthBox& b) { return Overlaps3dBranchFree(b, q); }, out, count);
  return GatherWhere(g, q, [&](const ScreenDepthBox& b) { return OverlapsOnScreenBranchFree(b, q); }, out, count);
}

void InstanceOccluders::Clear() {
  occluders.clear();
  points.clear();
  testData.clear();
  box = ScreenDepthBox();
  BuildGrid(occluders, box, grid);
}

void BuildOccluders(const PwRenderInstance& inst, bool twoSided, InstanceOccluders& out) {
  if (!inst.visible) {
    out.Clear();
    return;
  }
  BuildOccluders(inst.mesh, twoSided, out);
}

void BuildOccluders(const PwRenderMesh& mesh, bool twoSided, InstanceOccluders& out) {
  out.occluders.clear();
  out.points.clear();
  out.testData.clear();
  out.box = ScreenDepthBox();
  for (std::size_t fi = 0; fi < mesh.faces.size(); ++fi) {
    const MeshFace& f = mesh.faces[fi];
    if (f.faceFlags & FaceExcluded) continue;
    const bool front = (f.faceFlags & FaceFront) != 0;
    if (!front && !twoSided) continue;
    const bool clipped = (f.faceFlags & FaceClipped) != 0;
    if (clipped && f.numClip < 3) continue;  // nothing left of it to hide with

    Occluder o;
    o.face = static_cast<std::uint32_t>(fi);
    o.faceFlags = f.faceFlags;
    const MeshVertex& c0 = mesh.verts[f.v[0]];
    const MeshVertex& c1 = mesh.verts[f.v[1]];
    const MeshVertex& c2 = mesh.verts[f.v[2]];
    if (front) {
      SetPlane(c0, c1, c2, o);
    } else {
      SetPlane(c2, c1, c0, o);
    }
    o.firstPoint = static_cast<std::uint32_t>(out.points.size());
    if (clipped) {
      for (const ClipPoint& p : clippedPolygon(mesh, f)) {
        out.points.push_back({p.pos.sx, p.pos.sy});
        o.box.Add(p.pos.sx, p.pos.sy, p.pos.z);
      }
    } else {
      const MeshVertex* corner[3] = {&c0, &c1, &c2};
      if (!front) std::swap(corner[0], corner[2]);
      for (const MeshVertex* c : corner) {
        out.points.push_back({c->sx, c->sy});
        o.box.Add(c->sx, c->sy, c->z);
      }
    }
    o.numPoints = static_cast<std::uint32_t>(out.points.size()) - o.firstPoint;
    out.box.Add(o.box);
    out.occluders.push_back(o);
  }
  BuildGrid(out.occluders, out.box, out.grid);
  out.testData.resize(out.grid.items.size());
  for (std::size_t i = 0; i < out.grid.items.size(); ++i) {
    const Occluder& o = out.occluders[out.grid.items[i].index];
    OccluderTestData& t = out.testData[i];
    std::copy(o.n, o.n + 3, t.n);
    t.d = o.d;
    t.z0 = o.box.z0;
    t.numPoints = o.numPoints;
    if (o.numPoints == 3) std::copy_n(out.points.data() + o.firstPoint, 3, t.triangle);
  }
}

}  // namespace pw
