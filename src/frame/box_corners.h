// The twelve triangles of a box, over its corners numbered as Box3 numbers
// them (bit 0 = max x, bit 1 = max y, bit 2 = max z). Each side is two
// triangles split along the diagonal from its first corner, wound
// counter-clockwise seen from outside.
#pragma once

namespace pw {

inline constexpr int kBoxTriangles[12][3] = {
    {0, 4, 6}, {0, 6, 2},  // -x
    {1, 3, 7}, {1, 7, 5},  // +x
    {0, 1, 5}, {0, 5, 4},  // -y
    {2, 6, 7}, {2, 7, 3},  // +y
    {0, 2, 3}, {0, 3, 1},  // -z
    {4, 5, 7}, {4, 7, 6},  // +z
};

}  // namespace pw
