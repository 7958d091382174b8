#include "surfaces/register.h"

#include "plugin/class_ids.h"
#include "plugin/class_table.h"
#include "surfaces/brush.h"
#include "surfaces/canvas.h"
#include "surfaces/cel_shader.h"
#include "surfaces/gradient.h"
#include "surfaces/gradient_color.h"
#include "surfaces/mtl_toon.h"
#include "surfaces/paint.h"
#include "surfaces/surface.h"

namespace pw {

void RegisterSurfaceClasses() {
  using Factory = host::ReferenceTarget* (*)(bool);
  struct Entry {
    host::Class_ID id;
    Factory make;
  };
  static constexpr Entry kClasses[] = {
      {PW_BRUSH_CLASS_ID, [](bool loading) -> host::ReferenceTarget* { return new PwBrush(loading); }},
      {PW_PAINT_CLASS_ID, [](bool loading) -> host::ReferenceTarget* { return new PwPaint(loading); }},
      {PW_CANVAS_CLASS_ID, [](bool loading) -> host::ReferenceTarget* { return new PwCanvas(loading); }},
      {PW_SURFACE_CLASS_ID, [](bool loading) -> host::ReferenceTarget* { return new PwSurface(loading); }},
      {PW_MTL_TOON_CLASS_ID, [](bool loading) -> host::ReferenceTarget* { return new PwMtlToon(loading); }},
      {PW_GRADIENT_CLASS_ID, [](bool loading) -> host::ReferenceTarget* { return new PwGradient(loading); }},
      {PW_CEL_SHADER_CLASS_ID, [](bool loading) -> host::ReferenceTarget* { return new PwCelShader(loading); }},
      {PW_GRADIENT_COLOR_CLASS_ID,
       [](bool loading) -> host::ReferenceTarget* { return new PwGradientColor(loading); }},
  };
  for (const Entry& e : kClasses) {
    SetClassFactory(e.id, e.make);
    // The library makes its defaults and presets through the global registry.
    if (PluginClassDesc* desc = FindPluginClass(e.id)) host::ClassRegistry::Global().Register(desc);
  }
}

}  // namespace pw
