#include "host/host_classes.h"

#include "host/paramblock.h"
#include "host/paramblock_legacy.h"
#include "host/scene_classes.h"

namespace host {

void RegisterHostClasses(ClassRegistry& registry) {
  registry.Register(GetParamBlock2ClassDesc());
  registry.Register(GetParamBlockClassDesc());
  RegisterSceneClasses(registry);
}

}  // namespace host
