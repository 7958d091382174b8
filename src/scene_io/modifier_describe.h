// The modifiers of a node as text, for `penwright info`.
#pragma once

#include <string>

#include "host/core/time.h"
#include "host/scene/node.h"

namespace pw {

// One line per modifier of the node's stack, in the order they are applied
// (bottom first), each indented by `indent` blanks and ending in '\n': the
// edge ID modifier with its ID and the face edges it tags, the intersection
// restriction with its switches and faces (neither count for a modifier
// that is off), others by name. The stack is
// evaluated at t first, so the selections are the ones a frame at t sees.
// The Mesh Select modifiers a scene description makes to carry its
// selections are not listed: their selection shows in the modifier above.
// "" for a node without modifiers.
std::string DescribeNodeModifiers(host::INode* node, host::TimeValue t, int indent);

}  // namespace pw
