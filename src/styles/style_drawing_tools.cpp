#include "styles/style_drawing_tools.h"

#include "library/pw_object.h"
#include "plugin/class_ids.h"

namespace pw {

namespace {

using host::ParamDef;

const host::ParamBlockDesc2 kDrawingToolsBlock(
    host::BlockSpec(0, "DrawingToolsParameters", PW_STYLE_DRAWING_TOOLS_CLASS_ID, host::REF_TARGET_CLASS_ID)
        .AutoConstruct(PwStylePart::PARAMBLOCK_REF),
    {
        ParamDef(DRAWING_TOOLS_BRUSH, "drawingToolsBrush", host::TYPE_REFTARG),
        ParamDef(DRAWING_TOOLS_PAINT, "drawingToolsPaint", host::TYPE_REFTARG),
        ParamDef(DRAWING_TOOLS_STROKE, "drawingToolsStroke", host::TYPE_REFTARG),
    });

bool IsToolNumber(int which) { return which >= 0 && which < kDrawingToolCount; }

}  // namespace

PwStyleDrawingTools::PwStyleDrawingTools(bool loading) : PwStylePart(kDrawingToolsBlock) {
  if (!loading) MakeFreshBlock();
}

host::Class_ID PwStyleDrawingTools::ClassID() const { return PW_STYLE_DRAWING_TOOLS_CLASS_ID; }

host::ReferenceTarget* PwStyleDrawingTools::Clone(host::RemapDir& remap) {
  // The tools belong to the library: map them to themselves, so the block's
  // clone refers to the originals instead of making private copies.
  for (int which = 0; which < kDrawingToolCount; ++which)
    if (host::ReferenceTarget* tool = GetRefParam(static_cast<host::ParamID>(which)); tool && !remap.FindMapping(tool))
      remap.AddEntry(tool, tool);
  auto* copy = new PwStyleDrawingTools(true);
  CloneBlockInto(*copy, remap);
  return copy;
}

PwObject* PwStyleDrawingTools::GetTool(int which) const {
  if (!IsToolNumber(which)) return nullptr;
  return dynamic_cast<PwObject*>(GetRefParam(static_cast<host::ParamID>(which)));
}

void PwStyleDrawingTools::SetTool(int which, PwObject* tool) {
  if (!IsToolNumber(which)) return;
  SetParam(static_cast<host::ParamID>(which), 0, static_cast<host::ReferenceTarget*>(tool));
}

}  // namespace pw
