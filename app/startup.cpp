#include "startup.h"

#include "host/class_desc.h"
#include "host/host_classes.h"
#include "plugin/class_table.h"
#include "render/art_material_classes.h"
#include "render/renderer.h"

namespace pw::cli {

bool RegisterProgramClasses() {
  host::ClassRegistry& registry = host::ClassRegistry::Global();
  host::RegisterHostClasses(registry);
  RegisterPluginClasses(registry);
  return RegisterArtMaterialClasses() && RegisterRendererClass();
}

}  // namespace pw::cli
