// What an importer tells its caller about the nodes it added.
#pragma once

#include <vector>

#include "host/scene/node.h"
#include "host/core/time.h"

namespace host {

// The picture shape assumed for cameras that do not fix one.
inline constexpr int kDefaultImageWidth = 640;
inline constexpr int kDefaultImageHeight = 480;

struct ImportSummary {
  std::vector<INode*> topNodes;  // added directly under the parent, in file order
  INode* firstCamera = nullptr;  // the first camera node, depth first
  float cameraAspect = 0.0f;     // that camera's width / height; 0 when the file leaves it open
  bool animated = false;
  TimeValue lastKey = 0;  // the time of the last key, when animated
};

}  // namespace host
