#include "styles/register.h"

#include "host/refs/class_desc.h"
#include "plugin/class_ids.h"
#include "plugin/class_table.h"
#include "styles/stroke.h"
#include "styles/style.h"

namespace pw {

bool RegisterStyleClasses() {
  bool ok = PlugInClass<PwStyle>(PW_STYLE_CLASS_ID);
  ok = PlugInClass<PwStyleTreeItem>(PW_STYLE_TREE_ITEM_CLASS_ID) && ok;
  ok = PlugInClass<PwStyleDrawingTools>(PW_STYLE_DRAWING_TOOLS_CLASS_ID) && ok;
  ok = PlugInClass<PwStyleEdgeAngle>(PW_STYLE_EDGE_ANGLE_CLASS_ID) && ok;
  ok = PlugInClass<PwStyleLineContour>(PW_STYLE_LINE_CONTOUR_CLASS_ID) && ok;
  ok = PlugInClass<PwStroke>(PW_STROKE_CLASS_ID) && ok;
  return ok;
}

}  // namespace pw
