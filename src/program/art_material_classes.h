// Start-up of the art materials: every class the library, its holder and
// the styles and surfaces need, plugged into the class table and the host's
// class registry, so scene files and the library can create them by id.
//
// Lives here rather than in library/ because it needs every module that
// defines an art material, and the library must not link them.
#pragma once

namespace pw {

// The library and its holder, the style classes and the stroke, the brush,
// paint, canvas, surface, Toon material and gradients, and the query that
// tells a style what kind its surface is. Safe to call more than once;
// false when one of the classes could not be plugged in.
bool RegisterArtMaterialClasses();

}  // namespace pw
