#include "lines/register.h"

#include "host/refs/class_desc.h"
#include "lines/edge_id_modifier.h"
#include "lines/restrict_si.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"

namespace pw {

namespace {

template <class T>
bool Plug(host::Class_ID id) {
  if (!SetClassFactory(id, [](bool loading) -> host::ReferenceTarget* { return new T(loading); })) return false;
  host::ClassRegistry::Global().Register(FindPluginClass(id));
  return true;
}

}  // namespace

bool RegisterLineClasses() {
  bool ok = Plug<PwEdgeIDModifier>(PW_EDGE_ID_MODIFIER_CLASS_ID);
  ok = Plug<PwRestrictSI>(PW_RESTRICT_SI_CLASS_ID) && ok;
  return ok;
}

}  // namespace pw
