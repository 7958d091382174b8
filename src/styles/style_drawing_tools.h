// The brush, paint and stroke one part of a style's lines is drawn with.
//
// The three tools are art materials of the library, shared by every style
// that uses them: a drawing-tools object refers to them and never owns or
// copies them, so duplicating it gives a new triple naming the same tools.
#pragma once

#include "styles/style_part.h"

namespace pw {

class PwObject;

// Parameter ids of the block "DrawingToolsParameters"; also the tool numbers.
enum DrawingToolsParam : host::ParamID {
  DRAWING_TOOLS_BRUSH = 0,
  DRAWING_TOOLS_PAINT = 1,
  DRAWING_TOOLS_STROKE = 2,
};
inline constexpr int kDrawingToolCount = 3;

class PwStyleDrawingTools : public PwStylePart {
 public:
  explicit PwStyleDrawingTools(bool loading = false);

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "PwStyleDrawingTools"; }
  // A new triple referring to the same brush, paint and stroke.
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;

  PwObject* GetBrush() const { return GetTool(DRAWING_TOOLS_BRUSH); }
  PwObject* GetPaint() const { return GetTool(DRAWING_TOOLS_PAINT); }
  PwObject* GetStroke() const { return GetTool(DRAWING_TOOLS_STROKE); }
  void SetBrush(PwObject* brush) { SetTool(DRAWING_TOOLS_BRUSH, brush); }
  void SetPaint(PwObject* paint) { SetTool(DRAWING_TOOLS_PAINT, paint); }
  void SetStroke(PwObject* stroke) { SetTool(DRAWING_TOOLS_STROKE, stroke); }

  // Tool by number (0 brush, 1 paint, 2 stroke); any other number gets
  // nothing and sets nothing.
  PwObject* GetTool(int which) const;
  void SetTool(int which, PwObject* tool);
};

}  // namespace pw
