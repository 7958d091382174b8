// Makes the classes of this module creatable through the plug-in's class
// table, so scene files and the library can create them by class id.
#pragma once

namespace pw {

// Plugs in the factories of brush, paint, canvas, surface, Toon material,
// gradient and gradient key, and registers their descriptors with the
// host's global class registry. Safe to call more than once.
void RegisterSurfaceClasses();

}  // namespace pw
