#include "styles/style_surface.h"

namespace pw {

namespace {

SurfaceKindQuery& Query() {
  static SurfaceKindQuery query = nullptr;
  return query;
}

}  // namespace

void SetSurfaceKindQuery(SurfaceKindQuery query) { Query() = query; }

SurfaceKindQuery GetSurfaceKindQuery() { return Query(); }

int SurfaceKindOf(const PwObject& surface) {
  const SurfaceKindQuery query = Query();
  return query ? query(surface) : SURFACE_KIND_UNKNOWN;
}

}  // namespace pw
