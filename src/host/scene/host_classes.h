// The host's own classes that files can hold (parameter blocks, ...), for
// the class registry the scene loader creates objects through.
#pragma once

#include "host/refs/class_desc.h"

namespace host {

void RegisterHostClasses(ClassRegistry& registry);

}  // namespace host
