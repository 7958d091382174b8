// Class descriptors of the scene model's classes (ids in scene_class_ids.h),
// so that scene files can create them.
#pragma once

#include "host/refs/class_desc.h"

namespace host {

void RegisterSceneClasses(ClassRegistry& registry);

}  // namespace host
