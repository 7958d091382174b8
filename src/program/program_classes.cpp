#include "program/program_classes.h"

#include "host/refs/class_desc.h"
#include "host/scene/host_classes.h"
#include "lines/register.h"
#include "painton/paint_on.h"
#include "plugin/class_table.h"
#include "program/art_material_classes.h"
#include "render/renderer.h"

namespace pw {

bool RegisterProgramClasses() {
  host::ClassRegistry& registry = host::ClassRegistry::Global();
  host::RegisterHostClasses(registry);
  RegisterPluginClasses(registry);
  return RegisterArtMaterialClasses() && RegisterLineClasses() && RegisterPaintOnClass() && RegisterRendererClass();
}

}  // namespace pw
