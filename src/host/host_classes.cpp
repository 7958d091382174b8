#include "host/host_classes.h"

#include "host/paramblock.h"
#include "host/paramblock_legacy.h"

namespace host {

void RegisterHostClasses(ClassRegistry& registry) {
  registry.Register(GetParamBlock2ClassDesc());
  registry.Register(GetParamBlockClassDesc());
}

}  // namespace host
