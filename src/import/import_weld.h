// Welding vertices that sit at exactly the same position.
//
// Formats that store attributes per vertex (glTF) split a vertex wherever
// its normal or texture coordinate changes; welding gives the mesh back its
// connectivity, so edges between faces are shared again.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "host/core/point.h"

namespace host {

// remap[i] is the welded index of vertex i; welded holds each distinct
// position once, in order of first appearance. Positions are compared
// exactly (0 and -0 count as equal).
void WeldByPosition(std::span<const Point3> positions, std::vector<std::uint32_t>& remap, std::vector<Point3>& welded);

}  // namespace host
