// Makes the line modifiers creatable through the plug-in's class table, so
// scene files can create them by class id.
#pragma once

namespace pw {

// Plugs in the factories of the edge ID and intersection restriction
// modifiers and registers their descriptors with the host's global class
// registry. Safe to call more than once; false when a class could not be
// plugged in.
bool RegisterLineClasses();

}  // namespace pw
