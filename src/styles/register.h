// Makes the classes of this module creatable through the plug-in's class
// table and the host's class registry, so scene files and the library can
// create them by class id.
#pragma once

namespace pw {

// Plugs in the factories of the style, its four tree classes and the stroke,
// and registers their descriptors with the process-wide class registry.
// Safe to call more than once; false when the class table lacks one of them.
bool RegisterStyleClasses();

}  // namespace pw
