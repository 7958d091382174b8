#include "styles/register.h"

#include "host/refs/class_desc.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"
#include "styles/stroke.h"
#include "styles/style.h"

namespace pw {

namespace {

template <class T>
bool Plug(host::Class_ID id) {
  if (!SetClassFactory(id, [](bool loading) -> host::ReferenceTarget* { return new T(loading); })) return false;
  host::ClassRegistry::Global().Register(FindPluginClass(id));
  return true;
}

}  // namespace

bool RegisterStyleClasses() {
  bool ok = Plug<PwStyle>(PW_STYLE_CLASS_ID);
  ok = Plug<PwStyleTreeItem>(PW_STYLE_TREE_ITEM_CLASS_ID) && ok;
  ok = Plug<PwStyleDrawingTools>(PW_STYLE_DRAWING_TOOLS_CLASS_ID) && ok;
  ok = Plug<PwStyleEdgeAngle>(PW_STYLE_EDGE_ANGLE_CLASS_ID) && ok;
  ok = Plug<PwStyleLineContour>(PW_STYLE_LINE_CONTOUR_CLASS_ID) && ok;
  ok = Plug<PwStroke>(PW_STROKE_CLASS_ID) && ok;
  return ok;
}

}  // namespace pw
