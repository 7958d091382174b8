// What a style needs to know about its surface art material: whether its
// kind draws anything.
//
// The surface class lives in a sibling module that this one does not link,
// so the module that links both (the renderer's start-up, a test) installs
// the query that reads a surface's kind.
#pragma once

namespace pw {

class PwObject;

// Kind 0 of a surface: its faces are not rendered.
inline constexpr int SURFACE_KIND_NONE = 0;
// What SurfaceKindOf answers when it cannot tell.
inline constexpr int SURFACE_KIND_UNKNOWN = -1;

using SurfaceKindQuery = int (*)(const PwObject& surface);

// Installs the query (null removes it).
void SetSurfaceKindQuery(SurfaceKindQuery query);
SurfaceKindQuery GetSurfaceKindQuery();

// The surface's kind through the installed query; SURFACE_KIND_UNKNOWN
// without one, which counts as a surface that draws.
int SurfaceKindOf(const PwObject& surface);

}  // namespace pw
