// Cutting a polygon of a file format into triangles.
//
// Polygons come from modellers as outlines that are planar or nearly so,
// often concave (an L-shaped cap, a letter). A fan from the first corner is
// wrong for those; ear clipping in the plane that fits the outline best is
// right for every simple polygon, whichever way it is turned in space.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "host/core/point.h"

namespace host {

// One triangle of a polygon: three corner numbers (0..n-1 of the polygon,
// in the polygon's winding), and for each triangle edge c[e] -> c[(e+1)%3]
// whether it is an edge of the outline (visible) or an inner diagonal.
struct PolygonTriangle {
  std::uint32_t c[3] = {0, 0, 0};
  bool outline[3] = {false, false, false};
};

// Scratch arrays reused between polygons, so a mesh of millions of quads
// allocates once.
struct PolygonScratch {
  std::vector<Point2> flat;
  std::vector<std::uint32_t> prev, next;
};

struct TriangulateResult {
  int triangles = 0;
  // Triangles cut without a proper ear (self-crossing or flat outlines):
  // still n-2 of them so no corner is lost, but their shape is not checked.
  int forced = 0;
};

// Appends n-2 triangles for n >= 3 corners (nothing for fewer). Corners
// that repeat a position (a keyhole's bridge) are fine; an outline with no
// area (all corners on a line) comes out as a fan of flat triangles.
TriangulateResult TriangulatePolygon(std::span<const Point3> corners, std::vector<PolygonTriangle>& out,
                                     PolygonScratch& scratch);

// The outline's normal by Newell's method: the sum of the edges' cross
// terms, as long as twice the polygon's area. Zero for a flat outline.
Point3 PolygonNormal(std::span<const Point3> corners);

}  // namespace host
