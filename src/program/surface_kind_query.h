// The surface-kind query for programs that link the surface art material
// too (the renderer): include this where start-up runs and call
// InstallSurfaceKindQuery() once, next to RegisterStyleClasses().
#pragma once

#include "styles/style_surface.h"
#include "surfaces/surface.h"

namespace pw {

inline int PwSurfaceKindOf(const PwObject& obj) {
  const auto* surface = dynamic_cast<const PwSurface*>(&obj);
  return surface ? static_cast<int>(surface->GetKind()) : SURFACE_KIND_UNKNOWN;
}

inline void InstallSurfaceKindQuery() { SetSurfaceKindQuery(&PwSurfaceKindOf); }

}  // namespace pw
