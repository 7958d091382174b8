#include "host/scene/host_classes.h"

#include "host/params/paramblock.h"
#include "host/params/paramblock_legacy.h"
#include "host/scene/scene_classes.h"

namespace host {

void RegisterHostClasses(ClassRegistry& registry) {
  registry.Register(GetParamBlock2ClassDesc());
  registry.Register(GetParamBlockClassDesc());
  RegisterSceneClasses(registry);
}

}  // namespace host
