// The up axis of imported files.
//
// The scene is Z-up (the ground is the xy plane). glTF is Y-up by definition
// and OBJ files are Y-up by the custom of the programs that write them, so a
// file's top-level nodes are turned a quarter turn about X: the file's +Y
// becomes +Z and its +Z (the front of a model) becomes -Y, towards a camera
// looking from the front. The file's own coordinates stay untouched inside
// the nodes.
#pragma once

#include <numbers>

#include "host/core/matrix3.h"
#include "host/core/quat.h"

namespace host {

inline Quat ZUpFromYUpRotation() { return QuatFromAxisAngle(Point3::XAxis(), std::numbers::pi_v<float> / 2.0f); }
inline Matrix3 ZUpFromYUp() { return MatrixFromQuat(ZUpFromYUpRotation()); }

}  // namespace host
