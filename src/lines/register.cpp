#include "lines/register.h"

#include "host/refs/class_desc.h"
#include "lines/edge_id_modifier.h"
#include "lines/restrict_si.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"

namespace pw {

bool RegisterLineClasses() {
  bool ok = PlugInClass<PwEdgeIDModifier>(PW_EDGE_ID_MODIFIER_CLASS_ID);
  ok = PlugInClass<PwRestrictSI>(PW_RESTRICT_SI_CLASS_ID) && ok;
  return ok;
}

}  // namespace pw
